#include "devices/ProtocolList.h"

#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "common/TempDir.h"

namespace tenvarra {
namespace {

// Counts its destructions so the tests can see who destroys what.
class TCountedProtocol : public TMoBaLocoProtocol {
public:
  TCountedProtocol(int& destroyed, std::string name) : FDestroyed(destroyed) { Name = name; }
  ~TCountedProtocol() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

class ProtocolList : public ::testing::Test {
protected:
  void Add(TMoBaLocoProtocolList& list, std::initializer_list<const char*> names) {
    for (const char* name : names) list.Add(std::make_unique<TCountedProtocol>(FDestroyed, name));
  }
  static std::vector<std::string> Names(const TMoBaLocoProtocolList& list) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.Count(); ++i) names.push_back(list.Items(i)->Name);
    return names;
  }

  test::TTempDir FDir;
  TMoBaProfiles FStore{FDir.Path()};
  int FDestroyed = 0;
};

TEST_F(ProtocolList, OwningListDestroysRemovedItemsAndHandsExtractedOnesBack) {
  {
    TMoBaLocoProtocolList list(true, &FStore);
    Add(list, {"a", "b", "c", "d"});
    EXPECT_THROW(list.AddReference(list.Items(0)), std::logic_error);
    list.Delete(0);
    EXPECT_EQ(FDestroyed, 1);
    std::unique_ptr<TMoBaBaseProtocol> taken = list.Extract(0);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(FDestroyed, 1);
    list.Clear();
    EXPECT_EQ(FDestroyed, 3);
    Add(list, {"e"});
  }
  EXPECT_EQ(FDestroyed, 5);  // the extracted one, and the list's destruction took "e"

  TCountedProtocol kept(FDestroyed, "kept");
  {
    TMoBaLocoProtocolList references(false, &FStore);
    EXPECT_EQ(references.AddReference(&kept), 0);
    EXPECT_THROW(Add(references, {"x"}), std::logic_error);
    EXPECT_EQ(references.Extract(0), nullptr);
    EXPECT_THROW(references.LoadFromIni(TIniFile(FDir.File("none.mpr"))), std::logic_error);
    references.Delete(0);
    references.AddReference(&kept);
  }
  EXPECT_EQ(FDestroyed, 6);  // the refused "x" only
}

TEST_F(ProtocolList, LoadFollowsTheIndexAndSaveErasesEveryItemSectionItNamed) {
  FDir.Write("p.mpr",
             "[LocoProtocols]\r\nLocoProtocol7=\r\nOther=\r\nLocoProtocol2=\r\nLocoProtocol3=\r\n"
             "[LocoProtocol2]\r\nName=second\r\nMaxSteps=28\r\n[LocoProtocol7]\r\nName=first\r\n"
             "[LocoProtocol3]\r\nName=third\r\n[Other]\r\nName=not an item\r\n");
  TIniFile ini(FDir.File("p.mpr"));
  TMoBaLocoProtocolList list(true, &FStore);
  Add(list, {"replaced"});
  list.LoadFromIni(ini);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_EQ(list.Items(1)->MaxSteps, 28);
  EXPECT_EQ(FDestroyed, 1);

  list.Delete(0);
  list.SaveToIni(ini);
  EXPECT_FALSE(list.Modified());
  TMoBaSolenoidProtocolList solenoids(true, &FStore);
  solenoids.Add(std::make_unique<TMoBaSolenoidProtocol>());
  solenoids.SaveToIni(ini);
  const TIniFile reread(FDir.File("p.mpr"));
  EXPECT_EQ(reread.ReadSections(),
            (std::vector<std::string>{"Other", "LocoProtocols", "LocoProtocol0", "LocoProtocol1",
                                      "SolenoidProtocols", "SolenoidProtocol0"}));
  TMoBaLocoProtocolList back(true, &FStore);
  back.LoadFromIni(reread);
  EXPECT_EQ(Names(back), (std::vector<std::string>{"second", "third"}));
}

TEST_F(ProtocolList, ProfileHandlersWorkThroughTheStoresCurrentProfile) {
  TMoBaLocoProtocolList list(true, &FStore);
  Add(list, {"kept"});
  list.ProfileItem().SetActive(true);
  EXPECT_TRUE(FStore.QueryModified());
  FStore.SaveProfile();
  EXPECT_FALSE(FStore.QueryModified());
  FStore.NewProfile();
  EXPECT_EQ(list.Count(), 0);
  Add(list, {"scratch"});
  FStore.ClearModified();
  EXPECT_FALSE(list.Modified());
  FStore.LoadProfile();
  EXPECT_EQ(Names(list), std::vector<std::string>{"kept"});
}

}  // namespace
}  // namespace tenvarra
