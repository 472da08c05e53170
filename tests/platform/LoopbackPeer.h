#pragma once
// The server side for socket tests: a listening socket on a loopback address
// and the accepted connection. Every wait here is bounded.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tenvarra::test {

// The accepted end of a connection.
class TPeerEnd {
public:
  explicit TPeerEnd(int fd = -1) : FFd(fd) {}
  ~TPeerEnd() { Close(); }
  TPeerEnd(TPeerEnd&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
  TPeerEnd& operator=(TPeerEnd&& other) noexcept {
    std::swap(FFd, other.FFd);
    return *this;
  }

  // Sends all of data; false once the connection refuses more.
  bool Send(const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
      const ssize_t n = ::send(FFd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Receives exactly count bytes, waiting at most timeoutMs in all.
  std::string Receive(std::size_t count, int timeoutMs = 5000) {
    std::string data;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (data.size() < count && WaitReadable(deadline)) {
      char chunk[4096];
      const ssize_t n = ::recv(FFd, chunk, std::min(sizeof chunk, count - data.size()), 0);
      if (n <= 0) break;
      data.append(chunk, static_cast<std::size_t>(n));
    }
    return data;
  }

  // Reads and discards until the other side has ended the connection (end of
  // stream or reset); false if it is still open after timeoutMs.
  bool WaitEnded(int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (WaitReadable(deadline)) {
      char chunk[4096];
      const ssize_t n = ::recv(FFd, chunk, sizeof chunk, 0);
      if (n <= 0) return true;
    }
    return false;
  }

  void Close() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }

private:
  bool WaitReadable(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{FFd, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(left.count())) > 0;
  }

  int FFd;
};

// A socket bound to 127.0.0.1 or ::1 on a free port. With listening false it
// only holds the port, so connecting to it is refused.
class TLoopbackListener {
public:
  explicit TLoopbackListener(int family = AF_INET, int backlog = 16, bool listening = true) {
    FFd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FFd < 0) return;
    sockaddr_storage address{};
    socklen_t length;
    if (family == AF_INET6) {
      auto& a6 = reinterpret_cast<sockaddr_in6&>(address);
      a6.sin6_family = AF_INET6;
      a6.sin6_addr = in6addr_loopback;
      length = sizeof a6;
    } else {
      auto& a4 = reinterpret_cast<sockaddr_in&>(address);
      a4.sin_family = AF_INET;
      a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof a4;
    }
    if (::bind(FFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        (listening && ::listen(FFd, backlog) != 0) ||
        ::getsockname(FFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ::close(FFd);
      FFd = -1;
      return;
    }
    FPort = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                     : reinterpret_cast<sockaddr_in&>(address).sin_port);
  }
  ~TLoopbackListener() {
    if (FFd >= 0) ::close(FFd);
  }
  TLoopbackListener(const TLoopbackListener&) = delete;
  TLoopbackListener& operator=(const TLoopbackListener&) = delete;

  bool Valid() const { return FFd >= 0; }
  int Port() const { return FPort; }

  // The next connection from the backlog; throws when none comes in time.
  TPeerEnd Accept(int timeoutMs = 5000) {
    pollfd p{FFd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) throw std::runtime_error("no connection to accept");
    const int fd = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) throw std::runtime_error("accept failed");
    return TPeerEnd(fd);
  }

private:
  int FFd = -1;
  int FPort = 0;
};

inline pid_t CurrentTid() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

// Waits (bounded) until thread tid of this process is asleep in the kernel,
// e.g. blocked in a read. Returns false if it did not get there in time.
inline bool WaitUntilAsleep(pid_t tid, int timeoutMs = 2000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream stat(path);
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto paren = text.rfind(')');
    if (paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'S') {
      return true;
    }
    std::this_thread::yield();
  }
  return false;
}

}  // namespace tenvarra::test
