#include <chrono>
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
  }

  // A connected session with number 12; the log starts after the handshake.
  void ConnectSession() {
    Peer.Handshake("COMMAND", 12);
    Client->Connect();
    ASSERT_TRUE(Peer.Done());
    ASSERT_TRUE(Client->Connected());
    Record.Events.clear();
  }

  // What the tests send: GET 1 POWER.
  void PrepareGetPower(TSRCPCmd& Msg) {
    Msg.SetVersion(cv082);
    Msg.SetGroup(dgPower);
    Msg.SetCommand(mkGet);
    Msg.Bus = 1;
  }

  std::unique_ptr<TSRCPCommandClient> Client = std::make_unique<TSRCPCommandClient>(Queue);
  TSessionRecorder Record{*Client};
  TScriptedConnection& Peer = Server.Connection(0);
};

TEST_F(CommandSessionTest, ExchangeLogsSendThenReceive) {
  ConnectSession();
  Peer.Expect("GET 1 POWER").Send("5.250 100 INFO 1 POWER ON");
  TSRCPCmd msg;
  PrepareGetPower(msg);
  Client->SendCommand(msg);
  EXPECT_TRUE(Client->ReadReply(msg));
  EXPECT_EQ(msg.Kind(), mkInfoState);
  EXPECT_TRUE(msg.Power().PowerOn);
  EXPECT_EQ(Record.Events,
            (std::vector<std::string>{"Snd: GET 1 POWER", "Rec: 5.250 100 INFO 1 POWER ON"}));
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK");
}

TEST_F(CommandSessionTest, NoLogCallWhileLoggingIsOff) {
  ConnectSession();
  Client->SetLogEnabled(false);
  Peer.Expect("GET 1 POWER").Send("5.250 100 INFO 1 POWER OFF");
  TSRCPCmd msg;
  PrepareGetPower(msg);
  Client->SendCommand(msg);
  EXPECT_TRUE(Client->ReadReply(msg));
  EXPECT_TRUE(Record.Events.empty());
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK");
}

TEST_F(CommandSessionTest, ErrorReplyRaisesOnErrorAndKeepsItsKind) {
  ConnectSession();
  Peer.Expect("GET 1 POWER").Send("5.250 416 ERROR no data");
  TSRCPCmd msg;
  PrepareGetPower(msg);
  Client->SendCommand(msg);
  EXPECT_FALSE(Client->ReadReply(msg));
  EXPECT_EQ(msg.Kind(), mkErrNoData);
  EXPECT_EQ(Record.Events, (std::vector<std::string>{"Snd: GET 1 POWER",
                                                     "Rec: 5.250 416 ERROR no data", "error"}));
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK");
}

TEST_F(CommandSessionTest, ReplyThatDoesNotParseIsTakenByNoGroup) {
  TSRCPCmd msg;
  msg.SetVersion(cv082);
  EXPECT_TRUE(Client->HandleReply(msg, "5.250 100 INFO 1 GL"));
  EXPECT_EQ(msg.Group(), dgInvalid);
  EXPECT_EQ(Record.Errors, 0);
  EXPECT_EQ(Record.Events, std::vector<std::string>{"Rec: 5.250 100 INFO 1 GL"});
}

TEST_F(CommandSessionTest, EmptyLineIsNoReplyAndNotLogged) {
  ConnectSession();
  Peer.Send("");
  TSRCPCmd msg;
  PrepareGetPower(msg);
  EXPECT_FALSE(Client->ReadReply(msg));
  EXPECT_EQ(msg.Kind(), mkGet);
  EXPECT_TRUE(Record.Events.empty());
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK");
}

TEST_F(CommandSessionTest, ErrorMessageIsNotSent) {
  ConnectSession();
  TSRCPCmd msg;
  msg.SetVersion(cv082);
  msg.SetCommand(mkErrWrongValue);
  Client->SendCommand(msg);
  EXPECT_EQ(Record.Events, std::vector<std::string>{"error"});
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK");
  Client->Disconnect();
  EXPECT_TRUE(Peer.Done());  // TERM was the first line after the handshake
}

