#include "sim/SimLines.h"

#include <algorithm>
#include <chrono>

#include "sim/SimServer.h"
#include "srcp/Records.h"

namespace tenvarra {

TSimLines::TSimLines() { FMsg.SetVersion(cv082); }

int64_t TSimLines::WallMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

double TSimLines::Now() { return static_cast<double>(WallMs()) / 1000.0; }

double TSimLines::NextStamp() {
  FLastMs = std::max(WallMs(), FLastMs + 1);
  return static_cast<double>(FLastMs) / 1000.0;
}

TSRCPCmd& TSimLines::Begin(TSRCPDeviceGroup Group, TSRCPMessageKind Kind, double Stamp,
                           int32_t Bus) {
  FMsg.Clear();
  FMsg.SetGroup(Group);
  FMsg.SetCommand(Kind);
  FMsg.Timestamp = Stamp;
  FMsg.Bus = Bus;
  FMsg.Address = 0;
  return FMsg;
}

std::string TSimLines::Finish() { return FMsg.Format(); }

std::string TSimLines::Welcome() {
  return TSimServer::Version() + "; SRCP " + std::string(VersionText(cv082));
}

std::string TSimLines::Reply(TSRCPMessageKind Kind) {
  Begin(dgHandshake, Kind, Now(), 0);
  return Finish();
}

std::string TSimLines::Ok() { return Reply(mkOk); }
std::string TSimLines::OkProtocol() { return Reply(mkOkProtocol); }
std::string TSimLines::OkConnectionMode() { return Reply(mkOkConnectionMode); }

std::string TSimLines::OkGo(int32_t SessionId) {
  Begin(dgHandshake, mkOkGo, Now(), 0).Handshake().SessionId = SessionId;
  return Finish();
}

std::string_view TSimLines::ErrorText(TSRCPMessageKind Kind) {
  switch (Kind) {
    case mkErrInsufficientData: return "insufficient data";
    case mkErrUnknownCommand: return "unknown command";
    case mkErrListTooLong: return "list too long";
    case mkErrListTooShort: return "list too short";
    case mkErrOutOfResources: return "out of resources";
    default: return KindText(Kind);
  }
}

std::string TSimLines::Error(TSRCPMessageKind Kind) {
  std::string line;
  AppendTimestamp(line, Now());
  line += ' ';
  line += std::to_string(KindToCode(Kind, cv082));
  line += " ERROR ";
  line += ErrorText(Kind);
  return line;
}

}  // namespace tenvarra
