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
    Record.Events.clear();
  }

  std::unique_ptr<TSRCPCommandClient> Client = std::make_unique<TSRCPCommandClient>(Queue);
  TSessionRecorder Record{*Client};
  TScriptedConnection& Peer = Server.Connection(0);
  // The kind of the socket error the next read raises.
  TNetErrorKind ReadFailure() { return ErrorOf<ESocketError>([&] { Client->ReadReply(Msg); }).value().Kind(); }

  TSRCPCmd Msg;  // GET 1 POWER
};

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
  EXPECT_EQ(Record.Events, (std::vector<std::string>{"Snd: GET 1 POWER", "Rec: 5.250 100 INFO 1 POWER ON",
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
  EXPECT_FALSE(Record.ConnectedWhenReported);
  EXPECT_EQ(Record.Events, (std::vector<std::string>{"Snd: TERM 0 SESSION 12", "disconnected"}));
  Client->Disconnect();  // nothing left to end
  EXPECT_EQ(Record.Disconnects, 1);
}

TEST_F(CommandSessionTest, StalledServerOrOverlongLineFailsTheRead) {
  ConnectSession();
  Client->SetReplyTimeout(200);
  Peer.Expect("GET 1 POWER");
  Client->SendCommand(Msg);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadFailure(), TNetErrorKind::nekTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record.Disconnects, 1);
  EXPECT_TRUE(Peer.Done());

  Server.Connection(1).Handshake("COMMAND", 13).SendRaw(std::string(70 * 1024, '7') + "\r\n").Send("5.250 200 OK");
  Client->Connect();
  EXPECT_EQ(ReadFailure(), TNetErrorKind::nekLineTooLong);
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Record.Disconnects, 2);
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
