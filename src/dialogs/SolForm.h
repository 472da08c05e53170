#pragma once
// "Solenoid setup": the solenoid table one entry at a time (see TDeviceForm),
// with the two solenoid protocols to choose from. The caller writes loco.dat
// after it closes.

#include "dialogs/DeviceForm.h"

namespace tenvarra {

class TDeviceStore;

class TSolForm : public TDeviceForm {
public:
  explicit TSolForm(TDeviceStore& Store, QWidget* Parent = nullptr);

protected:
  int32_t Count() const override;
  const TMoBaBaseDevice* At(int32_t Index) const override;
  const TMoBaBaseDevice* Find(int32_t Address) const override;
  void Remove(const TMoBaBaseDevice& Device) override;
  std::unique_ptr<TMoBaBaseDevice> Build(int32_t Item, int32_t Address) const override;
  void Append(std::unique_ptr<TMoBaBaseDevice> Device) override;
  int32_t ItemOf(const TMoBaBaseDevice& Device) const override;
  void ItemChosen(int32_t Item) override;

private:
  TDeviceStore& FStore;
};

}  // namespace tenvarra
