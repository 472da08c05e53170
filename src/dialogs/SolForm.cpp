#include "dialogs/SolForm.h"

#include "dialogs/UpDown.h"
#include "shell/DeviceStore.h"
#include "shell/EditedTables.h"

namespace tenvarra {

TSolForm::TSolForm(TDeviceStore& Store, QWidget* Parent)
    : TDeviceForm({"Solenoid setup", "Solenoid Number:", "Address",
                   "-----------------------------------------------",
                   {QString::fromUtf8("Märklin/ Motorola "), QStringLiteral("NMRA/DCC ")},
                   "create Solenoid", "delete Solenoid"},
                  std::make_unique<TEditedSolenoidTable>(Store), Parent),
      FStore(Store) {}

void TSolForm::ItemChosen(int32_t Item) {
  // The up-down buttons reach the chosen protocol's highest address.
  AddressUpDown().SetMax(Item == 0 ? FStore.MotorolaSolenoidProtocol().MaxAddress
                                   : FStore.NmraAccessoryProtocol().MaxAddress);
}

}  // namespace tenvarra
