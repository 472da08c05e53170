#pragma once
// Locos: speed step, drive mode and functions kept within a loco protocol.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/Device.h"

namespace tenvarra {

enum TMoBaDriveMode : uint8_t {
  mdmForward,
  mdmBackwards,
  mdmChange,
  mdmEmergencyStop,
  mdmNext,
  mdmInvalid,
};

// The display text of a mode; values past mdmInvalid read as "Invalid".
const char* DriveModeName(TMoBaDriveMode Mode);

class TMoBaBaseLoco : public TMoBaBaseDevice {
public:
  // Starts with MaxFunctions functions, all off.
  TMoBaBaseLoco();

  // The protocol when it is a loco protocol; a loco given another kind of
  // protocol (by Assign from another device) has the limits of none.
  const TMoBaLocoProtocol* LocoProtocol() const;
  // Stores a different protocol and applies its limits at once (Validate),
  // which also resets FunctionCount to the new MaxFunctions.
  void SetProtocol(const TMoBaLocoProtocol* Protocol) { ChangeProtocol(Protocol); }

  int32_t MaxFunctions() const;  // 255 without protocol
  int32_t MaxSteps() const;      // MoBaNoLimit without protocol
  int32_t MinSteps() const;      // 0 without protocol

  int32_t FunctionCount() const { return static_cast<int32_t>(FFunctions.size()); }
  // min(Value, MaxFunctions), never below 0; kept functions keep their state.
  void SetFunctionCount(int32_t Value);
  // Indexes outside 0 .. FunctionCount-1 read as off and are not written.
  bool FunctionState(int32_t Index) const;
  void SetFunctionState(int32_t Index, bool Value);

  int32_t SpeedStep() const { return FSpeedStep; }
  // Clamped to MinSteps .. MaxSteps (MaxSteps wins when they cross).
  void SetSpeedStep(int32_t Value);

  TMoBaDriveMode DriveMode() const { return FDriveMode; }
  void SetDriveMode(TMoBaDriveMode Value);
  // The last of mdmForward and mdmBackwards that was set.
  TMoBaDriveMode LastDirection() const { return FLastDirection; }

  void Validate() override;
  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaBaseLoco"; }

private:
  std::vector<bool> FFunctions;
  int32_t FSpeedStep = 0;
  TMoBaDriveMode FDriveMode = mdmForward;
  TMoBaDriveMode FLastDirection = mdmForward;
};

class TMoBaAdvancedLoco : public TMoBaBaseLoco {
public:
  bool Locked() const { return FLocked; }
  void SetLocked(bool Value) { FLocked = Value; }
  int32_t LockID() const { return FLockID; }
  void SetLockID(int32_t Value) { FLockID = Value; }
  const std::string& Description() const { return FDescription; }
  void SetDescription(std::string Value) { FDescription = std::move(Value); }

  // The value of Speed at MaxSteps; never below 1. Lowers Speed to it.
  int32_t MaxSpeed() const { return FMaxSpeed; }
  void SetMaxSpeed(int32_t Value);

  // SpeedStep scaled to 0 .. MaxSpeed, rounded half to even; 0 while MaxSteps
  // is below 1.
  int32_t Speed() const;
  // Clamps to 0 .. MaxSpeed and sets the nearest SpeedStep (half to even).
  void SetSpeed(int32_t Value);

  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaAdvancedLoco"; }

private:
  bool FLocked = false;
  int32_t FMaxSpeed = 100;
  int32_t FLockID = 0;
  std::string FDescription;
};

// Numerator / Denominator (Denominator > 0) to the nearest integer, halves to
// the even neighbour; exact for every 64-bit input.
int64_t RoundHalfEvenDiv(int64_t Numerator, int64_t Denominator);

}  // namespace tenvarra
