#include "shell/DataDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "common/TempDir.h"

namespace tenvarra {
namespace {

using test::TTempDir;

// Inputs whose writable directories are exactly those listed; every
// directory asked about is recorded.
struct TFakeInputs {
  std::set<std::string> WritableDirs;
  std::vector<std::string> Asked;

  TDataDirInputs Make(const std::string& ExeDir) {
    TDataDirInputs inputs;
    inputs.ExecutableDir = ExeDir;
    inputs.InstalledBinDir = "/usr/bin";
    inputs.XdgDataHome = "/home/ann/.data";
    inputs.Home = "/home/ann";
    inputs.Writable = [this](const std::string& Dir) {
      Asked.push_back(Dir);
      return WritableDirs.count(Dir) > 0;
    };
    return inputs;
  }
};

TEST(DataDirTest, AWritableProgramDirectoryKeepsTheData) {
  TFakeInputs fake{{"/home/ann/src/tenvarra/build/plain/src/app"}, {}};
  const TDataDirChoice choice = ChooseDataDir(fake.Make("/home/ann/src/tenvarra/build/plain/src/app"));
  EXPECT_EQ(choice.Dir, "/home/ann/src/tenvarra/build/plain/src/app");
  EXPECT_EQ(choice.Source, TDataDirSource::dsExecutable);
}

TEST(DataDirTest, AReadOnlyProgramDirectoryGivesTheXdgDataHome) {
  TFakeInputs fake;
  const TDataDirChoice choice = ChooseDataDir(fake.Make("/opt/tenvarra/bin"));
  EXPECT_EQ(choice.Dir, "/home/ann/.data/tenvarra");
  EXPECT_EQ(choice.Source, TDataDirSource::dsUser);
  EXPECT_EQ(fake.Asked, std::vector<std::string>{"/opt/tenvarra/bin"});
}

TEST(DataDirTest, WithoutXdgDataHomeTheHomeLocalShareIsUsed) {
  TFakeInputs fake;
  TDataDirInputs inputs = fake.Make("/opt/tenvarra/bin");
  inputs.XdgDataHome.clear();
  EXPECT_EQ(ChooseDataDir(inputs).Dir, "/home/ann/.local/share/tenvarra");
}

TEST(DataDirTest, ARelativeXdgDataHomeIsIgnored) {
  EXPECT_EQ(UserDataDir("data", "/home/ann"), "/home/ann/.local/share/tenvarra");
  EXPECT_EQ(UserDataDir("/x/data/", "/home/ann"), "/x/data/tenvarra");
  EXPECT_EQ(UserDataDir("", "/home/ann/"), "/home/ann/.local/share/tenvarra");
  EXPECT_EQ(UserDataDir("", "/"), "/.local/share/tenvarra");
  EXPECT_EQ(UserDataDir("", ""), "");
}

TEST(DataDirTest, TheInstalledBinDirectoryIsNeverUsedEvenWhenWritable) {
  // Root may write /usr/bin; loco.dat still does not belong there.
  TFakeInputs fake{{"/usr/bin"}, {}};
  const TDataDirChoice choice = ChooseDataDir(fake.Make("/usr/bin/"));
  EXPECT_EQ(choice.Dir, "/home/ann/.data/tenvarra");
  EXPECT_EQ(choice.Source, TDataDirSource::dsUser);
}

TEST(DataDirTest, DataDirOnTheCommandLineAlwaysWins) {
  TFakeInputs fake{{"/home/ann/build"}, {}};
  TDataDirInputs inputs = fake.Make("/home/ann/build");
  inputs.Explicit = "/srv/layout";
  EXPECT_EQ(ChooseDataDir(inputs).Dir, "/srv/layout");
  EXPECT_EQ(ChooseDataDir(inputs).Source, TDataDirSource::dsCommandLine);
  inputs.ExecutableDir = "/usr/bin";
  EXPECT_EQ(ChooseDataDir(inputs).Dir, "/srv/layout");
  EXPECT_TRUE(fake.Asked.empty());
}

TEST(DataDirTest, WithoutAnyHomeTheProgramDirectoryStays) {
  TFakeInputs fake;
  TDataDirInputs inputs = fake.Make("/opt/tenvarra/bin");
  inputs.XdgDataHome.clear();
  inputs.Home.clear();
  EXPECT_EQ(ChooseDataDir(inputs).Dir, "/opt/tenvarra/bin");
}

TEST(DataDirTest, TheLogLineSaysWhichDirectoryAndWhy) {
  EXPECT_EQ(DataDirLogLine({"/a", TDataDirSource::dsExecutable}), "Data directory: /a (the program's directory)");
  EXPECT_EQ(DataDirLogLine({"/b", TDataDirSource::dsCommandLine}), "Data directory: /b (--data-dir)");
  EXPECT_EQ(DataDirLogLine({"/c/tenvarra", TDataDirSource::dsUser}),
            "Data directory: /c/tenvarra (the program's directory is not for writing)");
}

TEST(DataDirTest, MakeDataDirMakesMissingParentsPrivately) {
  TTempDir dir;
  const std::string target = dir.File("share/deep/tenvarra");
  MakeDataDir(target);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_NO_THROW(MakeDataDir(target));  // already there
  EXPECT_TRUE(DirectoryWritable(target));
}

TEST(DataDirTest, MakeDataDirRefusesAFileInTheWay) {
  TTempDir dir;
  dir.Write("tenvarra", "not a directory");
  EXPECT_THROW(MakeDataDir(dir.File("tenvarra")), std::runtime_error);
  EXPECT_FALSE(DirectoryWritable(dir.File("missing")));
}

}  // namespace
}  // namespace tenvarra
