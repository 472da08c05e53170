#include "serialport/SerialDevice.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serialport/VSPort.h"

namespace tenvarra {

namespace {

[[noreturn]] void Refuse(const std::string& Path, const std::string& Reason) {
  throw EVSPortError(Path + ": " + Reason);
}

constexpr const char* InUse = "in use by another program";

// Most serial devices belong to a group whose members may use them
// (dialout on Debian); saying which helps the person who is not in it.
std::string PermissionHint(const struct stat& Device) {
  const group* owner = ::getgrgid(Device.st_gid);
  if (owner == nullptr || Device.st_gid == 0) return "";
  return " (the device belongs to the group " + std::string(owner->gr_name) + ")";
}

}  // namespace

TSerialDevice::TSerialDevice(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) Refuse(Path, std::strerror(errno));
  // Opening something else may have effects of its own (a tape rewinds).
  if (!S_ISCHR(st.st_mode)) Refuse(Path, "not a terminal");
  // Non-blocking, or the open would wait for carrier on a line without CLOCAL.
  FFd.Reset(::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!FFd.Valid()) {
    const int error = errno;
    if (error == EBUSY) Refuse(Path, InUse);
    Refuse(Path, std::strerror(error) + (error == EACCES ? PermissionHint(st) : std::string()));
  }
  if (!::isatty(FFd.Get())) Refuse(Path, "not a terminal");
  // Nothing is changed before both locks are ours: the device may be
  // another instance's, whose settings must stay.
  if (::flock(FFd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) Refuse(Path, InUse);
    Refuse(Path, std::string("cannot lock it: ") + std::strerror(errno));
  }
  if (::ioctl(FFd.Get(), TIOCEXCL) != 0) Refuse(Path, std::string("cannot hold it alone: ") + std::strerror(errno));
  if (::tcgetattr(FFd.Get(), &FSaved) != 0) Refuse(Path, std::string("cannot read its settings: ") + std::strerror(errno));

  termios mode = FSaved;
  ::cfmakeraw(&mode);
  mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
  mode.c_cflag |= CS8 | CSTOPB | CREAD | CLOCAL;
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  ::cfsetispeed(&mode, B2400);
  ::cfsetospeed(&mode, B2400);
  if (::tcsetattr(FFd.Get(), TCSANOW, &mode) != 0) {
    const int error = errno;
    ::ioctl(FFd.Get(), TIOCNXCL);
    Refuse(Path, std::string("cannot set 2400 baud 8N2: ") + std::strerror(error));
  }
  // Bytes from before we held it belong to nobody.
  ::tcflush(FFd.Get(), TCIOFLUSH);
  int lines = 0;
  FHasModemLines = ::ioctl(FFd.Get(), TIOCMGET, &lines) == 0;
}

TSerialDevice::~TSerialDevice() {
  if (!FFd.Valid()) return;
  // Replies nobody will read must not hold up the close at 2400 baud.
  ::tcflush(FFd.Get(), TCOFLUSH);
  ::tcsetattr(FFd.Get(), TCSANOW, &FSaved);
  ::ioctl(FFd.Get(), TIOCNXCL);
  // Closing gives the flock up.
}

bool TSerialDevice::SetRts(bool On) const {
  if (!FHasModemLines) return false;
  int rts = TIOCM_RTS;
  return ::ioctl(FFd.Get(), On ? TIOCMBIS : TIOCMBIC, &rts) == 0;
}

std::optional<int> TSerialDevice::ModemLines() const {
  int lines = 0;
  if (::ioctl(FFd.Get(), TIOCMGET, &lines) != 0) return std::nullopt;
  return lines;
}

}  // namespace tenvarra
