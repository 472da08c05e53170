#pragma once
// A line client for tests that talk to the simulated layout server over TCP.
// Every wait is bounded (WaitMs unless told otherwise), so a test waiting
// for a line the server never sends fails instead of hanging. Lines are
// compared by their body: the line without its leading time stamp.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tenvarra::test {

class TSimClient {
public:
  static constexpr int WaitMs = 5000;
  using Strings = std::vector<std::string>;

  // Connects to 127.0.0.1:Port. ReceiveBuffer above 0 sets the socket's
  // receive buffer first (a small one makes a stalled reader fill up soon).
  explicit TSimClient(int Port, int ReceiveBuffer = 0) {
    FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (ReceiveBuffer > 0)
      ::setsockopt(FFd, SOL_SOCKET, SO_RCVBUF, &ReceiveBuffer, sizeof ReceiveBuffer);
    const int on = 1;
    ::setsockopt(FFd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(Port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (FFd < 0 || ::connect(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      if (FFd >= 0) ::close(FFd);
      throw std::runtime_error("cannot connect to the simulator on port " + std::to_string(Port));
    }
  }
  ~TSimClient() { ::close(FFd); }
  TSimClient(const TSimClient&) = delete;
  TSimClient& operator=(const TSimClient&) = delete;

  int Fd() const { return FFd; }

  // Sends Data as it is; false when the connection refused it.
  bool SendRaw(const std::string& Data) {
    std::size_t sent = 0;
    while (sent < Data.size()) {
      const ssize_t n = ::send(FFd, Data.data() + sent, Data.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }
  bool Send(const std::string& Line) { return SendRaw(Line + "\n"); }

  // The next line without its line end; none when nothing came in time or
  // the connection ended first.
  std::optional<std::string> ReadLine(int TimeoutMs = WaitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
      const std::size_t end = FBuffer.find('\n');
      if (end != std::string::npos) {
        std::string line = FBuffer.substr(0, end);
        FBuffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      if (!Fill(deadline)) return std::nullopt;
    }
  }
  // The body of the next line; "(nothing)" when none came.
  std::string Next(int TimeoutMs = WaitMs) {
    const std::optional<std::string> line = ReadLine(TimeoutMs);
    return line ? Body(*line) : "(nothing)";
  }
  // Sends a command and gives the body of its reply.
  std::string Ask(const std::string& Line) { return Send(Line) ? Next() : "(not sent)"; }

  // Bodies of the lines up to and including the first whose body is Last;
  // what came before ends the list with "(nothing)" when Last did not come.
  Strings ReadThrough(const std::string& Last, int TimeoutMs = WaitMs) {
    Strings bodies;
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (bodies.empty() || bodies.back() != Last) {
      const std::optional<std::string> line = ReadLine(MsLeft(deadline));
      bodies.push_back(line ? Body(*line) : "(nothing)");
      if (!line) break;
    }
    return bodies;
  }
  // The server ended the connection within TimeoutMs (what it sent before
  // is read and dropped).
  bool WaitClosed(int TimeoutMs = WaitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (Fill(deadline)) FBuffer.clear();
    return FClosed;
  }

  // Welcome, SET PROTOCOL, SET CONNECTIONMODE (Mode COMMAND or INFO) and GO;
  // the session number, or -1 when a step failed.
  int Handshake(const std::string& Mode) {
    const std::optional<std::string> welcome = ReadLine();
    if (!welcome || Ask("SET PROTOCOL SRCP 0.8.2") != "201 OK PROTOCOL SRCP" ||
        Ask("SET CONNECTIONMODE SRCP " + Mode) != "202 OK CONNECTIONMODE")
      return -1;
    const std::string go = Ask("GO");
    return go.rfind("200 OK GO ", 0) == 0 ? std::atoi(go.c_str() + 10) : -1;
  }

  // A line without its time stamp: what follows the first blank.
  static std::string Body(const std::string& Line) {
    const std::size_t blank = Line.find(' ');
    return blank == std::string::npos ? Line : Line.substr(blank + 1);
  }
  static double Stamp(const std::string& Line) { return std::strtod(Line.c_str(), nullptr); }

private:
  using Clock = std::chrono::steady_clock;

  static int MsLeft(Clock::time_point Deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(Deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
  }

  // Reads once into the buffer; false on time-out or when the connection ended.
  bool Fill(Clock::time_point Deadline) {
    if (FClosed) return false;
    pollfd poller{FFd, POLLIN, 0};
    int rc;
    while ((rc = ::poll(&poller, 1, MsLeft(Deadline))) < 0 && errno == EINTR) {}
    if (rc <= 0) return false;
    char chunk[16 * 1024];
    ssize_t n;
    while ((n = ::recv(FFd, chunk, sizeof chunk, 0)) < 0 && errno == EINTR) {}
    if (n <= 0) {
      FClosed = true;
      return false;
    }
    FBuffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  int FFd = -1;
  std::string FBuffer;
  bool FClosed = false;
};

}  // namespace tenvarra::test
