#pragma once
// An SRCP server for tests, driven by a script. It listens on 127.0.0.1 (a
// free port) and hands the connections it accepts, in order, to the scripts
// of Connection(0), Connection(1), ... A script is a list of steps run by a
// thread of the connection: expect a line from the client, send a line,
// close the connection, wait for the client to close it. Steps may be added
// before the client connects (so the server answers while the client blocks
// in its handshake or in a command) and at any time later (information
// lines pushed on cue). A connection with no step left just stays open and
// silent: a stalled server.
//
// Every wait is bounded (TScriptedServer::StepTimeoutMs), so a failing test cannot hang.
// Failed steps are collected; Done() waits for the script to finish and
// reports them.

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
  TScriptedConnection(const TScriptedConnection&) = delete;
  TScriptedConnection& operator=(const TScriptedConnection&) = delete;

  // Sends Line followed by CR LF.
  TScriptedConnection& Send(const std::string& Line);
  // Sends Data as it is.
  TScriptedConnection& SendRaw(const std::string& Data);
  // The client's next line (without CR LF) must be Line.
  TScriptedConnection& Expect(const std::string& Line);
  // Closes the connection from the server's side.
  TScriptedConnection& Close();
  // The client must close the connection, sending nothing more.
  TScriptedConnection& ExpectClosed();
  // The steps of a handshake that the server accepts: welcome line, the
  // replies to SET PROTOCOL, SET CONNECTIONMODE (Mode "COMMAND" or "INFO")
  // and GO with SessionId.
  TScriptedConnection& Handshake(const std::string& Mode, int SessionId,
                                 const std::string& Welcome = "srcpd V2.1.3; SRCP 0.8.2");

  // Waits until every step added so far has run (at most TimeoutMs) and
  // tells which steps failed.
  ::testing::AssertionResult Done(int TimeoutMs = 5000);

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
  void RunStep(const TStep& Step);
  // The next line from the client; false on time-out, end or stop.
  bool ReadLine(std::string& Line, std::string& Why);
  void Fail(const std::string& Why);

  const int FStopFd;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TStep> FSteps;          // guarded by FLock
  std::size_t FRunning = 0;          // steps taken but not finished; guarded
  std::vector<std::string> FFailures;  // guarded
  bool FAccepted = false;             // guarded
  bool FStopping = false;             // guarded
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
  TScriptedServer(const TScriptedServer&) = delete;
  TScriptedServer& operator=(const TScriptedServer&) = delete;

  int Port() const { return FPort; }
  // The script of the Index-th accepted connection (0 first).
  TScriptedConnection& Connection(std::size_t Index);

private:
  void AcceptLoop();

  int FListenFd = -1;
  int FStopFd = -1;
  int FPort = 0;
  std::mutex FLock;
  std::deque<std::unique_ptr<TScriptedConnection>> FConnections;  // guarded by FLock
  std::thread FAcceptThread;
};

}  // namespace tenvarra::test
