#include "srcp/LocoGroup.h"

#include <algorithm>

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCustomLoco::TSRCPCustomLoco() : TSRCPAddressedDeviceGroup(dgLoco) {}

int32_t TSRCPCustomLoco::GetFunction(int32_t Index) const {
  return Index >= 0 && Index < FunctionCount() ? FFunctions[static_cast<std::size_t>(Index)] : -1;
}

void TSRCPCustomLoco::SetFunction(int32_t Index, int32_t Value) {
  if (Index >= 0 && Index < FunctionCount()) FFunctions[static_cast<std::size_t>(Index)] = Value;
}

void TSRCPCustomLoco::SetFunctionCount(int32_t Count) {
  FFunctions.resize(static_cast<std::size_t>(std::clamp(Count, 0, TSRCPDeviceLoco::MaxFunctions)));
}

void TSRCPCustomLoco::ReadValues(TSRCPCmd& Msg) {
  TSRCPAddressedDeviceGroup::ReadValues(Msg);
  const TSRCPDeviceLoco& loco = Msg.Loco();
  SetAddress(Msg.Address);
  DriveMode = loco.DriveMode;
  ReportedSpeed = loco.ReportedSpeed;
  SpeedSteps = loco.SpeedSteps;
  FFunctions = loco.Functions();
}

void TSRCPCustomLoco::ReadInit(TSRCPCmd& Msg) {
  TSRCPAddressedDeviceGroup::ReadInit(Msg);
  const TSRCPDeviceLoco& loco = Msg.Loco();
  SetAddress(Msg.Address);
  Protocol = loco.Protocol;
  ProtocolVersion = loco.ProtocolVersion;
  SpeedSteps = loco.SpeedSteps;
  SetFunctionCount(loco.FunctionCount());
}

void TSRCPCustomLoco::FillSet() {
  TSRCPAddressedDeviceGroup::FillSet();
  TSRCPDeviceLoco& loco = Cmd().Loco();
  loco.DriveMode = DriveMode;
  loco.Speed = Speed;
  loco.MaxSpeed = MaxSpeed;
  loco.SetFunctionCount(FunctionCount());
  for (int32_t i = 0; i < FunctionCount(); ++i) loco.SetFunction(i, GetFunction(i));
}

void TSRCPCustomLoco::FillInit() {
  TSRCPAddressedDeviceGroup::FillInit();
  TSRCPDeviceLoco& loco = Cmd().Loco();
  loco.Protocol = Protocol;
  loco.ProtocolVersion = ProtocolVersion;
  loco.SpeedSteps = SpeedSteps;
  loco.SetFunctionCount(FunctionCount());
}

}  // namespace tenvarra
