#include <chrono>
#include <functional>
#include <memory>

#include "SessionFixture.h"
#include "srcp/Records.h"

namespace tenvarra::test {
namespace {

class CommandSessionTest : public TSessionTest {
protected:
  CommandSessionTest() {
    Aim(*Client);
    Client->SetReplyTimeout(WaitMs);
    Msg.SetVersion(cv082);
    Msg.SetGroup(dgPower);
    Msg.SetCommand(mkGet);
    Msg.Bus = 1;
  }

  // A connected session with number 12; the log starts after the handshake.
  void ConnectSession() {
    Peer.Handshake("COMMAND", 12);
    Client->Connect();
    ASSERT_TRUE(Peer.Done());
    Record->Events.clear();
  }

  std::unique_ptr<TSRCPCommandClient> Client = std::make_unique<TSRCPCommandClient>(Queue);
  std::shared_ptr<TSessionRecord> Record = Recorded(*Client);
  TScriptedConnection& Peer = Server.Connection(0);

  TSRCPCmd Msg;  // GET 1 POWER
};
using SessionHandshakeTest = CommandSessionTest;

TEST_F(SessionHandshakeTest, AcceptedHandshakesAreLoggedInOrderAndEndedWithTerm) {
  Peer.Handshake("COMMAND", 12, "srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra");
  Client->Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_EQ(Client->SessionId(), 12);
  EXPECT_EQ(Client->ServerVersions(), (std::set<TSRCPCommandVersion>{cv073, cv082}));
  EXPECT_EQ(Client->Greeting(), (std::vector<std::string>{"srcpd V2.1.3", "extra"}));
  EXPECT_EQ(Record->Events, (std::vector<std::string>{
                               "Rec: srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra",
                               "Snd: SET PROTOCOL SRCP 0.8.2", "Rec: 1.000 201 OK PROTOCOL SRCP",
                               "Snd: SET CONNECTIONMODE SRCP COMMAND",
                               "Rec: 1.100 202 OK CONNECTIONMODE", "Snd: GO", "Rec: 1.200 200 OK GO 12"}));
  Peer.Expect("TERM 0 SESSION 12").Send("2.000 200 OK").ExpectClosed();
  Client->Disconnect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_EQ(Client->SessionId(), -1);
  EXPECT_TRUE(Client->Welcome().empty());
  EXPECT_EQ(Record->Disconnects, 1);
  EXPECT_EQ(Record->Errors, 0);
  // Later revisions of the series are accepted for 0.8.2; nothing of the
  // earlier session's versions is left.
  TScriptedConnection& later = Server.Connection(1);
  later.Handshake("COMMAND", 3, "srcpd V2.1.3; SRCP 0.8.4; SRCPOTHER 0.8.3");
  Client->Connect();
  EXPECT_TRUE(later.Done());
  EXPECT_EQ(Client->SessionId(), 3);
  EXPECT_EQ(Client->ServerVersions(), std::set<TSRCPCommandVersion>{cv082});
  later.Expect("TERM 0 SESSION 3").Send("2.000 200 OK");
}

// Every failed handshake comes back from Connect without raising, closed,
// with one disconnect notice after any error notice.
TEST_F(SessionHandshakeTest, FailedHandshakesEndQuietly) {
  struct TCase {
    const char* Name;
    std::function<void(TScriptedConnection&)> Script;
    int Errors;
  };
  const TCase cases[] = {
      {"unsupported version", [](auto& p) { p.Send("srcp 1.0; SRCP 0.7.3"); }, 0},
      {"no version named", [](auto& p) { p.Send("srcpd; SRCP 0.9"); }, 0},
      {"time-stamped first line", [](auto& p) { p.Send("1.000 200 OK"); }, 0},
      {"error as first line", [](auto& p) { p.Send("1.000 500 ERROR out of ressources"); }, 1},
      {"revision refused",
       [](auto& p) {
         p.Send("srcpd; SRCP 0.8.4").Expect("SET PROTOCOL SRCP 0.8.2").Send("1.000 400 ERROR unsupported protocol");
       },
       1},
      {"refused GO", [](auto& p) { p.Send("srcpd; SRCP 0.8.2").Handshake("COMMAND", "5.250 410 ERROR unknow command"); }, 1},
  };
  std::size_t index = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSRCPCommandClient client(Queue);
    Aim(client);
    const auto record = Recorded(client);
    TScriptedConnection& peer = Server.Connection(index++);
    c.Script(peer);
    peer.ExpectClosed();
    EXPECT_NO_THROW(client.Connect());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.SessionId(), -1);
    EXPECT_EQ(record->Errors, c.Errors);
    EXPECT_EQ(record->Events.back(), "disconnected");
    EXPECT_EQ(record->Disconnects, 1);
    EXPECT_TRUE(peer.Done());
  }
  // The server closing mid-handshake ends it the same way.
  TScriptedConnection& peer = Server.Connection(index);
  peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2").Close();
  EXPECT_NO_THROW(Client->Connect());
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record->Disconnects, 1);
  EXPECT_TRUE(peer.Done());
}

