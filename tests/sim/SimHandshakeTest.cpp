// The welcome, the handshake up to GO, and how sessions end.

#include "SimFixture.h"

namespace tenvarra::test {
namespace {

using SimHandshake = TSimTest;

TEST_F(SimHandshake, RefusesWhatItDoesNotOfferAndStaysInTheHandshake) {
  TSimClient client(Server->Port());
  EXPECT_EQ(client.ReadLine(), TSimServer::Version() + "; SRCP 0.8.2");
  const struct {
    std::string Line, Reply;
  } steps[] = {
      {"GET 1 POWER", UnknownCommand},  // commands wait for GO
      {"set protocol srcp 0.8.2", UnknownCommand},
      {"SET PROTOCOL SRCP 0.8.4", "400 ERROR unsupported protocol"},
      {"SET PROTOCOL SRCP", "402 ERROR insufficient data"},
      {"SET CONNECTIONMODE SRCP", "402 ERROR insufficient data"},
      {"SET CONNECTIONMODE SRCP FOO", "401 ERROR unsupported connection mode"},
      {"SET FOO", UnknownCommand},
      {"GO NOW", TooLong},
      {"SET PROTOCOL SRCP 0.8.2", "201 OK PROTOCOL SRCP"},
      {"SET CONNECTIONMODE SRCP COMMAND", "202 OK CONNECTIONMODE"},
      {"GO", "200 OK GO 3"},
      {"GO", UnknownCommand},
  };
  for (const auto& step : steps) {
    // Blank lines and CR LF line ends are taken as well.
    ASSERT_TRUE(client.SendRaw("\r\n  \n" + step.Line + "\r\n"));
    EXPECT_EQ(client.Next(), step.Reply) << step.Line;
  }
  EXPECT_EQ(ReportsSoFar(*Info), Strings{"101 INFO 0 SESSION 3 COMMAND"});
}

TEST_F(SimHandshake, SessionsAreNumberedInGoOrderAndAnnouncedToInformationSessions) {
  auto silent = std::make_unique<TSimClient>(Server->Port());
  ASSERT_TRUE(silent->ReadLine());
  silent.reset();                  // never passed GO: neither announced nor its end
  auto second = Connect("INFO");   // 3, misses its own announcement
  auto third = Connect("COMMAND");    // 4
  EXPECT_EQ(second->ReadThrough("100 INFO 8 POWER OFF"), FreshSnapshot());
  EXPECT_EQ(third->Ask("TERM 0 SESSION 1"), Forbidden);
  EXPECT_EQ(third->Ask("TERM 0 SESSION x"), WrongValue);
  EXPECT_EQ(third->Ask("TERM 0 SESSION 4"), Ok);
  EXPECT_TRUE(third->WaitClosed());
  auto fourth = Connect("COMMAND");  // 5: numbers are not reused
  EXPECT_EQ(fourth->Ask("TERM 0 SESSION"), Ok);
  EXPECT_TRUE(fourth->WaitClosed());
  second.reset();  // an information session that goes away is announced as well
  const Strings expected = {"101 INFO 0 SESSION 3 INFO", "101 INFO 0 SESSION 4 COMMAND",
                            "102 INFO 0 SESSION 4", "101 INFO 0 SESSION 5 COMMAND",
                            "102 INFO 0 SESSION 5", "102 INFO 0 SESSION 3"};
  EXPECT_EQ(Info->ReadThrough(expected.back()), expected);
}

}  // namespace
}  // namespace tenvarra::test
