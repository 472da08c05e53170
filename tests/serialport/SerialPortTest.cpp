#include "serialport/SerialPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <string>
#include <vector>

#include "common/PtyStandIn.h"
#include "common/TempDir.h"
#include "common/Wait.h"
#include "platform/PollLoop.h"

namespace tenvarra {
namespace {

using test::TPtyStandIn;

std::string Refusal(TEventLoop& Loop, const std::string& Path) {
  try {
    TSerialPort(Loop).CreatePort(Path);
  } catch (const EVSPortError& Error) {
    return Error.what();
  }
  return "opened";
}

TEST(SerialPortTest, TheDeviceIsSetFor605xAndGivenBackAsItWasAndRefusalsNameThePathAndTheReason) {
  test::TTempDir temp;
  TPollLoop loop;
  TPtyStandIn device(temp.File("ttyUSB0"));
  termios found = device.Mode();
  ::cfsetspeed(&found, B9600);
  found.c_lflag |= ICANON | ECHO;
  found.c_cflag |= CRTSCTS;
  ASSERT_EQ(::tcsetattr(device.Master(), TCSANOW, &found), 0);
  {
    TSerialPort port(loop);
    port.CreatePort(device.Link());
    const termios used = device.Mode();
    EXPECT_EQ(::cfgetospeed(&used), B2400);
    EXPECT_EQ(used.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS | CLOCAL), CS8 | CSTOPB | CLOCAL);
    EXPECT_EQ(used.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(used.c_iflag & (IXON | IXOFF), 0u);
    // A pty has no modem lines: no handshake line, held while it is there.
    EXPECT_FALSE(port.HasModemLines());
    EXPECT_FALSE(port.SetHandshakeLine(false));
    EXPECT_TRUE(port.IsOpened());

    // Another instance, root or not, finds it taken.
    EXPECT_EQ(Refusal(loop, device.Link()), device.Link() + ": in use by another program");
  }
  const termios after = device.Mode();
  EXPECT_EQ(::cfgetospeed(&after), B9600);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
  EXPECT_EQ(after.c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));

  // A program that locks the device as we do holds it.
  const TUniqueFd other(::open(device.Device().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_EQ(::flock(other.Get(), LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(Refusal(loop, device.Link()), device.Link() + ": in use by another program");
  temp.Write("file", "");
  EXPECT_EQ(Refusal(loop, temp.File("file")), temp.File("file") + ": not a terminal");
  EXPECT_EQ(Refusal(loop, "/dev/null"), "/dev/null: not a terminal");
  EXPECT_EQ(Refusal(loop, temp.File("ttyUSB9")), temp.File("ttyUSB9") + ": No such file or directory");
}

// Unplugged and plugged in again under the same link, with a new device
// behind it; no wake-up but the once-a-second look meanwhile.
TEST(SerialPortTest, ADeviceThatGoesAwayIsLookedForEverySecondAndTakenAgainWhenItIsBack) {
  test::TTempDir temp;
  TPollLoop loop;
  TPtyStandIn device(temp.File("ttyUSB0"));
  TSerialPort port(loop);
  std::vector<std::string> events;
  std::vector<uint8_t> got;
  port.OnNotice = [&](TSerialPort&, const std::string& Text) { events.push_back(Text); };
  port.OnOpenClose = [&](TVSPort&, bool Opened) { events.push_back(Opened ? "held" : "not held"); };
  port.OnRxChar = [&](TVSPort& Sender, int32_t) {
    for (uint8_t byte = 0; Sender.ReadBytes(&byte, 1) == 1;) got.push_back(byte);
  };
  port.CreatePort(device.Link());
  const auto exchange = [&](uint8_t Byte) {
    got.clear();
    ASSERT_TRUE(device.Write({Byte}));
    ASSERT_TRUE(loop.RunUntil([&] { return !got.empty(); }, test::WaitLimitMs));
    EXPECT_EQ(got, std::vector<uint8_t>{Byte});
    const uint8_t reply[2] = {128, Byte};
    EXPECT_EQ(port.WriteBytes(reply, 2), 2);
    uint8_t back[2] = {};
    ASSERT_TRUE(loop.RunUntil([&] { return ::read(device.Master(), back, 2) == 2; }, test::WaitLimitMs));
    EXPECT_EQ(back[1], Byte);
  };
  exchange(193);

  device.Unplug();
  ASSERT_TRUE(loop.RunUntil([&] { return !port.Present(); }, test::WaitLimitMs));
  EXPECT_FALSE(port.IsOpened());
  EXPECT_EQ(port.WriteBytes(got.data(), 1), 0);
  // Only the timer is left: nothing polled, nothing due at once.
  EXPECT_EQ(loop.PolledCount(), 0u);
  EXPECT_EQ(loop.RunOnce(0), 0);

  device.Plug();
  ASSERT_TRUE(loop.RunUntil([&] { return port.Present(); }, TSerialPort::ReopenIntervalMs + test::WaitLimitMs));
  EXPECT_TRUE(port.IsOpened());
  exchange(130);
  EXPECT_EQ(events, (std::vector<std::string>{"held", "not held",
                                              "Serial port " + device.Link() +
                                                  " is gone (hang-up); looking for it again every second",
                                              "Serial port " + device.Link() + " is back", "held"}));
}

}  // namespace
}  // namespace tenvarra
