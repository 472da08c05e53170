#include "devices/Device.h"

namespace tenvarra {

void TMoBaBaseDevice::SetAddress(int32_t Value) {
  if (FProtocol && Value > FProtocol->MaxAddress)
    FAddress = FProtocol->MaxAddress;
  else
    FAddress = Value > 0 ? Value : 1;
}

int32_t TMoBaBaseDevice::MaxAddress() const {
  return FProtocol ? FProtocol->MaxAddress : MoBaNoLimit;
}

void TMoBaBaseDevice::Validate() { SetAddress(FAddress); }

std::unique_ptr<TMoBaBaseDevice> TMoBaBaseDevice::Create() const {
  return std::make_unique<TMoBaBaseDevice>();
}

std::unique_ptr<TMoBaBaseDevice> TMoBaBaseDevice::Clone() const {
  auto copy = Create();
  copy->Assign(*this);
  return copy;
}

void TMoBaBaseDevice::AssignTo(TPersistent& Dest) const {
  auto* dest = dynamic_cast<TMoBaBaseDevice*>(&Dest);
  if (!dest) {
    TPersistent::AssignTo(Dest);
    return;
  }
  dest->FAddress = FAddress;
  dest->FProtocol = FProtocol;
}

void TMoBaBaseDevice::ChangeProtocol(const TMoBaBaseProtocol* Protocol) {
  if (Protocol == FProtocol) return;
  FProtocol = Protocol;
  Validate();
}

}  // namespace tenvarra
