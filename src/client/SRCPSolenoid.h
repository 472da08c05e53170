#pragma once
// What the accessory container knows of one solenoid the server reported on
// its bus: the device model's solenoid plus its report state, its bus and one
// time stamp per port, so an older report never overwrites a newer one.

#include <cstdint>
#include <memory>
#include <vector>

#include "client/Client.h"
#include "devices/Solenoid.h"

namespace tenvarra {

class TMoBaSRCPSolenoid : public TMoBaAdvancedSolenoid {
public:
  TMoBaSRCPState SRCPState() const { return FSRCPState; }
  void SetSRCPState(TMoBaSRCPState Value) { FSRCPState = Value; }
  int32_t Bus() const { return FBus; }
  void SetBus(int32_t Value) { FBus = Value; }

  // One entry per port; they follow the port count whenever it changes
  // (protocol change, Assign), new ports starting at 0.
  const std::vector<double>& PortTimeStamps() const;
  // 0 for a port the solenoid does not have.
  double PortTimeStamp(int32_t Port) const;
  // Ignored for a port the solenoid does not have.
  void SetPortTimeStamp(int32_t Port, double Value);

  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  // The time stamps stay with each record; they describe what this record
  // has seen, not the solenoid.
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaSRCPSolenoid"; }

private:
  // Assign into this object copies the port array without telling it, so the
  // stamps are fitted on every access rather than only in Validate.
  void FitPortTimeStamps() const;

  TMoBaSRCPState FSRCPState = mssTerminated;
  int32_t FBus = 0;
  mutable std::vector<double> FPortTimeStamps;
};

}  // namespace tenvarra
