#pragma once
// What the loco container knows of one loco the server reported on its bus:
// the device model's loco plus its report state, its bus and the time stamp
// of the last value report applied to it.

#include <cstdint>
#include <memory>

#include "client/Client.h"
#include "devices/Loco.h"

namespace tenvarra {

class TMoBaSRCPLoco : public TMoBaAdvancedLoco {
public:
  TMoBaSRCPState SRCPState() const { return FSRCPState; }
  void SetSRCPState(TMoBaSRCPState Value) { FSRCPState = Value; }
  int32_t Bus() const { return FBus; }
  void SetBus(int32_t Value) { FBus = Value; }
  // Seconds, as the server stamps its reports; a value report is applied
  // only when it is later than this.
  double TimeStamp() const { return FTimeStamp; }
  void SetTimeStamp(double Value) { FTimeStamp = Value; }

  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaSRCPLoco"; }

private:
  TMoBaSRCPState FSRCPState = mssTerminated;
  int32_t FBus = 0;
  double FTimeStamp = 0;
};

}  // namespace tenvarra
