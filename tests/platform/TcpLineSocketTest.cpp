// The line socket over loopback: connecting, line framing and its limit, how a
// connection ends (the peer closing, a local shutdown or disconnect from
// another thread, a read time-out) with its one report.
#include "platform/TcpLineSocket.h"

#include "platform/TcpConnect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <future>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace tenvarra {
namespace {

using TKind = TNetErrorKind;
using testing::HasSubstr;
using namespace std::chrono_literals;

// A listening socket on a free port of 127.0.0.1 and the connection it
// accepted last, whose receives wait at most 5 s.
class TLoopbackServer {
public:
  // Not listening, it only holds the port, so connecting to it is refused.
  explicit TLoopbackServer(bool listening = true) {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (::bind(FListenFd, raw, length) != 0 || (listening && ::listen(FListenFd, 16) != 0) ||
        ::getsockname(FListenFd, raw, &length) != 0)
      throw std::runtime_error("no loopback port");
    FPort = ntohs(address.sin_port);
  }
  ~TLoopbackServer() {
    ClosePeer();
    ::close(FListenFd);
  }
  int Port() const { return FPort; }
  // Only after a connect succeeded: the connection is then waiting.
  void Accept() {
    ClosePeer();
    FPeerFd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    const timeval limit{5, 0};
    ::setsockopt(FPeerFd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  bool Send(const std::string& data) {
    return ::send(FPeerFd, data.data(), data.size(), MSG_NOSIGNAL) == ssize_t(data.size());
  }
  std::string Receive(std::size_t count) {
    std::string data(count, '\0');
    data.resize(std::max<ssize_t>(::recv(FPeerFd, data.data(), count, MSG_WAITALL), 0));
    return data;
  }
  // True once the client has ended the connection (end of stream or reset).
  bool WaitEnded() {
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::recv(FPeerFd, chunk, sizeof chunk, 0)) > 0) {}
    return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
  }
  void ClosePeer() {
    if (FPeerFd >= 0) ::close(std::exchange(FPeerFd, -1));
  }

private:
  int FListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int FPeerFd = -1;
  int FPort = 0;
};

// The error of class E that call raises; any other outcome fails the test.
template <typename E, typename F>
E ErrorOf(F&& call) {
  try { call(); } catch (const E& e) { return e; }
  throw std::runtime_error("no error raised");
}

// One ReadLine on another thread. A read still blocked when this goes away is
// released by shutting the socket down, so a failing test cannot hang.
struct TBackgroundRead {
  explicit TBackgroundRead(TTcpLineSocket& socket) : Socket(socket) {}
  ~TBackgroundRead() {
    if (Line.valid() && Line.wait_for(0s) != std::future_status::ready) Socket.Shutdown();
  }
  // Best effort, bounded: until the reading thread sleeps in the kernel (state
  // 'S' in /proc), at most 2 s.
  void WaitBlocked() {
    for (const auto end = std::chrono::steady_clock::now() + 2s;
         std::chrono::steady_clock::now() < end; std::this_thread::yield()) {
      std::ifstream stat("/proc/self/task/" + std::to_string(Tid.load()) + "/stat");
      std::string pid, name, state;  // the thread's name holds no blank
      if (stat >> pid >> name >> state && state == "S") return;
    }
  }
  // The line, or what the read raised; fails when the read is still blocked.
  std::string Get() {
    if (Line.wait_for(2s) != std::future_status::ready) throw std::runtime_error("read blocked");
    return Line.get();
  }

  TTcpLineSocket& Socket;
  std::atomic<pid_t> Tid{0};
  std::future<std::string> Line = std::async(std::launch::async, [this] {
    Tid.store(static_cast<pid_t>(::syscall(SYS_gettid)));
    return Socket.ReadLine();
  });
};

class TcpLineSocketTest : public ::testing::Test {
protected:
  void SetUp() override {
    FSocket.SetHost("localhost");  // goes through the resolver
    FSocket.SetPort(FServer.Port());
    FSocket.OnDisconnected = [this](TTcpLineSocket& sender) {
      EXPECT_EQ(&sender, &FSocket);
      FReporter = std::this_thread::get_id();
      ++FReports;
    };
  }
  void Connect() {
    FSocket.Connect(2000);
    FServer.Accept();
  }
  std::string Peer() const { return PeerName("localhost", FServer.Port()); }

