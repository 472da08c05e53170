#include "serialport/PortDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "common/TempDir.h"
#include "platform/PollLoop.h"
#include "serialport/PtyApp.h"
#include "serialport/PtyPort.h"

namespace tenvarra {
namespace {

using test::TTempDir;
using test::WaitLimitMs;

bool IsLink(const std::string& Path) {
  struct stat st {};
  return ::lstat(Path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The message of the EVSPortError that Action raises, or "(none)".
template <typename F>
std::string ErrorOf(F&& Action) {
  try {
    Action();
  } catch (const EVSPortError& error) {
    return error.what();
  }
  return "(none)";
}

TEST(PortDirectoryTest, DefaultIsInTheRuntimeDirectoryElseAPerUserOneInTmp) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::optional<std::string> runtime = saved ? std::optional<std::string>(saved) : std::nullopt;
  ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
  EXPECT_EQ(DefaultPortDirectory(), "/run/user/1000/tenvarra");
  ::setenv("XDG_RUNTIME_DIR", "", 1);
  EXPECT_EQ(DefaultPortDirectory(), "/tmp/tenvarra-" + std::to_string(::geteuid()));
  if (runtime) {
    ::setenv("XDG_RUNTIME_DIR", runtime->c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

TEST(PortDirectoryTest, IsCreatedPrivateAndRefusedWithAClearErrorWhenOthersCouldReachIt) {
  TTempDir temp;
  TPortDirectory created(temp.File("ports"));
  struct stat st {};
  ASSERT_EQ(::stat(created.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  ASSERT_EQ(::mkdir(temp.File("open").c_str(), 0700), 0);
  ASSERT_EQ(::chmod(temp.File("open").c_str(), 0755), 0);  // past the umask
  ASSERT_EQ(::mkdir(temp.File("group").c_str(), 0700), 0);
  ASSERT_EQ(::chmod(temp.File("group").c_str(), 0770), 0);
  ASSERT_EQ(::symlink(created.Path().c_str(), temp.File("link").c_str()), 0);
  temp.Write("file", "");
  const struct {
    const char* Name;
    const char* Says;
  } refused[] = {
      {"open", "is open to other users (mode 0755); it must be private (mode 0700)"},
      {"group", "(mode 0770)"},
      {"link", "is not a directory (links are not followed)"},
      {"file", "is not a directory"},
  };
  for (const auto& row : refused) {
    EXPECT_NE(ErrorOf([&] { TPortDirectory(temp.File(row.Name)); }).find(row.Says), std::string::npos) << row.Name;
  }
  if (::geteuid() == 0) {  // only root can give a directory away
    ASSERT_EQ(::mkdir(temp.File("theirs").c_str(), 0700), 0);
    ASSERT_EQ(::chown(temp.File("theirs").c_str(), 65534, 65534), 0);
    EXPECT_NE(ErrorOf([&] { TPortDirectory(temp.File("theirs")); }).find("belongs to another user"),
              std::string::npos);
  }
}

TEST(PortDirectoryTest, ComNumbersFollowTheFourthToSixthCharacters) {
  const struct {
    const char* Name;
    int32_t Number;
  } rows[] = {{"COM1", 1},  {"COM12", 12},  {"COM123x", 123}, {"COM1x", 0},  {"COMx12", 0},
              {"COM", 0},   {"com5", 0},    {"XCOM5", 0},     {"COM7.lock", 0}, {"COM7.new", 0}};
  for (const auto& row : rows) EXPECT_EQ(TPortDirectory::ComNumber(row.Name), row.Number) << row.Name;
}

TEST(PortDirectoryTest, FreeNumbersSkipEveryNameExceptStaleLinksWhichAreReused) {
  TTempDir temp;
  TPortDirectory names(temp.File("ports"));
  EXPECT_EQ(names.FindFreeComNumber(), 1);
  const std::string dir = names.Path() + "/";
  std::ofstream(dir + "COM1") << "not a link";                         // never counted free
  ASSERT_EQ(::symlink("/tmp", (dir + "COM2").c_str()), 0);            // not to a pty
  ASSERT_EQ(::symlink("/dev/pts/9999", (dir + "COM3").c_str()), 0);   // a pty link ...
  std::ofstream(dir + "COM3.lock");                                    // ... whose lock nobody holds
  ASSERT_EQ(::symlink("/dev/pts/9998", (dir + "COM5").c_str()), 0);   // no owner record: not ours
  std::ofstream(dir + "COM4x");
  EXPECT_TRUE(names.IsStaleLink("COM3"));
  EXPECT_FALSE(names.IsStaleLink("COM5"));
  EXPECT_EQ(names.FindFreeComNumber(), 3);

  TPollLoop loop;
  TPtyPort third(loop, names.Path());
  third.CreatePort("COM3");  // cleans the stale link up and takes its name
  EXPECT_EQ(names.ReadLink("COM3"), third.DevicePath());
  EXPECT_EQ(names.FindFreeComNumber(), 4);
  TPtyPort fourth(loop, names.Path());
  fourth.CreatePort("COM" + std::to_string(names.FindFreeComNumber()));
  EXPECT_EQ(names.FindFreeComNumber(), 6);
  EXPECT_NE(third.DevicePath(), fourth.DevicePath());

  // Names held by anything but a stale port link are refused and left alone.
  for (const char* name : {"COM1", "COM2", "COM3", "COM5"}) {
    TPtyPort other(loop, names.Path());
    const std::string error = ErrorOf([&] { other.CreatePort(name); });
    EXPECT_NE(error, "(none)") << name;
  }
  EXPECT_EQ(temp.Read("ports/COM1"), "not a link");
  EXPECT_EQ(names.ReadLink("COM2"), "/tmp");
  EXPECT_EQ(names.ReadLink("COM3"), third.DevicePath());
}

TEST(PortDirectoryTest, TheLinkOfARunThatWasKilledIsCleanedUpAndItsNameReused) {
  TTempDir temp;
  const std::string dir = temp.File("ports");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    try {
      TPollLoop loop;
      TPtyPort port(loop, dir);
      port.CreatePort("COM1");
      port.SetDeleteOnExit(true);  // a killed run never gets to it
      if (::write(ready[1], "r", 1) != 1) ::_exit(1);
      for (;;) ::pause();
    } catch (...) {
      ::_exit(1);
    }
  }
  ::close(ready[1]);
  pollfd wait{ready[0], POLLIN, 0};
  char signal = 0;
  const bool started = ::poll(&wait, 1, WaitLimitMs) == 1 && ::read(ready[0], &signal, 1) == 1;
  ::close(ready[0]);

  TPollLoop loop;
  TPortDirectory names(dir);
  TPtyPort port(loop, dir);
  if (started) {
    EXPECT_FALSE(names.IsStaleLink("COM1"));
    EXPECT_EQ(names.FindFreeComNumber(), 2);
    EXPECT_NE(ErrorOf([&] { port.CreatePort("COM1"); }).find("in use"), std::string::npos);
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(started);
  ASSERT_TRUE(WIFSIGNALED(status));

  EXPECT_TRUE(IsLink(dir + "/COM1"));
  EXPECT_TRUE(names.IsStaleLink("COM1"));
  EXPECT_EQ(names.FindFreeComNumber(), 1);
  port.CreatePort("COM1");
  EXPECT_EQ(names.ReadLink("COM1"), port.DevicePath());
  test::TPtyApp app(loop, port.LinkPath());
  EXPECT_TRUE(loop.RunUntil([&] { return port.IsOpened(); }, WaitLimitMs));
}

TEST(PortDirectoryTest, AtExitTheLinkGoesOnlyWhenAskedAndWhileItIsStillOurs) {
  const struct {
    const char* What;
    bool DeleteOnExit;
    bool ReplacedBySomeone;
  } rows[] = {{"deleted", true, false}, {"kept", false, false}, {"replaced", true, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.What);
    TTempDir temp;
    const std::string dir = temp.File("ports");
    TPollLoop loop;
    {
      TPtyPort port(loop, dir);
      port.CreatePort("COM1");
      port.SetDeleteOnExit(row.DeleteOnExit);
      if (row.ReplacedBySomeone) {
        ASSERT_EQ(::unlink(port.LinkPath().c_str()), 0);
        ASSERT_EQ(::symlink("/dev/null", port.LinkPath().c_str()), 0);
      }
    }
    TPortDirectory names(dir);
    if (row.ReplacedBySomeone) {
      EXPECT_EQ(names.ReadLink("COM1"), "/dev/null");
    } else if (row.DeleteOnExit) {
      EXPECT_TRUE(names.Names().empty());  // link and lock file gone
    } else {
      EXPECT_TRUE(names.IsStaleLink("COM1"));  // for the next run to reuse
      EXPECT_EQ(names.FindFreeComNumber(), 1);
    }
  }
}

}  // namespace
}  // namespace tenvarra
