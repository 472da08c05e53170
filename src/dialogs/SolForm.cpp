#include "dialogs/SolForm.h"

#include "dialogs/UpDown.h"
#include "shell/DeviceStore.h"

namespace tenvarra {

namespace {

const TMoBaAdvancedSolenoid& AsSolenoid(const TMoBaBaseDevice& Device) {
  return static_cast<const TMoBaAdvancedSolenoid&>(Device);
}

}  // namespace

TSolForm::TSolForm(TDeviceStore& Store, QWidget* Parent)
    : TDeviceForm({"Solenoid setup", "Solenoid Number:", "Address",
                   "-----------------------------------------------",
                   {QString::fromUtf8("Märklin/ Motorola "), QStringLiteral("NMRA/DCC ")}, 2,
                   "create Solenoid", "delete Solenoid"},
                  Parent),
      FStore(Store) {}

int32_t TSolForm::Count() const { return FStore.SolenoidTable().SolenoidCount(); }

const TMoBaBaseDevice* TSolForm::At(int32_t Index) const {
  return FStore.SolenoidTable().SolenoidAt(Index);
}

const TMoBaBaseDevice* TSolForm::Find(int32_t Address) const {
  return FStore.SolenoidTable().FindSolenoidByAddress(Address);
}

void TSolForm::Remove(const TMoBaBaseDevice& Device) {
  // The table hands the solenoid back; nothing else refers to it.
  FStore.SolenoidTable().RemoveSolenoid(&AsSolenoid(Device));
}

std::unique_ptr<TMoBaBaseDevice> TSolForm::Build(int32_t Item, int32_t Address) const {
  auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
  solenoid->SetProtocol(Item == 0 ? &FStore.MotorolaSolenoidProtocol()
                                  : &FStore.NmraAccessoryProtocol());
  solenoid->SetAddress(Address);
  return solenoid;
}

void TSolForm::Append(std::unique_ptr<TMoBaBaseDevice> Device) {
  std::unique_ptr<TMoBaAdvancedSolenoid> solenoid(
      static_cast<TMoBaAdvancedSolenoid*>(Device.release()));
  FStore.SolenoidTable().AddSolenoid(solenoid);
}

int32_t TSolForm::ItemOf(const TMoBaBaseDevice& Device) const {
  const TMoBaBaseProtocol* p = Device.Protocol();
  if (!p) return -1;
  if (p->Base == MoBaBaseMotorola) return 0;
  if (p->Base == MoBaBaseNmra) return 1;
  return -1;
}

void TSolForm::ItemChosen(int32_t Item) {
  // The up-down buttons reach the chosen protocol's highest address.
  AddressUpDown().SetMax(Item == 0 ? FStore.MotorolaSolenoidProtocol().MaxAddress
                                   : FStore.NmraAccessoryProtocol().MaxAddress);
}

}  // namespace tenvarra
