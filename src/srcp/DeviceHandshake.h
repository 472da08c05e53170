#pragma once
// The handshake record: SET PROTOCOL, SET CONNECTIONMODE, GO and the
// server's replies to them. The key word after SET or OK refines the
// message's kind while parsing, and the cursor goes on in the refined row.

#include <cstdint>
#include <string_view>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceHandshake : public TSRCPBaseDevice {
public:
  int32_t SessionId = -1;  // given by the server in its reply to GO
  TSRCPCommandVersion ProtocolVersion = cvUnknown;
  TSRCPConnectionMode ConnectionMode = cmInvalid;

  using TSRCPBaseDevice::TSRCPBaseDevice;

  TSRCPDeviceGroup Group() const override { return dgHandshake; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;

private:
  bool ParseKey(std::string_view Token);
};

}  // namespace tenvarra
