#include "platform/TcpConnect.h"

#include "platform/NetErrors.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace tenvarra {

namespace {

using TClock = std::chrono::steady_clock;

std::string ErrnoText(int error) { return std::system_category().message(error); }

class TAddrList {
public:
  TAddrList(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &FList);
    if (rc != 0) {
      const std::string reason = rc == EAI_SYSTEM ? ErrnoText(errno) : gai_strerror(rc);
      throw ESocketError(TNetErrorKind::nekConnect,
                         "cannot resolve " + PeerName(host, port) + ": " + reason);
    }
  }
  ~TAddrList() { freeaddrinfo(FList); }
  TAddrList(const TAddrList&) = delete;
  TAddrList& operator=(const TAddrList&) = delete;
  const addrinfo* First() const { return FList; }

private:
  addrinfo* FList = nullptr;
};

int RemainingMs(TClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// One address. Returns the connected fd, or -1 with error set (ETIMEDOUT when
// the deadline passed).
int TryAddress(const addrinfo& ai, TClock::time_point deadline, int& error) {
  const int fd = ::socket(ai.ai_family, ai.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          ai.ai_protocol);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  int rc = ::connect(fd, ai.ai_addr, ai.ai_addrlen);
  if (rc != 0 && (errno == EINPROGRESS || errno == EINTR)) {
    pollfd p{fd, POLLOUT, 0};
    do {
      rc = ::poll(&p, 1, RemainingMs(deadline));
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) {
      ::close(fd);
      error = ETIMEDOUT;
      return -1;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (rc < 0) {
      soError = errno;
    } else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
      soError = errno;
    }
    rc = soError == 0 ? 0 : -1;
    errno = soError;
  }
  if (rc != 0) {
    error = errno;
    ::close(fd);
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = errno;
    ::close(fd);
    return -1;
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // best effort
  return fd;
}

}  // namespace

std::string PeerName(const std::string& host, int port) {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

int ConnectTcp(const std::string& host, int port, int timeoutMs) {
  // Named by its value: clamped or wrapped, it would send the user looking at another port.
  if (port < 1 || port > 65535)
    throw ESocketError(TNetErrorKind::nekConnect, "cannot connect to " + host + ": port " +
                                                      std::to_string(port) + " is not a TCP port");
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  const TAddrList addresses(host, port);
  int error = ECONNREFUSED;
  for (const addrinfo* ai = addresses.First(); ai != nullptr; ai = ai->ai_next) {
    const int fd = TryAddress(*ai, deadline, error);
    if (fd >= 0) return fd;
    if (error == ETIMEDOUT) break;
  }
  if (error == ETIMEDOUT) {
    throw ESocketError(TNetErrorKind::nekTimeout, "connect to " + PeerName(host, port) +
                                                      " timed out after " +
                                                      std::to_string(timeoutMs) + " ms");
  }
  throw ESocketError(TNetErrorKind::nekConnect,
                     "cannot connect to " + PeerName(host, port) + ": " + ErrnoText(error));
}

}  // namespace tenvarra
