#include "srcp/PowerGroup.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCustomPower::TSRCPCustomPower() : TSRCPBaseDeviceGroup(dgPower) {}

void TSRCPCustomPower::ReadValues(TSRCPCmd& Msg) {
  TSRCPBaseDeviceGroup::ReadValues(Msg);
  FPowerOn = Msg.Power().PowerOn;
}

void TSRCPCustomPower::FillGet() { Cmd().Power().PowerOn = FPowerOn; }
void TSRCPCustomPower::FillSet() { Cmd().Power().PowerOn = FPowerOn; }

}  // namespace tenvarra
