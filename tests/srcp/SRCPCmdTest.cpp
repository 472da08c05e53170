#include "srcp/SRCPCmd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CmdSnapshot.h"
#include "srcp/Records.h"

namespace tenvarra {
namespace {

class SRCPCmdTest : public ::testing::Test {
protected:
  SRCPCmdTest() { Cmd.SetVersion(cv082); }

  // Prepares a command the way a device group does before sending.
  void Prepare(TSRCPDeviceGroup Group, TSRCPMessageKind Kind, int32_t Bus, int32_t Address) {
    Cmd.SetGroup(Group);
    Cmd.SetCommand(Kind);
    Cmd.Bus = Bus;
    Cmd.Address = Address;
  }

  TSRCPCmd Cmd;
};

TEST_F(SRCPCmdTest, FreshMessage) {
  TSRCPCmd fresh;
  EXPECT_EQ(fresh.Kind(), mkErrInternal);
  EXPECT_EQ(fresh.Version(), cvUnknown);
  EXPECT_EQ(fresh.Group(), dgInvalid);
  EXPECT_TRUE(fresh.IsAnswer);
  EXPECT_EQ(fresh.Code, 0);
  EXPECT_EQ(fresh.Row(), nullptr);
  EXPECT_EQ(fresh.Devices(dgInvalid), nullptr);
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    ASSERT_NE(fresh.Devices(static_cast<TSRCPDeviceGroup>(g)), nullptr);
    EXPECT_EQ(fresh.Devices(static_cast<TSRCPDeviceGroup>(g))->Group(), g);
    EXPECT_EQ(fresh.Devices(static_cast<TSRCPDeviceGroup>(g))->Cmd, &fresh);
  }
}

TEST_F(SRCPCmdTest, SetCommandSetsTheAnswerFlagAndTheHandshakeGroup) {
  Cmd.SetCommand(mkGet);
  EXPECT_FALSE(Cmd.IsAnswer);
  Cmd.SetCommand(mkInfoState);
  EXPECT_TRUE(Cmd.IsAnswer);
  EXPECT_EQ(Cmd.Code, 100);
  Cmd.SetGroup(dgPower);
  Cmd.SetCommand(mkOkGo);
  EXPECT_EQ(Cmd.Group(), dgHandshake);
  ASSERT_NE(Cmd.Row(), nullptr);
  EXPECT_EQ(Cmd.Row()->Kind, mkOkGo);
}

TEST_F(SRCPCmdTest, FormatsTheLocoSetOfTheExample) {
  Prepare(dgLoco, mkSet, 1, 3);
  auto& loco = Cmd.Loco();
  loco.DriveMode = dmForward;
  loco.Speed = 50;
  loco.MaxSpeed = 100;
  loco.SetFunctionCount(4);
  loco.SetFunction(1, 1);
  EXPECT_EQ(Cmd.Format(), "SET 1 GL 3 1 50 100 0 1 0 0");
}

TEST_F(SRCPCmdTest, UnsetValuesLeaveNoBlankBehind) {
  Prepare(dgLoco, mkGet, 1, -1);
  EXPECT_EQ(Cmd.Format(), "GET 1 GL");
  Prepare(dgAccessoire, mkSet, -1, 12);
  Cmd.Accessoire().Port = -1;
  Cmd.Accessoire().Value = 1;
  Cmd.Accessoire().Delay = 200;
  EXPECT_EQ(Cmd.Format(), "SET GA 12 1 200");
}

TEST_F(SRCPCmdTest, AKindTheGroupLacksFormatsAsInternalError) {
  Prepare(dgLoco, mkWait, 1, 3);
  Cmd.Code = 17;
  EXPECT_EQ(Cmd.Format(), "699 ERROR internal error");
  EXPECT_EQ(Cmd.Kind(), mkErrInternal);
  EXPECT_EQ(Cmd.Code, 17);  // the field is left alone
  // Without a syntax table every command is such a line.
  Cmd.SetVersion(cv073);
  Prepare(dgPower, mkGet, 1, 0);
  EXPECT_EQ(Cmd.Format(), "699 ERROR internal error");
}

TEST_F(SRCPCmdTest, ErrorLinesTakeTheTableCodeAndText) {
  Cmd.SetCommand(mkErrWrongValue);
  Cmd.Timestamp = 5.25;
  Cmd.Code = 1;
  EXPECT_EQ(Cmd.Format(), "5.250 412 ERROR wrong value");
  Cmd.IsAnswer = false;
  EXPECT_EQ(Cmd.Format(), "412 ERROR wrong value");
}

TEST_F(SRCPCmdTest, BareOkUsesTheCodeField) {
  Cmd.SetCommand(mkOk);
  Cmd.Timestamp = 5.25;
  EXPECT_EQ(Cmd.Format(), "5.250 200 OK");
}

TEST_F(SRCPCmdTest, ParsesOkAndOkGo) {
  ASSERT_TRUE(Cmd.Parse("5.250 200 OK"));
  EXPECT_EQ(Cmd.Kind(), mkOk);
  EXPECT_DOUBLE_EQ(Cmd.Timestamp, 5.25);
  EXPECT_FALSE(Cmd.IsError());
  ASSERT_TRUE(Cmd.Parse("5.250 200 OK GO 7"));
  EXPECT_EQ(Cmd.Kind(), mkOkGo);
  EXPECT_EQ(Cmd.Group(), dgHandshake);
  EXPECT_EQ(Cmd.Handshake().SessionId, 7);
}

TEST_F(SRCPCmdTest, ParsesErrorReplies) {
  ASSERT_TRUE(Cmd.Parse("5.250 416 ERROR no data"));
  EXPECT_TRUE(Cmd.IsError());
  EXPECT_EQ(Cmd.Kind(), mkErrNoData);
  EXPECT_EQ(Cmd.Code, 416);
  EXPECT_EQ(Cmd.Text, "no data");
  ASSERT_TRUE(Cmd.Parse("5.250 410 error"));
  EXPECT_EQ(Cmd.Kind(), mkErrUnknownCommand);
  EXPECT_EQ(Cmd.Text, "");
  // An error code without the word is not understood.
  EXPECT_FALSE(Cmd.Parse("5.250 416 INFO 1 GL"));
  EXPECT_EQ(Cmd.Kind(), mkErrInternal);
  // An unknown code counts as an error reply of code 699.
  ASSERT_TRUE(Cmd.Parse("5.250 333 ERROR strange"));
  EXPECT_EQ(Cmd.Kind(), mkErrInternal);
  EXPECT_EQ(Cmd.Code, 699);
  EXPECT_FALSE(Cmd.Parse("12.5 300 INFO"));
  EXPECT_EQ(Cmd.Kind(), mkErrInternal);
}

TEST_F(SRCPCmdTest, BadBusOrGroupInAnInformationLine) {
  EXPECT_TRUE(Cmd.Parse("5.250 100 INFO x GL 3"));
  EXPECT_EQ(Cmd.Kind(), mkErrUnknownCommand);
  EXPECT_TRUE(Cmd.IsError());
  EXPECT_TRUE(Cmd.Parse("5.250 100 INFO 1 XX 3"));
  EXPECT_EQ(Cmd.Kind(), mkErrUnknownValue);
  EXPECT_EQ(Cmd.Group(), dgInvalid);
}

TEST_F(SRCPCmdTest, AWrongWordKeepsTheKindAndTheRestOfTheLine) {
  EXPECT_FALSE(Cmd.Parse("5.250 100 OK 1 GL 3"));
  EXPECT_EQ(Cmd.Kind(), mkInfoState);
  EXPECT_EQ(Cmd.Text, "OK 1 GL 3");
}

TEST_F(SRCPCmdTest, PositiveReplyWithoutItsKey) {
  EXPECT_FALSE(Cmd.Parse("5.250 201 OK"));
  EXPECT_EQ(Cmd.Kind(), mkOkProtocol);
  EXPECT_FALSE(Cmd.Parse("5.250 200 OK FOO"));
}

TEST_F(SRCPCmdTest, RestThatTheRecordRefuses) {
  EXPECT_FALSE(Cmd.Parse("5.250 100 INFO 1 GL 3 1 50 100 0 1 x 0"));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
}

TEST_F(SRCPCmdTest, EmptyLine) {
  EXPECT_FALSE(Cmd.Parse(""));
  EXPECT_EQ(Cmd.Kind(), mkErrInternal);
}

TEST_F(SRCPCmdTest, ALineWithoutTimeStampIsTheWelcome) {
  ASSERT_TRUE(Cmd.Parse("server 1.0; SRCP 0.8.2"));
  EXPECT_EQ(Cmd.Kind(), mkWelcome);
  EXPECT_EQ(Cmd.Group(), dgWelcome);
  EXPECT_EQ(Cmd.Text, "server 1.0; SRCP 0.8.2");
  ASSERT_TRUE(Cmd.Parse("5.250"));  // no blank: not a time-stamped line
  EXPECT_EQ(Cmd.Kind(), mkWelcome);
  EXPECT_EQ(Cmd.Welcome().Server, "5.250");
}

TEST_F(SRCPCmdTest, RepliesNeedTheVersionsCodes) {
  TSRCPCmd unset;
  EXPECT_FALSE(unset.Parse("5.250 200 OK"));
  EXPECT_EQ(unset.Kind(), mkErrInternal);
}

TEST_F(SRCPCmdTest, ParsingTheMessagesOwnTextIsSafe) {
  ASSERT_TRUE(Cmd.Parse("5.250 416 ERROR 5.250 100 INFO 1 POWER ON"));
  ASSERT_TRUE(Cmd.Parse(Cmd.Text));
  EXPECT_EQ(Cmd.Kind(), mkInfoState);
  EXPECT_TRUE(Cmd.Power().PowerOn);
}

TEST_F(SRCPCmdTest, OnlyVersionTimeBusAndAddressSurviveAParse) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 2 GL 3 1 50 100 0 1 0 0"));
  ASSERT_TRUE(Cmd.Parse("6.500 200 OK"));
  EXPECT_DOUBLE_EQ(Cmd.Timestamp, 6.5);
  EXPECT_EQ(Cmd.Bus, 2);
  EXPECT_EQ(Cmd.Address, 3);
  EXPECT_EQ(Cmd.Version(), cv082);
  ASSERT_TRUE(Cmd.Parse("srcpd; SRCP 0.8.2"));
  EXPECT_DOUBLE_EQ(Cmd.Timestamp, 6.5);
}

