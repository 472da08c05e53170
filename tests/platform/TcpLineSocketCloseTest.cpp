// How a connection ends: the peer closing, a local shutdown or disconnect
// from another thread, a read time-out, and the on-disconnected report.
#include "platform/TcpLineSocket.h"

#include "LoopbackPeer.h"
#include "ReadOutcome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tenvarra {
namespace {

using test::Capture;
using test::TBackgroundRead;
using test::TLoopbackListener;
using test::TOutcome;
using test::TPeerEnd;

class TcpLineSocketCloseTest : public ::testing::Test {
protected:
  void SetUp() override {
    FSocket.SetHost("127.0.0.1");
    FSocket.SetPort(FListener.Port());
    FSocket.OnDisconnected = [this](TTcpLineSocket&) {
      FReporter = std::this_thread::get_id();
      ++FReports;
    };
  }
  void Connect() {
    FSocket.Connect(2000);
    FPeer = FListener.Accept();
  }

  TLoopbackListener FListener;
  std::atomic<int> FReports{0};
  std::thread::id FReporter;  // read only after the reporting thread is done
  TTcpLineSocket FSocket;
  TPeerEnd FPeer;
};

TEST_F(TcpLineSocketCloseTest, PeerClosingUnderABlockedReadIsReportedAsClosed) {
  Connect();
  TBackgroundRead read(FSocket);
  read.WaitBlocked();
  FPeer.Close();
  const auto result = read.Result();
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->Type, TOutcome::otClosed);
  EXPECT_EQ(result->Kind, TNetErrorKind::nekPeerClosed);
  EXPECT_NE(result->Message.find("closed by 127.0.0.1:"), std::string::npos) << result->Message;
  EXPECT_FALSE(FSocket.Connected());
  // The reading thread noticed the end, so it reported it.
  EXPECT_EQ(FReports.load(), 1);
  EXPECT_NE(FReporter, std::this_thread::get_id());
  FSocket.Disconnect();
  EXPECT_EQ(FReports.load(), 1);
}

TEST_F(TcpLineSocketCloseTest, LinesSentBeforeTheCloseAreReadFirst) {
  Connect();
  ASSERT_TRUE(FPeer.Send("one\r\ntwo\r\nunfinished"));
  FPeer.Close();
  EXPECT_EQ(FSocket.ReadLine(), "one");
  EXPECT_EQ(FSocket.ReadLine(), "two");
  const TOutcome end = Capture([&] { return FSocket.ReadLine(); });
  EXPECT_EQ(end.Kind, TNetErrorKind::nekPeerClosed);
  // Further reads keep saying so instead of blocking.
  EXPECT_EQ(Capture([&] { return FSocket.ReadLine(); }).Kind, TNetErrorKind::nekPeerClosed);
}

TEST_F(TcpLineSocketCloseTest, ShutdownFromAnotherThreadReleasesABlockedRead) {
  Connect();
  TBackgroundRead read(FSocket);
  read.WaitBlocked();
  FSocket.Shutdown();
  const auto result = read.Result(2000);
  ASSERT_TRUE(result.has_value()) << "read still blocked after Shutdown";
  EXPECT_EQ(result->Type, TOutcome::otClosed);
  EXPECT_EQ(result->Kind, TNetErrorKind::nekShutdown);
  EXPECT_FALSE(FSocket.Connected());
  EXPECT_TRUE(FPeer.WaitEnded());
  // A local shutdown is reported by the disconnect that follows it.
  EXPECT_EQ(FReports.load(), 0);
  FSocket.Disconnect();
  EXPECT_EQ(FReports.load(), 1);
  EXPECT_EQ(FReporter, std::this_thread::get_id());
}

TEST_F(TcpLineSocketCloseTest, DisconnectWhileAReaderIsBlockedThenReconnect) {
  Connect();
  {
    TBackgroundRead read(FSocket);
    read.WaitBlocked();
    FSocket.Disconnect();
    EXPECT_FALSE(FSocket.Connected());
    const auto result = read.Result(2000);
    ASSERT_TRUE(result.has_value()) << "read still blocked after Disconnect";
    EXPECT_EQ(result->Kind, TNetErrorKind::nekShutdown);
  }
  EXPECT_EQ(FReports.load(), 1);
  EXPECT_TRUE(FPeer.WaitEnded());

  Connect();
  ASSERT_TRUE(FPeer.Send("again\n"));
  EXPECT_EQ(FSocket.ReadLine(), "again");
}

