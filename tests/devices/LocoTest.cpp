#include "devices/Loco.h"

#include <gtest/gtest.h>

#include "devices/Catalogue.h"
#include "devices/Solenoid.h"

namespace tenvarra {
namespace {

std::unique_ptr<TMoBaLocoProtocol> MakeProtocol(int32_t maxSteps, int32_t maxFunctions = 5,
                                                int32_t maxAddress = 99) {
  auto p = std::make_unique<TMoBaLocoProtocol>();
  p->MaxSteps = maxSteps;
  p->MaxFunctions = maxFunctions;
  p->MaxAddress = maxAddress;
  return p;
}

TEST(LocoAddress, IsNeverBelowOneNorAboveTheProtocolsMaximum) {
  TMoBaBaseLoco loco;
  EXPECT_EQ(loco.Address(), 0);  // construction does not apply the rule
  loco.SetAddress(0);
  EXPECT_EQ(loco.Address(), 1);
  loco.SetAddress(-5);
  EXPECT_EQ(loco.Address(), 1);
  loco.SetAddress(150);
  EXPECT_EQ(loco.Address(), 150);
  EXPECT_EQ(loco.MaxAddress(), MoBaNoLimit);

  const auto nmraBase = MakeProtocol(14, 1, 99);
  loco.SetProtocol(nmraBase.get());
  EXPECT_EQ(loco.Address(), 99);  // Validate applied the rule
  loco.SetAddress(150);
  EXPECT_EQ(loco.Address(), 99);
}

TEST(LocoLimits, WithoutProtocol) {
  TMoBaBaseLoco loco;
  EXPECT_EQ(loco.MaxFunctions(), 255);
  EXPECT_EQ(loco.FunctionCount(), 255);
  EXPECT_EQ(loco.MaxSteps(), 2147483647);
  EXPECT_EQ(loco.MinSteps(), 0);
  loco.SetSpeedStep(-3);
  EXPECT_EQ(loco.SpeedStep(), 0);
}

TEST(LocoLimits, MotorolaOneCutsFunctionsAndSteps) {
  TMoBaBaseLoco loco;
  loco.SetSpeedStep(20);
  loco.SetFunctionState(0, true);
  loco.SetFunctionState(3, true);
  loco.SetProtocol(MoBaLocoProtocols().Items(0));
  EXPECT_EQ(loco.FunctionCount(), 1);
  EXPECT_TRUE(loco.FunctionState(0));
  EXPECT_EQ(loco.SpeedStep(), 14);
  EXPECT_FALSE(loco.FunctionState(3));  // out of range reads as off
  loco.SetFunctionState(3, true);       // and is not written
  EXPECT_EQ(loco.FunctionCount(), 1);
}

TEST(LocoLimits, FunctionCountIsCappedByMaxFunctionsAndNeverNegative) {
  const auto p = MakeProtocol(14, 5);
  TMoBaBaseLoco loco;
  loco.SetProtocol(p.get());
  loco.SetFunctionState(1, true);
  loco.SetFunctionCount(2);
  loco.SetFunctionCount(9);
  EXPECT_EQ(loco.FunctionCount(), 5);
  EXPECT_TRUE(loco.FunctionState(1));
  EXPECT_FALSE(loco.FunctionState(4));  // new ones start off
  loco.SetFunctionCount(-4);
  EXPECT_EQ(loco.FunctionCount(), 0);

  const auto huge = MakeProtocol(14, 2000000000);
  loco.SetProtocol(huge.get());
  EXPECT_EQ(loco.FunctionCount(), MoBaMaxDeviceSlots);
}

TEST(LocoLimits, StepRuleClampsToMinAndMaxAndMaxWinsWhenTheyCross) {
  const auto p = MakeProtocol(14);
  p->MinSteps = 2;
  TMoBaBaseLoco loco;
  loco.SetProtocol(p.get());
  EXPECT_EQ(loco.SpeedStep(), 2);  // Validate lifted the construction 0
  loco.SetSpeedStep(1);
  EXPECT_EQ(loco.SpeedStep(), 2);
  loco.SetSpeedStep(15);
  EXPECT_EQ(loco.SpeedStep(), 14);

  const auto crossed = MakeProtocol(14);
  crossed->MinSteps = 20;
  loco.SetProtocol(crossed.get());
  loco.SetSpeedStep(15);
  EXPECT_EQ(loco.SpeedStep(), 14);
  loco.SetSpeedStep(3);
  EXPECT_EQ(loco.SpeedStep(), 20);
}

TEST(LocoProtocolChange, SameProtocolDoesNotValidateAgain) {
  const auto p = MakeProtocol(14, 5);
  TMoBaBaseLoco loco;
  loco.SetProtocol(p.get());
  loco.SetFunctionCount(2);
  loco.SetProtocol(p.get());
  EXPECT_EQ(loco.FunctionCount(), 2);
  loco.SetProtocol(nullptr);
  EXPECT_EQ(loco.FunctionCount(), 255);
}

TEST(LocoDriveMode, DirectionsAreRememberedAndNextRestoresOrFlips) {
  TMoBaBaseLoco loco;
  loco.SetDriveMode(mdmBackwards);
  loco.SetDriveMode(mdmEmergencyStop);
  EXPECT_EQ(loco.LastDirection(), mdmBackwards);
  loco.SetDriveMode(mdmNext);
  EXPECT_EQ(loco.DriveMode(), mdmBackwards);  // restored, not flipped

  loco.SetDriveMode(mdmForward);
  loco.SetDriveMode(mdmNext);
  EXPECT_EQ(loco.DriveMode(), mdmBackwards);
  EXPECT_EQ(loco.LastDirection(), mdmBackwards);
  loco.SetDriveMode(mdmNext);
  EXPECT_EQ(loco.DriveMode(), mdmForward);

  loco.SetDriveMode(mdmChange);
  EXPECT_EQ(loco.DriveMode(), mdmChange);
  EXPECT_EQ(loco.LastDirection(), mdmForward);
  loco.SetDriveMode(static_cast<TMoBaDriveMode>(9));
  EXPECT_EQ(loco.DriveMode(), 9);
  EXPECT_EQ(loco.LastDirection(), mdmForward);
}

TEST(LocoDriveMode, Names) {
  EXPECT_STREQ(DriveModeName(mdmEmergencyStop), "Emergency Stop");
  EXPECT_STREQ(DriveModeName(mdmNext), "Automatic change");
  EXPECT_STREQ(DriveModeName(static_cast<TMoBaDriveMode>(42)), "Invalid");
}

TEST(LocoSpeed, ScalesStepsToMaxSpeed) {
  const auto p = MakeProtocol(14);
  TMoBaAdvancedLoco loco;
  loco.SetProtocol(p.get());
  EXPECT_EQ(loco.MaxSpeed(), 100);
  loco.SetSpeed(50);
  EXPECT_EQ(loco.SpeedStep(), 7);
  loco.SetSpeedStep(3);
  EXPECT_EQ(loco.Speed(), 21);
  loco.SetSpeed(-10);
  EXPECT_EQ(loco.SpeedStep(), 0);
  loco.SetSpeed(1000);
  EXPECT_EQ(loco.SpeedStep(), 14);
  EXPECT_EQ(loco.Speed(), 100);
}

TEST(LocoSpeed, HalvesGoToTheEvenNeighbour) {
  const auto p = MakeProtocol(14);
  TMoBaAdvancedLoco loco;
  loco.SetProtocol(p.get());
  loco.SetSpeedStep(7);
  loco.SetMaxSpeed(3);  // 7 * 3 / 14 = 1.5
  EXPECT_EQ(loco.Speed(), 2);
  loco.SetMaxSpeed(5);  // 2.5
  EXPECT_EQ(loco.Speed(), 2);
  loco.SetMaxSpeed(1);  // 0.5
  EXPECT_EQ(loco.Speed(), 0);

  loco.SetMaxSpeed(4);
  loco.SetSpeed(1);  // 14 * 1 / 4 = 3.5
  EXPECT_EQ(loco.SpeedStep(), 4);
  loco.SetSpeed(3);  // 10.5
  EXPECT_EQ(loco.SpeedStep(), 10);
}

TEST(LocoSpeed, MaxSpeedIsAtLeastOne) {
  TMoBaAdvancedLoco loco;
  loco.SetMaxSpeed(0);
  EXPECT_EQ(loco.MaxSpeed(), 1);
  loco.SetMaxSpeed(-7);
  EXPECT_EQ(loco.MaxSpeed(), 1);
}

TEST(LocoSpeed, NoOverflowWithoutProtocolAndNoDivisionByZeroSteps) {
  TMoBaAdvancedLoco loco;  // MaxSteps 2147483647
  loco.SetSpeedStep(2147483647);
  EXPECT_EQ(loco.Speed(), 100);
  loco.SetSpeed(50);  // 1073741823.5 goes to the even 1073741824
  EXPECT_EQ(loco.SpeedStep(), 1073741824);
  loco.SetMaxSpeed(2147483647);
  loco.SetSpeed(2147483647);
  EXPECT_EQ(loco.SpeedStep(), 2147483647);
  EXPECT_EQ(loco.Speed(), 2147483647);

  const auto none = MakeProtocol(0);
  loco.SetProtocol(none.get());
  EXPECT_EQ(loco.Speed(), 0);
  loco.SetSpeed(30);
  EXPECT_EQ(loco.SpeedStep(), 0);
}

TEST(LocoSpeed, RoundHalfEvenDivisionIsExactForNegativeValuesToo) {
  EXPECT_EQ(RoundHalfEvenDiv(5, 2), 2);
  EXPECT_EQ(RoundHalfEvenDiv(7, 2), 4);
  EXPECT_EQ(RoundHalfEvenDiv(-5, 2), -2);
  EXPECT_EQ(RoundHalfEvenDiv(-7, 2), -4);
  EXPECT_EQ(RoundHalfEvenDiv(-8, 3), -3);
  EXPECT_EQ(RoundHalfEvenDiv(8, 3), 3);
  EXPECT_EQ(RoundHalfEvenDiv(INT64_MAX, INT64_MAX - 1), 1);
}

TEST(LocoAssign, CopiesStateAndLimitsFunctionsByTheDestination) {
  const auto wide = MakeProtocol(28, 9);
  TMoBaAdvancedLoco source;
  source.SetProtocol(wide.get());
  source.SetAddress(42);
  source.SetFunctionState(8, true);
  source.SetFunctionState(2, true);
  source.SetSpeedStep(20);
  source.SetDriveMode(mdmBackwards);
  source.SetDriveMode(mdmEmergencyStop);
  source.SetMaxSpeed(160);
  source.SetDescription("Shunter");
  source.SetLocked(true);
  source.SetLockID(7);

  TMoBaAdvancedLoco dest;
  dest.Assign(source);
  EXPECT_EQ(dest.Protocol(), wide.get());
  EXPECT_EQ(dest.Address(), 42);
  EXPECT_EQ(dest.FunctionCount(), 9);
  EXPECT_TRUE(dest.FunctionState(2));
  EXPECT_TRUE(dest.FunctionState(8));
  EXPECT_EQ(dest.SpeedStep(), 20);
  EXPECT_EQ(dest.DriveMode(), mdmEmergencyStop);
  EXPECT_EQ(dest.LastDirection(), mdmBackwards);
  EXPECT_EQ(dest.MaxSpeed(), 160);
  EXPECT_EQ(dest.Description(), "Shunter");
  EXPECT_TRUE(dest.Locked());
  EXPECT_EQ(dest.LockID(), 7);

  // A base loco takes the loco part only.
  TMoBaBaseLoco base;
  base.Assign(source);
  EXPECT_EQ(base.SpeedStep(), 20);
  // An advanced loco from a base one keeps its own advanced fields.
  TMoBaAdvancedLoco other;
  other.SetMaxSpeed(80);
  other.Assign(base);
  EXPECT_EQ(other.MaxSpeed(), 80);
  EXPECT_EQ(other.Address(), 42);
}

TEST(LocoAssign, CloneKeepsTheClass) {
  TMoBaAdvancedLoco source;
  source.SetAddress(3);
  std::unique_ptr<TMoBaBaseDevice> copy = source.Clone();
  auto* loco = dynamic_cast<TMoBaAdvancedLoco*>(copy.get());
  ASSERT_NE(loco, nullptr);
  EXPECT_EQ(loco->Address(), 3);
}

TEST(LocoAssign, IntoASolenoidMovesOnlyTheDevicePartAndKeepsSolenoidLimitsSafe) {
  const auto p = MakeProtocol(14, 5, 80);
  TMoBaAdvancedLoco loco;
  loco.SetProtocol(p.get());
  loco.SetAddress(12);
  TMoBaBaseSolenoid solenoid;
  solenoid.Assign(loco);
  EXPECT_EQ(solenoid.Address(), 12);
  EXPECT_EQ(solenoid.Protocol(), p.get());
  EXPECT_EQ(solenoid.SolenoidProtocol(), nullptr);
  EXPECT_EQ(solenoid.MaxPort(), 1);  // a loco protocol sets no port limits
  EXPECT_EQ(solenoid.PortCount(), 2);
}

}  // namespace
}  // namespace tenvarra
