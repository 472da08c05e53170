#include <gtest/gtest.h>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

class WelcomeHandshakeTest : public ::testing::Test {
protected:
  WelcomeHandshakeTest() : Welcome(Cmd.Welcome()), Handshake(Cmd.Handshake()) {
    Cmd.SetVersion(cv082);
  }

  TSRCPCmd Cmd;
  TSRCPDeviceWelcome& Welcome;
  TSRCPDeviceHandshake& Handshake;
};

TEST_F(WelcomeHandshakeTest, WelcomeSplitsNameVersionsAndTheRest) {
  ASSERT_TRUE(Cmd.Parse("server 1.0; SRCP 0.8.2; SRCPOTHER 0.7.3; extra"));
  EXPECT_EQ(Welcome.Server, "server 1.0");
  ASSERT_EQ(Welcome.VersionCount(), 2);
  EXPECT_EQ(Welcome.GetVersion(0), cv082);
  EXPECT_EQ(Welcome.GetVersion(1), cv073);
  EXPECT_EQ(Welcome.Other, "extra");
  EXPECT_EQ(Cmd.Format(), "server 1.0;SRCP 0.8.2;SRCPOTHER 0.7.3;extra");
}

TEST_F(WelcomeHandshakeTest, VersionsThisSystemDoesNotSpeakKeepTheirText) {
  ASSERT_TRUE(Cmd.Parse("x; SRCP 0.9"));
  ASSERT_EQ(Welcome.VersionCount(), 1);
  EXPECT_EQ(Welcome.GetVersion(0), cvUnknown);
  EXPECT_EQ(Welcome.GetVersionText(0), "0.9");
}

TEST_F(WelcomeHandshakeTest, GetVersionOutsideTheListIsUnknown) {
  ASSERT_TRUE(Cmd.Parse("x; SRCP 0.8.2"));
  EXPECT_EQ(Welcome.GetVersion(1), cvUnknown);
  EXPECT_EQ(Welcome.GetVersion(-1), cvUnknown);
  EXPECT_EQ(Welcome.GetVersionText(5), "");
}

TEST_F(WelcomeHandshakeTest, AServerNameThatBeginsLikeThePrefixIsStillAName) {
  ASSERT_TRUE(Cmd.Parse("srcpd V2.1.2; SRCP 0.8.4; SRCPOTHER 0.8.3"));
  EXPECT_EQ(Welcome.Server, "srcpd V2.1.2");
  ASSERT_EQ(Welcome.VersionCount(), 2);
  EXPECT_EQ(Welcome.GetVersionText(0), "0.8.4");
  EXPECT_EQ(Welcome.GetVersionText(1), "0.8.3");
  EXPECT_EQ(Welcome.Other, "");
}

TEST_F(WelcomeHandshakeTest, PrefixesCompareCaseInsensitivelyAndPartsAreTrimmed) {
  ASSERT_TRUE(Cmd.Parse("srcp 1.0; SRCP 0.7.3;  a ;; b ;srcpother 0.8.2"));
  ASSERT_EQ(Welcome.VersionCount(), 3);
  EXPECT_EQ(Welcome.GetVersion(0), cvUnknown);
  EXPECT_EQ(Welcome.GetVersion(1), cv073);
  EXPECT_EQ(Welcome.GetVersion(2), cv082);
  EXPECT_EQ(Welcome.Server, "a");
  EXPECT_EQ(Welcome.Other, "b");
}

TEST_F(WelcomeHandshakeTest, HandshakeCommands) {
  Cmd.SetGroup(dgHandshake);
  Cmd.SetCommand(mkSetProtocol);
  Handshake.ProtocolVersion = cv082;
  EXPECT_EQ(Cmd.Format(), "SET PROTOCOL SRCP 0.8.2");
  Cmd.SetCommand(mkSetConnectionMode);
  Handshake.ConnectionMode = cmCommand;
  EXPECT_EQ(Cmd.Format(), "SET CONNECTIONMODE SRCP COMMAND");
  Handshake.ConnectionMode = cmInfo;
  EXPECT_EQ(Cmd.Format(), "SET CONNECTIONMODE SRCP INFO");
  Cmd.SetCommand(mkGo);
  EXPECT_EQ(Cmd.Format(), "GO");
}

