#include "shell/StoreReader.h"

#include <gtest/gtest.h>

namespace tenvarra {
namespace {

TEST(StoreReader, TextsTakeWholeLinesAndNumbersSkipTheRestOfTheirLine) {
  TStoreReader r("loco.dat", "local host\r\n  12345 trailing words\r\n\r\n\t-7\r\nNew Motorola (M2)\r\n");
  EXPECT_EQ(r.ReadText(), "local host");
  EXPECT_EQ(r.ReadInt("port"), 12345);
  // Blank lines before a number are skipped like any other blank.
  EXPECT_EQ(r.ReadInt("bus"), -7);
  EXPECT_EQ(r.ReadText(), "New Motorola (M2)");
}

TEST(StoreReader, BareLineFeedsEndOfFileAndBooleans) {
  TStoreReader r("loco.dat", "host\n1\n2\nname\n-1");
  EXPECT_EQ(r.ReadText(), "host");
  EXPECT_TRUE(r.ReadBool("on"));
  EXPECT_FALSE(r.ReadBool("two is off"));
  EXPECT_EQ(r.ReadText(), "name");
  EXPECT_FALSE(r.AtEnd());
  EXPECT_FALSE(r.ReadBool("minus one is off"));
  EXPECT_TRUE(r.AtEnd());
  // Past the end a text is empty and a number 0, without error.
  EXPECT_EQ(r.ReadInt("a"), 0);
  EXPECT_EQ(r.ReadText(), "");
}

TEST(StoreReader, ANonNumberNamesFileLineAndValue) {
  TStoreReader r("/data/loco.dat", "localhost\r\n12345\r\n\r\nx1\r\n");
  r.ReadText();
  r.ReadInt("the port");
  try {
    r.ReadInt("the loco count");
    FAIL() << "a letter was read as a number";
  } catch (const EStoreFileError& e) {
    EXPECT_EQ(e.Line(), 4);
    EXPECT_STREQ(e.what(), "/data/loco.dat, line 4: the loco count is not a number: \"x1\"");
  }
}

TEST(StoreReader, NumbersOutOfRangeAreErrorsNotWrapped) {
  // Of the 40 digits 32 are taken; they do not fit 32 bits, so this is a range
  // error, and the remaining characters are never seen as a second number.
  TStoreReader r("f", "2147483648\r\n-1\r\n99999999999999999999999999\r\n" + std::string(40, '1') + "\r\n7\r\n");
  EXPECT_THROW(r.ReadInt("a"), EStoreFileError);
  EXPECT_THROW(r.ReadUInt("activation time"), EStoreFileError);
  EXPECT_THROW(r.ReadInt("c"), EStoreFileError);
  EXPECT_THROW(r.ReadInt("d"), EStoreFileError);
  EXPECT_EQ(r.ReadInt("e"), 7);
}

}  // namespace
}  // namespace tenvarra