// A message reused for many lines must end up exactly like a fresh one
// after each, apart from the values that survive by design.
TEST_F(SRCPCmdTest, ReuseLeavesNothingOfEarlierLines) {
  const std::vector<std::string> lines = {
      "5.250 100 INFO 1 GL 3 1 50 100 0 1 0 0",
      "5.250 101 INFO 1 GL 3 N 2 28 5",
      "5.250 100 INFO 1 GA 12 0 1",
      "5.250 101 INFO 1 GA 12 P",
      "5.250 100 INFO 1 FB 17 1",
      "5.250 110 INFO 1 SM 3 CVBIT 29 5 1",
      "5.250 100 INFO 1 SM 3 CV 29 6",
      "5.250 100 INFO 1 LOCK GL 3 60 7",
      "5.250 100 INFO 1 POWER ON",
      "5.250 100 INFO 0 TIME 2455000 10 20 30",
      "5.250 101 INFO 0 TIME 2 1",
      "5.250 101 INFO 0 SESSION 7 hello there",
      "5.250 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM",
      "5.250 100 INFO 0 SERVER RUNNING",
      "5.250 200 OK GO 7",
      "5.250 201 OK PROTOCOL SRCP",
      "5.250 416 ERROR no data",
      "srcpd V2.1.2; SRCP 0.8.4; SRCPOTHER 0.8.2; extra",
      "5.250 100 INFO 1 POWER MAYBE",
      "",
  };
  TSRCPCmd reused;
  reused.SetVersion(cv082);
  for (int pass = 0; pass < 2; ++pass)
    for (const std::string& line : lines) {
      TSRCPCmd fresh;
      fresh.SetVersion(cv082);
      const bool expected = fresh.Parse(line);
      EXPECT_EQ(reused.Parse(line), expected) << line;
      EXPECT_EQ(CmdSnapshot(reused, false), CmdSnapshot(fresh, false)) << line;
    }
}

}  // namespace
}  // namespace tenvarra
