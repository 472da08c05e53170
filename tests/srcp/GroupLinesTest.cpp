// The command lines each concrete group puts on the wire, as the scripted
// server receives them.

#include <gtest/gtest.h>

#include "GroupFixture.h"
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

TEST_F(GroupLinesTest, LocoAndTime) {
  // INIT and SET of locos, accessories and feedback are proven through the
  // railway client (tests/client); these lines only the groups send.
  TSRCPCustomLoco loco;
  Bind(loco, 1);
  loco.SetAddress(3);
  loco.Speed = 50;
  loco.SetFunctionCount(4);
  loco.SetFunction(1, 1);
  Answer("SET 1 GL 3 1 50 100 0 1 0 0", "5.100 200 OK");
  EXPECT_TRUE(loco.SendSet());
  Answer("TERM 1 GL 3", "5.400 200 OK");
  loco.SendTerm();
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
