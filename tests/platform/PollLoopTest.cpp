#include "platform/PollLoop.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <vector>

#include "platform/UniqueFd.h"

namespace tenvarra {
namespace {

constexpr int WaitLimitMs = 5000;

struct TPipe {
  TUniqueFd Read, Write;
  TPipe() {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    Read.Reset(fds[0]);
    Write.Reset(fds[1]);
  }
  void Put() const { ASSERT_EQ(::write(Write.Get(), "x", 1), 1); }
};

TEST(PollLoopTest, WatchesFollowTheirEventsAndAWatchForNothingIsNotPolledEvenOnHangUp) {
  TPollLoop loop;
  TPipe pipe;
  std::vector<unsigned> reads, writes;
  const TWatchId reader = loop.Watch(pipe.Read.Get(), ioRead, [&](int, unsigned ready) { reads.push_back(ready); });
  const TWatchId writer = loop.Watch(pipe.Write.Get(), ioNone, [&](int, unsigned ready) { writes.push_back(ready); });
  EXPECT_EQ(loop.RunOnce(0), 0);
  pipe.Put();
  EXPECT_EQ(loop.RunOnce(WaitLimitMs), 1);
  EXPECT_EQ(reads, std::vector<unsigned>{ioRead});

  loop.SetWatchEvents(writer, ioRead | ioWrite);  // a pipe's write end is never readable
  EXPECT_EQ(loop.RunOnce(0), 2);
  EXPECT_EQ(writes, std::vector<unsigned>{ioWrite});

  // Asking for nothing keeps the watch but leaves it out of the wait: a
  // hang-up, which poll reports unasked, must not wake the loop.
  loop.Unwatch(writer);
  pipe.Write.Reset();
  loop.SetWatchEvents(reader, ioNone);
  EXPECT_EQ(loop.PolledCount(), 0u);
  EXPECT_EQ(loop.RunOnce(0), 0);
  loop.SetWatchEvents(reader, ioRead | ioWrite);
  reads.clear();
  EXPECT_EQ(loop.RunOnce(0), 1);
  EXPECT_EQ(reads, std::vector<unsigned>{ioRead | ioWrite});  // a hang-up is ready for all asked
  loop.Unwatch(reader);
  loop.Unwatch(reader);  // a stale id is harmless
  EXPECT_EQ(loop.RunOnce(0), 0);
}

TEST(PollLoopTest, TimersFireOnceOrRepeatUntilStoppedAndShortenTheWait) {
  TPollLoop loop;
  int once = 0, repeated = 0, stopped = 0;
  loop.StartTimer(0, false, [&] { ++once; });
  TTimerId repeating = 0;
  repeating = loop.StartTimer(1, true, [&] {
    if (++repeated == 3) loop.StopTimer(repeating);
  });
  loop.StopTimer(loop.StartTimer(0, false, [&] { ++stopped; }));
  EXPECT_TRUE(loop.RunUntil([&] { return repeated == 3; }, WaitLimitMs));
  EXPECT_FALSE(loop.RunUntil([&] { return repeated > 3; }, 20));
  EXPECT_EQ(once, 1);
  EXPECT_EQ(stopped, 0);

  // A wait without limit ends when the next timer falls due.
  int late = 0;
  loop.StartTimer(10, false, [&] { ++late; });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(loop.RunOnce(-1), 1);
  EXPECT_EQ(late, 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(WaitLimitMs));
}

TEST(PollLoopTest, CallbacksMayRemoveWatchesAndRunTheLoopAgainFromInside) {
  TPollLoop loop;
  TPipe first, second;
  first.Put();
  second.Put();
  int firstCalls = 0, secondCalls = 0, nestedRuns = -1;
  TWatchId secondWatch = 0;
  TWatchId firstWatch = 0;
  firstWatch = loop.Watch(first.Read.Get(), ioRead, [&](int, unsigned) {
    ++firstCalls;
    loop.Unwatch(firstWatch);  // its own watch, while it runs
    loop.Unwatch(secondWatch);
    nestedRuns = loop.RunOnce(0);  // a modal dialog's loop
  });
  secondWatch = loop.Watch(second.Read.Get(), ioRead, [&](int, unsigned) { ++secondCalls; });
  EXPECT_EQ(loop.RunOnce(0), 1);
  EXPECT_EQ(firstCalls, 1);
  EXPECT_EQ(secondCalls, 0);  // ready in the same wait, but removed before its turn
  EXPECT_EQ(nestedRuns, 0);
}

}  // namespace
}  // namespace tenvarra
