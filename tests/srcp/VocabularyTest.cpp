#include "srcp/Vocabulary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "srcp/Syntax.h"

namespace tenvarra {
namespace {

TEST(VocabularyTest, RowsSitAtTheirKindsOrdinals) {
  // Lookups index the tables by ordinal; a row out of place gives another kind's code or text.
  for (std::size_t i = 0; i < SRCPCommandTable.size(); ++i) EXPECT_EQ(SRCPCommandTable[i].Kind, i);
  for (std::size_t i = 0; i < SRCPInfoTable.size(); ++i) EXPECT_EQ(SRCPInfoTable[i].Kind, mkWelcome + i);
  for (std::size_t i = 0; i < SRCPOkTable.size(); ++i) EXPECT_EQ(SRCPOkTable[i].Kind, mkOkBase + i);
  for (std::size_t i = 0; i < SRCPErrorTable.size(); ++i) EXPECT_EQ(SRCPErrorTable[i].Kind, mkErrorBase + i);
  for (std::size_t i = 0; i < SRCPDevGroups.size(); ++i) EXPECT_EQ(SRCPDevGroups[i].Group, i);
  for (std::size_t i = 0; i < SRCPVersions.size(); ++i) EXPECT_EQ(SRCPVersions[i].Version, i);
}

TEST(VocabularyTest, CodesMapToKindsPerVersion) {
  EXPECT_EQ(CodeToKind(102, cv073), mkErrInternal);
  for (TSRCPCommandVersion v : {cv073, cv082}) {
    EXPECT_EQ(CodeToKind(200, v), mkOk);  // not mkOkGo: the first row wins
    // The table end rows carry 0, which must never match; gaps fall to the internal error.
    for (int code : {0, -1, 99, 203, 426, 700}) EXPECT_EQ(CodeToKind(code, v), mkErrInternal) << code;
    for (int k = mkErrUnsupportedProtocol; k <= mkErrInternal; ++k) {
      const auto kind = static_cast<TSRCPMessageKind>(k);
      EXPECT_EQ(CodeToKind(KindToCode(kind, v), v), kind);
    }
  }
  EXPECT_EQ(CodeToKind(200, cvUnknown), mkErrInternal);
  EXPECT_EQ(KindToCode(mkErrWrongValue, cvUnknown), 0);
  for (TSRCPMessageKind kind : {mkGo, mkInfo, mkWelcome, mkOkBase, mkErrorBase})
    EXPECT_EQ(KindToCode(kind, cv082), 0) << int(kind);
}

TEST(VocabularyTest, NamesAndVersions) {
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    std::string lower(GroupName(static_cast<TSRCPDeviceGroup>(g)));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(GroupFromName(lower), g) << lower;
  }
  EXPECT_EQ(GroupFromName("GL "), dgInvalid);
  TSRCPSMAddressType type = satReg;
  EXPECT_FALSE(SMAddressTypeFromName("PAGE", type));
  EXPECT_EQ(type, satReg);
}

}  // namespace
}  // namespace tenvarra
