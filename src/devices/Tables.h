#pragma once
// The loco and solenoid tables: ordered, owning, with unique addresses.
// Searches are linear in table order; a table is never sorted.
//
// Each record gets an identity when it is added that no later record of its
// table gets, so whoever keeps a record in mind (a setup dialog showing it)
// can tell it from a record added after it left, wherever that one lives in
// memory. Every change is told through Changes().

#include <cstdint>
#include <memory>
#include <vector>

#include "devices/Loco.h"
#include "devices/Solenoid.h"
#include "devices/TableChanges.h"

namespace tenvarra {

// A record's identity in its table; NoRecord stands for none.
using TRecordId = uint64_t;
inline constexpr TRecordId NoRecord = 0;

// One record of a table: the device it owns and its identity.
template <typename TDevice>
struct TTableRecord {
  std::unique_ptr<TDevice> Device;
  TRecordId Id = NoRecord;
};

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

  // The identity of the record at Index; NoRecord outside the table.
  TRecordId LocoIdAt(int32_t Index) const;
  // Where the record is now; -1 once it has left the table.
  int32_t IndexOfLoco(TRecordId Id) const;
  TTableChanges& Changes() { return FChanges; }

  // Keeps a protocol alive as long as the table, for locos that have a
  // protocol of their own (e.g. read from the settings file). Returns it.
  TMoBaLocoProtocol* AdoptProtocol(std::unique_ptr<TMoBaLocoProtocol> Protocol);

private:
  // Declared first so that the locos, which refer to them, go before them.
  std::vector<std::unique_ptr<TMoBaLocoProtocol>> FProtocols;
  std::vector<TTableRecord<TMoBaAdvancedLoco>> FLocos;
  TRecordId FLastId = NoRecord;
  TTableChanges FChanges;
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

  // As their loco twins.
  TRecordId SolenoidIdAt(int32_t Index) const;
  int32_t IndexOfSolenoid(TRecordId Id) const;
  TTableChanges& Changes() { return FChanges; }

private:
  std::vector<TTableRecord<TMoBaAdvancedSolenoid>> FSolenoids;
  TRecordId FLastId = NoRecord;
  TTableChanges FChanges;
};

}  // namespace tenvarra
