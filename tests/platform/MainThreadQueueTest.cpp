#include "platform/MainThreadQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tenvarra {
namespace {

constexpr int WaitLimitMs = 5000;

bool WakeFdReadable(const TMainThreadQueue& queue, int timeoutMs) {
  pollfd p{queue.WakeFd(), POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

// Runs body on a worker thread while the main thread serves the queue.
template <typename F>
auto OnWorkerServed(TMainThreadQueue& queue, F body) {
  std::atomic<bool> done{false};
  auto result = std::async(std::launch::async, [&] {
    struct TDone {
      TMainThreadQueue& Queue;
      std::atomic<bool>& Flag;
      ~TDone() {
        Flag.store(true);
        Queue.Wake();
      }
    } mark{queue, done};
    return body();
  });
  EXPECT_TRUE(queue.ServeUntil([&] { return done.load(); }, WaitLimitMs));
  if (!done.load()) queue.Stop();  // release the worker so the test ends
  return result.get();
}

TEST(MainThreadQueueTest, SynchronizeRunsOnTheMainThreadAndReturnsItsValue) {
  TMainThreadQueue queue;
  const auto mainId = std::this_thread::get_id();
  std::thread::id ranOn;
  const int value = OnWorkerServed(queue, [&] {
    EXPECT_FALSE(queue.IsMainThread());
    return queue.Synchronize([&] {
      ranOn = std::this_thread::get_id();
      return 42;
    });
  });
  EXPECT_EQ(value, 42);
  EXPECT_EQ(ranOn, mainId);
}

TEST(MainThreadQueueTest, SynchronizeCarriesTheExceptionBackToTheWorker) {
  TMainThreadQueue queue;
  const std::string message = OnWorkerServed(queue, [&]() -> std::string {
    try {
      queue.Synchronize([] { throw std::invalid_argument("bad line"); });
    } catch (const std::invalid_argument& e) {
      return e.what();
    }
    return "no exception";
  });
  EXPECT_EQ(message, "bad line");
}

TEST(MainThreadQueueTest, SynchronizeOnTheMainThreadRunsAtOnce) {
  TMainThreadQueue queue;
  int calls = 0;
  queue.Synchronize([&] { ++calls; });
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(WakeFdReadable(queue, 0));
  EXPECT_EQ(queue.RunPending(), 0u);
}

TEST(MainThreadQueueTest, ManyWorkersTouchMainThreadStateOnlyThroughTheQueue) {
  TMainThreadQueue queue;
  int counter = 0;  // deliberately unguarded: only the main thread touches it
  constexpr int workers = 4;
  constexpr int callsEach = 200;
  OnWorkerServed(queue, [&] {
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w) {
      threads.emplace_back([&] {
        for (int i = 0; i < callsEach; ++i) queue.Synchronize([&] { ++counter; });
      });
    }
    for (std::thread& t : threads) t.join();
    return 0;
  });
  EXPECT_EQ(counter, workers * callsEach);
}

TEST(MainThreadQueueTest, QueueDoesNotWaitAndRunsInOrderThroughTheWakeFd) {
  TMainThreadQueue queue;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(queue.Queue([&order, i] { order.push_back(i); }));
  });
  worker.join();  // no serving meanwhile: posting must not have waited
  EXPECT_TRUE(order.empty());
  ASSERT_TRUE(WakeFdReadable(queue, WaitLimitMs));
  EXPECT_EQ(queue.RunPending(), 3u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(WakeFdReadable(queue, 0));
}

TEST(MainThreadQueueTest, PollOnceServesAWaitingWorker) {
  TMainThreadQueue queue;
  std::atomic<bool> ran{false};
  std::thread worker([&] { queue.Synchronize([&] { ran.store(true); }); });
  std::size_t served = 0;
  for (int i = 0; i < 100 && served == 0; ++i) served = queue.PollOnce(WaitLimitMs / 100);
  worker.join();
  EXPECT_EQ(served, 1u);
  EXPECT_TRUE(ran.load());
}

TEST(MainThreadQueueTest, QueueOnTheMainThreadWaitsForTheNextRound) {
  TMainThreadQueue queue;
  int calls = 0;
  EXPECT_TRUE(queue.Queue([&] { ++calls; }));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(queue.PollOnce(0), 1u);
  EXPECT_EQ(calls, 1);
}

TEST(MainThreadQueueTest, FailingQueuedCallGoesToTheHandler) {
  TMainThreadQueue queue;
  std::string reported;
  queue.OnAsyncError = [&](TMainThreadQueue& sender, std::exception_ptr error) {
    EXPECT_EQ(&sender, &queue);
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      reported = e.what();
    }
  };
  int after = 0;
  queue.Queue([] { throw std::runtime_error("lost connection"); });
  queue.Queue([&] { ++after; });
  EXPECT_EQ(queue.RunPending(), 2u);
  EXPECT_EQ(reported, "lost connection");
  EXPECT_EQ(after, 1);
}

