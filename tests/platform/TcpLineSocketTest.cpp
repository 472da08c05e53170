#include "platform/TcpLineSocket.h"

#include "LoopbackPeer.h"
#include "ReadOutcome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace tenvarra {
namespace {

using test::Capture;
using test::TBackgroundRead;
using test::TLoopbackListener;
using test::TOutcome;
using test::TPeerEnd;

std::string PortText(int port) { return ":" + std::to_string(port); }

class TcpLineSocketTest : public ::testing::Test {
protected:
  void Connect(const std::string& host = "127.0.0.1") {
    FSocket.SetHost(host);
    FSocket.SetPort(FListener.Port());
    FSocket.Connect(2000);
    FPeer = FListener.Accept();
  }

  TLoopbackListener FListener;
  TTcpLineSocket FSocket;
  TPeerEnd FPeer;
};

// --- connecting ------------------------------------------------------------

TEST_F(TcpLineSocketTest, ConnectOpensAndRefusesASecondConnect) {
  EXPECT_FALSE(FSocket.Connected());
  Connect();
  EXPECT_TRUE(FSocket.Connected());
  const TOutcome again = Capture([&] { FSocket.Connect(2000); });
  EXPECT_EQ(again.Type, TOutcome::otNet);
  EXPECT_EQ(again.Kind, TNetErrorKind::nekAlreadyConnected);
  EXPECT_TRUE(FSocket.Connected());
}

TEST_F(TcpLineSocketTest, RefusedConnectIsASocketErrorNamingHostAndPort) {
  const TLoopbackListener closedPort(AF_INET, 0, false);
  ASSERT_TRUE(closedPort.Valid());
  FSocket.SetHost("127.0.0.1");
  FSocket.SetPort(closedPort.Port());
  const TOutcome result = Capture([&] { FSocket.Connect(2000); });
  EXPECT_EQ(result.Type, TOutcome::otSocket);
  EXPECT_EQ(result.Kind, TNetErrorKind::nekConnect);
  EXPECT_NE(result.Message.find("127.0.0.1" + PortText(closedPort.Port())), std::string::npos)
      << result.Message;
  EXPECT_FALSE(FSocket.Connected());
}

TEST_F(TcpLineSocketTest, ConnectTimesOutWhenTheServerDoesNotAnswer) {
  // A listener with a full accept queue drops further SYNs, so a connect
  // stays pending on loopback.
  TLoopbackListener full(AF_INET, 0);
  ASSERT_TRUE(full.Valid());
  std::vector<std::unique_ptr<TTcpLineSocket>> fillers;
  bool stuck = false;
  for (int i = 0; i < 8 && !stuck; ++i) {
    auto filler = std::make_unique<TTcpLineSocket>();
    filler->SetHost("127.0.0.1");
    filler->SetPort(full.Port());
    stuck = Capture([&] { filler->Connect(200); }).Kind == TNetErrorKind::nekTimeout;
    fillers.push_back(std::move(filler));
  }
  if (!stuck) GTEST_SKIP() << "this kernel answers connects beyond the backlog";

  FSocket.SetHost("127.0.0.1");
  FSocket.SetPort(full.Port());
  const auto start = std::chrono::steady_clock::now();
  const TOutcome result = Capture([&] { FSocket.Connect(150); });
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.Type, TOutcome::otSocket);
  EXPECT_EQ(result.Kind, TNetErrorKind::nekTimeout);
  EXPECT_NE(result.Message.find("timed out"), std::string::npos) << result.Message;
  EXPECT_GE(took, std::chrono::milliseconds(140));
  EXPECT_LT(took, std::chrono::seconds(3));
  EXPECT_FALSE(FSocket.Connected());
}

TEST_F(TcpLineSocketTest, LocalhostResolves) {
  Connect("localhost");
  FSocket.WriteLine("GO");
  EXPECT_EQ(FPeer.Receive(4), "GO\r\n");
}

TEST(TcpLineSocketIpv6Test, ConnectsToIpv6Loopback) {
  TLoopbackListener listener(AF_INET6);
  if (!listener.Valid()) GTEST_SKIP() << "no IPv6 loopback";
  TTcpLineSocket socket;
  socket.SetHost("::1");
  socket.SetPort(listener.Port());
  socket.Connect(2000);
  TPeerEnd peer = listener.Accept();
  ASSERT_TRUE(peer.Send("100 INFO 1 FB 3 1\r\n"));
  EXPECT_EQ(socket.ReadLine(), "100 INFO 1 FB 3 1");
  peer.Close();
  const TOutcome closed = Capture([&] { return socket.ReadLine(); });
  EXPECT_NE(closed.Message.find("[::1]" + PortText(listener.Port())), std::string::npos)
      << closed.Message;
}

TEST(TcpLineSocketPortTest, ReadAndWriteWithoutConnectionRaiseNotConnected) {
  TTcpLineSocket socket;
  EXPECT_EQ(Capture([&] { return socket.ReadLine(); }).Kind, TNetErrorKind::nekNotConnected);
  EXPECT_EQ(Capture([&] { socket.WriteLine("GO"); }).Kind, TNetErrorKind::nekNotConnected);
  EXPECT_EQ(Capture([&] { socket.CheckForDisconnect(); }).Kind, TNetErrorKind::nekNotConnected);
}

// --- line framing ----------------------------------------------------------

TEST_F(TcpLineSocketTest, WriteLineAppendsCrLf) {
  Connect();
  FSocket.WriteLine("SET 1 GL 12 1 5 14 0");
  FSocket.WriteLine("");
  EXPECT_EQ(FPeer.Receive(24), "SET 1 GL 12 1 5 14 0\r\n\r\n");
}

