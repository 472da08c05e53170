#include <functional>

#include "SessionFixture.h"

namespace tenvarra::test {
namespace {

class SessionHandshakeTest : public TSessionTest {
protected:
  SessionHandshakeTest() {
    Aim(Client);
    Client.SetReplyTimeout(WaitMs);
  }

  // The server's side of a handshake up to GO, which it answers with GoReply.
  void ScriptUpToGo(TScriptedConnection& Peer, const std::string& GoReply) {
    Peer.Send("srcpd; SRCP 0.8.2")
        .Expect("SET PROTOCOL SRCP 0.8.2")
        .Send("1.000 201 OK PROTOCOL SRCP")
        .Expect("SET CONNECTIONMODE SRCP COMMAND")
        .Send("1.100 202 OK CONNECTIONMODE")
        .Expect("GO")
        .Send(GoReply);
  }

  TSRCPCommandClient Client{Queue};
  TSessionRecorder Record{Client};
  TScriptedConnection& Peer = Server.Connection(0);
};

TEST_F(SessionHandshakeTest, AcceptedHandshakesAreLoggedInOrderAndEndedWithTerm) {
  Peer.Handshake("COMMAND", 12, "srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra");
  Client.Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_EQ(Client.SessionId(), 12);
  EXPECT_EQ(Client.ServerVersions(), (std::set<TSRCPCommandVersion>{cv073, cv082}));
  EXPECT_EQ(Client.Greeting(), (std::vector<std::string>{"srcpd V2.1.3", "extra"}));
  EXPECT_EQ(Record.Events, (std::vector<std::string>{
                               "Rec: srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra",
                               "Snd: SET PROTOCOL SRCP 0.8.2", "Rec: 1.000 201 OK PROTOCOL SRCP",
                               "Snd: SET CONNECTIONMODE SRCP COMMAND",
                               "Rec: 1.100 202 OK CONNECTIONMODE", "Snd: GO", "Rec: 1.200 200 OK GO 12"}));
  Peer.Expect("TERM 0 SESSION 12").Send("2.000 200 OK").ExpectClosed();
  Client.Disconnect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_EQ(Client.SessionId(), -1);
  EXPECT_TRUE(Client.Welcome().empty());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_EQ(Record.Errors, 0);
  // Later revisions of the series are accepted for 0.8.2; nothing of the
  // earlier session's versions is left.
  TScriptedConnection& later = Server.Connection(1);
  later.Handshake("COMMAND", 3, "srcpd V2.1.3; SRCP 0.8.4; SRCPOTHER 0.8.3");
  Client.Connect();
  EXPECT_TRUE(later.Done());
  EXPECT_EQ(Client.SessionId(), 3);
  EXPECT_EQ(Client.ServerVersions(), std::set<TSRCPCommandVersion>{cv082});
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
      {"refused GO", [this](auto& p) { ScriptUpToGo(p, "5.250 410 ERROR unknow command"); }, 1},
  };
  std::size_t index = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSRCPCommandClient client(Queue);
    Aim(client);
    TSessionRecorder record(client);
    TScriptedConnection& peer = Server.Connection(index++);
    c.Script(peer);
    peer.ExpectClosed();
    EXPECT_NO_THROW(client.Connect());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.SessionId(), -1);
    EXPECT_EQ(record.Errors, c.Errors);
    EXPECT_EQ(record.Events.back(), "disconnected");
    EXPECT_EQ(record.Disconnects, 1);
    EXPECT_TRUE(peer.Done());
  }
  // The server closing mid-handshake ends it the same way.
  TScriptedConnection& peer = Server.Connection(index);
  peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2").Close();
  EXPECT_NO_THROW(Client.Connect());
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_TRUE(peer.Done());
}

TEST_F(SessionHandshakeTest, BareOkGivesNoSessionAndNoTermOnDisconnect) {
  ScriptUpToGo(Peer, "5.250 200 OK");
  Client.Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_TRUE(Client.Connected());
  EXPECT_EQ(Client.SessionId(), -1);
  Peer.ExpectClosed();
  Client.Disconnect();
  EXPECT_TRUE(Peer.Done());
}

TEST_F(SessionHandshakeTest, StalledServerIsNotResponding) {
  Client.SetReplyTimeout(200);
  Peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2");
  const auto error = ErrorOf<ESRCPClientConnectError>([&] { Client.Connect(); });
  ASSERT_TRUE(error) << "Connect came back although the server never replied";
  EXPECT_STREQ(error->what(), "server not responding");
  EXPECT_EQ(error->Kind(), TNetErrorKind::nekTimeout);
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_TRUE(Peer.Done());
}

}  // namespace
}  // namespace tenvarra::test
