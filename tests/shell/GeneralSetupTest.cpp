#include "shell/GeneralSetup.h"

#include <gtest/gtest.h>

#include <functional>

namespace tenvarra {
namespace {

TSettings Changed() {
  TSettings s;
  s.Host = "layout.example";
  s.Port = 4303;
  s.ActivationTime = 350;
  s.WriteLogFile = true;
  s.LearningMode = true;
  s.SerialHandshake = false;
  s.MMGLBus = 11;
  s.NMRAGLSBus = 12;
  s.NMRAGLLBus = 13;
  s.MMGABus = 15;
  s.NMRAGABus = 16;
  s.S88Bus = 18;
  s.PowerBus = -3;
  s.S88Modules = 31;
  return s;
}

TEST(GeneralSetupTest, FillsDecimalTextsAndTakesThemBackUnchanged) {
  TSettings back;
  ApplyGeneralSetup(GeneralSetupFields(Changed()), back);
  EXPECT_EQ(back, Changed());
}

TEST(GeneralSetupTest, BusNumberAnUpDownCannotShowKeepsTheSetupClosed) {
  TSettings s;
  s.S88Bus = 32768;
  try {
    GeneralSetupFields(s);
    FAIL() << "no error";
  } catch (const EGeneralSetupError& e) {
    EXPECT_EQ(e.Field(), TSetupField::S88Bus);
    EXPECT_NE(std::string(e.what()).find("32768"), std::string::npos) << e.what();
  }
  s.S88Bus = -32768;
  EXPECT_EQ(GeneralSetupFields(s).S88Bus, "-32768");
}

// Each case spoils one field of Changed()'s texts; the take-back into default
// settings must stop there, with exactly the fields before it taken over.
struct TBadField {
  const char* Name;
  std::function<void(TGeneralSetupFields&)> Spoil;
  TSetupField Field;
  const char* Shown;  // what the message must quote
};
void PrintTo(const TBadField& Case, std::ostream* Out) { *Out << Case.Name; }

class GeneralSetupBadFieldTest : public ::testing::TestWithParam<TBadField> {};

TEST_P(GeneralSetupBadFieldTest, StopsAtTheBadFieldWithTheFieldsBeforeItTaken) {
  TGeneralSetupFields fields = GeneralSetupFields(Changed());
  GetParam().Spoil(fields);
  TSettings s;
  try {
    ApplyGeneralSetup(fields, s);
    FAIL() << "no error";
  } catch (const EGeneralSetupError& e) {
    EXPECT_EQ(e.Field(), GetParam().Field);
    EXPECT_NE(std::string(e.what()).find(GetParam().Shown), std::string::npos) << e.what();
  }
  // Take the good fields over one by one into the expected settings, in the
  // documented order, up to the bad one.
  TSettings expected;
  const TSettings all = Changed();
  const auto upTo = static_cast<int>(GetParam().Field);
  const auto taken = [&](TSetupField f) { return static_cast<int>(f) < upTo; };
  if (taken(TSetupField::Host)) expected.Host = all.Host;
  if (taken(TSetupField::Port)) expected.Port = all.Port;
  if (taken(TSetupField::ActivationTime)) expected.ActivationTime = all.ActivationTime;
  if (taken(TSetupField::MMGLBus)) expected.MMGLBus = all.MMGLBus;
  if (taken(TSetupField::NMRAGLSBus)) expected.NMRAGLSBus = all.NMRAGLSBus;
  if (taken(TSetupField::NMRAGLLBus)) expected.NMRAGLLBus = all.NMRAGLLBus;
  if (taken(TSetupField::MMGABus)) expected.MMGABus = all.MMGABus;
  if (taken(TSetupField::NMRAGABus)) expected.NMRAGABus = all.NMRAGABus;
  if (taken(TSetupField::S88Bus)) expected.S88Bus = all.S88Bus;
  if (taken(TSetupField::PowerBus)) expected.PowerBus = all.PowerBus;
  // The two switches come between the power bus and the S88 modules.
  if (upTo >= static_cast<int>(TSetupField::S88Modules)) {
    expected.WriteLogFile = all.WriteLogFile;
    expected.LearningMode = all.LearningMode;
  }
  EXPECT_EQ(s, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, GeneralSetupBadFieldTest,
    ::testing::Values(
        TBadField{"HostWithLineBreak", [](auto& f) { f.Host = "server\r\n4303"; },
                  TSetupField::Host, "control characters"},
        TBadField{"LettersInPort", [](auto& f) { f.Port = "43a3"; }, TSetupField::Port, "'43a3'"},
        TBadField{"NegativeActivationTime", [](auto& f) { f.ActivationTime = "-1"; },
                  TSetupField::ActivationTime, "-1"},
        TBadField{"FifthBusNotANumber", [](auto& f) { f.NMRAGABus = "six"; },
                  TSetupField::NMRAGABus, "'six'"},
        TBadField{"PowerBusBeyondAnUpDown", [](auto& f) { f.PowerBus = "32768"; },
                  TSetupField::PowerBus, "32768"},
        TBadField{"ModulesWithInnerBlank", [](auto& f) { f.S88Modules = "1 2"; },
                  TSetupField::S88Modules, "'1 2'"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(GeneralSetupTest, IntegerTexts) {
  const struct {
    const char* Text;
    int32_t Value;
  } good[] = {{"0", 0},         {"  42", 42},  {"\t7", 7},         {"+5", 5},
              {"-12", -12},     {"007", 7},    {"2147483647", INT32_MAX},
              {"-2147483648", INT32_MIN}};
  for (const auto& g : good) EXPECT_EQ(IntegerOfText(g.Text), g.Value) << g.Text;
  for (const char* bad : {"", " ", "42 ", "4 2", "+-5", "--5", "0x10", "$10", "1e3", "12.0",
                          "2147483648", "-2147483649", "99999999999"})
    EXPECT_THROW(IntegerOfText(bad), EConvertError) << bad;
  // The S88 modules and device addresses drop blanks at both ends.
  EXPECT_EQ(IntegerOfTrimmedText(" 12\t "), 12);
  EXPECT_THROW(IntegerOfTrimmedText("  "), EConvertError);
}

}  // namespace
}  // namespace tenvarra
