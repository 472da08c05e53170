#pragma once
// Everything that loco.dat keeps: the settings, the loco and solenoid tables,
// and the two solenoid protocols every solenoid refers to.

#include <memory>

#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "shell/Settings.h"

namespace tenvarra {

class TDeviceStore {
public:
  TDeviceStore()
      : FMotorola(CreateMotorolaSolenoidProtocol()), FNmra(CreateNmraAccessoryProtocol()) {}
  TDeviceStore(const TDeviceStore&) = delete;
  TDeviceStore& operator=(const TDeviceStore&) = delete;

  TSettings Settings;

  TMoBaSolenoidProtocol& MotorolaSolenoidProtocol() { return *FMotorola; }
  TMoBaSolenoidProtocol& NmraAccessoryProtocol() { return *FNmra; }
  const TMoBaSolenoidProtocol& MotorolaSolenoidProtocol() const { return *FMotorola; }
  const TMoBaSolenoidProtocol& NmraAccessoryProtocol() const { return *FNmra; }

  TLocoTable& LocoTable() { return FLocos; }
  TSolenoidTable& SolenoidTable() { return FSolenoids; }
  const TLocoTable& LocoTable() const { return FLocos; }
  const TSolenoidTable& SolenoidTable() const { return FSolenoids; }

private:
  // The protocols are declared before the tables: solenoids refer to them.
  std::unique_ptr<TMoBaSolenoidProtocol> FMotorola;
  std::unique_ptr<TMoBaSolenoidProtocol> FNmra;
  TLocoTable FLocos;
  TSolenoidTable FSolenoids;
};

}  // namespace tenvarra
