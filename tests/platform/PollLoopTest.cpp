#include "platform/PollLoop.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/Pipe.h"

namespace tenvarra {
namespace {

using test::TPipe;

TEST(PollLoopTest, WatchesFollowTheirEventsAndAWatchForNothingIsNotPolledEvenOnHangUp) {
  TPollLoop loop;
  TPipe pipe{true};
  std::vector<unsigned> ready;
  const TWatchId reader = loop.Watch(pipe.Read.Get(), ioRead, [&](int, unsigned r) { ready.push_back(r); });
  const TWatchId writer = loop.Watch(pipe.Write.Get(), ioRead | ioWrite, [&](int, unsigned r) { ready.push_back(r); });
  EXPECT_EQ(loop.RunOnce(0), 2);
  EXPECT_EQ(ready, (std::vector<unsigned>{ioRead, ioWrite}));  // a write end is never readable

  // A hang-up, which poll reports unasked, must not wake the loop for a
  // watch that asks for nothing; asked, it is ready for all that is asked.
  loop.Unwatch(writer);
  pipe.Write.Reset();
  loop.SetWatchEvents(reader, ioNone);
  EXPECT_EQ(loop.PolledCount(), 0u);
  EXPECT_EQ(loop.RunOnce(0), 0);
  loop.SetWatchEvents(reader, ioRead | ioWrite);
  ready.clear();
  EXPECT_EQ(loop.RunOnce(0), 1);
  EXPECT_EQ(ready, std::vector<unsigned>{ioRead | ioWrite});
  loop.Unwatch(reader);
  loop.Unwatch(reader);  // a stale id is harmless
  EXPECT_EQ(loop.RunOnce(0), 0);
}

TEST(PollLoopTest, TimersFireOnceOrRepeatUntilStoppedAndEndAWaitWithoutLimit) {
  TPollLoop loop;
  int once = 0, repeated = 0, stopped = 0;
  loop.StartTimer(10, false, [&] { ++once; });
  EXPECT_EQ(loop.RunOnce(-1), 1);  // would hang if the timer did not end the wait
  TTimerId repeating = 0;
  repeating = loop.StartTimer(1, true, [&] {
    if (++repeated == 3) loop.StopTimer(repeating);
  });
  loop.StopTimer(loop.StartTimer(0, false, [&] { ++stopped; }));
  EXPECT_TRUE(loop.RunUntil([&] { return repeated == 3; }, 5000));
  EXPECT_FALSE(loop.RunUntil([&] { return repeated > 3; }, 20));
  EXPECT_EQ(once, 1);
  EXPECT_EQ(stopped, 0);
}

TEST(PollLoopTest, CallbacksMayRemoveWatchesAndRunTheLoopAgainFromInside) {
  TPollLoop loop;
  TPipe first{true}, second{true};
  int firstCalls = 0, secondCalls = 0, nestedRuns = -1;
  TWatchId firstWatch = 0, secondWatch = 0;
  firstWatch = loop.Watch(first.Read.Get(), ioRead, [&](int, unsigned) {
    ++firstCalls;
    loop.Unwatch(firstWatch);  // its own, while it runs
    loop.Unwatch(secondWatch);
    nestedRuns = loop.RunOnce(0);  // as a modal dialog's loop does
  });
  secondWatch = loop.Watch(second.Read.Get(), ioRead, [&](int, unsigned) { ++secondCalls; });
  EXPECT_EQ(loop.RunOnce(0), 1);
  EXPECT_EQ(firstCalls, 1);
  EXPECT_EQ(secondCalls, 0);  // ready in the same wait, but removed before its turn
  EXPECT_EQ(nestedRuns, 0);
}

}  // namespace
}  // namespace tenvarra
