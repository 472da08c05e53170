#include "devices/Solenoid.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tenvarra {
namespace {

std::unique_ptr<TMoBaSolenoidProtocol> MakeProtocol(int32_t maxPort, int32_t maxValue) {
  auto p = std::make_unique<TMoBaSolenoidProtocol>();
  p->MaxPort = maxPort;
  p->MaxValue = maxValue;
  return p;
}

TEST(SolenoidPorts, ValuesAreClampedAndSwitchOffClearsThePortSetLast) {
  const auto p = MakeProtocol(1, 1);
  TMoBaBaseSolenoid solenoid;
  solenoid.SetPortValue(0, 1000);
  EXPECT_EQ(solenoid.PortValue(0), 1000);  // no protocol: no value limit
  solenoid.SetProtocol(p.get());
  EXPECT_EQ(solenoid.PortValue(0), 1);
  std::vector<uint32_t> times;
  std::function<void()> timer;  // the switch-off of the last activation
  int offs = 0;
  solenoid.OnActivation = [&](TMoBaBaseSolenoid&, uint32_t time, const std::function<void()>& off) {
    times.push_back(time);
    timer = off;
  };
  solenoid.OnActionOff = [&](TMoBaBaseSolenoid&) { ++offs; };
  solenoid.SetActivationTime(350);
  solenoid.SetPortValue(1, 5);
  EXPECT_EQ(solenoid.PortValue(1), 1);
  solenoid.SetPortValue(2, 1);   // no such port: ignored
  solenoid.SetPortValue(-1, 1);
  solenoid.SetPortValue(0, -3);  // clamped to 0: the active port moves, no timer
  EXPECT_EQ(solenoid.ActivePort(), 0);
  EXPECT_EQ(times, std::vector<uint32_t>{350});
  timer();  // the timer of port 1 switches the active port 0
  EXPECT_EQ(solenoid.PortValue(1), 1);
  solenoid.SetPortValue(1, 1);
  timer();
  EXPECT_EQ(solenoid.PortValue(1), 0);
  solenoid.SetPortValue(1, 1);
  solenoid.SetActivePort(7);
  solenoid.SwitchOff();  // an active port out of range only notifies
  EXPECT_EQ(solenoid.PortValue(1), 1);
  EXPECT_EQ(offs, 3);
}

TEST(SolenoidPorts, ProtocolChangeResizesAndLowersRetainedPorts) {
  const auto four = MakeProtocol(3, 5);
  const auto two = MakeProtocol(1, 2);
  const auto broken = MakeProtocol(-5, 1);
  const auto huge = MakeProtocol(INT32_MAX, 1);
  TMoBaBaseSolenoid solenoid;
  solenoid.SetProtocol(four.get());
  solenoid.SetPortValue(0, 5);
  solenoid.SetPortValue(3, 4);
  solenoid.SetProtocol(two.get());
  EXPECT_EQ(solenoid.PortCount(), 2);
  EXPECT_EQ(solenoid.PortValue(0), 2);
  solenoid.SetProtocol(four.get());
  EXPECT_EQ(solenoid.PortValue(3), 0);  // new ports start at 0
  solenoid.SetProtocol(broken.get());
  EXPECT_EQ(solenoid.PortCount(), 0);
  solenoid.SetProtocol(huge.get());
  EXPECT_EQ(solenoid.PortCount(), MoBaMaxDeviceSlots);
}

TEST(SolenoidAssign, CopiesPortsTimesAndReceivers) {
  const auto four = MakeProtocol(3, 5);
  TMoBaAdvancedSolenoid source;
  source.SetProtocol(four.get());
  source.SetAddress(17);
  source.SetActivationTime(90);
  source.SetPortValue(2, 3);
  source.SetDescription("Yard entry");
  source.SetLocked(true);
  source.SetLockID(4);
  int offs = 0;
  source.OnActionOff = [&](TMoBaBaseSolenoid&) { ++offs; };
  TMoBaAdvancedSolenoid dest;
  dest.Assign(source);
  const auto state = [](const TMoBaAdvancedSolenoid& s) {
    return std::make_tuple(s.Address(), s.SolenoidProtocol(), s.ActivationTime(), s.PortCount(),
                           s.PortValue(2), s.ActivePort(), s.Description(), s.Locked(), s.LockID());
  };
  EXPECT_EQ(state(dest), state(source));
  dest.SwitchOff();
  EXPECT_EQ(offs, 1);
  EXPECT_EQ(dest.PortValue(2), 0);
  EXPECT_EQ(source.PortValue(2), 3);
}

}  // namespace
}  // namespace tenvarra
