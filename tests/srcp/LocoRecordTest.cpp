#include "srcp/DeviceLoco.h"

#include <gtest/gtest.h>

#include <string>

#include "srcp/SRCPCmd.h"

namespace tenvarra {
namespace {

class LocoRecordTest : public ::testing::Test {
protected:
  LocoRecordTest() : Loco(Cmd.Loco()) { Cmd.SetVersion(cv082); }

  void PrepareInit() {
    Cmd.SetGroup(dgLoco);
    Cmd.SetCommand(mkInit);
    Cmd.Bus = 1;
    Cmd.Address = 3;
  }

  static std::string Values(int Count, const char* Value) {
    std::string s;
    for (int i = 0; i < Count; ++i) s += std::string(i ? " " : "") + Value;
    return s;
  }

  TSRCPCmd Cmd;
  TSRCPDeviceLoco& Loco;
};

TEST_F(LocoRecordTest, StateLinePutsSpeedAndMaximumWhereTheRowSays) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100 0 1 0 0"));
  EXPECT_EQ(Cmd.Address, 3);
  EXPECT_EQ(Loco.DriveMode, dmForward);
  EXPECT_EQ(Loco.ReportedSpeed, 50);
  EXPECT_EQ(Loco.SpeedSteps, 100);
  EXPECT_EQ(Loco.Speed, -1);
  EXPECT_EQ(Loco.Functions(), (std::vector<int32_t>{0, 1, 0, 0}));
}

TEST_F(LocoRecordTest, InitLineGivesProtocolVersionStepsAndSlots) {
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 5"));
  EXPECT_EQ(Loco.Protocol, prN);
  EXPECT_EQ(Loco.ProtocolVersion, 2);
  EXPECT_EQ(Loco.SpeedSteps, 28);
  EXPECT_EQ(Loco.FunctionCount(), 5);
}

TEST_F(LocoRecordTest, AnalogLocosCarryNothingAfterTheProtocol) {
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 A"));
  EXPECT_EQ(Loco.Protocol, prA);
  EXPECT_EQ(Loco.ProtocolVersion, -1);
  EXPECT_EQ(Loco.SpeedSteps, -1);
  PrepareInit();
  Loco.Protocol = prA;
  Loco.ProtocolVersion = 2;
  Loco.SpeedSteps = 14;
  Loco.SetFunctionCount(5);
  EXPECT_EQ(Cmd.Format(), "INIT 1 GL 3 A");
}

TEST_F(LocoRecordTest, OnlyMAndNWriteAProtocolVersionAndOnlyFromOne) {
  PrepareInit();
  Loco.Protocol = prM;
  Loco.ProtocolVersion = 2;
  Loco.SpeedSteps = 14;
  Loco.SetFunctionCount(5);
  EXPECT_EQ(Cmd.Format(), "INIT 1 GL 3 M 2 14 5");
  Loco.Protocol = prP;
  EXPECT_EQ(Cmd.Format(), "INIT 1 GL 3 P 14 5");
  Loco.Protocol = prN;
  Loco.ProtocolVersion = 0;
  EXPECT_EQ(Cmd.Format(), "INIT 1 GL 3 N 14 5");
}

TEST_F(LocoRecordTest, KeepAndAnyAreWrittenAsSymbols) {
  Cmd.SetGroup(dgLoco);
  Cmd.SetCommand(mkSet);
  Cmd.Bus = 1;
  Cmd.Address = 3;
  Loco.DriveMode = dmKeep;
  Loco.Speed = 0;
  Loco.MaxSpeed = 14;
  Loco.SetFunctionCount(2);
  Loco.SetFunction(1, -3);
  EXPECT_EQ(Cmd.Format(), "SET 1 GL 3 = 0 14 0 *");
  // An unset function value leaves no double blank behind.
  Loco.SetFunctionCount(3);
  Loco.SetFunction(1, -1);
  Loco.SetFunction(2, 1);
  EXPECT_EQ(Cmd.Format(), "SET 1 GL 3 = 0 14 0 1");
}

TEST_F(LocoRecordTest, LetterCaseAndDriveModesOnParse) {
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GL 3 m 2 14 5"));
  EXPECT_EQ(Loco.Protocol, prInvalid);
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 GL 3 3 50 100 0"));
  EXPECT_EQ(Loco.DriveMode, dmInvalid);
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 0 0 14 0"));
  EXPECT_EQ(Loco.DriveMode, dmBackward);
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 2 0 14 0"));
  EXPECT_EQ(Loco.DriveMode, dmEmergencyStop);
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 = 0 14 0"));
  EXPECT_EQ(Loco.DriveMode, dmKeep);
}

TEST_F(LocoRecordTest, ALineThatEndsEarlyStopsTheRow) {
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50"));
  EXPECT_EQ(Loco.DriveMode, dmForward);
  EXPECT_EQ(Loco.ReportedSpeed, 50);
  EXPECT_EQ(Loco.SpeedSteps, -1);
}

TEST_F(LocoRecordTest, AFunctionCountThatIsNoCountGivesNoSlots) {
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 x"));
  EXPECT_EQ(Loco.FunctionCount(), 0);
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 -7"));
  EXPECT_EQ(Loco.FunctionCount(), 0);
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 *"));
  EXPECT_EQ(Loco.FunctionCount(), 0);
  EXPECT_EQ(Loco.GetFunction(0), -1);
}

TEST_F(LocoRecordTest, FunctionCountsBeyondTheLimitAreRefused) {
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 256"));
  EXPECT_EQ(Loco.FunctionCount(), 256);
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 257"));
  EXPECT_EQ(Loco.FunctionCount(), 1);  // as cleared; nothing was allocated
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GL 3 N 2 28 2147483647"));
  EXPECT_EQ(Loco.FunctionCount(), 1);
}

TEST_F(LocoRecordTest, FunctionListsBeyondTheLimitAreRefused) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100 " + Values(256, "1")));
  EXPECT_EQ(Loco.FunctionCount(), 256);
  EXPECT_EQ(Loco.GetFunction(255), 1);
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100 " + Values(257, "1")));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
  EXPECT_LE(Loco.FunctionCount(), TSRCPDeviceLoco::MaxFunctions);
}

TEST_F(LocoRecordTest, AccessorsStayInsideTheList) {
  Loco.SetFunctionCount(3);
  Loco.SetFunction(3, 1);
  Loco.SetFunction(-1, 1);
  EXPECT_EQ(Loco.GetFunction(3), -1);
  EXPECT_EQ(Loco.GetFunction(-1), -1);
  EXPECT_EQ(Loco.Functions(), (std::vector<int32_t>{0, 0, 0}));
  Loco.SetFunctionCount(-4);
  EXPECT_EQ(Loco.FunctionCount(), 0);
  Loco.SetFunctionCount(100000);
  EXPECT_EQ(Loco.FunctionCount(), TSRCPDeviceLoco::MaxFunctions);
}

}  // namespace
}  // namespace tenvarra
