#include <gtest/gtest.h>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

class RecordsTest : public ::testing::Test {
protected:
  RecordsTest() { Cmd.SetVersion(cv082); }

  void Prepare(TSRCPDeviceGroup Group, TSRCPMessageKind Kind, int32_t Bus, int32_t Address) {
    Cmd.SetGroup(Group);
    Cmd.SetCommand(Kind);
    Cmd.Bus = Bus;
    Cmd.Address = Address;
  }

  TSRCPCmd Cmd;
};

TEST_F(RecordsTest, FeedbackInitCarriesTheBusType) {
  Prepare(dgFeedback, mkInit, 1, 0);
  Cmd.Feedback().SetText("S88");
  EXPECT_EQ(Cmd.Format(), "INIT 1 FB S88");
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 FB 17 1"));
  EXPECT_EQ(Cmd.Address, 17);
  EXPECT_EQ(Cmd.Feedback().Value, 1);
}

TEST_F(RecordsTest, AccessorySetAndItsProtocolLetters) {
  Prepare(dgAccessoire, mkSet, 1, 12);
  auto& ga = Cmd.Accessoire();
  ga.Port = 0;
  ga.Value = 1;
  ga.Delay = 200;
  EXPECT_EQ(Cmd.Format(), "SET 1 GA 12 0 1 200");
  Prepare(dgAccessoire, mkInit, 1, 12);
  ga.Protocol = prS;  // not an accessory protocol: left out
  EXPECT_EQ(Cmd.Format(), "INIT 1 GA 12");
  ga.Protocol = prP;
  EXPECT_EQ(Cmd.Format(), "INIT 1 GA 12 P");
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GA 12 m"));
  EXPECT_EQ(Cmd.Accessoire().Protocol, prInvalid);
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 GA 12 S"));
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 GA 12 N"));
  EXPECT_EQ(Cmd.Accessoire().Protocol, prN);
}

TEST_F(RecordsTest, ServiceModeWritesOneValueOrBitAndValue) {
  Prepare(dgServiceMode, mkSet, 1, 3);
  auto& sm = Cmd.ServiceMode();
  sm.AddressType = satCV;
  sm.SMAddress = 29;
  sm.Value = 6;
  sm.Bit = 5;
  EXPECT_EQ(Cmd.Format(), "SET 1 SM 3 CV 29 6");
  EXPECT_EQ(Cmd.Format(), "SET 1 SM 3 CV 29 6");  // the value count starts anew per line
  sm.AddressType = satCVBit;
  sm.Value = 1;
  EXPECT_EQ(Cmd.Format(), "SET 1 SM 3 CVBIT 29 5 1");
}

TEST_F(RecordsTest, ServiceModeParsesBothShapes) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 SM 3 CV 29 6"));
  EXPECT_EQ(Cmd.ServiceMode().AddressType, satCV);
  EXPECT_EQ(Cmd.ServiceMode().Value, 6);
  EXPECT_EQ(Cmd.ServiceMode().Bit, -1);
  ASSERT_TRUE(Cmd.Parse("5.250 110 INFO 1 SM 3 CVBIT 29 5 1"));
  EXPECT_EQ(Cmd.ServiceMode().Bit, 5);
  EXPECT_EQ(Cmd.ServiceMode().Value, 1);
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 SM nmra"));
  EXPECT_EQ(Cmd.ServiceMode().Protocol, prN);
  Prepare(dgServiceMode, mkInit, 1, 0);
  EXPECT_EQ(Cmd.Format(), "INIT 1 SM NMRA");
}

TEST_F(RecordsTest, LockNamesTheLockedGroup) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 LOCK GL 3 60 7"));
  EXPECT_EQ(Cmd.Lock().LockedGroup(), dgLoco);
  EXPECT_EQ(Cmd.Address, 3);
  EXPECT_EQ(Cmd.Lock().Duration, 60);
  EXPECT_EQ(Cmd.Lock().SessionId, 7);
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 LOCK XX 3 60 7"));
  EXPECT_EQ(Cmd.Lock().LockedGroup(), dgInvalid);
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
}

TEST_F(RecordsTest, LockedGroupOutOfRangeReadsAsInvalid) {
  Cmd.Lock().SetLockedGroup(static_cast<TSRCPDeviceGroup>(200));
  EXPECT_EQ(Cmd.Lock().LockedGroup(), dgInvalid);
  Prepare(dgLock, mkGet, 1, 3);
  Cmd.Lock().SetLockedGroup(static_cast<TSRCPDeviceGroup>(200));
  EXPECT_EQ(Cmd.Format(), "GET 1 LOCK ??? 3");
}

TEST_F(RecordsTest, PowerStates) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 POWER on"));
  EXPECT_TRUE(Cmd.Power().PowerOn);
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 POWER OFF"));
  EXPECT_FALSE(Cmd.Power().PowerOn);
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 POWER MAYBE"));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
  Prepare(dgPower, mkGet, 1, 0);
  EXPECT_EQ(Cmd.Format(), "GET 1 POWER");
  Prepare(dgPower, mkSet, 1, 0);
  Cmd.Power().PowerOn = true;
  EXPECT_EQ(Cmd.Format(), "SET 1 POWER ON");
}

TEST_F(RecordsTest, TimeFields) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 0 TIME 2455000 10 20 30"));
  const auto& t = Cmd.Time();
  EXPECT_EQ(t.JulianDay, 2455000);
  EXPECT_EQ(t.Hour, 10);
  EXPECT_EQ(t.Minute, 20);
  EXPECT_EQ(t.Second, 30);
  EXPECT_EQ(t.TimeFx, -1);
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 0 TIME 0 0"));
  EXPECT_EQ(Cmd.Time().TimeFx, 0);
  EXPECT_EQ(Cmd.Time().TimeFy, 0);
}

TEST_F(RecordsTest, SessionLinesAndTerm) {
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 0 SESSION 7 my client"));
  EXPECT_EQ(Cmd.Session().SessionId, 7);
  EXPECT_EQ(Cmd.Text, "my client");
  Prepare(dgSession, mkTerm, 0, 0);
  Cmd.Session().SessionId = 12;
  EXPECT_EQ(Cmd.Format(), "TERM 0 SESSION 12");
}

TEST_F(RecordsTest, ServerStates) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 0 SERVER RUNNING"));
  EXPECT_EQ(Cmd.Server().State, ssRunning);
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 0 SERVER ???"));
  EXPECT_EQ(Cmd.Server().State, ssUnknown);
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 0 SERVER SLEEPING"));
  EXPECT_EQ(Cmd.Server().State, ssUnknown);
}

TEST_F(RecordsTest, ClearKeepsTheSharedAddress) {
  Cmd.Address = 42;
  Cmd.Clear();
  EXPECT_EQ(Cmd.Address, 42);
  EXPECT_EQ(Cmd.Accessoire().Delay, 0);
  EXPECT_EQ(Cmd.Accessoire().Protocol, prM);
  EXPECT_EQ(Cmd.Loco().FunctionCount(), 1);
  EXPECT_EQ(Cmd.Loco().ReportedSpeed, 0);
}

}  // namespace
}  // namespace tenvarra
