// The command lines each concrete group puts on the wire, as the scripted
// server receives them.

#include <gtest/gtest.h>

#include "GroupFixture.h"
#include "srcp/AccessoireGroup.h"
#include "srcp/FeedbackGroup.h"
#include "srcp/LocoGroup.h"
#include "srcp/TimeGroup.h"

namespace tenvarra::test {
namespace {

class GroupLinesTest : public TGroupTest {
protected:
  void SetUp() override { Connect(); }

  void Bind(TSRCPBaseDeviceGroup& Group, int32_t Bus) {
    Group.SetBus(Bus);
    Group.SetCommandClient(Command.get());
  }
};

TEST_F(GroupLinesTest, LocoAccessoryFeedbackAndTime) {
  TSRCPCustomLoco loco;
  Bind(loco, 1);
  loco.SetAddress(3);
  loco.ProtocolVersion = 2;
  loco.SetFunctionCount(5);
  Answer("INIT 1 GL 3 M 2 14 5", "5.000 200 OK");
  loco.SendInit();
  loco.Speed = 50;
  loco.SetFunctionCount(4);
  loco.SetFunction(1, 1);
  Answer("SET 1 GL 3 1 50 100 0 1 0 0", "5.100 200 OK");
  EXPECT_TRUE(loco.SendSet());
  Answer("TERM 1 GL 3", "5.400 200 OK");
  loco.SendTerm();
  TSRCPCustomAccessoire accessory;
  Bind(accessory, 1);
  accessory.SetAddress(12);
  Answer("GET 1 GA 12 0", "5.100 100 INFO 1 GA 12 0 0");
  EXPECT_TRUE(accessory.QueryState());
  accessory.Value = 1;
  Answer("SET 1 GA 12 0 1 200", "5.200 200 OK");
  EXPECT_TRUE(accessory.SendSet());
  TSRCPCustomFeedback feedback;
  Bind(feedback, 8);
  feedback.InitString = "S88 LPT1 2";
  Answer("INIT 8 FB S88 LPT1 2", "5.100 200 OK");
  feedback.SendInit();
  TSRCPTime time;
  Bind(time, 1);
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
