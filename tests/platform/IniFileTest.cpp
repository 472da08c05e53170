#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tenvarra {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tenvarra-ini-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    FDir = tmpl;
    FPath = (FDir / "test.mpr").string();
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string FileText() const {
    std::ifstream in(FPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteText(const std::string& text) const {
    std::ofstream(FPath, std::ios::binary) << text;
  }

  fs::path FDir;
  std::string FPath;
};

TEST_F(IniFileTest, KeepsSectionsAndKeysInFileOrderAndAppendsNewOnes) {
  WriteText("[Zeta]\r\nb=2\r\na=1\r\n[Alpha]\nz=26\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Zeta", "Alpha"}));
  EXPECT_EQ(ini.ReadSection("Zeta"), (std::vector<std::string>{"b", "a"}));

  ini.WriteString("Zeta", "0first", "x");
  ini.WriteString("Beta", "k", "v");
  ini.WriteInteger("Zeta", "b", 5);  // an existing key keeps its place
  EXPECT_EQ(ini.ReadSection("Zeta"), (std::vector<std::string>{"b", "a", "0first"}));
  EXPECT_EQ(FileText(),
            "[Zeta]\r\nb=5\r\na=1\r\n0first=x\r\n\r\n[Alpha]\r\nz=26\r\n\r\n[Beta]\r\nk=v\r\n");

  TIniFile again(FPath);
  EXPECT_EQ(again.ReadSections(), (std::vector<std::string>{"Zeta", "Alpha", "Beta"}));
  EXPECT_EQ(again.ReadInteger("zeta", "B", 0), 5);  // names are case-insensitive
}

TEST_F(IniFileTest, EraseSectionAndDeleteKeyReachTheFile) {
  TIniFile ini(FPath);
  ini.WriteString("Keep", "a", "1");
  ini.WriteString("Drop", "b", "2");
  ini.WriteString("Keep", "c", "3");
  ini.EraseSection("drop");
  ini.DeleteKey("Keep", "a");
  EXPECT_FALSE(ini.SectionExists("Drop"));
  TIniFile again(FPath);
  EXPECT_EQ(again.ReadSections(), std::vector<std::string>{"Keep"});
  EXPECT_EQ(again.ReadSection("Keep"), std::vector<std::string>{"c"});
  EXPECT_FALSE(again.ValueExists("Keep", "a"));
  EXPECT_TRUE(again.ValueExists("Keep", "c"));
}

TEST_F(IniFileTest, ReadsDefaultsForMissingOrMalformedValues) {
  WriteText("[S]\nnum= 42 \nneg=-7\nhex=0x1F\nbad=12abc\nbig=4294967296\nempty=\ntext=  a b  \n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadInteger("S", "num", -1), 42);
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("S", "bad", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "big", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "empty", 9), 9);
  EXPECT_EQ(ini.ReadInteger("S", "missing", 3), 3);
  EXPECT_EQ(ini.ReadInteger("Nope", "num", 4), 4);
  EXPECT_EQ(ini.ReadString("S", "text", ""), "a b");
  EXPECT_EQ(ini.ReadString("S", "missing", "dflt"), "dflt");
  EXPECT_TRUE(ini.ReadSection("Nope").empty());
}

TEST_F(IniFileTest, AValueCannotInjectLines) {
  TIniFile ini(FPath);
  ini.WriteString("S", "name", "evil\r\n[Other]\r\nk=v");
  TIniFile again(FPath);
  EXPECT_EQ(again.ReadSections(), std::vector<std::string>{"S"});
  EXPECT_EQ(again.ReadSection("S"), std::vector<std::string>{"name"});
}

TEST_F(IniFileTest, AWriteThatCannotCreateTheFileThrowsAndNamesIt) {
  const std::string path = (FDir / "no-such-dir" / "x.mpr").string();
  TIniFile ini(path);
  try {
    ini.WriteString("S", "k", "v");
    FAIL() << "write into a missing folder succeeded";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

TEST(CommaText, SplitsOnCommasAndUnquotedBlanks) {
  EXPECT_EQ(SplitCommaText("1,2,5"), (std::vector<std::string>{"1", "2", "5"}));
  EXPECT_EQ(SplitCommaText("3 x,300, -1 ,7"),
            (std::vector<std::string>{"3", "x", "300", "-1", "7"}));
  EXPECT_EQ(SplitCommaText("a,,b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("\"a b\",\"say \"\"hi\"\"\",c"),
            (std::vector<std::string>{"a b", "say \"hi\"", "c"}));
  EXPECT_EQ(SplitCommaText("a,"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(SplitCommaText("").empty());
  EXPECT_TRUE(SplitCommaText("   ").empty());
  EXPECT_EQ(SplitCommaText("\"unterminated"), std::vector<std::string>{"unterminated"});
}

TEST(CommaText, JoinQuotesWhatSplitWouldCutAndRoundTrips) {
  const std::vector<std::string> items{"plain", "two words", "a,b", "q\"t", ""};
  const std::string text = JoinCommaText(items);
  EXPECT_EQ(text, "plain,\"two words\",\"a,b\",\"q\"\"t\",");
  EXPECT_EQ(SplitCommaText(text), items);
}

}  // namespace
}  // namespace tenvarra
