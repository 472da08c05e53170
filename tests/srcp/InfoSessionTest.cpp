#include <algorithm>
#include <cstdint>
#include <memory>
#include <poll.h>
#include <unistd.h>

#include "SessionFixture.h"

namespace tenvarra::test {
namespace {

constexpr const char* LocoBus1 = "5.250 100 INFO 1 GL 3 1 50 100 0 1 0 0";
constexpr const char* LocoBus2 = "5.300 100 INFO 2 GL 3 1 50 100 0 1 0 0";

class InfoSessionTest : public TSessionTest {
protected:
  InfoSessionTest() { Aim(*Info); }

  void ConnectInfo() {
    Peer.Handshake("INFO", 8);
    Info->Connect();
    ASSERT_TRUE(Peer.Done());
    ASSERT_TRUE(Info->Reading());
    Record->Events.clear();
  }

  // Pushes Line and serves hand-overs until the session has logged it.
  bool Push(const std::string& Line) {
    Peer.Send(Line);
    return Serve([&] { return Logged(Line); });
  }
  bool Logged(const std::string& Line, const std::string& Prefix = "Rec: ") const {
    return std::count(Record->Events.begin(), Record->Events.end(), Prefix + Line) > 0;
  }

  std::unique_ptr<TSRCPInfoClient> Info = std::make_unique<TSRCPInfoClient>(Queue);
  std::shared_ptr<TSessionRecord> Record = Recorded(*Info);
  TScriptedConnection& Peer = Server.Connection(0);
};

TEST_F(InfoSessionTest, AServerStallingInTheHandshakeIsNotRespondingButLaterSilenceIsFine) {
  Info->SetHandshakeTimeout(200);
  Peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2");
  EXPECT_THROW(Info->Connect(), ESRCPClientConnectError);
  EXPECT_FALSE(Info->Reading());
  Server.Connection(1).Handshake("INFO", 9);
  Info->Connect();
  ASSERT_TRUE(Info->Reading());
  EXPECT_FALSE(Queue.ServeUntil([&] { return !Info->Connected(); }, 400));
  // A second Connect is refused and leaves the live session's reads alone.
  EXPECT_THROW(Info->Connect(), ENetError);
  EXPECT_FALSE(Queue.ServeUntil([&] { return !Info->Connected(); }, 400));
  Server.Connection(1).Send(LocoBus1);
  EXPECT_TRUE(Serve([&] { return Logged(LocoBus1); }));
}

TEST_F(InfoSessionTest, LinesReachTheirListenersByGroupBusModeAndLockedGroup) {
  TRecordingGroup exact1(dgLoco, 1, semExact), exact2(dgLoco, 2, semExact);
  TRecordingGroup bus1(dgLoco, 1, semBus), all(dgLoco, 7, semAll), feedback(dgFeedback, 1, semAll);
  TRecordingGroup lock(dgLock, 1, semAll);
  std::vector<TSRCPBaseDeviceGroup*> order;
  for (auto* group : {&exact1, &exact2, &bus1, &all, &feedback, &lock}) {
    group->SetInfoClient(Info.get());
    group->OnTaken = [&](TRecordingGroup& Sender) { order.push_back(&Sender); };
  }
  ConnectInfo();
  const std::string locked = "5.400 100 INFO 1 LOCK GL 3 60 7";
  for (const std::string line : {LocoBus1, LocoBus2, locked.c_str(), "5.500 416 ERROR no data"})
    ASSERT_TRUE(Push(line));
  EXPECT_EQ(exact1.Taken, (std::vector<std::string>{LocoBus1, locked}));
  EXPECT_EQ(exact2.Taken, std::vector<std::string>{LocoBus2});
  EXPECT_EQ(bus1.Taken, (std::vector<std::string>{LocoBus1, locked}));
  EXPECT_EQ(all.Taken, (std::vector<std::string>{LocoBus1, LocoBus2, locked}));
  EXPECT_TRUE(feedback.Taken.empty());
  EXPECT_TRUE(lock.Taken.empty());
  // In the order the listeners registered.
  EXPECT_EQ(order, (std::vector<TSRCPBaseDeviceGroup*>{&exact1, &bus1, &all, &exact2, &all, &exact1, &bus1, &all}));
  EXPECT_EQ(Record->Errors, 1);
  for (auto* group : {&exact1, &exact2, &bus1, &all, &feedback, &lock}) group->OnTaken = nullptr;
}

TEST_F(InfoSessionTest, GroupsLeavingOrJoiningDuringADispatch) {
  TRecordingGroup first(dgPower, 1, semAll);
  auto leaving = std::make_unique<TRecordingGroup>(dgPower, 1, semAll);
  auto joining = std::make_unique<TRecordingGroup>(dgPower, 1, semAll);
  first.OnTaken = [&](TRecordingGroup&) {
    leaving.reset();  // unregisters while the line is being given out
    joining->SetInfoClient(Info.get());
  };
  first.SetInfoClient(Info.get());
  leaving->SetInfoClient(Info.get());
  ConnectInfo();
  ASSERT_TRUE(Push("5.000 100 INFO 1 POWER ON"));
  EXPECT_TRUE(joining->Taken.empty());
  first.OnTaken = nullptr;
  ASSERT_TRUE(Push("5.100 100 INFO 1 POWER OFF"));
  EXPECT_EQ(joining->Taken, std::vector<std::string>{"5.100 100 INFO 1 POWER OFF"});
  EXPECT_EQ(Info->Listeners(), (std::vector<TSRCPBaseDeviceGroup*>{&first, joining.get()}));
}

TEST_F(InfoSessionTest, ServerClosingIsReportedOnTheMainThreadAfterTheReaderEnded) {
  bool onMainThread = false, readerGone = false;
  Info->OnDisconnected = [&](TSRCPBaseClient&) {
    ++Record->Disconnects;
    onMainThread = Queue.IsMainThread();
    readerGone = !Info->Reading();
    Info->Disconnect();  // what an owner does; must neither block nor report twice
  };
  ConnectInfo();
  Peer.Close();
  ASSERT_TRUE(Serve([&] { return Record->Disconnects > 0; }));
  EXPECT_TRUE(onMainThread);
  EXPECT_TRUE(readerGone);
  EXPECT_FALSE(Info->Connected());
  Queue.PollOnce(0);
  EXPECT_EQ(Record->Disconnects, 1);
  // The session can be connected anew, and an overlong line ends it.
  Server.Connection(1).Handshake("INFO", 9).SendRaw(std::string(70 * 1024, 'i'));
  Info->Connect();
  ASSERT_TRUE(Serve([&] { return Record->Disconnects == 2; }));
  EXPECT_FALSE(Info->Reading());
  // The user is told why each connection went away.
  const std::string peer = "127.0.0.1:" + std::to_string(Server.Port());
  EXPECT_TRUE(Logged("Err: connection closed by " + peer, ""));
  EXPECT_TRUE(Logged("Err: line from " + peer + " longer than 65536 bytes", ""));
  Info->OnDisconnected = nullptr;  // its captures end with this test
}

TEST_F(InfoSessionTest, AListenerMayDisconnectAndReconnectWhileTheReaderWaitsForIt) {
  // The listener does not wait for the reader that waits for it, and the new
  // reader's hand-over, queued behind the join of the old reader, is run by
  // that join rather than waited for.
  const std::string power = "6.000 100 INFO 1 POWER OFF";
  TRecordingGroup group(dgPower, 1, semAll);
  group.OnTaken = [&](TRecordingGroup& Sender) {
    if (Sender.Taken.size() > 1) return;
    Info->Disconnect();
    uint64_t count;  // quieten the wake descriptor to see the new reader's hand-over
    ASSERT_EQ(::read(Queue.WakeFd(), &count, sizeof count), 8);
    Server.Connection(1).Handshake("INFO", 9).Send(power);
    Info->Connect();
    pollfd wake{Queue.WakeFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&wake, 1, WaitMs), 1);
    Info->Disconnect();
  };
  group.SetInfoClient(Info.get());
  ConnectInfo();
  Peer.Send("5.000 100 INFO 1 POWER ON").ExpectClosed();
  ASSERT_TRUE(Serve([&] { return !Info->Reading() && group.Taken.size() == 2; }));
  EXPECT_TRUE(Peer.Done());
  EXPECT_FALSE(Info->Connected());
  EXPECT_EQ(Record->Disconnects, 2);
  EXPECT_EQ(group.Taken.back(), power);
  group.OnTaken = nullptr;
}

TEST_F(InfoSessionTest, DestroyingTheSessionServesTheWaitingReaderAndFreesTheGroups) {
  TRecordingGroup power(dgPower, 1, semAll);
  TSRCPCommandClient command(Queue);
  power.SetCommandClient(&command);
  power.SetInfoClient(Info.get());
  ConnectInfo();
  Queue.PollOnce(0);  // leaves the wake descriptor quiet
  Peer.Send("5.000 100 INFO 1 POWER ON");
  pollfd wake{Queue.WakeFd(), POLLIN, 0};  // the reader has the line and waits for the main thread
  ASSERT_EQ(::poll(&wake, 1, WaitMs), 1);
  Info.reset();
  EXPECT_EQ(power.Taken, std::vector<std::string>{"5.000 100 INFO 1 POWER ON"});
  EXPECT_EQ(power.InfoClient(), nullptr);
  EXPECT_EQ(power.CommandClient(), &command);
  power.SetInfoClient(nullptr);  // must not reach the destroyed session
}

}  // namespace
}  // namespace tenvarra::test
