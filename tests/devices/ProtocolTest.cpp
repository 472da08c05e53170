#include "devices/Protocol.h"

#include <gtest/gtest.h>

#include <tuple>

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

void Fill(TMoBaLocoProtocol& p) {
  p.Name = "Loco";
  p.Desc = "A loco protocol";
  p.Base = MoBaBaseNmra;
  p.MaxAddress = 10239;
  p.Extension = 2;
  p.Groups = GroupsOf({1, 2, 5});
  p.MinSteps = 1;
  p.MaxSteps = 128;
  p.MaxFunctions = 9;
}

auto Fields(const TMoBaLocoProtocol& p) {
  return std::make_tuple(p.Name, p.Desc, p.Base, p.MaxAddress, p.Extension, p.Groups.to_string(),
                         p.MinSteps, p.MaxSteps, p.MaxFunctions);
}

TEST(ProtocolText, UnknownFamiliesAreCustomAndGroupsKeepOnlyWholeNumbersInRange) {
  EXPECT_EQ(LetterOfBase(200), 'C');
  EXPECT_EQ(BaseOfLetter("m"), MoBaBaseCustom);  // case matters
  EXPECT_EQ(BaseOfLetter(""), MoBaBaseCustom);
  EXPECT_EQ(BaseOfLetter("Nx"), MoBaBaseNmra);  // only the first character counts
  EXPECT_EQ(GroupsToText(GroupsOf({5, 1, 255, 0})), "0,1,5,255");
  for (const char* text : {"3,x,300,-1,7", "3 x 300 -1 7", "4a,,\"7\",256,+3"})
    EXPECT_EQ(GroupsFromText(text), GroupsOf({3, 7})) << text;
}

TEST(ProtocolAssign, CopiesWhatBothClassesHaveAndRefusesUnrelatedOnes) {
  TMoBaLocoProtocol source;
  Fill(source);
  const std::unique_ptr<TMoBaBaseProtocol> clone = source.Clone();
  const auto* loco = dynamic_cast<const TMoBaLocoProtocol*>(clone.get());
  ASSERT_NE(loco, nullptr);
  EXPECT_EQ(Fields(*loco), Fields(source));

  TMoBaSolenoidProtocol solenoid;
  solenoid.MaxPort = 7;
  solenoid.Assign(source);
  EXPECT_EQ(std::tie(solenoid.Name, solenoid.Groups, solenoid.MaxPort),
            std::make_tuple(source.Name, source.Groups, 7));
  TMoBaLocoProtocol back;
  back.MaxSteps = 31;
  back.Assign(solenoid);
  EXPECT_EQ(back.MaxAddress, 10239);
  EXPECT_EQ(back.MaxSteps, 31);  // a solenoid protocol has none to give

  TMoBaBaseLoco device;
  EXPECT_THROW(back.Assign(device), EAssignError);
  EXPECT_THROW(device.Assign(back), EAssignError);
}

TEST(ProtocolIni, ProtocolsRoundTripInTheirOwnKeysAndMissingKeysReadAsZero) {
  test::TTempDir dir;
  dir.Write("p.mpr", "[Sparse]\r\nName=Only a name\r\nBase=m\r\n");
  TIniFile ini(dir.File("p.mpr"));
  TMoBaLocoProtocol source;
  Fill(source);
  source.SaveToIni(ini, "P");
  EXPECT_NE(dir.Read("p.mpr").find("[P]\r\nName=Loco\r\nDesc=A loco protocol\r\n"
                                   "MaxAddress=10239\r\nBase=N\r\nExtension=2\r\nGroups=1,2,5\r\n"
                                   "MaxSteps=128\r\nMinSteps=1\r\nMaxFunctions=9\r\n"),
            std::string::npos);
  TMoBaLocoProtocol loco;
  loco.LoadFromIni(TIniFile(dir.File("p.mpr")), "P");
  EXPECT_EQ(Fields(loco), Fields(source));
  // Every field is read, so a missing key gives zero, not the construction value.
  loco.LoadFromIni(ini, "Sparse");
  EXPECT_EQ(std::tie(loco.Name, loco.Base, loco.MaxAddress, loco.MaxSteps, loco.MaxFunctions),
            std::make_tuple("Only a name", MoBaBaseCustom, 0, 0, 0));

  TMoBaSolenoidProtocol solenoid;
  solenoid.MaxPort = 3;
  solenoid.MaxValue = 2;
  solenoid.SaveToIni(ini, "S");
  EXPECT_FALSE(ini.ValueExists("S", "MaxSteps"));
  TMoBaSolenoidProtocol solenoidBack;
  solenoidBack.LoadFromIni(ini, "S");
  EXPECT_EQ(std::tie(solenoidBack.MaxPort, solenoidBack.MaxValue), std::make_tuple(3, 2));
  solenoidBack.LoadFromIni(ini, "Absent");
  EXPECT_EQ(std::tie(solenoidBack.MaxAddress, solenoidBack.MaxPort, solenoidBack.MaxValue),
            std::make_tuple(0, 0, 0));
}

}  // namespace
}  // namespace tenvarra
