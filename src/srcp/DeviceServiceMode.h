#pragma once
// The service-mode record (SM): reading and writing decoder CVs and
// registers. A CVBIT access carries two values (bit, then value), every
// other access one, so the same row serves both shapes.

#include <cstdint>
#include <string_view>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceServiceMode : public TSRCPAddressedDevice {
public:
  int32_t SMAddress = -1;  // CV or register number
  int32_t Value = -1;
  int32_t Bit = -1;  // the bit of a CVBIT access
  TSRCPSMAddressType AddressType = satNone;
  int32_t ValueCount = 0;  // pkValue parameters seen in the current line
  TSRCPProtocol Protocol = prInvalid;

  using TSRCPAddressedDevice::TSRCPAddressedDevice;

  TSRCPDeviceGroup Group() const override { return dgServiceMode; }
  void Clear() override;
  void BeginLine() override { ValueCount = 0; }
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
  // A second value only for CVBIT.
  bool UsesParam(TSRCPParamKind Kind) const override;
};

}  // namespace tenvarra
