#include "devices/Protocol.h"

#include <gtest/gtest.h>

#include "devices/Loco.h"
#include "platform/IniFile.h"
#include "common/TempDir.h"

namespace tenvarra {
namespace {

TMoBaGroups GroupsOf(std::initializer_list<int> members) {
  TMoBaGroups groups;
  for (int m : members) groups.set(m);
  return groups;
}

TEST(ProtocolConstruction, StartsWithTheDocumentedLimits) {
  TMoBaLocoProtocol loco;
  EXPECT_EQ(loco.Base, MoBaBaseCustom);
  EXPECT_EQ(loco.MaxAddress, 256);
  EXPECT_EQ(loco.MinSteps, 0);
  EXPECT_EQ(loco.MaxSteps, 15);
  EXPECT_EQ(loco.MaxFunctions, 1);
  EXPECT_EQ(loco.Extension, 0);
  EXPECT_TRUE(loco.Groups.none());

  TMoBaSolenoidProtocol solenoid;
  EXPECT_EQ(solenoid.MaxAddress, 256);
  EXPECT_EQ(solenoid.MaxPort, 1);
  EXPECT_EQ(solenoid.MaxValue, 1);
}

TEST(ProtocolBases, LettersMapBothWaysAndUnknownsAreCustom) {
  for (const auto& row : MoBaProtocolBases) {
    EXPECT_EQ(LetterOfBase(row.Base), row.Letter);
    EXPECT_EQ(BaseOfLetter(std::string(1, row.Letter)), row.Base);
  }
  EXPECT_EQ(BaseOfLetter("m"), MoBaBaseCustom);  // case matters
  EXPECT_EQ(BaseOfLetter(""), MoBaBaseCustom);
  EXPECT_EQ(BaseOfLetter("Nx"), MoBaBaseNmra);  // only the first character counts
  EXPECT_EQ(BaseOfLetter("Q"), MoBaBaseCustom);
  EXPECT_EQ(LetterOfBase(200), 'C');
}

TEST(ProtocolGroups, TextIsAscendingNumbersWithBareCommas) {
  EXPECT_EQ(GroupsToText(GroupsOf({5, 1, 2})), "1,2,5");
  EXPECT_EQ(GroupsToText(GroupsOf({0, 255})), "0,255");
  EXPECT_EQ(GroupsToText(TMoBaGroups{}), "");
}

TEST(ProtocolGroups, ReadingSkipsItemsThatAreNotWholeNumbersInRange) {
  EXPECT_EQ(GroupsFromText("3,x,300,-1,7"), GroupsOf({3, 7}));
  EXPECT_EQ(GroupsFromText("3 x 300 -1 7"), GroupsOf({3, 7}));
  EXPECT_EQ(GroupsFromText("4a,,\"9\",256,255,0"), GroupsOf({0, 9, 255}));
  EXPECT_TRUE(GroupsFromText("").none());
}

// --- Assign between protocol classes -----------------------------------------

void FillLoco(TMoBaLocoProtocol& p) {
  p.Name = "Loco";
  p.Desc = "A loco protocol";
  p.Base = MoBaBaseNmra;
  p.MaxAddress = 10239;
  p.Extension = 2;
  p.Groups = GroupsOf({2, 3});
  p.MinSteps = 1;
  p.MaxSteps = 128;
  p.MaxFunctions = 9;
}

TEST(ProtocolAssign, LocoToLocoCopiesEveryField) {
  TMoBaLocoProtocol source;
  FillLoco(source);
  TMoBaLocoProtocol dest;
  dest.Assign(source);
  EXPECT_EQ(dest.Name, "Loco");
  EXPECT_EQ(dest.Desc, "A loco protocol");
  EXPECT_EQ(dest.Base, MoBaBaseNmra);
  EXPECT_EQ(dest.MaxAddress, 10239);
  EXPECT_EQ(dest.Extension, 2);
  EXPECT_EQ(dest.Groups, GroupsOf({2, 3}));
  EXPECT_EQ(dest.MinSteps, 1);
  EXPECT_EQ(dest.MaxSteps, 128);
  EXPECT_EQ(dest.MaxFunctions, 9);
}

TEST(ProtocolAssign, BetweenLocoAndSolenoidOnlyTheCommonFieldsMove) {
  TMoBaLocoProtocol loco;
  FillLoco(loco);
  TMoBaSolenoidProtocol solenoid;
  solenoid.MaxPort = 7;
  solenoid.MaxValue = 3;
  solenoid.Assign(loco);
  EXPECT_EQ(solenoid.Name, "Loco");
  EXPECT_EQ(solenoid.MaxAddress, 10239);
  EXPECT_EQ(solenoid.Groups, GroupsOf({2, 3}));
  EXPECT_EQ(solenoid.MaxPort, 7);
  EXPECT_EQ(solenoid.MaxValue, 3);

  TMoBaLocoProtocol back;
  back.Assign(solenoid);
  EXPECT_EQ(back.Name, "Loco");
  EXPECT_EQ(back.MaxSteps, 15);  // untouched construction value
  EXPECT_EQ(back.MaxFunctions, 1);
}

TEST(ProtocolAssign, ToOrFromAnUnrelatedClassIsRefused) {
  TMoBaLocoProtocol protocol;
  TMoBaBaseLoco loco;
  EXPECT_THROW(loco.Assign(protocol), EAssignError);
  EXPECT_THROW(protocol.Assign(loco), EAssignError);
  try {
    loco.Assign(protocol);
  } catch (const EAssignError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TMoBaLocoProtocol to a TMoBaBaseLoco");
  }
}

TEST(ProtocolAssign, CloneKeepsTheClassAndValues) {
  TMoBaLocoProtocol source;
  FillLoco(source);
  std::unique_ptr<TMoBaBaseProtocol> copy = source.Clone();
  auto* loco = dynamic_cast<TMoBaLocoProtocol*>(copy.get());
  ASSERT_NE(loco, nullptr);
  EXPECT_EQ(loco->MaxSteps, 128);
  EXPECT_NE(dynamic_cast<TMoBaSolenoidProtocol*>(TMoBaSolenoidProtocol().Create().get()), nullptr);
}

// --- INI form ----------------------------------------------------------------

class ProtocolIni : public ::testing::Test {
protected:
  test::TTempDir FDir;
  TIniFile FIni{FDir.File("p.mpr")};
};

TEST_F(ProtocolIni, LocoProtocolRoundTripsWithGroupsAsBareCommaText) {
  TMoBaLocoProtocol source;
  FillLoco(source);
  source.Groups = GroupsOf({1, 2, 5});
  source.SaveToIni(FIni, "P");
  EXPECT_EQ(FIni.ReadSection("P"),
            (std::vector<std::string>{"Name", "Desc", "MaxAddress", "Base", "Extension", "Groups",
                                      "MaxSteps", "MinSteps", "MaxFunctions"}));
  EXPECT_EQ(FIni.ReadString("P", "Groups", "?"), "1,2,5");
  EXPECT_EQ(FIni.ReadString("P", "Base", "?"), "N");
  EXPECT_NE(FDir.Read("p.mpr").find("Groups=1,2,5\r\n"), std::string::npos);

  TMoBaLocoProtocol back;
  back.LoadFromIni(TIniFile(FDir.File("p.mpr")), "P");
  EXPECT_EQ(back.Name, source.Name);
  EXPECT_EQ(back.Desc, source.Desc);
  EXPECT_EQ(back.Base, source.Base);
  EXPECT_EQ(back.MaxAddress, source.MaxAddress);
  EXPECT_EQ(back.Extension, source.Extension);
  EXPECT_EQ(back.Groups, source.Groups);
  EXPECT_EQ(back.MinSteps, source.MinSteps);
  EXPECT_EQ(back.MaxSteps, source.MaxSteps);
  EXPECT_EQ(back.MaxFunctions, source.MaxFunctions);
}

TEST_F(ProtocolIni, SolenoidProtocolWritesItsOwnKeys) {
  TMoBaSolenoidProtocol source;
  source.MaxPort = 3;
  source.MaxValue = 2;
  source.SaveToIni(FIni, "S");
  EXPECT_EQ(FIni.ReadSection("S").back(), "MaxValue");
  EXPECT_FALSE(FIni.ValueExists("S", "MaxSteps"));
  TMoBaSolenoidProtocol back;
  back.LoadFromIni(FIni, "S");
  EXPECT_EQ(back.MaxPort, 3);
  EXPECT_EQ(back.MaxValue, 2);
}

TEST_F(ProtocolIni, MissingKeysGiveReadDefaultsNotConstructionValues) {
  FDir.Write("p.mpr", "[P]\r\nName=Only a name\r\nBase=m\r\nGroups=3 x 300 -1 7\r\n");
  FIni.Reload();
  TMoBaLocoProtocol loco;
  loco.LoadFromIni(FIni, "P");
  EXPECT_EQ(loco.Name, "Only a name");
  EXPECT_EQ(loco.Base, MoBaBaseCustom);
  EXPECT_EQ(loco.MaxAddress, 0);
  EXPECT_EQ(loco.MaxSteps, 0);
  EXPECT_EQ(loco.MaxFunctions, 0);
  EXPECT_EQ(loco.Groups, GroupsOf({3, 7}));

  TMoBaSolenoidProtocol solenoid;
  solenoid.LoadFromIni(FIni, "Absent");
  EXPECT_EQ(solenoid.MaxPort, 0);
  EXPECT_EQ(solenoid.MaxValue, 0);
  EXPECT_EQ(solenoid.MaxAddress, 0);
}

}  // namespace
}  // namespace tenvarra
