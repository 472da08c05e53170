#include "platform/WorkerThread.h"

#include "LoopbackPeer.h"
#include "platform/TcpLineSocket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

namespace tenvarra {
namespace {

constexpr int WaitLimitMs = 5000;

TEST(WorkerThreadTest, RunsItsBodyUntilTerminated) {
  TMainThreadQueue queue;
  std::atomic<int> rounds{0};
  TWorkerThread worker(queue, [&](TWorkerThread& self) {
    if (++rounds == 5) self.Terminate();
  });
  EXPECT_FALSE(worker.Finished());
  worker.Start();
  ASSERT_TRUE(worker.JoinServing(WaitLimitMs));
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(rounds.load(), 5);
  EXPECT_EQ(worker.Error(), nullptr);
  EXPECT_THROW(worker.Start(), std::logic_error);
}

TEST(WorkerThreadTest, ABodyThatRaisesEndsTheThreadAndKeepsTheError) {
  TMainThreadQueue queue;
  int rounds = 0;  // only the worker touches it until the join
  TWorkerThread worker(queue, [&](TWorkerThread&) {
    if (++rounds == 3) throw std::runtime_error("read failed");
  });
  worker.Start();
  ASSERT_TRUE(worker.JoinServing(WaitLimitMs));
  EXPECT_EQ(rounds, 3);
  ASSERT_NE(worker.Error(), nullptr);
  EXPECT_THROW(std::rethrow_exception(worker.Error()), std::runtime_error);
}

TEST(WorkerThreadTest, JoinServingServesTheHandOversTheWorkerWaitsFor) {
  // The worker hands over a call and waits; the main thread is already
  // waiting for the worker to end. Without serving, both would wait forever.
  TMainThreadQueue queue;
  const auto mainId = std::this_thread::get_id();
  int handled = 0;  // main thread only
  TWorkerThread worker(queue, [&](TWorkerThread& self) {
    queue.Synchronize([&] {
      EXPECT_EQ(std::this_thread::get_id(), mainId);
      ++handled;
    });
    if (queue.Synchronize([&] { return handled; }) == 10) self.Terminate();
  });
  worker.Start();
  ASSERT_TRUE(worker.JoinServing(WaitLimitMs));
  EXPECT_EQ(handled, 10);
  EXPECT_EQ(worker.Error(), nullptr);
}

TEST(WorkerThreadTest, JoinServingGivesUpAfterItsTimeOut) {
  TMainThreadQueue queue;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  TWorkerThread worker(queue, [&](TWorkerThread& self) {
    released.wait();
    self.Terminate();
  });
  worker.Start();
  EXPECT_FALSE(worker.JoinServing(50));
  EXPECT_FALSE(worker.Finished());
  release.set_value();
  EXPECT_TRUE(worker.JoinServing(WaitLimitMs));
}

TEST(WorkerThreadTest, StoppingTheQueueLetsAWaitingWorkerEnd) {
  TMainThreadQueue queue;
  TWorkerThread worker(queue, [&](TWorkerThread&) { queue.Synchronize([] {}); });
  worker.Start();
  queue.Stop();
  ASSERT_TRUE(worker.JoinServing(WaitLimitMs));
  ASSERT_NE(worker.Error(), nullptr);
  EXPECT_THROW(std::rethrow_exception(worker.Error()), EQueueStopped);
}

TEST(WorkerThreadTest, DestructionWaitsWhileServing) {
  TMainThreadQueue queue;
  std::atomic<int> handled{0};
  {
    TWorkerThread worker(queue, [&](TWorkerThread&) { queue.Synchronize([&] { ++handled; }); });
    worker.Start();
    ASSERT_TRUE(queue.ServeUntil([&] { return handled.load() > 0; }, WaitLimitMs));
  }
  EXPECT_GT(handled.load(), 0);
}

// The reader of a line connection, torn down while it may be blocked in a
// read or waiting for a hand-over: the shape the information session takes.
TEST(WorkerThreadTest, LineReaderHandsLinesOverAndStopsOnDisconnect) {
  test::TLoopbackListener listener;
  ASSERT_TRUE(listener.Valid());
  TTcpLineSocket socket;
  socket.SetHost("127.0.0.1");
  socket.SetPort(listener.Port());
  socket.Connect(2000);
  test::TPeerEnd peer = listener.Accept();

  TMainThreadQueue queue;
  std::vector<std::string> dispatched;  // main thread only
  TWorkerThread reader(queue, [&](TWorkerThread&) {
    std::string line = socket.ReadLine();
    if (!line.empty()) queue.Synchronize([&] { dispatched.push_back(line); });
    socket.CheckForDisconnect();
  });
  reader.Start();
  ASSERT_TRUE(peer.Send("100 INFO 1 POWER ON\r\n\r\n100 INFO 1 FB 7 1\r\n100 INFO 1 FB 8 0\r\n"));
  ASSERT_TRUE(queue.ServeUntil([&] { return dispatched.size() == 3; }, WaitLimitMs));
  ASSERT_TRUE(peer.Send("100 INFO 1 FB 9 1\r\n"));  // may or may not be handed over

  reader.Terminate();
  socket.Disconnect();
  ASSERT_TRUE(reader.JoinServing(WaitLimitMs));
  EXPECT_GE(dispatched.size(), 3u);
  EXPECT_EQ(dispatched[0], "100 INFO 1 POWER ON");
  EXPECT_EQ(dispatched[2], "100 INFO 1 FB 8 0");
  // Ended by the read failing, or by Terminate between two rounds.
  if (reader.Error() != nullptr) {
    EXPECT_THROW(std::rethrow_exception(reader.Error()), EConnClosed);
  }
}

}  // namespace
}  // namespace tenvarra
