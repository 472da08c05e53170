#include "shell/DataDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "common/TempDir.h"

namespace tenvarra {
namespace {

using test::TTempDir;

TEST(DataDirTest, ChoiceFollowsCommandLineProgramDirectoryAndUserDirectory) {
  using enum TDataDirSource;
  struct TCase {
    const char* Name;
    std::set<std::string> Writable;
    std::string ExeDir, Explicit, XdgDataHome, Home;
    TDataDirChoice Expected;
  };
  const std::string build = "/home/ann/src/tenvarra/build/plain/src/app";
  const TCase cases[] = {
      {"writable program directory", {build}, build, "", "/home/ann/.data", "/home/ann", {build, dsExecutable}},
      {"read-only program directory", {}, "/opt/tenvarra/bin", "", "/home/ann/.data", "/home/ann",
       {"/home/ann/.data/tenvarra", dsUser}},
      {"no XDG_DATA_HOME", {}, "/opt/tenvarra/bin", "", "", "/home/ann", {"/home/ann/.local/share/tenvarra", dsUser}},
      // Root may write /usr/bin; loco.dat still does not belong there.
      {"installed bin directory", {"/usr/bin"}, "/usr/bin/", "", "/home/ann/.data", "/home/ann",
       {"/home/ann/.data/tenvarra", dsUser}},
      {"--data-dir", {"/home/ann/build"}, "/home/ann/build", "/srv/layout", "/home/ann/.data", "/home/ann",
       {"/srv/layout", dsCommandLine}},
      {"no home at all", {}, "/opt/tenvarra/bin", "", "", "", {"/opt/tenvarra/bin", dsExecutable}},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> asked;
    TDataDirInputs inputs;
    inputs.ExecutableDir = c.ExeDir;
    inputs.InstalledBinDir = "/usr/bin";
    inputs.Explicit = c.Explicit;
    inputs.XdgDataHome = c.XdgDataHome;
    inputs.Home = c.Home;
    inputs.Writable = [&](const std::string& Dir) {
      asked.push_back(Dir);
      return c.Writable.count(Dir) > 0;
    };
    const TDataDirChoice choice = ChooseDataDir(inputs);
    EXPECT_EQ(choice.Dir, c.Expected.Dir) << c.Name;
    EXPECT_EQ(choice.Source, c.Expected.Source) << c.Name;
    // Only the program directory is ever asked about, and not at all with --data-dir.
    if (!c.Explicit.empty()) { EXPECT_TRUE(asked.empty()) << c.Name; }
    if (c.ExeDir == "/opt/tenvarra/bin") { EXPECT_EQ(asked, std::vector<std::string>{c.ExeDir}) << c.Name; }
  }
}

TEST(DataDirTest, ARelativeXdgDataHomeIsIgnored) {
  EXPECT_EQ(UserDataDir("data", "/home/ann"), "/home/ann/.local/share/tenvarra");
  EXPECT_EQ(UserDataDir("/x/data/", "/home/ann"), "/x/data/tenvarra");
  EXPECT_EQ(UserDataDir("", "/home/ann/"), "/home/ann/.local/share/tenvarra");
}

TEST(DataDirTest, MakeDataDirMakesMissingParentsPrivatelyAndRefusesAFileInTheWay) {
  TTempDir dir;
  const std::string target = dir.File("share/deep/tenvarra");
  MakeDataDir(target);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_NO_THROW(MakeDataDir(target));  // already there
  EXPECT_TRUE(DirectoryWritable(target));
  dir.Write("tenvarra", "not a directory");
  EXPECT_THROW(MakeDataDir(dir.File("tenvarra")), std::runtime_error);
  EXPECT_FALSE(DirectoryWritable(dir.File("missing")));
}

}  // namespace
}  // namespace tenvarra
