#include "platform/MainThreadQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/Wait.h"

namespace tenvarra {
namespace {

using test::WaitLimitMs;

bool WakeFdReadable(const TMainThreadQueue& queue, int timeoutMs = 0) {
  pollfd p{queue.WakeFd(), POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

TEST(MainThreadQueueTest, WorkersHandOverCallsThatRunOnTheMainThreadWithValueOrException) {
  TMainThreadQueue queue;
  int counter = 0;  // deliberately unguarded: only the main thread touches it
  std::atomic<int> running{4};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&] {
      // -1 tells a call that ran on the wrong thread.
      for (int i = 1; i <= 200; ++i)
        EXPECT_GE(queue.Synchronize([&] { return queue.IsMainThread() ? ++counter : -1; }), i);
      EXPECT_THROW(queue.Synchronize([] { throw std::invalid_argument("bad line"); }),
                   std::invalid_argument);
      --running;
      queue.Wake();
    });
  }
  const bool done = queue.ServeUntil([&] { return running.load() == 0; }, WaitLimitMs);
  if (!done) queue.Stop();  // releases stuck workers so the test ends
  for (std::thread& t : workers) t.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(counter, 800);
}

TEST(MainThreadQueueTest, QueuedCallsDoNotWaitAndRunInOrderOnTheNextPoll) {
  TMainThreadQueue queue;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(queue.Queue([&order, i] { order.push_back(i); }));
    EXPECT_THROW(queue.RunPending(), std::logic_error);  // the main thread's job
  });
  worker.join();  // nobody served meanwhile: queuing must not have waited
  EXPECT_TRUE(queue.Queue([&] { order.push_back(4); }));
  // On the main thread a synchronized call runs at once: waiting would never end.
  queue.Synchronize([&] { order.push_back(0); });
  EXPECT_EQ(queue.PollOnce(WaitLimitMs), 4u);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(WakeFdReadable(queue));
}

TEST(MainThreadQueueTest, FailingQueuedCallLeavesTheRestQueuedOrGoesToTheHandler) {
  TMainThreadQueue queue;
  int after = 0;
  const auto queueTwo = [&] {
    queue.Queue([] { throw std::runtime_error("lost connection"); });
    queue.Queue([&] { ++after; });
  };
  queueTwo();
  EXPECT_THROW(queue.RunPending(), std::runtime_error);
  EXPECT_TRUE(WakeFdReadable(queue));  // the rest is still queued
  EXPECT_EQ(queue.RunPending(), 1u);
  EXPECT_EQ(after, 1);

  std::vector<std::exception_ptr> reported;
  queue.OnAsyncError = [&](TMainThreadQueue&, std::exception_ptr e) { reported.push_back(e); };
  queueTwo();
  EXPECT_EQ(queue.RunPending(), 2u);
  EXPECT_EQ(after, 2);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_THROW(std::rethrow_exception(reported[0]), std::runtime_error);
}

TEST(MainThreadQueueTest, StopReleasesAWaitingWorkerAndRefusesLaterCalls) {
  TMainThreadQueue queue;
  std::atomic<int> ran{0};
  std::thread waiting([&] { EXPECT_THROW(queue.Synchronize([&] { ++ran; }), EQueueStopped); });
  EXPECT_TRUE(WakeFdReadable(queue, WaitLimitMs));  // the call is waiting
  queue.Stop();
  std::thread late([&] { EXPECT_THROW(queue.Synchronize([&] { ++ran; }), EQueueStopped); });
  waiting.join();
  late.join();
  EXPECT_FALSE(queue.Queue([&] { ++ran; }));
  EXPECT_EQ(queue.RunPending(), 0u);
  EXPECT_EQ(ran.load(), 0);
  // A call that stops the queue drops the rest of its round.
  TMainThreadQueue other;
  other.Queue([&] { other.Stop(); });
  other.Queue([&] { ++ran; });
  EXPECT_EQ(other.RunPending(), 1u);
  EXPECT_EQ(ran.load(), 0);
}

}  // namespace
}  // namespace tenvarra
