#pragma once
// The information session's reader: a thread that only reads lines and hands
// each non-empty one to the main thread, waiting until it has been dealt
// with. It ends at its first failed read. When it ends without having been
// told to, it says so through OnEnded (on its own thread), with the error that
// ended it; the session posts that to the main thread, which must never be
// waited for from here.

#include <exception>
#include <functional>
#include <string>

#include "platform/MainThreadQueue.h"
#include "platform/TcpLineSocket.h"
#include "platform/WorkerThread.h"

namespace tenvarra {

class TSRCPInfoReadThread {
public:
  // Runs on the main thread, once per non-empty line.
  using TDispatch = std::function<void(const std::string& Line)>;
  // Runs on the reader's thread when a failure, Reason, ended it.
  using TEnded = std::function<void(TSRCPInfoReadThread& Sender, std::exception_ptr Reason)>;

  // Not started. Socket, queue and the callbacks' targets must outlive the thread.
  TSRCPInfoReadThread(TMainThreadQueue& Queue, TTcpLineSocket& Socket, TDispatch Dispatch,
                      TEnded OnEnded);
  // Terminates and joins; the caller must have unblocked the read first
  // (Shutdown or Disconnect of the socket).
  ~TSRCPInfoReadThread() = default;
  TSRCPInfoReadThread(const TSRCPInfoReadThread&) = delete;
  TSRCPInfoReadThread& operator=(const TSRCPInfoReadThread&) = delete;

  void Start() { FThread.Start(); }
  // No further line is read after the current one.
  void Terminate() { FThread.Terminate(); }
  bool Terminated() const { return FThread.Terminated(); }
  bool Finished() const { return FThread.Finished(); }
  // See TWorkerThread::JoinServing.
  bool JoinServing(int TimeoutMs = -1) { return FThread.JoinServing(TimeoutMs); }

  // The last line read. Stable only while it is being dispatched.
  const std::string& Line() const { return FLine; }

private:
  // One round: read a line, hand it over, see whether the connection is gone.
  void Run(TWorkerThread& Self);

  TMainThreadQueue& FQueue;
  TTcpLineSocket& FSocket;
  TDispatch FDispatch;
  TEnded FOnEnded;
  std::string FLine;
  TWorkerThread FThread;  // last: it runs Run on the members above
};

}  // namespace tenvarra
