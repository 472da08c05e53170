// Information sessions: the snapshot after GO, every change as it happens
// (the timers and the owner of the server), time stamps. Changes from many
// clients reaching every session: SimManyClients (SimRobustnessTest).

#include <algorithm>
#include <thread>

#include "SimFixture.h"
#include "sim/SimLayout.h"
#include "sim/SimLines.h"
#include "sim/SimTimers.h"

namespace tenvarra::test {
namespace {

using SimInfo = TSimTest;

TEST_F(SimInfo, ANewSessionLearnsDescriptionsFirstThenEveryDeviceWithItsState) {
  for (const char* command : {"SET 2 POWER ON", "INIT 2 GL 3 N 1 28 2", "SET 2 GL 3 0 9 28 1 1",
                              "INIT 1 GL 80 M 1 14 1", "INIT 6 GA 7 N", "SET 6 GA 7 1 1 -1",
                              "INIT 6 GA 2 N", "SET 8 FB 9 1", "SET 8 FB 1 1", "INIT 0 TIME 0 1",
                              "SET 0 TIME 2460000 6 5 4"})
    ASSERT_EQ(Cmd->Ask(command), Ok) << command;
  Strings expected = FreshSnapshot();
  expected.resize(9);  // the descriptions
  for (const char* line :
       {"101 INFO 0 TIME 0 1", "100 INFO 0 TIME 2460000 6 5 4", "100 INFO 1 POWER OFF",
        "101 INFO 1 GL 80 M 1 14 1", "100 INFO 1 GL 80 1 0 14 0", "100 INFO 2 POWER ON",
        "101 INFO 2 GL 3 N 1 28 2", "100 INFO 2 GL 3 0 9 28 1 1", "100 INFO 3 POWER OFF",
        "100 INFO 4 POWER OFF", "100 INFO 5 POWER OFF", "100 INFO 6 POWER OFF",
        "101 INFO 6 GA 2 N", "101 INFO 6 GA 7 N", "100 INFO 6 GA 7 1 1", "100 INFO 7 POWER OFF",
        "100 INFO 8 POWER OFF", "100 INFO 8 FB 1 1", "100 INFO 8 FB 9 1"})
    expected.push_back(line);
  auto late = Connect("INFO");
  EXPECT_EQ(late->ReadThrough(expected.back()), expected);
  EXPECT_EQ(ReportsSoFar(*late), Strings{});
}

TEST_F(SimInfo, AnAccessorySwitchesBackAfterItsDelay) {
  ASSERT_EQ(Cmd->Ask("INIT 5 GA 1 M"), Ok);
  ASSERT_EQ(Info->Next(), "101 INFO 5 GA 1 M");
  // A delay of 0 switches off at once, -1 never, and a new SET of a port
  // overrides its pending switch-off. The last switch-off is due after the
  // first would have been, so one that was not overridden would show.
  for (const char* command : {"SET 5 GA 1 0 1 800", "SET 5 GA 1 1 1 0", "SET 5 GA 1 1 1 800",
                              "SET 5 GA 1 1 1 -1"})
    ASSERT_EQ(Cmd->Ask(command), Ok) << command;
  ASSERT_TRUE(Cmd->Send("SET 5 GA 1 0 1 810"));
  const std::optional<std::string> reply = Cmd->ReadLine();
  ASSERT_TRUE(reply);
  ASSERT_EQ(TSimClient::Body(*reply), Ok);
  const Strings expected = {"100 INFO 5 GA 1 0 1", "100 INFO 5 GA 1 1 1", "100 INFO 5 GA 1 1 0",
                            "100 INFO 5 GA 1 1 1", "100 INFO 5 GA 1 1 1", "100 INFO 5 GA 1 0 1",
                            "100 INFO 5 GA 1 0 0"};
  Strings lines, bodies;
  for (std::optional<std::string> line; lines.size() < expected.size() && (line = Info->ReadLine());) {
    lines.push_back(*line);
    bodies.push_back(TSimClient::Body(*line));
  }
  ASSERT_EQ(bodies, expected);
  EXPECT_EQ(ReportsSoFar(*Info), Strings{});
  // Stamps count milliseconds of the wall clock (reports may run ahead of it,
  // replies never do): the port went off no earlier than its delay.
  EXPECT_GE(TSimClient::Stamp(lines[6]) - TSimClient::Stamp(*reply), 0.809);
}

TEST_F(SimInfo, ARunningModelClockReportsEachModelMinute) {
  // 600 times as fast: a model minute every 100 ms. (At 6000 times, a minute
  // every 10 ms, a loaded machine made timers late by a whole model minute.)
  ASSERT_EQ(Cmd->Ask("INIT 0 TIME 600 1"), Ok);
  ASSERT_EQ(Cmd->Ask("SET 0 TIME 2460000 23 58 0"), Ok);
  const std::string set = "100 INFO 0 TIME 2460000 23 58 0";
  const std::string midnight = "100 INFO 0 TIME 2460001 0 0 0";
  Strings reports = Info->ReadThrough(midnight);
  const auto from = std::find(reports.begin(), reports.end(), set);
  ASSERT_NE(from, reports.end());
  // A timer late by more than a model minute reports the minute reached, so
  // 23:59 may be passed over on a busy machine; nothing else comes between.
  const Strings after(from + 1, reports.end());
  if (after.size() == 2) {
    EXPECT_EQ(after[0], "100 INFO 0 TIME 2460000 23 59 0");
  }
  EXPECT_LE(after.size(), 2u);
  EXPECT_EQ(after.back(), midnight);
  ASSERT_EQ(Cmd->Ask("TERM 0 TIME"), Ok);
  EXPECT_EQ(Info->ReadThrough("102 INFO 0 TIME").back(), "102 INFO 0 TIME");
}

TEST_F(SimInfo, AWaitForModelTimeIsAnsweredOnceItIsReachedAndHoldsTheLinesAfterIt) {
  auto waiter = Connect("COMMAND");
  ASSERT_EQ(Cmd->Ask("INIT 0 TIME 1 1"), Ok);
  ASSERT_EQ(Cmd->Ask("SET 0 TIME 2460000 12 0 0"), Ok);
  EXPECT_TRUE(TTenvarraProcess::Matches(waiter->Ask("WAIT 0 TIME 2460000 11 59 0"),
                                        "100 INFO 0 TIME 2460000 12 0 *"));  // passed already
  // An hour ahead: the waiting session's next line waits with it, while the
  // others are served.
  ASSERT_TRUE(waiter->Send("WAIT 0 TIME 2460000 13 0 0"));
  ASSERT_TRUE(waiter->Send("GET 1 POWER"));
  ASSERT_EQ(Cmd->Ask("GET 1 POWER"), "100 INFO 1 POWER OFF");
  ASSERT_EQ(Cmd->Ask("SET 0 TIME 2460000 13 0 0"), Ok);
  EXPECT_TRUE(TTenvarraProcess::Matches(waiter->Next(), "100 INFO 0 TIME 2460000 13 0 *"));
  EXPECT_EQ(waiter->Next(), "100 INFO 1 POWER OFF");
  // A clock ended under a wait ends the wait.
  ASSERT_TRUE(waiter->Send("WAIT 0 TIME 2460001 0 0 0"));
  ASSERT_EQ(Cmd->Ask("TERM 0 TIME"), Ok);
  EXPECT_EQ(waiter->Next(), NoData);
}

TEST_F(SimInfo, TheOwnerSetsContactsFromAnotherThreadWithStrictlyRisingStamps) {
  EXPECT_FALSE(Server->SetContact(0, 1));
  EXPECT_FALSE(Server->SetContact(497, 1));
  EXPECT_FALSE(Server->SetContact(5, 2));
  // Forty changes, many in the same millisecond; contact 6 is 0 already.
  std::thread owner([this] {
    for (int32_t i = 0; i < 40; ++i) Server->SetContact(5, 1 - i % 2);
    Server->SetContact(6, 0);
  });
  owner.join();
  double last = 0;
  for (int32_t i = 0; i < 40; ++i) {
    const std::optional<std::string> line = Info->ReadLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(TSimClient::Body(*line), "100 INFO 8 FB 5 " + std::to_string(1 - i % 2));
    EXPECT_GT(TSimClient::Stamp(*line), last) << *line;
    last = TSimClient::Stamp(*line);
  }
  EXPECT_EQ(ReportsSoFar(*Info), Strings{});
}

// Pending timers cannot pile up however often a client sets a port or the
// model clock: each replaces the one it set before.
TEST(SimLayoutTimers, EachPortAndTheModelClockKeepOnePendingTimer) {
  TSimLines lines;
  TSimTimers timers;
  Strings reports;
  TSimLayout layout(lines, timers, [&reports](const std::string& Line) { reports.push_back(Line); });
  TSimBus& bus = *layout.Bus(5);
  layout.InitAccessory(bus, 12, prM);
  for (int i = 0; i < 10000; ++i) layout.SetAccessory(bus, 12, 0, 1, 2000000000);
  EXPECT_EQ(timers.Count(), 1u);
  layout.SetAccessory(bus, 12, 1, 1, 2000000000);
  layout.InitTime(60, 1);
  for (int i = 0; i < 10000; ++i) layout.SetTime({2460000, 12, 0, i % 60});
  EXPECT_EQ(timers.Count(), 3u);
  layout.SetAccessory(bus, 12, 1, 0, 2000000000);  // switched off by hand: nothing pending
  EXPECT_EQ(timers.Count(), 2u);
  layout.Reset();
  EXPECT_TRUE(timers.Empty());
  EXPECT_TRUE(reports.back().ends_with(" 102 INFO 0 TIME")) << reports.back();
}

TEST(SimPattern, RunsALightOverTheFirstContacts) {
  TSimOptions options;
  options.Port = 0;
  options.FeedbackPattern = true;
  options.FeedbackPatternStepMs = 2;
  TSimServer server(options);
  server.Start();
  TSimClient info(server.Port());
  ASSERT_EQ(info.Handshake("INFO"), 1);
  // Wherever the light is now, it goes on round the 32 contacts in steps of one.
  const Strings reports = info.ReadThrough("100 INFO 8 FB 32 1");
  const Strings round = {"100 INFO 8 FB 32 0", "100 INFO 8 FB 1 1", "100 INFO 8 FB 1 0",
                         "100 INFO 8 FB 2 1"};
  EXPECT_EQ(info.ReadThrough(round.back()), round)
      << "before: " << reports.size() << " lines";
}

}  // namespace
}  // namespace tenvarra::test
