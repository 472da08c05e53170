#pragma once
// One feedback contact of a bus as the railway client keeps it: the device
// model's contact with its bus and the time stamp of its stored value.

#include <cstdint>
#include <memory>

#include "devices/Feedback.h"

namespace tenvarra {

class TMoBaSRCPFeedback : public TMoBaBaseFeedback {
public:
  int32_t Bus() const { return FBus; }
  void SetBus(int32_t Value) { FBus = Value; }
  double TimeStamp() const { return FTimeStamp; }
  void SetTimeStamp(double Value) { FTimeStamp = Value; }

  std::unique_ptr<TMoBaBaseDevice> Create() const override;
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaSRCPFeedback"; }

private:
  int32_t FBus = 0;
  double FTimeStamp = 0;
};

}  // namespace tenvarra
