// The tenvarra-sim program as a user runs it.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "SimFixture.h"

namespace tenvarra::test {
namespace {

// The program run through the shell, which first names its process; its
// output and errors come through one pipe, each line read within a bounded wait.
class TProgram {
public:
  explicit TProgram(const std::string& Args)
      : FPipe(::popen(("echo $$; exec " TENVARRA_SIM_PROGRAM " " + Args + " 2>&1").c_str(), "r")) {
    std::setvbuf(FPipe, nullptr, _IONBF, 0);  // so that poll sees every byte not yet read
    FPid = std::atoi(ReadLine().c_str());
  }
  ~TProgram() {
    if (FPipe) Finish();
  }
  std::string ReadLine() {
    pollfd poller{::fileno(FPipe), POLLIN, 0};
    char line[512];
    if (::poll(&poller, 1, TSimClient::WaitMs) <= 0 || !std::fgets(line, sizeof line, FPipe))
      return "(nothing)";
    return line;
  }
  // Ends the program with Signal (none: lets it end) and gives its exit
  // status; a program that does not end within the wait is killed.
  int Finish(int Signal = 0) {
    if (Signal) ::kill(FPid, Signal);
    while (ReadLine() != "(nothing)") {}
    if (!std::feof(FPipe)) ::kill(FPid, SIGKILL);
    const int status = ::pclose(std::exchange(FPipe, nullptr));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

private:
  FILE* FPipe;
  pid_t FPid = 0;
};

TEST(SimProgram, AnswersItsOptions) {
  const struct {
    std::string Args;
    int Status;
    std::string Output;
  } runs[] = {
      {"--version", 0, TSimServer::Version() + "\n"},
      {"--help", 0, "Usage: tenvarra-sim [--listen ADDR] [--port N] [--fb-pattern]"},
      {"--port 65536", 2, "tenvarra-sim: not a port: 65536\n"},
      {"--port", 2, "tenvarra-sim: unknown option or missing value: --port\n"},
      {"--listen 192.0.2.1 --port 0", 1, "tenvarra-sim: cannot listen on 192.0.2.1:0: "},
  };
  for (const auto& run : runs) {
    TProgram program(run.Args);
    EXPECT_EQ(program.ReadLine().substr(0, run.Output.size()), run.Output) << run.Args;
    EXPECT_EQ(program.Finish(), run.Status) << run.Args;
  }
}

TEST(SimProgram, ServesOnThePortItNamesUntilItIsTerminated) {
  TProgram program("--port 0");
  const std::string line = program.ReadLine();
  const std::string prefix = "tenvarra-sim listening on 127.0.0.1:";
  ASSERT_EQ(line.substr(0, prefix.size()), prefix);
  const int port = std::atoi(line.c_str() + prefix.size());
  TSimClient client(port);
  EXPECT_EQ(client.Handshake("COMMAND"), 1);  // SimCommands covers what it answers

  TProgram taken("--port " + std::to_string(port));
  const std::string refusal = "tenvarra-sim: cannot listen on 127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(taken.ReadLine(), refusal + ": Address already in use\n");
  EXPECT_EQ(taken.Finish(), 1);

  EXPECT_EQ(program.Finish(SIGTERM), 0);
  EXPECT_TRUE(client.WaitClosed());
}

}  // namespace
}  // namespace tenvarra::test
