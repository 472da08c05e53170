#include "shell/DataDir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tenvarra {

namespace {

std::string WithoutTrailingSlashes(std::string Path) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  return Path;
}

}  // namespace

std::string UserDataDir(const std::string& XdgDataHome, const std::string& Home) {
  // A relative $XDG_DATA_HOME is invalid and is to be ignored.
  if (!XdgDataHome.empty() && XdgDataHome.front() == '/')
    return WithoutTrailingSlashes(XdgDataHome) + "/tenvarra";
  if (!Home.empty()) return (Home == "/" ? "" : WithoutTrailingSlashes(Home)) + "/.local/share/tenvarra";
  return {};
}

TDataDirChoice ChooseDataDir(const TDataDirInputs& Inputs) {
  if (!Inputs.Explicit.empty()) return {Inputs.Explicit, TDataDirSource::dsCommandLine};
  const std::string exeDir = WithoutTrailingSlashes(Inputs.ExecutableDir);
  const bool installed =
      !Inputs.InstalledBinDir.empty() && exeDir == WithoutTrailingSlashes(Inputs.InstalledBinDir);
  if (!installed && Inputs.Writable && Inputs.Writable(exeDir)) return {exeDir, TDataDirSource::dsExecutable};
  const std::string user = UserDataDir(Inputs.XdgDataHome, Inputs.Home);
  // Without a home there is nowhere else to go; the store then reports what fails.
  if (user.empty()) return {exeDir, TDataDirSource::dsExecutable};
  return {user, TDataDirSource::dsUser};
}

bool DirectoryWritable(const std::string& Dir) { return ::access(Dir.c_str(), W_OK | X_OK) == 0; }

void MakeDataDir(const std::string& Dir) {
  std::string path;
  std::size_t start = 0;
  while (start <= Dir.size()) {
    const std::size_t slash = Dir.find('/', start);
    const std::size_t end = slash == std::string::npos ? Dir.size() : slash;
    path = Dir.substr(0, end);
    start = end + 1;
    if (path.empty()) continue;  // the leading slash
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
      throw std::runtime_error("cannot make the data directory " + path + ": " + std::strerror(errno));
  }
  struct stat info {};
  if (::stat(Dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    throw std::runtime_error("the data directory " + Dir + " is not a directory");
}

TDataDirLock::TDataDirLock(const std::string& Dir) {
  FFd = ::open((Dir + "/tenvarra.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FFd < 0) return;
  int rc;
  while ((rc = ::flock(FFd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  FShared = rc != 0 && errno == EWOULDBLOCK;
}

TDataDirLock::~TDataDirLock() {
  // Closing releases the lock; the file stays for the next instance.
  if (FFd >= 0) ::close(FFd);
}

std::string DataDirLogLine(const TDataDirChoice& Choice) {
  switch (Choice.Source) {
    case TDataDirSource::dsCommandLine:
      return "Data directory: " + Choice.Dir + " (--data-dir)";
    case TDataDirSource::dsUser:
      return "Data directory: " + Choice.Dir + " (the program's directory is not for writing)";
    case TDataDirSource::dsExecutable:
      break;
  }
  return "Data directory: " + Choice.Dir + " (the program's directory)";
}

}  // namespace tenvarra
