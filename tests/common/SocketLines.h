#pragma once
// Line traffic on a connected socket for the tests' own peers (the scripted
// SRCP server, the simulator's test client): sends go out whole, and every
// wait ends by a deadline, so a peer that stays silent fails a test instead
// of hanging it.

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <string>

namespace tenvarra::test {

using TTestClock = std::chrono::steady_clock;

inline int MsLeft(TTestClock::time_point Deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(Deadline - TTestClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// True when Fd became readable within TimeoutMs (-1: no limit) and StopFd
// (when not -1) did not.
inline bool WaitReadable(int Fd, int StopFd, int TimeoutMs) {
  pollfd fds[2] = {{Fd, POLLIN, 0}, {StopFd, POLLIN, 0}};
  int rc = 0;
  while ((rc = ::poll(fds, StopFd < 0 ? 1 : 2, TimeoutMs)) < 0 && errno == EINTR) {}
  return rc > 0 && fds[0].revents != 0 && (StopFd < 0 || fds[1].revents == 0);
}

// Sends all of Data; false when the connection refused it.
inline bool SendAll(int Fd, const std::string& Data) {
  std::size_t sent = 0;
  while (sent < Data.size()) {
    const ssize_t n = ::send(Fd, Data.data() + sent, Data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// The lines coming in on a socket, without their LF and a CR right before it.
class TSocketLines {
public:
  enum TResult { srLine, srSilent, srClosed, srFailed };

  // The next line into Line; srSilent when none was whole by Deadline (or
  // StopFd became readable first), srClosed when the peer ended the connection.
  TResult Next(int Fd, std::string& Line, TTestClock::time_point Deadline, int StopFd = -1) {
    for (;;) {
      const std::size_t end = FBuffer.find('\n');
      if (end != std::string::npos) {
        Line = FBuffer.substr(0, end);
        FBuffer.erase(0, end + 1);
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        return srLine;
      }
      if (!WaitReadable(Fd, StopFd, MsLeft(Deadline))) return srSilent;
      char chunk[16 * 1024];
      ssize_t n = 0;
      while ((n = ::recv(Fd, chunk, sizeof chunk, 0)) < 0 && errno == EINTR) {}
      if (n <= 0) return n == 0 || errno == ECONNRESET ? srClosed : srFailed;
      FBuffer.append(chunk, static_cast<std::size_t>(n));
    }
  }

private:
  std::string FBuffer;
};

}  // namespace tenvarra::test
