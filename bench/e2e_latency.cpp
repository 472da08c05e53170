// End-to-end latency of the bridge: the time from a two-byte loco command
// written to the COM link of a running `tenvarra --headless` until the
// simulated layout reports the SET it caused on its information session,
// for a loco the server already knows. Beside it, in the same run, a plain
// SRCP client sends the same SET lines straight to the simulator and waits
// for the same report, so the ratio shows the bridge's own share.
// Also: the program's resident memory idle and after the run, and the CPU
// time it uses over 10 idle seconds.
//
//   e2e_latency [commands]   (default 1000)

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/TcpConnect.h"
#include "sim/SimServer.h"

namespace {

using TClock = std::chrono::steady_clock;
constexpr int WaitMs = 5000;

[[noreturn]] void Fail(const std::string& Why) {
  std::fprintf(stderr, "e2e_latency: %s\n", Why.c_str());
  std::exit(1);
}

// A line client of the simulator with bounded reads.
class TLineClient {
public:
  explicit TLineClient(int Port) : FFd(tenvarra::ConnectTcp("127.0.0.1", Port, WaitMs)) {}
  ~TLineClient() { ::close(FFd); }

  void Send(const std::string& Line) {
    const std::string data = Line + "\n";
    if (::send(FFd, data.data(), data.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(data.size()))
      Fail("send failed");
  }
  // The next line's body (what follows the time stamp).
  std::string Next() {
    const auto deadline = TClock::now() + std::chrono::milliseconds(WaitMs);
    std::size_t end;
    while ((end = FBuffer.find('\n')) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
      pollfd fd{FFd, POLLIN, 0};
      if (left <= 0 || ::poll(&fd, 1, static_cast<int>(left)) <= 0) Fail("no line from the simulator in time");
      char chunk[65536];
      const ssize_t n = ::recv(FFd, chunk, sizeof chunk, 0);
      if (n <= 0) Fail("the simulator closed the connection");
      FBuffer.append(chunk, static_cast<std::size_t>(n));
    }
    std::string line = FBuffer.substr(0, end);
    FBuffer.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
  }
  // Reads until a line whose body starts with Prefix.
  void SkipTo(const std::string& Prefix) {
    while (Next().rfind(Prefix, 0) != 0) {
    }
  }
  void Handshake(const std::string& Mode) {
    Next();
    Send("SET PROTOCOL SRCP 0.8.2"), Next();
    Send("SET CONNECTIONMODE SRCP " + Mode), Next();
    Send("GO"), SkipTo("200 OK GO");
  }

private:
  int FFd;
  std::string FBuffer;
};

struct TFigures {
  double Median, P99;
};

TFigures FiguresOf(std::vector<double> Us) {
  std::sort(Us.begin(), Us.end());
  const auto at = [&](double q) { return Us[std::min(Us.size() - 1, static_cast<std::size_t>(q * Us.size()))]; };
  return {at(0.5), at(0.99)};
}

double Micros(TClock::duration D) { return std::chrono::duration<double, std::micro>(D).count(); }

long RssKb(pid_t Pid) {
  std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// User plus system CPU time of the process, in clock ticks.
long CpuTicks(pid_t Pid) {
  std::ifstream stat("/proc/" + std::to_string(Pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::atol(field.c_str());
    if (i == 15) {
      stime = std::atol(field.c_str());
      break;
    }
  }
  return utime + stime;
}

}  // namespace

int main(int argc, char** argv) {
  const int commands = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (commands < 1) Fail("the number of commands must be positive");

  tenvarra::TSimOptions simOptions;
  simOptions.Port = 0;
  tenvarra::TSimServer sim(simOptions);
  sim.Start();

  char pattern[] = "/tmp/tenvarra-bench-XXXXXX";
  if (!::mkdtemp(pattern)) Fail("no temporary directory");
  const std::string dir = pattern;
  std::filesystem::create_directory(dir + "/ports");
  std::filesystem::permissions(dir + "/ports", std::filesystem::perms::owner_all);
  {
    // The simulator's port, loco 12 (Motorola, 14 steps), no log file.
    std::ofstream store(dir + "/loco.dat", std::ios::binary);
    const std::string port = std::to_string(sim.Port());
    for (const char* line : {"localhost", port.c_str(), "200", "0", "0", "1", "1", "2",
                                    "3", "5", "6", "8", "1", "1", "12", "4", "2", "14", "0", "5", "80",
                                    "New Motorola (M2)", "0", "8"})
      store << line << "\r\n";
  }

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0), ::dup2(null, 1), ::dup2(null, 2);
    ::execl(TENVARRA_PROGRAM, TENVARRA_PROGRAM, "--headless", "--data-dir", dir.c_str(), "--port-dir",
            (dir + "/ports").c_str(), "--simulate", "--connect", static_cast<char*>(nullptr));
    ::_exit(127);
  }

