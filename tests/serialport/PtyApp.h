#pragma once
// The railway-control application's side of a pty port in the tests: it
// opens the COM link, may set a line mode, writes, and collects what it
// reads through the poll loop the port uses, so every wait is for an event
// with a time limit.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Wait.h"
#include "platform/PollLoop.h"
#include "platform/UniqueFd.h"

namespace tenvarra::test {

class TPtyApp {
public:
  TPtyApp(TPollLoop& Loop, const std::string& Link)
      : FLoop(Loop), FFd(::open(Link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    EXPECT_TRUE(FFd.Valid()) << Link;
    FWatch = FLoop.Watch(FFd.Get(), ioRead, [this](int, unsigned) {
      uint8_t chunk[4096];
      for (ssize_t got; (got = ::read(FFd.Get(), chunk, sizeof chunk)) > 0;) Received.insert(Received.end(), chunk, chunk + got);
    });
  }
  ~TPtyApp() { FLoop.Unwatch(FWatch); }

  void Write(const std::vector<uint8_t>& Bytes) const {
    ASSERT_EQ(::write(FFd.Get(), Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
  }
  bool ReadAtLeast(std::size_t Count) {
    return FLoop.RunUntil([&] { return Received.size() >= Count; }, WaitLimitMs);
  }
  // Cooked: a line-editing mode that mangles bytes if it outlives its
  // application. Otherwise what a 605x host program sets: 2400 baud, 8 data
  // bits, 2 stop bits, hardware handshake, the rest as found.
  void SetMode(bool Cooked) const {
    termios mode{};
    ASSERT_EQ(::tcgetattr(FFd.Get(), &mode), 0);
    if (Cooked) {
      mode.c_iflag |= ICRNL | ISTRIP | IXON;
      mode.c_oflag |= OPOST | ONLCR;
      mode.c_lflag |= ICANON | ECHO | ISIG;
      mode.c_cflag = (mode.c_cflag & ~CSIZE) | CS7;
    } else {
      ::cfsetspeed(&mode, B2400);
      mode.c_cflag = (mode.c_cflag & ~CSIZE) | CS8 | CSTOPB | CRTSCTS;
    }
    ASSERT_EQ(::tcsetattr(FFd.Get(), TCSANOW, &mode), 0);
  }

  std::vector<uint8_t> Received;

private:
  TPollLoop& FLoop;
  TUniqueFd FFd;
  TWatchId FWatch = 0;
};

}  // namespace tenvarra::test
