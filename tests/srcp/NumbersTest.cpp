#include "srcp/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <locale>
#include <string>

#include "srcp/SRCPCmd.h"

namespace tenvarra {
namespace {

TEST(IntToSRCPTest, SpellsValuesAndLeavesUnsetOnesOut) {
  EXPECT_EQ(IntToSRCP(0), "0");
  EXPECT_EQ(IntToSRCP(12), "12");
  EXPECT_EQ(IntToSRCP(std::numeric_limits<int32_t>::max()), "2147483647");
  EXPECT_EQ(IntToSRCP(-1), "");
  EXPECT_EQ(IntToSRCP(-2), "=");
  EXPECT_EQ(IntToSRCP(-3), "*");
  EXPECT_EQ(IntToSRCP(-4), "");
  EXPECT_EQ(IntToSRCP(std::numeric_limits<int32_t>::min()), "");
}

TEST(SRCPToIntTest, ReadsTrimmedDecimalsAndTheTwoSymbols) {
  int32_t value = 99;
  EXPECT_TRUE(SRCPToInt("  12 ", value));
  EXPECT_EQ(value, 12);
  EXPECT_TRUE(SRCPToInt("-5", value));
  EXPECT_EQ(value, -5);
  EXPECT_TRUE(SRCPToInt("+7", value));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(SRCPToInt("*", value));
  EXPECT_EQ(value, -3);
  EXPECT_TRUE(SRCPToInt(" = ", value));
  EXPECT_EQ(value, -2);
}

TEST(SRCPToIntTest, FailureLeavesMinusOne) {
  for (const char* text : {"", "a", "12x", "x12", "1 2", "**", "2147483648", "-2147483649",
                           "0x10", "+", "-", "+-1", "1.5"}) {
    int32_t value = 99;
    EXPECT_FALSE(SRCPToInt(text, value)) << text;
    EXPECT_EQ(value, -1) << text;
  }
}

TEST(SRCPToIntTest, EverySpelledValueReadsBack) {
  for (int32_t n : {0, 1, 9, 10, 255, 65536, std::numeric_limits<int32_t>::max(), -2, -3}) {
    int32_t back = 0;
    EXPECT_TRUE(SRCPToInt(IntToSRCP(n), back)) << n;
    EXPECT_EQ(back, n);
  }
}

TEST(TimestampTest, ThreeDecimalsWithAPoint) {
  std::string out;
  AppendTimestamp(out, 5.25);
  EXPECT_EQ(out, "5.250");
  out.clear();
  AppendTimestamp(out, 1234567.0004);
  EXPECT_EQ(out, "1234567.000");
  out.clear();
  AppendTimestamp(out, 0.9996);
  EXPECT_EQ(out, "1.000");
  out.clear();
  AppendTimestamp(out, 0);
  EXPECT_EQ(out, "0.000");
}

TEST(TimestampTest, ReadsOnlyWholeFiniteNumbersWithAPoint) {
  double t = -1;
  EXPECT_TRUE(TimestampFromText("5.250", t));
  EXPECT_DOUBLE_EQ(t, 5.25);
  EXPECT_TRUE(TimestampFromText("17", t));
  EXPECT_DOUBLE_EQ(t, 17);
  for (const char* text : {"", "5,250", "5.250x", "inf", "nan", "server", "1e5"})
    EXPECT_FALSE(TimestampFromText(text, t)) << text;
}

// Installs a locale whose decimal separator is a comma for the C++ streams
// and, where the machine has one, for the C library too.
class CommaLocale {
public:
  CommaLocale() : FOldGlobal(std::locale::global(std::locale(std::locale(), new Comma))) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    FOldC = old ? old : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"})
      if (std::setlocale(LC_NUMERIC, name)) break;
  }
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, FOldC.c_str());
    std::locale::global(FOldGlobal);
  }

private:
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  std::locale FOldGlobal;
  std::string FOldC;
};

TEST(TimestampTest, WireNumbersIgnoreTheLocale) {
  CommaLocale comma;
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  ASSERT_TRUE(cmd.Parse("5.250 100 INFO 1 POWER ON"));
  EXPECT_DOUBLE_EQ(cmd.Timestamp, 5.25);
  EXPECT_EQ(cmd.Format(), "5.250 100 INFO 1 POWER ON");
  // A comma is no decimal separator on the wire: such a line has no time stamp.
  ASSERT_TRUE(cmd.Parse("5,250 100 INFO 1 POWER ON"));
  EXPECT_EQ(cmd.Kind(), mkWelcome);
}

}  // namespace
}  // namespace tenvarra
