#include <exception>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Power.h"
#include "srcp/PowerGroup.h"

namespace tenvarra::test {
namespace {

class ClientDisconnect : public TClientTest {
protected:
  ClientDisconnect() {
    Queue.OnAsyncError = [this](TMainThreadQueue&, std::exception_ptr) { ++AsyncErrors; };
  }

  // Connects and lets the server announce bus 1 with its power.
  void ConnectWithPowerBus() {
    ConnectClient();
    Cmd().Expect("GET 1 POWER").Send("3.000 100 INFO 1 POWER OFF");
    ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GL POWER"));
    ASSERT_TRUE(Cmd().Done());
    ASSERT_EQ(Client->BusCount(), 1);
    ASSERT_NE(Client->Buses(0).Power(), nullptr);
  }

  // Serves the queue until the buses taken out of the list are gone too:
  // their device groups have left the information session.
  bool BusObjectsGone() {
    return Serve([&] { return Client->InfoClient().Listeners().empty(); });
  }

  int AsyncErrors = 0;
};

TEST_F(ClientDisconnect, OnAnIdleClientDoesNothing) {
  Client->Disconnect();
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Disconnects, 0);
  EXPECT_TRUE(CmdLog.empty());
  // An emergency stop without buses has nothing to do either.
  Client->SetEmergencyStop(true);
  EXPECT_TRUE(CmdLog.empty());
}

TEST_F(ClientDisconnect, DisconnectEndsBothSessionsFiresOnceAndDropsEveryBus) {
  ConnectWithPowerBus();
  ASSERT_TRUE(Push("2.100 100 INFO 0 DESCRIPTION TIME"));
  ScriptTerm();
  Info().ExpectClosed();

  Client->Disconnect();

  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Info().Done());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread);
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_TRUE(Client->InfoClient().Listeners().empty());
  EXPECT_FALSE(Client->CommandClient().Connected());
  EXPECT_FALSE(Client->InfoClient().Connected());
}

TEST_F(ClientDisconnect, TheServerClosingTheInformationSessionEndsTheCommandSessionToo) {
  ConnectWithPowerBus();
  ScriptTerm();
  Info().Close();

  ASSERT_TRUE(Serve([&] { return Disconnects > 0 && Client->BusCount() == 0; }));

  EXPECT_TRUE(Cmd().Done());  // TERM SESSION came
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread);
  EXPECT_FALSE(Client->Connected());
  EXPECT_FALSE(Client->CommandClient().Connected());
  EXPECT_TRUE(BusObjectsGone());
  // Nothing more is reported later.
  Queue.RunPending();
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(AsyncErrors, 0);
}

TEST_F(ClientDisconnect, TheServerClosingTheCommandSessionEndsTheNextCommand) {
  ConnectWithPowerBus();
  Info().ExpectClosed();
  Cmd().Close();
  ASSERT_TRUE(Cmd().Done());
  TMoBaSRCPPower& power = *Client->Buses(0).Power();

  // The power container is still running when the loss is noticed; it must
  // outlive its own exchange.
  EXPECT_THROW(power.SetPower(true), ENetError);

  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread);
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_FALSE(Client->Connected());
  EXPECT_FALSE(Client->InfoClient().Connected());
  EXPECT_TRUE(Info().Done());
  EXPECT_TRUE(BusObjectsGone());
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(ClientDisconnect, ALossInsideARepeatedCommandLeavesTheDeviceGroupWhole) {
  ConnectWithPowerBus();
  Info().ExpectClosed();
  // A refused SET is asked about and repeated; the server goes away in between.
  Cmd().Expect("SET 1 POWER ON").Send("4.000 415 ERROR forbidden").Expect("GET 1 POWER").Close();
  TMoBaSRCPPower& power = *Client->Buses(0).Power();

  EXPECT_THROW(power.SetPower(true), ENetError);

  EXPECT_TRUE(Cmd().Done());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Client->BusCount(), 0);
  // Still whole until the queue has run: the group's repetition has ended.
  EXPECT_FALSE(power.PowerGroup().InRetry());
  EXPECT_TRUE(BusObjectsGone());
  EXPECT_TRUE(Info().Done());
}

TEST_F(ClientDisconnect, ALossWhileABusIsBeingCreatedLeavesNoBus) {
  ConnectClient();
  // The power container's first question gets no answer.
  Cmd().Expect("GET 1 POWER").Close();
  Info().Send("2.000 100 INFO 1 DESCRIPTION GL POWER").ExpectClosed();

  ASSERT_TRUE(Serve([&] { return Disconnects > 0 && AsyncErrors > 0; }));

  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(AsyncErrors, 1);  // the lost reply, handed to the main loop
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_FALSE(Client->Connected());
  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Info().Done());
  EXPECT_TRUE(BusObjectsGone());
}

TEST_F(ClientDisconnect, AnEventHandlerMayDisconnectTheClient) {
  ConnectWithPowerBus();
  int changes = 0;
  Client->OnBusPowerChange = [&](TMoBaSRCPClient& Sender, TMoBaSRCPBus& Bus) {
    ++changes;
    EXPECT_EQ(Bus.Bus(), 1);
    Sender.Disconnect();
  };
  ScriptTerm();

  ASSERT_TRUE(Push("4.000 100 INFO 1 POWER ON"));

  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_FALSE(Client->Connected());
  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(BusObjectsGone());
  EXPECT_EQ(AsyncErrors, 0);
}

TEST_F(ClientDisconnect, TheClientCanConnectAgainAfterALoss) {
  ConnectWithPowerBus();
  ScriptTerm();
  Info().Close();
  ASSERT_TRUE(Serve([&] { return Disconnects > 0; }));
  ASSERT_TRUE(Cmd().Done());

  TScriptedConnection& cmd = Server.Connection(2);
  TScriptedConnection& info = Server.Connection(3);
  cmd.Handshake("COMMAND", 5);
  info.Handshake("INFO", 6);
  Client->Connect();
  ASSERT_TRUE(Client->Connected());
  EXPECT_EQ(Client->SessionID(), 5);
  cmd.Expect("GET 1 POWER").Send("5.000 100 INFO 1 POWER ON");
  info.Send("4.000 100 INFO 1 DESCRIPTION POWER");
  ASSERT_TRUE(Serve([&] { return Client->BusCount() == 1; }));
  EXPECT_TRUE(Client->Buses(0).Power()->PowerOn());
  cmd.Expect("TERM 0 SESSION 5").Send("9.000 200 OK");
  Client->Disconnect();
  EXPECT_TRUE(cmd.Done());
  EXPECT_EQ(Disconnects, 2);
}

TEST_F(ClientDisconnect, DestroyingAConnectedClientEndsTheSessionSilently) {
  ConnectWithPowerBus();
  ScriptTerm();
  Info().ExpectClosed();
  Client.reset();
  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Info().Done());
  EXPECT_EQ(Disconnects, 0);
}

}  // namespace
}  // namespace tenvarra::test
