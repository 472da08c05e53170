#pragma once
// A worker thread that runs its body over and over until asked to terminate,
// and ends early when the body raises (a reader ends on its first failed
// read). Its end wakes the main thread's queue, so the main thread can wait
// for it while serving the worker's hand-overs.

#include "platform/MainThreadQueue.h"

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace tenvarra {

class TWorkerThread {
public:
  using TBody = std::function<void(TWorkerThread& self)>;

  // Not started yet. queue is the main thread's, not owned, and must outlive
  // the thread.
  TWorkerThread(TMainThreadQueue& queue, TBody body);
  // Asks the thread to terminate and waits for it, serving hand-overs (errors
  // of queued calls met meanwhile are dropped). Whoever blocks the body, e.g.
  // a socket read, must have unblocked it first.
  ~TWorkerThread();
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  // Starts the thread; once only (std::logic_error otherwise).
  void Start();
  // Any thread: no further round of the body starts after the current one.
  void Terminate() { FTerminated.store(true); }
  bool Terminated() const { return FTerminated.load(); }
  // The body has returned for the last time (or raised).
  bool Finished() const { return FFinished.load(); }

  // Waits for the thread to end and joins it. On the main thread, hand-overs
  // are served meanwhile and timeoutMs (-1: no limit) bounds the wait; false
  // means the time ran out and the thread is still running. Elsewhere it is a
  // plain join. Returns true when the thread was never started.
  bool JoinServing(int timeoutMs = -1);

  // The exception that ended the body, or null; valid once Finished().
  std::exception_ptr Error() const { return Finished() ? FError : nullptr; }

private:
  void Main();

  TMainThreadQueue& FQueue;
  TBody FBody;
  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::exception_ptr FError;  // written by the thread before FFinished
};

}  // namespace tenvarra
