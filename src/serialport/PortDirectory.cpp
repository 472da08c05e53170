#include "serialport/PortDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "serialport/VSPort.h"

namespace tenvarra {

namespace {

std::string ErrorText(int Error) { return std::strerror(Error); }

std::string OctalMode(mode_t Mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(Mode & 07777));
  return text;
}

bool IsPtyPath(const std::string& Target) { return Target.rfind("/dev/pts/", 0) == 0; }

}  // namespace

std::string DefaultPortDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/tenvarra";
  return "/tmp/tenvarra-" + std::to_string(::geteuid());
}

TPortDirectory::TPortDirectory(std::string Path) : FPath(std::move(Path)) {
  if (::mkdir(FPath.c_str(), 0700) != 0 && errno != EEXIST) {
    throw EVSPortError("Cannot create the port directory " + FPath + ": " + ErrorText(errno));
  }
  FFd.Reset(::open(FPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!FFd.Valid()) {
    const int error = errno;
    if (error == ELOOP || error == ENOTDIR) {
      throw EVSPortError("The port directory " + FPath + " is not a directory (links are not followed)");
    }
    throw EVSPortError("Cannot open the port directory " + FPath + ": " + ErrorText(error));
  }
  struct stat st {};
  if (::fstat(FFd.Get(), &st) != 0) {
    throw EVSPortError("Cannot read the port directory " + FPath + ": " + ErrorText(errno));
  }
  if (st.st_uid != ::geteuid()) {
    throw EVSPortError("The port directory " + FPath + " belongs to another user; it must be yours");
  }
  if ((st.st_mode & 077) != 0) {
    throw EVSPortError("The port directory " + FPath + " is open to other users (mode " +
                       OctalMode(st.st_mode) + "); it must be private (mode 0700)");
  }
}

std::vector<std::string> TPortDirectory::Names() const {
  std::vector<std::string> names;
  // fdopendir takes the descriptor it is given: hand it a copy.
  TUniqueFd copy(::fcntl(FFd.Get(), F_DUPFD_CLOEXEC, 0));
  DIR* dir = copy.Valid() ? ::fdopendir(copy.Get()) : nullptr;
  if (dir == nullptr) throw EVSPortError("Cannot list the port directory " + FPath + ": " + ErrorText(errno));
  copy.Release();
  ::rewinddir(dir);  // the copy shares the read position with FFd
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

std::string TPortDirectory::ReadLink(const std::string& Name) const {
  char target[256];
  const ssize_t length = ::readlinkat(FFd.Get(), Name.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return {};
  return std::string(target, static_cast<std::size_t>(length));
}

bool TPortDirectory::IsPortLink(const std::string& Name) const {
  struct stat st {};
  return IsPtyPath(ReadLink(Name)) &&
         ::fstatat(FFd.Get(), LockName(Name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

bool TPortDirectory::IsStaleLink(const std::string& Name) const {
  if (!IsPortLink(Name)) return false;
  const TUniqueFd lock(::openat(FFd.Get(), LockName(Name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!lock.Valid()) return false;
  // Asks who holds the lock without taking it, so a starting instance that
  // wants the name never finds it briefly taken by this test.
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  return ::fcntl(lock.Get(), F_OFD_GETLK, &query) == 0 && query.l_type == F_UNLCK;
}

int32_t TPortDirectory::ComNumber(const std::string& Name) {
  if (Name.find("COM") == std::string::npos || Name.size() <= 3) return 0;
  const std::string text = Name.substr(3, 3);
  const std::size_t first = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (first == text.size()) return 0;
  for (std::size_t i = first; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
  }
  return static_cast<int32_t>(std::stol(text));
}

int32_t TPortDirectory::FindFreeComNumber() const {
  std::set<int32_t> taken;
  for (const std::string& name : Names()) {
    if (!IsStaleLink(name)) taken.insert(ComNumber(name));
  }
  int32_t number = 1;
  while (taken.count(number) != 0) ++number;
  return number;
}

}  // namespace tenvarra
