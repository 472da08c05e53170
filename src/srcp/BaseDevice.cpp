#include "srcp/BaseDevice.h"

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"

namespace tenvarra {

void TSRCPAddressedDevice::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  if (Kind == pkAddress) Builder.AddInt(Cmd->Address);
}

bool TSRCPAddressedDevice::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  if (Kind == pkAddress) return SRCPToInt(Token, Cmd->Address);
  return false;
}

}  // namespace tenvarra
