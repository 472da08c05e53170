#include "srcp/DeviceHandshake.h"

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

void TSRCPDeviceHandshake::Clear() {
  SessionId = -1;
  ProtocolVersion = cvUnknown;
  ConnectionMode = cmInvalid;
}

void TSRCPDeviceHandshake::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  switch (Kind) {
    case pkSessionId: Builder.AddInt(SessionId); break;
    case pkHandshakeKey:
      switch (Cmd->Kind()) {
        case mkSetProtocol:
        case mkOkProtocol: Builder.Add("PROTOCOL"); break;
        case mkSetConnectionMode:
        case mkOkConnectionMode: Builder.Add("CONNECTIONMODE"); break;
        case mkOkGo: Builder.Add("GO"); break;
        default: break;
      }
      break;
    case pkSRCPWord: Builder.Add("SRCP"); break;
    case pkSRCPVersion: Builder.Add(VersionText(ProtocolVersion)); break;
    case pkConnectionMode: Builder.Add(ConnectionModeName(ConnectionMode)); break;
    default: break;
  }
}

bool TSRCPDeviceHandshake::ParseKey(std::string_view Token) {
  struct TRefinement {
    TSRCPMessageKind Before;
    std::string_view Key;
    TSRCPMessageKind After;
  };
  // A key that repeats what the code already said (201 OK PROTOCOL, 202 OK
  // CONNECTIONMODE) confirms the kind; only a bare SET or 200 OK is refined.
  static constexpr TRefinement Refinements[] = {
      {mkSet, "PROTOCOL", mkSetProtocol},
      {mkSet, "CONNECTIONMODE", mkSetConnectionMode},
      {mkOk, "GO", mkOkGo},
      {mkOk, "PROTOCOL", mkOkProtocol},
      {mkOk, "CONNECTIONMODE", mkOkConnectionMode},
      {mkSetProtocol, "PROTOCOL", mkSetProtocol},
      {mkSetConnectionMode, "CONNECTIONMODE", mkSetConnectionMode},
      {mkOkGo, "GO", mkOkGo},
      {mkOkProtocol, "PROTOCOL", mkOkProtocol},
      {mkOkConnectionMode, "CONNECTIONMODE", mkOkConnectionMode},
  };
  for (const auto& r : Refinements)
    if (Cmd->Kind() == r.Before && SameText(Token, r.Key)) {
      if (r.After != r.Before) Cmd->SetKind(r.After);
      return true;
    }
  return false;
}

bool TSRCPDeviceHandshake::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  switch (Kind) {
    case pkSessionId: return SRCPToInt(Token, SessionId);
    case pkHandshakeKey: return ParseKey(Token);
    case pkSRCPWord: return Token == "SRCP";
    case pkSRCPVersion:
      ProtocolVersion = VersionFromText(Token);
      return ProtocolVersion != cvUnknown;
    case pkConnectionMode: return ConnectionModeFromName(Token, ConnectionMode);
    default: return false;
  }
}

}  // namespace tenvarra
