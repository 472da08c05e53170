#include "serialport/PortDirectory.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "common/TempDir.h"
#include "common/Wait.h"
#include "platform/PollLoop.h"
#include "serialport/PtyPort.h"

namespace tenvarra {
namespace {

using test::TTempDir;

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
  const std::string saved = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
  ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
  EXPECT_EQ(DefaultPortDirectory(), "/run/user/1000/tenvarra");
  ::setenv("XDG_RUNTIME_DIR", "", 1);
  EXPECT_EQ(DefaultPortDirectory(), "/tmp/tenvarra-" + std::to_string(::geteuid()));
  ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST(PortDirectoryTest, IsCreatedPrivateAndRefusedWithAClearErrorWhenOthersCouldReachIt) {
  TTempDir temp;
  struct stat st {};
  ASSERT_EQ(::stat(TPortDirectory(temp.File("ports")).Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  for (const auto& [name, mode] : {std::pair{"open", 0755}, {"group", 0770}, {"theirs", 0700}}) {
    ASSERT_EQ(::mkdir(temp.File(name).c_str(), 0700), 0);
    ASSERT_EQ(::chmod(temp.File(name).c_str(), mode), 0);  // past the umask
  }
  ASSERT_EQ(::symlink(temp.File("ports").c_str(), temp.File("link").c_str()), 0);
  temp.Write("file", "");
  const bool root = ::geteuid() == 0;  // only root can give a directory away
  if (root) {
    ASSERT_EQ(::chown(temp.File("theirs").c_str(), 65534, 65534), 0);
  }
  const std::pair<const char*, const char*> refused[] = {
      {"open", "is open to other users (mode 0755); it must be private (mode 0700)"},
      {"group", "(mode 0770)"},
      {"link", "is not a directory (links are not followed)"},
      {"file", "is not a directory"},
      {"theirs", root ? "belongs to another user" : "(none)"},
  };
  for (const auto& [name, says] : refused) {
    EXPECT_NE(ErrorOf([&] { TPortDirectory(temp.File(name)); }).find(says), std::string::npos) << name;
  }
}

TEST(PortDirectoryTest, ComNumbersFollowTheFourthToSixthCharacters) {
  const std::pair<const char*, int32_t> rows[] = {{"COM1", 1}, {"COM12", 12}, {"COM123x", 123}, {"COM1x", 0},
                                                  {"COMx12", 0}, {"COM", 0}, {"com5", 0}, {"XCOM5", 0},
                                                  {"COM7.lock", 0}, {"COM7.new", 0}};
  for (const auto& [name, number] : rows) EXPECT_EQ(TPortDirectory::ComNumber(name), number) << name;
}

TEST(PortDirectoryTest, FreeNumbersSkipEveryNameButStaleLinksAndTakenNamesAreLeftAlone) {
  TTempDir temp;
  TPortDirectory names(temp.File("ports"));
  EXPECT_EQ(names.FindFreeComNumber(), 1);
  const std::string dir = names.Path() + "/";
  std::ofstream(dir + "COM1") << "not a link";
  ASSERT_EQ(::symlink("/tmp", (dir + "COM2").c_str()), 0);            // not to a pty
  ASSERT_EQ(::symlink("/dev/pts/9999", (dir + "COM3").c_str()), 0);   // a port link ...
  std::ofstream(dir + "COM3.lock");                                   // ... whose lock nobody holds
  ASSERT_EQ(::symlink("/dev/pts/9998", (dir + "COM5").c_str()), 0);   // no owner record: not ours
  std::ofstream(dir + "COM4x");
  EXPECT_EQ(names.FindFreeComNumber(), 3);

  TPollLoop loop;
  TPtyPort third(loop, names.Path());
  third.CreatePort("COM3");  // the stale link goes, its name is reused
  TPtyPort fourth(loop, names.Path());
  fourth.CreatePort("COM" + std::to_string(names.FindFreeComNumber()));
  EXPECT_EQ(names.ReadLink("COM4"), fourth.DevicePath());
  EXPECT_EQ(names.FindFreeComNumber(), 6);
  for (const char* name : {"COM1", "COM2", "COM3", "COM5"}) {
    TPtyPort other(loop, names.Path());
    EXPECT_NE(ErrorOf([&] { other.CreatePort(name); }), "(none)") << name;
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
    try {
      TPollLoop loop;
      TPtyPort port(loop, dir);
      port.CreatePort("COM1");
      port.SetDeleteOnExit(true);  // a killed run never gets to it
      if (::write(ready[1], "r", 1) == 1) for (;;) ::pause();
    } catch (...) {
    }
    ::_exit(1);
  }
  pollfd wait{ready[0], POLLIN, 0};
  const bool started = ::poll(&wait, 1, test::WaitLimitMs) == 1;
  ::close(ready[0]);
  ::close(ready[1]);
  TPortDirectory names(dir);
  TPollLoop loop;
  TPtyPort port(loop, dir);
  if (started) {
    EXPECT_EQ(names.FindFreeComNumber(), 2);
    EXPECT_NE(ErrorOf([&] { port.CreatePort("COM1"); }).find("in use"), std::string::npos);
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(started && WIFSIGNALED(status));

  EXPECT_TRUE(names.IsStaleLink("COM1"));
  EXPECT_EQ(names.FindFreeComNumber(), 1);
  port.CreatePort("COM1");
  EXPECT_EQ(names.ReadLink("COM1"), port.DevicePath());  // an application finds it: PtyPortTest
}

TEST(PortDirectoryTest, AtExitTheLinkGoesOnlyWhenAskedAndWhileItIsStillOurs) {
  enum { deleted, kept, replaced };
  for (const int row : {deleted, kept, replaced}) {
    SCOPED_TRACE(row);
    TTempDir temp;
    const std::string dir = temp.File("ports");
    {
      TPollLoop loop;
      TPtyPort port(loop, dir);
      port.CreatePort("COM1");
      port.SetDeleteOnExit(row != kept);
      if (row == replaced) {
        ASSERT_EQ(::unlink(port.LinkPath().c_str()), 0);
        ASSERT_EQ(::symlink("/dev/null", port.LinkPath().c_str()), 0);
      }
    }
    TPortDirectory names(dir);
    EXPECT_EQ(names.Names().empty(), row == deleted);  // link and lock file gone
    EXPECT_EQ(names.IsStaleLink("COM1"), row == kept);  // for the next run to reuse
    EXPECT_EQ(names.ReadLink("COM1") == "/dev/null", row == replaced);
  }
}

}  // namespace
}  // namespace tenvarra
