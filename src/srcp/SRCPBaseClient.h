#pragma once
// What the command and the information session share: one TCP line
// connection to an SRCP server, the handshake (welcome, SET PROTOCOL,
// SET CONNECTIONMODE, GO), sending a message and reading its reply with the
// traffic log, and the device groups that asked to be told when the session
// goes away.
//
// Everything here runs on the main thread, the thread of the queue given to
// the constructor. Only the information session's reader reads on another
// thread, and it touches nothing of this class but the socket.

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/MainThreadQueue.h"
#include "platform/TcpLineSocket.h"
#include "srcp/SRCPCmd.h"
#include "srcp/SRCPErrors.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSRCPBaseDeviceGroup;

class TSRCPBaseClient {
public:
  using TNotifyEvent = std::function<void(TSRCPBaseClient& Sender)>;
  using TLogEvent = std::function<void(TSRCPBaseClient& Sender, const std::string& Log)>;

  static constexpr int DefaultPort = 12345;

  // Raised for every error reply, and for an error message given to SendCommand.
  TNotifyEvent OnError;
  // Each traffic line ("Snd: ", "Rec: ", "Err: "), while LogEnabled.
  TLogEvent OnLog;
  // The connection has ended (this side or the server closed it), always on
  // the main thread. The handler may Disconnect or Connect the session again.
  TNotifyEvent OnDisconnected;

  // Disconnects (without logging) and tells every group registered through
  // AddFreeNotification. Never raises.
  virtual ~TSRCPBaseClient();
  TSRCPBaseClient(const TSRCPBaseClient&) = delete;
  TSRCPBaseClient& operator=(const TSRCPBaseClient&) = delete;

  const std::string& Host() const { return FSocket.Host(); }
  void SetHost(std::string Host) { FSocket.SetHost(std::move(Host)); }
  int Port() const { return FSocket.Port(); }
  void SetPort(int Port) { FSocket.SetPort(Port); }
  bool LogEnabled() const { return FLogEnabled; }
  void SetLogEnabled(bool Enabled) { FLogEnabled = Enabled; }

  // The protocol version asked for in the handshake and used for every message.
  TSRCPCommandVersion Version() const { return FVersion; }
  virtual void SetVersion(TSRCPCommandVersion Version) { FVersion = Version; }

  // The number the server gave in its reply to GO; -1 when there is none.
  int32_t SessionId() const { return FSessionId; }
  TSRCPConnectionMode ConnectionMode() const { return FConnectionMode; }
  // The versions the welcome line offered. A later 0.8 revision (0.8.3,
  // 0.8.4, ...) counts as an offer of 0.8.2; the server's reply to
  // SET PROTOCOL then decides.
  const std::set<TSRCPCommandVersion>& ServerVersions() const { return FServerVersions; }
  // The welcome line's server name and further texts; empty when not connected.
  const std::vector<std::string>& Greeting() const { return FGreeting; }
  // The welcome line as received; empty when not connected.
  const std::string& Welcome() const { return FWelcome; }

  TMainThreadQueue& Queue() const { return FQueue; }
  bool Connected() const { return FSocket.Connected(); }

  // Milliseconds to wait for each reply of the handshake: the connection's
  // own read time-out unless a session has one of its own.
  virtual int HandshakeTimeout() const { return FSocket.ReadTimeoutMs(); }

  // TCP connect (its errors reach the caller unchanged), then the handshake.
  // A connection that is open already is refused before anything of it is
  // touched: a reader may be using it.
  // A network failure during the handshake raises ESRCPClientConnectError;
  // any other failure (a refused or unusable handshake, the server closing)
  // leaves the session disconnected and returns normally.
  virtual void Connect(int TimeoutMs = -1);
  // Ends the session on the server (TermSession) and closes the connection;
  // OnDisconnected follows. Does nothing when there is no connection. The
  // connection is closed even when ending the session fails; that failure
  // then reaches the caller.
  virtual void Disconnect();
  // Ends the server session; the base does nothing.
  virtual void TermSession() {}

  // Formats and writes Msg, logging "Snd: " + line. An error message is not
  // sent (OnError instead); without a connection "Err: Not connected" is
  // logged and nothing is sent. Network errors reach the caller.
  void SendCommand(TSRCPCmd& Msg);
  // Reads one line into Msg (HandleReply); a message without a version
  // takes the session's first. Without a connection Msg becomes
  // the 413 "temporarily prohibited" answer, logged as "Err: " + its line,
  // and the result is false. Network errors reach the caller.
  bool ReadReply(TSRCPCmd& Msg);
  // Logs and parses Line into Msg. False for an empty line (nothing logged)
  // and for an error reply (after OnError). A line that does not parse
  // leaves Msg in group dgInvalid, so no device group takes it.
  bool HandleReply(TSRCPCmd& Msg, const std::string& Line);

  // Groups to tell (SessionDestroyed) when this session is destroyed; not owned.
  void AddFreeNotification(TSRCPBaseDeviceGroup* Group);
  void RemoveFreeNotification(TSRCPBaseDeviceGroup* Group);

protected:
  TSRCPBaseClient(TMainThreadQueue& Queue, TSRCPConnectionMode Mode);

  // Calls OnLog while LogEnabled and not being destroyed.
  void DoLog(const std::string& Text);
  TTcpLineSocket& Socket() { return FSocket; }
  const TTcpLineSocket& Socket() const { return FSocket; }
  // Takes effect only while not connected.
  void SetConnectionMode(TSRCPConnectionMode Mode);
  // The end of the connection that the main thread still has to report:
  // the socket noticed it on another thread. Clears the mark.
  bool TakeOwedReport() { return FReportOwed.exchange(false); }
  // Raises OnDisconnected and forgets the session's server state.
  void InternalDisconnected();
  // First step of a destructor: no more log calls.
  void BeginDestroy() { FDestroying = true; }
  // Tells each registered group that this session goes away, once; derived
  // destructors call it while their part of the object is still whole.
  void NotifyDestroyed();
  bool Destroying() const { return FDestroying; }
  void ClearSessionId() { FSessionId = -1; }

private:
  void Handshake();
  void ReadWelcome();
  // Sends a handshake command and reads its reply.
  bool Exchange(TSRCPMessageKind Kind, TSRCPCmd& Msg);
  bool ReadReplyLine(TSRCPCmd& Msg, std::string& Line);
  void SocketEnded();

  TMainThreadQueue& FQueue;
  TTcpLineSocket FSocket;
  bool FLogEnabled = false;
  bool FDestroying = false;
  TSRCPCommandVersion FVersion = cv082;
  int32_t FSessionId = -1;
  TSRCPConnectionMode FConnectionMode = cmCommand;
  std::set<TSRCPCommandVersion> FServerVersions;
  bool FOfferedByRevision = false;  // Version is offered only as a later revision
  std::vector<std::string> FGreeting;
  std::string FWelcome;
  std::vector<TSRCPBaseDeviceGroup*> FFreeNotifies;  // not owned
  std::atomic<bool> FReportOwed{false};
};

}  // namespace tenvarra
