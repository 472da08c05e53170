#include <exception>

#include "ClientFixture.h"
#include "platform/IniFile.h"
#include "srcp/PowerGroup.h"

namespace tenvarra::test {
namespace {

class ClientTest : public TClientTest {
protected:
  ClientTest() {
    Queue.OnAsyncError = [this](TMainThreadQueue&, std::exception_ptr) { ++AsyncErrors; };
  }

  // Bus 1 with power, announced and asked for its state, which has words after it.
  TMoBaSRCPPower& PowerBus() {
    ConnectClient();
    Cmd().Expect("GET 1 POWER").Send("3.000 100 INFO 1 POWER OFF AUTO POWER OFF");
    EXPECT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GA GL FB POWER") && Cmd().Done());
    return *Client->Buses(0).Power();
  }

  enum class TEnd { Disconnect, InfoCloses, CmdCloses, CmdClosesInRetry, ByHandler };
  void EndSessions(TEnd How);

  int AsyncErrors = 0;
};

TEST_F(ClientTest, BusesComeFromDescriptionReportsInTheOrderTheyArriveOncePerNumber) {
  ConnectClient();
  ASSERT_TRUE(Push({"2.000 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM",
                    "2.100 100 INFO 3 DESCRIPTION GL", "2.200 100 INFO 3 DESCRIPTION GL",
                    "2.300 100 INFO 2 DESCRIPTION SESSION SM", "2.400 100 INFO 0 DESCRIPTION TIME"}));

  // OnConnected fired at the end of Connect, before any bus.
  EXPECT_EQ(Events, (Strings{"connected, buses 0", "bus 0", "bus 3", "bus 2"}));
  ASSERT_EQ(Client->BusCount(), 3);
  EXPECT_EQ(Client->Buses(1).Bus(), 3);
  EXPECT_EQ(Client->BusByNumber(2), &Client->Buses(2));
  EXPECT_EQ(Client->BusByNumber(1), nullptr);
  EXPECT_THROW(Client->Buses(3), std::out_of_range);
  // Bus 0 has only a time container; groups without one still count.
  const TMoBaSRCPBus& bus0 = Client->Buses(0);
  EXPECT_TRUE(bus0.Time() && !bus0.Power() && !bus0.Locos() && !bus0.Accessoires() &&
              !bus0.Feedbacks());
  EXPECT_FALSE(Client->Buses(2).Empty());
  EXPECT_TRUE(CommandsSent().empty());
}

TEST_F(ClientTest, QueryServerAsksBusByBusUntilOneYieldsNothing) {
  Client->SetQueryServer(true);
  Cmd().Handshake("COMMAND", CmdSession);
  Cmd().Expect("GET 0 DESCRIPTION").Send("2.000 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM");
  Cmd().Expect("GET 1 DESCRIPTION").Send("2.100 100 INFO 1 DESCRIPTION GL FB");
  Cmd().Expect("GET 2 DESCRIPTION").Send("2.200 416 ERROR no data");
  Info().Handshake("INFO", InfoSession);

  Client->Connect();
  EXPECT_TRUE(Cmd().Done() && Info().Done());
  EXPECT_EQ(Events, (Strings{"bus 0", "bus 1", "connected, buses 2"}));
  EXPECT_NE(Client->Buses(1).Feedbacks(), nullptr);
}

TEST_F(ClientTest, AConnectThatFailsLeavesTheClientIdleAndTheNextOneStartsAfresh) {
  Client->SetPort(TScriptedServer().Port());  // nobody listens on a port just given back
  EXPECT_THROW(Client->Connect(), ENetError);
  EXPECT_FALSE(Client->Connected() || Disconnects);

  // A rejected handshake: the connection had been made, so its loss is told.
  Client->SetPort(Server.Port());
  Cmd().Send("srcpd V2.1.3; SRCP 0.7.3").ExpectClosed();
  Client->Connect();
  EXPECT_FALSE(Client->Connected());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread && Events.empty());

