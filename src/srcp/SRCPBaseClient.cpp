#include "srcp/SRCPBaseClient.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "srcp/DeviceGroup.h"
#include "srcp/Records.h"

namespace tenvarra {

namespace {

// "0.8." followed by a revision number: a later revision of the 0.8 series.
// Servers that offer one accept SET PROTOCOL SRCP 0.8.2.
bool Is082Revision(std::string_view Text) {
  constexpr std::string_view series = "0.8.";
  if (Text.size() <= series.size() || Text.substr(0, series.size()) != series) return false;
  const std::string_view revision = Text.substr(series.size());
  return std::all_of(revision.begin(), revision.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

TSRCPBaseClient::TSRCPBaseClient(TMainThreadQueue& Queue, TSRCPConnectionMode Mode)
    : FQueue(Queue), FConnectionMode(Mode) {
  FSocket.SetPort(DefaultPort);
  FSocket.OnDisconnected = [this](TTcpLineSocket&) { SocketEnded(); };
}

TSRCPBaseClient::~TSRCPBaseClient() {
  BeginDestroy();
  try {
    // Derived destructors have disconnected already; this covers the rest.
    FSocket.OnDisconnected = nullptr;
    FSocket.Disconnect();
  } catch (...) {
  }
  NotifyDestroyed();
}

void TSRCPBaseClient::SetConnectionMode(TSRCPConnectionMode Mode) {
  if (!Connected()) FConnectionMode = Mode;
}

void TSRCPBaseClient::Connect(int TimeoutMs) {
  FSocket.Connect(TimeoutMs);
  // The handshake's time-out is the handshake's alone; the reads that follow
  // keep the connection's own.
  struct TReadTimeout {
    TTcpLineSocket& Socket;
    const int Usual;
    ~TReadTimeout() { Socket.SetReadTimeoutMs(Usual); }
  } restore{FSocket, FSocket.ReadTimeoutMs()};
  FSocket.SetReadTimeoutMs(HandshakeTimeout());
  try {
    Handshake();
  } catch (const ESocketError& Error) {
    Disconnect();
    throw ESRCPClientConnectError(Error.Kind());
  } catch (const std::exception&) {
    // Refused, unusable or closed by the server: the caller finds the
    // session not connected.
    Disconnect();
  }
}

void TSRCPBaseClient::Disconnect() {
  try {
    TermSession();
  } catch (...) {
    FSocket.Disconnect();
    throw;
  }
  FSocket.Disconnect();
}

void TSRCPBaseClient::Handshake() {
  ReadWelcome();
  if (FServerVersions.count(FVersion) == 0) throw ESRCPHandshakeError("unsupported version");
  TSRCPCmd protocol;
  protocol.Handshake().ProtocolVersion = FVersion;
  const bool accepted = Exchange(mkSetProtocol, protocol);
  if (FOfferedByRevision && !accepted) throw ESRCPHandshakeError("unsupported version");

  TSRCPCmd mode;
  const bool known = FConnectionMode == cmInfo || FConnectionMode == cmCommand;
  mode.Handshake().ConnectionMode = known ? FConnectionMode : cmInvalid;
  Exchange(mkSetConnectionMode, mode);

  TSRCPCmd go;
  Exchange(mkGo, go);
  if (go.Kind() != mkOk && go.Kind() != mkOkGo) {
    Disconnect();
    throw ESRCPHandshakeError("Client refused connection");
  }
  FSessionId = go.Handshake().SessionId;
}

void TSRCPBaseClient::ReadWelcome() {
  FServerVersions.clear();
  FOfferedByRevision = false;
  TSRCPCmd welcome;
  welcome.SetVersion(FVersion);
  std::string line;
  if (!ReadReplyLine(welcome, line)) throw ESRCPHandshakeError("invalid welcome string");
  // A first line with a time stamp parses as a reply and offers nothing.
  if (welcome.Kind() != mkWelcome) return;
  FWelcome = line;
  const TSRCPDeviceWelcome& record = welcome.Welcome();
  FGreeting.push_back(record.Server);
  FGreeting.push_back(record.Other);
  bool exact = false, revision = false;
  for (int32_t i = 0; i < record.VersionCount(); ++i) {
    TSRCPCommandVersion version = record.GetVersion(i);
    if (version == cv082) exact = true;
    if (version == cvUnknown && Is082Revision(record.GetVersionText(i))) {
      version = cv082;
      revision = true;
    }
    // An offer this system cannot name must not match a version it cannot speak.
    if (version != cvUnknown) FServerVersions.insert(version);
  }
  FOfferedByRevision = FVersion == cv082 && revision && !exact;
}

bool TSRCPBaseClient::Exchange(TSRCPMessageKind Kind, TSRCPCmd& Msg) {
  Msg.SetVersion(FVersion);
  Msg.SetGroup(dgHandshake);
  Msg.SetCommand(Kind);
  SendCommand(Msg);
  return ReadReply(Msg);
}

void TSRCPBaseClient::SendCommand(TSRCPCmd& Msg) {
  if (Msg.IsError()) {
    if (OnError) OnError(*this);
    return;
  }
  if (!Connected()) {
    DoLog("Err: Not connected");
    return;
  }
  const std::string line = Msg.Format();
  DoLog("Snd: " + line);
  FSocket.WriteLine(line);
}

bool TSRCPBaseClient::ReadReply(TSRCPCmd& Msg) {
  std::string line;
  return ReadReplyLine(Msg, line);
}

bool TSRCPBaseClient::ReadReplyLine(TSRCPCmd& Msg, std::string& Line) {
  // A reply on this session speaks its version; without one no reply code
  // means anything, and the 413 answer below would read "0 ERROR".
  if (Msg.Version() == cvUnknown) Msg.SetVersion(FVersion);
  if (!Connected()) {
    Msg.SetCommand(mkErrTemporarilyProhibited);
    DoLog("Err: " + Msg.Format());
    return false;
  }
  Line = FSocket.ReadLine();
  return HandleReply(Msg, Line);
}

bool TSRCPBaseClient::HandleReply(TSRCPCmd& Msg, const std::string& Line) {
  if (Line.empty()) return false;
  DoLog("Rec: " + Line);
  if (!Msg.Parse(Line)) Msg.SetGroup(dgInvalid);
  if (Msg.IsError()) {
    if (OnError) OnError(*this);
    return false;
  }
  return true;
}

void TSRCPBaseClient::DoLog(const std::string& Text) {
  if (FLogEnabled && !FDestroying && OnLog) OnLog(*this, Text);
}

void TSRCPBaseClient::AddFreeNotification(TSRCPBaseDeviceGroup* Group) {
  if (Group == nullptr) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Group) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(Group);
  }
}

void TSRCPBaseClient::RemoveFreeNotification(TSRCPBaseDeviceGroup* Group) {
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), Group),
                      FFreeNotifies.end());
}

void TSRCPBaseClient::NotifyDestroyed() {
  // A group told may unregister itself; it must find the list already empty.
  std::vector<TSRCPBaseDeviceGroup*> groups;
  groups.swap(FFreeNotifies);
  for (TSRCPBaseDeviceGroup* group : groups) group->SessionDestroyed(*this);
}

void TSRCPBaseClient::SocketEnded() {
  if (FQueue.IsMainThread()) {
    InternalDisconnected();
  } else {
    // The reader found the connection gone; its end is posted to the main
    // thread, which reports this then.
    FReportOwed.store(true);
  }
}

void TSRCPBaseClient::InternalDisconnected() {
  FGreeting.clear();
  FWelcome.clear();
  FSessionId = -1;
  if (OnDisconnected) OnDisconnected(*this);
}

}  // namespace tenvarra
