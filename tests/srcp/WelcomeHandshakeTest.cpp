#include <gtest/gtest.h>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

class WelcomeHandshakeTest : public ::testing::Test {
protected:
  WelcomeHandshakeTest() : Welcome(Cmd.Welcome()), Handshake(Cmd.Handshake()) { Cmd.SetVersion(cv082); }

  TSRCPCmd Cmd;
  TSRCPDeviceWelcome& Welcome;
  TSRCPDeviceHandshake& Handshake;
};

TEST_F(WelcomeHandshakeTest, WelcomeSplitsNameVersionsAndTheRest) {
  // A server name that begins like the prefix is still a name; unknown versions keep their text.
  ASSERT_TRUE(Cmd.Parse("srcpd V2.1.2; SRCP 0.8.4; SRCPOTHER 0.8.3"));
  EXPECT_EQ(Welcome.Server, "srcpd V2.1.2");
  ASSERT_EQ(Welcome.VersionCount(), 2);
  EXPECT_EQ(Welcome.GetVersion(0), cvUnknown);
  EXPECT_EQ(Welcome.GetVersionText(0), "0.8.4");
  EXPECT_EQ(Welcome.GetVersionText(5), "");
  ASSERT_TRUE(Cmd.Parse("srcp 1.0; SRCP 0.7.3;  a ;; b ;srcpother 0.8.2"));
  ASSERT_EQ(Welcome.VersionCount(), 3);
  EXPECT_EQ(Welcome.GetVersion(2), cv082);
  EXPECT_EQ(Welcome.Server, "a");
  EXPECT_EQ(Welcome.Other, "b");
}

TEST_F(WelcomeHandshakeTest, ServerSideReadsCommands) {
  ASSERT_TRUE(Cmd.ParseCommand("SET CONNECTIONMODE SRCP INFO\r"));
  EXPECT_EQ(Handshake.ConnectionMode, cmInfo);
  EXPECT_FALSE(Cmd.ParseCommand("SET PROTOCOL SRCP 0.9"));
  const std::pair<const char*, TSRCPMessageKind> refused[] = {
      {"JUMP 1 GL 3", mkErrUnknownCommand},          {"GET 1 GM 3", mkErrUnsupportedDeviceGroup},
      {"WAIT 1 GL 3", mkErrUnsupportedOperation},    {"SET 1 GL 3 x 50 100 0", mkErrWrongValue},
      {"SET 1 POWER MAYBE", mkErrInsufficientData},
  };
  for (auto [line, kind] : refused) {
    EXPECT_FALSE(Cmd.ParseCommand(line)) << line;
    EXPECT_EQ(Cmd.Kind(), kind) << line;
  }
  EXPECT_FALSE(Cmd.ParseCommand(""));
  ASSERT_TRUE(Cmd.ParseCommand("GET 1 SM 3 CV 29"));  // trailing values may be left out
  EXPECT_EQ(Cmd.ServiceMode().Value, -1);
}

}  // namespace
}  // namespace tenvarra
