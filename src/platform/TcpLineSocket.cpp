#include "platform/TcpLineSocket.h"

#include "platform/TcpConnect.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace tenvarra {

namespace {

using TClock = std::chrono::steady_clock;

std::string ErrnoText(int error) { return std::system_category().message(error); }

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& text) {
  const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

}  // namespace

// Holds the descriptor open for the duration of one call. Disconnect() on
// another thread sets FClosing and leaves the close to the last user; the
// increment-then-check here and the set-then-count there are both sequentially
// consistent, so either the user sees FClosing (and keeps off the descriptor)
// or Disconnect sees the user (and does not close).
class TSocketUse {
public:
  explicit TSocketUse(TTcpLineSocket& socket) : FSocket(socket) {
    FSocket.FUsers.fetch_add(1);
    if (!FSocket.FClosing.load()) FFd = FSocket.FFd.load();
  }
  ~TSocketUse() { FSocket.Release(); }
  TSocketUse(const TSocketUse&) = delete;
  TSocketUse& operator=(const TSocketUse&) = delete;

  // -1 when there is no connection to use.
  int Fd() const { return FFd; }

private:
  TTcpLineSocket& FSocket;
  int FFd = -1;
};

TTcpLineSocket::~TTcpLineSocket() { CloseFd(); }

void TTcpLineSocket::SetPort(int port) { FPort = port; }

void TTcpLineSocket::Connect(int timeoutMs) {
  if (Connected()) {
    throw ENetError(TNetErrorKind::nekAlreadyConnected, "already connected to " + FPeer);
  }
  if (FUsers.load() != 0) throw std::logic_error("Connect while a reader still uses the socket");
  if (FFd.load() >= 0) Disconnect();
  FPeer = PeerName(FHost, FPort);
  const int fd = ConnectTcp(FHost, FPort, timeoutMs < 1 ? DefaultConnectTimeoutMs : timeoutMs);
  FBuffer.Clear();
  FEnd.store(0);
  FClosing.store(false);
  FReportPending.store(true);
  FFd.store(fd);
}

bool TTcpLineSocket::Connected() const {
  return FFd.load() >= 0 && FEnd.load() == 0 && !FClosing.load();
}

void TTcpLineSocket::Disconnect() {
  const int fd = FFd.load();
  if (fd < 0 || FClosing.load()) return;
  End(fd, TNetErrorKind::nekShutdown);
  FClosing.store(true);
  if (FUsers.load() == 0) CloseFd();
  ReportDisconnected();
}

void TTcpLineSocket::Shutdown() {
  const TSocketUse use(*this);
  if (use.Fd() >= 0) End(use.Fd(), TNetErrorKind::nekShutdown);
}

void TTcpLineSocket::WriteLine(const std::string& text) {
  const TSocketUse use(*this);
  if (use.Fd() < 0 || FEnd.load() != 0) ThrowUnusable();
  const std::string data = text + "\r\n";
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(use.Fd(), data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n >= 0) {
      sent += static_cast<std::size_t>(n);
    } else if (errno != EINTR) {
      const int error = errno;
      if (FEnd.load() != 0) ThrowEnded();
      Fail(use.Fd(), TNetErrorKind::nekIo, "write to " + FPeer + " failed: " + ErrnoText(error));
    }
  }
}

std::string TTcpLineSocket::ReadLine() {
  const TSocketUse use(*this);
  if (use.Fd() < 0 || FEnd.load() != 0) ThrowUnusable();
  const bool limited = FReadTimeoutMs > 0;
  const auto deadline = TClock::now() + std::chrono::milliseconds(FReadTimeoutMs);
  std::string line;
  for (;;) {
    switch (FBuffer.TakeLine(line)) {
      case TLineBuffer::TTake::tkLine:
        return line;
      case TLineBuffer::TTake::tkTooLong:
        FBuffer.Clear();
        Fail(use.Fd(), TNetErrorKind::nekLineTooLong,
             "line from " + FPeer + " longer than " +
                 std::to_string(TLineBuffer::MaxLineLength) + " bytes");
      case TLineBuffer::TTake::tkNeedMore:
        break;
    }
    int waitMs = -1;
    if (limited) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
      waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    Receive(use.Fd(), waitMs);
  }
}

