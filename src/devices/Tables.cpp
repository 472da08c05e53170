#include "devices/Tables.h"

#include <algorithm>
#include <utility>

namespace tenvarra {

namespace {

template <typename T>
T* FindByAddress(const std::vector<std::unique_ptr<T>>& items, int32_t address) {
  const auto it = std::find_if(items.begin(), items.end(),
                               [address](const auto& item) { return item->Address() == address; });
  return it == items.end() ? nullptr : it->get();
}

template <typename T>
bool Add(std::vector<std::unique_ptr<T>>& items, std::unique_ptr<T>& item) {
  if (!item || FindByAddress(items, item->Address())) return false;
  items.push_back(std::move(item));
  return true;
}

template <typename T>
T* At(const std::vector<std::unique_ptr<T>>& items, int32_t index) {
  return index >= 0 && index < static_cast<int32_t>(items.size()) ? items[index].get() : nullptr;
}

template <typename T>
std::unique_ptr<T> Take(std::vector<std::unique_ptr<T>>& items, const T* item) {
  const auto it = std::find_if(items.begin(), items.end(),
                               [item](const auto& held) { return held.get() == item; });
  if (!item || it == items.end()) return nullptr;
  std::unique_ptr<T> taken = std::move(*it);
  items.erase(it);
  return taken;
}

}  // namespace

bool TLocoTable::AddLoco(std::unique_ptr<TMoBaAdvancedLoco>& Loco) { return Add(FLocos, Loco); }

TMoBaAdvancedLoco* TLocoTable::FindLocoByAddress(int32_t Address) const {
  return FindByAddress(FLocos, Address);
}

TMoBaAdvancedLoco* TLocoTable::LocoAt(int32_t Index) const { return At(FLocos, Index); }

bool TLocoTable::RemoveLoco(const TMoBaAdvancedLoco* Loco) {
  return Take(FLocos, Loco) != nullptr;  // the taken loco is destroyed here
}

TMoBaLocoProtocol* TLocoTable::AdoptProtocol(std::unique_ptr<TMoBaLocoProtocol> Protocol) {
  if (!Protocol) return nullptr;
  FProtocols.push_back(std::move(Protocol));
  return FProtocols.back().get();
}

bool TSolenoidTable::AddSolenoid(std::unique_ptr<TMoBaAdvancedSolenoid>& Solenoid) {
  return Add(FSolenoids, Solenoid);
}

TMoBaAdvancedSolenoid* TSolenoidTable::FindSolenoidByAddress(int32_t Address) const {
  return FindByAddress(FSolenoids, Address);
}

TMoBaAdvancedSolenoid* TSolenoidTable::SolenoidAt(int32_t Index) const {
  return At(FSolenoids, Index);
}

std::unique_ptr<TMoBaAdvancedSolenoid> TSolenoidTable::RemoveSolenoid(
    const TMoBaAdvancedSolenoid* Solenoid) {
  return Take(FSolenoids, Solenoid);
}

}  // namespace tenvarra
