#pragma once
// An SRCP server for tests, driven by a script. It listens on a free port of
// 127.0.0.1 and hands the connections it accepts, in order, to the scripts of
// Connection(0), Connection(1), ... A connection's thread runs its steps;
// steps may be added before the client connects (the server answers while
// the client blocks) and at any time later (lines pushed on cue). With no
// step left a connection stays open and silent: a stalled server. Every wait
// is bounded, so a failing test cannot hang; Done() reports failed steps.

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/SocketLines.h"

namespace tenvarra::test {

class TScriptedConnection {
public:
  explicit TScriptedConnection(int StopFd);
  // Ends the connection and joins its thread.
  ~TScriptedConnection();

  // Send adds CR LF, SendRaw sends Data as it is; Expect: the client's next
  // line (without CR LF); ExpectClosed: the client closes, sending nothing more.
  TScriptedConnection& Send(const std::string& Line);
  TScriptedConnection& SendRaw(const std::string& Data);
  TScriptedConnection& Expect(const std::string& Line);
  TScriptedConnection& Close();
  TScriptedConnection& ExpectClosed();
  // The steps of a handshake: welcome line, the replies to SET PROTOCOL, SET
  // CONNECTIONMODE (Mode "COMMAND" or "INFO") and GO, accepted with SessionId;
  // or, after a welcome of the test's own, GO answered with GoReply.
  TScriptedConnection& Handshake(const std::string& Mode, int SessionId,
                                 const std::string& Welcome = "srcpd V2.1.3; SRCP 0.8.2");
  TScriptedConnection& Handshake(const std::string& Mode, const std::string& GoReply);

  // Waits (bounded) until every step added so far has run; tells which failed.
  ::testing::AssertionResult Done();

  // For the server: starts the script's thread on an accepted connection.
  void Attach(int Fd);

private:
  enum class TStepKind { skSend, skExpect, skClose, skExpectClosed };
  struct TStep {
    TStepKind Kind;
    std::string Text;
  };

  TScriptedConnection& Add(TStepKind Kind, std::string Text);
  void Run();
  // Empty when the step went as scripted, else why not.
  std::string RunStep(const TStep& Step);

  const int FStopFd;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TStep> FSteps;          // guarded by FLock
  std::size_t FRunning = 0;          // steps taken but not finished; guarded
  std::vector<std::string> FFailures;  // guarded
  bool FAccepted = false, FStopping = false;  // guarded
  int FFd = -1;                       // owned by the script's thread once attached
  TSocketLines FLines;                // the script's thread only
  std::thread FThread;
};

class TScriptedServer {
public:
  static constexpr int StepTimeoutMs = 5000;

  TScriptedServer();
  // Stops accepting, ends every connection, joins every thread.
  ~TScriptedServer();

  int Port() const { return FPort; }
  // The script of the Index-th accepted connection (0 first).
  TScriptedConnection& Connection(std::size_t Index);

private:
  void AcceptLoop();

  int FListenFd = -1, FStopFd = -1, FPort = 0;
  std::mutex FLock;
  std::deque<std::unique_ptr<TScriptedConnection>> FConnections;  // guarded by FLock
  std::thread FAcceptThread;
};

}  // namespace tenvarra::test
