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

TEST(NumbersTest, IntegersSpellAndReadBack) {
  for (int32_t unset : {-1, -4, std::numeric_limits<int32_t>::min()}) EXPECT_EQ(IntToSRCP(unset), "") << unset;
  for (int32_t n : {0, 9, 65536, std::numeric_limits<int32_t>::max(), -2, -3}) {
    int32_t back = 0;
    EXPECT_TRUE(SRCPToInt(IntToSRCP(n), back)) << n;
    EXPECT_EQ(back, n);
  }
  int32_t value = 0;
  EXPECT_TRUE(SRCPToInt("  -5 ", value));
  EXPECT_EQ(value, -5);
  for (const char* text : {"", "12x", "1 2", "**", "2147483648", "-2147483649", "0x10", "+", "+-1", "1.5"}) {
    value = 99;
    EXPECT_FALSE(SRCPToInt(text, value)) << text;
    EXPECT_EQ(value, -1) << text;
  }
}

TEST(NumbersTest, TimestampsHaveThreeDecimalsAndAPoint) {
  for (auto [t, text] : {std::pair{5.25, "5.250"}, {1234567.0004, "1234567.000"}, {0.9996, "1.000"}}) {
    std::string out;
    AppendTimestamp(out, t);
    EXPECT_EQ(out, text);
  }
  double t = -1;
  EXPECT_TRUE(TimestampFromText("17", t));
  EXPECT_DOUBLE_EQ(t, 17);
  for (const char* text : {"", "5,250", "5.250x", "inf", "nan", "1e5"})
    EXPECT_FALSE(TimestampFromText(text, t)) << text;
}

// A decimal comma for the C++ streams and, where the machine has one, the C library.
class CommaLocale {
public:
  CommaLocale() : FOldGlobal(std::locale::global(std::locale(std::locale(), new Comma))) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    FOldC = old ? old : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
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

TEST(NumbersTest, WireNumbersIgnoreTheLocale) {
  CommaLocale comma;
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  ASSERT_TRUE(cmd.Parse("5.250 100 INFO 1 POWER ON"));
  EXPECT_DOUBLE_EQ(cmd.Timestamp, 5.25);
  EXPECT_EQ(cmd.Format(), "5.250 100 INFO 1 POWER ON");
  ASSERT_TRUE(cmd.Parse("5,250 100 INFO 1 POWER ON"));
  EXPECT_EQ(cmd.Kind(), mkWelcome);
}

}  // namespace
}  // namespace tenvarra
