#include "srcp/Vocabulary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "srcp/Syntax.h"

namespace tenvarra {
namespace {

TEST(VocabularyTablesTest, RowsSitAtTheirKindsOrdinals) {
  // Lookups index the tables by ordinal; a row out of place would give
  // another kind's code or text.
  for (std::size_t i = 0; i < SRCPCommandTable.size(); ++i) EXPECT_EQ(SRCPCommandTable[i].Kind, i);
  for (std::size_t i = 0; i < SRCPInfoTable.size(); ++i)
    EXPECT_EQ(SRCPInfoTable[i].Kind, mkWelcome + i);
  for (std::size_t i = 0; i < SRCPOkTable.size(); ++i) EXPECT_EQ(SRCPOkTable[i].Kind, mkOkBase + i);
  for (std::size_t i = 0; i < SRCPErrorTable.size(); ++i)
    EXPECT_EQ(SRCPErrorTable[i].Kind, mkErrorBase + i);
  for (std::size_t i = 0; i < SRCPDevGroups.size(); ++i) EXPECT_EQ(SRCPDevGroups[i].Group, i);
  for (std::size_t i = 0; i < SRCPVersions.size(); ++i) EXPECT_EQ(SRCPVersions[i].Version, i);
  EXPECT_EQ(SRCPErrorTable.back().Kind, mkErrInternal);
  EXPECT_EQ(mkErrInternal, 46);
}

TEST(VocabularyTablesTest, OnlyVersion082HasASyntaxTable) {
  EXPECT_EQ(SRCPVersions[cv073].Syntax, nullptr);
  EXPECT_EQ(SRCPVersions[cv082].Syntax, &SRCPSyntax082);
  EXPECT_EQ(SRCPVersions[cvUnknown].Syntax, nullptr);
}

TEST(CodeToKindTest, InformationCodesDifferBetweenVersions) {
  EXPECT_EQ(CodeToKind(100, cv073), mkInfoState);
  EXPECT_EQ(CodeToKind(101, cv073), mkInfoInit);
  EXPECT_EQ(CodeToKind(102, cv082), mkInfoTerm);
  EXPECT_EQ(CodeToKind(110, cv082), mkInfoResult);
  EXPECT_EQ(CodeToKind(110, cv073), mkErrInternal);
  EXPECT_EQ(CodeToKind(102, cv073), mkErrInternal);
}

TEST(CodeToKindTest, PositiveCodesTakeTheFirstRow) {
  for (TSRCPCommandVersion v : {cv073, cv082}) {
    EXPECT_EQ(CodeToKind(200, v), mkOk);
    EXPECT_EQ(CodeToKind(201, v), mkOkProtocol);
    EXPECT_EQ(CodeToKind(202, v), mkOkConnectionMode);
    EXPECT_EQ(CodeToKind(203, v), mkErrInternal);
    EXPECT_EQ(CodeToKind(300, v), mkErrInternal);
  }
}

TEST(CodeToKindTest, ErrorCodesAndGaps) {
  for (TSRCPCommandVersion v : {cv073, cv082}) {
    EXPECT_EQ(CodeToKind(424, v), mkErrDeviceReinitialized);
    EXPECT_EQ(CodeToKind(400, v), mkErrUnsupportedProtocol);
    EXPECT_EQ(CodeToKind(500, v), mkErrOutOfResources);
    EXPECT_EQ(CodeToKind(426, v), mkErrInternal);
    EXPECT_EQ(CodeToKind(498, v), mkErrInternal);
    EXPECT_EQ(CodeToKind(699, v), mkErrInternal);
    // The table end rows carry 0, which must never match.
    EXPECT_EQ(CodeToKind(0, v), mkErrInternal);
    EXPECT_EQ(CodeToKind(-1, v), mkErrInternal);
    EXPECT_EQ(CodeToKind(99, v), mkErrInternal);
    EXPECT_EQ(CodeToKind(700, v), mkErrInternal);
  }
}

TEST(CodeToKindTest, EveryErrorKindsCodeLeadsBackToIt) {
  for (int k = mkErrUnsupportedProtocol; k <= mkErrInternal; ++k) {
    const auto kind = static_cast<TSRCPMessageKind>(k);
    for (TSRCPCommandVersion v : {cv073, cv082}) EXPECT_EQ(CodeToKind(KindToCode(kind, v), v), kind);
  }
}

TEST(CodeToKindTest, UnknownVersionHasNoCodes) {
  EXPECT_EQ(CodeToKind(100, cvUnknown), mkErrInternal);
  EXPECT_EQ(CodeToKind(200, cvUnknown), mkErrInternal);
  EXPECT_EQ(CodeToKind(412, cvUnknown), mkErrInternal);
  EXPECT_EQ(KindToCode(mkErrWrongValue, cvUnknown), 0);
  EXPECT_EQ(KindToCode(mkInfoState, cvUnknown), 0);
}

TEST(KindToCodeTest, CommandsAndEndRowsHaveNoCode) {
  EXPECT_EQ(KindToCode(mkInfoTerm, cv073), 101);
  EXPECT_EQ(KindToCode(mkInfoTerm, cv082), 102);
  EXPECT_EQ(KindToCode(mkInfoResult, cv082), 110);
  EXPECT_EQ(KindToCode(mkGo, cv082), 0);
  EXPECT_EQ(KindToCode(mkInfo, cv082), 0);
  EXPECT_EQ(KindToCode(mkWelcome, cv082), 0);
  EXPECT_EQ(KindToCode(mkOkBase, cv082), 0);
  EXPECT_EQ(KindToCode(mkErrorBase, cv082), 0);
  EXPECT_EQ(KindToCode(mkOkGo, cv082), 200);
  EXPECT_EQ(KindToCode(mkErrInternal, cv082), 699);
}

TEST(KindWordTest, WordByKindClass) {
  EXPECT_EQ(KindWord(mkGet), "GET");
  EXPECT_EQ(KindWord(mkVerify), "VERIFY");
  EXPECT_EQ(KindWord(mkGo), "GO");
  EXPECT_EQ(KindWord(mkUnnamed), "");
  EXPECT_EQ(KindWord(mkNone), "");
  EXPECT_EQ(KindWord(mkSetProtocol), "SET");
  EXPECT_EQ(KindWord(mkSetConnectionMode), "SET");
  EXPECT_EQ(KindWord(mkInfo), "INFO");
  EXPECT_EQ(KindWord(mkWelcome), "INFO");
  EXPECT_EQ(KindWord(mkInfoResult), "INFO");
  EXPECT_EQ(KindWord(mkOkBase), "OK");
  EXPECT_EQ(KindWord(mkOkConnectionMode), "OK");
  EXPECT_EQ(KindWord(mkErrorBase), "ERROR");
  EXPECT_EQ(KindWord(mkErrInternal), "ERROR");
}

TEST(KindTextTest, ServerTextsKeepTheirSpelling) {
  EXPECT_EQ(KindText(mkErrInsufficientData), "unsufficient data");
  EXPECT_EQ(KindText(mkErrUnknownCommand), "unknow command");
  EXPECT_EQ(KindText(mkErrListTooLong), "list to long");
  EXPECT_EQ(KindText(mkErrOutOfResources), "out of ressources");
  EXPECT_EQ(KindText(mkOkProtocol), "PROTOCOL SRCP");
  EXPECT_EQ(KindText(mkOk), "");
  EXPECT_EQ(KindText(mkErrorBase), "");
  EXPECT_EQ(KindText(mkInfoState), "");
  EXPECT_EQ(KindText(mkGet), "");
}

TEST(GroupLookupTest, NamesCompareCaseInsensitively) {
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    const auto group = static_cast<TSRCPDeviceGroup>(g);
    std::string lower(GroupName(group));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(GroupFromName(lower), group) << lower;
  }
  EXPECT_EQ(GroupFromName("gl"), dgLoco);
  EXPECT_EQ(GroupFromName("???"), dgInvalid);
  EXPECT_EQ(GroupFromName("GM"), dgInvalid);
  EXPECT_EQ(GroupFromName(""), dgInvalid);
  EXPECT_EQ(GroupFromName("GL "), dgInvalid);
  EXPECT_EQ(GroupName(dgInvalid), "???");
}

TEST(VersionLookupTest, OnlyTheTableTextsAreKnown) {
  EXPECT_EQ(VersionFromText("0.8.2"), cv082);
  EXPECT_EQ(VersionFromText("0.7.3"), cv073);
  EXPECT_EQ(VersionFromText("0.8.4"), cvUnknown);
  EXPECT_EQ(VersionFromText("unknown"), cvUnknown);
  EXPECT_EQ(VersionText(cv082), "0.8.2");
  EXPECT_EQ(VersionText(cvUnknown), "Unknown");
}

TEST(NameLookupTest, ServerStates) {
  TSRCPServerState state = ssRunning;
  EXPECT_TRUE(ServerStateFromName("resetting", state));
  EXPECT_EQ(state, ssResetting);
  EXPECT_TRUE(ServerStateFromName("???", state));
  EXPECT_EQ(state, ssUnknown);
  state = ssRunning;
  EXPECT_FALSE(ServerStateFromName("PAUSED", state));
  EXPECT_EQ(state, ssUnknown);
  EXPECT_EQ(ServerStateName(ssTerminating), "TERMINATING");
}

TEST(NameLookupTest, ConnectionModes) {
  TSRCPConnectionMode mode = cmInvalid;
  EXPECT_TRUE(ConnectionModeFromName("info", mode));
  EXPECT_EQ(mode, cmInfo);
  EXPECT_TRUE(ConnectionModeFromName("Invalid", mode));
  EXPECT_EQ(mode, cmInvalid);
  mode = cmCommand;
  EXPECT_FALSE(ConnectionModeFromName("INFOX", mode));
  EXPECT_EQ(ConnectionModeName(cmCommand), "COMMAND");
}

TEST(NameLookupTest, ServiceModeAddressTypes) {
  TSRCPSMAddressType type = satCV;
  EXPECT_TRUE(SMAddressTypeFromName("cvbit", type));
  EXPECT_EQ(type, satCVBit);
  EXPECT_TRUE(SMAddressTypeFromName("", type));
  EXPECT_EQ(type, satNone);
  type = satReg;
  EXPECT_FALSE(SMAddressTypeFromName("PAGE", type));
  EXPECT_EQ(type, satReg);
  EXPECT_EQ(SMAddressTypeName(satNone), "");
  EXPECT_EQ(SMAddressTypeName(satReg), "REG");
}

}  // namespace
}  // namespace tenvarra
