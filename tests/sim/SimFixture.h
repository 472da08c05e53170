#pragma once
// What the simulator tests share: a simulator on a free port with a command
// session (number 1) and an information session (number 2) that has read
// the fresh layout's snapshot, and a way to run a list of exchanges and
// compare every information line they caused.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/TenvarraProcess.h"
#include "sim/SimClient.h"
#include "sim/SimServer.h"

namespace tenvarra::test {

using Strings = std::vector<std::string>;

inline const std::string Ok = "200 OK";
inline const std::string UnknownCommand = "410 ERROR unknown command";
inline const std::string UnknownValue = "411 ERROR unknown value";
inline const std::string WrongValue = "412 ERROR wrong value";
inline const std::string Forbidden = "415 ERROR forbidden";
inline const std::string NoData = "416 ERROR no data";
inline const std::string TooLong = "418 ERROR list too long";
inline const std::string TooShort = "419 ERROR list too short";
inline const std::string BadProtocol = "420 ERROR unsupported device protocol";
inline const std::string BadGroup = "422 ERROR unsupported device group";
inline const std::string BadOperation = "423 ERROR unsupported operation";

// A command, the body of its reply, and the information lines it causes (a
// trailing "*" matches any rest of a line).
struct TExchange {
  std::string Command;
  std::string Reply;
  Strings Reports;
};

class TSimTest : public ::testing::Test {
protected:
  // What a fresh layout's information session is told after GO.
  static Strings FreshSnapshot() {
    Strings lines = {"100 INFO 0 DESCRIPTION SESSION SERVER TIME",
                     "100 INFO 1 DESCRIPTION GL POWER",  "100 INFO 2 DESCRIPTION GL POWER",
                     "100 INFO 3 DESCRIPTION GL POWER",  "100 INFO 4 DESCRIPTION POWER",
                     "100 INFO 5 DESCRIPTION GA POWER",  "100 INFO 6 DESCRIPTION GA POWER",
                     "100 INFO 7 DESCRIPTION POWER",     "100 INFO 8 DESCRIPTION FB POWER"};
    for (int bus = 1; bus <= 8; ++bus)
      lines.push_back("100 INFO " + std::to_string(bus) + " POWER OFF");
    return lines;
  }

  // Starts a simulator on a free port and connects Cmd and Info.
  void SetUp() override {
    TSimOptions options;
    options.Port = 0;
    Server = std::make_unique<TSimServer>(options);
    Server->Start();
    Cmd = Connect("COMMAND");
    Info = Connect("INFO");
    ASSERT_EQ(Info->ReadThrough("100 INFO 8 POWER OFF"), FreshSnapshot());
  }

  // A client that has passed the handshake in Mode.
  std::unique_ptr<TSimClient> Connect(const std::string& Mode) {
    auto client = std::make_unique<TSimClient>(Server->Port());
    if (client->Handshake(Mode) < 0) ADD_FAILURE() << "handshake failed";
    return client;
  }

  // The information lines Client gets until a change that Cmd causes now,
  // that change left out: everything caused before it.
  Strings ReportsSoFar(TSimClient& Client) {
    const std::string marker = "100 INFO 8 FB 496 " + std::to_string(FMarker ^= 1);
    EXPECT_EQ(Cmd->Ask("SET 8 FB 496 " + std::to_string(FMarker)), Ok);
    Strings reports = Client.ReadThrough(marker);
    reports.pop_back();
    return reports;
  }

  // Runs each exchange on Cmd, then compares what Info was told meanwhile.
  void Run(const std::vector<TExchange>& Exchanges) {
    Strings expected;
    for (const TExchange& e : Exchanges) {
      EXPECT_EQ(Cmd->Ask(e.Command), e.Reply) << e.Command;
      expected.insert(expected.end(), e.Reports.begin(), e.Reports.end());
    }
    Strings reports = ReportsSoFar(*Info);
    for (std::size_t i = 0; i < reports.size() && i < expected.size(); ++i)
      if (TTenvarraProcess::Matches(reports[i], expected[i])) reports[i] = expected[i];
    EXPECT_EQ(reports, expected);
  }

  std::unique_ptr<TSimServer> Server;
  std::unique_ptr<TSimClient> Cmd, Info;

private:
  int FMarker = 0;
};

}  // namespace tenvarra::test