  TLoopbackServer FServer;
  std::atomic<int> FReports{0};
  std::thread::id FReporter;  // read only after the reporting thread is done
  TTcpLineSocket FSocket;
};

TEST_F(TcpLineSocketTest, ConnectRulesAndNoReportOnDestruction) {
  EXPECT_EQ(ErrorOf<ENetError>([&] { FSocket.WriteLine("GO"); }).Kind(), TKind::nekNotConnected);
  const TLoopbackServer closedPort(false);
  FSocket.SetPort(closedPort.Port());
  const auto refused = ErrorOf<ESocketError>([&] { FSocket.Connect(2000); });
  EXPECT_EQ(refused.Kind(), TKind::nekConnect);
  EXPECT_THAT(refused.what(), HasSubstr(PeerName("localhost", closedPort.Port())));
  EXPECT_EQ(PeerName("::1", 4303), "[::1]:4303");

  auto dying = std::make_unique<TTcpLineSocket>();
  dying->SetHost("127.0.0.1");
  dying->SetPort(FServer.Port());
  dying->OnDisconnected = [&](TTcpLineSocket&) { ++FReports; };
  dying->Connect(2000);
  EXPECT_EQ(ErrorOf<ENetError>([&] { dying->Connect(2000); }).Kind(), TKind::nekAlreadyConnected);
  dying.reset();
  EXPECT_EQ(FReports.load(), 0);  // the owner is going away
}

// How lines are cut from the stream is the line buffer's (LineBufferTest).
TEST_F(TcpLineSocketTest, LinesGoOutWithCrLfAndNonBlankReadsSkipBlankLines) {
  Connect();
  FSocket.WriteLine("SET 1 GL 12 1 5 14 0");
  FSocket.WriteLine("");
  EXPECT_EQ(FServer.Receive(24), "SET 1 GL 12 1 5 14 0\r\n\r\n");
  ASSERT_TRUE(FServer.Send(" \r\n\t\n  1.5 200 OK  \r\n\n \n  \nreply\n"));
  EXPECT_EQ(FSocket.ReadNonBlankLine(10), "1.5 200 OK");
  EXPECT_EQ(FSocket.ReadNonBlankLine(2), "");  // gives up after its tries
  EXPECT_EQ(FSocket.ReadLine(), "  ");
  EXPECT_EQ(FSocket.ReadNonBlankLine(0), "reply");
}

TEST_F(TcpLineSocketTest, LinesUpToTheLimitPassAndOneByteMoreEndsTheConnection) {
  Connect();
  // Each line spans many reads, so a line split over reads is joined too.
  const std::string longest(TLineBuffer::MaxLineLength, 'y');
  // A future, not a thread: a failing read must not leave a thread unjoined.
  auto sender = std::async(std::launch::async, [&] { FServer.Send(longest + "\r\n" + longest + "z\nx\n"); });
  EXPECT_EQ(FSocket.ReadLine(), longest);
  const auto tooLong = ErrorOf<ESocketError>([&] { FSocket.ReadLine(); });
  EXPECT_EQ(tooLong.Kind(), TKind::nekLineTooLong);
  EXPECT_THAT(tooLong.what(), HasSubstr(Peer()));
  EXPECT_EQ(FReports.load(), 1);
  // The rest of the stream is not read as lines.
  EXPECT_NO_THROW(ErrorOf<EConnClosed>([&] { FSocket.ReadLine(); }));
  EXPECT_TRUE(FServer.WaitEnded());
}

TEST_F(TcpLineSocketTest, BlockedReadEndsWhenThePeerClosesOrOnShutdown) {
  // The reader reports the peer closing; a local shutdown is reported by the
  // disconnect that follows it, on the disconnecting thread.
  for (const bool byPeer : {true, false}) {
    SCOPED_TRACE(byPeer ? "peer closes" : "shutdown");
    Connect();
    TBackgroundRead read(FSocket);
    read.WaitBlocked();
    byPeer ? FServer.ClosePeer() : FSocket.Shutdown();
    const auto error = ErrorOf<EConnClosed>([&] { read.Get(); });
    EXPECT_EQ(error.Kind(), byPeer ? TKind::nekPeerClosed : TKind::nekShutdown);
    EXPECT_THAT(error.what(), HasSubstr(Peer()));
    EXPECT_FALSE(FSocket.Connected());
    EXPECT_EQ(FReports.exchange(0), byPeer ? 1 : 0);
    EXPECT_TRUE(byPeer || FServer.WaitEnded());
    FSocket.Disconnect();
    EXPECT_EQ(FReports.exchange(0), byPeer ? 0 : 1);
    EXPECT_EQ(FReporter == std::this_thread::get_id(), !byPeer);
  }
}

TEST_F(TcpLineSocketTest, WholeLinesSentBeforeTheCloseAreReadFirstAndWritesAfterItFail) {
  Connect();
  ASSERT_TRUE(FServer.Send("one\r\ntwo\r\nunfinished"));
  FServer.ClosePeer();
  // Something is left each time: in the kernel, then in the socket's buffer.
  EXPECT_NO_THROW(FSocket.CheckForDisconnect());
  for (const char* line : {"one", "two"}) EXPECT_EQ(FSocket.ReadLine(), line);
  EXPECT_NO_THROW(FSocket.CheckForDisconnect());
  // The last line lacks its LF and is dropped; later calls keep saying closed.
  EXPECT_EQ(ErrorOf<EConnClosed>([&] { FSocket.ReadLine(); }).Kind(), TKind::nekPeerClosed);
  EXPECT_EQ(ErrorOf<EConnClosed>([&] { FSocket.CheckForDisconnect(); }).Kind(),
            TKind::nekPeerClosed);
  // Connect replaces the dead connection without a second report.
  Connect();
  EXPECT_EQ(FReports.load(), 1);
  FServer.ClosePeer();
  // The first writes may still be taken; once the peer's reset is back one
  // fails. Without MSG_NOSIGNAL the process would die here.
  const auto error = ErrorOf<ESocketError>([&] {
    for (int i = 0; i < 1000; ++i) FSocket.WriteLine("GET 1 POWER");
  });
  EXPECT_EQ(error.Kind(), TKind::nekIo);
  EXPECT_FALSE(FSocket.Connected());
}

TEST_F(TcpLineSocketTest, DisconnectEndsAReaderInEveryOrder) {
  // Round 0 waits until the read blocks; the others race the disconnect
  // against the start of the read. Every order must end in a shutdown error.
  for (int round = 0; round < 20; ++round) {
    Connect();
    TBackgroundRead read(FSocket);
    if (round == 0) read.WaitBlocked();
    FSocket.Disconnect();
    EXPECT_EQ(ErrorOf<EConnClosed>([&] { read.Get(); }).Kind(), TKind::nekShutdown) << round;
  }
  EXPECT_EQ(FReports.load(), 20);
}

}  // namespace
}  // namespace tenvarra
