#pragma once
// The two small addressed records: feedback contacts (FB) and accessory
// decoders (GA).

#include <cstdint>
#include <string_view>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceFeedback : public TSRCPAddressedDevice {
public:
  int32_t Value = -1;
  int32_t Delay = -1;  // the time-out of a WAIT

  using TSRCPAddressedDevice::TSRCPAddressedDevice;

  TSRCPDeviceGroup Group() const override { return dgFeedback; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;

  // The free text of an INIT or RESET line (the bus type, e.g. "S88"),
  // kept in the message's Text.
  void SetText(std::string_view Text);
};

class TSRCPDeviceAccessoire : public TSRCPAddressedDevice {
public:
  int32_t Value = -1;
  int32_t Port = -1;
  int32_t Delay = 0;
  TSRCPProtocol Protocol = prM;

  using TSRCPAddressedDevice::TSRCPAddressedDevice;

  TSRCPDeviceGroup Group() const override { return dgAccessoire; }
  void Clear() override;
  // Protocols other than M, N and P are not written.
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  // The protocol letter must be an upper-case M, N or P.
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
};

}  // namespace tenvarra
