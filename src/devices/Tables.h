#pragma once
// The loco and solenoid tables: ordered, owning, with unique addresses.
// Searches are linear in table order; a table is never sorted.

#include <cstdint>
#include <memory>
#include <vector>

#include "devices/Loco.h"
#include "devices/Solenoid.h"

namespace tenvarra {

class TLocoTable {
public:
  TLocoTable() = default;
  TLocoTable(const TLocoTable&) = delete;
  TLocoTable& operator=(const TLocoTable&) = delete;

  // Appends Loco and takes it over (Loco is then empty). Refused, leaving
  // Loco with the caller, when it is empty or its address is already taken.
  bool AddLoco(std::unique_ptr<TMoBaAdvancedLoco>& Loco);
  // The first loco with this address, or none.
  TMoBaAdvancedLoco* FindLocoByAddress(int32_t Address) const;
  // None when Index is outside 0 .. LocoCount-1.
  TMoBaAdvancedLoco* LocoAt(int32_t Index) const;
  int32_t LocoCount() const { return static_cast<int32_t>(FLocos.size()); }
  // Takes Loco out and destroys it; false when it is not in the table.
  bool RemoveLoco(const TMoBaAdvancedLoco* Loco);

  // Keeps a protocol alive as long as the table, for locos that have a
  // protocol of their own (e.g. read from the settings file). Returns it.
  TMoBaLocoProtocol* AdoptProtocol(std::unique_ptr<TMoBaLocoProtocol> Protocol);

private:
  // Declared first so that the locos, which refer to them, go before them.
  std::vector<std::unique_ptr<TMoBaLocoProtocol>> FProtocols;
  std::vector<std::unique_ptr<TMoBaAdvancedLoco>> FLocos;
};

class TSolenoidTable {
public:
  TSolenoidTable() = default;
  TSolenoidTable(const TSolenoidTable&) = delete;
  TSolenoidTable& operator=(const TSolenoidTable&) = delete;

  // As TLocoTable::AddLoco.
  bool AddSolenoid(std::unique_ptr<TMoBaAdvancedSolenoid>& Solenoid);
  TMoBaAdvancedSolenoid* FindSolenoidByAddress(int32_t Address) const;
  TMoBaAdvancedSolenoid* SolenoidAt(int32_t Index) const;
  int32_t SolenoidCount() const { return static_cast<int32_t>(FSolenoids.size()); }
  // Takes Solenoid out and hands it back to the caller without destroying
  // it; none when it is not in the table.
  std::unique_ptr<TMoBaAdvancedSolenoid> RemoveSolenoid(const TMoBaAdvancedSolenoid* Solenoid);

private:
  std::vector<std::unique_ptr<TMoBaAdvancedSolenoid>> FSolenoids;
};

}  // namespace tenvarra
