#pragma once
// The railway-control application's side of a pty port in the tests: it
// opens the COM link, may set its own line mode, writes, and collects what
// it reads through the same poll loop the port uses, so every wait is for an
// event with a time limit.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/PollLoop.h"
#include "platform/UniqueFd.h"

namespace tenvarra::test {

constexpr int WaitLimitMs = 5000;

class TPtyApp {
public:
  TPtyApp(TPollLoop& Loop, const std::string& Link)
      : FLoop(Loop), FFd(::open(Link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (!FFd.Valid()) return;
    FWatch = FLoop.Watch(FFd.Get(), ioRead, [this](int, unsigned) {
      uint8_t chunk[4096];
      ssize_t got;
      while ((got = ::read(FFd.Get(), chunk, sizeof chunk)) > 0) Received.insert(Received.end(), chunk, chunk + got);
    });
  }
  ~TPtyApp() { Close(); }
  TPtyApp(const TPtyApp&) = delete;
  TPtyApp& operator=(const TPtyApp&) = delete;

  bool Opened() const { return FFd.Valid(); }
  void Close() {
    if (FWatch != 0) FLoop.Unwatch(FWatch);
    FWatch = 0;
    FFd.Reset();
  }
  void Write(const std::vector<uint8_t>& Bytes) const {
    ASSERT_EQ(::write(FFd.Get(), Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
  }
  // Lets the loop run until Count bytes have been read in all.
  bool ReadAtLeast(std::size_t Count) {
    return FLoop.RunUntil([&] { return Received.size() >= Count; }, WaitLimitMs);
  }
  // What a 605x host program sets: 2400 baud, 8 data bits, 2 stop bits,
  // hardware handshake; everything else as it found it.
  void Set605xMode() const {
    termios mode{};
    ASSERT_EQ(::tcgetattr(FFd.Get(), &mode), 0);
    ::cfsetispeed(&mode, B2400);
    ::cfsetospeed(&mode, B2400);
    mode.c_cflag = (mode.c_cflag & ~CSIZE) | CS8 | CSTOPB | CRTSCTS;
    ASSERT_EQ(::tcsetattr(FFd.Get(), TCSANOW, &mode), 0);
  }
  // A line-editing terminal mode that would mangle bytes if it outlived the
  // application that set it.
  void SetCookedMode() const {
    termios mode{};
    ASSERT_EQ(::tcgetattr(FFd.Get(), &mode), 0);
    mode.c_iflag |= ICRNL | ISTRIP | IXON;
    mode.c_oflag |= OPOST | ONLCR;
    mode.c_lflag |= ICANON | ECHO | ISIG;
    mode.c_cflag = (mode.c_cflag & ~CSIZE) | CS7;
    ASSERT_EQ(::tcsetattr(FFd.Get(), TCSANOW, &mode), 0);
  }

  std::vector<uint8_t> Received;

private:
  TPollLoop& FLoop;
  TUniqueFd FFd;
  TWatchId FWatch = 0;
};

inline std::vector<uint8_t> AllByteValues() {
  std::vector<uint8_t> bytes(256);
  for (int b = 0; b < 256; ++b) bytes[static_cast<std::size_t>(b)] = static_cast<uint8_t>(b);
  return bytes;
}

}  // namespace tenvarra::test
