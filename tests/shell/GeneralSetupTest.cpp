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
  s.PowerBus = 4;
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

// Each case spoils one field of Changed()'s texts: the take-back refuses it
// with a message naming the field and what it allows, and changes nothing.
struct TBadField {
  const char* Name;
  std::function<void(TGeneralSetupFields&)> Spoil;
  TSetupField Field;
  const char* Message;
};
void PrintTo(const TBadField& Case, std::ostream* Out) { *Out << Case.Name; }

class GeneralSetupBadFieldTest : public ::testing::TestWithParam<TBadField> {};

TEST_P(GeneralSetupBadFieldTest, IsNamedAndNothingIsTaken) {
  TGeneralSetupFields fields = GeneralSetupFields(Changed());
  GetParam().Spoil(fields);
  const auto error = CheckGeneralSetup(fields);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Field, GetParam().Field);
  EXPECT_EQ(error->Message, GetParam().Message);
  TSettings s;
  EXPECT_THROW(ApplyGeneralSetup(fields, s), EGeneralSetupError);
  EXPECT_EQ(s, TSettings{});
}

INSTANTIATE_TEST_SUITE_P(
    Fields, GeneralSetupBadFieldTest,
    ::testing::Values(
        TBadField{"HostWithLineBreak", [](auto& f) { f.Host = "server\r\n4303"; }, TSetupField::Host,
                  "Server: a host name must not contain control characters"},
        TBadField{"LettersInPort", [](auto& f) { f.Port = "43a3"; }, TSetupField::Port,
                  "Port: '43a3' is not a whole number within 1 .. 65535"},
        TBadField{"PortZero", [](auto& f) { f.Port = "0"; }, TSetupField::Port, "Port: 0 is not within 1 .. 65535"},
        TBadField{"PortAbove", [](auto& f) { f.Port = "65536"; }, TSetupField::Port,
                  "Port: 65536 is not within 1 .. 65535"},
        TBadField{"NegativeActivationTime", [](auto& f) { f.ActivationTime = "-1"; }, TSetupField::ActivationTime,
                  "Sol activation time: -1 is not within 0 .. 2147483647"},
        TBadField{"BusZero", [](auto& f) { f.NMRAGABus = "0"; }, TSetupField::NMRAGABus,
                  "NMRA/DCC solenoid decoders: 0 is not within 1 .. 32767"},
        TBadField{"PowerBusBeyondAnUpDown", [](auto& f) { f.PowerBus = "32768"; }, TSetupField::PowerBus,
                  "Power: 32768 is not within 1 .. 32767"},
        TBadField{"ModulesBeyondTheImage", [](auto& f) { f.S88Modules = " 32"; }, TSetupField::S88Modules,
                  "Number of S88 modules: 32 is not within 0 .. 31"},
        TBadField{"ModulesWithInnerBlank", [](auto& f) { f.S88Modules = "1 2"; }, TSetupField::S88Modules,
                  "Number of S88 modules: '1 2' is not a whole number within 0 .. 31"}),
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
