#include "srcp/DeviceLock.h"

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"

namespace tenvarra {

void TSRCPDeviceLock::Clear() {
  Duration = -1;
  SessionId = -1;
  FLockedGroup = dgInvalid;
}

TSRCPDeviceGroup TSRCPDeviceLock::LockedGroup() {
  if (FLockedGroup > dgInvalid) FLockedGroup = dgInvalid;
  return FLockedGroup;
}

void TSRCPDeviceLock::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkDelay: Builder.AddInt(Duration); break;
    case pkGroupParam: Builder.Add(GroupName(LockedGroup())); break;
    case pkSessionId: Builder.AddInt(SessionId); break;
    default: TSRCPAddressedDevice::FormatParam(Kind, Builder);
  }
}

bool TSRCPDeviceLock::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkDelay: Duration = scratch; return converted;
    case pkGroupParam:
      FLockedGroup = Cmd->ParseGroupName(Token);
      return FLockedGroup != dgInvalid;
    case pkSessionId: SessionId = scratch; return converted;
    default: return TSRCPAddressedDevice::ParseParam(Kind, Token);
  }
}

}  // namespace tenvarra