  TLineClient info(sim.Port());
  info.Handshake("INFO");
  // The link appears once the program has provided its port.
  const std::string link = dir + "/ports/COM1";
  const auto deadline = TClock::now() + std::chrono::milliseconds(WaitMs);
  int com = -1;
  while ((com = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
    if (TClock::now() > deadline) Fail("the program provided no port");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  termios mode{};
  ::tcgetattr(com, &mode);
  ::cfmakeraw(&mode);
  ::tcsetattr(com, TCSANOW, &mode);

  // Connected once the power timer has switched power on, 3 s after the
  // connect. The first command then makes the loco known to the server
  // (INIT, SET, and SET again 200 ms later).
  info.SkipTo("100 INFO 1 POWER ON");
  const auto write = [&](uint8_t Command) {
    const uint8_t bytes[2] = {Command, 12};
    if (::write(com, bytes, 2) != 2) Fail("cannot write to the port");
  };
  write(1);
  info.SkipTo("100 INFO 1 GL 12 ");
  info.SkipTo("100 INFO 1 GL 12 ");

  const long rssIdle = RssKb(pid);
  const long ticksBefore = CpuTicks(pid);
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const long idleTicks = CpuTicks(pid) - ticksBefore;

  // Speeds 5 and 6 in turn, so that every SET changes the loco's state.
  std::vector<double> bridge, direct;
  for (int i = 0; i < commands; ++i) {
    const auto start = TClock::now();
    write(static_cast<uint8_t>(5 + i % 2));
    info.SkipTo("100 INFO 1 GL 12 ");
    bridge.push_back(Micros(TClock::now() - start));
  }
  const long rssAfter = RssKb(pid);

  TLineClient plain(sim.Port());
  plain.Handshake("COMMAND");
  for (int i = 0; i < commands; ++i) {
    const auto start = TClock::now();
    plain.Send(std::string("SET 1 GL 12 1 ") + (i % 2 ? "6" : "5") + " 14 0 0 0 0 0");
    info.SkipTo("100 INFO 1 GL 12 ");
    direct.push_back(Micros(TClock::now() - start));
    plain.Next();  // the reply
  }

  ::close(com);
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::filesystem::remove_all(dir);

  const TFigures b = FiguresOf(bridge), d = FiguresOf(direct);
  const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
  std::printf("commands                 %d\n", commands);
  std::printf("bridge  median / p99     %8.1f / %8.1f us\n", b.Median, b.P99);
  std::printf("direct  median / p99     %8.1f / %8.1f us\n", d.Median, d.P99);
  const auto slow = [](const std::vector<double>& Us) { return std::count_if(Us.begin(), Us.end(), [](double U) { return U > 1000; }); };
  std::printf("over 1 ms bridge / direct %7ld / %ld\n", slow(bridge), slow(direct));
  std::printf("ratio   median / p99     %8.2f / %8.2f\n", b.Median / d.Median, b.P99 / d.P99);
  std::printf("RSS idle / after         %8.1f / %8.1f MB\n", rssIdle / 1024.0, rssAfter / 1024.0);
  std::printf("CPU over 10 idle s       %8.0f ms\n", idleTicks * 1000.0 / ticks);
  const bool met = b.P99 < 2000 && b.P99 <= 1.5 * d.P99 && rssAfter < 30 * 1024 && idleTicks == 0;
  std::printf("targets (p99 < 2 ms, p99 within 1.5x direct, RSS < 30 MB, idle CPU 0): %s\n",
              met ? "met" : "NOT met");
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
