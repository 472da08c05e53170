#include "devices/Profiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/IniFile.h"
#include "common/TempDir.h"

namespace tenvarra {
namespace {

class Profiles : public ::testing::Test {
protected:
  std::vector<std::string> Names(const TMoBaProfiles& store) const {
    std::vector<std::string> names;
    for (int32_t i = 0; i < store.Count(); ++i) {
      EXPECT_EQ(store.Items(i)->FileName(), FDir.File(store.Items(i)->Name()));
      names.push_back(store.Items(i)->Name());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TTempDir FDir;
};

TEST_F(Profiles, EmptyDirectoryGivesOneDefaultProfileThatIsNotCreated) {
  TMoBaProfiles store(FDir.Path() + "/");
  EXPECT_EQ(store.Directory(), FDir.Path() + "/");  // exactly one slash
  EXPECT_EQ(Names(store), std::vector<std::string>{"Default.mpr"});
  EXPECT_EQ(store.CurrentIndex(), 0);
  EXPECT_FALSE(FDir.Exists("Default.mpr"));
}

TEST_F(Profiles, ScanFindsRegularProfileFilesAndKeepsTheCurrentOneByName) {
  for (const char* name : {"b.mpr", "a.mpr", "a.mpr.bak", "notes.txt", "mpr"})
    FDir.Write(name, "[S]\r\nK=" + std::string(name) + "\r\n");
  std::filesystem::create_directory(FDir.File("folder.mpr"));
  TMoBaProfiles store(FDir.Path());
  EXPECT_EQ(Names(store), (std::vector<std::string>{"a.mpr", "b.mpr"}));
  for (int round = 0; round < 2; ++round) {  // the INI file follows the current profile
    store.SetCurrentIndex(1 - store.CurrentIndex());
    EXPECT_EQ(store.IniFile()->ReadString("S", "K", ""), store.Current()->Name());
  }
  const std::string current = store.Current()->Name();
  FDir.Write("c.mpr", "[S]\r\nK=c\r\n");
  store.Rescan();
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.Current()->Name(), current);
  // A new file name for the current profile opens that file at once.
  store.Current()->SetFileName(FDir.File("c.mpr"));
  EXPECT_EQ(store.IniFile()->ReadString("S", "K", ""), "c");

  // When the current profile disappears none is current, until the next scan.
  std::filesystem::remove(FDir.File("c.mpr"));
  store.Rescan();
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(store.Current(), nullptr);
  EXPECT_EQ(store.IniFile(), nullptr);
  store.Rescan();
  EXPECT_EQ(store.CurrentIndex(), 0);
}

TEST_F(Profiles, ParticipantsTakePartWhileActiveAndNoneOutlivesTheStore) {
  auto store = std::make_unique<TMoBaProfiles>(FDir.Path());
  TMoBaProfileItem active(store.get());
  int loads = 0;
  active.OnLoad = [&](TMoBaProfileItem& sender) { loads += &sender == &active; };
  store->LoadProfile();
  EXPECT_EQ(active.IniFile(), nullptr);  // inactive: neither asked nor given the file
  active.SetActive(true);
  active.SetActive(true);
  {
    TMoBaProfileItem shortLived(store.get());
    shortLived.SetActive(true);
  }
  EXPECT_EQ(store->ParticipantCount(), 1);  // twice active is once; destruction leaves
  EXPECT_EQ(active.IniFile(), store->IniFile());
  store->LoadProfile();
  EXPECT_EQ(loads, 1);

  store.reset();
  EXPECT_FALSE(active.Active());
  active.SetActive(true);  // nothing to join any more
  EXPECT_EQ(active.IniFile(), nullptr);
}

}  // namespace
}  // namespace tenvarra
