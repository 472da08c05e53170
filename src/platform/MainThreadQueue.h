#pragma once
// Hands calls from worker threads to the main thread. The main thread's event
// loop watches WakeFd() and calls RunPending() when it becomes readable; while
// the main thread waits for a worker to end it keeps serving (ServeUntil), so
// a worker blocked in Synchronize can always finish. This is the one place in
// the system that takes a lock.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <utility>

namespace tenvarra {

// Synchronize on a stopped queue: the call did not run and never will.
class EQueueStopped : public std::runtime_error {
public:
  EQueueStopped() : std::runtime_error("main thread queue stopped; call not run") {}
};

class TMainThreadQueue {
public:
  // The constructing thread is the main thread.
  TMainThreadQueue();
  // Stops the queue (see Stop).
  ~TMainThreadQueue();
  TMainThreadQueue(const TMainThreadQueue&) = delete;
  TMainThreadQueue& operator=(const TMainThreadQueue&) = delete;

  // Readable (eventfd) while calls wait or a worker called Wake().
  int WakeFd() const { return FWakeFd; }
  bool IsMainThread() const { return std::this_thread::get_id() == FMainThread; }

  // Runs call on the main thread and waits for it; returns its result and
  // rethrows its exception on the calling thread. On the main thread the call
  // runs at once. Raises EQueueStopped when the queue is or gets stopped
  // before the call has run.
  template <typename F>
  auto Synchronize(F&& call) -> std::invoke_result_t<F&> {
    using TResult = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<TResult>) {
      SynchronizeCall([&call] { call(); });
    } else {
      std::optional<TResult> result;
      SynchronizeCall([&call, &result] { result.emplace(call()); });
      return std::move(*result);
    }
  }

  // Queues call for the main thread without waiting (from any thread, the
  // main thread included: it then runs at the next RunPending). Returns false
  // and drops the call when the queue is stopped.
  bool Queue(std::function<void()> call);

  // Main thread: runs the calls queued so far, in order, one at a time, so a
  // call that serves the queue while it waits runs the ones behind it; returns
  // how many ran here.
  // A queued (asynchronous) call that throws goes to OnAsyncError; without a
  // handler the exception leaves RunPending, and the calls after it stay
  // queued with the wake descriptor readable again.
  std::size_t RunPending();
  // Main thread: waits up to timeoutMs (-1: no limit) for WakeFd, then runs
  // what is pending. Returns how many calls ran.
  std::size_t PollOnce(int timeoutMs);
  // Main thread: serves calls until done() holds or timeoutMs has passed
  // (-1: no limit). Whatever makes done() true must call Wake() afterwards.
  // Returns done().
  bool ServeUntil(const std::function<bool()>& done, int timeoutMs = -1);

  // Any thread: makes WakeFd readable so that a waiting main thread looks again.
  void Wake();

  // Refuses new calls, drops queued ones and releases every worker waiting in
  // Synchronize with EQueueStopped: a worker can always end during tear-down.
  void Stop();
  bool Stopped() const;

  std::function<void(TMainThreadQueue& sender, std::exception_ptr error)> OnAsyncError;

private:
  struct TWaiter {
    bool Done = false;
    bool Dropped = false;
    std::exception_ptr Error;
  };
  struct TItem {
    std::function<void()> Call;
    TWaiter* Waiter = nullptr;  // null for queued calls; else owned by the waiting thread
  };

  void SynchronizeCall(std::function<void()> call);
  void Finish(TWaiter& waiter, std::exception_ptr error);
  void DrainWake();

  const std::thread::id FMainThread;
  int FWakeFd = -1;
  mutable std::mutex FLock;
  std::condition_variable FFinished;
  std::deque<TItem> FPending;  // guarded by FLock
  bool FStopped = false;       // guarded by FLock
};

}  // namespace tenvarra