TEST_F(WelcomeHandshakeTest, RepliesThatRepeatTheirKeyAreUnderstood) {
  ASSERT_TRUE(Cmd.Parse("5.250 201 OK PROTOCOL SRCP"));
  EXPECT_EQ(Cmd.Kind(), mkOkProtocol);
  ASSERT_TRUE(Cmd.Parse("5.250 202 OK CONNECTIONMODE"));
  EXPECT_EQ(Cmd.Kind(), mkOkConnectionMode);
  // A plain 200 is refined by its key.
  ASSERT_TRUE(Cmd.Parse("5.250 200 OK protocol SRCP"));
  EXPECT_EQ(Cmd.Kind(), mkOkProtocol);
  EXPECT_FALSE(Cmd.Parse("5.250 201 OK CONNECTIONMODE"));
  EXPECT_FALSE(Cmd.Parse("5.250 201 OK PROTOCOL SRCX"));
}

TEST_F(WelcomeHandshakeTest, GoReplyCarriesTheSessionNumber) {
  ASSERT_TRUE(Cmd.Parse("5.250 200 OK GO 12"));
  EXPECT_EQ(Handshake.SessionId, 12);
  ASSERT_TRUE(Cmd.Parse("5.250 200 OK"));
  EXPECT_EQ(Handshake.SessionId, -1);
  EXPECT_FALSE(Cmd.Parse("5.250 200 OK GO x"));
}

TEST_F(WelcomeHandshakeTest, ServerReadsHandshakeCommands) {
  ASSERT_TRUE(Cmd.ParseCommand("SET PROTOCOL SRCP 0.8.2"));
  EXPECT_EQ(Cmd.Kind(), mkSetProtocol);
  EXPECT_EQ(Handshake.ProtocolVersion, cv082);
  EXPECT_FALSE(Cmd.ParseCommand("SET PROTOCOL SRCP 0.9"));
  ASSERT_TRUE(Cmd.ParseCommand("SET CONNECTIONMODE SRCP INFO\r"));
  EXPECT_EQ(Cmd.Kind(), mkSetConnectionMode);
  EXPECT_EQ(Handshake.ConnectionMode, cmInfo);
  ASSERT_TRUE(Cmd.ParseCommand("GO"));
  EXPECT_EQ(Cmd.Kind(), mkGo);
  EXPECT_EQ(Cmd.Group(), dgHandshake);
}

TEST_F(WelcomeHandshakeTest, ServerRefusesWhatItCannotRead) {
  EXPECT_FALSE(Cmd.ParseCommand("JUMP 1 GL 3"));
  EXPECT_EQ(Cmd.Kind(), mkErrUnknownCommand);
  EXPECT_FALSE(Cmd.ParseCommand("GET 1 GM 3"));
  EXPECT_EQ(Cmd.Kind(), mkErrUnsupportedDeviceGroup);
  EXPECT_FALSE(Cmd.ParseCommand("WAIT 1 GL 3"));
  EXPECT_EQ(Cmd.Kind(), mkErrUnsupportedOperation);
  EXPECT_FALSE(Cmd.ParseCommand("SET 1 GL 3 x 50 100 0"));
  EXPECT_EQ(Cmd.Kind(), mkErrWrongValue);
  EXPECT_FALSE(Cmd.ParseCommand("SET 1 POWER MAYBE"));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
  EXPECT_FALSE(Cmd.ParseCommand(""));
  // Trailing values may be left out, as this system writes them.
  ASSERT_TRUE(Cmd.ParseCommand("GET 1 SM 3 CV 29"));
  EXPECT_EQ(Cmd.ServiceMode().SMAddress, 29);
  EXPECT_EQ(Cmd.ServiceMode().Value, -1);
}

}  // namespace
}  // namespace tenvarra
