#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <exception>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tenvarra::test {

namespace {

using TClock = std::chrono::steady_clock;

int MsLeft(TClock::time_point Deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(Deadline - TClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// True when Fd became readable within TimeoutMs and StopFd did not.
bool PollReadable(int Fd, int StopFd, int TimeoutMs) {
  pollfd fds[2] = {{Fd, POLLIN, 0}, {StopFd, POLLIN, 0}};
  int rc = 0;
  while ((rc = ::poll(fds, 2, TimeoutMs)) < 0 && errno == EINTR) {}
  return rc > 0 && fds[1].revents == 0 && fds[0].revents != 0;
}

}  // namespace

// ---- TScriptedConnection ----

TScriptedConnection::TScriptedConnection(int StopFd) : FStopFd(StopFd) {}

TScriptedConnection::~TScriptedConnection() {
  { const std::lock_guard lock(FLock); FStopping = true; }
  FChanged.notify_all();
  if (FThread.joinable()) FThread.join();
  if (FFd >= 0) ::close(FFd);
}

TScriptedConnection& TScriptedConnection::Send(const std::string& Line) { return SendRaw(Line + "\r\n"); }
TScriptedConnection& TScriptedConnection::SendRaw(const std::string& Data) { return Add(TStepKind::skSend, Data); }
TScriptedConnection& TScriptedConnection::Expect(const std::string& Line) { return Add(TStepKind::skExpect, Line); }
TScriptedConnection& TScriptedConnection::Close() { return Add(TStepKind::skClose, ""); }
TScriptedConnection& TScriptedConnection::ExpectClosed() { return Add(TStepKind::skExpectClosed, ""); }

TScriptedConnection& TScriptedConnection::Handshake(const std::string& Mode, int SessionId,
                                                    const std::string& Welcome) {
  return Send(Welcome)
      .Expect("SET PROTOCOL SRCP 0.8.2")
      .Send("1.000 201 OK PROTOCOL SRCP")
      .Expect("SET CONNECTIONMODE SRCP " + Mode)
      .Send("1.100 202 OK CONNECTIONMODE")
      .Expect("GO")
      .Send("1.200 200 OK GO " + std::to_string(SessionId));
}

TScriptedConnection& TScriptedConnection::Add(TStepKind Kind, std::string Text) {
  { const std::lock_guard lock(FLock); FSteps.push_back({Kind, std::move(Text)}); }
  FChanged.notify_all();
  return *this;
}

::testing::AssertionResult TScriptedConnection::Done(int TimeoutMs) {
  std::unique_lock lock(FLock);
  const bool finished = FChanged.wait_for(lock, std::chrono::milliseconds(TimeoutMs), [this] {
    return FSteps.empty() && FRunning == 0;
  });
  if (finished && FFailures.empty()) return ::testing::AssertionSuccess();
  auto result = ::testing::AssertionFailure();
  if (!finished)
    result << (FAccepted ? "" : "no client connected; ") << FSteps.size() << " step(s) not run in time; ";
  for (const std::string& failure : FFailures) result << failure << "; ";
  return result;
}

bool TScriptedConnection::WaitAccepted(int TimeoutMs) {
  std::unique_lock lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(TimeoutMs), [this] { return FAccepted; });
}

void TScriptedConnection::Attach(int Fd) {
  FFd = Fd;
  { const std::lock_guard lock(FLock); FAccepted = true; }
  FChanged.notify_all();
  FThread = std::thread([this] { Run(); });
}

void TScriptedConnection::Run() {
  for (;;) {
    TStep step;
    {
      std::unique_lock lock(FLock);
      FChanged.wait(lock, [this] { return FStopping || !FSteps.empty(); });
      if (FStopping) return;
      step = std::move(FSteps.front());
      FSteps.pop_front();
      ++FRunning;
    }
    RunStep(step);
    { const std::lock_guard lock(FLock); --FRunning; }
    FChanged.notify_all();
  }
}

void TScriptedConnection::RunStep(const TStep& Step) {
  if (FFd < 0) return Fail("step after the server closed the connection");
  std::string line, why;
  switch (Step.Kind) {
    case TStepKind::skSend: {
      std::size_t sent = 0;
      while (sent < Step.Text.size()) {
        const ssize_t n =
            ::send(FFd, Step.Text.data() + sent, Step.Text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("could not send \"" + Step.Text.substr(0, 80) + "\"");
        sent += static_cast<std::size_t>(n);
      }
      return;
    }
    case TStepKind::skExpect:
      if (!ReadLine(line, why))
        Fail("expected \"" + Step.Text + "\", " + why);
      else if (line != Step.Text)
        Fail("expected \"" + Step.Text + "\", got \"" + line + "\"");
      return;
    case TStepKind::skClose:
      ::shutdown(FFd, SHUT_RDWR);
      ::close(std::exchange(FFd, -1));
      return;
    case TStepKind::skExpectClosed:
      if (ReadLine(line, why))
        Fail("expected the client to close, got \"" + line + "\"");
      else if (why != "closed by the client")
        Fail("expected the client to close, " + why);
      return;
  }
}

bool TScriptedConnection::ReadLine(std::string& Line, std::string& Why) {
  const auto deadline = TClock::now() + std::chrono::milliseconds(TScriptedServer::StepTimeoutMs);
  for (;;) {
    const auto end = FBuffer.find('\n');
    if (end != std::string::npos) {
      Line = FBuffer.substr(0, end);
      FBuffer.erase(0, end + 1);
      if (!Line.empty() && Line.back() == '\r') Line.pop_back();
      return true;
    }
    if (!PollReadable(FFd, FStopFd, MsLeft(deadline))) {
      Why = "nothing within " + std::to_string(TScriptedServer::StepTimeoutMs) + " ms";
      return false;
    }
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::recv(FFd, chunk, sizeof chunk, 0)) < 0 && errno == EINTR) {}
    if (n <= 0) {
      Why = n == 0 || errno == ECONNRESET ? "closed by the client" : "read failed";
      return false;
    }
    FBuffer.append(chunk, static_cast<std::size_t>(n));
  }
}