  TScriptedConnection& cmd = Server.Connection(1);
  cmd.Handshake("COMMAND", 5);
  Server.Connection(2).Handshake("INFO", 6);
  Client->Connect();
  ASSERT_TRUE(Client->Connected());
  EXPECT_EQ(Client->SessionID(), 5);
  EXPECT_THROW(Client->Connect(), ENetError);  // a second one is refused
  EXPECT_TRUE(Client->Connected());
  cmd.Expect("TERM 0 SESSION 5").Send("9.000 200 OK");
  Client->Disconnect();
  EXPECT_TRUE(cmd.Done());
}

// However the sessions end, both go, once, with no bus left.
void ClientTest::EndSessions(TEnd How) {
  TMoBaSRCPPower& power = PowerBus();
  if (How != TEnd::InfoCloses && How != TEnd::ByHandler) Info().ExpectClosed();
  if (How != TEnd::CmdCloses && How != TEnd::CmdClosesInRetry) ScriptTerm();
  switch (How) {
    case TEnd::Disconnect: Client->Disconnect(); break;
    case TEnd::InfoCloses:
      Info().Close();
      ASSERT_TRUE(Serve([&] { return Disconnects > 0; }));
      break;
    case TEnd::CmdCloses:
      Cmd().Close();
      ASSERT_TRUE(Cmd().Done());
      // The power container is inside its exchange when the loss is noticed.
      EXPECT_THROW(power.SetPower(true), ENetError);
      break;
    case TEnd::CmdClosesInRetry:
      // A refused SET is asked about and repeated; the server goes away in between.
      Cmd().Expect("SET 1 POWER ON").Send("4.000 415 ERROR forbidden").Expect("GET 1 POWER").Close();
      EXPECT_THROW(power.SetPower(true), ENetError);
      // Still whole until the queue has run: the group's repetition has ended.
      EXPECT_FALSE(power.PowerGroup().InRetry());
      break;
    case TEnd::ByHandler:
      Events.clear();
      Client->OnBusPowerChange = [&](TMoBaSRCPClient& Sender, TMoBaSRCPBus&) {
        Events.push_back("power");
        Sender.Disconnect();
      };
      ASSERT_TRUE(Push("4.000 100 INFO 1 POWER ON"));
      EXPECT_EQ(Events, Strings{"power"});
      break;
  }
  EXPECT_TRUE(Cmd().Done() && Info().Done());
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread);
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_FALSE(Client->Connected() || Client->CommandClient().Connected() ||
               Client->InfoClient().Connected());
  // The buses' device groups leave the information session with them.
  EXPECT_TRUE(Serve([&] { return Client->InfoClient().Listeners().empty(); }));
  Queue.RunPending();
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(AsyncErrors, 0);
}
TEST_F(ClientTest, DisconnectEndsBothSessions) { EndSessions(TEnd::Disconnect); }
TEST_F(ClientTest, TheServerClosingTheInformationSessionEndsBoth) {
  EndSessions(TEnd::InfoCloses);
}
TEST_F(ClientTest, TheServerClosingTheCommandSessionEndsBoth) { EndSessions(TEnd::CmdCloses); }
TEST_F(ClientTest, ALossInsideARepeatedCommandLeavesTheDeviceGroupWhole) {
  EndSessions(TEnd::CmdClosesInRetry);
}
TEST_F(ClientTest, AnEventHandlerMayDisconnectTheClient) { EndSessions(TEnd::ByHandler); }

TEST_F(ClientTest, ALossWhileABusIsBeingCreatedLeavesNoBus) {
  ConnectClient();
  Cmd().Expect("GET 1 POWER").Close();  // the power container's first question
  Info().Send("2.000 100 INFO 1 DESCRIPTION GL POWER").ExpectClosed();
  ASSERT_TRUE(Serve([&] { return Disconnects > 0 && AsyncErrors > 0; }));
  EXPECT_EQ(AsyncErrors, 1);  // the lost reply, handed to the main loop
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_TRUE(Serve([&] { return Client->InfoClient().Listeners().empty(); }));
}

