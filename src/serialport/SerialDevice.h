#pragma once
// A real serial device held for the bridge: opened exclusively, set to what
// a 605x interface speaks (2400 baud, 8 data bits, no parity, 2 stop bits,
// raw, no flow control by the kernel, modem-status lines ignored for
// opening and hang-ups), and given back with the settings it had.
//
// Two locks keep others off: TIOCEXCL makes the kernel refuse further opens
// (except to root), and a flock on the device refuses every other instance
// and every program that locks as we do (pyserial, ModemManager, ...), root
// or not. The descriptor is non-blocking; reading and waiting are the
// owner's business.

#include <cstdint>
#include <optional>
#include <string>

#include <termios.h>

#include "platform/UniqueFd.h"

namespace tenvarra {

class TSerialDevice {
public:
  // Opens Path (links followed). Raises EVSPortError naming Path and the
  // reason when it does not exist, is not a terminal, cannot be opened or is
  // in use.
  explicit TSerialDevice(const std::string& Path);
  // Gives back the settings found at opening, then the locks.
  ~TSerialDevice();
  TSerialDevice(const TSerialDevice&) = delete;
  TSerialDevice& operator=(const TSerialDevice&) = delete;

  int Fd() const { return FFd.Get(); }
  // Whether the device has modem lines at all: a pseudo-terminal and some
  // adapters have none.
  bool HasModemLines() const { return FHasModemLines; }
  // Drives RTS; false when it could not (no modem lines, or the device is gone).
  bool SetRts(bool On) const;
  // The modem lines as TIOCM_* bits; none, with errno set, when they cannot
  // be read.
  std::optional<int> ModemLines() const;

private:
  TUniqueFd FFd;
  termios FSaved{};
  bool FHasModemLines = false;
};

}  // namespace tenvarra
