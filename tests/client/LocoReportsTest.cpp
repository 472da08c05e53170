#include <memory>
#include <string>
#include <vector>

#include "LocoFixture.h"

namespace tenvarra::test {
namespace {

using Strings = std::vector<std::string>;

class LocoReports : public TLocoTest {};

TEST_F(LocoReports, AnInitReportRegistersTheLocoAndAValueReportDrivesIt) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("2.000 101 INFO 1 GL 24 M 2 14 5"));
  ASSERT_TRUE(Push("3.000 100 INFO 1 GL 24 1 50 100 1 0 0 0 0"));

  EXPECT_EQ(Events, (Strings{
                        "init 24 initialized [Motorola 2] Forward V 0/100 step 0 F 00000",
                        "change 24 activ [Motorola 2] Forward V 50/100 step 7 F 10000",
                    }));
  ASSERT_EQ(locos.Count(), 1);
  const TMoBaSRCPLoco& record = locos.Items(0);
  EXPECT_EQ(locos.FindLoco(24), &record);
  EXPECT_EQ(record.Protocol(), Protocol("Motorola 2"));
  EXPECT_EQ(record.Bus(), 1);
  EXPECT_DOUBLE_EQ(record.TimeStamp(), 3.0);
  EXPECT_TRUE(Protocol("Motorola 2")->Groups.test(1));
  EXPECT_EQ(Catalogue.Count(), 11);
}

TEST_F(LocoReports, AnUnknownProtocolBecomesAnAutomaticOneOfTheCatalogue) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("2.000 101 INFO 1 GL 3 N 2 28 9"));
  ASSERT_EQ(Catalogue.Count(), 12);
  EXPECT_EQ(locos.Items(0).Protocol(), Catalogue.Items(11));
  EXPECT_EQ(Catalogue.Items(11)->Desc,
            "Automatic loco protocol with 256 addresses, 28 speed steps and 9 function(s).");
  // A loco beyond 256 addresses keeps its address.
  ASSERT_TRUE(Push("2.100 101 INFO 1 GL 300 N 2 28 9"));
  EXPECT_NE(locos.FindLoco(300), nullptr);
  EXPECT_EQ(locos.FindLoco(256), nullptr);
}

TEST_F(LocoReports, AValueReportForANewAddressAddsAnUninitializedRecord) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("2.000 100 INFO 1 GL 3 0 20 100 0 1"));
  // "=" keeps the direction of the loco it speaks of, not of the last one
  // reported: loco 4 starts forward, loco 3 stays backward.
  ASSERT_TRUE(Push("2.100 100 INFO 1 GL 4 = 30 100 1"));
  ASSERT_TRUE(Push("2.200 100 INFO 1 GL 3 = 40 100 1 1"));

  EXPECT_EQ(Events, (Strings{
                        "change 3 uninitialized [none] Backwards V 20/100 F 01",
                        "change 4 uninitialized [none] Forward V 30/100 F 1",
                        "change 3 uninitialized [none] Backwards V 40/100 F 11",
                    }));
  EXPECT_EQ(locos.Count(), 2);
}

TEST_F(LocoReports, TheSpeedIsReadOnTheReportsOwnScale) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("2.000 101 INFO 1 GL 24 M 2 14 5"));
  ASSERT_TRUE(Push("2.100 100 INFO 1 GL 24 1 50 100 0 0 0 0 0"));
  EXPECT_EQ(locos.Items(0).SpeedStep(), 7);
  ASSERT_TRUE(Push("2.200 100 INFO 1 GL 24 1 14 14 0 0 0 0 0"));
  EXPECT_EQ(locos.Items(0).SpeedStep(), 14);
  EXPECT_EQ(locos.Items(0).MaxSpeed(), 14);
  // Faster than its scale: the loco's top speed.
  ASSERT_TRUE(Push("2.300 100 INFO 1 GL 24 1 300 100 0 0 0 0 0"));
  EXPECT_EQ(locos.Items(0).SpeedStep(), 14);
  EXPECT_EQ(locos.Items(0).Speed(), 100);
}

TEST_F(LocoReports, ATermReportEndsTheRecordAfterItsEvent) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("2.000 101 INFO 1 GL 24 M 2 14 5"));
  ASSERT_TRUE(Push("2.100 100 INFO 1 GL 25 1 10 100 1"));
  int32_t countDuringTerm = -1;
  bool foundDuringTerm = true;
  OnEvent = [&](TMoBaSRCPLoco& Record) {
    if (Record.SRCPState() != mssTerminated) return;
    countDuringTerm = locos.Count();
    foundDuringTerm = locos.FindLoco(Record.Address()) != nullptr;
  };
  ASSERT_TRUE(Push("3.000 102 INFO 1 GL 24"));
  ASSERT_TRUE(Push("3.100 102 INFO 1 GL 99"));

  EXPECT_EQ(Events.back(), "term 24 terminated [Motorola 2] Forward V 0/100 step 0 F 00000");
  EXPECT_EQ(Events.size(), 3u);  // nothing for 99
  EXPECT_EQ(countDuringTerm, 1);
  EXPECT_FALSE(foundDuringTerm);
  ASSERT_EQ(locos.Count(), 1);
  EXPECT_EQ(locos.Items(0).Address(), 25);

  // Reported again, the loco starts afresh without protocol.
  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 24 1 10 100 1"));
  EXPECT_EQ(Events.back(), "change 24 uninitialized [none] Forward V 10/100 F 1");
}

