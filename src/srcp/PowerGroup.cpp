#include "srcp/PowerGroup.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCustomPower::TSRCPCustomPower() : TSRCPBaseDeviceGroup(dgPower) {}

void TSRCPCustomPower::ReadValues(TSRCPCmd& Msg) {
  TSRCPBaseDeviceGroup::ReadValues(Msg);
  FPowerOn = Msg.Power().PowerOn;
}

void TSRCPCustomPower::FillGet() { Cmd().Power().PowerOn = FPowerOn; }
void TSRCPCustomPower::FillSet() {
  // The SET repeated after a refusal asks again for what the first one asked
  // for: the GET in between has read the server's state into FPowerOn, and
  // sending that back would report a switch that never happened as done.
  if (SetRetry())
    FPowerOn = FRequestedPowerOn;
  else
    FRequestedPowerOn = FPowerOn;
  Cmd().Power().PowerOn = FPowerOn;
}

}  // namespace tenvarra