TEST(MainThreadQueueTest, FailingQueuedCallWithoutHandlerLeavesTheRestQueued) {
  TMainThreadQueue queue;
  int after = 0;
  queue.Queue([] { throw std::runtime_error("lost connection"); });
  queue.Queue([&] { ++after; });
  EXPECT_THROW(queue.RunPending(), std::runtime_error);
  EXPECT_EQ(after, 0);
  EXPECT_TRUE(WakeFdReadable(queue, 0));
  EXPECT_EQ(queue.RunPending(), 1u);
  EXPECT_EQ(after, 1);
}

TEST(MainThreadQueueTest, RunPendingBelongsToTheMainThread) {
  TMainThreadQueue queue;
  auto result = std::async(std::launch::async, [&] {
    try {
      queue.RunPending();
    } catch (const std::logic_error&) {
      return true;
    }
    return false;
  });
  EXPECT_TRUE(result.get());
}

// --- stopping --------------------------------------------------------------

TEST(MainThreadQueueTest, StopReleasesAWorkerWaitingInSynchronize) {
  TMainThreadQueue queue;
  std::atomic<bool> ran{false};
  auto worker = std::async(std::launch::async, [&] {
    try {
      queue.Synchronize([&] { ran.store(true); });
    } catch (const EQueueStopped&) {
      return true;
    }
    return false;
  });
  ASSERT_TRUE(WakeFdReadable(queue, WaitLimitMs));  // the call is waiting
  queue.Stop();
  ASSERT_EQ(worker.wait_for(std::chrono::milliseconds(WaitLimitMs)), std::future_status::ready);
  EXPECT_TRUE(worker.get());
  EXPECT_EQ(queue.RunPending(), 0u);
  EXPECT_FALSE(ran.load());
}

TEST(MainThreadQueueTest, StoppedQueueRefusesNewCalls) {
  TMainThreadQueue queue;
  int queued = 0;
  queue.Queue([&] { ++queued; });
  queue.Stop();
  EXPECT_TRUE(queue.Stopped());
  EXPECT_FALSE(queue.Queue([&] { ++queued; }));
  EXPECT_EQ(queue.RunPending(), 0u);
  EXPECT_EQ(queued, 0);
  auto worker = std::async(std::launch::async, [&] {
    try {
      queue.Synchronize([] {});
    } catch (const EQueueStopped&) {
      return true;
    }
    return false;
  });
  ASSERT_EQ(worker.wait_for(std::chrono::milliseconds(WaitLimitMs)), std::future_status::ready);
  EXPECT_TRUE(worker.get());
}

TEST(MainThreadQueueTest, StopInsideACallDropsTheRestOfTheRound) {
  TMainThreadQueue queue;
  int later = 0;
  queue.Queue([&] { queue.Stop(); });
  queue.Queue([&] { ++later; });
  EXPECT_EQ(queue.RunPending(), 1u);
  EXPECT_EQ(later, 0);
}

}  // namespace
}  // namespace tenvarra
