#include "serialport/PortLink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serialport/PortDirectory.h"
#include "serialport/VSPort.h"

namespace tenvarra {

namespace {

// A lock file unlinked by its owner between our open and our lock makes us
// start again; a few rounds are plenty unless something is badly wrong.
constexpr int LockAttempts = 8;

bool SameFile(const struct stat& A, const struct stat& B) { return A.st_dev == B.st_dev && A.st_ino == B.st_ino; }

}  // namespace

TPortLink::TPortLink(const TPortDirectory& Directory, std::string Name) : FDirectory(Directory), FName(std::move(Name)) {
  if (FName.empty() || FName[0] == '.' || FName.find('/') != std::string::npos) {
    throw EVSPortError("\"" + FName + "\" cannot be a port name");
  }
  CheckNameFree();
  TakeLock();
  try {
    CheckNameFree();  // again: it may have changed before the name was ours
  } catch (...) {
    Release();
    throw;
  }
}

TPortLink::~TPortLink() { Release(); }

void TPortLink::CheckNameFree() const {
  struct stat st {};
  if (::fstatat(FDirectory.Fd(), FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) return;
  if (!FDirectory.IsPortLink(FName)) {
    throw EVSPortError(FDirectory.Path() + "/" + FName + " exists and is not a port link; it is left alone");
  }
}

void TPortLink::TakeLock() {
  const std::string lockName = TPortDirectory::LockName(FName);
  for (int attempt = 0; attempt < LockAttempts; ++attempt) {
    TUniqueFd lock(::openat(FDirectory.Fd(), lockName.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat held {};
    if (!lock.Valid() || ::fstat(lock.Get(), &held) != 0 || !S_ISREG(held.st_mode)) {
      throw EVSPortError("Cannot use the lock file " + FDirectory.Path() + "/" + lockName);
    }
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    if (::fcntl(lock.Get(), F_OFD_SETLK, &request) != 0) {
      if (errno == EAGAIN || errno == EACCES) {
        throw EVSPortError("Port " + FName + " is in use by another running instance");
      }
      throw EVSPortError("Cannot lock " + FDirectory.Path() + "/" + lockName + ": " + std::strerror(errno));
    }
    // The owner before us unlinks its lock file while still holding it; a
    // lock on such an unlinked file proves nothing.
    struct stat named {};
    if (::fstatat(FDirectory.Fd(), lockName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(held, named)) {
      FLock = std::move(lock);
      return;
    }
  }
  throw EVSPortError("Cannot lock " + FDirectory.Path() + "/" + lockName + ": it keeps changing");
}

void TPortLink::Place(const std::string& Target) {
  const std::string newName = TPortDirectory::NewLinkName(FName);
  const int dir = FDirectory.Fd();
  ::unlinkat(dir, newName.c_str(), 0);  // left by a run killed while placing its link
  if (::symlinkat(Target.c_str(), dir, newName.c_str()) != 0) {
    throw EVSPortError("Cannot make the link " + FDirectory.Path() + "/" + FName + ": " + std::strerror(errno));
  }
  try {
    CheckNameFree();
  } catch (...) {
    ::unlinkat(dir, newName.c_str(), 0);
    throw;
  }
  if (::renameat(dir, newName.c_str(), dir, FName.c_str()) != 0) {
    const int error = errno;
    ::unlinkat(dir, newName.c_str(), 0);
    throw EVSPortError("Cannot make the link " + FDirectory.Path() + "/" + FName + ": " + std::strerror(error));
  }
  FTarget = Target;
}

void TPortLink::Release() {
  if (!FLock.Valid()) return;
  if (FRemoveOnRelease && !FTarget.empty() && FDirectory.ReadLink(FName) == FTarget) {
    ::unlinkat(FDirectory.Fd(), FName.c_str(), 0);
  }
  // A link still there (ours kept, or a stale one never replaced) needs its
  // lock file, or it would no longer be known as a port link.
  if (!FDirectory.IsPortLink(FName)) ::unlinkat(FDirectory.Fd(), TPortDirectory::LockName(FName).c_str(), 0);
  FLock.Reset();
}

}  // namespace tenvarra
