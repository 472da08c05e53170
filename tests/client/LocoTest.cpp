#include "ClientFixture.h"
#include "client/LocoClient.h"
#include "client/LocoConversions.h"

namespace tenvarra::test {
namespace {

TEST(LocoProtocolCatalogue, FindsTheFirstFittingProtocolOrAppendsOneAutomaticProtocol) {
  TTempDir dir;
  TMoBaProfiles store(dir.Path());
  TMoBaLocoProtocolList list(true, &store);
  FillDefaultLocoProtocols(list);
  list.SetModified(false);
  // Each row looks up on the list the rows above it left; SameAs names the
  // row whose protocol it must find again.
  struct Row {
    TSRCPProtocol Family;
    int32_t Version, Steps, Bus, Address, Functions;
    const char* Name;
    int32_t Count, SameAs;
  };
  const char* automatic = "Automatic loco protocol";
  const Row rows[] = {
      {prM, 2, 14, 1, 24, 5, "Motorola 2", 11, -1},
      {prM, 2, 14, 3, 100, 5, "Motorola 4", 11, -1},  // Motorola 2 ends at 80
      {prM, 2, 14, 1, 0, 5, "Motorola 2", 11, 0},     // address 0 is looked for as 1
      {prN, 2, 28, 1, 3, 9, automatic, 12, -1},
      {prN, 2, 28, 2, 17, 9, automatic, 12, 3},
      {prN, 2, 14, 1, 5, 5, automatic, 13, -1},  // each differs from Motorola 2 in one field
      {prM, 3, 14, 1, 5, 5, automatic, 14, -1},
      {prM, 2, 15, 1, 5, 5, automatic, 15, -1},
      {prM, 2, 14, 1, 5, 6, automatic, 16, -1},
      {prM, 2, 14, 1, 300, 5, automatic, 17, -1},  // beyond every protocol: keeps its address
      {prM, 2, 14, 1, 300, 5, automatic, 17, 9},
      {prS, -1, 14, 1, 5, 1, automatic, 18, -1},  // no version is version 0
      {prS, 0, 14, 1, 5, 1, automatic, 18, 11},
      {prP, 0, 14, 1, 5, 1, automatic, 19, -1},  // the server's choice and no letter
      {prInvalid, 0, 14, 1, 6, 1, automatic, 19, 13},
      {prM, 2, 14, 300, 24, 5, "Motorola 2", 19, 0},  // buses beyond the groups
      {prM, 2, 14, -1, 24, 5, "Motorola 2", 19, 0},
  };
  std::vector<TMoBaLocoProtocol*> found;
  for (const Row& r : rows) {
    SCOPED_TRACE(found.size());
    found.push_back(FindOrAddLocoProtocol(list, r.Family, r.Version, r.Steps, r.Bus, r.Address,
                                          r.Functions));
    ASSERT_NE(found.back(), nullptr);
    EXPECT_EQ(found.back()->Name, r.Name);
    EXPECT_EQ(list.Count(), r.Count);
    EXPECT_EQ(found.back(), r.SameAs < 0 ? found.back() : found[r.SameAs]);
  }
  EXPECT_TRUE(list.Modified());
  EXPECT_EQ(GroupsToText(found[0]->Groups), "1");
  EXPECT_EQ(GroupsToText(found[1]->Groups), "3");
  EXPECT_EQ(GroupsToText(found[3]->Groups), "1,2");
  EXPECT_EQ(found[3]->Desc,
            "Automatic loco protocol with 256 addresses, 28 speed steps and 9 function(s).");
  EXPECT_EQ(found[3]->Base * 10 + found[3]->Extension, MoBaBaseNmra * 10 + 2);
  EXPECT_EQ(found[9]->MaxAddress, 300);
}

using LocoTest = TClientTest;

TEST_F(LocoTest, AnInitReportRegistersTheLocoAndAValueReportDrivesIt) {
  TMoBaSRCPLocos& locos = Locos();
  // The last is faster than its scale: the loco's top speed.
  ASSERT_TRUE(Push({"2.000 101 INFO 1 GL 24 M 2 14 5", "3.000 100 INFO 1 GL 24 1 50 100 1 0 0 0 0",
                    "3.100 100 INFO 1 GL 24 1 300 100 0 0 0 0 0"}));
  EXPECT_EQ(Events, (Strings{
                        "init 24 initialized [Motorola 2] Forward V 0/100 step 0 F 00000",
                        "change 24 activ [Motorola 2] Forward V 50/100 step 7 F 10000",
                        "change 24 activ [Motorola 2] Forward V 100/100 step 14 F 00000",
                    }));
  ASSERT_EQ(locos.Count(), 1);
  EXPECT_EQ(locos.FindLoco(24), &locos.Items(0));
  EXPECT_DOUBLE_EQ(locos.Items(0).TimeStamp(), 3.1);
  EXPECT_TRUE(locos.Items(0).Protocol()->Groups.test(1));

  // An unknown protocol becomes one of the catalogue, reaching the address.
  ASSERT_TRUE(Push("3.200 101 INFO 1 GL 300 N 2 28 9"));
  ASSERT_EQ(Catalogue.Count(), 12);
  EXPECT_EQ(locos.FindLoco(300)->Protocol(), Catalogue.Items(11));
}

TEST_F(LocoTest, AValueReportForANewAddressKeepsTheDirectionOfItsOwnLoco) {
  Locos();
  // "=" keeps the direction of the loco it speaks of, not of the last one.
  // Older reports never overwrite newer ones; an equal stamp is not newer.
  ASSERT_TRUE(Push({"2.000 100 INFO 1 GL 3 0 20 100 0 1", "2.100 100 INFO 1 GL 4 = 30 100 1",
                    "2.200 100 INFO 1 GL 3 = 40 100 1 1", "1.000 100 INFO 1 GL 3 1 90 100 0 0",
                    "2.200 100 INFO 1 GL 3 1 90 100 0 0"}));
  EXPECT_EQ(Events, (Strings{
                        "change 3 uninitialized [none] Backwards V 20/100 F 01",
                        "change 4 uninitialized [none] Forward V 30/100 F 1",
                        "change 3 uninitialized [none] Backwards V 40/100 F 11",
                    }));
}

TEST_F(LocoTest, ATermReportEndsTheRecordAfterItsEvent) {
  TMoBaSRCPLocos& locos = Locos();
  ASSERT_TRUE(Push({"2.000 101 INFO 1 GL 24 M 2 14 5", "2.100 100 INFO 1 GL 25 1 10 100 1"}));
  int32_t countDuringTerm = -1;
  bool foundDuringTerm = true;
  Client->OnLocoTerm = [&](TMoBaSRCPClient&, TMoBaSRCPLoco& Record) {
    Events.push_back("term " + Describe(Record));
    countDuringTerm = locos.Count();
    foundDuringTerm = locos.FindLoco(Record.Address()) != nullptr;
  };
  ASSERT_TRUE(Push({"3.000 102 INFO 1 GL 24", "3.100 102 INFO 1 GL 99"}));  // 99 unknown: nothing
  EXPECT_EQ(Events.back(), "term 24 terminated [Motorola 2] Forward V 0/100 step 0 F 00000");
  EXPECT_EQ(Events.size(), 3u);
  EXPECT_TRUE(countDuringTerm == 1 && !foundDuringTerm);
  ASSERT_EQ(locos.Count(), 1);
  EXPECT_EQ(locos.Items(0).Address(), 25);
  // Reported again, the loco starts afresh without protocol.
  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 24 1 10 100 1"));
  EXPECT_EQ(Events.back(), "change 24 uninitialized [none] Forward V 10/100 F 1");
}

TEST_F(LocoTest, RecordStatesAndLocksFollowTheReports) {
  Locos();
  const char* lines[] = {
      // loco 5: INIT, INIT, value, INIT, value
      "2.000 101 INFO 1 GL 5 M 2 14 5", "2.010 101 INFO 1 GL 5 M 2 14 5",
      "2.020 100 INFO 1 GL 5 1 0 100 0 0 0 0 0", "2.030 101 INFO 1 GL 5 M 2 14 5",
      "2.040 100 INFO 1 GL 5 1 0 100 0 0 0 0 0",
      // loco 6: value, INIT, lock on the active one
      "2.100 100 INFO 1 GL 6 1 0 100 0", "2.110 101 INFO 1 GL 6 M 2 14 5",
      "2.120 100 INFO 1 LOCK GL 6 60 4",
      // loco 100, beyond Motorola 2, must not be taken for loco 80
      "2.200 100 INFO 1 LOCK GL 100 60 7", "2.210 100 INFO 1 GL 100 1 0 100 0",
      "2.220 101 INFO 1 GL 100 N 1 28 5", "2.230 102 INFO 1 LOCK GL 100",
  };
  for (const char* line : lines) ASSERT_TRUE(Push(line)) << line;
  Strings states;
  for (const std::string& event : Events) {
    const std::size_t lock = event.find(" locked by ");
    states.push_back(event.substr(0, event.find(" [")) +
                     (lock == std::string::npos ? "" : event.substr(lock)));
  }
  EXPECT_EQ(states, (Strings{"init 5 initialized", "init 5 initialized", "change 5 activ",
                             "init 5 activ", "change 5 activ", "change 6 uninitialized",
                             "init 6 activ", "lock 6 activ locked by 4",
                             "lock 100 uninitialized locked by 7",
                             "change 100 uninitialized locked by 7", "init 100 activ locked by 7",
                             "unlock 100 activ"}));
}

TEST_F(LocoTest, LocoAndAccessoryReportsBelowAddressOneChangeNoDevice) {
  TMoBaSRCPBus& bus = Bus(1, "GL GA");
  bus.Locos()->LocoClient().SetCatalogue(Catalogue);
  for (const char* line :
       {"2.000 101 INFO 1 GL 0 M 2 14 5", "2.010 100 INFO 1 GL 0 1 50 100 1 0 0 0 0",
        "2.020 100 INFO 1 GL -5 1 50 100 1", "2.030 100 INFO 1 LOCK GL 0 60 4",
        "2.040 102 INFO 1 GL -5", "2.050 101 INFO 1 GA 0 M", "2.060 100 INFO 1 GA 0 1 1",
        "2.070 100 INFO 1 GA -5 0 1", "2.080 100 INFO 1 LOCK GA -5 60 4",
        // The reports still reach device 1 when they name it.
        "2.100 100 INFO 1 GL 1 1 20 100 0", "2.110 100 INFO 1 GA 1 1 1"})
    ASSERT_TRUE(Push(line)) << line;
  EXPECT_EQ(Events, (Strings{"change 1 uninitialized [none] Forward V 20/100 F 0",
                             "change 1 ports 0,1 active 1 uninitialized"}));
}

TEST_F(LocoTest, InitLocoSendsTheProtocolThenDrivesAndOnlyReportsChangeRecords) {
  TMoBaSRCPLocos& locos = Locos();
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 7);
  loco->SetFunctionState(0, true);
  Cmd().Expect("INIT 1 GL 24 M 2 14 5").Send("3.000 200 OK");
  Cmd().Expect("SET 1 GL 24 1 7 14 1 0 0 0 0").Send("3.100 200 OK");
  EXPECT_TRUE(locos.InitLoco(*loco));

