#pragma once
// The loco and the solenoid table as the device editor edits them, each with
// the protocols offered for it: the eleven dialog protocols for locos, the
// two solenoid protocols (0 Motorola, 1 NMRA) for solenoids.

#include <memory>

#include "devices/Solenoid.h"
#include "shell/DeviceEditor.h"

namespace tenvarra {

class TDeviceStore;
class TLocoTable;

class TEditedLocoTable final : public TEditedTable {
public:
  explicit TEditedLocoTable(TLocoTable& Table) : FTable(Table) {}

  int32_t Count() const override;
  const TMoBaBaseDevice* At(int32_t Index) const override;
  TRecordId IdAt(int32_t Index) const override;
  int32_t IndexOf(TRecordId Id) const override;
  TRecordId Find(int32_t Address) const override;
  void RemoveAt(int32_t Index) override;
  TTableListening Listen(std::function<void()> Listener) override;
  int32_t ItemCount() const override;
  int32_t ItemOf(int32_t Index) const override;
  int32_t RuledAddress(int32_t Item, int32_t Address) const override;
  bool Append(int32_t Item, int32_t Address) override;

private:
  TLocoTable& FTable;
};

class TEditedSolenoidTable final : public TEditedTable {
public:
  explicit TEditedSolenoidTable(TDeviceStore& Store) : FStore(Store) {}

  int32_t Count() const override;
  const TMoBaBaseDevice* At(int32_t Index) const override;
  TRecordId IdAt(int32_t Index) const override;
  int32_t IndexOf(TRecordId Id) const override;
  TRecordId Find(int32_t Address) const override;
  void RemoveAt(int32_t Index) override;
  TTableListening Listen(std::function<void()> Listener) override;
  int32_t ItemCount() const override { return 2; }
  int32_t ItemOf(int32_t Index) const override;
  int32_t RuledAddress(int32_t Item, int32_t Address) const override;
  bool Append(int32_t Item, int32_t Address) override;

private:
  // A solenoid of Item's protocol with Address through the address rule.
  std::unique_ptr<TMoBaAdvancedSolenoid> NewSolenoid(int32_t Item, int32_t Address) const;

  TDeviceStore& FStore;
};

}  // namespace tenvarra
