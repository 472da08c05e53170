#include "serialport/PtyPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TempDir.h"
#include "platform/PollLoop.h"
#include "serialport/PtyApp.h"

namespace tenvarra {
namespace {

using test::AllByteValues;
using test::TPtyApp;
using test::WaitLimitMs;

class PtyPortTest : public ::testing::Test {
protected:
  void SetUp() override {
    Port.OnRxChar = [this](TVSPort& Sender, int32_t) {
      uint8_t byte = 0;
      while (Sender.InputCount() > 0 && Sender.ReadBytes(&byte, 1) == 1) Got.push_back(byte);
      Events.push_back("rx");
    };
    Port.OnOpenClose = [this](TVSPort&, bool Opened) { Events.push_back(Opened ? "open" : "close"); };
    Port.CreatePort("COM1");
  }

  bool WaitOpened(bool Opened) {
    return Loop.RunUntil([&] { return Port.IsOpened() == Opened; }, WaitLimitMs);
  }
  bool WaitGot(std::size_t Count) {
    return Loop.RunUntil([&] { return Got.size() >= Count; }, WaitLimitMs);
  }

  test::TTempDir Temp;
  TPollLoop Loop;
  TPtyPort Port{Loop, Temp.File("ports")};
  std::vector<uint8_t> Got;
  std::vector<std::string> Events;
};

TEST_F(PtyPortTest, AllByteValuesPassBothWaysWhateverModeTheApplicationSetsOrLeftBehind) {
  const std::vector<uint8_t> all = AllByteValues();
  enum TMode { modeNone, mode605x, modeCookedThenClose };
  for (const TMode mode : {modeNone, mode605x, modeCookedThenClose, modeNone}) {
    SCOPED_TRACE(mode);
    TPtyApp app(Loop, Port.LinkPath());
    ASSERT_TRUE(app.Opened());
    ASSERT_TRUE(WaitOpened(true));
    if (mode == mode605x) app.Set605xMode();
    if (mode == modeCookedThenClose) {
      app.SetCookedMode();  // the next application must not inherit it
    } else {
      Got.clear();
      app.Write(all);
      ASSERT_TRUE(WaitGot(all.size()));
      EXPECT_EQ(Got, all);
      EXPECT_EQ(Port.WriteBytes(all.data(), 256), 256);
      ASSERT_TRUE(app.ReadAtLeast(all.size()));
      EXPECT_EQ(app.Received, all);
    }
    app.Close();
    ASSERT_TRUE(WaitOpened(false));
  }
  // No modem lines: the state is kept, and the port says it drove nothing.
  EXPECT_FALSE(Port.SetHandshakeLine(true));
  EXPECT_TRUE(Port.HandshakeLine());
}

TEST_F(PtyPortTest, OpensAndClosesAreFollowedOverManyCyclesWithTheLastBytesAndNoWakeUpsWhileClosed) {
  constexpr int Cycles = 50;
  std::vector<std::string> expected;
  for (int cycle = 0; cycle < Cycles; ++cycle) {
    {
      TPtyApp app(Loop, Port.LinkPath());
      ASSERT_TRUE(WaitOpened(true)) << cycle;
      app.Write({static_cast<uint8_t>(cycle)});  // and closes at once
    }
    ASSERT_TRUE(WaitOpened(false)) << cycle;
    expected.insert(expected.end(), {"open", "rx", "close"});
    // Closed, the master is out of the wait: nothing may wake the loop.
    EXPECT_EQ(Loop.PolledCount(), 1u);
    EXPECT_EQ(Loop.RunOnce(0), 0);
  }
  // An application that comes, writes and goes between two looks of the
  // loop is seen all the same.
  TPtyApp(Loop, Port.LinkPath()).Write({Cycles});
  ASSERT_TRUE(WaitGot(Cycles + 1));
  expected.insert(expected.end(), {"open", "rx", "close"});
  EXPECT_EQ(Events, expected);
  for (int cycle = 0; cycle <= Cycles; ++cycle) EXPECT_EQ(Got[static_cast<std::size_t>(cycle)], cycle);
  EXPECT_FALSE(Port.IsOpened());
}

TEST_F(PtyPortTest, RepliesNeverBlockAndReachOnlyTheApplicationThatIsThere) {
  std::vector<uint8_t> large(60000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7);
  {
    TPtyApp first(Loop, Port.LinkPath());
    ASSERT_TRUE(WaitOpened(true));
    // Far more than a pty holds: taken at once, finished as the reader reads.
    EXPECT_EQ(Port.WriteBytes(large.data(), static_cast<int32_t>(large.size())), 60000);
    ASSERT_TRUE(first.ReadAtLeast(large.size()));
    EXPECT_EQ(first.Received, large);
    const uint8_t unread[] = {1, 2, 3};
    Port.WriteBytes(unread, 3);  // left unread when the application closes
  }
  ASSERT_TRUE(WaitOpened(false));
  const uint8_t dropped = 4;
  EXPECT_EQ(Port.WriteBytes(&dropped, 1), 0);

  TPtyApp second(Loop, Port.LinkPath());
  ASSERT_TRUE(WaitOpened(true));
  const uint8_t reply = 9;
  Port.WriteBytes(&reply, 1);
  ASSERT_TRUE(second.ReadAtLeast(1));
  EXPECT_EQ(second.Received, std::vector<uint8_t>{9});
}

}  // namespace
}  // namespace tenvarra