TEST_F(TcpLineSocketCloseTest, DisconnectRacingReadersAlwaysEndsThemCleanly) {
  // No waiting for the reader to block: the disconnect may come before,
  // during or after the read starts; every order must end in a shutdown error.
  for (int round = 0; round < 30; ++round) {
    Connect();
    TBackgroundRead read(FSocket);
    FSocket.Disconnect();
    const auto result = read.Result(2000);
    ASSERT_TRUE(result.has_value()) << "round " << round;
    EXPECT_EQ(result->Type, TOutcome::otClosed) << result->Message;
    EXPECT_EQ(result->Kind, TNetErrorKind::nekShutdown) << result->Message;
  }
  EXPECT_EQ(FReports.load(), 30);
}

TEST_F(TcpLineSocketCloseTest, ReportRunsOncePerConnectionAndNotOnDestruction) {
  std::atomic<int> reports{0};
  {
    TTcpLineSocket socket;
    socket.SetHost("127.0.0.1");
    socket.SetPort(FListener.Port());
    socket.OnDisconnected = [&](TTcpLineSocket&) { ++reports; };
    socket.Disconnect();  // never connected: nothing ends
    EXPECT_EQ(reports.load(), 0);

    socket.Connect(2000);
    TPeerEnd first = FListener.Accept();
    socket.Disconnect();
    socket.Disconnect();
    EXPECT_EQ(reports.load(), 1);

    // A dead connection is reported once, then Connect replaces it.
    socket.Connect(2000);
    TPeerEnd second = FListener.Accept();
    second.Close();
    EXPECT_EQ(Capture([&] { return socket.ReadLine(); }).Kind, TNetErrorKind::nekPeerClosed);
    EXPECT_EQ(reports.load(), 2);
    socket.Connect(2000);
    EXPECT_EQ(reports.load(), 2);
    EXPECT_TRUE(socket.Connected());
  }
  EXPECT_EQ(reports.load(), 2);
}

TEST_F(TcpLineSocketCloseTest, SilentPeerMakesATimedReadFail) {
  Connect();
  FSocket.SetReadTimeoutMs(100);
  ASSERT_TRUE(FPeer.Send("partial line without end"));
  const auto start = std::chrono::steady_clock::now();
  const TOutcome result = Capture([&] { return FSocket.ReadLine(); });
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.Type, TOutcome::otSocket);
  EXPECT_EQ(result.Kind, TNetErrorKind::nekTimeout);
  EXPECT_GE(took, std::chrono::milliseconds(95));
  EXPECT_LT(took, std::chrono::seconds(3));
  // A late reply would be taken for the answer to the next command.
  EXPECT_FALSE(FSocket.Connected());
  EXPECT_EQ(FReports.load(), 1);
}

TEST_F(TcpLineSocketCloseTest, TimedReadReturnsLinesThatArriveInTime) {
  Connect();
  FSocket.SetReadTimeoutMs(5000);
  ASSERT_TRUE(FPeer.Send("1.0 200 OK\r\n"));
  EXPECT_EQ(FSocket.ReadLine(), "1.0 200 OK");
  EXPECT_TRUE(FSocket.Connected());
}

TEST_F(TcpLineSocketCloseTest, CheckForDisconnectRaisesOnlyWhenNothingIsLeft) {
  Connect();
  EXPECT_NO_THROW(FSocket.CheckForDisconnect());
  ASSERT_TRUE(FPeer.Send("last\nmore\n"));
  FPeer.Close();
  EXPECT_NO_THROW(FSocket.CheckForDisconnect());  // both lines are still to be read
  EXPECT_EQ(FSocket.ReadLine(), "last");
  // "more" came with "last" and waits in the socket's own buffer now.
  EXPECT_NO_THROW(FSocket.CheckForDisconnect());
  EXPECT_EQ(FSocket.ReadLine(), "more");
  // The close follows the data on loopback; look until it is seen (bounded).
  TOutcome check;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    check = Capture([&] { FSocket.CheckForDisconnect(); });
  } while (check.Type == TOutcome::otValue && std::chrono::steady_clock::now() < deadline);
  EXPECT_EQ(check.Type, TOutcome::otClosed);
  EXPECT_EQ(check.Kind, TNetErrorKind::nekPeerClosed);
  EXPECT_FALSE(FSocket.Connected());
  EXPECT_EQ(FReports.load(), 1);
}

TEST_F(TcpLineSocketCloseTest, WritingToAClosedPeerFailsWithoutSigpipe) {
  Connect();
  FPeer.Close();
  // The first writes may still be taken by the kernel; once the peer's reset
  // is back, a write fails. Without MSG_NOSIGNAL the process would die here.
  TOutcome result;
  for (int i = 0; i < 1000 && result.Type == TOutcome::otValue; ++i) {
    result = Capture([&] { FSocket.WriteLine("GET 1 POWER"); });
  }
  EXPECT_EQ(result.Type, TOutcome::otSocket);
  EXPECT_EQ(result.Kind, TNetErrorKind::nekIo);
  EXPECT_FALSE(FSocket.Connected());
}

}  // namespace
}  // namespace tenvarra
