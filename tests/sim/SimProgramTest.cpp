// The tenvarra-sim program as a user runs it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "SimFixture.h"

extern char** environ;

namespace tenvarra::test {
namespace {

// The program running with Args, its output and errors read through one pipe.
class TProgram {
public:
  explicit TProgram(std::vector<std::string> Args) {
    Args.insert(Args.begin(), TENVARRA_SIM_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : Args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
    const int rc = posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    FOut = pipe[0];
    if (rc != 0) throw std::runtime_error("cannot run the program");
  }
  ~TProgram() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
    ::close(FOut);
  }

  // Output up to the first line end, or all of it once the program is gone.
  std::string ReadLine() {
    while (FText.find('\n') == std::string::npos && Read()) {}
    const std::size_t end = FText.find('\n');
    std::string line = FText.substr(0, end);
    FText.erase(0, end == std::string::npos ? end : end + 1);
    return line;
  }
  // Everything the program writes until it ends, and its exit status; -1
  // when it did not end within the wait.
  int Finish(std::string& Output) {
    while (Read()) {}
    Output = std::exchange(FText, {});
    if (!FEnded) return -1;
    int status = 0;
    ::waitpid(std::exchange(FPid, -1), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Signal(int Number) const { ::kill(FPid, Number); }

private:
  bool Read() {
    pollfd poller{FOut, POLLIN, 0};
    if (::poll(&poller, 1, TSimClient::WaitMs) <= 0) return false;
    char chunk[4096];
    const ssize_t n = ::read(FOut, chunk, sizeof chunk);
    if (n <= 0) {
      FEnded = true;  // every copy of the pipe's write end is closed
      return false;
    }
    FText.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  pid_t FPid = -1;
  int FOut = -1;
  std::string FText;
  bool FEnded = false;
};

TEST(SimProgram, AnswersItsOptions) {
  const struct {
    std::vector<std::string> Args;
    int Status;
    std::string Start;
  } runs[] = {
      {{"--version"}, 0, TSimServer::Version() + "\n"},
      {{"--help"}, 0, "Usage: tenvarra-sim [--listen ADDR] [--port N] [--fb-pattern]"},
      {{"--port", "65536"}, 2, "tenvarra-sim: not a port: 65536\nUsage:"},
      {{"--port"}, 2, "tenvarra-sim: unknown option or missing value: --port\n"},
      {{"--listen", "192.0.2.1", "--port", "0"}, 1, "tenvarra-sim: cannot listen on 192.0.2.1:0: "},
  };
  for (const auto& run : runs) {
    TProgram program(run.Args);
    std::string output;
    EXPECT_EQ(program.Finish(output), run.Status) << run.Args[0];
    EXPECT_EQ(output.substr(0, run.Start.size()), run.Start);
  }
}

TEST(SimProgram, ServesOnThePortItNamesUntilItIsTerminated) {
  TProgram program({"--port", "0"});
  const std::string line = program.ReadLine();
  const std::string prefix = "tenvarra-sim listening on 127.0.0.1:";
  ASSERT_EQ(line.substr(0, prefix.size()), prefix);
  const int port = std::atoi(line.c_str() + prefix.size());
  TSimClient client(port);
  EXPECT_EQ(client.Handshake("COMMAND"), 1);
  EXPECT_EQ(client.Ask("GET 8 DESCRIPTION"), "100 INFO 8 DESCRIPTION FB POWER");

  TProgram taken({"--port", std::to_string(port)});
  std::string output;
  EXPECT_EQ(taken.Finish(output), 1);
  const std::string refusal = "tenvarra-sim: cannot listen on 127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(output.rfind(refusal + ": ", 0), 0u) << output;

  program.Signal(SIGTERM);
  EXPECT_EQ(program.Finish(output), 0) << output;
  EXPECT_TRUE(client.WaitClosed());
}

}  // namespace
}  // namespace tenvarra::test
