#include "srcp/AddressedDevices.h"

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

void TSRCPDeviceFeedback::Clear() {
  Value = -1;
  Delay = -1;
}

void TSRCPDeviceFeedback::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkValue: Builder.AddInt(Value); break;
    case pkDelay: Builder.AddInt(Delay); break;
    default: TSRCPAddressedDevice::FormatParam(Kind, Builder);
  }
}

bool TSRCPDeviceFeedback::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkText: return true;
    case pkValue: Value = scratch; return converted;
    case pkDelay: Delay = scratch; return converted;
    default: return TSRCPAddressedDevice::ParseParam(Kind, Token);
  }
}

void TSRCPDeviceFeedback::SetText(std::string_view Text) { Cmd->Text = Text; }

void TSRCPDeviceAccessoire::Clear() {
  Value = -1;
  Port = -1;
  Delay = 0;
  Protocol = prM;
}

void TSRCPDeviceAccessoire::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkProtocol:
      if (Protocol == prM || Protocol == prN || Protocol == prP) Builder.Add(ProtocolLetter(Protocol));
      break;
    case pkPort: Builder.AddInt(Port); break;
    case pkValue: Builder.AddInt(Value); break;
    case pkDelay: Builder.AddInt(Delay); break;
    default: TSRCPAddressedDevice::FormatParam(Kind, Builder);
  }
}

bool TSRCPDeviceAccessoire::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkProtocol: {
      const std::string_view letter = Trim(Token);
      if (letter == "M") Protocol = prM;
      else if (letter == "N") Protocol = prN;
      else if (letter == "P") Protocol = prP;
      else {
        Protocol = prInvalid;
        return false;
      }
      return true;
    }
    case pkPort: Port = scratch; return converted;
    case pkValue: Value = scratch; return converted;
    case pkDelay: Delay = scratch; return converted;
    default: return TSRCPAddressedDevice::ParseParam(Kind, Token);
  }
}

}  // namespace tenvarra
