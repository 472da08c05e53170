#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Accessoires.h"
#include "devices/Catalogue.h"
#include "platform/NetErrors.h"

namespace tenvarra::test {
namespace {

const char* StateName(TMoBaSRCPState State) {
  switch (State) {
    case mssInitialized: return "initialized";
    case mssActivNoRead: return "activ";
    case mssUninitilized: return "uninitialized";
    case mssTerminated: return "terminated";
  }
  return "?";
}

// Bus 1 offers accessories; every accessory event is written down with what
// the record held when it fired.
class Accessoires : public TClientTest {
protected:
  Accessoires() {
    // Records point into the catalogue; earlier tests may have appended to it.
    FillDefaultSolenoidProtocols(MoBaSolenoidProtocols());
    auto note = [this](const char* What) {
      return [this, What](TMoBaSRCPClient& Sender, TMoBaSRCPSolenoid& Record) {
        EXPECT_EQ(&Sender, Client.get());
        Events.push_back(std::string(What) + " " + Describe(Record));
        if (OnEvent) OnEvent(Record);
      };
    };
    Client->OnAccessoireInit = note("init");
    Client->OnAccessoireTerm = note("term");
    Client->OnAccessoireChange = note("change");
    Client->OnAccessoireLock = note("lock");
    Client->OnAccessoireUnlock = note("unlock");
  }

  static std::string Describe(const TMoBaSRCPSolenoid& Record) {
    return std::to_string(Record.Address()) + " bus " + std::to_string(Record.Bus()) + " ports " +
           std::to_string(Record.PortValue(0)) + "," + std::to_string(Record.PortValue(1)) +
           " active " + std::to_string(Record.ActivePort()) + " " + StateName(Record.SRCPState());
  }

  // Connects and lets the server describe bus 1 with accessories only.
  TMoBaSRCPAccessoires& Bus1() {
    ConnectClient();
    EXPECT_TRUE(Push("1.000 100 INFO 1 DESCRIPTION GA"));
    TMoBaSRCPBus* bus = Client->BusByNumber(1);
    if (!bus || !bus->Accessoires()) throw std::logic_error("bus 1 has no accessories");
    return *bus->Accessoires();
  }

  static TMoBaSolenoidProtocol& Motorola() { return *MoBaSolenoidProtocols().Items(0); }

  // A Motorola solenoid whose port Port is set to 1.
  static std::unique_ptr<TMoBaAdvancedSolenoid> Switched(int32_t Address, int32_t Port,
                                                         uint32_t Time) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(&Motorola());
    solenoid->SetAddress(Address);
    solenoid->SetActivationTime(Time);
    solenoid->SetPortValue(Port, 1);
    return solenoid;
  }

  std::vector<std::string> Events;
  std::function<void(TMoBaSRCPSolenoid&)> OnEvent;
};

TEST_F(Accessoires, InitSolenoidSendsDelayAndTheFirstReportTakesThePendingActivationTime) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  const auto switched = Switched(12, 1, 250);
  const TMoBaAdvancedSolenoid& solenoid = *switched;

  Cmd().Expect("INIT 1 GA 12 M").Send("2.000 200 OK");
  Cmd().Expect("SET 1 GA 12 1 1 250").Send("2.010 200 OK");
  EXPECT_TRUE(accessoires.InitSolenoid(solenoid));
  ASSERT_TRUE(Cmd().Done());
  // Records follow the server's reports only.
  EXPECT_EQ(accessoires.Count(), 0);
  ASSERT_EQ(accessoires.PendingCount(), 1);
  EXPECT_EQ(accessoires.Pending(0).Bus(), 1);
  EXPECT_EQ(accessoires.Pending(0).ActivationTime(), 250u);

  ASSERT_TRUE(Push("2.020 100 INFO 1 GA 12 1 1"));
  ASSERT_EQ(accessoires.Count(), 1);
  TMoBaSRCPSolenoid& record = accessoires.Items(0);
  EXPECT_EQ(record.ActivationTime(), 250u);
  EXPECT_EQ(record.Protocol(), nullptr);
  EXPECT_EQ(accessoires.PendingCount(), 0);
  EXPECT_EQ(Events, (std::vector<std::string>{"change 12 bus 1 ports 0,1 active 1 uninitialized"}));

  // The server switches the port off after the delay and says so.
  ASSERT_TRUE(Push("2.270 100 INFO 1 GA 12 1 0"));
  EXPECT_EQ(Events.back(), "change 12 bus 1 ports 0,0 active 1 uninitialized");
  EXPECT_EQ(Events.size(), 2u);
  EXPECT_EQ(record.ActivationTime(), 250u);
  EXPECT_EQ(accessoires.FindSolenoid(12), &record);
  EXPECT_EQ(accessoires.FindSolenoid(13), nullptr);
}

