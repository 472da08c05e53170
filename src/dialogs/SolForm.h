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
  void ItemChosen(int32_t Item) override;

private:
  TDeviceStore& FStore;
};

}  // namespace tenvarra
