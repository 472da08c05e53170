#include <stdexcept>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Power.h"
#include "client/Time.h"

namespace tenvarra::test {
namespace {

class ClientConnect : public TClientTest {
protected:
  ClientConnect() {
    Client->OnConnected = [this](TMoBaSRCPClient& Sender) {
      Events.push_back("connected, buses " + std::to_string(Sender.BusCount()));
    };
    Client->OnBusInit = [this](TMoBaSRCPClient&, TMoBaSRCPBus& Bus) {
      Events.push_back("bus " + std::to_string(Bus.Bus()));
    };
  }

  std::vector<std::string> Events;
};

TEST_F(ClientConnect, BusesComeFromDescriptionReportsInTheOrderTheyArrive) {
  ConnectClient();
  EXPECT_EQ(Client->SessionID(), CmdSession);
  EXPECT_EQ(Client->InfoSessionID(), InfoSession);
  EXPECT_EQ(Client->Welcome(), "srcpd V2.1.3; SRCP 0.8.2");

  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM"));
  ASSERT_TRUE(Push("2.100 100 INFO 1 DESCRIPTION GL"));
  ASSERT_TRUE(Push("2.200 100 INFO 3 DESCRIPTION GL"));
  // Below the list's length: taken as known.
  ASSERT_TRUE(Push("2.300 100 INFO 2 DESCRIPTION GL"));
  ASSERT_TRUE(Push("2.400 100 INFO 1 DESCRIPTION GL"));

  EXPECT_EQ(Events,
            (std::vector<std::string>{"connected, buses 0", "bus 0", "bus 1", "bus 3"}));
  ASSERT_EQ(Client->BusCount(), 3);
  EXPECT_EQ(Client->Buses(0).Bus(), 0);
  EXPECT_EQ(Client->Buses(1).Bus(), 1);
  EXPECT_EQ(Client->Buses(2).Bus(), 3);
  EXPECT_EQ(Client->BusByNumber(3), &Client->Buses(2));
  EXPECT_EQ(Client->BusByNumber(2), nullptr);
  EXPECT_THROW(Client->Buses(3), std::out_of_range);
  EXPECT_THROW(Client->Buses(-1), std::out_of_range);
}

TEST_F(ClientConnect, AKnownBusNumberReportedAgainOutOfOrderMakesNoSecondBus) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.100 100 INFO 3 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.200 100 INFO 3 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.300 100 INFO 2 DESCRIPTION TIME"));

  EXPECT_EQ(Events, (std::vector<std::string>{"connected, buses 0", "bus 0", "bus 3", "bus 2"}));
  ASSERT_EQ(Client->BusCount(), 3);
  EXPECT_EQ(Client->BusByNumber(2), &Client->Buses(2));
}

TEST_F(ClientConnect, QueryServerAsksBusByBusUntilOneYieldsNothing) {
  Client->SetQueryServer(true);
  Cmd().Handshake("COMMAND", CmdSession);
  Cmd().Expect("GET 0 DESCRIPTION").Send("2.000 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM");
  Cmd().Expect("GET 1 DESCRIPTION").Send("2.100 100 INFO 1 DESCRIPTION GL FB");
  Cmd().Expect("GET 2 DESCRIPTION").Send("2.200 416 ERROR no data");
  Info().Handshake("INFO", InfoSession);

  Client->Connect();

  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Info().Done());
  EXPECT_EQ(Events, (std::vector<std::string>{"bus 0", "bus 1", "connected, buses 2"}));
  ASSERT_EQ(Client->BusCount(), 2);
  EXPECT_NE(Client->Buses(0).Time(), nullptr);
  EXPECT_NE(Client->Buses(1).Locos(), nullptr);
  EXPECT_NE(Client->Buses(1).Feedbacks(), nullptr);
  EXPECT_EQ(Disconnects, 0);
}

TEST_F(ClientConnect, OnConnectedFiresAtTheEndOfASuccessfulConnectOnly) {
  ConnectClient();
  EXPECT_EQ(Events, std::vector<std::string>{"connected, buses 0"});
  EXPECT_TRUE(Client->CommandClient().Connected());
  EXPECT_TRUE(Client->InfoClient().Connected());
}

