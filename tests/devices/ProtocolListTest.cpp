#include "devices/ProtocolList.h"

#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "common/TempDir.h"

namespace tenvarra {
namespace {

// Counts its destructions so the tests can see who destroys what.
class TCountedProtocol : public TMoBaLocoProtocol {
public:
  explicit TCountedProtocol(int& destroyed) : FDestroyed(destroyed) {}
  ~TCountedProtocol() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

std::unique_ptr<TMoBaLocoProtocol> Named(const std::string& name) {
  auto p = std::make_unique<TMoBaLocoProtocol>();
  p->Name = name;
  return p;
}

class ProtocolList : public ::testing::Test {
protected:
  test::TTempDir FDir;
  TMoBaProfiles FStore{FDir.Path()};
};

TEST_F(ProtocolList, AddAppendsInOrderAndMarksModified) {
  TMoBaLocoProtocolList list(true, &FStore);
  EXPECT_TRUE(list.OwnsItems());
  EXPECT_FALSE(list.Modified());
  EXPECT_EQ(list.Add(Named("a")), 0);
  EXPECT_EQ(list.Add(Named("b")), 1);
  EXPECT_TRUE(list.Modified());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(1)->Name, "b");
  EXPECT_EQ(list.Items(2), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);
  EXPECT_EQ(list.IndexOf(list.Items(1)), 1);
}

TEST_F(ProtocolList, OwningListDestroysRemovedItemsAndHandsExtractedOnesBack) {
  int destroyed = 0;
  {
    TMoBaLocoProtocolList list(true, &FStore);
    for (int i = 0; i < 4; ++i) list.Add(std::make_unique<TCountedProtocol>(destroyed));
    list.Delete(0);
    EXPECT_EQ(destroyed, 1);
    std::unique_ptr<TMoBaBaseProtocol> taken = list.Extract(0);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(list.Count(), 2);
    taken.reset();
    EXPECT_EQ(destroyed, 2);
    list.Clear();
    EXPECT_EQ(destroyed, 4);
    list.Add(std::make_unique<TCountedProtocol>(destroyed));
  }
  EXPECT_EQ(destroyed, 5);  // the list's destruction took the last one
}

TEST_F(ProtocolList, ListThatDoesNotOwnItsItemsLeavesThemAlone) {
  int destroyed = 0;
  TCountedProtocol kept(destroyed);
  {
    TMoBaLocoProtocolList list(false, &FStore);
    EXPECT_EQ(list.AddReference(&kept), 0);
    EXPECT_THROW(list.Add(Named("x")), std::logic_error);
    EXPECT_EQ(list.Extract(0), nullptr);
    list.Delete(0);
    list.AddReference(&kept);
  }
  EXPECT_EQ(destroyed, 0);
  TMoBaLocoProtocolList owning(true, &FStore);
  EXPECT_THROW(owning.AddReference(&kept), std::logic_error);
}

TEST_F(ProtocolList, CreateItemAndCreateGiveTheListsKind) {
  TMoBaLocoProtocolList locos(true, &FStore);
  TMoBaSolenoidProtocolList solenoids(true, &FStore);
  EXPECT_NE(dynamic_cast<TMoBaLocoProtocol*>(locos.CreateItem().get()), nullptr);
  EXPECT_NE(dynamic_cast<TMoBaSolenoidProtocol*>(solenoids.CreateItem().get()), nullptr);
  EXPECT_EQ(locos.Count(), 0);
  EXPECT_NE(dynamic_cast<TMoBaSolenoidProtocolList*>(solenoids.Create().get()), nullptr);
  EXPECT_EQ(locos.SectionName(12), "LocoProtocol12");
  EXPECT_EQ(solenoids.SectionName(0), "SolenoidProtocol0");
  EXPECT_EQ(solenoids.IndexSection(), "SolenoidProtocols");
}

TEST_F(ProtocolList, SavingThreeOverFiveErasesAllOldItemSections) {
  FDir.Write("p.mpr",
             "[LocoProtocols]\r\nLocoProtocol0=\r\nLocoProtocol1=\r\nLocoProtocol2=\r\n"
             "LocoProtocol3=\r\nLocoProtocol4=\r\n"
             "[LocoProtocol0]\r\nName=old0\r\n[LocoProtocol1]\r\nName=old1\r\n"
             "[LocoProtocol2]\r\nName=old2\r\n[LocoProtocol3]\r\nName=old3\r\n"
             "[LocoProtocol4]\r\nName=old4\r\nMaxSteps=99\r\n[Other]\r\nKeep=1\r\n");
  TIniFile ini(FDir.File("p.mpr"));
  TMoBaLocoProtocolList list(true, &FStore);
  for (const char* name : {"x", "y", "z"}) list.Add(Named(name));
  list.SaveToIni(ini);
  EXPECT_FALSE(list.Modified());

  TIniFile reread(FDir.File("p.mpr"));
  EXPECT_EQ(reread.ReadSection("LocoProtocols"),
            (std::vector<std::string>{"LocoProtocol0", "LocoProtocol1", "LocoProtocol2"}));
  EXPECT_EQ(reread.ReadString("LocoProtocols", "LocoProtocol0", "?"), "");
  EXPECT_FALSE(reread.SectionExists("LocoProtocol3"));
  EXPECT_FALSE(reread.SectionExists("LocoProtocol4"));
  EXPECT_EQ(reread.ReadString("LocoProtocol2", "Name", ""), "z");
  EXPECT_EQ(reread.ReadInteger("Other", "Keep", 0), 1);
}

TEST_F(ProtocolList, LoadingFollowsTheIndexKeyOrderAndSkipsForeignKeys) {
  FDir.Write("p.mpr",
             "[LocoProtocols]\r\nLocoProtocol7=\r\nSomethingElse=\r\nLocoProtocol2=\r\n"
             "[LocoProtocol2]\r\nName=second\r\nMaxSteps=28\r\n"
             "[LocoProtocol7]\r\nName=first\r\nMaxSteps=14\r\n"
             "[SomethingElse]\r\nName=never\r\n");
  TMoBaLocoProtocolList list(true, &FStore);
  list.Add(Named("replaced"));
  list.LoadFromIni(TIniFile(FDir.File("p.mpr")));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->Name, "first");
  EXPECT_EQ(list.Items(0)->MaxSteps, 14);
  EXPECT_EQ(list.Items(1)->Name, "second");
  EXPECT_EQ(list.Items(1)->MaxSteps, 28);
  EXPECT_FALSE(list.Modified());
}

TEST_F(ProtocolList, SaveAndLoadRoundTripAList) {
  TMoBaSolenoidProtocolList list(true, &FStore);
  for (int i = 0; i < 3; ++i) {
    auto p = std::make_unique<TMoBaSolenoidProtocol>();
    p->Name = "S" + std::to_string(i);
    p->MaxPort = i + 1;
    p->Groups.set(10 * i);
    list.Add(std::move(p));
  }
  TIniFile ini(FDir.File("p.mpr"));
  list.SaveToIni(ini);
  TMoBaSolenoidProtocolList back(true, &FStore);
  back.LoadFromIni(TIniFile(FDir.File("p.mpr")));
  ASSERT_EQ(back.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.Items(i)->Name, list.Items(i)->Name);
    EXPECT_EQ(back.Items(i)->MaxPort, i + 1);
    EXPECT_EQ(back.Items(i)->Groups, list.Items(i)->Groups);
  }
}

TEST_F(ProtocolList, ProfileHandlersWorkThroughTheStoresCurrentProfile) {
  TMoBaLocoProtocolList list(true, &FStore);
  list.Add(Named("kept"));
  // Inactive participants are not asked.
  FStore.SaveProfile();
  EXPECT_TRUE(list.Modified());
  EXPECT_FALSE(FDir.Exists("Default.mpr"));

  list.ProfileItem().SetActive(true);
  EXPECT_TRUE(FStore.QueryModified());
  FStore.SaveProfile();
  EXPECT_FALSE(list.Modified());
  EXPECT_FALSE(FStore.QueryModified());
  EXPECT_TRUE(FDir.Exists("Default.mpr"));

  FStore.NewProfile();
  EXPECT_EQ(list.Count(), 0);
  list.Add(Named("scratch"));
  FStore.ClearModified();
  EXPECT_FALSE(list.Modified());

  FStore.LoadProfile();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->Name, "kept");
}

}  // namespace
}  // namespace tenvarra
