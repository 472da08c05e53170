// A native application with the preload library opens the pseudo-terminal of
// a running port, whose commands go through the real decoder and engine: it
// reads the bridge's lines with TIOCMGET, TIOCGICOUNT and TIOCMIWAIT, and the
// port sees the DTR and RTS it sets. Its own pty stays without modem lines.

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/TempDir.h"
#include "common/Wait.h"
#include "emulation/TestHost.h"
#include "modemlines/LineState.h"
#include "platform/PollLoop.h"
#include "serialport/PtyPort.h"

extern char** environ;

namespace tenvarra {
namespace {

using Clock = std::chrono::steady_clock;

// The probe program, preloaded: one command, one answer line. Settings are
// more "NAME=value" entries of its environment.
class TProbe {
public:
  explicit TProbe(const std::string& PortDir, const std::vector<std::string>& Settings = {}) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
#ifdef TENVARRA_PROBE_RUNNER
    // The emulator of a 32-bit probe is a program of its own: the library goes to the probe only.
    std::vector<std::string> args = {TENVARRA_PROBE_RUNNER, "-E", std::string("LD_PRELOAD=") + TENVARRA_MODEMLINES,
                                     TENVARRA_PROBE};
    std::vector<std::string> env = {"TENVARRA_PORT_DIR=" + PortDir};
#else
    std::vector<std::string> args = {TENVARRA_PROBE};
    std::vector<std::string> env = {std::string("LD_PRELOAD=") + TENVARRA_MODEMLINES, "TENVARRA_PORT_DIR=" + PortDir};
#endif
    env.insert(env.end(), Settings.begin(), Settings.end());
    for (char** e = environ; *e != nullptr; ++e) {
      if (std::strncmp(*e, "LD_PRELOAD=", 11) != 0 && std::strncmp(*e, "TENVARRA_", 9) != 0) env.push_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) FPid = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]), ::close(out[1]);
    FIn.Reset(in[1]), FOut.Reset(out[0]);
  }
  ~TProbe() {
    FIn.Reset();
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
  }

  void Send(const std::string& Command) const {
    const std::string line = Command + "\n";
    ASSERT_EQ(::write(FIn.Get(), line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  // The next answer line, or "(none)" when none came in time.
  std::string Answer() {
    const auto deadline = Clock::now() + std::chrono::milliseconds(test::WaitLimitMs);
    for (std::size_t end; (end = FPartial.find('\n')) == std::string::npos;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd ready{FOut.Get(), POLLIN, 0};
      char chunk[256];
      ssize_t got = 0;
      if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) != 1 || (got = ::read(FOut.Get(), chunk, sizeof chunk)) <= 0)
        return "(none)";
      FPartial.append(chunk, static_cast<std::size_t>(got));
    }
    const std::size_t end = FPartial.find('\n');
    std::string line = FPartial.substr(0, end);
    FPartial.erase(0, end + 1);
    return line;
  }
  std::string Ask(const std::string& Command) {
    Send(Command);
    return Answer();
  }

private:
  pid_t FPid = -1;
  TUniqueFd FIn, FOut;
  std::string FPartial;
};

std::string Lines(int Bits) { return "lines " + std::to_string(Bits); }

constexpr int Bridge = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

class ModemLinesTest : public ::testing::Test {
protected:
  ModemLinesTest() {
    Port->CreatePort("COM1");
    Port->SetHandshakeLine(true);  // as the bridge does at start
    Port->OnRxChar = [this](TVSPort& Sender, int32_t Count) { Decoder.VSPort1RxChar(Sender, Count); };
    Port->OnApplicationLines = [this](TPtyPort&, uint32_t Lines) { ApplicationLines = Lines; };
    Host.Port = Port.get();
  }

