#include "platform/MainThreadQueue.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace tenvarra {

namespace {

using TClock = std::chrono::steady_clock;

void WaitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, timeoutMs) < 0 && errno == EINTR) {
  }
}

}  // namespace

TMainThreadQueue::TMainThreadQueue()
    : FMainThread(std::this_thread::get_id()),
      FWakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (FWakeFd < 0) throw std::system_error(errno, std::system_category(), "eventfd");
}

TMainThreadQueue::~TMainThreadQueue() {
  Stop();
  ::close(FWakeFd);
}

void TMainThreadQueue::SynchronizeCall(std::function<void()> call) {
  if (IsMainThread()) {
    call();
    return;
  }
  TWaiter waiter;
  std::unique_lock lock(FLock);
  if (FStopped) throw EQueueStopped();
  FPending.push_back({std::move(call), &waiter});
  Wake();
  FFinished.wait(lock, [&waiter] { return waiter.Done || waiter.Dropped; });
  if (waiter.Dropped) throw EQueueStopped();
  if (waiter.Error) std::rethrow_exception(waiter.Error);
}

bool TMainThreadQueue::Queue(std::function<void()> call) {
  {
    const std::lock_guard lock(FLock);
    if (FStopped) return false;
    FPending.push_back({std::move(call), nullptr});
  }
  Wake();
  return true;
}

std::size_t TMainThreadQueue::RunPending() {
  if (!IsMainThread()) throw std::logic_error("RunPending called outside the main thread");
  DrainWake();
  // Calls are taken one at a time, not as a batch: a call that waits for a
  // worker serves the queue meanwhile and must find the calls queued before
  // it too, or it could wait for a worker whose hand-over sits behind it.
  // Counting the calls there were keeps a stream of new ones from holding
  // the main thread here.
  std::size_t round;
  {
    const std::lock_guard lock(FLock);
    round = FPending.size();
  }
  std::size_t ran = 0;
  while (ran < round) {
    TItem item;
    {
      // A stopped queue has dropped its calls already.
      const std::lock_guard lock(FLock);
      if (FPending.empty()) break;
      item = std::move(FPending.front());
      FPending.pop_front();
    }
    ++ran;
    std::exception_ptr error;
    try {
      item.Call();
    } catch (...) {
      error = std::current_exception();
    }
    if (item.Waiter != nullptr) {
      // Hand over the only reference: the waiter's thread then alone frees
      // the exception it rethrows.
      Finish(*item.Waiter, std::move(error));
    } else if (error && OnAsyncError) {
      OnAsyncError(*this, error);
    } else if (error) {
      // The calls after it stay queued; the next look finds them.
      bool more;
      {
        const std::lock_guard lock(FLock);
        more = !FPending.empty();
      }
      if (more) Wake();
      std::rethrow_exception(error);
    }
  }
  return ran;
}

std::size_t TMainThreadQueue::PollOnce(int timeoutMs) {
  WaitReadable(FWakeFd, timeoutMs);
  return RunPending();
}

bool TMainThreadQueue::ServeUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    RunPending();
    if (done()) return true;
    int waitMs = -1;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
      if (left.count() <= 0) return false;
      waitMs = static_cast<int>(left.count());
    }
    WaitReadable(FWakeFd, waitMs);
  }
}

void TMainThreadQueue::Wake() {
  const std::uint64_t one = 1;
  // Fails only when the counter is about to overflow, i.e. it is readable anyway.
  if (::write(FWakeFd, &one, sizeof one) < 0) return;
}

void TMainThreadQueue::Stop() {
  std::deque<TItem> dropped;
  {
    const std::lock_guard lock(FLock);
    FStopped = true;
    dropped.swap(FPending);
    for (TItem& item : dropped) {
      if (item.Waiter != nullptr) item.Waiter->Dropped = true;
    }
  }
  FFinished.notify_all();
  // The dropped calls' captures are destroyed here, outside the lock.
}

bool TMainThreadQueue::Stopped() const {
  const std::lock_guard lock(FLock);
  return FStopped;
}

void TMainThreadQueue::Finish(TWaiter& waiter, std::exception_ptr error) {
  {
    const std::lock_guard lock(FLock);
    waiter.Error = std::move(error);
    waiter.Done = true;
  }
  // The waiter may be gone from here on; only the condition is touched.
  FFinished.notify_all();
}

void TMainThreadQueue::DrainWake() {
  std::uint64_t count;
  if (::read(FWakeFd, &count, sizeof count) < 0) return;  // EAGAIN: nothing to drain
}

}  // namespace tenvarra
