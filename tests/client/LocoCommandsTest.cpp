#include <memory>
#include <string>
#include <vector>

#include "LocoFixture.h"
#include "platform/NetErrors.h"

namespace tenvarra::test {
namespace {

using Strings = std::vector<std::string>;

class LocoCommands : public TLocoTest {
protected:
  // "SET 1 GL <address> <mode> <V> <V_max>" and Count function values 0.
  static std::string SetLine(const std::string& Head, int Count) {
    std::string line = "SET 1 GL " + Head;
    for (int i = 0; i < Count; ++i) line += " 0";
    return line;
  }
};

TEST_F(LocoCommands, InitLocoRegistersTheProtocolThenDrives) {
  TMoBaSRCPLocos& locos = Bus1();
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 7);
  loco->SetFunctionState(0, true);
  Cmd().Expect("INIT 1 GL 24 M 2 14 5").Send("3.000 200 OK");
  Cmd().Expect("SET 1 GL 24 1 50 100 1 0 0 0 0").Send("3.100 200 OK");

  EXPECT_TRUE(locos.InitLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
  // Only reports change the records.
  EXPECT_EQ(locos.Count(), 0);
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(locos.LocoClient().DeviceState(), sdsInitialized);
}

TEST_F(LocoCommands, ALocoWithoutProtocolGoesOutWithTheLimitsOfNone) {
  TMoBaSRCPLocos& locos = Bus1();
  TMoBaAdvancedLoco loco;
  loco.SetAddress(24);
  Cmd().Expect("INIT 1 GL 24 2147483647 255").Send("3.000 200 OK");
  Cmd().Expect(SetLine("24 1 0 100", 255)).Send("3.100 200 OK");
  EXPECT_TRUE(locos.InitLoco(loco));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(LocoCommands, AFailedInitStillSendsTheSetWhoseReplyIsTheResult) {
  TMoBaSRCPLocos& locos = Bus1();
  auto loco = MakeLoco("NMRA 1", 3, mdmBackwards, 14);
  Cmd().Expect("INIT 1 GL 3 N 2 28 5").Send("3.000 412 ERROR wrong value");
  Cmd().Expect("SET 1 GL 3 0 50 100 0 0 0 0 0").Send("3.100 412 ERROR wrong value");
  EXPECT_FALSE(locos.InitLoco(*loco));
  EXPECT_EQ(locos.LocoClient().DeviceState(), sdsTerminated);
  Cmd().Expect("SET 1 GL 3 0 50 100 0 0 0 0 0").Send("3.200 200 OK");
  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(LocoCommands, ChangeFlipsEverySetAndAReportSetsTheStartingPoint) {
  TMoBaSRCPLocos& locos = Bus1();
  auto loco = MakeLoco("Motorola 2", 24, mdmChange, 0);
  // A fresh group stands at forward, so the first change goes backward.
  Cmd().Expect(SetLine("24 0 0 100", 5)).Send("3.000 200 OK");
  Cmd().Expect(SetLine("24 1 0 100", 5)).Send("3.100 200 OK");
  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(locos.SetLoco(*loco));
  ASSERT_TRUE(Cmd().Done());

  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 24 0 0 100 0 0 0 0 0"));
  Cmd().Expect(SetLine("24 1 0 100", 5)).Send("4.100 200 OK");
  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(LocoCommands, FunctionsAboveTheLocosCountKeepTheGroupsLastValues) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("2.000 100 INFO 1 GL 30 1 0 100 1 1 1 1 1"));
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 0);
  loco->SetFunctionCount(2);
  loco->SetFunctionState(1, true);
  Cmd().Expect("SET 1 GL 24 1 0 100 0 1 1 1 1").Send("3.000 200 OK");
  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(LocoCommands, AForbiddenSetIsRepeatedWithWhatTheCallerAskedFor) {
  TMoBaSRCPLocos& locos = Bus1();
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 7);
  const std::string set = "SET 1 GL 24 1 50 100 0 0 0 0 0";
  Cmd().Expect(set).Send("3.000 415 ERROR forbidden");
  // The server still has the loco standing backward.
  Cmd().Expect("GET 1 GL 24").Send("3.100 100 INFO 1 GL 24 0 0 100 0 0 0 0 0");
  Cmd().Expect(set).Send("3.200 200 OK");

  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
  // The GET's reply is a report like any other, and the repeat keeps the
  // loco's protocol: the record has the caller's.
  EXPECT_EQ(Events, (Strings{"change 24 uninitialized [none] Backwards V 0/100 F 00000"}));
}

TEST_F(LocoCommands, AReinitializedLocoIsAskedForAndThenDrivenAsAsked) {
  TMoBaSRCPLocos& locos = Bus1();
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 14);
  Cmd().Expect("INIT 1 GL 24 M 2 14 5").Send("3.000 424 ERROR device reinitialized");
  Cmd().Expect("GET 1 GL 24").Send("3.100 100 INFO 1 GL 24 0 20 100 0 1 0 0 0");
  Cmd().Expect("SET 1 GL 24 1 100 100 0 0 0 0 0").Send("3.200 200 OK");

