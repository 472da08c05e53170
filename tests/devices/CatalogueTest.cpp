#include "devices/Catalogue.h"

#include <gtest/gtest.h>

#include "common/TempDir.h"

namespace tenvarra {
namespace {

struct TExpectedLoco {
  const char* Name;
  char Letter;
  int32_t Extension, MaxAddress, MaxFunctions, MaxSteps;
};

TEST(Catalogue, LocoCatalogueHoldsTheElevenDefaultsInOrder) {
  const TExpectedLoco expected[] = {
      {"Motorola 1", 'M', 1, 80, 1, 14},     {"Motorola 2", 'M', 2, 80, 5, 14},
      {"Motorola 3", 'M', 2, 255, 5, 28},    {"Motorola 4", 'M', 2, 255, 5, 14},
      {"Motorola 5", 'M', 2, 80, 5, 27},     {"Motorola Function", 'M', 2, 80, 5, 1},
      {"NMRA Base", 'N', 1, 99, 1, 14},      {"NMRA 1", 'N', 2, 99, 5, 28},
      {"NMRA 2", 'N', 2, 99, 5, 128},        {"NMRA 3", 'N', 2, 10239, 5, 28},
      {"NMRA 4", 'N', 2, 10239, 5, 128},
  };
  const TMoBaLocoProtocolList& catalogue = MoBaLocoProtocols();
  ASSERT_GE(catalogue.Count(), 11);  // the client may append, never reorder
  for (int32_t i = 0; i < 11; ++i) {
    SCOPED_TRACE(i);
    const TMoBaLocoProtocol* p = catalogue.Items(i);
    EXPECT_EQ(p->Name, expected[i].Name);
    EXPECT_EQ(LetterOfBase(p->Base), expected[i].Letter);
    EXPECT_EQ(p->Extension, expected[i].Extension);
    EXPECT_EQ(p->MaxAddress, expected[i].MaxAddress);
    EXPECT_EQ(p->MaxFunctions, expected[i].MaxFunctions);
    EXPECT_EQ(p->MinSteps, 0);
    EXPECT_EQ(p->MaxSteps, expected[i].MaxSteps);
    EXPECT_EQ(p->Desc, MoBaDefaultLocoProtocols[i].Desc);
  }
  EXPECT_EQ(catalogue.Items(0)->Desc, "Old Motorola format (Only 1 function).");
  EXPECT_EQ(catalogue.Items(4)->Desc,
            "New Motorola format (type 2) with 27 speed steps (newer Maerklin Decoders).");
  EXPECT_TRUE(catalogue.OwnsItems());
}

TEST(Catalogue, SolenoidCatalogueHoldsTheTwoDefaults) {
  const TMoBaSolenoidProtocolList& catalogue = MoBaSolenoidProtocols();
  ASSERT_GE(catalogue.Count(), 2);
  const TMoBaSolenoidProtocol* motorola = catalogue.Items(0);
  EXPECT_EQ(motorola->Name, "Motorola Solenoid");
  EXPECT_EQ(motorola->Desc, "Motorola solenoid type 1 and 2.");
  EXPECT_EQ(motorola->Base, MoBaBaseMotorola);
  EXPECT_EQ(motorola->MaxAddress, 256);
  const TMoBaSolenoidProtocol* nmra = catalogue.Items(1);
  EXPECT_EQ(nmra->Name, "NMRA Accessory");
  EXPECT_EQ(nmra->Desc, "NMRA accessory decoder");
  EXPECT_EQ(nmra->Base, MoBaBaseNmra);
  EXPECT_EQ(nmra->MaxAddress, 4096);
  for (const auto* p : {motorola, nmra}) {
    EXPECT_EQ(p->Extension, 0);
    EXPECT_EQ(p->MaxPort, 1);
    EXPECT_EQ(p->MaxValue, 1);
  }
}

TEST(Catalogue, FillingAListGivesFreshModifiedCopiesWithoutGroups) {
  test::TTempDir dir;
  TMoBaProfiles store(dir.Path());
  TMoBaLocoProtocolList list(true, &store);
  list.Add(std::make_unique<TMoBaLocoProtocol>());
  FillDefaultLocoProtocols(list);
  ASSERT_EQ(list.Count(), 11);
  EXPECT_TRUE(list.Modified());
  EXPECT_EQ(list.Items(5)->MaxSteps, 1);  // "Motorola Function"
  for (int32_t i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.Items(i)->Groups.none());

  TMoBaSolenoidProtocolList solenoids(true, &store);
  FillDefaultSolenoidProtocols(solenoids);
  EXPECT_EQ(solenoids.Count(), 2);
}

}  // namespace
}  // namespace tenvarra
