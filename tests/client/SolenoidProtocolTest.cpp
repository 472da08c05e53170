#include <gtest/gtest.h>

#include <memory>

#include "client/AccessoireClient.h"
#include "client/SRCPSolenoid.h"
#include "devices/Catalogue.h"

namespace tenvarra {
namespace {

class SolenoidProtocols : public ::testing::Test {
protected:
  SolenoidProtocols() { FillDefaultSolenoidProtocols(List); }

  TMoBaSolenoidProtocolList List;
};

TEST_F(SolenoidProtocols, AKnownFamilyWithEnoughAddressesIsFoundAndLearnsTheBus) {
  TMoBaSolenoidProtocol* motorola = FindOrAddSolenoidProtocol(List, prM, 0, 12, 1);
  ASSERT_EQ(motorola, List.Items(0));
  EXPECT_EQ(motorola->Name, "Motorola Solenoid");
  EXPECT_EQ(GroupsToText(motorola->Groups), "1");
  EXPECT_EQ(FindOrAddSolenoidProtocol(List, prM, 0, 256, 3), motorola);
  EXPECT_EQ(GroupsToText(motorola->Groups), "1,3");

  TMoBaSolenoidProtocol* nmra = FindOrAddSolenoidProtocol(List, prN, 0, 4000, 2);
  EXPECT_EQ(nmra, List.Items(1));
  EXPECT_EQ(List.Count(), 2);
}

TEST_F(SolenoidProtocols, ServersChoiceAppendsOneAutomaticProtocolThatIsFoundLater) {
  List.SetModified(false);
  TMoBaSolenoidProtocol* automatic = FindOrAddSolenoidProtocol(List, prP, 0, 5, 1);
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List.Items(2), automatic);
  EXPECT_TRUE(List.Modified());
  EXPECT_EQ(automatic->Base, MoBaBaseCustom);
  EXPECT_EQ(automatic->Name, "Automatic solenoid protocol");
  EXPECT_EQ(automatic->Desc, "Automatic solenoid protocol with 256 addresses.");
  EXPECT_EQ(automatic->MaxAddress, 256);
  EXPECT_EQ(automatic->MaxPort, 1);
  EXPECT_EQ(automatic->MaxValue, 1);

  EXPECT_EQ(FindOrAddSolenoidProtocol(List, prInvalid, 0, 9, 2), automatic);
  EXPECT_EQ(GroupsToText(automatic->Groups), "1,2");
  EXPECT_EQ(List.Count(), 3);
}

TEST_F(SolenoidProtocols, AddressesNoProtocolReachesGetANewProtocolEachTime) {
  TMoBaSolenoidProtocol* first = FindOrAddSolenoidProtocol(List, prM, 0, 300, 1);
  EXPECT_NE(first, List.Items(0));
  EXPECT_EQ(first->Base, MoBaBaseMotorola);
  EXPECT_EQ(FindOrAddSolenoidProtocol(List, prM, 0, 0, 1)->Name, "Automatic solenoid protocol");
  EXPECT_EQ(List.Count(), 4);
}

TEST_F(SolenoidProtocols, PortsAndValuesAreNotComparedButTheVersionIs) {
  List.Items(0)->MaxPort = 7;
  EXPECT_EQ(FindOrAddSolenoidProtocol(List, prM, 0, 1, 1), List.Items(0));
  TMoBaSolenoidProtocol* version1 = FindOrAddSolenoidProtocol(List, prM, 1, 1, 1);
  EXPECT_EQ(List.Count(), 3);
  EXPECT_EQ(version1->Extension, 1);
}

TEST_F(SolenoidProtocols, ABusBeyondTheGroupsRangeIsNotRecorded) {
  TMoBaSolenoidProtocol* motorola = nullptr;
  EXPECT_NO_THROW(motorola = FindOrAddSolenoidProtocol(List, prM, 0, 12, 256));
  EXPECT_EQ(motorola, List.Items(0));
  EXPECT_TRUE(motorola->Groups.none());
  EXPECT_NO_THROW(FindOrAddSolenoidProtocol(List, prM, 0, 12, -1));
}

TEST(SolenoidRecord, StartsTerminatedWithOneTimeStampPerPort) {
  TMoBaSRCPSolenoid record;
  EXPECT_EQ(record.SRCPState(), mssTerminated);
  EXPECT_EQ(record.Bus(), 0);
  EXPECT_EQ(record.PortTimeStamps(), (std::vector<double>{0.0, 0.0}));
  record.SetPortTimeStamp(2, 9.0);  // no such port
  EXPECT_EQ(record.PortTimeStamp(2), 0.0);
  EXPECT_EQ(record.PortTimeStamps().size(), 2u);
}

TEST(SolenoidRecord, TimeStampsFollowThePortCountOfANewProtocol) {
  TMoBaSolenoidProtocol eight;
  eight.MaxPort = 7;
  TMoBaSolenoidProtocol single;
  single.MaxPort = 0;
  TMoBaSRCPSolenoid record;
  record.SetPortTimeStamp(1, 4.0);
  record.SetProtocol(&eight);
  ASSERT_EQ(record.PortTimeStamps().size(), 8u);
  record.SetPortTimeStamp(7, 5.0);
  EXPECT_EQ(record.PortTimeStamp(1), 4.0);
  EXPECT_EQ(record.PortTimeStamp(7), 5.0);
  record.SetProtocol(&single);
  EXPECT_EQ(record.PortTimeStamps(), (std::vector<double>{0.0}));
}

TEST(SolenoidRecord, AssignCopiesStateAndBusButNotTheTimeStamps) {
  TMoBaSolenoidProtocol four;
  four.MaxPort = 3;
  TMoBaSRCPSolenoid source;
  source.SetProtocol(&four);
  source.SetAddress(12);
  source.SetBus(3);
  source.SetSRCPState(mssActivNoRead);
  source.SetPortValue(2, 1);
  source.SetPortTimeStamp(2, 8.0);

  TMoBaSRCPSolenoid dest;
  dest.SetPortTimeStamp(0, 1.0);
  dest.Assign(source);
  EXPECT_EQ(dest.Address(), 12);
  EXPECT_EQ(dest.Bus(), 3);
  EXPECT_EQ(dest.SRCPState(), mssActivNoRead);
  EXPECT_EQ(dest.PortValue(2), 1);
  // Four ports now, and the stamps with them; its own stamp stays.
  EXPECT_EQ(dest.PortTimeStamps(), (std::vector<double>{1.0, 0.0, 0.0, 0.0}));

  std::unique_ptr<TMoBaBaseDevice> made = source.Create();
  EXPECT_NE(dynamic_cast<TMoBaSRCPSolenoid*>(made.get()), nullptr);
}

}  // namespace
}  // namespace tenvarra