  EXPECT_TRUE(locos.InitLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
  EXPECT_EQ(locos.LocoClient().DeviceState(), sdsActiv);
  ASSERT_EQ(Events.size(), 1u);
  EXPECT_EQ(Events[0].substr(0, 9), "change 24");
}

TEST_F(LocoCommands, EmergencyStopStopsEveryReportedLocoAndReleaseRestoresItsDirection) {
  Bus1();
  for (const char* line : {"2.000 101 INFO 1 GL 24 M 2 14 5", "2.010 101 INFO 1 GL 25 M 2 14 5",
                           "2.020 101 INFO 1 GL 26 M 2 14 5",
                           "2.100 100 INFO 1 GL 24 1 50 100 1 0 0 0 0",
                           "2.110 100 INFO 1 GL 25 0 20 100 0 0 0 0 0"})
    ASSERT_TRUE(Push(line));

  Cmd().Expect("SET 1 GL 24 2 50 100 1 0 0 0 0").Send("3.000 200 OK");
  Cmd().Expect("SET 1 GL 25 2 21 100 0 0 0 0 0").Send("3.010 200 OK");
  Cmd().Expect("SET 1 GL 26 2 0 100 0 0 0 0 0").Send("3.020 200 OK");
  Client->SetEmergencyStop(true);
  ASSERT_TRUE(Cmd().Done());
  EXPECT_TRUE(Client->BusByNumber(1)->EmergencyStop());

  // Loco 26 was driven on meanwhile: the release leaves it alone.
  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 26 1 10 100 0 0 0 0 0"));
  Cmd().Expect("SET 1 GL 24 1 50 100 1 0 0 0 0").Send("5.000 200 OK");
  Cmd().Expect("SET 1 GL 25 0 21 100 0 0 0 0 0").Send("5.010 200 OK");
  Client->SetEmergencyStop(false);
  EXPECT_TRUE(Cmd().Done());
  EXPECT_FALSE(Client->BusByNumber(1)->EmergencyStop());
}

TEST_F(LocoCommands, ALostCommandConnectionEndsTheSetWithAnErrorAndTheBuses) {
  TMoBaSRCPLocos& locos = Bus1();
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 7);
  Cmd().Expect("SET 1 GL 24 1 50 100 0 0 0 0 0").Close();
  EXPECT_THROW(locos.SetLoco(*loco), ENetError);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_TRUE(DisconnectOnMainThread);
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_FALSE(Client->Connected());
  // The retired bus goes once the queue runs; its container must not be
  // touched after that.
  Queue.RunPending();
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(LocoCommands, AnEventHandlerMayDisconnectWhileItsContainerIsReporting) {
  Bus1();
  OnEvent = [this](TMoBaSRCPLoco& Record) {
    ScriptTerm();
    Client->Disconnect();
    // The record outlives the disconnect for the rest of the handler.
    EXPECT_EQ(Record.Address(), 24);
  };
  ASSERT_TRUE(Push("2.000 100 INFO 1 GL 24 1 50 100 1"));
  EXPECT_TRUE(Serve([this] { return !Client->InfoClient().Reading(); }));
  Queue.RunPending();
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Events.size(), 1u);
}

}  // namespace
}  // namespace tenvarra::test