TEST_F(ClientConnect, ARejectedHandshakeReturnsWithTheClientIdleAndOneDisconnect) {
  Cmd().Send("srcpd V2.1.3; SRCP 0.7.3").ExpectClosed();
  Client->Connect();
  EXPECT_TRUE(Cmd().Done());
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread);
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_TRUE(Events.empty());
  EXPECT_FALSE(Info().WaitAccepted(0));
}

TEST_F(ClientConnect, ARefusedConnectRaisesAndLeavesTheClientIdle) {
  // Nobody listens on a port that was just given back.
  int port = 0;
  {
    TScriptedServer gone;
    port = gone.Port();
  }
  Client->SetPort(port);
  EXPECT_THROW(Client->Connect(), ENetError);
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Disconnects, 0);
  EXPECT_TRUE(Events.empty());
  // The next Connect starts afresh.
  Client->SetPort(Server.Port());
  ConnectClient();
}

TEST_F(ClientConnect, AServerThatStallsInTheHandshakeRaisesAndLeavesTheClientIdle) {
  Client->CommandClient().SetReplyTimeout(200);
  Cmd().Send("srcpd V2.1.3; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2");
  EXPECT_THROW(Client->Connect(), ESRCPClientConnectError);
  EXPECT_TRUE(Cmd().Done());
  EXPECT_FALSE(Client->Connected());
  EXPECT_FALSE(Client->CommandClient().Connected());
  // The connection had been made, so its loss is reported.
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(Events.empty());
}

TEST_F(ClientConnect, AServerThatClosesInTheHandshakeLeavesTheClientIdle) {
  Cmd().Send("srcpd V2.1.3; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2").Close();
  Client->Connect();
  EXPECT_TRUE(Cmd().Done());
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(Events.empty());
}

TEST_F(ClientConnect, AnInformationSessionThatDoesNotComeUpDisconnectsTheClient) {
  Cmd().Handshake("COMMAND", CmdSession);
  ScriptTerm();
  Info().Send("srcpd V2.1.3; SRCP 0.7.3").ExpectClosed();
  Client->Connect();
  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Info().Done());
  EXPECT_FALSE(Client->Connected());
  EXPECT_FALSE(Client->CommandClient().Connected());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(Events.empty());
}

TEST_F(ClientConnect, ASecondConnectIsRefusedAndKeepsTheConnection) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION TIME"));
  EXPECT_THROW(Client->Connect(), ENetError);
  EXPECT_TRUE(Client->Connected());
  EXPECT_TRUE(Client->CommandClient().Connected());
  EXPECT_EQ(Client->BusCount(), 1);
  EXPECT_EQ(Disconnects, 0);
}

TEST_F(ClientConnect, PropertiesReachBothSessions) {
  Client->SetHost("railway.local");
  EXPECT_EQ(Client->InfoClient().Host(), "railway.local");
  EXPECT_EQ(Client->Host(), "railway.local");
  Client->SetPort(4303);
  EXPECT_EQ(Client->InfoClient().Port(), 4303);
  EXPECT_EQ(Client->Port(), 4303);
  Client->SetLogEnabled(false);
  EXPECT_FALSE(Client->InfoClient().LogEnabled());
  EXPECT_FALSE(Client->LogEnabled());
  EXPECT_EQ(Client->SessionID(), -1);
  EXPECT_EQ(Client->InfoSessionID(), -1);
  EXPECT_EQ(Client->Welcome(), "");
}

TEST_F(ClientConnect, WithLoggingOffNeitherSessionLogs) {
  Client->SetLogEnabled(false);
  ConnectClient();
  Info().Send("2.000 100 INFO 0 DESCRIPTION TIME");
  ASSERT_TRUE(Serve([&] { return Client->BusCount() == 1; }));
  EXPECT_TRUE(CmdLog.empty());
  EXPECT_TRUE(InfoLog.empty());
}

TEST_F(ClientConnect, WhileDesignedConnectedOnlyStoresTheFlag) {
  Client->SetDesigning(true);
  Client->SetConnected(true);
  EXPECT_TRUE(Client->Connected());
  EXPECT_FALSE(Client->CommandClient().Connected());
  Client->SetConnected(false);
  EXPECT_FALSE(Client->Connected());
  EXPECT_FALSE(Cmd().WaitAccepted(0));
}

}  // namespace
}  // namespace tenvarra::test
