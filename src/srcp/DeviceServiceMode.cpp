#include "srcp/DeviceServiceMode.h"

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

void TSRCPDeviceServiceMode::Clear() {
  SMAddress = -1;
  Value = -1;
  Bit = -1;
  AddressType = satNone;
  ValueCount = 0;
  Protocol = prInvalid;
}

void TSRCPDeviceServiceMode::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkProtocol:
      if (Protocol == prN) Builder.Add("NMRA");
      break;
    case pkValue:
      ++ValueCount;
      Builder.AddInt(AddressType == satCVBit && ValueCount == 1 ? Bit : Value);
      break;
    case pkSMType: Builder.Add(SMAddressTypeName(AddressType)); break;
    case pkSMAddress: Builder.AddInt(SMAddress); break;
    default: TSRCPAddressedDevice::FormatParam(Kind, Builder);
  }
}

bool TSRCPDeviceServiceMode::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkProtocol:
      if (!SameText(Token, "NMRA")) return false;
      Protocol = prN;
      return true;
    case pkValue:
      ++ValueCount;
      (AddressType == satCVBit && ValueCount == 1 ? Bit : Value) = scratch;
      return converted;
    case pkSMType: return SMAddressTypeFromName(Token, AddressType);
    case pkSMAddress: SMAddress = scratch; return converted;
    default: return TSRCPAddressedDevice::ParseParam(Kind, Token);
  }
}

bool TSRCPDeviceServiceMode::UsesParam(TSRCPParamKind Kind) const {
  if (Kind == pkValue) return AddressType == satCVBit || ValueCount < 1;
  return true;
}

}  // namespace tenvarra
