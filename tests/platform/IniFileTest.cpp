#include "platform/IniFile.h"

#include "common/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

namespace tenvarra {
namespace {

using TNames = std::vector<std::string>;

class IniFileTest : public ::testing::Test {
protected:
  test::TTempDir FDir;
  std::string FPath = FDir.File("test.mpr");
};

TEST_F(IniFileTest, KeepsFileOrderAppendsNewNamesAndWritesEveryChange) {
  FDir.Write("test.mpr", "[Zeta]\r\nb=2\r\na=1\r\n[Alpha]\nz=26\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadSections(), (TNames{"Zeta", "Alpha"}));
  ini.WriteString("Zeta", "0first", "x");
  ini.WriteString("Beta", "k", "v");
  ini.WriteInteger("zeta", "B", 5);  // names are case-insensitive; the key keeps its place
  EXPECT_EQ(FDir.Read("test.mpr"),
            "[Zeta]\r\nb=5\r\na=1\r\n0first=x\r\n\r\n[Alpha]\r\nz=26\r\n\r\n[Beta]\r\nk=v\r\n");
  ini.EraseSection("alpha");
  ini.DeleteKey("Zeta", "A");
  const TIniFile again(FPath);
  EXPECT_EQ(again.ReadSections(), (TNames{"Zeta", "Beta"}));
  EXPECT_EQ(again.ReadSection("Zeta"), (TNames{"b", "0first"}));
}

TEST_F(IniFileTest, MissingOrMalformedValuesReadAsTheDefault) {
  FDir.Write("test.mpr",
             "[S]\nnum= 42 \nneg=-7\nhex=0x1F\nbad=12abc\nbig=4294967296\nempty=\ntext=  a b  \n");
  const TIniFile ini(FPath);
  const std::vector<std::tuple<const char*, const char*, int32_t>> cases = {
      {"S", "num", 42},   {"S", "neg", -7},      {"S", "hex", 31},    {"S", "bad", -99},
      {"S", "big", -99},  {"S", "empty", -99},   {"S", "none", -99},  {"None", "num", -99}};
  for (const auto& [section, key, expected] : cases)
    EXPECT_EQ(ini.ReadInteger(section, key, -99), expected) << key;
  EXPECT_EQ(ini.ReadString("S", "text", ""), "a b");
  EXPECT_EQ(ini.ReadString("S", "none", "dflt"), "dflt");
}

TEST_F(IniFileTest, AValueCannotInjectLines) {
  TIniFile(FPath).WriteString("S", "name", "evil\r\n[Other]\r\nk=v");
  const TIniFile again(FPath);
  EXPECT_EQ(again.ReadSections(), TNames{"S"});
  EXPECT_EQ(again.ReadSection("S"), TNames{"name"});
}

TEST_F(IniFileTest, AWriteThatCannotCreateTheFileThrowsAndNamesIt) {
  const std::string path = FDir.File("no-such-dir/x.mpr");
  EXPECT_THAT([&] { TIniFile(path).WriteString("S", "k", "v"); },
              testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr(path)));
}

TEST(CommaText, SplitsOnCommasAndUnquotedBlanks) {
  const std::vector<std::pair<const char*, TNames>> cases = {
      {"3 x,300, -1 ,7", {"3", "x", "300", "-1", "7"}}, {"a,,b", {"a", "", "b"}},
      {"\"a b\",\"say \"\"hi\"\"\",c", {"a b", "say \"hi\"", "c"}},  {"a,", {"a", ""}},
      {"   ", {}}, {"\"unterminated", {"unterminated"}}};
  for (const auto& [text, items] : cases) EXPECT_EQ(SplitCommaText(text), items) << text;
}

}  // namespace
}  // namespace tenvarra
