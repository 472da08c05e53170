#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <cstdint>
#include <exception>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tenvarra::test {

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
  return Send(Welcome).Handshake(Mode, "1.200 200 OK GO " + std::to_string(SessionId));
}

TScriptedConnection& TScriptedConnection::Handshake(const std::string& Mode, const std::string& GoReply) {
  return Expect("SET PROTOCOL SRCP 0.8.2")
      .Send("1.000 201 OK PROTOCOL SRCP")
      .Expect("SET CONNECTIONMODE SRCP " + Mode)
      .Send("1.100 202 OK CONNECTIONMODE")
      .Expect("GO")
      .Send(GoReply);
}

TScriptedConnection& TScriptedConnection::Add(TStepKind Kind, std::string Text) {
  { const std::lock_guard lock(FLock); FSteps.push_back({Kind, std::move(Text)}); }
  FChanged.notify_all();
  return *this;
}

::testing::AssertionResult TScriptedConnection::Done() {
  std::unique_lock lock(FLock);
  const bool finished = FChanged.wait_for(lock, std::chrono::milliseconds(TScriptedServer::StepTimeoutMs),
                                          [this] { return FSteps.empty() && FRunning == 0; });
  if (finished && FFailures.empty()) return ::testing::AssertionSuccess();
  auto result = ::testing::AssertionFailure();
  if (!finished)
    result << (FAccepted ? "" : "no client connected; ") << FSteps.size() << " step(s) not run in time; ";
  for (const std::string& failure : FFailures) result << failure << "; ";
  return result;
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
    const std::string failure = RunStep(step);
    {
      const std::lock_guard lock(FLock);
      if (!failure.empty()) FFailures.push_back(failure);
      --FRunning;
    }
    FChanged.notify_all();
  }
}

std::string TScriptedConnection::RunStep(const TStep& Step) {
  if (FFd < 0) return "step after the server closed the connection";
  if (Step.Kind == TStepKind::skSend)
    return SendAll(FFd, Step.Text) ? "" : "could not send \"" + Step.Text.substr(0, 80) + "\"";
  if (Step.Kind == TStepKind::skClose) {
    ::shutdown(FFd, SHUT_RDWR);
    ::close(std::exchange(FFd, -1));
    return "";
  }
  const std::string expected =
      Step.Kind == TStepKind::skExpect ? "expected \"" + Step.Text + "\", " : "expected the client to close, ";
  std::string line;
  const auto deadline = TTestClock::now() + std::chrono::milliseconds(TScriptedServer::StepTimeoutMs);
  switch (FLines.Next(FFd, line, deadline, FStopFd)) {
    case TSocketLines::srLine:
      return Step.Kind == TStepKind::skExpect && line == Step.Text ? "" : expected + "got \"" + line + "\"";
    case TSocketLines::srClosed:
      return Step.Kind == TStepKind::skExpectClosed ? "" : expected + "closed by the client";
    case TSocketLines::srSilent:
      return expected + "nothing within " + std::to_string(TScriptedServer::StepTimeoutMs) + " ms";
    case TSocketLines::srFailed: break;
  }
  return expected + "read failed";
}

TScriptedServer::TScriptedServer() {
  FStopFd = ::eventfd(0, EFD_CLOEXEC);
  FListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof address;
  // Nothing to clean up: a test that cannot listen fails as a whole.
  if (FStopFd < 0 || FListenFd < 0 || ::bind(FListenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(FListenFd, 8) != 0 || ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("scripted server: cannot listen on 127.0.0.1");
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
  while (WaitReadable(FListenFd, FStopFd, -1)) {
    const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    // Replies and pushes are single lines that must not wait for an ACK.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Connection(index++).Attach(fd);
  }
}

}  // namespace tenvarra::test
