#include "qtloop/QtEventLoop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>
#include <vector>

#include "common/Pipe.h"
#include "common/Wait.h"

namespace tenvarra {
namespace {

using test::TPipe;
using test::WaitLimitMs;

// Runs Qt's loop until Done holds or the limit has passed.
bool RunUntil(const std::function<bool()>& Done, int LimitMs = WaitLimitMs) {
  const QDeadlineTimer Deadline(LimitMs);
  while (!Done() && !Deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  return Done();
}

class QtEventLoopTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "qtloop_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
  }
  TQtEventLoop Loop;
};

TEST_F(QtEventLoopTest, WatchesReportWhatTheyAskForAndMayRemoveThemselvesAndOthers) {
  TPipe First, Second;
  std::vector<unsigned> Reads, Writes;
  int SecondCalls = 0;
  TWatchId SecondWatch = 0;
  TWatchId FirstWatch = Loop.Watch(First.Read.Get(), ioRead, [&](int, unsigned Ready) {
    Reads.push_back(Ready);
    First.Take();
    if (Reads.size() == 2) {
      Loop.Unwatch(FirstWatch);  // its own watch, while it runs
      Loop.Unwatch(SecondWatch);
    }
  });
  SecondWatch = Loop.Watch(Second.Read.Get(), ioNone, [&](int, unsigned) { ++SecondCalls; });
  const TWatchId Writer =
      Loop.Watch(First.Write.Get(), ioWrite, [&](int, unsigned Ready) { Writes.push_back(Ready); });

  First.Put();
  ASSERT_TRUE(RunUntil([&] { return Reads.size() == 1 && !Writes.empty(); }));
  EXPECT_EQ(Reads.front(), unsigned{ioRead});
  EXPECT_EQ(Writes.front(), unsigned{ioWrite});
  Loop.SetWatchEvents(Writer, ioNone);
  Writes.clear();

  // A watch asking for nothing is not called although its pipe is readable.
  Second.Put();
  First.Put();
  ASSERT_TRUE(RunUntil([&] { return Reads.size() == 2; }));
  First.Put();
  Second.Put();
  EXPECT_FALSE(RunUntil([&] { return Reads.size() > 2 || SecondCalls > 0 || !Writes.empty(); }, 50));
  Loop.Unwatch(FirstWatch);  // stale ids are harmless
  Loop.Unwatch(Writer);
}

TEST_F(QtEventLoopTest, TimersFireOnceOrRepeatUntilStoppedAlsoInsideANestedLoop) {
  int Once = 0, Repeated = 0, Stopped = 0, Inner = 0;
  Loop.StartTimer(0, false, [&] {
    ++Once;
    // A modal dialog runs a loop of its own: timers keep firing inside it.
    QEventLoop Nested;
    Loop.StartTimer(1, false, [&] {
      ++Inner;
      Nested.quit();
    });
    Nested.exec();
  });
  TTimerId Repeating = 0;
  Repeating = Loop.StartTimer(1, true, [&] {
    if (++Repeated == 3) Loop.StopTimer(Repeating);
  });
  Loop.StopTimer(Loop.StartTimer(0, false, [&] { ++Stopped; }));
  ASSERT_TRUE(RunUntil([&] { return Repeated == 3 && Inner == 1; }));
  EXPECT_FALSE(RunUntil([&] { return Repeated > 3 || Once > 1; }, 30));
  EXPECT_EQ(Once, 1);
  EXPECT_EQ(Stopped, 0);
  Loop.StopTimer(Repeating);  // finished: ignored
}

}  // namespace
}  // namespace tenvarra