TEST_F(CommandSessionTest, WithoutConnectionNothingIsSentAndTheReplyIs413) {
  TSRCPCmd msg;
  msg.Timestamp = 0;
  Client->SendCommand(msg);  // a fresh message is an error message
  msg.SetVersion(cv082);
  msg.SetGroup(dgPower);
  msg.SetCommand(mkGet);
  Client->SendCommand(msg);
  TSRCPCmd fresh;
  EXPECT_FALSE(Client->ReadReply(fresh));
  EXPECT_EQ(fresh.Kind(), mkErrTemporarilyProhibited);
  EXPECT_EQ(Record.Events,
            (std::vector<std::string>{"error", "Err: Not connected",
                                      "Err: 0.000 413 ERROR temporarily prohibited"}));
}

TEST_F(CommandSessionTest, DisconnectEndsTheServerSession) {
  ConnectSession();
  Peer.Expect("TERM 0 SESSION 12").Send("6.000 200 OK").ExpectClosed();
  Client->Disconnect();
  EXPECT_TRUE(Peer.Done());
  EXPECT_EQ(Record.Events, (std::vector<std::string>{"Snd: TERM 0 SESSION 12",
                                                     "Rec: 6.000 200 OK", "disconnected"}));
  EXPECT_FALSE(Record.ConnectedWhenReported);
  EXPECT_EQ(Client->SessionId(), -1);
  Client->Disconnect();  // nothing left to end
  EXPECT_EQ(Record.Disconnects, 1);
}

TEST_F(CommandSessionTest, ServerClosingInsteadOfAnsweringTermIsTheNormalEnd) {
  ConnectSession();
  Peer.Expect("TERM 0 SESSION 12").Close();
  EXPECT_NO_THROW(Client->Disconnect());
  EXPECT_TRUE(Peer.Done());
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record.Errors, 0);
  EXPECT_EQ(Record.Events,
            (std::vector<std::string>{"Snd: TERM 0 SESSION 12", "disconnected"}));
}

TEST_F(CommandSessionTest, ServerGoneBeforeTermIsTheNormalEndToo) {
  ConnectSession();
  Peer.Close();
  ASSERT_TRUE(Peer.Done());
  EXPECT_TRUE(Client->Connected());  // not noticed before the next read
  EXPECT_NO_THROW(Client->Disconnect());
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record.Events,
            (std::vector<std::string>{"Snd: TERM 0 SESSION 12", "disconnected"}));
}

TEST_F(CommandSessionTest, ServerClosingTheConnectionFailsTheNextRead) {
  ConnectSession();
  Peer.Close();
  ASSERT_TRUE(Peer.Done());
  TSRCPCmd msg;
  PrepareGetPower(msg);
  EXPECT_THROW(Client->ReadReply(msg), EConnClosed);
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Client->SessionId(), -1);
  EXPECT_EQ(Record.Events, std::vector<std::string>{"disconnected"});
  // The session is over: a later exchange is refused locally.
  Client->SendCommand(msg);
  EXPECT_FALSE(Client->ReadReply(msg));
  EXPECT_NO_THROW(Client->Disconnect());
  EXPECT_EQ(Record.Disconnects, 1);
}

TEST_F(CommandSessionTest, StalledServerFailsTheReadAfterTheReplyTimeout) {
  EXPECT_EQ(TSRCPCommandClient(Queue).ReplyTimeout(), TSRCPCommandClient::DefaultReplyTimeoutMs);
  ConnectSession();
  Client->SetReplyTimeout(200);
  Peer.Expect("GET 1 POWER");
  TSRCPCmd msg;
  PrepareGetPower(msg);
  Client->SendCommand(msg);
  const auto start = std::chrono::steady_clock::now();
  try {
    Client->ReadReply(msg);
    ADD_FAILURE() << "the read came back without a reply";
  } catch (const ESocketError& Error) {
    EXPECT_EQ(Error.Kind(), TNetErrorKind::nekTimeout);
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(190));
  EXPECT_LT(waited, std::chrono::milliseconds(WaitMs));
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_TRUE(Peer.Done());
}

TEST_F(CommandSessionTest, OverlongLineEndsTheSession) {
  ConnectSession();
  Peer.SendRaw(std::string(70 * 1024, '7') + "\r\n").Send("5.250 200 OK");
  TSRCPCmd msg;
  PrepareGetPower(msg);
  try {
    Client->ReadReply(msg);
    ADD_FAILURE() << "an overlong line was read";
  } catch (const ESocketError& Error) {
    EXPECT_EQ(Error.Kind(), TNetErrorKind::nekLineTooLong);
  }
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record.Events, std::vector<std::string>{"disconnected"});
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
  EXPECT_EQ(Record.Events, std::vector<std::string>{"disconnected"});
}

}  // namespace
}  // namespace tenvarra::test
