#pragma once
// "Loco setup": the loco table one entry at a time (see TDeviceForm), with the
// eleven dialog protocols to choose from and the speed steps and function
// count of the loco shown. The caller writes loco.dat after it closes.

#include "dialogs/DeviceForm.h"

namespace tenvarra {

class TDeviceStore;
class TLocoTable;

class TLocoForm : public TDeviceForm {
public:
  explicit TLocoForm(TDeviceStore& Store, QWidget* Parent = nullptr);

protected:
  int32_t Count() const override;
  const TMoBaBaseDevice* At(int32_t Index) const override;
  const TMoBaBaseDevice* Find(int32_t Address) const override;
  void Remove(const TMoBaBaseDevice& Device) override;
  std::unique_ptr<TMoBaBaseDevice> Build(int32_t Item, int32_t Address) const override;
  void Append(std::unique_ptr<TMoBaBaseDevice> Device) override;
  int32_t ItemOf(const TMoBaBaseDevice& Device) const override;
  void ShowDetails(const TMoBaBaseDevice& Device) override;
  void ItemChosen(int32_t Item) override;

private:
  TLocoTable& FTable;
  QLabel* FSteps;
  QLabel* FFunctions;
};

}  // namespace tenvarra
