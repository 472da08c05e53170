#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

class RecordsTest : public ::testing::Test {
protected:
  RecordsTest() : Loco(Cmd.Loco()), Description(Cmd.Description()) { Cmd.SetVersion(cv082); }

  void Prepare(TSRCPDeviceGroup Group, TSRCPMessageKind Kind) {
    Cmd.SetGroup(Group);
    Cmd.SetCommand(Kind);
    Cmd.Bus = 1;
    Cmd.Address = 3;
  }

  TSRCPCmd Cmd;
  TSRCPDeviceLoco& Loco;
  TSRCPDeviceDescription& Description;
};

TEST_F(RecordsTest, ALocoStateLineEndingEarlyStopsItsRow) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100 0 1 0 0"));
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50"));  // ends early: the row stops
  EXPECT_EQ(Loco.ReportedSpeed, 50);
  EXPECT_EQ(Loco.SpeedSteps, -1);
}

TEST_F(RecordsTest, LocoProtocolVersionOnlyForMAndNAndNothingAfterAnalog) {
  Prepare(dgLoco, mkInit);
  Loco.ProtocolVersion = 2;
  Loco.SpeedSteps = 14;
  Loco.SetFunctionCount(5);
  for (const auto& [protocol, line] : {std::pair{prM, "INIT 1 GL 3 M 2 14 5"}, {prP, "INIT 1 GL 3 P 14 5"}, {prA, "INIT 1 GL 3 A"}}) {
    Loco.Protocol = protocol;
    EXPECT_EQ(Cmd.Format(), line);
  }
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 A"));
  EXPECT_EQ(Loco.SpeedSteps, -1);
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GL 3 m 2 14 5"));
}

TEST_F(RecordsTest, LocoFunctionCountsAndListsStayBounded) {
  for (const char* count : {"x", "-7", "*"}) {
    Cmd.Parse(std::string("5.250 101 INFO 1 GL 3 N 2 28 ") + count);
    EXPECT_EQ(Loco.FunctionCount(), 0) << count;
  }
  EXPECT_EQ(Loco.GetFunction(0), -1);
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 256"));
  EXPECT_EQ(Loco.FunctionCount(), 256);
  for (const char* count : {"257", "2147483647"}) {
    EXPECT_FALSE(Cmd.Parse(std::string("5.250 101 INFO 1 GL 3 N 2 28 ") + count));
    EXPECT_EQ(Loco.FunctionCount(), 1) << count;  // as cleared; nothing was allocated
  }
  std::string ones;
  for (int i = 0; i < 256; ++i) ones += " 1";
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100" + ones));
  EXPECT_EQ(Loco.GetFunction(255), 1);
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100" + ones + " 1"));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
  EXPECT_LE(Loco.FunctionCount(), TSRCPDeviceLoco::MaxFunctions);
  Loco.SetFunctionCount(3);
  Loco.SetFunction(3, 1);
  Loco.SetFunction(-1, 1);
  EXPECT_EQ(Loco.GetFunction(-1), -1);
  EXPECT_EQ(Loco.GetFunction(3), -1);
  EXPECT_EQ(Loco.Functions().size(), 3u);
  Loco.SetFunctionCount(-4);
  EXPECT_EQ(Loco.FunctionCount(), 0);
  Loco.SetFunctionCount(100000);
  EXPECT_EQ(Loco.FunctionCount(), TSRCPDeviceLoco::MaxFunctions);
}

TEST_F(RecordsTest, LineShapesThatDependOnValues) {
  Prepare(dgLoco, mkSet);
  Loco.DriveMode = dmKeep;
  Loco.Speed = 0;
  Loco.MaxSpeed = 14;
  Loco.SetFunctionCount(3);
  Loco.SetFunction(1, -3);
  Loco.SetFunction(2, -1);  // unset: no double blank
  EXPECT_EQ(Cmd.Format(), "SET 1 GL 3 = 0 14 0 *");
  Prepare(dgAccessoire, mkInit);
  Cmd.Accessoire().Protocol = prS;  // not an accessory protocol: left out
  EXPECT_EQ(Cmd.Format(), "INIT 1 GA 3");
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GA 12 S"));
  Prepare(dgServiceMode, mkSet);
  Cmd.ServiceMode().AddressType = satCV;
  Cmd.ServiceMode().Value = Cmd.ServiceMode().Bit = 6;
  EXPECT_EQ(Cmd.Format(), "SET 1 SM 3 CV 6");
  EXPECT_EQ(Cmd.Format(), "SET 1 SM 3 CV 6");  // the value count starts anew per line
  Prepare(dgLock, mkGet);
  Cmd.Lock().SetLockedGroup(static_cast<TSRCPDeviceGroup>(200));
  EXPECT_EQ(Cmd.Lock().LockedGroup(), dgInvalid);
  EXPECT_EQ(Cmd.Format(), "GET 1 LOCK ??? 3");
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 LOCK XX 3 60 7"));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
}

// Servers of later revisions list groups this system does not know; the bus
// must still be learned with the groups it does know.
TEST_F(RecordsTest, DescriptionSkipsUnknownGroupNames) {
  using Groups = std::vector<TSRCPDeviceGroup>;
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 DESCRIPTION GM GL  XYZ  FB"));
  EXPECT_EQ(Description.Groups, (Groups{dgLoco, dgFeedback}));
  EXPECT_EQ(Description.GetGroup(2), dgInvalid);
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 2 DESCRIPTION"));
  EXPECT_TRUE(Description.Groups.empty());
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 DESCRIPTION XX"));
}

TEST_F(RecordsTest, DeviceDescriptionIsTheDevicesOwnLineButNeverItself) {
  Prepare(dgDescription, mkInfoInit);
  Cmd.Timestamp = 5.25;
  Description.SetDescribedGroup(dgLoco);
  Loco.Protocol = prN;
  Loco.ProtocolVersion = 1;
  Loco.SpeedSteps = 28;
  Loco.SetFunctionCount(5);
  EXPECT_EQ(Cmd.Format(), "5.250 101 INFO 1 GL 3 N 1 28 5");
  Prepare(dgDescription, mkInfoState);
  Description.SetDescribedGroup(dgLoco);
  Cmd.Format();
  EXPECT_TRUE(Cmd.IsError());
  // Would otherwise format itself again and again until the stack runs out.
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 DESCRIPTION DESCRIPTION"));
  Cmd.Format();
  EXPECT_TRUE(Cmd.IsError());
}

}  // namespace
}  // namespace tenvarra