TEST_F(SessionHandshakeTest, BareOkGivesNoSessionAndNoTermOnDisconnect) {
  Peer.Send("srcpd; SRCP 0.8.2").Handshake("COMMAND", "5.250 200 OK");
  Client->Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_TRUE(Client->Connected());
  EXPECT_EQ(Client->SessionId(), -1);
  Peer.ExpectClosed();
  Client->Disconnect();
  EXPECT_TRUE(Peer.Done());
}

TEST_F(SessionHandshakeTest, StalledServerIsNotResponding) {
  Client->SetReplyTimeout(200);
  Peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2");
  const auto error = ErrorOf<ESRCPClientConnectError>([&] { Client->Connect(); });
  ASSERT_TRUE(error) << "Connect came back although the server never replied";
  EXPECT_STREQ(error->what(), "server not responding");
  EXPECT_EQ(error->Kind(), TNetErrorKind::nekTimeout);
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record->Disconnects, 1);
  EXPECT_TRUE(Peer.Done());
}

TEST_F(CommandSessionTest, ExchangesAreLoggedSendThenReceiveAndErrorsRaiseOnError) {
  ConnectSession();
  Peer.Expect("GET 1 POWER").Send("5.250 100 INFO 1 POWER ON");
  Peer.Expect("GET 1 POWER").Send("5.250 416 ERROR no data");
  Client->SendCommand(Msg);
  EXPECT_TRUE(Client->ReadReply(Msg));
  EXPECT_TRUE(Msg.Power().PowerOn);
  Msg.SetCommand(mkGet);
  Client->SendCommand(Msg);
  EXPECT_FALSE(Client->ReadReply(Msg));
  EXPECT_EQ(Msg.Kind(), mkErrNoData);
  EXPECT_EQ(Record->Events, (std::vector<std::string>{"Snd: GET 1 POWER", "Rec: 5.250 100 INFO 1 POWER ON",
                                                     "Snd: GET 1 POWER", "Rec: 5.250 416 ERROR no data",
                                                     "error"}));
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK");
}

TEST_F(CommandSessionTest, ServerClosingInsteadOfAnsweringTermIsTheNormalEnd) {
  ConnectSession();
  Peer.Expect("TERM 0 SESSION 12").Close();
  EXPECT_NO_THROW(Client->Disconnect());
  EXPECT_TRUE(Peer.Done());
  EXPECT_FALSE(Client->Connected());
  EXPECT_FALSE(Record->ConnectedWhenReported);
  EXPECT_EQ(Record->Events, (std::vector<std::string>{"Snd: TERM 0 SESSION 12", "disconnected"}));
  Client->Disconnect();  // nothing left to end
  EXPECT_EQ(Record->Disconnects, 1);
}

// An overlong line fails the read like silence does: TcpLineSocketTest
// covers the limit, InfoSessionTest the session it ends.
TEST_F(CommandSessionTest, StalledServerFailsTheRead) {
  ConnectSession();
  Client->SetReplyTimeout(200);
  Peer.Expect("GET 1 POWER");
  Client->SendCommand(Msg);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client->ReadReply(Msg); }).value().Kind(), TNetErrorKind::nekTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record->Disconnects, 1);
  EXPECT_TRUE(Peer.Done());
}

TEST_F(CommandSessionTest, DestructorEndsTheSessionSilentlyAndTellsGroups) {
  ConnectSession();
  TRecordingGroup kept(dgPower, 1, semExact);
  auto gone = std::make_unique<TRecordingGroup>(dgLoco, 1, semExact);
  kept.SetCommandClient(Client.get());
  gone->SetCommandClient(Client.get());
  gone.reset();  // unregisters; the session must not call it later
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK").ExpectClosed();
  Client.reset();
  EXPECT_TRUE(Peer.Done());
  EXPECT_EQ(kept.CommandClient(), nullptr);
  EXPECT_EQ(Record->Events, std::vector<std::string>{"disconnected"});
}

}  // namespace
}  // namespace tenvarra::test
