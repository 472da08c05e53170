#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SessionFixture.h"

namespace tenvarra::test {
namespace {

class SessionHandshakeTest : public TSessionTest {
protected:
  SessionHandshakeTest() {
    Aim(Client);
    Client.SetReplyTimeout(WaitMs);
  }

  // Connect must come back without raising and without a connection.
  void ExpectQuietFailure() {
    EXPECT_NO_THROW(Client.Connect());
    EXPECT_FALSE(Client.Connected());
    EXPECT_EQ(Client.SessionId(), -1);
    EXPECT_EQ(Record.Disconnects, 1);
    EXPECT_TRUE(Peer.Done());
  }

  TSRCPCommandClient Client{Queue};
  TSessionRecorder Record{Client};
  TScriptedConnection& Peer = Server.Connection(0);
};

TEST_F(SessionHandshakeTest, AcceptedHandshakeGivesSessionGreetingAndWelcome) {
  Peer.Handshake("COMMAND", 12, "srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra");
  Client.Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_TRUE(Client.Connected());
  EXPECT_EQ(Client.SessionId(), 12);
  EXPECT_EQ(Client.ConnectionMode(), cmCommand);
  EXPECT_EQ(Client.ServerVersions(), (std::set<TSRCPCommandVersion>{cv073, cv082}));
  EXPECT_EQ(Client.Greeting(), (std::vector<std::string>{"srcpd V2.1.3", "extra"}));
  EXPECT_EQ(Client.Welcome(), "srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra");
  EXPECT_EQ(Record.Events, (std::vector<std::string>{
                               "Rec: srcpd V2.1.3; SRCP 0.8.2; SRCPOTHER 0.7.3; extra",
                               "Snd: SET PROTOCOL SRCP 0.8.2",
                               "Rec: 1.000 201 OK PROTOCOL SRCP",
                               "Snd: SET CONNECTIONMODE SRCP COMMAND",
                               "Rec: 1.100 202 OK CONNECTIONMODE",
                               "Snd: GO",
                               "Rec: 1.200 200 OK GO 12",
                           }));

  Peer.Expect("TERM 0 SESSION 12").Send("2.000 200 OK").ExpectClosed();
  Client.Disconnect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Client.SessionId(), -1);
  EXPECT_TRUE(Client.Greeting().empty());
  EXPECT_TRUE(Client.Welcome().empty());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_EQ(Record.Errors, 0);
}

TEST_F(SessionHandshakeTest, LaterRevisionsOfTheSeriesAreAcceptedFor082) {
  Peer.Handshake("COMMAND", 3, "srcpd V2.1.3; SRCP 0.8.4; SRCPOTHER 0.8.3");
  Client.Connect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_TRUE(Client.Connected());
  EXPECT_EQ(Client.SessionId(), 3);
  EXPECT_EQ(Client.ServerVersions(), std::set<TSRCPCommandVersion>{cv082});
  Peer.Expect("TERM 0 SESSION 3").Send("2.000 200 OK");
}

TEST_F(SessionHandshakeTest, RevisionOfferRefusedBySetProtocolEndsQuietly) {
  Peer.Send("srcpd V2.1.3; SRCP 0.8.4")
      .Expect("SET PROTOCOL SRCP 0.8.2")
      .Send("1.000 400 ERROR unsupported protocol")
      .ExpectClosed();
  ExpectQuietFailure();
  EXPECT_EQ(Record.Errors, 1);
}

TEST_F(SessionHandshakeTest, UnsupportedVersionEndsQuietlyWithoutSending) {
  Peer.Send("srcp 1.0; SRCP 0.7.3").ExpectClosed();
  ExpectQuietFailure();
  EXPECT_TRUE(Peer.Received().empty());
  EXPECT_EQ(Client.ServerVersions(), std::set<TSRCPCommandVersion>{cv073});
}

TEST_F(SessionHandshakeTest, OffersThisSystemCannotNameMatchNoVersion) {
  Client.SetVersion(cvUnknown);
  Peer.Send("srcpd; SRCP 0.9").ExpectClosed();
  ExpectQuietFailure();
  EXPECT_TRUE(Client.ServerVersions().empty());
}

TEST_F(SessionHandshakeTest, FirstLineWithTimeStampOffersNothing) {
  Peer.Send("1.000 200 OK").ExpectClosed();
  ExpectQuietFailure();
  EXPECT_TRUE(Client.ServerVersions().empty());
}

TEST_F(SessionHandshakeTest, ErrorAsFirstLineIsAnInvalidWelcome) {
  Peer.Send("1.000 500 ERROR out of ressources").ExpectClosed();
  ExpectQuietFailure();
  EXPECT_EQ(Record.Errors, 1);
}

TEST_F(SessionHandshakeTest, RefusedGoRaisesOnErrorThenEndsQuietly) {
  Peer.Send("srcpd; SRCP 0.8.2")
      .Expect("SET PROTOCOL SRCP 0.8.2")
      .Send("1.000 201 OK PROTOCOL SRCP")
      .Expect("SET CONNECTIONMODE SRCP COMMAND")
      .Send("1.100 202 OK CONNECTIONMODE")
      .Expect("GO")
      .Send("5.250 410 ERROR unknow command")
      .ExpectClosed();
  ExpectQuietFailure();
  EXPECT_EQ(Record.Errors, 1);
  ASSERT_GE(Record.Events.size(), 2U);
  EXPECT_EQ(Record.Events[Record.Events.size() - 2], "error");
  EXPECT_EQ(Record.Events.back(), "disconnected");
}

TEST_F(SessionHandshakeTest, RepliesToProtocolAndModeAreNotChecked) {
  Peer.Send("srcpd; SRCP 0.8.2")
      .Expect("SET PROTOCOL SRCP 0.8.2")
      .Send("1.000 400 ERROR unsupported protocol")
      .Expect("SET CONNECTIONMODE SRCP COMMAND")
      .Send("1.100 401 ERROR unsupported connection mode")
      .Expect("GO")
      .Send("1.200 200 OK");
  Client.Connect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_TRUE(Client.Connected());
  EXPECT_EQ(Record.Errors, 2);
}

TEST_F(SessionHandshakeTest, BareOkGivesNoSessionAndNoTermOnDisconnect) {
  Peer.Send("srcpd; SRCP 0.8.2")
      .Expect("SET PROTOCOL SRCP 0.8.2")
      .Send("1.000 201 OK PROTOCOL SRCP")
      .Expect("SET CONNECTIONMODE SRCP COMMAND")
      .Send("1.100 202 OK CONNECTIONMODE")
      .Expect("GO")
      .Send("5.250 200 OK");
  Client.Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_TRUE(Client.Connected());
  EXPECT_EQ(Client.SessionId(), -1);
  Peer.ExpectClosed();
  Client.Disconnect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_EQ(Record.Disconnects, 1);
}

TEST_F(SessionHandshakeTest, ServerClosingDuringHandshakeEndsQuietly) {
  Peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2").Close();
  ExpectQuietFailure();
}

TEST_F(SessionHandshakeTest, StalledServerIsNotResponding) {
  Client.SetReplyTimeout(200);
  Peer.Send("srcpd; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2");
  try {
    Client.Connect();
    FAIL() << "Connect came back although the server never replied";
  } catch (const ESRCPClientConnectError& Error) {
    EXPECT_STREQ(Error.what(), "server not responding");
    EXPECT_EQ(Error.Kind(), TNetErrorKind::nekTimeout);
  }
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_TRUE(Peer.Done());
}

TEST_F(SessionHandshakeTest, OverlongWelcomeIsNotResponding) {
  Peer.SendRaw(std::string(70 * 1024, 'x') + "\r\n");
  try {
    Client.Connect();
    FAIL() << "Connect came back after an overlong line";
  } catch (const ESRCPClientConnectError& Error) {
    EXPECT_EQ(Error.Kind(), TNetErrorKind::nekLineTooLong);
  }
  EXPECT_FALSE(Client.Connected());
  EXPECT_TRUE(Record.Events.empty() || Record.Events.back() == "disconnected");
}

TEST_F(SessionHandshakeTest, RefusedTcpConnectReachesTheCallerUnchanged) {
  // A bound port that does not listen refuses connections.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
  Client.SetPort(ntohs(address.sin_port));
  try {
    Client.Connect();
    ADD_FAILURE() << "Connect to a refusing port came back";
  } catch (const ESRCPError&) {
    ADD_FAILURE() << "a TCP connect failure was turned into a session error";
  } catch (const ESocketError& Error) {
    EXPECT_EQ(Error.Kind(), TNetErrorKind::nekConnect);
  }
  ::close(fd);
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Record.Disconnects, 0);
}

