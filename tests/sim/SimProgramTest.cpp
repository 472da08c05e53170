// The tenvarra-sim program as a user runs it.

#include <cstdlib>

#include "SimFixture.h"
#include "app/TenvarraProcess.h"

namespace tenvarra::test {
namespace {

TEST(SimProgram, AnswersItsOptions) {
  const struct {
    Strings Args;
    int Status;
    std::string FirstLine;  // of standard output (status 0) or standard error; "*" ends a prefix
  } runs[] = {
      {{"--version"}, 0, TSimServer::Version()},
      {{"--help"}, 0, "Usage: tenvarra-sim [--listen ADDR] [--port N] [--fb-pattern]*"},
      {{"--port", "65536"}, 2, "tenvarra-sim: not a port: 65536"},
      {{"--port"}, 2, "tenvarra-sim: unknown option or missing value: --port"},
      {{"--listen", "192.0.2.1", "--port", "0"}, 1, "tenvarra-sim: cannot listen on 192.0.2.1:0: *"},
  };
  for (const auto& run : runs) {
    TTenvarraProcess program(TENVARRA_SIM_PROGRAM, run.Args);
    EXPECT_EQ(program.WaitExit(), run.Status) << run.Args[0];
    const Strings& lines = run.Status == 0 ? program.Out() : program.Err();
    ASSERT_FALSE(lines.empty()) << run.Args[0];
    EXPECT_TRUE(TTenvarraProcess::Matches(lines.front(), run.FirstLine)) << lines.front();
  }
}

TEST(SimProgram, ServesOnThePortItNamesUntilItIsTerminated) {
  TTenvarraProcess program(TENVARRA_SIM_PROGRAM, {"--port", "0"});
  const std::string prefix = "tenvarra-sim listening on 127.0.0.1:";
  ASSERT_TRUE(program.WaitOut(prefix + "*"));
  const std::string port = program.Out().front().substr(prefix.size());
  TSimClient client(std::atoi(port.c_str()));
  EXPECT_EQ(client.Handshake("COMMAND"), 1);  // SimCommands covers what it answers

  TTenvarraProcess taken(TENVARRA_SIM_PROGRAM, {"--port", port});
  EXPECT_EQ(taken.WaitExit(), 1);
  EXPECT_EQ(taken.Err(), Strings{"tenvarra-sim: cannot listen on 127.0.0.1:" + port + ": Address already in use"});

  EXPECT_EQ(program.Terminate(), 0);
  EXPECT_TRUE(client.WaitClosed());
}

}  // namespace
}  // namespace tenvarra::test
