#include "devices/Loco.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <tuple>
#include <vector>

#include "devices/Solenoid.h"

namespace tenvarra {
namespace {

constexpr int32_t Max32 = INT32_MAX;

std::unique_ptr<TMoBaLocoProtocol> MakeProtocol(int32_t maxSteps, int32_t maxFunctions = 5,
                                                int32_t maxAddress = 99) {
  auto p = std::make_unique<TMoBaLocoProtocol>();
  p->MaxSteps = maxSteps;
  p->MaxFunctions = maxFunctions;
  p->MaxAddress = maxAddress;
  return p;
}

TEST(LocoLimits, AddressFunctionsAndStepsFollowTheProtocol) {
  const auto p = MakeProtocol(14, 5, 99);
  TMoBaBaseLoco loco;
  loco.SetAddress(-5);
  EXPECT_EQ(loco.Address(), 1);  // never below 1
  loco.SetAddress(150);
  loco.SetSpeedStep(20);
  loco.SetFunctionState(1, true);
  loco.SetFunctionState(7, true);
  loco.SetProtocol(p.get());  // applies its limits at once
  EXPECT_EQ(loco.Address(), 99);
  EXPECT_EQ(loco.SpeedStep(), 14);
  EXPECT_EQ(loco.FunctionCount(), 5);
  EXPECT_TRUE(loco.FunctionState(1));
  EXPECT_FALSE(loco.FunctionState(7));  // out of range reads as off
  loco.SetFunctionCount(2);
  loco.SetProtocol(p.get());  // the same protocol validates nothing again
  EXPECT_EQ(loco.FunctionCount(), 2);
  loco.SetFunctionCount(9);
  EXPECT_EQ(loco.FunctionCount(), 5);
  EXPECT_FALSE(loco.FunctionState(4));  // new ones start off
  loco.SetFunctionCount(-4);
  EXPECT_EQ(loco.FunctionCount(), 0);
  const auto huge = MakeProtocol(14, 2000000000);
  loco.SetProtocol(huge.get());
  EXPECT_EQ(loco.FunctionCount(), MoBaMaxDeviceSlots);
}

TEST(LocoLimits, SpeedStepIsClampedAndMaxWinsWhenTheLimitsCross) {
  const std::vector<std::array<int32_t, 4>> cases = {
      {2, 14, 1, 2}, {2, 14, 15, 14}, {2, 14, 9, 9}, {20, 14, 15, 14}, {20, 14, 3, 20}};
  for (const auto& [min, max, value, expected] : cases) {
    const auto p = MakeProtocol(max);
    p->MinSteps = min;
    TMoBaBaseLoco loco;
    loco.SetProtocol(p.get());
    loco.SetSpeedStep(value);
    EXPECT_EQ(loco.SpeedStep(), expected) << min << ".." << max << " set " << value;
  }
  TMoBaBaseLoco loco;
  loco.SetSpeedStep(-3);
  EXPECT_EQ(loco.SpeedStep(), 0);
}

TEST(LocoDriveMode, DirectionsAreRememberedAndNextRestoresOrFlips) {
  const auto odd = static_cast<TMoBaDriveMode>(9);
  // The mode set, then the drive mode and the last direction it leaves.
  const std::vector<std::array<TMoBaDriveMode, 3>> steps = {
      {mdmBackwards, mdmBackwards, mdmBackwards},
      {mdmEmergencyStop, mdmEmergencyStop, mdmBackwards},
      {mdmNext, mdmBackwards, mdmBackwards},  // restored, not flipped
      {mdmForward, mdmForward, mdmForward},  {mdmNext, mdmBackwards, mdmBackwards},
      {mdmNext, mdmForward, mdmForward},     {mdmChange, mdmChange, mdmForward},
      {odd, odd, mdmForward}};
  TMoBaBaseLoco loco;
  for (const auto& [set, mode, last] : steps) {
    loco.SetDriveMode(set);
    EXPECT_EQ(loco.DriveMode(), mode) << int(set);
    EXPECT_EQ(loco.LastDirection(), last) << int(set);
  }
  EXPECT_STREQ(DriveModeName(odd), "Invalid");
}

TEST(LocoSpeed, ScalesWithHalvesToTheEvenNeighbourAndWithoutOverflow) {
  // Steps to speed, or speed to steps; MaxSteps Max32 is a loco without protocol.
  struct TCase { bool FromStep; int32_t MaxSteps, MaxSpeed, In, Out; };
  const std::vector<TCase> cases = {
      {true, 14, 100, 3, 21},  {true, 14, 3, 7, 2},    // 21.4, 1.5
      {true, 14, 5, 7, 2},     {true, 14, 1, 7, 0},    // 2.5, 0.5
      {true, Max32, 100, Max32, 100}, {true, Max32, Max32, Max32, Max32}, {true, 0, 100, 0, 0},
      {false, 14, 100, 50, 7}, {false, 14, 4, 1, 4},   // 7, 3.5
      {false, 14, 4, 3, 10},   {false, 14, 100, -10, 0}, {false, 14, 100, 1000, 14},  // 10.5
      {false, Max32, 100, 50, 1073741824},  // 1073741823.5
      {false, Max32, Max32, Max32, Max32},  {false, 0, 100, 30, 0}};
  for (const TCase& c : cases) {
    TMoBaLocoProtocol protocol;
    protocol.MaxSteps = c.MaxSteps;
    TMoBaAdvancedLoco loco;
    if (c.MaxSteps != Max32) loco.SetProtocol(&protocol);
    loco.SetMaxSpeed(c.MaxSpeed);
    c.FromStep ? loco.SetSpeedStep(c.In) : loco.SetSpeed(c.In);
    EXPECT_EQ(c.FromStep ? loco.Speed() : loco.SpeedStep(), c.Out) << c.MaxSpeed << ' ' << c.In;
  }
  TMoBaAdvancedLoco loco;
  loco.SetMaxSpeed(-7);
  EXPECT_EQ(loco.MaxSpeed(), 1);
}

TEST(LocoAssign, CopiesStateByClass) {
  const auto wide = MakeProtocol(28, 9, 80);
  TMoBaAdvancedLoco source;
  source.SetProtocol(wide.get());
  source.SetAddress(42);
  source.SetFunctionState(8, true);
  source.SetSpeedStep(20);
  source.SetDriveMode(mdmBackwards);
  source.SetDriveMode(mdmEmergencyStop);
  source.SetMaxSpeed(160);
  source.SetDescription("Shunter");
  source.SetLocked(true);
  source.SetLockID(7);

  const auto state = [](const TMoBaAdvancedLoco& l) {
    return std::make_tuple(l.Protocol(), l.Address(), l.FunctionCount(), l.FunctionState(8),
                           l.SpeedStep(), l.DriveMode(), l.LastDirection(), l.MaxSpeed(),
                           l.Description(), l.Locked(), l.LockID());
  };
  const std::unique_ptr<TMoBaBaseDevice> copy = source.Clone();
  const auto* dest = dynamic_cast<const TMoBaAdvancedLoco*>(copy.get());
  ASSERT_NE(dest, nullptr);
  EXPECT_EQ(state(*dest), state(source));

  // From a base loco an advanced one takes the loco part and keeps its own.
  TMoBaBaseLoco base;
  base.Assign(source);
  TMoBaAdvancedLoco other;
  other.SetMaxSpeed(80);
  other.Assign(base);
  EXPECT_EQ(other.MaxSpeed(), 80);
  EXPECT_EQ(other.SpeedStep(), 20);

  // A solenoid takes the device part only, and a loco protocol sets no port limits.
  TMoBaBaseSolenoid solenoid;
  solenoid.Assign(source);
  EXPECT_EQ(solenoid.Address(), 42);
  EXPECT_EQ(solenoid.Protocol(), wide.get());
  EXPECT_EQ(solenoid.SolenoidProtocol(), nullptr);
  EXPECT_EQ(solenoid.PortCount(), 2);
}

}  // namespace
}  // namespace tenvarra