TEST_F(SessionHandshakeTest, ConnectWhileConnectedIsRefused) {
  Peer.Handshake("COMMAND", 4);
  Client.Connect();
  ASSERT_TRUE(Client.Connected());
  try {
    Client.Connect();
    ADD_FAILURE() << "a second Connect came back";
  } catch (const ENetError& Error) {
    EXPECT_EQ(Error.Kind(), TNetErrorKind::nekAlreadyConnected);
  }
  EXPECT_TRUE(Client.Connected());
  Peer.Expect("TERM 0 SESSION 4").Send("2.000 200 OK");
}

TEST_F(SessionHandshakeTest, InfoSessionAsksForInfoAndEndsWithoutTerm) {
  TSRCPInfoClient info(Queue);
  Aim(info);
  TSessionRecorder record(info);
  EXPECT_EQ(info.ConnectionMode(), cmCommand);
  Peer.Handshake("INFO", 8);
  info.Connect();
  ASSERT_TRUE(Peer.Done());
  EXPECT_TRUE(info.Connected());
  EXPECT_TRUE(info.Reading());
  EXPECT_EQ(info.SessionId(), 8);
  EXPECT_EQ(info.ConnectionMode(), cmInfo);
  Peer.ExpectClosed();
  info.Disconnect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_FALSE(info.Reading());
  EXPECT_EQ(info.SessionId(), -1);
  EXPECT_EQ(record.Disconnects, 1);
}

}  // namespace
}  // namespace tenvarra::test
