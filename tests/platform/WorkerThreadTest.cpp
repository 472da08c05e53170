#include "platform/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace tenvarra {
namespace {

constexpr int WaitLimitMs = 5000;

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