TEST_F(ClientTest, PowerReportsWithWordsAfterTheStateAndCommands) {
  TMoBaSRCPPower& power = PowerBus();
  EXPECT_EQ(Events, (Strings{"connected, buses 0", "power 1 (new)", "bus 1"}));
  EXPECT_FALSE(power.PowerOn());
  Events.clear();
  ASSERT_TRUE(Push({"4.000 100 INFO 1 POWER ON ", "4.100 100 INFO 1 POWER OFF AUTO POWER OFF",
                    "4.200 100 INFO 2 POWER ON", "4.300 100 INFO 1 POWER ON"}));
  EXPECT_EQ(Events, (Strings{"power 1 on", "power 1 off", "power 1 on"}));

  Cmd().Expect("SET 1 POWER ON").Send("4.400 200 OK");
  Cmd().Expect("SET 1 POWER OFF").Send("4.500 412 ERROR wrong value");
  EXPECT_TRUE(power.SetPower(true));
  EXPECT_FALSE(power.SetPower(false));
  // The requested state stands until the server says otherwise.
  EXPECT_FALSE(power.PowerOn());
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(ClientTest, AnInitReportSwitchesThePowerOnOnlyWithAutoPowerOnAndWhenItIsOff) {
  struct Case {
    bool Auto;
    const char* Reply;
    Strings Sent, Events;
  };
  const Case cases[] = {
      {true, "5.000 100 INFO 1 POWER OFF", {"GET 1 POWER", "SET 1 POWER ON"},
       {"power 1 off", "config 1"}},
      {true, "5.000 100 INFO 1 POWER ON", {"GET 1 POWER"}, {"power 1 on", "config 1"}},
      {false, nullptr, {}, {"config 1"}},
  };
  TMoBaSRCPPower& power = PowerBus();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Reply ? c.Reply : "no auto power");
    Client->SetAutoPowerOn(c.Auto);
    if (c.Reply) Cmd().Expect("GET 1 POWER").Send(c.Reply);
    if (c.Sent.size() > 1) Cmd().Expect("SET 1 POWER ON").Send("5.100 200 OK");
    CmdLog.clear();
    Events.clear();
    ASSERT_TRUE(Push("4.000 101 INFO 1 POWER"));
    EXPECT_TRUE(Cmd().Done());
    EXPECT_EQ(Events, c.Events);
    EXPECT_EQ(CommandsSent(), c.Sent);
    EXPECT_TRUE(power.PowerOn());
  }
}

TEST_F(ClientTest, TheTimeContainerKeepsAUsableRatioAndTellsEveryTimeReport) {
  TMoBaSRCPTime& time = *Bus(0, "TIME").Time();
  Client->OnTimeInit = [&](TMoBaSRCPClient& Sender) {
    Events.push_back(&Sender == Client.get() ? "init" : "another sender");
  };
  Client->OnTimeChange = [&](TMoBaSRCPClient&) { Events.push_back("change"); };
  Client->OnTimeTerm = [&](TMoBaSRCPClient&) { Events.push_back("term"); };
  const auto ratio = [&] { return time.TimeMultiplicator() * 100 + time.TimeDivisor(); };
  ASSERT_TRUE(Push("3.000 101 INFO 0 TIME 10 3"));
  EXPECT_EQ(ratio(), 1003);
  ASSERT_TRUE(Push({"3.200 101 INFO 0 TIME 0 0", "3.400 101 INFO 5 TIME 7 7"}));  // 5: not its bus
  EXPECT_EQ(ratio(), 101);
  time.SetTimeMultiplicator(0), time.SetTimeDivisor(-4);
  EXPECT_EQ(ratio(), 101);
  ASSERT_TRUE(Push({"3.500 100 INFO 0 TIME 2460000 12 30 15", "3.600 102 INFO 0 TIME"}));
  EXPECT_EQ(Events, (Strings{"init", "init", "change", "term"}));
}

TEST_F(ClientTest, LogDisabledSilencesBothSessions) {
  Client->SetLogEnabled(false);
  ConnectClient();
  Info().Send("2.000 100 INFO 1 DESCRIPTION GL");
  ASSERT_TRUE(Serve([&] { return Client->BusCount() == 1; }));
  EXPECT_TRUE(CmdLog.empty() && InfoLog.empty());
}

// A stalled command handshake is SessionHandshakeTest's; here the command
// session must be ended when the information session's server stalls.
TEST_F(ClientTest, AConnectStalledInTheInformationHandshakeLeavesTheClientIdle) {
  Client->InfoClient().SetHandshakeTimeout(100);
  Cmd().Handshake("COMMAND", CmdSession).Expect("TERM 0 SESSION 1").Send("9.000 200 OK");
  Info().Send("srcpd V2.1.3; SRCP 0.8.2").Expect("SET PROTOCOL SRCP 0.8.2");
  EXPECT_THROW(Client->Connect(), ESRCPClientConnectError);
  EXPECT_TRUE(Cmd().Done() && Info().Done());
  EXPECT_FALSE(Client->Connected() || Client->CommandClient().Connected() ||
               Client->InfoClient().Connected());
  Queue.PollOnce(0);
  EXPECT_LE(Disconnects, 1);
  EXPECT_EQ(Client->BusCount(), 0);
}

