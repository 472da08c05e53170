#pragma once
// "Loco setup": the loco table one entry at a time (see TDeviceForm), with the
// eleven dialog protocols to choose from and the speed steps and function
// count of the loco shown. The caller writes loco.dat after it closes.

#include "dialogs/DeviceForm.h"

namespace tenvarra {

class TLocoTable;

class TLocoForm : public TDeviceForm {
public:
  explicit TLocoForm(TLocoTable& Table, QWidget* Parent = nullptr);

protected:
  void ShowDetails(int32_t Index) override;
  void ItemChosen(int32_t Item) override;

private:
  TLocoTable& FTable;
  QLabel* FSteps;
  QLabel* FFunctions;
};

}  // namespace tenvarra
