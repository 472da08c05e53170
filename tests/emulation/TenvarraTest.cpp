#include "emulation/Tenvarra.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "emulation/TestHost.h"

namespace tenvarra {
namespace {

using TBytes = std::vector<uint8_t>;
using TLines = std::vector<std::string>;
class TenvarraTest : public ::testing::Test, protected test::TEmulation {};

TEST_F(TenvarraTest, LocoCommandsSetSpeedDirectionLightAndFunctionsAndSendTheLoco) {
  const struct {
    uint8_t Command;  // 64 and above: a function command
    int32_t Step;
    TMoBaDriveMode Mode;
    std::array<bool, 5> Functions;
    const char* Screen;
  } rows[] = {
      {21, 5, mdmForward, {true, false, false, false, false}, "Function of Loco 12 set to 1"},
      {69, 5, mdmForward, {true, true, false, true, false}, nullptr},  // the light stays
      {74, 5, mdmForward, {true, false, true, false, true}, nullptr},
      {15, 0, mdmBackwards, {false, false, true, false, true}, "Function of Loco 12 set to 0"},
      {31, 0, mdmForward, {true, false, true, false, true}, "Function of Loco 12 set to 1"},
  };
  const TMoBaAdvancedLoco& loco = *Host.Locos.FindLocoByAddress(12);
  for (const auto& row : rows) {
    SCOPED_TRACE(int(row.Command));
    Clear();
    const bool functions = row.Command >= 64;
    functions ? Engine.HandleFunctions(row.Command, 12) : Engine.HandleLoco(row.Command, 12);
    EXPECT_EQ(loco.SpeedStep(), row.Step);
    EXPECT_EQ(loco.DriveMode(), row.Mode);
    for (int f = 0; f < 5; ++f) EXPECT_EQ(loco.FunctionState(f), row.Functions[f]) << f;
    EXPECT_EQ(Host.ScreenLines, row.Screen ? TLines{row.Screen} : TLines{});
    EXPECT_EQ(Host.LogLines, TLines{functions ? "Handling Functions" : "Handling Loco with address: 12"});
    EXPECT_EQ(Host.Calls, TLines{"SendLoco 12"});
  }
  // The speed is stored as the step it is, whatever the protocol's steps.
  Engine.HandleLoco(14, static_cast<uint8_t>(Host.AddLoco(30, 2)->Address()));
  EXPECT_EQ(Host.Locos.FindLocoByAddress(30)->SpeedStep(), 14);
}

TEST_F(TenvarraTest, LocoAddressesOutOfRangeZeroAndUnknown) {
  Host.LocoAnswer = 6;  // 0 is no loco address: never learned, whatever the answer
  Host.Log = true;
  Engine.HandleLoco(5, 81);
  Engine.HandleFunctions(64, 255);
  Engine.HandleLoco(5, 0);
  Engine.HandleFunctions(65, 0);
  Host.Log = false;
  Engine.HandleLoco(5, 81);
  EXPECT_EQ(Host.LogLines, (TLines{"Handling Loco with address: 81", "Loco address out of range!!",
                                   "Handling Functions", "Loco address out of range!!",
                                   "Handling Loco with address: 0", "Loco address out of range!!",
                                   "Handling Functions", "Loco address out of range!!",
                                   "Handling Loco with address: 81"}));
  EXPECT_TRUE(Host.Calls.empty());
  Host.LocoAnswer = -1;
  Engine.HandleLoco(5, 7);  // unknown, learning cancelled
  Engine.HandleFunctions(65, 7);
  EXPECT_EQ(Host.Locos.LocoCount(), 1);
  Host.LocoAnswer = 6;  // "Extended NMRA 1 (N1a)"
  Engine.HandleLoco(5, 7);
  Engine.HandleFunctions(65, 9);
  EXPECT_EQ(Host.Calls, (TLines{"LearnLoco 7", "LearnLoco 7", "LearnLoco 7", "SendLoco 7", "LearnLoco 9",
                                "SendLoco 9"}));
  // Loco 7's protocol and speed: EndToEndTest's state and saved loco.dat.
  EXPECT_TRUE(Host.Locos.FindLocoByAddress(9)->FunctionState(1));
}

TEST_F(TenvarraTest, FunctionsALocoLacksAreLeftAloneAndTheLocoIsStillSent) {
  Host.AddLoco(20, 5);  // "NMRA Base (NB)": no functions
  TMoBaAdvancedLoco& one = *Host.AddLoco(21, 0);  // "Old Motorola": the light only
  Engine.HandleLoco(21, 20);
  Engine.HandleFunctions(79, 21);
  EXPECT_FALSE(one.FunctionState(0));
  EXPECT_EQ(Host.ScreenLines, TLines{"Function of Loco 20 set to 0"});  // what it has
  EXPECT_EQ(Host.Calls, (TLines{"SendLoco 20", "SendLoco 21"}));
}

// Port 0 switched on and off: EndToEndTest.
TEST_F(TenvarraTest, SolenoidOffSwitchesTheLastPortOffOnlyOnce) {
  const TMoBaAdvancedSolenoid& solenoid = *Host.Solenoids.FindSolenoidByAddress(12);
  Engine.HandleSolenoid(34, 12);
  EXPECT_EQ(solenoid.PortValue(1), 1);
  Engine.HandleSolenoidOff(12);
  EXPECT_EQ(solenoid.PortValue(1), 0);
  Engine.HandleSolenoidOff(12);
  EXPECT_EQ(Host.LogLines.back(), "Handling solenoid off command no timout.");
  EXPECT_EQ(Host.Calls, (TLines{"SendSolenoid 12", "SendSolenoid 12"}));
}

TEST_F(TenvarraTest, UnknownSolenoidsAreLearnedOnlyInLearningMode) {
  const struct {
    bool Learning, Log;
    int32_t Answer;
    TLines Calls, Lines;
  } rows[] = {
      {false, true, 1, {}, {"Handling Solenoid", "no data send to server for solenoid address: 200"}},
      {false, false, 1, {}, {"Handling Solenoid"}},
      {true, true, -1, {"LearnSolenoid 200"}, {"Handling Solenoid"}},
      {true, false, 1, {"LearnSolenoid 200", "SendSolenoid 200"}, {"Handling Solenoid"}},
  };
  for (const auto& row : rows) {
    Clear();
    Host.Learning = row.Learning;
    Host.Log = row.Log;
    Host.SolenoidAnswer = row.Answer;
    Engine.HandleSolenoidOff(201);  // unknown: nothing at all, learning or not
    Engine.HandleSolenoid(33, 200);
    EXPECT_EQ(Host.Calls, row.Calls);
    EXPECT_EQ(Host.LogLines, row.Lines);
  }
  const TMoBaAdvancedSolenoid* learned = Host.Solenoids.FindSolenoidByAddress(200);
  ASSERT_NE(learned, nullptr);
  EXPECT_EQ(learned->Protocol(), Host.Nmra.get());
  EXPECT_EQ(learned->PortValue(0), 1);

  // Address byte 0 is how hosts send solenoid 256: learned, switched and
  // switched off as 256, never as a phantom solenoid 1.
  Clear();
  Host.SolenoidAnswer = 0;
  Engine.HandleSolenoid(34, 0);
  Engine.HandleSolenoidOff(0);
  EXPECT_EQ(Host.Calls, (TLines{"LearnSolenoid 256", "SendSolenoid 256", "SendSolenoid 256"}));
  EXPECT_EQ(Host.Solenoids.FindSolenoidByAddress(1), nullptr);
  EXPECT_EQ(Host.Solenoids.FindSolenoidByAddress(256)->PortValue(1), 0);
}

TEST_F(TenvarraTest, FeedbackReadsAnswerFromTheReportedContactsAndNeverChangeThem) {
  for (const int32_t contact : {1, 16, 17}) Engine.SetContact(contact, true);
  Host.Log = true;
  // Reads 193 and 130 of the same contacts are EndToEndTest's.
  const std::pair<TBytes, TBytes> reads[] = {{{129}, {128, 1}}, {{194}, {128, 0}}};
  for (const auto& [command, reply] : reads) {
    Port.Write(command);
    EXPECT_EQ(Port.Read(), reply);
  }
  EXPECT_EQ(Host.LogLines.at(5), "Sending data from 1 modules, starting with module 1");

  // All 62 bytes, the same after autoreset off; reports outside 1 .. 496 change nothing.
  Port.Write({159});
  const TBytes all = Port.Read();
  TBytes expected(62, 0);
  expected[0] = expected[2] = 128;
  expected[1] = 1;
  EXPECT_EQ(all, expected);
  for (const int32_t contact : {0, 497, -1, INT_MIN, INT_MAX}) Engine.SetContact(contact, true);
  Port.Write({192, 159});
  EXPECT_EQ(Port.Read(), all);

  Engine.SetContact(496, true);
  Engine.SetContact(1, false);
  Port.Write({223, 193});
  EXPECT_EQ(Port.Read(), (TBytes{0, 1, 0, 1}));
}

}  // namespace
}  // namespace tenvarra
