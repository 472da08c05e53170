#pragma once
// Feedback contacts: a value whose changes are remembered until it is read.

#include <cstdint>
#include <memory>

#include "devices/Device.h"

namespace tenvarra {

class TMoBaBaseFeedback : public TMoBaBaseDevice {
public:
  // Bits of State().
  static constexpr uint32_t WasActivFlag = 2;
  static constexpr uint32_t HasChangedFlag = 4;
  static constexpr uint32_t ChangedStateFlag = 8;

  // Reading consumes the change: clears HasChanged and WasActiv.
  int32_t Value();
  // A new value sets HasChanged and ChangedState (and WasActiv when an active
  // value is left before the previous change was read); the same value clears
  // ChangedState.
  void SetValue(int32_t Value);

  // Value() != 0, so it consumes the change as well.
  bool Activ() { return Value() != 0; }
  void SetActiv(bool Value) { SetValue(Value ? 1 : 0); }

  // The stored value and the flags, without touching them.
  int32_t IsActiv() const { return FValue; }
  bool WasActiv() const { return (FState & WasActivFlag) != 0; }
  bool HasChanged() const { return (FState & HasChangedFlag) != 0; }
  bool ChangedState() const { return (FState & ChangedStateFlag) != 0; }
  uint32_t State() const { return FState; }

  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaBaseFeedback"; }

private:
  int32_t FValue = 0;
  uint32_t FState = 0;
};

}  // namespace tenvarra
