// How much CPU a process spends holding a pty port that no application has
// opened: it runs the poll loop for SECONDS (default 10) and reports its own
// user and system time from /proc/self/stat, and how often the loop woke.
// A port that left its master watched while closed would wake the loop tens
// of thousands of times a second and burn a core.
//
//   port_idle [SECONDS] [PORT_DIRECTORY]

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/PollLoop.h"
#include "serialport/PortDirectory.h"
#include "serialport/PtyPort.h"

namespace {

// utime + stime of this process in clock ticks (fields 14 and 15).
long long CpuTicks() {
  std::ifstream stat("/proc/self/stat");
  const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(line.substr(line.rfind(')') + 2));  // past the command name
  std::vector<std::string> values((std::istream_iterator<std::string>(fields)), std::istream_iterator<std::string>());
  return std::stoll(values.at(11)) + std::stoll(values.at(12));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tenvarra;
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const std::string directory = argc > 2 ? argv[2] : DefaultPortDirectory();

  TPollLoop loop;
  TPtyPort port(loop, directory);
  port.CreatePort("COM" + std::to_string(TPortDirectory(directory).FindFreeComNumber()));
  port.SetDeleteOnExit(true);
  std::printf("holding %s -> %s for %d s, pid %d\n", port.LinkPath().c_str(), port.DevicePath().c_str(), seconds,
              static_cast<int>(::getpid()));

  const long long before = CpuTicks();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  long wakeUps = 0;
  for (auto now = std::chrono::steady_clock::now(); now < deadline; now = std::chrono::steady_clock::now()) {
    loop.RunOnce(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count()));
    ++wakeUps;
  }
  const long long used = CpuTicks() - before;
  const double ticksPerSecond = static_cast<double>(::sysconf(_SC_CLK_TCK));
  std::printf("cpu %lld ticks = %.3f s (%.3f %% of one core), loop woke %ld times\n", used,
              static_cast<double>(used) / ticksPerSecond, 100.0 * static_cast<double>(used) / ticksPerSecond / seconds,
              wakeUps);
  return 0;
}