TEST_F(LocoReports, RecordStatesFollowTheReports) {
  Bus1();
  const char* lines[] = {
      // loco 5: INIT, INIT, value, INIT, value
      "2.000 101 INFO 1 GL 5 M 2 14 5",
      "2.010 101 INFO 1 GL 5 M 2 14 5",
      "2.020 100 INFO 1 GL 5 1 0 100 0 0 0 0 0",
      "2.030 101 INFO 1 GL 5 M 2 14 5",
      "2.040 100 INFO 1 GL 5 1 0 100 0 0 0 0 0",
      // loco 6: value, INIT, lock on the active one
      "2.100 100 INFO 1 GL 6 1 0 100 0",
      "2.110 101 INFO 1 GL 6 M 2 14 5",
      "2.120 100 INFO 1 LOCK GL 6 60 4",
      // loco 7: a lock makes it known, its value keeps it so, INIT activates
      "2.200 100 INFO 1 LOCK GL 7 60 4",
      "2.210 100 INFO 1 GL 7 1 0 100 0",
      "2.220 101 INFO 1 GL 7 M 2 14 5",
      "2.230 102 INFO 1 LOCK GL 7",
  };
  for (const char* line : lines) ASSERT_TRUE(Push(line)) << line;
  Strings states;
  for (const std::string& event : Events)
    states.push_back(event.substr(0, event.find(" [")));
  EXPECT_EQ(states, (Strings{
                        "init 5 initialized",
                        "init 5 initialized",
                        "change 5 activ",
                        "init 5 activ",
                        "change 5 activ",
                        "change 6 uninitialized",
                        "init 6 activ",
                        "lock 6 activ",
                        "lock 7 uninitialized",
                        "change 7 uninitialized",
                        "init 7 activ",
                        "unlock 7 activ",
                    }));
}

TEST_F(LocoReports, LockAndUnlockNameTheSessionAndTheRightLoco) {
  TMoBaSRCPLocos& locos = Bus1();
  // Motorola 2 reaches address 80 only; a lock on loco 100 must not be
  // taken for loco 80 because an earlier report was of that protocol.
  ASSERT_TRUE(Push("2.000 101 INFO 1 GL 5 M 2 14 5"));
  ASSERT_TRUE(Push("2.100 100 INFO 1 LOCK GL 100 60 7"));
  ASSERT_TRUE(Push("2.200 102 INFO 1 LOCK GL 100"));

  EXPECT_EQ(Events, (Strings{
                        "init 5 initialized [Motorola 2] Forward V 0/100 step 0 F 00000",
                        "lock 100 uninitialized [none] Forward V 0/100 F 255 locked by 7",
                        "unlock 100 uninitialized [none] Forward V 0/100 F 255",
                    }));
  ASSERT_NE(locos.FindLoco(100), nullptr);
  EXPECT_EQ(locos.FindLoco(100)->LockID(), 0);
  EXPECT_EQ(locos.FindLoco(80), nullptr);
}

TEST_F(LocoReports, AnOlderValueReportNeverOverwritesANewerOne) {
  TMoBaSRCPLocos& locos = Bus1();
  ASSERT_TRUE(Push("5.000 100 INFO 1 GL 24 1 50 100 1"));
  ASSERT_TRUE(Push("4.000 100 INFO 1 GL 24 0 10 100 0"));
  ASSERT_TRUE(Push("5.000 100 INFO 1 GL 24 0 10 100 0"));
  ASSERT_TRUE(Push("6.000 100 INFO 1 GL 24 0 30 100 0"));

  EXPECT_EQ(Events, (Strings{
                        "change 24 uninitialized [none] Forward V 50/100 F 1",
                        "change 24 uninitialized [none] Backwards V 30/100 F 0",
                    }));
  EXPECT_DOUBLE_EQ(locos.Items(0).TimeStamp(), 6.0);
}

TEST(LocoRecord, AssignCopiesTheReportStateOnlyBetweenRecords) {
  TMoBaSRCPLoco source;
  source.SetAddress(24);
  source.SetSRCPState(mssActivNoRead);
  source.SetBus(3);
  source.SetTimeStamp(12.5);
  std::unique_ptr<TMoBaBaseDevice> clone = source.Clone();
  auto* copy = dynamic_cast<TMoBaSRCPLoco*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Address(), 24);
  EXPECT_EQ(copy->SRCPState(), mssActivNoRead);
  EXPECT_EQ(copy->Bus(), 3);
  EXPECT_DOUBLE_EQ(copy->TimeStamp(), 12.5);

  // From a plain loco only the loco part comes over.
  TMoBaAdvancedLoco plain;
  plain.SetAddress(7);
  copy->Assign(plain);
  EXPECT_EQ(copy->Address(), 7);
  EXPECT_EQ(copy->SRCPState(), mssActivNoRead);
  EXPECT_DOUBLE_EQ(copy->TimeStamp(), 12.5);
}

}  // namespace
}  // namespace tenvarra::test
