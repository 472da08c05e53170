#include "ClientFixture.h"
#include "client/AccessoireClient.h"

namespace tenvarra::test {
namespace {

TEST(SolenoidProtocolCatalogue, FindsAFamilyWithEnoughAddressesOrAppendsAProtocol) {
  TMoBaSolenoidProtocolList list;
  FillDefaultSolenoidProtocols(list);
  list.SetModified(false);
  list.Items(0)->MaxPort = 7;  // ports and values are not compared
  struct Row {
    TSRCPProtocol Family;
    int32_t Version, Address, Bus;
    const char* Name;
    int32_t Count, SameAs;
  };
  const char* automatic = "Automatic solenoid protocol";
  const Row rows[] = {
      {prM, 0, 12, 1, "Motorola Solenoid", 2, -1},
      {prM, 0, 256, 3, "Motorola Solenoid", 2, 0},
      {prN, 0, 4000, 2, "NMRA Accessory", 2, -1},
      {prP, 0, 5, 1, automatic, 3, -1},  // the server's choice
      {prInvalid, 0, 9, 2, automatic, 3, 3},
      {prM, 0, 300, 1, automatic, 4, -1},  // beyond every protocol: one that reaches it
      {prM, 0, 290, 1, automatic, 4, 5},
      {prM, 0, 0, 1, "Motorola Solenoid", 4, 0},  // address 0 is looked for as 1
      {prM, 1, 1, 1, automatic, 5, -1},  // the version is compared
      {prM, 0, 12, 256, "Motorola Solenoid", 5, 0},  // buses beyond the groups
      {prM, 0, 12, -1, "Motorola Solenoid", 5, 0},
  };
  std::vector<TMoBaSolenoidProtocol*> found;
  for (const Row& r : rows) {
    SCOPED_TRACE(found.size());
    found.push_back(FindOrAddSolenoidProtocol(list, r.Family, r.Version, r.Address, r.Bus));
    ASSERT_NE(found.back(), nullptr);
    EXPECT_EQ(found.back()->Name, r.Name);
    EXPECT_EQ(list.Count(), r.Count);
    EXPECT_EQ(found.back(), r.SameAs < 0 ? found.back() : found[r.SameAs]);
  }
  EXPECT_TRUE(list.Modified());
  EXPECT_EQ(GroupsToText(found[0]->Groups), "1,3");
  EXPECT_EQ(GroupsToText(found[3]->Groups), "1,2");
  EXPECT_EQ(found[3]->Desc, "Automatic solenoid protocol with 256 addresses.");
  EXPECT_EQ(found[3]->MaxPort * 10 + found[3]->MaxValue, 11);
  EXPECT_EQ(found[5]->Base, MoBaBaseMotorola);
  EXPECT_EQ(found[8]->Extension, 1);
}

class Accessoires : public TClientTest {
protected:
  // A Motorola solenoid whose port Port is set to 1.
  static std::unique_ptr<TMoBaAdvancedSolenoid> Switched(int32_t Address, int32_t Port,
                                                         uint32_t Time) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(MoBaSolenoidProtocols().Items(0)), solenoid->SetAddress(Address);
    solenoid->SetActivationTime(Time), solenoid->SetPortValue(Port, 1);
    return solenoid;
  }
  void ScriptSwitch(const std::string& Init, const std::string& Set) {
    if (!Init.empty()) Cmd().Expect(Init).Send("2.000 200 OK");
    Cmd().Expect(Set).Send("2.010 200 OK");
  }
};

TEST_F(Accessoires, ASwitchSendsItsDelayAndEachReportTakesTheOldestPendingCopy) {
  TMoBaSRCPAccessoires& accessoires = *Bus(1, "GA").Accessoires();
  const auto first = Switched(12, 1, 300);
  int activations = 0;
  first->OnActivation = [&](TMoBaBaseSolenoid&, uint32_t, const std::function<void()>&) {
    ++activations;
  };
  ScriptSwitch("INIT 1 GA 12 M", "SET 1 GA 12 1 1 300");
  ScriptSwitch("INIT 1 GA 40 M", "SET 1 GA 40 0 1 100");
  ScriptSwitch("INIT 1 GA 12 M", "SET 1 GA 12 0 1 400");
  ASSERT_TRUE(accessoires.InitSolenoid(*first) && accessoires.InitSolenoid(*Switched(40, 0, 100)) &&
              accessoires.InitSolenoid(*Switched(12, 0, 400)) && Cmd().Done());
  // Records follow the server's reports only.
  EXPECT_EQ(accessoires.Count(), 0);
  ASSERT_EQ(accessoires.PendingCount(), 3);
  EXPECT_EQ(accessoires.Pending(0).Bus(), 1);

  ASSERT_TRUE(Push("2.100 100 INFO 1 GA 12 1 1"));
  TMoBaSRCPSolenoid& record = *accessoires.FindSolenoid(12);
  EXPECT_EQ(record.ActivationTime(), 300u);
  ASSERT_EQ(accessoires.PendingCount(), 2);
  EXPECT_EQ(accessoires.Pending(0).Address(), 40);
  // The server switches the port off after the delay and says so.
  ASSERT_TRUE(Push({"2.200 100 INFO 1 GA 12 0 1", "2.600 100 INFO 1 GA 12 0 0"}));
  EXPECT_EQ(record.ActivationTime(), 400u);
  ASSERT_EQ(accessoires.PendingCount(), 1);
  EXPECT_THROW(accessoires.Pending(1), std::out_of_range);
  EXPECT_EQ(Events, (Strings{"change 12 ports 0,1 active 1 uninitialized",
                             "change 12 ports 1,1 active 0 uninitialized",
                             "change 12 ports 0,1 active 0 uninitialized"}));
  // The caller's timer is never started by the container.
  EXPECT_TRUE(activations == 0 && !record.OnActivation);
}

TEST_F(Accessoires, FailedSwitchesLeaveNoPendingCopyAndInitCarriesOnlyKnownLetters) {
  TMoBaSRCPAccessoires& accessoires = *Bus(1, "GA").Accessoires();
  ScriptSwitch("", "SET 1 GA 7 0 1 200");
  EXPECT_TRUE(accessoires.SetSolenoid(*Switched(7, 0, 200)));
  // A refused INIT does not stop the SET; a refused SET is the result.
  Cmd().Expect("INIT 1 GA 8 M").Send("2.100 412 ERROR wrong value");
  Cmd().Expect("SET 1 GA 8 0 1 200").Send("2.110 412 ERROR wrong value");
  EXPECT_FALSE(accessoires.InitSolenoid(*Switched(8, 0, 200)) || accessoires.PendingCount());

  TMoBaSolenoidProtocol custom;  // family C: the server chooses
  TMoBaSolenoidProtocol zimo;
  zimo.Base = 7;
  const std::pair<const TMoBaSolenoidProtocol*, const char*> letters[] = {
      {nullptr, "INIT 1 GA 5"}, {&zimo, "INIT 1 GA 5"}, {&custom, "INIT 1 GA 5 P"},
      {MoBaSolenoidProtocols().Items(1), "INIT 1 GA 5 N"}};
  TMoBaAdvancedSolenoid solenoid;
  solenoid.SetAddress(5);
  for (const auto& [protocol, init] : letters) {
    solenoid.SetProtocol(protocol);
    ScriptSwitch(init, "SET 1 GA 5 0 0 200");
    EXPECT_TRUE(accessoires.InitSolenoid(solenoid)) << init;
  }
  EXPECT_TRUE(Cmd().Done() && accessoires.Count() == 0);

  // A SET refused with 415 is repeated with what was asked for, not with the
  // port that the GET in between reports.
  Cmd().Expect("SET 1 GA 9 1 1 200").Send("2.200 415 ERROR forbidden");
  Cmd().Expect("GET 1 GA 9 1").Send("2.210 100 INFO 1 GA 9 0 1");
  Cmd().Expect("SET 1 GA 9 1 1 200").Send("2.220 200 OK");
  EXPECT_TRUE(accessoires.SetSolenoid(*Switched(9, 1, 200)));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(Accessoires, AnOlderReportNeverOverwritesANewerOneForItsPort) {
  TMoBaSRCPAccessoires& accessoires = *Bus(1, "GA").Accessoires();
  // Port 1 is newer than anything port 0 has seen, so it stays the active
  // port when port 0 catches up with a report older than port 1's. Port 9 it
  // lacks; bus 2 is another bus.
  ASSERT_TRUE(Push({"5.000 100 INFO 1 GA 7 0 1", "4.000 100 INFO 1 GA 7 0 0",
                    "6.000 100 INFO 1 GA 7 1 1", "5.500 100 INFO 1 GA 7 0 0",
                    "5.600 100 INFO 1 GA 7 9 0", "7.000 100 INFO 2 GA 7 1 0"}));
  EXPECT_EQ(accessoires.FindSolenoid(7)->PortTimeStamps(), (std::vector<double>{5.5, 6.0}));
  // Every report is told, applied or not.
  EXPECT_EQ(Events, (Strings{"change 7 ports 1,0 active 0 uninitialized",
                             "change 7 ports 1,0 active 0 uninitialized",
                             "change 7 ports 1,1 active 1 uninitialized",
                             "change 7 ports 0,1 active 1 uninitialized",
                             "change 7 ports 0,1 active 1 uninitialized"}));
}

TEST_F(Accessoires, InitLockAndTermReportsShapeTheRecords) {
  auto fourPorts = std::make_unique<TMoBaSolenoidProtocol>();  // the server's choice P
  fourPorts->MaxPort = 3;
  TMoBaSolenoidProtocol* custom = fourPorts.get();
  MoBaSolenoidProtocols().Add(std::move(fourPorts));
  TMoBaSRCPAccessoires& accessoires = *Bus(1, "GA").Accessoires();
  accessoires.SetAccessoireDelayTime(500);
  ASSERT_TRUE(Push("3.000 100 INFO 1 GA 9 1 1"));
  TMoBaSRCPSolenoid& record = *accessoires.FindSolenoid(9);
  ASSERT_TRUE(Push("3.100 101 INFO 1 GA 9 P"));
  EXPECT_EQ(record.Protocol(), custom);
  EXPECT_TRUE(custom->Groups.test(1));
  EXPECT_EQ(record.PortTimeStamps(), (std::vector<double>{0.0, 3.0, 0.0, 0.0}));
  EXPECT_EQ(record.ActivationTime(), 500u);
  // 12 created by INIT: initialised.
  ASSERT_TRUE(Push({"3.200 101 INFO 1 GA 12 M", "3.300 100 INFO 1 GA 12 0 1"}));
  EXPECT_EQ(accessoires.FindSolenoid(12)->Protocol(), MoBaSolenoidProtocols().Items(0));
  ASSERT_TRUE(Push("4.000 100 INFO 1 LOCK GA 13 60 5"));
  EXPECT_EQ(accessoires.FindSolenoid(13)->LockID(), 5);
  EXPECT_EQ(accessoires.FindSolenoid(13)->ActivationTime(), 200u);  // not the delay time
  ASSERT_TRUE(Push("4.100 102 INFO 1 LOCK GA 13"));
  EXPECT_FALSE(accessoires.FindSolenoid(13)->Locked());

  int countDuringTerm = -1;
  Client->OnAccessoireTerm = [&](TMoBaSRCPClient&, TMoBaSRCPSolenoid& Record) {
    Events.push_back("term " + Describe(Record));
    countDuringTerm = accessoires.Count();
  };
  ASSERT_TRUE(Push({"5.000 102 INFO 1 GA 12", "5.100 102 INFO 1 GA 77"}));  // 77 unknown: nothing
  EXPECT_EQ(countDuringTerm, 2);
  EXPECT_EQ(accessoires.FindSolenoid(12), nullptr);
  EXPECT_EQ(accessoires.Count(), 2);
  EXPECT_EQ(Events, (Strings{"change 9 ports 0,1 active 1 uninitialized",
                             "init 9 ports 0,1 active 1 activ",
                             "init 12 ports 0,0 active 0 initialized",
                             "change 12 ports 1,0 active 0 activ",
                             "lock 13 ports 0,0 active 0 uninitialized",
                             "unlock 13 ports 0,0 active 0 uninitialized",
                             "term 12 ports 1,0 active 0 terminated"}));

  // A negative delay gives records none.
  accessoires.SetAccessoireDelayTime(-5);
  ASSERT_TRUE(Push("6.000 101 INFO 1 GA 3 M"));
  EXPECT_EQ(accessoires.FindSolenoid(3)->ActivationTime(), 0u);
}

TEST_F(Accessoires, ReportsBeyondEveryProtocolAndLocksAfterAnInitLandOnTheirOwnAddress) {
  TMoBaSRCPAccessoires& accessoires = *Bus(1, "GA").Accessoires();
  const int32_t known = MoBaSolenoidProtocols().Count();
  ASSERT_TRUE(Push({"2.000 101 INFO 1 GA 300 M", "2.100 101 INFO 1 GA 300 M",
                    "2.200 101 INFO 1 GA 290 M"}));
  EXPECT_EQ(MoBaSolenoidProtocols().Count(), known + 1);  // one automatic protocol for all
  // The group's solenoid keeps Motorola's 256 addresses from the INIT of 12
  // only until the lock report for 400 arrives.
  ASSERT_TRUE(Push({"2.300 101 INFO 1 GA 12 M", "2.400 100 INFO 1 LOCK GA 400 60 5",
                    "2.500 102 INFO 1 LOCK GA 400"}));
  EXPECT_EQ(Events, (Strings{"init 300 ports 0,0 active 0 initialized",
                             "init 300 ports 0,0 active 0 initialized",
                             "init 290 ports 0,0 active 0 initialized",
                             "init 12 ports 0,0 active 0 initialized",
                             "lock 400 ports 0,0 active 0 uninitialized",
                             "unlock 400 ports 0,0 active 0 uninitialized"}));
  EXPECT_EQ(accessoires.Count(), 4);
}

TEST_F(Accessoires, FeedbackReportingIsSwitchedAndReportsGrowTheContacts) {
  TMoBaSRCPFeedbacks& feedbacks = *Bus(8, "FB").Feedbacks();
  // Reporting is switched only when its state asks for it.
  feedbacks.SetEnabled(false);  // a fresh group: nothing to end
  Cmd().Expect("INIT 8 FB S88").Send("2.000 421 ERROR unsupported device");
  feedbacks.SetEnabled(true);
  EXPECT_FALSE(feedbacks.Enabled());
  feedbacks.SetInitString("S88 LPT1 2");
  Cmd().Expect("INIT 8 FB S88 LPT1 2").Send("2.100 200 OK");
  feedbacks.SetEnabled(true);
  feedbacks.SetEnabled(true);
  Cmd().Expect("TERM 8 FB").Send("2.200 499 ERROR unspecified error");
  feedbacks.SetEnabled(false);
  EXPECT_FALSE(feedbacks.Enabled());
  EXPECT_EQ(CommandsSent(), (Strings{"INIT 8 FB S88", "INIT 8 FB S88 LPT1 2", "TERM 8 FB"}));

  ASSERT_TRUE(Push({"2.000 100 INFO 8 FB 5 1", "2.100 100 INFO 8 FB 0 1", "2.100 100 INFO 8 FB -4 1",
                    "2.100 100 INFO 8 FB 65537 1", "2.100 100 INFO 8 FB 2147483647 1",
                    "2.100 100 INFO 9 FB 6 1",
                    "2.000 100 INFO 8 FB 5 0", "1.500 100 INFO 8 FB 5 0",
                    "2.500 100 INFO 8 FB 5 1", "2.600 100 INFO 8 FB 2 1"}));
  ASSERT_EQ(feedbacks.Count(), 5);
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(feedbacks.FeedbackClient().ContactValue(i), i == 4 || i == 1 ? 1 : 0);
    EXPECT_EQ(feedbacks.Items(i).Address(), i + 1);
    EXPECT_EQ(feedbacks.Items(i).Bus(), 8);
  }
  EXPECT_EQ(feedbacks.Items(4).TimeStamp(), 2.5);
  EXPECT_EQ(feedbacks.Items(0).TimeStamp(), 0.0);
  EXPECT_THROW(feedbacks.Items(5), std::out_of_range);
  EXPECT_EQ(Events, (Strings{"change 5=1 bus 8 changed", "change 5=1 bus 8", "change 5=1 bus 8",
                             "change 5=1 bus 8", "change 2=1 bus 8 changed"}));

  ASSERT_TRUE(Push("2.700 100 INFO 8 FB 65536 1"));
  EXPECT_EQ(feedbacks.Count(), 65536);
  EXPECT_EQ(feedbacks.Items(65535).Address(), 65536);
  ASSERT_TRUE(Push("3.000 101 INFO 8 FB"));
  EXPECT_TRUE(feedbacks.Enabled());
  ASSERT_TRUE(Push("3.100 102 INFO 8 FB"));
  EXPECT_FALSE(feedbacks.Enabled());
  EXPECT_EQ(Strings(Events.end() - 2, Events.end()),
            (Strings{"init 0=-1 bus 8 changed", "term 0=-1 bus 8 changed"}));
}

}  // namespace
}  // namespace tenvarra::test
