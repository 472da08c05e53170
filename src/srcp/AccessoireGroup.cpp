#include "srcp/AccessoireGroup.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCustomAccessoire::TSRCPCustomAccessoire() : TSRCPAddressedDeviceGroup(dgAccessoire) {}

void TSRCPCustomAccessoire::ReadValues(TSRCPCmd& Msg) {
  TSRCPAddressedDeviceGroup::ReadValues(Msg);
  SetAddress(Msg.Address);
  Port = Msg.Accessoire().Port;
  Value = Msg.Accessoire().Value;
}

void TSRCPCustomAccessoire::ReadInit(TSRCPCmd& Msg) {
  TSRCPAddressedDeviceGroup::ReadInit(Msg);
  SetAddress(Msg.Address);
  Protocol = Msg.Accessoire().Protocol;
  ProtocolVersion = 0;
}

void TSRCPCustomAccessoire::FillGet() {
  TSRCPAddressedDeviceGroup::FillGet();
  Cmd().Accessoire().Port = Port;
}

void TSRCPCustomAccessoire::FillSet() {
  TSRCPAddressedDeviceGroup::FillSet();
  TSRCPDeviceAccessoire& record = Cmd().Accessoire();
  record.Port = Port;
  record.Value = Value;
  record.Delay = Delay;
}

void TSRCPCustomAccessoire::FillInit() {
  TSRCPAddressedDeviceGroup::FillInit();
  Cmd().Accessoire().Protocol = Protocol;
}

}  // namespace tenvarra