  // A refused INIT still sends the SET, whose reply is the result.
  auto nmra = MakeLoco("NMRA 1", 3, mdmBackwards, 14);
  Cmd().Expect("INIT 1 GL 3 N 2 28 5").Send("3.200 412 ERROR wrong value");
  Cmd().Expect("SET 1 GL 3 0 14 28 0 0 0 0 0").Send("3.300 412 ERROR wrong value");
  EXPECT_FALSE(locos.InitLoco(*nmra));
  EXPECT_TRUE(Cmd().Done() && locos.Count() == 0 && Events.empty());
}

TEST_F(LocoTest, ChangeFlipsTheLastDirectionAndFunctionsAboveTheCountKeepTheirValues) {
  TMoBaSRCPLocos& locos = Locos();
  auto loco = MakeLoco("Motorola 2", 24, mdmChange, 0);
  // A fresh group stands at forward, so the first change goes backward.
  Cmd().Expect("SET 1 GL 24 0 0 14 0 0 0 0 0").Send("3.000 200 OK");
  Cmd().Expect("SET 1 GL 24 1 0 14 0 0 0 0 0").Send("3.100 200 OK");
  ASSERT_TRUE(locos.SetLoco(*loco) && locos.SetLoco(*loco) && Cmd().Done());
  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 24 0 0 100 0 1 1 1 1"));
  loco->SetFunctionCount(2);
  loco->SetFunctionState(0, true);
  Cmd().Expect("SET 1 GL 24 1 0 14 1 0 1 1 1").Send("4.100 200 OK");
  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(LocoTest, RefusedAndReinitializedCommandsAreRepeatedWithWhatTheCallerAskedFor) {
  TMoBaSRCPLocos& locos = Locos();
  auto loco = MakeLoco("Motorola 2", 24, mdmForward, 7);
  const std::string set = "SET 1 GL 24 1 7 14 0 0 0 0 0";
  Cmd().Expect(set).Send("3.000 415 ERROR forbidden");
  // The server still has the loco standing backward.
  Cmd().Expect("GET 1 GL 24").Send("3.100 100 INFO 1 GL 24 0 0 100 0 0 0 0 0");
  Cmd().Expect(set).Send("3.200 200 OK");
  EXPECT_TRUE(locos.SetLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
  // The GET's reply is a report like any other.
  EXPECT_EQ(Events, (Strings{"change 24 uninitialized [none] Backwards V 0/100 F 00000"}));

  loco->SetSpeedStep(14);
  Cmd().Expect("INIT 1 GL 24 M 2 14 5").Send("3.300 424 ERROR device reinitialized");
  Cmd().Expect("GET 1 GL 24").Send("3.400 100 INFO 1 GL 24 0 20 100 0 1 0 0 0");
  Cmd().Expect("SET 1 GL 24 1 14 14 0 0 0 0 0").Send("3.500 200 OK");
  EXPECT_TRUE(locos.InitLoco(*loco));
  EXPECT_TRUE(Cmd().Done());
  EXPECT_EQ(Events.size(), 2u);
}

}  // namespace
}  // namespace tenvarra::test