// A loco goes as its decoder's step of the decoder's steps; loco 27, whose
// protocol the server never told, on the scale of its report.
TEST_F(ClientTest, EmergencyStopStopsEveryReportedLocoAndReleaseRestoresTheirDirections) {
  Locos();
  ASSERT_TRUE(Push({"2.000 101 INFO 1 GL 24 M 2 14 5", "2.010 101 INFO 1 GL 25 M 2 14 5",
                    "2.020 101 INFO 1 GL 26 M 2 14 5", "2.100 100 INFO 1 GL 24 1 50 100 1 0 0 0 0",
                    "2.110 100 INFO 1 GL 25 0 20 100 0 0 0 0 0", "2.120 100 INFO 1 GL 27 1 64 128 1"}));
  std::string noProtocolFunctions = " 1";  // as many as a loco without protocol may have
  for (int i = 1; i < 255; ++i) noProtocolFunctions += " 0";
  Cmd().Expect("SET 1 GL 24 2 7 14 1 0 0 0 0").Send("3.000 200 OK");
  Cmd().Expect("SET 1 GL 25 2 3 14 0 0 0 0 0").Send("3.010 200 OK");
  Cmd().Expect("SET 1 GL 26 2 0 14 0 0 0 0 0").Send("3.020 200 OK");
  Cmd().Expect("SET 1 GL 27 2 64 128" + noProtocolFunctions).Send("3.030 200 OK");
  Client->SetEmergencyStop(true);
  ASSERT_TRUE(Cmd().Done() && Client->BusByNumber(1)->EmergencyStop());

  // Loco 26 was driven on meanwhile: the release leaves it alone.
  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 26 1 10 100 0 0 0 0 0"));
  Cmd().Expect("SET 1 GL 24 1 7 14 1 0 0 0 0").Send("5.000 200 OK");
  Cmd().Expect("SET 1 GL 25 0 3 14 0 0 0 0 0").Send("5.010 200 OK");
  Cmd().Expect("SET 1 GL 27 1 64 128" + noProtocolFunctions).Send("5.020 200 OK");
  Client->SetEmergencyStop(false);
  EXPECT_TRUE(Cmd().Done() && !Client->BusByNumber(1)->EmergencyStop());
}

class BusSettings : public ClientTest {
protected:
  BusSettings() {
    ProfileDir.Write("layout.mpr",
                     "[Bus1Info]\nTimeMultiplicator=4\nTimeDivisor=0\n"
                     "AccessoireDelayTime=350\nFeedbackInitString=RS\n");
    Profiles.Rescan();
    Profiles.SetCurrentIndex(0);
  }
  TIniFile OnDisk() const { return TIniFile(ProfileDir.File("layout.mpr")); }
};

TEST_F(BusSettings, AnActiveProfileGivesNewContainersTheirSettingsAndTakesThemBack) {
  Client->SetProfileActive(true);
  TMoBaSRCPBus& bus = Bus(1, "GA FB TIME");
  ASSERT_TRUE(Push("2.100 100 INFO 2 DESCRIPTION GL TIME"));
  EXPECT_EQ(bus.Time()->TimeMultiplicator(), 4);
  EXPECT_EQ(bus.Time()->TimeDivisor(), 1);  // 0 is no ratio
  EXPECT_EQ(bus.Accessoires()->AccessoireDelayTime(), 350);
  EXPECT_EQ(bus.Feedbacks()->InitString(), "RS");

  Client->SettingsFile()->WriteInteger("Bus2Info", "TimeMultiplicator", 12);
  Profiles.LoadProfile();
  EXPECT_EQ(Client->Buses(1).Time()->TimeMultiplicator(), 12);
  bus.Time()->SetTimeDivisor(5);
  Profiles.SaveProfile();
  EXPECT_EQ(OnDisk().ReadInteger("Bus1Info", "TimeDivisor", -1), 5);

  bus.Time()->SetTimeMultiplicator(7);
  bus.Accessoires()->SetAccessoireDelayTime(120);
  ScriptTerm();
  Client->Disconnect();
  const TIniFile saved = OnDisk();
  EXPECT_EQ(saved.ReadInteger("Bus1Info", "TimeMultiplicator", -1), 7);
  EXPECT_EQ(saved.ReadInteger("Bus1Info", "AccessoireDelayTime", -1), 120);
  EXPECT_EQ(saved.ReadString("Bus1Info", "FeedbackInitString", ""), "RS");
  EXPECT_EQ(saved.ReadInteger("Bus2Info", "TimeMultiplicator", -1), 12);
}

TEST_F(BusSettings, AnInactiveProfileIsNeitherReadNorWritten) {
  const std::string before = ProfileDir.Read("layout.mpr");
  TMoBaSRCPBus& bus = Bus(1, "GA FB TIME");
  EXPECT_EQ(bus.Time()->TimeMultiplicator(), 1);
  bus.Time()->SetTimeMultiplicator(9);
  Profiles.SaveProfile();
  ScriptTerm();
  Client->Disconnect();
  EXPECT_EQ(ProfileDir.Read("layout.mpr"), before);
}

}  // namespace
}  // namespace tenvarra::test
