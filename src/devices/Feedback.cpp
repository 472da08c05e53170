#include "devices/Feedback.h"

namespace tenvarra {

int32_t TMoBaBaseFeedback::Value() {
  FState &= ~(HasChangedFlag | WasActivFlag);
  return FValue;
}

void TMoBaBaseFeedback::SetValue(int32_t Value) {
  if (Value != FValue) {
    if (FValue != 0 && HasChanged()) FState |= WasActivFlag;
    FState |= HasChangedFlag | ChangedStateFlag;
  } else {
    FState &= ~ChangedStateFlag;
  }
  FValue = Value;
}

std::unique_ptr<TMoBaBaseDevice> TMoBaBaseFeedback::Create() const {
  return std::make_unique<TMoBaBaseFeedback>();
}

void TMoBaBaseFeedback::AssignTo(TPersistent& Dest) const {
  TMoBaBaseDevice::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaBaseFeedback*>(&Dest);
  if (!dest) return;
  dest->FValue = FValue;
  dest->FState = FState;
}

}  // namespace tenvarra