TEST_F(Accessoires, EachReportTakesOverTheOldestPendingCopyOfItsAddress) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  Cmd().Expect("INIT 1 GA 12 M").Send("2.000 200 OK").Expect("SET 1 GA 12 1 1 300").Send(
      "2.010 200 OK");
  Cmd().Expect("INIT 1 GA 40 M").Send("2.000 200 OK").Expect("SET 1 GA 40 0 1 100").Send(
      "2.010 200 OK");
  Cmd().Expect("INIT 1 GA 12 M").Send("2.000 200 OK").Expect("SET 1 GA 12 0 1 400").Send(
      "2.010 200 OK");
  ASSERT_TRUE(accessoires.InitSolenoid(*Switched(12, 1, 300)));
  ASSERT_TRUE(accessoires.InitSolenoid(*Switched(40, 0, 100)));
  ASSERT_TRUE(accessoires.InitSolenoid(*Switched(12, 0, 400)));
  ASSERT_EQ(accessoires.PendingCount(), 3);

  ASSERT_TRUE(Push("2.100 100 INFO 1 GA 12 1 1"));
  EXPECT_EQ(accessoires.FindSolenoid(12)->ActivationTime(), 300u);
  ASSERT_EQ(accessoires.PendingCount(), 2);
  EXPECT_EQ(accessoires.Pending(0).Address(), 40);

  ASSERT_TRUE(Push("2.200 100 INFO 1 GA 12 0 1"));
  EXPECT_EQ(accessoires.FindSolenoid(12)->ActivationTime(), 400u);
  ASSERT_EQ(accessoires.PendingCount(), 1);
  EXPECT_EQ(accessoires.Pending(0).Address(), 40);
  EXPECT_THROW(accessoires.Pending(1), std::out_of_range);
}

TEST_F(Accessoires, SetSolenoidSendsOnlySetAndAFailedSetLeavesNoPendingCopy) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  Cmd().Expect("SET 1 GA 7 0 1 200").Send("2.000 200 OK");
  EXPECT_TRUE(accessoires.SetSolenoid(*Switched(7, 0, 200)));

  // A refused INIT does not stop the SET; a refused SET is the result.
  Cmd().Expect("INIT 1 GA 8 M").Send("2.100 412 ERROR wrong value");
  Cmd().Expect("SET 1 GA 8 0 1 200").Send("2.110 412 ERROR wrong value");
  EXPECT_FALSE(accessoires.InitSolenoid(*Switched(8, 0, 200)));
  ASSERT_TRUE(Cmd().Done());
  EXPECT_EQ(accessoires.PendingCount(), 0);
  EXPECT_EQ(accessoires.Count(), 0);
  EXPECT_TRUE(Events.empty());
}

TEST_F(Accessoires, InitCarriesALetterOnlyForMotorolaNmraAndTheServersChoice) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  TMoBaSolenoidProtocol custom;  // family C: the server chooses
  TMoBaSolenoidProtocol zimo;
  zimo.Base = 7;
  TMoBaAdvancedSolenoid solenoid;
  solenoid.SetAddress(5);

  Cmd().Expect("INIT 1 GA 5").Send("2.000 200 OK").Expect("SET 1 GA 5 0 0 200").Send(
      "2.010 200 OK");
  EXPECT_TRUE(accessoires.InitSolenoid(solenoid));
  solenoid.SetProtocol(&zimo);
  Cmd().Expect("INIT 1 GA 5").Send("2.000 200 OK").Expect("SET 1 GA 5 0 0 200").Send(
      "2.010 200 OK");
  EXPECT_TRUE(accessoires.InitSolenoid(solenoid));
  solenoid.SetProtocol(&custom);
  Cmd().Expect("INIT 1 GA 5 P").Send("2.000 200 OK").Expect("SET 1 GA 5 0 0 200").Send(
      "2.010 200 OK");
  EXPECT_TRUE(accessoires.InitSolenoid(solenoid));
  solenoid.SetProtocol(MoBaSolenoidProtocols().Items(1));
  Cmd().Expect("INIT 1 GA 5 N").Send("2.000 200 OK").Expect("SET 1 GA 5 0 0 200").Send(
      "2.010 200 OK");
  EXPECT_TRUE(accessoires.InitSolenoid(solenoid));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(Accessoires, TheCallersTimerIsNeverStartedByTheContainer) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  const auto switched = Switched(12, 0, 200);
  TMoBaAdvancedSolenoid& solenoid = *switched;
  int activations = 0;
  solenoid.OnActivation = [&](TMoBaBaseSolenoid&, uint32_t, const std::function<void()>&) {
    ++activations;
  };
  Cmd().Expect("INIT 1 GA 12 M").Send("2.000 200 OK").Expect("SET 1 GA 12 0 1 200").Send(
      "2.010 200 OK");
  ASSERT_TRUE(accessoires.InitSolenoid(solenoid));
  ASSERT_TRUE(Push("2.020 100 INFO 1 GA 12 0 1"));

  EXPECT_EQ(activations, 0);
  EXPECT_FALSE(accessoires.AccessoireClient().Solenoid().OnActivation);
  EXPECT_FALSE(accessoires.Items(0).OnActivation);
}

