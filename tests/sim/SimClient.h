#pragma once
// A line client for tests that talk to the simulated layout server over TCP.
// Every wait is bounded (WaitMs), so a test waiting
// for a line the server never sends fails instead of hanging. Lines are
// compared by their body: the line without its leading time stamp.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/SocketLines.h"

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

  // Sends Data as it is; false when the connection refused it.
  bool SendRaw(const std::string& Data) { return SendAll(FFd, Data); }
  bool Send(const std::string& Line) { return SendRaw(Line + "\n"); }

  // The next line without its line end; none when nothing came by Until or
  // the connection ended first.
  std::optional<std::string> ReadLine(TTestClock::time_point Until = Deadline()) {
    std::string line;
    if (FLines.Next(FFd, line, Until) != TSocketLines::srLine) return std::nullopt;
    return line;
  }
  // The body of the next line; "(nothing)" when none came.
  std::string Next() {
    const std::optional<std::string> line = ReadLine();
    return line ? Body(*line) : "(nothing)";
  }
  // Sends a command and gives the body of its reply.
  std::string Ask(const std::string& Line) { return Send(Line) ? Next() : "(not sent)"; }

  // Bodies of the lines up to and including the first whose body is Last;
  // what came before ends the list with "(nothing)" when Last did not come.
  Strings ReadThrough(const std::string& Last) {
    Strings bodies;
    const auto deadline = Deadline();
    while (bodies.empty() || bodies.back() != Last) {
      const std::optional<std::string> line = ReadLine(deadline);
      bodies.push_back(line ? Body(*line) : "(nothing)");
      if (!line) break;
    }
    return bodies;
  }
  // The server ended the connection within the wait (what it sent before
  // is read and dropped).
  bool WaitClosed() {
    const auto deadline = Deadline();
    std::string line;
    TSocketLines::TResult result;
    while ((result = FLines.Next(FFd, line, deadline)) == TSocketLines::srLine) {}
    return result == TSocketLines::srClosed || result == TSocketLines::srFailed;
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
  static TTestClock::time_point Deadline() { return TTestClock::now() + std::chrono::milliseconds(WaitMs); }

  int FFd = -1;
  TSocketLines FLines;
};

}  // namespace tenvarra::test
