#include "devices/Loco.h"

#include <algorithm>
#include <array>

namespace tenvarra {

namespace {

constexpr int32_t FunctionsWithoutProtocol = 255;

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

const char* DriveModeName(TMoBaDriveMode Mode) {
  static constexpr std::array<const char*, 6> names{
      "Forward", "Backwards", "Change", "Emergency Stop", "Automatic change", "Invalid"};
  return Mode < names.size() ? names[Mode] : names[mdmInvalid];
}

int64_t RoundHalfEvenDiv(int64_t Numerator, int64_t Denominator) {
  int64_t quotient = Numerator / Denominator;
  int64_t remainder = Numerator % Denominator;
  if (remainder < 0) {  // floor division, so that 0 <= remainder < Denominator
    --quotient;
    remainder += Denominator;
  }
  const int64_t rest = Denominator - remainder;  // compared instead of doubled: no overflow
  if (remainder > rest || (remainder == rest && quotient % 2 != 0)) ++quotient;
  return quotient;
}

// --- TMoBaBaseLoco -----------------------------------------------------------

TMoBaBaseLoco::TMoBaBaseLoco() { SetFunctionCount(MaxFunctions()); }

const TMoBaLocoProtocol* TMoBaBaseLoco::LocoProtocol() const {
  return Protocol() ? Protocol()->AsLocoProtocol() : nullptr;
}

int32_t TMoBaBaseLoco::MaxFunctions() const {
  const TMoBaLocoProtocol* protocol = LocoProtocol();
  return protocol ? protocol->MaxFunctions : FunctionsWithoutProtocol;
}

int32_t TMoBaBaseLoco::MaxSteps() const {
  const TMoBaLocoProtocol* protocol = LocoProtocol();
  return protocol ? protocol->MaxSteps : MoBaNoLimit;
}

int32_t TMoBaBaseLoco::MinSteps() const {
  const TMoBaLocoProtocol* protocol = LocoProtocol();
  return protocol ? protocol->MinSteps : 0;
}

void TMoBaBaseLoco::SetFunctionCount(int32_t Value) {
  FFunctions.resize(std::clamp(std::min(Value, MaxFunctions()), 0, MoBaMaxDeviceSlots), false);
}

bool TMoBaBaseLoco::FunctionState(int32_t Index) const {
  return Index >= 0 && Index < FunctionCount() && FFunctions[Index];
}

void TMoBaBaseLoco::SetFunctionState(int32_t Index, bool Value) {
  if (Index >= 0 && Index < FunctionCount()) FFunctions[Index] = Value;
}

void TMoBaBaseLoco::SetSpeedStep(int32_t Value) {
  if (Value > MaxSteps())
    FSpeedStep = MaxSteps();
  else if (Value < MinSteps())
    FSpeedStep = MinSteps();
  else
    FSpeedStep = Value;
}

void TMoBaBaseLoco::SetDriveMode(TMoBaDriveMode Value) {
  switch (Value) {
    case mdmForward:
    case mdmBackwards:
      FDriveMode = Value;
      FLastDirection = Value;
      break;
    case mdmNext:
      if (FDriveMode == mdmForward)
        SetDriveMode(mdmBackwards);
      else if (FDriveMode == mdmBackwards)
        SetDriveMode(mdmForward);
      else
        FDriveMode = FLastDirection;  // restore the direction, do not flip it
      break;
    default:  // mdmChange, mdmEmergencyStop, mdmInvalid and anything past it
      FDriveMode = Value;
      break;
  }
}

void TMoBaBaseLoco::Validate() {
  TMoBaBaseDevice::Validate();
  SetSpeedStep(FSpeedStep);
  SetFunctionCount(MaxFunctions());
}

std::unique_ptr<TMoBaBaseDevice> TMoBaBaseLoco::Create() const {
  return std::make_unique<TMoBaBaseLoco>();
}

void TMoBaBaseLoco::AssignTo(TPersistent& Dest) const {
  TMoBaBaseDevice::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaBaseLoco*>(&Dest);
  if (!dest || dest == this) return;
  dest->SetFunctionCount(FunctionCount());
  const int32_t shared = std::min(FunctionCount(), dest->FunctionCount());
  for (int32_t i = 0; i < shared; ++i) dest->FFunctions[i] = FFunctions[i];
  dest->FSpeedStep = FSpeedStep;
  dest->FDriveMode = FDriveMode;
  dest->FLastDirection = FLastDirection;
}

// --- TMoBaAdvancedLoco -------------------------------------------------------

void TMoBaAdvancedLoco::SetMaxSpeed(int32_t Value) {
  FMaxSpeed = Value >= 1 ? Value : 1;
  if (Speed() > FMaxSpeed) SetSpeed(FMaxSpeed);
}

int32_t TMoBaAdvancedLoco::Speed() const {
  const int32_t steps = MaxSteps();
  if (steps < 1) return 0;
  return ClampToInt32(RoundHalfEvenDiv(int64_t{SpeedStep()} * FMaxSpeed, steps));
}

void TMoBaAdvancedLoco::SetSpeed(int32_t Value) {
  const int32_t speed = std::clamp(Value, 0, FMaxSpeed);
  SetSpeedStep(ClampToInt32(RoundHalfEvenDiv(int64_t{MaxSteps()} * speed, FMaxSpeed)));
}

std::unique_ptr<TMoBaBaseDevice> TMoBaAdvancedLoco::Create() const {
  return std::make_unique<TMoBaAdvancedLoco>();
}

void TMoBaAdvancedLoco::AssignTo(TPersistent& Dest) const {
  TMoBaBaseLoco::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaAdvancedLoco*>(&Dest);
  if (!dest || dest == this) return;
  dest->FMaxSpeed = FMaxSpeed;
  dest->FDescription = FDescription;
  dest->FLocked = FLocked;
  dest->FLockID = FLockID;
}

}  // namespace tenvarra
