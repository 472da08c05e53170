#pragma once
// The information session: the server pushes information lines, which a
// reader thread receives and hands to the main thread one at a time. There
// each line is parsed into InfoCmd and given to the listening device groups
// of its group (a LOCK line to the groups of the locked device), on its bus
// unless a group listens to every bus.
//
// The reader never waits for the main thread except inside a hand-over, and
// the main thread serves hand-overs while it waits for the reader to end, so
// Disconnect can always join it. A connection that ends while the reader is
// blocked is reported on the main thread (OnDisconnected) after the reader
// has been joined and the socket closed.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "srcp/SRCPBaseClient.h"
#include "srcp/SRCPInfoReadThread.h"

namespace tenvarra {

class TSRCPInfoClient : public TSRCPBaseClient {
public:
  explicit TSRCPInfoClient(TMainThreadQueue& Queue);
  // Stops and joins the reader (serving its hand-overs), then tells the
  // listening and registered groups. Never raises. Not to be destroyed from
  // inside its own hand-over (a listener's handler).
  ~TSRCPInfoClient() override;

  // Asks for connection mode INFO and starts the reader.
  void Connect(int TimeoutMs = -1) override;

  // Milliseconds to wait for each handshake reply; 0 or less waits without
  // limit. Information lines themselves may be minutes apart and are awaited
  // without limit, but a server that stalls inside the handshake must not
  // hold the main thread in Connect.
  int HandshakeTimeout() const override { return FHandshakeTimeoutMs; }
  void SetHandshakeTimeout(int Ms) { FHandshakeTimeoutMs = Ms; }

  // Stops the reader, closes the connection and joins the reader, serving
  // hand-overs meanwhile; an error of another queued call met then is raised
  // at the end. Called from a listener's handler it leaves the join to the
  // queue, since the reader waits for that handler.
  void Disconnect() override;
  // Also sets the version of InfoCmd.
  void SetVersion(TSRCPCommandVersion Version) override;

  // Groups that receive information lines, in the order they registered; not owned.
  void AddListener(TSRCPBaseDeviceGroup* Group);
  void RemoveListener(TSRCPBaseDeviceGroup* Group);
  const std::vector<TSRCPBaseDeviceGroup*>& Listeners() const { return FListeners; }

  // The message every information line is parsed into.
  TSRCPCmd& InfoCmd() { return *FInfoCmd; }
  // A reader exists (it may have ended but not yet been joined).
  bool Reading() const { return FReadThread != nullptr; }

  // Parses Line and gives it to the listeners; what the reader hands over.
  void DispatchInfo(const std::string& Line);

  // Why the reader ended on its own (the server closed the connection, a
  // network error), set before the end is reported; empty after a Connect
  // until then.
  const std::string& EndReason() const { return FEndReason; }

private:
  int FHandshakeTimeoutMs = 10000;

  // What the reader hands over for each line, on the main thread.
  void HandOver(const std::string& Line);
  // Main thread: reader Serial ended on its own; Reason is logged, the reader
  // joined and the end reported.
  void ReaderEnded(uint64_t Serial, std::exception_ptr Reason);
  // Terminates, unblocks and joins the reader, if there is one. Errors of
  // other queued calls met while serving are returned, not raised. Inside a
  // hand-over the reader cannot end yet: it is joined from the queue later.
  std::exception_ptr StopReader();
  void JoinRetired();
  static std::exception_ptr Join(TSRCPInfoReadThread& Reader);

  std::unique_ptr<TSRCPCmd> FInfoCmd;
  std::vector<TSRCPBaseDeviceGroup*> FListeners;  // not owned
  // Copies of FListeners being dispatched; RemoveListener blanks entries in them.
  std::vector<std::vector<TSRCPBaseDeviceGroup*>*> FDispatching;
  std::unique_ptr<TSRCPInfoReadThread> FReadThread;
  uint64_t FReaderSerial = 0;
  // Readers stopped from inside their own hand-over, still to be joined.
  std::vector<std::unique_ptr<TSRCPInfoReadThread>> FRetired;
  int FInHandOver = 0;
  std::string FEndReason;
  // Calls queued from the reader's thread hold this weakly: a session
  // destroyed meanwhile is not called.
  std::shared_ptr<TSRCPInfoClient*> FSelf;
};

}  // namespace tenvarra