void TTcpLineSocket::Receive(int fd, int waitMs) {
  if (waitMs >= 0) {
    pollfd p{fd, POLLIN, 0};
    int rc;
    do {
      rc = ::poll(&p, 1, waitMs);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) {
      Fail(fd, TNetErrorKind::nekTimeout,
           "no line from " + FPeer + " within " + std::to_string(FReadTimeoutMs) + " ms");
    }
    if (rc < 0) {
      Fail(fd, TNetErrorKind::nekIo, "waiting for " + FPeer + " failed: " + ErrnoText(errno));
    }
  }
  char chunk[4096];
  const std::size_t want = std::min(sizeof chunk, FBuffer.Room());
  ssize_t got;
  do {
    got = ::recv(fd, chunk, want, 0);
  } while (got < 0 && errno == EINTR);
  if (got > 0) {
    FBuffer.Append(chunk, static_cast<std::size_t>(got));
    return;
  }
  const int error = errno;
  if (FEnd.load() != 0) ThrowEnded();  // shut down here, possibly from another thread
  if (got < 0) Fail(fd, TNetErrorKind::nekIo, "read from " + FPeer + " failed: " + ErrnoText(error));
  if (!End(fd, TNetErrorKind::nekPeerClosed)) ThrowEnded();
  ReportDisconnected();
  throw EConnClosed(TNetErrorKind::nekPeerClosed, "connection closed by " + FPeer);
}

std::string TTcpLineSocket::ReadNonBlankLine(int tries) {
  std::string line;
  for (int i = 0; i < std::max(tries, 1); ++i) {
    line = Trimmed(ReadLine());
    if (!line.empty()) break;
  }
  return line;
}

void TTcpLineSocket::CheckForDisconnect() {
  const TSocketUse use(*this);
  if (use.Fd() < 0 || FEnd.load() != 0) ThrowUnusable();
  if (FBuffer.Pending() > 0) return;
  char probe;
  const ssize_t n = ::recv(use.Fd(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n > 0) return;
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  const int error = errno;
  if (FEnd.load() != 0) ThrowEnded();
  if (n < 0) Fail(use.Fd(), TNetErrorKind::nekIo, "read from " + FPeer + " failed: " + ErrnoText(error));
  if (!End(use.Fd(), TNetErrorKind::nekPeerClosed)) ThrowEnded();
  ReportDisconnected();
  throw EConnClosed(TNetErrorKind::nekPeerClosed, "connection closed by " + FPeer);
}

bool TTcpLineSocket::End(int fd, TNetErrorKind reason) {
  int alive = 0;
  if (!FEnd.compare_exchange_strong(alive, 1 + static_cast<int>(reason))) return false;
  ::shutdown(fd, SHUT_RDWR);
  return true;
}

void TTcpLineSocket::Fail(int fd, TNetErrorKind kind, const std::string& message) {
  if (End(fd, kind)) ReportDisconnected();
  throw ESocketError(kind, message);
}

void TTcpLineSocket::ThrowEnded() const {
  const auto reason = static_cast<TNetErrorKind>(FEnd.load() - 1);
  if (reason == TNetErrorKind::nekPeerClosed) {
    throw EConnClosed(reason, "connection closed by " + FPeer);
  }
  if (reason == TNetErrorKind::nekShutdown) {
    throw EConnClosed(reason, "connection to " + FPeer + " was shut down");
  }
  throw EConnClosed(TNetErrorKind::nekShutdown,
                    "connection to " + FPeer + " ended after an earlier error");
}

void TTcpLineSocket::ThrowUnusable() const {
  if (FEnd.load() != 0) ThrowEnded();
  throw ENetError(TNetErrorKind::nekNotConnected,
                  "not connected to " + (FPeer.empty() ? PeerName(FHost, FPort) : FPeer));
}

void TTcpLineSocket::Release() {
  if (FUsers.fetch_sub(1) == 1 && FClosing.load()) CloseFd();
}

void TTcpLineSocket::CloseFd() {
  const int fd = FFd.exchange(-1);
  if (fd >= 0) ::close(fd);
}

void TTcpLineSocket::ReportDisconnected() {
  if (FReportPending.exchange(false) && OnDisconnected) OnDisconnected(*this);
}

}  // namespace tenvarra
