#include "devices/Solenoid.h"

#include <algorithm>

namespace tenvarra {

namespace {

constexpr int32_t MaxPortWithoutProtocol = 1;

}  // namespace

TMoBaBaseSolenoid::TMoBaBaseSolenoid() { ApplyPortRule(); }

const TMoBaSolenoidProtocol* TMoBaBaseSolenoid::SolenoidProtocol() const {
  return Protocol() ? Protocol()->AsSolenoidProtocol() : nullptr;
}

int32_t TMoBaBaseSolenoid::MaxPort() const {
  const TMoBaSolenoidProtocol* protocol = SolenoidProtocol();
  return protocol ? protocol->MaxPort : MaxPortWithoutProtocol;
}

int32_t TMoBaBaseSolenoid::MaxAction() const {
  const TMoBaSolenoidProtocol* protocol = SolenoidProtocol();
  return protocol ? protocol->MaxValue : MoBaNoLimit;
}

int32_t TMoBaBaseSolenoid::PortValue(int32_t Port) const {
  return Port >= 0 && Port < PortCount() ? FPortValues[Port] : 0;
}

void TMoBaBaseSolenoid::SetPortValue(int32_t Port, int32_t Value) {
  if (Port < 0 || Port >= PortCount()) return;
  if (Value > MaxAction()) Value = MaxAction();
  if (Value < 0) Value = 0;
  FPortValues[Port] = Value;
  FActivePort = Port;
  if (Value != 0 && OnActivation) OnActivation(*this, FActivationTime, [this] { SwitchOff(); });
}

void TMoBaBaseSolenoid::SwitchOff() {
  // The active port may have been set out of range by a caller or an Assign.
  if (FActivePort >= 0 && FActivePort < PortCount()) FPortValues[FActivePort] = 0;
  if (OnActionOff) OnActionOff(*this);
}

void TMoBaBaseSolenoid::ApplyPortRule() {
  const int64_t wanted = int64_t{MaxPort()} + 1;
  FPortValues.resize(static_cast<std::size_t>(std::clamp<int64_t>(wanted, 0, MoBaMaxDeviceSlots)),
                     0);
  const int32_t maxAction = MaxAction();
  for (int32_t& value : FPortValues) value = std::min(value, maxAction);
}

void TMoBaBaseSolenoid::Validate() {
  TMoBaBaseDevice::Validate();
  ApplyPortRule();
}

std::unique_ptr<TMoBaBaseDevice> TMoBaBaseSolenoid::Create() const {
  return std::make_unique<TMoBaBaseSolenoid>();
}

void TMoBaBaseSolenoid::AssignTo(TPersistent& Dest) const {
  TMoBaBaseDevice::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaBaseSolenoid*>(&Dest);
  if (!dest || dest == this) return;
  dest->FActivationTime = FActivationTime;
  dest->FPortValues = FPortValues;
  dest->FActivePort = FActivePort;
  dest->OnActivation = OnActivation;
  dest->OnActionOff = OnActionOff;
}

std::unique_ptr<TMoBaBaseDevice> TMoBaAdvancedSolenoid::Create() const {
  return std::make_unique<TMoBaAdvancedSolenoid>();
}

void TMoBaAdvancedSolenoid::AssignTo(TPersistent& Dest) const {
  TMoBaBaseSolenoid::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaAdvancedSolenoid*>(&Dest);
  if (!dest || dest == this) return;
  dest->FDescription = FDescription;
  dest->FLocked = FLocked;
  dest->FLockID = FLockID;
}

}  // namespace tenvarra
