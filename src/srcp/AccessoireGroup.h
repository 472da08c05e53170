#pragma once
// One accessory decoder (GA).

#include <cstdint>

#include "srcp/DeviceGroup.h"

namespace tenvarra {

class TSRCPCustomAccessoire : public TSRCPAddressedDeviceGroup {
public:
  int32_t Port = 0;
  int32_t Value = 0;
  // No GA line carries a protocol version; groups derived from this one keep
  // it beside Protocol to tell decoder variants apart.
  int32_t ProtocolVersion = 0;
  TSRCPProtocol Protocol = prM;
  int32_t Delay = 200;  // ms after which the server switches the port off

  TSRCPCustomAccessoire();

protected:
  void ReadValues(TSRCPCmd& Msg) override;
  void ReadInit(TSRCPCmd& Msg) override;
  void FillGet() override;
  void FillSet() override;
  void FillInit() override;
};

}  // namespace tenvarra
