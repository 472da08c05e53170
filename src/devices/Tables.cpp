#include "devices/Tables.h"

#include <algorithm>
#include <utility>

namespace tenvarra {

namespace {

template <typename T>
using TRecords = std::vector<TTableRecord<T>>;

template <typename T>
T* FindByAddress(const TRecords<T>& records, int32_t address) {
  const auto it = std::find_if(records.begin(), records.end(),
                               [address](const auto& record) { return record.Device->Address() == address; });
  return it == records.end() ? nullptr : it->Device.get();
}

template <typename T>
bool Add(TRecords<T>& records, std::unique_ptr<T>& item, TRecordId& lastId, TTableChanges& changes) {
  if (!item || FindByAddress(records, item->Address())) return false;
  records.push_back({std::move(item), ++lastId});
  changes.Tell();
  return true;
}

template <typename T>
bool Inside(const TRecords<T>& records, int32_t index) {
  return index >= 0 && index < static_cast<int32_t>(records.size());
}

template <typename T>
int32_t IndexOf(const TRecords<T>& records, TRecordId id) {
  const auto it = std::find_if(records.begin(), records.end(), [id](const auto& record) { return record.Id == id; });
  return id == NoRecord || it == records.end() ? -1 : static_cast<int32_t>(it - records.begin());
}

template <typename T>
std::unique_ptr<T> Take(TRecords<T>& records, const T* item, TTableChanges& changes) {
  const auto it = std::find_if(records.begin(), records.end(),
                               [item](const auto& record) { return record.Device.get() == item; });
  if (!item || it == records.end()) return nullptr;
  std::unique_ptr<T> taken = std::move(it->Device);
  records.erase(it);
  changes.Tell();
  return taken;
}

}  // namespace

bool TLocoTable::AddLoco(std::unique_ptr<TMoBaAdvancedLoco>& Loco) { return Add(FLocos, Loco, FLastId, FChanges); }

TMoBaAdvancedLoco* TLocoTable::FindLocoByAddress(int32_t Address) const {
  return FindByAddress(FLocos, Address);
}

TMoBaAdvancedLoco* TLocoTable::LocoAt(int32_t Index) const {
  return Inside(FLocos, Index) ? FLocos[Index].Device.get() : nullptr;
}

bool TLocoTable::RemoveLoco(const TMoBaAdvancedLoco* Loco) {
  return Take(FLocos, Loco, FChanges) != nullptr;  // the taken loco is destroyed here
}

TRecordId TLocoTable::LocoIdAt(int32_t Index) const { return Inside(FLocos, Index) ? FLocos[Index].Id : NoRecord; }

int32_t TLocoTable::IndexOfLoco(TRecordId Id) const { return IndexOf(FLocos, Id); }

TMoBaLocoProtocol* TLocoTable::AdoptProtocol(std::unique_ptr<TMoBaLocoProtocol> Protocol) {
  if (!Protocol) return nullptr;
  FProtocols.push_back(std::move(Protocol));
  return FProtocols.back().get();
}

bool TSolenoidTable::AddSolenoid(std::unique_ptr<TMoBaAdvancedSolenoid>& Solenoid) {
  return Add(FSolenoids, Solenoid, FLastId, FChanges);
}

TMoBaAdvancedSolenoid* TSolenoidTable::FindSolenoidByAddress(int32_t Address) const {
  return FindByAddress(FSolenoids, Address);
}

TMoBaAdvancedSolenoid* TSolenoidTable::SolenoidAt(int32_t Index) const {
  return Inside(FSolenoids, Index) ? FSolenoids[Index].Device.get() : nullptr;
}

std::unique_ptr<TMoBaAdvancedSolenoid> TSolenoidTable::RemoveSolenoid(const TMoBaAdvancedSolenoid* Solenoid) {
  return Take(FSolenoids, Solenoid, FChanges);
}

TRecordId TSolenoidTable::SolenoidIdAt(int32_t Index) const {
  return Inside(FSolenoids, Index) ? FSolenoids[Index].Id : NoRecord;
}

int32_t TSolenoidTable::IndexOfSolenoid(TRecordId Id) const { return IndexOf(FSolenoids, Id); }

}  // namespace tenvarra
