#include "devices/Solenoid.h"

#include <gtest/gtest.h>

#include "devices/Catalogue.h"

namespace tenvarra {
namespace {

std::unique_ptr<TMoBaSolenoidProtocol> MakeProtocol(int32_t maxPort, int32_t maxValue) {
  auto p = std::make_unique<TMoBaSolenoidProtocol>();
  p->MaxPort = maxPort;
  p->MaxValue = maxValue;
  return p;
}

// Records activations the way a timer receiver would, without a clock.
struct TActivationLog {
  int Calls = 0;
  uint32_t Time = 0;
  std::function<void()> Pending;
  int Offs = 0;

  void Attach(TMoBaBaseSolenoid& solenoid) {
    solenoid.OnActivation = [this](TMoBaBaseSolenoid&, uint32_t time,
                                   const std::function<void()>& callback) {
      ++Calls;
      Time = time;
      Pending = callback;
    };
    solenoid.OnActionOff = [this](TMoBaBaseSolenoid&) { ++Offs; };
  }
};

TEST(SolenoidPorts, WithoutProtocolThereAreTwoUnboundedPorts) {
  TMoBaBaseSolenoid solenoid;
  EXPECT_EQ(solenoid.PortCount(), 2);
  EXPECT_EQ(solenoid.MaxPort(), 1);
  EXPECT_EQ(solenoid.MaxAction(), MoBaNoLimit);
  EXPECT_EQ(solenoid.ActivationTime(), 200u);
  solenoid.SetPortValue(0, 1000);
  EXPECT_EQ(solenoid.PortValue(0), 1000);
}

TEST(SolenoidPorts, NmraAccessoryClampsAndCallsTheActivationReceiver) {
  TMoBaBaseSolenoid solenoid;
  solenoid.SetProtocol(MoBaSolenoidProtocols().Items(1));
  TActivationLog log;
  log.Attach(solenoid);
  EXPECT_EQ(solenoid.PortCount(), 2);

  solenoid.SetPortValue(1, 5);
  EXPECT_EQ(solenoid.PortValue(1), 1);
  EXPECT_EQ(solenoid.ActivePort(), 1);
  EXPECT_EQ(log.Calls, 1);
  EXPECT_EQ(log.Time, 200u);

  solenoid.SetPortValue(2, 1);  // no such port
  EXPECT_EQ(log.Calls, 1);
  EXPECT_EQ(solenoid.ActivePort(), 1);
  solenoid.SetPortValue(-1, 1);
  EXPECT_EQ(log.Calls, 1);

  solenoid.SetPortValue(0, -3);  // clamped to 0: active port moves, nothing starts
  EXPECT_EQ(solenoid.PortValue(0), 0);
  EXPECT_EQ(solenoid.ActivePort(), 0);
  EXPECT_EQ(log.Calls, 1);
}

TEST(SolenoidPorts, SwitchOffClearsThePortSetLastThenNotifies) {
  TMoBaBaseSolenoid solenoid;
  TActivationLog log;
  log.Attach(solenoid);
  solenoid.SetActivationTime(350);
  solenoid.SetPortValue(0, 1);
  EXPECT_EQ(log.Time, 350u);
  solenoid.SetPortValue(1, 1);
  ASSERT_TRUE(log.Pending);
  solenoid.SetPortValue(0, 0);  // now port 0 is the one set last
  solenoid.SetPortValue(1, 1);
  log.Pending();
  EXPECT_EQ(solenoid.PortValue(1), 0);
  EXPECT_EQ(log.Offs, 1);

  solenoid.SetPortValue(0, 1);
  solenoid.SetPortValue(1, 0);
  solenoid.SetPortValue(1, 0);
  log.Pending();  // the callback of port 0 switches the active port 1
  EXPECT_EQ(solenoid.PortValue(0), 1);
  EXPECT_EQ(log.Offs, 2);
}

TEST(SolenoidPorts, SwitchOffWithActivePortOutOfRangeOnlyNotifies) {
  TMoBaBaseSolenoid solenoid;
  TActivationLog log;
  log.Attach(solenoid);
  solenoid.SetPortValue(1, 1);
  solenoid.SetActivePort(7);
  solenoid.SwitchOff();
  EXPECT_EQ(solenoid.PortValue(1), 1);
  EXPECT_EQ(log.Offs, 1);
}

TEST(SolenoidPorts, ProtocolChangeResizesAndLowersRetainedPorts) {
  const auto four = MakeProtocol(3, 5);
  const auto two = MakeProtocol(1, 2);
  TMoBaBaseSolenoid solenoid;
  solenoid.SetProtocol(four.get());
  ASSERT_EQ(solenoid.PortCount(), 4);
  solenoid.SetPortValue(0, 5);
  solenoid.SetPortValue(1, 1);
  solenoid.SetPortValue(3, 4);
  solenoid.SetProtocol(two.get());
  ASSERT_EQ(solenoid.PortCount(), 2);
  EXPECT_EQ(solenoid.PortValue(0), 2);
  EXPECT_EQ(solenoid.PortValue(1), 1);
  solenoid.SetProtocol(four.get());
  EXPECT_EQ(solenoid.PortValue(3), 0);  // new ports start at 0

  const auto broken = MakeProtocol(-5, 1);
  solenoid.SetProtocol(broken.get());
  EXPECT_EQ(solenoid.PortCount(), 0);
  const auto huge = MakeProtocol(2147483647, 1);
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
  source.OnActionOff = [&offs](TMoBaBaseSolenoid&) { ++offs; };

  TMoBaAdvancedSolenoid dest;
  dest.Assign(source);
  EXPECT_EQ(dest.Address(), 17);
  EXPECT_EQ(dest.SolenoidProtocol(), four.get());
  EXPECT_EQ(dest.ActivationTime(), 90u);
  EXPECT_EQ(dest.PortCount(), 4);
  EXPECT_EQ(dest.PortValue(2), 3);
  EXPECT_EQ(dest.ActivePort(), 2);
  EXPECT_EQ(dest.Description(), "Yard entry");
  EXPECT_TRUE(dest.Locked());
  EXPECT_EQ(dest.LockID(), 4);
  dest.SwitchOff();
  EXPECT_EQ(offs, 1);
  EXPECT_EQ(dest.PortValue(2), 0);
  EXPECT_EQ(source.PortValue(2), 3);
}

}  // namespace
}  // namespace tenvarra