TEST_F(TcpLineSocketTest, SeveralLinesInOneChunkWithCrLfOrBareLf) {
  Connect();
  ASSERT_TRUE(FPeer.Send("first\r\nsecond\nthird\r\n\r\n\nlast\n"));
  EXPECT_EQ(FSocket.ReadLine(), "first");
  EXPECT_EQ(FSocket.ReadLine(), "second");
  EXPECT_EQ(FSocket.ReadLine(), "third");
  EXPECT_EQ(FSocket.ReadLine(), "");
  EXPECT_EQ(FSocket.ReadLine(), "");
  EXPECT_EQ(FSocket.ReadLine(), "last");
}

TEST_F(TcpLineSocketTest, OnlyTheCrRightBeforeTheLfIsDropped) {
  Connect();
  ASSERT_TRUE(FPeer.Send("a\rb\r\n\r\r\nend\r \n"));
  EXPECT_EQ(FSocket.ReadLine(), "a\rb");
  EXPECT_EQ(FSocket.ReadLine(), "\r");
  EXPECT_EQ(FSocket.ReadLine(), "end\r ");
}

TEST_F(TcpLineSocketTest, LineArrivingInPiecesIsJoined) {
  Connect();
  // Each piece is sent only once the reader waits for more, so the pieces
  // arrive as separate reads; the split falls between CR and LF too.
  const std::vector<std::string> pieces = {"100 INFO ", "1 GL 3", " 1 2 28 0\r", "\nnext\n"};
  TBackgroundRead read(FSocket);
  for (const std::string& piece : pieces) {
    read.WaitBlocked();
    ASSERT_TRUE(FPeer.Send(piece));
  }
  const auto result = read.Result();
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->Type, TOutcome::otValue) << result->Message;
  EXPECT_EQ(result->Line, "100 INFO 1 GL 3 1 2 28 0");
  EXPECT_EQ(FSocket.ReadLine(), "next");
}

TEST_F(TcpLineSocketTest, ReadNonBlankLineTrimsAndSkipsBlankLines) {
  Connect();
  ASSERT_TRUE(FPeer.Send(" \r\n\t\n  1.5 200 OK  \r\nafter\n"));
  EXPECT_EQ(FSocket.ReadNonBlankLine(10), "1.5 200 OK");
  EXPECT_EQ(FSocket.ReadLine(), "after");
}

TEST_F(TcpLineSocketTest, ReadNonBlankLineGivesUpAfterItsTries) {
  Connect();
  ASSERT_TRUE(FPeer.Send("\n \n  \nreply\n"));
  EXPECT_EQ(FSocket.ReadNonBlankLine(2), "");
  EXPECT_EQ(FSocket.ReadLine(), "  ");
  EXPECT_EQ(FSocket.ReadNonBlankLine(0), "reply");
}

// --- line length limit -----------------------------------------------------

TEST_F(TcpLineSocketTest, LinesUpToTheLimitPass) {
  Connect();
  const std::string longest(TLineBuffer::MaxLineLength, 'y');
  std::thread sender([&] { FPeer.Send(longest + "\r\n" + longest + "\nshort\n"); });
  EXPECT_EQ(FSocket.ReadLine(), longest);
  EXPECT_EQ(FSocket.ReadLine(), longest);
  EXPECT_EQ(FSocket.ReadLine(), "short");
  sender.join();
}

TEST_F(TcpLineSocketTest, OverlongLineIsRefusedAndEndsTheConnection) {
  Connect();
  int reports = 0;
  FSocket.OnDisconnected = [&](TTcpLineSocket& sender) {
    EXPECT_EQ(&sender, &FSocket);
    ++reports;
  };
  std::thread sender([&] { FPeer.Send(std::string(70 * 1024, 'x') + "\r\nafter\r\n"); });
  const TOutcome result = Capture([&] { return FSocket.ReadLine(); });
  EXPECT_EQ(result.Type, TOutcome::otSocket);
  EXPECT_EQ(result.Kind, TNetErrorKind::nekLineTooLong);
  EXPECT_NE(result.Message.find("127.0.0.1" + PortText(FListener.Port())), std::string::npos);
  EXPECT_FALSE(FSocket.Connected());
  EXPECT_EQ(reports, 1);
  // The rest of the stream is not read as lines.
  EXPECT_EQ(Capture([&] { return FSocket.ReadLine(); }).Type, TOutcome::otClosed);
  EXPECT_TRUE(FPeer.WaitEnded());
  sender.join();
  FSocket.Disconnect();
  EXPECT_EQ(reports, 1);
}

TEST_F(TcpLineSocketTest, EndlessLineIsRefusedLongBeforeItEnds) {
  Connect();
  // Had the socket kept the line whole, it would wait for the sender's 32 MiB
  // and then report the close instead of the overlong line.
  constexpr std::size_t total = 32 * 1024 * 1024;
  std::size_t sent = 0;
  std::thread sender([&] {
    const std::string chunk(16 * 1024, 'z');
    while (sent < total && FPeer.Send(chunk)) sent += chunk.size();
    FPeer.Close();
  });
  const TOutcome result = Capture([&] { return FSocket.ReadLine(); });
  EXPECT_EQ(result.Kind, TNetErrorKind::nekLineTooLong) << result.Message;
  FSocket.Disconnect();
  sender.join();
  EXPECT_LT(sent, total);
}

}  // namespace
}  // namespace tenvarra
