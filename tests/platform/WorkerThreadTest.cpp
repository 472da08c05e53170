#include "platform/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

#include "common/Wait.h"

namespace tenvarra {
namespace {

using test::WaitLimitMs;

// Waits until a call is queued (or a worker woke the queue), then quietens
// the descriptor again so the next call can be seen.
bool TakeWake(const TMainThreadQueue& queue) {
  pollfd p{queue.WakeFd(), POLLIN, 0};
  if (::poll(&p, 1, WaitLimitMs) != 1) return false;
  uint64_t count;
  return ::read(queue.WakeFd(), &count, sizeof count) == sizeof count;
}

TEST(WorkerThreadTest, BodyRunsUntilTerminatedOrUntilItRaises) {
  TMainThreadQueue queue;
  std::atomic<int> rounds{0};
  TWorkerThread stops(queue, [&](TWorkerThread& self) {
    if (++rounds == 5) self.Terminate();
  });
  TWorkerThread fails(queue, [](TWorkerThread&) { throw std::runtime_error("read failed"); });
  stops.Start();
  fails.Start();
  ASSERT_TRUE(stops.JoinServing(WaitLimitMs));
  ASSERT_TRUE(fails.JoinServing(WaitLimitMs));
  EXPECT_EQ(rounds.load(), 5);
  EXPECT_EQ(stops.Error(), nullptr);
  ASSERT_NE(fails.Error(), nullptr);
  EXPECT_THROW(std::rethrow_exception(fails.Error()), std::runtime_error);
  EXPECT_THROW(stops.Start(), std::logic_error);
}

TEST(WorkerThreadTest, WaitingForTheWorkerServesItsHandOvers) {
  // The worker hands over a call and waits while the main thread waits for it
  // to end, in JoinServing or in the destructor: without serving, both would
  // wait forever.
  TMainThreadQueue queue;
  int handled = 0;  // main thread only
  {
    TWorkerThread endless(queue, [&](TWorkerThread&) { queue.Synchronize([&] { ++handled; }); });
    endless.Start();
    ASSERT_TRUE(queue.ServeUntil([&] { return handled > 0; }, WaitLimitMs));
  }
  TWorkerThread worker(queue, [&](TWorkerThread& self) {
    if (queue.Synchronize([&] { return ++handled; }) >= 10) self.Terminate();
  });
  worker.Start();
  ASSERT_TRUE(worker.JoinServing(WaitLimitMs));
  EXPECT_GE(handled, 10);
}

TEST(WorkerThreadTest, AHandOverThatJoinsAnotherWorkerServesTheCallQueuedBehindIt) {
  // Both calls wait in the queue before the main thread looks; the first
  // one's wait for the second worker must run the second one's call.
  TMainThreadQueue queue;
  bool joined = false;
  TWorkerThread second(queue, [&](TWorkerThread& self) {
    queue.Synchronize([] {});
    self.Terminate();
  });
  TWorkerThread first(queue, [&](TWorkerThread& self) {
    queue.Synchronize([&] { joined = second.JoinServing(1000); });
    self.Terminate();
  });
  first.Start();
  ASSERT_TRUE(TakeWake(queue));
  second.Start();
  ASSERT_TRUE(TakeWake(queue));
  queue.RunPending();
  EXPECT_TRUE(joined);
  EXPECT_TRUE(first.JoinServing(WaitLimitMs) && second.JoinServing(WaitLimitMs));
}

TEST(WorkerThreadTest, JoinServingGivesUpAfterItsTimeOut) {
  TMainThreadQueue queue;
  std::atomic<bool> release{false};
  TWorkerThread worker(queue, [&](TWorkerThread& self) {
    if (release.load()) self.Terminate();
  });
  worker.Start();
  EXPECT_FALSE(worker.JoinServing(50));  // still running
  release.store(true);
  EXPECT_TRUE(worker.JoinServing(WaitLimitMs));
}

}  // namespace
}  // namespace tenvarra