TEST_F(Accessoires, AnOlderReportNeverOverwritesANewerOneForItsPort) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  ASSERT_TRUE(Push("5.000 100 INFO 1 GA 7 0 1"));
  ASSERT_TRUE(Push("4.000 100 INFO 1 GA 7 0 0"));
  TMoBaSRCPSolenoid& record = *accessoires.FindSolenoid(7);
  EXPECT_EQ(record.PortValue(0), 1);
  EXPECT_EQ(record.PortTimeStamp(0), 5.0);

  // Port 1 is newer than anything port 0 has seen, so it stays the active
  // port when port 0 catches up with a report older than port 1's.
  ASSERT_TRUE(Push("6.000 100 INFO 1 GA 7 1 1"));
  ASSERT_TRUE(Push("5.500 100 INFO 1 GA 7 0 0"));
  EXPECT_EQ(record.PortValue(0), 0);
  EXPECT_EQ(record.PortValue(1), 1);
  EXPECT_EQ(record.ActivePort(), 1);
  EXPECT_EQ(record.PortTimeStamps(), (std::vector<double>{5.5, 6.0}));

  // Every report is told, applied or not.
  EXPECT_EQ(Events, (std::vector<std::string>{
                        "change 7 bus 1 ports 1,0 active 0 uninitialized",
                        "change 7 bus 1 ports 1,0 active 0 uninitialized",
                        "change 7 bus 1 ports 1,1 active 1 uninitialized",
                        "change 7 bus 1 ports 0,1 active 1 uninitialized",
                    }));
}

TEST_F(Accessoires, ReportsForAPortTheSolenoidLacksLeaveThePortsAlone) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  ASSERT_TRUE(Push("5.000 100 INFO 1 GA 7 1 1"));
  ASSERT_TRUE(Push("4.000 100 INFO 1 GA 7 1 0"));  // older: the record keeps 1
  ASSERT_TRUE(Push("5.100 100 INFO 1 GA 7 9 0"));
  EXPECT_EQ(Events.back(), "change 7 bus 1 ports 0,1 active 1 uninitialized");
  EXPECT_EQ(Events.size(), 3u);
  EXPECT_EQ(accessoires.FindSolenoid(7)->PortTimeStamps(), (std::vector<double>{0.0, 5.0}));
}

TEST_F(Accessoires, InitReportsSetTheProtocolAndThePortTimeStampsFollowItsPorts) {
  // A custom protocol with four ports, the server's choice P.
  auto fourPorts = std::make_unique<TMoBaSolenoidProtocol>();
  fourPorts->MaxPort = 3;
  TMoBaSolenoidProtocol* custom = fourPorts.get();
  MoBaSolenoidProtocols().Add(std::move(fourPorts));

  TMoBaSRCPAccessoires& accessoires = Bus1();
  accessoires.SetAccessoireDelayTime(500);
  ASSERT_TRUE(Push("3.000 100 INFO 1 GA 9 1 1"));
  TMoBaSRCPSolenoid& record = *accessoires.FindSolenoid(9);
  EXPECT_EQ(record.PortTimeStamps(), (std::vector<double>{0.0, 3.0}));

  ASSERT_TRUE(Push("3.100 101 INFO 1 GA 9 P"));
  EXPECT_EQ(record.Protocol(), custom);
  EXPECT_TRUE(custom->Groups.test(1));
  EXPECT_EQ(record.PortCount(), 4);
  EXPECT_EQ(record.PortTimeStamps(), (std::vector<double>{0.0, 3.0, 0.0, 0.0}));
  EXPECT_EQ(record.ActivationTime(), 500u);
  EXPECT_EQ(Events.back(), "init 9 bus 1 ports 0,1 active 1 activ");

  // A record that an INIT report creates starts initialised.
  ASSERT_TRUE(Push("3.200 101 INFO 1 GA 12 M"));
  TMoBaSRCPSolenoid& motorola = *accessoires.FindSolenoid(12);
  EXPECT_EQ(motorola.Protocol(), &Motorola());
  EXPECT_EQ(motorola.ActivationTime(), 500u);
  EXPECT_EQ(Events.back(), "init 12 bus 1 ports 0,0 active 0 initialized");
  ASSERT_TRUE(Push("3.300 100 INFO 1 GA 12 0 1"));
  EXPECT_EQ(Events.back(), "change 12 bus 1 ports 1,0 active 0 activ");
}

