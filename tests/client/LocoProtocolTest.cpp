#include <gtest/gtest.h>

#include "client/LocoClient.h"
#include "client/LocoConversions.h"
#include "common/TempDir.h"
#include "devices/Catalogue.h"

namespace tenvarra {
namespace {

// A catalogue of its own, filled like the process-wide one, so that the
// protocols a test appends stay with the test.
class LocoProtocolCatalogue : public ::testing::Test {
protected:
  LocoProtocolCatalogue() {
    FillDefaultLocoProtocols(List);
    List.SetModified(false);
  }

  TMoBaLocoProtocol* Find(TSRCPProtocol Protocol, int32_t Version, int32_t Steps, int32_t Bus,
                          int32_t Address, int32_t Functions) {
    return FindOrAddLocoProtocol(List, Protocol, Version, Steps, Bus, Address, Functions);
  }

  test::TTempDir Dir;
  TMoBaProfiles Store{Dir.Path()};
  TMoBaLocoProtocolList List{true, &Store};
};

TEST_F(LocoProtocolCatalogue, FindsTheFirstDefaultThatReachesTheAddressAndRecordsTheBus) {
  TMoBaLocoProtocol* low = Find(prM, 2, 14, 1, 24, 5);
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(low->Name, "Motorola 2");
  EXPECT_EQ(GroupsToText(low->Groups), "1");
  // Motorola 2 ends at 80; the next one with the same limits reaches 255.
  TMoBaLocoProtocol* high = Find(prM, 2, 14, 3, 100, 5);
  ASSERT_NE(high, nullptr);
  EXPECT_EQ(high->Name, "Motorola 4");
  EXPECT_EQ(GroupsToText(high->Groups), "3");
  EXPECT_EQ(List.Count(), 11);
  EXPECT_FALSE(List.Modified());
}

TEST_F(LocoProtocolCatalogue, AppendsOneAutomaticProtocolAndFindsItAgainOnAnotherBus) {
  TMoBaLocoProtocol* first = Find(prN, 2, 28, 1, 3, 9);
  ASSERT_EQ(List.Count(), 12);
  EXPECT_EQ(List.Items(11), first);
  EXPECT_TRUE(List.Modified());
  EXPECT_EQ(first->Name, "Automatic loco protocol");
  EXPECT_EQ(first->Desc,
            "Automatic loco protocol with 256 addresses, 28 speed steps and 9 function(s).");
  EXPECT_EQ(first->Base, MoBaBaseNmra);
  EXPECT_EQ(first->Extension, 2);
  EXPECT_EQ(first->MinSteps, 0);
  EXPECT_EQ(first->MaxSteps, 28);
  EXPECT_EQ(first->MaxFunctions, 9);

  EXPECT_EQ(Find(prN, 2, 28, 2, 17, 9), first);
  EXPECT_EQ(List.Count(), 12);
  EXPECT_EQ(GroupsToText(first->Groups), "1,2");
}

TEST_F(LocoProtocolCatalogue, EveryCompareFieldTellsProtocolsApart) {
  // Each differs from Motorola 2 in one compared field only.
  EXPECT_EQ(Find(prN, 2, 14, 1, 5, 5)->Name, "Automatic loco protocol");   // family
  EXPECT_EQ(Find(prM, 3, 14, 1, 5, 5)->Name, "Automatic loco protocol");   // version
  EXPECT_EQ(Find(prM, 2, 15, 1, 5, 5)->Name, "Automatic loco protocol");   // speed steps
  EXPECT_EQ(Find(prM, 2, 14, 1, 5, 6)->Name, "Automatic loco protocol");   // functions
  EXPECT_EQ(List.Count(), 15);
}

TEST_F(LocoProtocolCatalogue, AnAddressBeyondEveryProtocolKeepsItsLocoAndItsProtocol) {
  // With only the default 256 addresses the loco at 300 would be moved to
  // 256, and each later report for it would add one more protocol.
  TMoBaLocoProtocol* added = Find(prM, 2, 14, 1, 300, 5);
  EXPECT_EQ(added->MaxAddress, 300);
  EXPECT_EQ(added->Desc,
            "Automatic loco protocol with 300 addresses, 14 speed steps and 5 function(s).");
  EXPECT_EQ(Find(prM, 2, 14, 1, 300, 5), added);
  EXPECT_EQ(List.Count(), 12);

  TMoBaLocoProtocol* wide = Find(prN, 2, 28, 1, 20, 9);
  EXPECT_EQ(wide->MaxAddress, 256);
}

TEST_F(LocoProtocolCatalogue, AddressZeroIsLookedForAsOneAndAddsNothingTwice) {
  EXPECT_EQ(Find(prM, 2, 14, 1, 0, 5)->Name, "Motorola 2");
  TMoBaLocoProtocol* added = Find(prN, 4, 14, 1, 0, 3);
  EXPECT_EQ(Find(prN, 4, 14, 1, -5, 3), added);
  EXPECT_EQ(List.Count(), 12);
}

TEST_F(LocoProtocolCatalogue, BusNumbersBeyondTheGroupsAreNotRecorded) {
  TMoBaLocoProtocol* found = nullptr;
  EXPECT_NO_THROW(found = Find(prM, 2, 14, 300, 24, 5));
  EXPECT_TRUE(found->Groups.none());
  EXPECT_NO_THROW(found = Find(prM, 2, 14, -1, 24, 5));
  EXPECT_TRUE(found->Groups.none());
  EXPECT_EQ(Find(prM, 2, 14, 255, 24, 5)->Groups.count(), 1u);
}

TEST_F(LocoProtocolCatalogue, AnUnsetVersionCountsAsNoVersion) {
  TMoBaLocoProtocol* added = Find(prS, -1, 14, 1, 5, 1);
  EXPECT_EQ(added->Extension, 0);
  EXPECT_EQ(Find(prS, 0, 14, 1, 5, 1), added);
}

// --- conversions ------------------------------------------------------------

TEST(LocoDriveModes, ChangeFlipsTheWireDirectionFromThePreviousOne) {
  EXPECT_EQ(DriveModeToSRCP(mdmChange, dmForward), dmBackward);
  EXPECT_EQ(DriveModeToSRCP(mdmChange, dmBackward), dmForward);
  // Anything that is not forward counts as "not forward".
  EXPECT_EQ(DriveModeToSRCP(mdmChange, dmEmergencyStop), dmForward);
  EXPECT_EQ(DriveModeToSRCP(mdmChange, dmKeep), dmForward);
  // The modes a loco only passes through have no wire form.
  EXPECT_EQ(DriveModeToSRCP(mdmNext, dmForward), dmInvalid);
  EXPECT_EQ(DriveModeToSRCP(mdmInvalid, dmForward), dmInvalid);
}

TEST(LocoFamilies, LettersMatchFamiliesExceptTheServersChoice) {
  // Every family but custom goes out under its own letter and comes back.
  for (uint8_t base = 1; base < MoBaProtocolBases.size(); ++base) {
    const TSRCPProtocol wire = SRCPProtocolOfBase(base);
    EXPECT_EQ(ProtocolLetter(wire), std::string(1, LetterOfBase(base))) << int(base);
    EXPECT_EQ(ProtocolBaseOfSRCP(wire), base);
  }
  EXPECT_EQ(SRCPProtocolOfBase(MoBaBaseCustom), prP);
  EXPECT_EQ(SRCPProtocolOfBase(200), prP);
  EXPECT_EQ(ProtocolBaseOfSRCP(prP), MoBaBaseCustom);
  EXPECT_EQ(ProtocolBaseOfSRCP(prInvalid), MoBaBaseCustom);
  EXPECT_EQ(SRCPProtocolOf(nullptr), prInvalid);
  // So a server-chosen INIT and one without letter find the same protocol.
  test::TTempDir dir;
  TMoBaProfiles store(dir.Path());
  TMoBaLocoProtocolList list(true, &store);
  TMoBaLocoProtocol* chosen = FindOrAddLocoProtocol(list, prP, 0, 14, 1, 5, 1);
  EXPECT_EQ(FindOrAddLocoProtocol(list, prInvalid, 0, 14, 1, 6, 1), chosen);
}

}  // namespace
}  // namespace tenvarra
