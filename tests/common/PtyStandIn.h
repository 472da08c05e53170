#pragma once
// A pseudo-terminal standing in for a serial device: the test holds the
// master, as the far end of the cable; the program under test opens the
// slave through a link, as it would a /dev/serial/by-id link. Unplugging
// closes the master (the slave hangs up, as an unplugged adapter does) and
// takes the link away; plugging in again makes a new pty and points the link
// at it.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

namespace tenvarra::test {

class TPtyStandIn {
public:
  explicit TPtyStandIn(std::string Link) : FLink(std::move(Link)) { Plug(); }

  void Plug() {
    FMaster.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    char device[PATH_MAX];
    if (!FMaster.Valid() || ::grantpt(FMaster.Get()) != 0 || ::unlockpt(FMaster.Get()) != 0 ||
        ::ptsname_r(FMaster.Get(), device, sizeof device) != 0)
      throw std::runtime_error("no pseudo-terminal");
    FDevice = device;
    termios mode{};
    ::tcgetattr(FMaster.Get(), &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(FMaster.Get(), TCSANOW, &mode);
    std::remove(FLink.c_str());
    if (::symlink(device, FLink.c_str()) != 0) throw std::runtime_error("cannot link " + FLink);
  }
  void Unplug() {
    FMaster.Reset();
    std::remove(FLink.c_str());
  }

  // The cable's far end: bytes written here reach the program, its replies are read here.
  int Master() const { return FMaster.Get(); }
  bool Write(const std::vector<uint8_t>& Bytes) const {
    return ::write(FMaster.Get(), Bytes.data(), Bytes.size()) == static_cast<ssize_t>(Bytes.size());
  }
  // The device's settings as the program left them (a pty's master reads the slave's).
  termios Mode() const {
    termios mode{};
    ::tcgetattr(FMaster.Get(), &mode);
    return mode;
  }
  const std::string& Link() const { return FLink; }
  const std::string& Device() const { return FDevice; }

private:
  std::string FLink;
  std::string FDevice;
  TUniqueFd FMaster;
};

}  // namespace tenvarra::test
