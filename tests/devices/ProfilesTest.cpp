#include "devices/Profiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/IniFile.h"
#include "common/TempDir.h"

namespace tenvarra {
namespace {

std::vector<std::string> Names(const TMoBaProfiles& store) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < store.Count(); ++i) names.push_back(store.Items(i)->Name());
  std::sort(names.begin(), names.end());
  return names;
}

class Profiles : public ::testing::Test {
protected:
  test::TTempDir FDir;
};

TEST_F(Profiles, EmptyDirectoryGivesOneUncreatedDefaultProfile) {
  TMoBaProfiles store(FDir.Path());
  ASSERT_EQ(store.Count(), 1);
  EXPECT_EQ(store.CurrentIndex(), 0);
  EXPECT_EQ(store.Current()->FileName(), FDir.Path() + "/Default.mpr");
  EXPECT_EQ(store.Current()->Name(), "Default.mpr");
  EXPECT_FALSE(FDir.Exists("Default.mpr"));
}

TEST_F(Profiles, DirectoryGetsExactlyOneTrailingSlash) {
  TMoBaProfiles store(FDir.Path());
  EXPECT_EQ(store.Directory(), FDir.Path() + "/");
  store.SetDirectory(FDir.Path() + "/");
  EXPECT_EQ(store.Directory(), FDir.Path() + "/");
  EXPECT_EQ(store.Current()->FileName(), FDir.Path() + "/Default.mpr");
}

TEST_F(Profiles, FindsOnlyRegularFilesWithTheProfileExtension) {
  FDir.Write("b.mpr", "");
  FDir.Write("a.mpr", "");
  FDir.Write("a.mpr.bak", "");
  FDir.Write("notes.txt", "");
  FDir.Write("mpr", "");
  std::filesystem::create_directory(FDir.File("folder.mpr"));
  TMoBaProfiles store(FDir.Path());
  EXPECT_EQ(Names(store), (std::vector<std::string>{"a.mpr", "b.mpr"}));
  EXPECT_EQ(store.CurrentIndex(), 0);
  for (int32_t i = 0; i < store.Count(); ++i)
    EXPECT_EQ(store.Items(i)->FileName(), FDir.Path() + "/" + store.Items(i)->Name());
}

TEST_F(Profiles, RescanKeepsTheCurrentProfileByName) {
  FDir.Write("a.mpr", "");
  FDir.Write("b.mpr", "");
  TMoBaProfiles store(FDir.Path());
  const int32_t other = store.CurrentIndex() == 0 ? 1 : 0;
  store.SetCurrentIndex(other);
  const std::string current = store.Current()->Name();
  FDir.Write("c.mpr", "");
  store.Rescan();
  ASSERT_EQ(store.Count(), 3);
  ASSERT_NE(store.Current(), nullptr);
  EXPECT_EQ(store.Current()->Name(), current);
}

TEST_F(Profiles, CurrentProfileThatDisappearsLeavesNoneCurrent) {
  FDir.Write("a.mpr", "");
  FDir.Write("b.mpr", "");
  TMoBaProfiles store(FDir.Path());
  const std::string current = store.Current()->Name();
  std::filesystem::remove(FDir.File(current));
  store.SetDirectory(FDir.Path());
  EXPECT_EQ(store.Count(), 1);
  EXPECT_EQ(store.CurrentIndex(), -1);
  EXPECT_EQ(store.Current(), nullptr);
  EXPECT_EQ(store.IniFile(), nullptr);
  // With none current, the next scan starts again at the first profile.
  store.Rescan();
  EXPECT_EQ(store.CurrentIndex(), 0);
}

TEST_F(Profiles, NameIsThePartAfterTheLastSlash) {
  TMoBaProfiles store(FDir.Path());
  TMoBaProfile profile(store, "/some/where/Layout.v2.mpr");
  EXPECT_EQ(profile.Name(), "Layout.v2.mpr");
  TMoBaProfile bare(store, "plain.mpr");
  EXPECT_EQ(bare.Name(), "plain.mpr");
}

TEST_F(Profiles, IniFileFollowsTheCurrentProfile) {
  FDir.Write("a.mpr", "[S]\r\nK=a\r\n");
  FDir.Write("b.mpr", "[S]\r\nK=b\r\n");
  TMoBaProfiles store(FDir.Path());
  ASSERT_NE(store.IniFile(), nullptr);
  EXPECT_EQ(store.IniFile()->ReadString("S", "K", ""), store.Current()->Name().substr(0, 1));
  store.SetCurrentIndex(1 - store.CurrentIndex());
  EXPECT_EQ(store.IniFile()->ReadString("S", "K", ""), store.Current()->Name().substr(0, 1));

  // A new file name for the current profile opens that file at once.
  FDir.Write("c.mpr", "[S]\r\nK=c\r\n");
  store.Current()->SetFileName(FDir.File("c.mpr"));
  EXPECT_EQ(store.IniFile()->FileName(), FDir.File("c.mpr"));
  EXPECT_EQ(store.IniFile()->ReadString("S", "K", ""), "c");
}

TEST_F(Profiles, ParticipantsRegisterWhileActive) {
  TMoBaProfiles store(FDir.Path());
  TMoBaProfileItem item(&store);
  EXPECT_FALSE(item.Active());
  EXPECT_EQ(item.IniFile(), nullptr);
  item.SetActive(true);
  item.SetActive(true);
  EXPECT_EQ(store.ParticipantCount(), 1);
  EXPECT_EQ(store.Participants(0), &item);
  EXPECT_EQ(item.IniFile(), store.IniFile());
  {
    TMoBaProfileItem shortLived(&store);
    shortLived.SetActive(true);
    EXPECT_EQ(store.ParticipantCount(), 2);
  }
  EXPECT_EQ(store.ParticipantCount(), 1);  // destruction left the store
  item.SetActive(false);
  EXPECT_EQ(store.ParticipantCount(), 0);
  EXPECT_EQ(item.IniFile(), nullptr);
}

TEST_F(Profiles, HandlersRunForActiveParticipantsOnly) {
  TMoBaProfiles store(FDir.Path());
  TMoBaProfileItem active(&store), inactive(&store);
  std::vector<std::string> calls;
  for (auto* item : {&active, &inactive}) {
    const std::string tag = item == &active ? "active" : "inactive";
    item->OnLoad = [&calls, tag](TMoBaProfileItem&) { calls.push_back(tag + " load"); };
    item->OnQueryModified = [](TMoBaProfileItem&, bool& modified) { modified = true; };
  }
  EXPECT_FALSE(store.QueryModified());
  active.SetActive(true);
  store.LoadProfile();
  EXPECT_EQ(calls, (std::vector<std::string>{"active load"}));
  EXPECT_TRUE(store.QueryModified());
}

TEST_F(Profiles, ParticipantOutlivingItsStoreIsDetached) {
  auto store = std::make_unique<TMoBaProfiles>(FDir.Path());
  TMoBaProfileItem item(store.get());
  item.SetActive(true);
  store.reset();
  EXPECT_FALSE(item.Active());
  item.SetActive(true);  // nothing to join any more
  EXPECT_FALSE(item.Active());
  EXPECT_EQ(item.IniFile(), nullptr);
}

}  // namespace
}  // namespace tenvarra