void TScriptedConnection::Fail(const std::string& Why) {
  const std::lock_guard lock(FLock);
  FFailures.push_back(Why);
}

// ---- TScriptedServer ----

TScriptedServer::TScriptedServer() {
  FStopFd = ::eventfd(0, EFD_CLOEXEC);
  FListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof address;
  if (FStopFd < 0 || FListenFd < 0 ||
      ::bind(FListenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(FListenFd, 8) != 0 ||
      ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (FListenFd >= 0) ::close(FListenFd);
    if (FStopFd >= 0) ::close(FStopFd);
    throw std::runtime_error("scripted server: cannot listen on 127.0.0.1");
  }
  FPort = ntohs(address.sin_port);
  FAcceptThread = std::thread([this] { AcceptLoop(); });
}

TScriptedServer::~TScriptedServer() {
  const std::uint64_t one = 1;
  // Cannot fail with a fresh eventfd; the joins below would then hang.
  if (::write(FStopFd, &one, sizeof one) < 0) std::terminate();
  FAcceptThread.join();
  FConnections.clear();
  ::close(FListenFd);
  ::close(FStopFd);
}

TScriptedConnection& TScriptedServer::Connection(std::size_t Index) {
  const std::lock_guard lock(FLock);
  while (FConnections.size() <= Index) FConnections.push_back(std::make_unique<TScriptedConnection>(FStopFd));
  return *FConnections[Index];
}

void TScriptedServer::AcceptLoop() {
  std::size_t index = 0;
  while (PollReadable(FListenFd, FStopFd, -1)) {
    const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    // Replies and pushes are single lines that must not wait for an ACK.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Connection(index++).Attach(fd);
  }
}

}  // namespace tenvarra::test
