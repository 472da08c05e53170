#include "serialport/LineState.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>

#include "modemlines/LineState.h"
#include "serialport/PortDirectory.h"
#include "serialport/VSPort.h"

static_assert(offsetof(tenvarra_lines, bell) == TENVARRA_LINES_BELL_OFFSET);

namespace tenvarra {

namespace {

[[noreturn]] void Fail(const TPortDirectory& Directory, const std::string& File) {
  throw EVSPortError("Cannot make the modem lines " + Directory.Path() + "/" + File + ": " + std::strerror(errno));
}

}  // namespace

TLineState::TLineState(const TPortDirectory& Directory, const std::string& Name)
    : FDirectory(Directory), FFileName(Name + TENVARRA_LINES_SUFFIX) {
  const int dir = FDirectory.Fd();
  const std::string newName = FFileName + ".new";
  ::unlinkat(dir, newName.c_str(), 0);  // left by a run killed while making it
  TUniqueFd fd(::openat(dir, newName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.Valid() || ::ftruncate(fd.Get(), sizeof(tenvarra_lines)) != 0) Fail(FDirectory, newName);
  void* map = ::mmap(nullptr, sizeof(tenvarra_lines), PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
  if (map == MAP_FAILED) {
    ::unlinkat(dir, newName.c_str(), 0);
    Fail(FDirectory, newName);
  }
  auto* lines = static_cast<tenvarra_lines*>(map);
  tenvarra_lines_store(&lines->lines, TENVARRA_LINES_BRIDGE_BITS);
  tenvarra_lines_store(&lines->magic, TENVARRA_LINES_MAGIC);
  if (::renameat(dir, newName.c_str(), dir, FFileName.c_str()) != 0) {
    const int error = errno;
    ::munmap(map, sizeof(tenvarra_lines));
    ::unlinkat(dir, newName.c_str(), 0);
    errno = error;
    Fail(FDirectory, FFileName);
  }
  FFd = std::move(fd);
  FLines = lines;
}

TLineState::~TLineState() {
  End();
  ::munmap(FLines, sizeof(tenvarra_lines));
}

std::string TLineState::Path() const { return FDirectory.Path() + "/" + FFileName; }

void TLineState::SetCts(bool On) { Change(On ? TIOCM_CTS : 0, On ? 0 : TIOCM_CTS); }

uint32_t TLineState::ApplicationLines() const {
  return tenvarra_lines_load(&FLines->lines) & TENVARRA_LINES_APP_BITS;
}

void TLineState::End() {
  if (tenvarra_lines_load(&FLines->ended) != 0) return;
  tenvarra_lines_store(&FLines->ended, 1);
  Change(0, TENVARRA_LINES_BRIDGE_BITS);
}

void TLineState::Remove() {
  struct stat ours {}, named {};
  if (::fstat(FFd.Get(), &ours) == 0 &&
      ::fstatat(FDirectory.Fd(), FFileName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      ours.st_dev == named.st_dev && ours.st_ino == named.st_ino) {
    ::unlinkat(FDirectory.Fd(), FFileName.c_str(), 0);
  }
}

void TLineState::Change(uint32_t Set, uint32_t Clear) {
  uint32_t before = tenvarra_lines_load(&FLines->lines);
  while (!tenvarra_lines_cas(&FLines->lines, &before, (before | Set) & ~Clear)) {
  }
  const uint32_t changed = before ^ ((before | Set) & ~Clear);
  if (changed & TIOCM_CTS) tenvarra_lines_add(&FLines->cts, 1);
  if (changed & TIOCM_DSR) tenvarra_lines_add(&FLines->dsr, 1);
  if (changed & TIOCM_CAR) tenvarra_lines_add(&FLines->dcd, 1);
  if (changed == 0 && tenvarra_lines_load(&FLines->ended) == 0) return;
  tenvarra_lines_add(&FLines->events, 1);
  // A sleeper counts itself before it compares the event word, so either it
  // sees the new value or the count is seen here.
  if (tenvarra_lines_load(&FLines->waiters) != 0) {
    ::syscall(SYS_futex, &FLines->events, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
  }
}

}  // namespace tenvarra