TEST_F(Accessoires, TermReportDestroysTheRecordAfterItsEvent) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  ASSERT_TRUE(Push("3.000 101 INFO 1 GA 12 M"));
  ASSERT_TRUE(Push("3.100 101 INFO 1 GA 13 N"));
  int countDuringTerm = -1;
  OnEvent = [&](TMoBaSRCPSolenoid&) { countDuringTerm = accessoires.Count(); };

  ASSERT_TRUE(Push("3.200 102 INFO 1 GA 12"));
  EXPECT_EQ(Events.back(), "term 12 bus 1 ports 0,0 active 0 terminated");
  EXPECT_EQ(countDuringTerm, 1);
  EXPECT_EQ(accessoires.FindSolenoid(12), nullptr);
  ASSERT_EQ(accessoires.Count(), 1);
  EXPECT_EQ(accessoires.Items(0).Address(), 13);

  const std::size_t events = Events.size();
  ASSERT_TRUE(Push("3.300 102 INFO 1 GA 77"));
  EXPECT_EQ(Events.size(), events);
}

TEST_F(Accessoires, LockAndUnlockReportsCopyTheLockToTheRecord) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  accessoires.SetAccessoireDelayTime(500);
  ASSERT_TRUE(Push("4.000 100 INFO 1 LOCK GA 12 60 5"));
  TMoBaSRCPSolenoid& record = *accessoires.FindSolenoid(12);
  EXPECT_TRUE(record.Locked());
  EXPECT_EQ(record.LockID(), 5);
  EXPECT_EQ(record.ActivationTime(), 200u);  // the device default, not the delay time
  EXPECT_EQ(Events.back(), "lock 12 bus 1 ports 0,0 active 0 uninitialized");

  ASSERT_TRUE(Push("4.100 102 INFO 1 LOCK GA 12"));
  EXPECT_FALSE(record.Locked());
  EXPECT_EQ(record.LockID(), 0);
  EXPECT_EQ(Events.back(), "unlock 12 bus 1 ports 0,0 active 0 uninitialized");
  EXPECT_EQ(Events.size(), 2u);
}

TEST_F(Accessoires, ReportsOfOtherBusesAndGroupsAreNotTaken) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  ASSERT_TRUE(Push("4.000 100 INFO 2 GA 12 0 1"));
  ASSERT_TRUE(Push("4.100 100 INFO 1 LOCK GL 12 60 5"));
  EXPECT_EQ(accessoires.Count(), 0);
  EXPECT_TRUE(Events.empty());
}

TEST_F(Accessoires, ALostConnectionDuringASwitchRemovesTheBusAfterTheSwitchReturns) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  Cmd().Expect("INIT 1 GA 12 M").Send("2.000 200 OK").Expect("SET 1 GA 12 1 1 250").Close();
  bool result = true;
  try {
    result = accessoires.InitSolenoid(*Switched(12, 1, 250));
  } catch (const ENetError&) {
    result = false;
  }
  EXPECT_FALSE(result);
  ASSERT_TRUE(Serve([&] { return Disconnects > 0 && !Client->InfoClient().Reading(); }));
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_FALSE(Client->Connected());
}

TEST_F(Accessoires, EventHandlerThatDisconnectsLeavesNothingDangling) {
  TMoBaSRCPAccessoires& accessoires = Bus1();
  (void)accessoires;
  OnEvent = [this](TMoBaSRCPSolenoid&) {
    ScriptTerm();
    Client->Disconnect();
  };
  ASSERT_TRUE(Push("4.000 100 INFO 1 GA 12 0 1"));
  ASSERT_TRUE(Serve([&] { return !Client->InfoClient().Reading(); }));
  EXPECT_EQ(Client->BusCount(), 0);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Events.size(), 1u);
}

}  // namespace
}  // namespace tenvarra::test
