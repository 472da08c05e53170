#pragma once
// Decoder protocols: what a loco or accessory decoder of one family can do.
// Devices refer to a protocol for their limits and never own it.

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "devices/Persistent.h"

namespace tenvarra {

class TIniFile;

// Bus numbers on which a protocol has been met (0..255).
using TMoBaGroups = std::bitset<256>;

struct TMoBaProtocolBaseInfo {
  uint8_t Base;
  char Letter;
  const char* Description;
};

// The protocol families; a protocol's Base indexes this table.
inline constexpr std::array<TMoBaProtocolBaseInfo, 8> MoBaProtocolBases{{
    {0, 'C', "Custom protocol"},
    {1, 'A', "Analog"},
    {2, 'F', "Fleischmann"},
    {3, 'L', "Loconet"},
    {4, 'M', "Motorola / Märklin"},
    {5, 'N', "NMRA / DCC"},
    {6, 'S', "Selectric"},
    {7, 'Z', "Zimo protocol"},
}};

inline constexpr uint8_t MoBaBaseCustom = 0;
inline constexpr uint8_t MoBaBaseMotorola = 4;
inline constexpr uint8_t MoBaBaseNmra = 5;

// A family outside the table is written as custom ('C') rather than read past it.
char LetterOfBase(uint8_t Base);
// Exact, case-sensitive match on the first character; custom (0) otherwise.
uint8_t BaseOfLetter(std::string_view Text);

// Every member in ascending order as decimal numbers joined by bare commas.
std::string GroupsToText(const TMoBaGroups& Groups);
// Splits as comma text; items that are not a whole integer in 0..255 are skipped.
TMoBaGroups GroupsFromText(std::string_view Text);

class TMoBaLocoProtocol;
class TMoBaSolenoidProtocol;

class TMoBaBaseProtocol : public TPersistent {
public:
  uint8_t Base = MoBaBaseCustom;
  int32_t MaxAddress = 256;
  std::string Desc;
  std::string Name;
  TMoBaGroups Groups;
  int32_t Extension = 0;

  // A new protocol of this object's class with construction values.
  virtual std::unique_ptr<TMoBaBaseProtocol> Create() const;
  // Create followed by Assign from this object.
  std::unique_ptr<TMoBaBaseProtocol> Clone() const;

  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaBaseProtocol"; }
  // This protocol as a loco's or a solenoid's; none when it is not one.
  // Devices ask at every command, where a dynamic_cast would cost more.
  virtual const TMoBaLocoProtocol* AsLocoProtocol() const { return nullptr; }
  virtual const TMoBaSolenoidProtocol* AsSolenoidProtocol() const { return nullptr; }

  // The protocol as the keys of one section; reading sets every field from
  // its key, so a missing key gives the read default, not the construction value.
  virtual void SaveToIni(TIniFile& IniFile, std::string_view Section) const;
  virtual void LoadFromIni(const TIniFile& IniFile, std::string_view Section);
};

class TMoBaLocoProtocol : public TMoBaBaseProtocol {
public:
  int32_t MinSteps = 0;
  int32_t MaxSteps = 15;
  // Function 0 included.
  int32_t MaxFunctions = 1;

  std::unique_ptr<TMoBaBaseProtocol> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaLocoProtocol"; }
  const TMoBaLocoProtocol* AsLocoProtocol() const override { return this; }
  void SaveToIni(TIniFile& IniFile, std::string_view Section) const override;
  void LoadFromIni(const TIniFile& IniFile, std::string_view Section) override;
};

class TMoBaSolenoidProtocol : public TMoBaBaseProtocol {
public:
  // Largest value a port can be set to.
  int32_t MaxValue = 1;
  // Largest port number; a device has MaxPort + 1 ports.
  int32_t MaxPort = 1;

  std::unique_ptr<TMoBaBaseProtocol> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaSolenoidProtocol"; }
  const TMoBaSolenoidProtocol* AsSolenoidProtocol() const override { return this; }
  void SaveToIni(TIniFile& IniFile, std::string_view Section) const override;
  void LoadFromIni(const TIniFile& IniFile, std::string_view Section) override;
};

}  // namespace tenvarra
