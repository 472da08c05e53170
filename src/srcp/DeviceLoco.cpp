#include "srcp/DeviceLoco.h"

#include <algorithm>

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

namespace {

bool ProtocolFromLetter(std::string_view Token, TSRCPProtocol& Protocol) {
  const std::string_view letter = Trim(Token);
  for (int p = prA; p < prInvalid; ++p)
    if (letter == SRCPProtocolLetters[p]) {
      Protocol = static_cast<TSRCPProtocol>(p);
      return true;
    }
  Protocol = prInvalid;
  return false;
}

bool DriveModeFromChar(std::string_view Token, TSRCPDriveMode& DriveMode) {
  const std::string_view mode = Trim(Token);
  for (int d = dmKeep; d < dmInvalid; ++d)
    if (mode == SRCPDriveModeChars[d]) {
      DriveMode = static_cast<TSRCPDriveMode>(d);
      return true;
    }
  DriveMode = dmInvalid;
  return false;
}

}  // namespace

void TSRCPDeviceLoco::Clear() {
  FFunctions.assign(1, 0);
  SpeedSteps = -1;
  ReportedSpeed = 0;
  Speed = -1;
  ProtocolVersion = -1;
  MaxSpeed = -1;
  DriveMode = dmInvalid;
  Protocol = prInvalid;
  FunctionIndex = 0;
}

void TSRCPDeviceLoco::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkProtocol: Builder.Add(ProtocolLetter(Protocol)); break;
    case pkProtocolVersion:
      if (ProtocolVersion >= 1) Builder.AddInt(ProtocolVersion);
      break;
    case pkReportedSpeed: Builder.AddInt(ReportedSpeed); break;
    case pkSpeedSteps: Builder.AddInt(SpeedSteps); break;
    case pkSpeed: Builder.AddInt(Speed); break;
    case pkMaxSpeed: Builder.AddInt(MaxSpeed); break;
    case pkFunctionCount: Builder.AddInt(FunctionCount()); break;
    case pkDriveMode: Builder.Add(DriveModeChar(DriveMode)); break;
    case pkFunctions:
      // Each value on its own, so an unset one leaves no double blank behind.
      for (int32_t value : FFunctions) Builder.AddInt(value);
      break;
    default: TSRCPAddressedDevice::FormatParam(Kind, Builder);
  }
}

bool TSRCPDeviceLoco::ParseFunction(std::string_view Token) {
  int32_t value;
  if (!SRCPToInt(Token, value)) return false;
  if (FunctionIndex >= MaxFunctions) return false;
  if (static_cast<std::size_t>(FunctionIndex) >= FFunctions.size())
    FFunctions.resize(static_cast<std::size_t>(FunctionIndex) + 1, 0);
  FFunctions[static_cast<std::size_t>(FunctionIndex)] = value;
  ++FunctionIndex;
  return true;
}

bool TSRCPDeviceLoco::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkProtocol: return ProtocolFromLetter(Token, Protocol);
    case pkDriveMode: return DriveModeFromChar(Token, DriveMode);
    case pkFunctionCount:
      // A count that does not convert, or is negative, gives no slots; a
      // count beyond the limit is refused before anything is allocated.
      if (converted && scratch > MaxFunctions) return false;
      FFunctions.resize(static_cast<std::size_t>(std::max(scratch, 0)), 0);
      return converted;
    case pkFunctions: return ParseFunction(Token);
    case pkProtocolVersion: ProtocolVersion = scratch; return converted;
    case pkReportedSpeed: ReportedSpeed = scratch; return converted;
    case pkSpeedSteps: SpeedSteps = scratch; return converted;
    case pkSpeed: Speed = scratch; return converted;
    case pkMaxSpeed: MaxSpeed = scratch; return converted;
    default: return TSRCPAddressedDevice::ParseParam(Kind, Token);
  }
}

bool TSRCPDeviceLoco::UsesParam(TSRCPParamKind Kind) const {
  switch (Kind) {
    case pkProtocolVersion: return Protocol == prM || Protocol == prN;
    case pkSpeedSteps:
    case pkFunctionCount: return Protocol != prA;
    default: return true;
  }
}

bool TSRCPDeviceLoco::ParseRest(std::string_view Text) {
  // Stops at the first value that does not fit, so later values never slide
  // into the wrong function's place.
  std::string_view rest = Text, token;
  while (!rest.empty()) {
    SplitToken(' ', rest, token);
    if (!ParseFunction(token)) return false;
  }
  return true;
}

int32_t TSRCPDeviceLoco::GetFunction(int32_t Index) const {
  if (Index < 0 || Index >= FunctionCount()) return -1;
  return FFunctions[static_cast<std::size_t>(Index)];
}

void TSRCPDeviceLoco::SetFunction(int32_t Index, int32_t Value) {
  if (Index < 0 || Index >= FunctionCount()) return;
  FFunctions[static_cast<std::size_t>(Index)] = Value;
}

void TSRCPDeviceLoco::SetFunctionCount(int32_t Count) {
  FFunctions.resize(static_cast<std::size_t>(std::clamp(Count, 0, MaxFunctions)), 0);
}

}  // namespace tenvarra
