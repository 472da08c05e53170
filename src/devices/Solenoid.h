#pragma once
// Solenoids (accessory decoders): port values kept within a solenoid protocol,
// with an optional timer that switches the port off again.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/Device.h"

namespace tenvarra {

class TMoBaBaseSolenoid;

using TMoBaSolenoidEvent = std::function<void(TMoBaBaseSolenoid& Sender)>;
// Given when a port goes on: the receiver calls Callback once ActivationTime
// milliseconds have passed, on the thread that uses the solenoid. Callback
// refers to Sender, so it must not be called after Sender is destroyed.
using TMoBaTimerCallback = std::function<void(
    TMoBaBaseSolenoid& Sender, uint32_t ActivationTime, const std::function<void()>& Callback)>;

class TMoBaBaseSolenoid : public TMoBaBaseDevice {
public:
  // Starts with MaxPort + 1 ports, all 0.
  TMoBaBaseSolenoid();

  // The protocol when it is a solenoid protocol; another kind (set by Assign
  // from another device) gives the limits of none.
  const TMoBaSolenoidProtocol* SolenoidProtocol() const;
  // Stores a different protocol and applies its limits at once (Validate).
  void SetProtocol(const TMoBaSolenoidProtocol* Protocol) { ChangeProtocol(Protocol); }

  int32_t MaxPort() const;    // 1 without protocol
  int32_t MaxAction() const;  // MoBaNoLimit without protocol

  uint32_t ActivationTime() const { return FActivationTime; }
  void SetActivationTime(uint32_t Value) { FActivationTime = Value; }
  // The port set last.
  int32_t ActivePort() const { return FActivePort; }
  void SetActivePort(int32_t Value) { FActivePort = Value; }

  int32_t PortCount() const { return static_cast<int32_t>(FPortValues.size()); }
  // A port outside 0 .. PortCount-1 reads as 0.
  int32_t PortValue(int32_t Port) const;
  // Ignores a port outside 0 .. PortCount-1; clamps Value to 0 .. MaxAction,
  // makes Port the active one and, for a value other than 0, calls OnActivation.
  void SetPortValue(int32_t Port, int32_t Value);

  // Puts the active port (the one set last, not necessarily the one that was
  // switched on) back to 0, then calls OnActionOff.
  void SwitchOff();

  TMoBaTimerCallback OnActivation;
  TMoBaSolenoidEvent OnActionOff;

  void Validate() override;
  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaBaseSolenoid"; }

private:
  void ApplyPortRule();

  uint32_t FActivationTime = 200;
  int32_t FActivePort = 0;
  std::vector<int32_t> FPortValues;
};

class TMoBaAdvancedSolenoid : public TMoBaBaseSolenoid {
public:
  bool Locked() const { return FLocked; }
  void SetLocked(bool Value) { FLocked = Value; }
  int32_t LockID() const { return FLockID; }
  void SetLockID(int32_t Value) { FLockID = Value; }
  const std::string& Description() const { return FDescription; }
  void SetDescription(std::string Value) { FDescription = std::move(Value); }

  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaAdvancedSolenoid"; }

private:
  bool FLocked = false;
  int32_t FLockID = 0;
  std::string FDescription;
};

}  // namespace tenvarra
