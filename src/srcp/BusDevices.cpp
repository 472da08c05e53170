#include "srcp/BusDevices.h"

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

void TSRCPDevicePower::Clear() { PowerOn = false; }

void TSRCPDevicePower::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  if (Kind == pkPowerState) Builder.Add(PowerOn ? "ON" : "OFF");
}

bool TSRCPDevicePower::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  if (Kind != pkPowerState) return false;
  if (SameText(Token, "ON")) {
    PowerOn = true;
    return true;
  }
  if (SameText(Token, "OFF")) {
    PowerOn = false;
    return true;
  }
  Cmd->SetKind(mkErrInsufficientData);
  return false;
}

void TSRCPDeviceTime::Clear() {
  Hour = Second = Minute = JulianDay = TimeFy = TimeFx = -1;
}

void TSRCPDeviceTime::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkHour: Builder.AddInt(Hour); break;
    case pkSecond: Builder.AddInt(Second); break;
    case pkMinute: Builder.AddInt(Minute); break;
    case pkJulianDay: Builder.AddInt(JulianDay); break;
    case pkTimeFy: Builder.AddInt(TimeFy); break;
    case pkTimeFx: Builder.AddInt(TimeFx); break;
    default: break;
  }
}

bool TSRCPDeviceTime::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkHour: Hour = scratch; break;
    case pkSecond: Second = scratch; break;
    case pkMinute: Minute = scratch; break;
    case pkJulianDay: JulianDay = scratch; break;
    case pkTimeFy: TimeFy = scratch; break;
    case pkTimeFx: TimeFx = scratch; break;
    default: break;
  }
  return converted;
}

void TSRCPDeviceSession::Clear() { SessionId = -1; }

void TSRCPDeviceSession::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  if (Kind == pkSessionId) Builder.AddInt(SessionId);
}

bool TSRCPDeviceSession::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  int32_t scratch;
  const bool converted = SRCPToInt(Token, scratch);
  switch (Kind) {
    case pkText: return true;
    case pkSessionId: SessionId = scratch; return converted;
    default: return converted;
  }
}

void TSRCPDeviceServer::Clear() { State = ssUnknown; }

void TSRCPDeviceServer::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  if (Kind == pkServerState) Builder.Add(ServerStateName(State));
}

bool TSRCPDeviceServer::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  if (Kind != pkServerState) return false;
  return ServerStateFromName(Token, State);
}

}  // namespace tenvarra
