// The four command operations of a device group against a scripted server:
// retries, device states, what happens without a usable session, and the
// lines each concrete group puts on the wire.

#include <gtest/gtest.h>

#include <algorithm>

#include "SessionFixture.h"
#include "srcp/LocoGroup.h"
#include "srcp/PowerGroup.h"
#include "srcp/TimeGroup.h"

namespace tenvarra::test {
namespace {

class GroupCommandTest : public TGroupTest {
protected:
  void SetUp() override {
    Power.SetBus(1);
    Power.SetCommandClient(Command.get());
    // What the group held when each line went out.
    OnCommandLog = [this](const std::string& Text) {
      if (Text.rfind("Snd: ", 0) != 0) return;
      StateAtSend.push_back(Power.DeviceState());
      SetRetryAtSend.push_back(Power.SetRetry());
    };
  }

  TSRCPPower Power;
  std::vector<TSRCPDeviceState> StateAtSend;
  std::vector<bool> SetRetryAtSend;
};

TEST_F(GroupCommandTest, FailedGetRunsInitAndOneMoreGet) {
  Connect();
  TGroupEvents events(Power);
  Answer("GET 1 POWER", "5.250 416 ERROR no data");
  Answer("INIT 1 POWER", "5.260 200 OK");
  Answer("GET 1 POWER", "5.270 416 ERROR no data");
  EXPECT_FALSE(Power.QueryState());
  EXPECT_FALSE(Power.InRetry());
  EXPECT_EQ(Power.DeviceState(), sdsInitialized);
  Answer("GET 1 POWER", "6.000 416 ERROR no data");
  Answer("INIT 1 POWER", "6.100 200 OK");
  Answer("GET 1 POWER", "6.200 100 INFO 1 POWER ON");
  EXPECT_TRUE(Power.QueryState());
  EXPECT_EQ(Power.DeviceState(), sdsActiv);
  EXPECT_TRUE(Power.PowerOn());
  EXPECT_EQ(events.Seen, std::vector<std::string>{"change"});
  // A reply for another bus still counts as success but is not taken.
  Answer("GET 1 POWER", "7.000 100 INFO 2 POWER OFF");
  EXPECT_TRUE(Power.QueryState());
  EXPECT_TRUE(Power.PowerOn());
}

TEST_F(GroupCommandTest, GetRefusedForGoodIsNotRetried) {
  Connect();
  for (const char* reply : {"5.000 410 ERROR unknow command", "5.000 415 ERROR forbidden",
                            "5.000 422 ERROR unsupported device group", "5.000 423 ERROR unsupported operation"}) {
    Answer("GET 1 POWER", reply);
    EXPECT_FALSE(Power.QueryState()) << reply;
  }
  // No retry: TearDown's TERM would have met an unscripted line.
}

TEST_F(GroupCommandTest, ForbiddenSetRunsGetAndOneMoreSet) {
  Connect();
  Power.SetPowerOn(true);
  Answer("SET 1 POWER ON", "5.250 415 ERROR forbidden");
  Answer("GET 1 POWER", "5.260 416 ERROR no data");  // no INIT inside a retry
  Answer("SET 1 POWER ON", "5.270 200 OK");
  EXPECT_TRUE(Power.SendSet());
  EXPECT_EQ(SetRetryAtSend, (std::vector<bool>{false, true, true}));
  EXPECT_FALSE(Power.SetRetry());
  Answer("SET 1 POWER ON", "6.000 415 ERROR forbidden");
  // The server reports the power off in between; the repeat still asks for on.
  Answer("GET 1 POWER", "6.100 100 INFO 1 POWER OFF");
  Answer("SET 1 POWER ON", "6.200 415 ERROR forbidden");
  EXPECT_FALSE(Power.SendSet());
  EXPECT_TRUE(Power.PowerOn());
  Answer("SET 1 POWER ON", "7.000 412 ERROR wrong value");
  EXPECT_FALSE(Power.SendSet());
}

TEST_F(GroupCommandTest, InitAndTermStatesFollowTheReply) {
  Connect();
  Answer("INIT 1 POWER", "5.100 412 ERROR wrong value");
  Power.SendInit();
  EXPECT_EQ(Power.DeviceState(), sdsTerminated);
  // Reinitialized: initialized, then one GET whose failure starts nothing more.
  Answer("INIT 1 POWER", "5.200 424 ERROR device reinitialized");
  Answer("GET 1 POWER", "5.300 416 ERROR no data");
  Power.SendInit();
  EXPECT_EQ(Power.DeviceState(), sdsInitialized);
  EXPECT_FALSE(Power.InRetry());
  Answer("INIT 1 POWER", "5.400 424 ERROR device reinitialized");
  Answer("GET 1 POWER", "5.500 100 INFO 1 POWER ON");
  Power.SendInit();
  EXPECT_EQ(Power.DeviceState(), sdsActiv);
  Answer("TERM 1 POWER", "5.600 412 ERROR wrong value");
  Power.SendTerm();
  EXPECT_EQ(Power.DeviceState(), sdsTerminated);
  EXPECT_EQ(StateAtSend, (std::vector<TSRCPDeviceState>{sdsInitializing, sdsInitializing, sdsInitialized,
                                                         sdsInitializing, sdsInitialized, sdsTerminating}));
}

TEST_F(GroupCommandTest, WithoutAUsableSessionNothingIsSent) {
  Power.SetCommandClient(nullptr);
  EXPECT_FALSE(Power.QueryState());
  EXPECT_FALSE(Power.SendSet());
  EXPECT_TRUE(CommandLog.empty());
  // Unconnected: GET, then INIT and GET of the retry, each refused locally.
  Power.SetCommandClient(Command.get());
  EXPECT_FALSE(Power.QueryState());
  EXPECT_EQ(std::count(CommandLog.begin(), CommandLog.end(), "Err: Not connected"), 3);
  EXPECT_EQ(Power.Cmd().Kind(), mkErrTemporarilyProhibited);
  EXPECT_EQ(Power.DeviceState(), sdsTerminated);
}

TEST_F(GroupCommandTest, NetworkErrorInsideARetryLeavesNoFlagBehind) {
  Connect();
  Answer("GET 1 POWER", "5.000 416 ERROR no data");
  Server.Connection(0).Expect("INIT 1 POWER").Close();
  EXPECT_THROW(Power.QueryState(), ENetError);
  EXPECT_FALSE(Power.InRetry());
  EXPECT_EQ(Power.DeviceState(), sdsTerminated);  // the INIT got no reply
}

TEST_F(GroupCommandTest, LocoAndTimeLines) {
  // INIT and SET of locos, accessories and feedback are proven through the
  // railway client (tests/client); these lines only the groups send.
  Connect();
  TSRCPCustomLoco loco;
  TSRCPTime time;
  for (TSRCPBaseDeviceGroup* group : std::initializer_list<TSRCPBaseDeviceGroup*>{&loco, &time}) {
    group->SetBus(1);
    group->SetCommandClient(Command.get());
  }
  loco.SetAddress(3);
  loco.Speed = 50;
  loco.SetFunctionCount(4);
  loco.SetFunction(1, 1);
  Answer("SET 1 GL 3 1 50 100 0 1 0 0", "5.100 200 OK");
  EXPECT_TRUE(loco.SendSet());
  Answer("TERM 1 GL 3", "5.400 200 OK");
  loco.SendTerm();
  time.ModelTime.SetJulianDay(2460000);
  time.ModelTime.SetTimeOfDay(12, 30, 15);
  Answer("SET 1 TIME 2460000 12 30 15", "5.000 200 OK");
  EXPECT_TRUE(time.SendSet());
  time.SetTimeFx(3);
  time.SetTimeFy(0);
  Answer("INIT 1 TIME 3 1", "5.100 200 OK");
  time.SendInit();
}

}  // namespace
}  // namespace tenvarra::test
