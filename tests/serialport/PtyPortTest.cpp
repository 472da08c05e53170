#include "serialport/PtyPort.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "serialport/PtyApp.h"

namespace tenvarra {
namespace {

using test::TPtyApp;

class PtyPortTest : public ::testing::Test {
protected:
  void SetUp() override {
    Port.OnRxChar = [this](TVSPort& Sender, int32_t) {
      for (uint8_t byte = 0; Sender.InputCount() > 0 && Sender.ReadBytes(&byte, 1) == 1;) Got.push_back(byte);
      Events.push_back("rx");
    };
    Port.OnOpenClose = [this](TVSPort&, bool Opened) { Events.push_back(Opened ? "open" : "close"); };
    Port.CreatePort("COM1");
  }
  bool WaitFor(const std::function<bool()>& Done) { return Loop.RunUntil(Done, test::WaitLimitMs); }
  bool WaitOpened(bool Opened) {
    return WaitFor([&] { return Port.IsOpened() == Opened; });
  }

  test::TTempDir Temp;
  TPollLoop Loop;
  TPtyPort Port{Loop, Temp.File("ports")};
  std::vector<uint8_t> Got;
  std::vector<std::string> Events;
};

TEST_F(PtyPortTest, AllByteValuesPassBothWaysWhateverModeTheApplicationSetsOrLeftBehind) {
  std::vector<uint8_t> all(256);
  for (std::size_t b = 0; b < all.size(); ++b) all[b] = static_cast<uint8_t>(b);
  // No mode of its own, a 605x host's mode, a cooked mode left behind, none.
  for (const std::optional<bool> cooked : {std::optional<bool>(), {false}, {true}, {}}) {
    {
      TPtyApp app(Loop, Port.LinkPath());
      ASSERT_TRUE(WaitOpened(true));
      if (cooked) app.SetMode(*cooked);
      if (cooked != true) {
        Got.clear();
        app.Write(all);
        ASSERT_TRUE(WaitFor([&] { return Got.size() >= all.size(); }));
        EXPECT_EQ(Got, all);
        EXPECT_EQ(Port.WriteBytes(all.data(), 256), 256);
        ASSERT_TRUE(app.ReadAtLeast(all.size()));
        EXPECT_EQ(app.Received, all);
      }
    }
    ASSERT_TRUE(WaitOpened(false));
  }
}

TEST_F(PtyPortTest, OpensAndClosesAreFollowedOverManyCyclesWithTheLastBytesAndNoWakeUpsWhileClosed) {
  constexpr int Cycles = 50;
  for (int cycle = 0; cycle < Cycles; ++cycle) {
    {
      TPtyApp app(Loop, Port.LinkPath());
      ASSERT_TRUE(WaitOpened(true)) << cycle;
      app.Write({static_cast<uint8_t>(cycle)});  // and closes at once
    }
    ASSERT_TRUE(WaitOpened(false)) << cycle;
    // Closed, the master is out of the wait: nothing may wake the loop.
    EXPECT_EQ(Loop.PolledCount(), 1u);
    EXPECT_EQ(Loop.RunOnce(0), 0);
  }
  // One that comes, writes and goes between two looks of the loop is seen too.
  TPtyApp(Loop, Port.LinkPath()).Write({Cycles});
  ASSERT_TRUE(WaitFor([&] { return Got.size() > Cycles; }));
  std::vector<std::string> expected;
  for (int cycle = 0; cycle <= Cycles; ++cycle) {
    expected.insert(expected.end(), {"open", "rx", "close"});
    EXPECT_EQ(Got.at(static_cast<std::size_t>(cycle)), cycle);
  }
  EXPECT_EQ(Events, expected);
}

TEST_F(PtyPortTest, RepliesNeverBlockAndReachOnlyTheApplicationThatIsThere) {
  std::vector<uint8_t> large(60000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7);
  const uint8_t unread[] = {1, 2, 3};
  {
    TPtyApp first(Loop, Port.LinkPath());
    ASSERT_TRUE(WaitOpened(true));
    // Far more than a pty holds: taken at once, finished as the reader reads.
    EXPECT_EQ(Port.WriteBytes(large.data(), static_cast<int32_t>(large.size())), 60000);
    ASSERT_TRUE(first.ReadAtLeast(large.size()));
    EXPECT_EQ(first.Received, large);
    Port.WriteBytes(unread, 3);  // still unread when the application closes
  }
  ASSERT_TRUE(WaitOpened(false));
  EXPECT_EQ(Port.WriteBytes(unread, 3), 0);  // nobody there: dropped

  TPtyApp second(Loop, Port.LinkPath());
  ASSERT_TRUE(WaitOpened(true));
  Port.WriteBytes(unread + 2, 1);
  ASSERT_TRUE(second.ReadAtLeast(1));
  EXPECT_EQ(second.Received, std::vector<uint8_t>{3});
}

}  // namespace
}  // namespace tenvarra