  // Until a TIOCMIWAIT sleeps on the port's lines: only then is a change sure to be one it waits for.
  bool WaitForSleeper() const {
    const TUniqueFd fd(::open(Ports.c_str(), O_RDONLY));
    const TUniqueFd file(::openat(fd.Get(), "COM1" TENVARRA_LINES_SUFFIX, O_RDONLY));
    void* map = ::mmap(nullptr, sizeof(tenvarra_lines), PROT_READ, MAP_SHARED, file.Get(), 0);
    if (map == MAP_FAILED) return false;
    auto* lines = static_cast<tenvarra_lines*>(map);
    const auto deadline = Clock::now() + std::chrono::milliseconds(test::WaitLimitMs);
    while (tenvarra_lines_load(&lines->waiters) == 0 && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool sleeping = tenvarra_lines_load(&lines->waiters) != 0;
    ::munmap(map, sizeof(tenvarra_lines));
    return sleeping;
  }

  test::TTempDir Temp;
  const std::string Ports = Temp.File("ports");
  TPollLoop Loop;
  std::unique_ptr<TPtyPort> Port = std::make_unique<TPtyPort>(Loop, Ports);
  test::TTestHost Host;
  TTenvarra Engine{Host};
  TCommandDecoder Decoder{*Port, Engine, Loop};
  uint32_t ApplicationLines = 0;
  TProbe App{Ports};
};

TEST_F(ModemLinesTest, TheApplicationReadsTheBridgesLinesAndSetsItsOwn) {
  ASSERT_EQ(App.Ask("open " + Port->LinkPath()), "ok");
  ASSERT_TRUE(Loop.RunUntil([&] { return Port->IsOpened(); }, test::WaitLimitMs));
  EXPECT_EQ(App.Ask("get"), Lines(Bridge));

  // DTR and RTS reach the port, each change as it happens.
  EXPECT_EQ(App.Ask("bis " + std::to_string(TIOCM_DTR | TIOCM_RTS)), "ok");
  EXPECT_TRUE(Loop.RunUntil([&] { return ApplicationLines == (TIOCM_DTR | TIOCM_RTS); }, test::WaitLimitMs));
  EXPECT_EQ(App.Ask("bic " + std::to_string(TIOCM_RTS)), "ok");
  EXPECT_TRUE(Loop.RunUntil([&] { return ApplicationLines == TIOCM_DTR; }, test::WaitLimitMs));
  // The bridge's own lines cannot be set from the application's side.
  EXPECT_EQ(App.Ask("set " + std::to_string(TIOCM_RTS)), "ok");
  EXPECT_TRUE(Loop.RunUntil([&] { return ApplicationLines == TIOCM_RTS; }, test::WaitLimitMs));
  EXPECT_EQ(App.Ask("get"), Lines(Bridge | TIOCM_RTS));

  // CTS is off while a command is handled: here while the learning dialog
  // of an unknown loco is open.
  std::string during;
  Host.WhileLearning = [&] { during = App.Ask("get"); };
  EXPECT_EQ(App.Ask("count"), "count 0 0 0");
  EXPECT_EQ(App.Ask("write 5 7"), "ok");
  ASSERT_TRUE(Loop.RunUntil([&] { return !during.empty(); }, test::WaitLimitMs));
  EXPECT_EQ(during, Lines(TIOCM_DSR | TIOCM_CAR | TIOCM_RTS));
  EXPECT_EQ(App.Ask("get"), Lines(Bridge | TIOCM_RTS));
  EXPECT_EQ(App.Ask("count"), "count 2 0 0");

  // TIOCMIWAIT returns on a change of CTS ...
  App.Send("wait " + std::to_string(TIOCM_CTS));
  ASSERT_TRUE(WaitForSleeper());
  Port->SetHandshakeLine(false);
  EXPECT_EQ(App.Answer(), "ok");
  EXPECT_EQ(App.Ask("get"), Lines(TIOCM_DSR | TIOCM_CAR | TIOCM_RTS));
  Port->SetHandshakeLine(true);

  // ... and when the port goes, also for a line that never changes; the
  // bridge's lines are dropped.
  App.Send("wait " + std::to_string(TIOCM_RNG));
  ASSERT_TRUE(WaitForSleeper());
  Port.reset();
  EXPECT_EQ(App.Answer(), "error " + std::to_string(EIO));
  EXPECT_EQ(App.Ask("get"), Lines(TIOCM_RTS));

  // A pseudo-terminal that is no port has no modem lines, as without the library.
  EXPECT_EQ(App.Ask("foreign"), "error " + std::to_string(ENOTTY));
}

// DOSBox's BIOS sends nothing while it sees a carrier: a process told so
// reads CD off, and every other line as the bridge has it.
TEST_F(ModemLinesTest, AProcessToldToSeeNoCarrierReadsCdOff) {
  TProbe dos(Ports, {"TENVARRA_CD_OFF=1"});
  ASSERT_EQ(dos.Ask("open " + Port->LinkPath()), "ok");
  ASSERT_EQ(App.Ask("open " + Port->LinkPath()), "ok");
  EXPECT_EQ(dos.Ask("get"), Lines(TIOCM_CTS | TIOCM_DSR));
  EXPECT_EQ(App.Ask("get"), Lines(Bridge));
  Port->SetHandshakeLine(false);
  EXPECT_EQ(dos.Ask("get"), Lines(TIOCM_DSR));
  EXPECT_EQ(dos.Ask("count"), "count 1 0 0");
}

}  // namespace
}  // namespace tenvarra
