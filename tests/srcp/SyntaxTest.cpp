#include "srcp/Syntax.h"

#include <gtest/gtest.h>

#include <set>

namespace tenvarra {
namespace {

int ListLength(TSRCPDeviceGroup Group) {
  const TSRCPSyntaxRow* row = SRCPSyntax082.Lists[Group];
  int n = 0;
  while (row[n].Kind != mkErrInternal) ++n;
  return n;
}

TEST(SyntaxTableTest, EveryGroupButInvalidHasAClosedList) {
  const int expected[] = {9, 10, 10, 11, 8, 10, 11, 6, 4, 7, 8, 1};
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    ASSERT_NE(SRCPSyntax082.Lists[g], nullptr) << g;
    EXPECT_EQ(ListLength(static_cast<TSRCPDeviceGroup>(g)), expected[g]) << GroupName(static_cast<TSRCPDeviceGroup>(g));
  }
  EXPECT_EQ(SRCPSyntax082.Lists[dgInvalid], nullptr);
}

TEST(SyntaxTableTest, RowsAreWellFormed) {
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    std::set<int> kinds;
    for (const TSRCPSyntaxRow* row = SRCPSyntax082.Lists[g]; row->Kind != mkErrInternal; ++row) {
      SCOPED_TRACE(testing::Message() << GroupName(static_cast<TSRCPDeviceGroup>(g)) << " kind "
                                      << int(row->Kind));
      // A kind twice in a list would hide its second row from every lookup.
      EXPECT_TRUE(kinds.insert(row->Kind).second);
      // Parameters are packed: nothing follows the first pkNone.
      bool ended = false;
      for (TSRCPParamKind p : row->Params) {
        if (p == pkNone) ended = true;
        else EXPECT_FALSE(ended);
      }
      // Answers open with time stamp, code and word; commands with the word.
      if (IsAnswerKind(row->Kind) && row->Kind != mkWelcome) {
        EXPECT_EQ(row->Params[0], pkTime);
        EXPECT_EQ(row->Params[1], pkCode);
        EXPECT_EQ(row->Params[2], pkWord);
      } else if (!IsAnswerKind(row->Kind)) {
        EXPECT_EQ(row->Params[0], pkWord);
      }
      // Information lines name bus and group where the parser expects them.
      if (row->Kind >= mkInfoState && row->Kind <= mkInfoResult) {
        EXPECT_EQ(row->Params[3], pkBus);
        EXPECT_EQ(row->Params[4], pkGroup);
      }
      if (g < dgHandshake && !IsAnswerKind(row->Kind)) {
        EXPECT_EQ(row->Params[1], pkBus);
        EXPECT_EQ(row->Params[2], pkGroup);
      }
    }
  }
}

TEST(SyntaxTableTest, FindRowTakesTheListsRowOrNone) {
  const TSRCPSyntaxRow* row = SRCPSyntax082.FindRow(dgLoco, mkSet);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->Kind, mkSet);
  EXPECT_EQ(row->Params[7], pkFunctions);
  EXPECT_EQ(SRCPSyntax082.FindRow(dgLoco, mkWait), nullptr);
  EXPECT_EQ(SRCPSyntax082.FindRow(dgInvalid, mkGet), nullptr);
  // Error kinds never have a row, not even the list's end row.
  EXPECT_EQ(SRCPSyntax082.FindRow(dgLoco, mkErrInternal), nullptr);
  EXPECT_EQ(SRCPSyntax082.FindRow(dgHandshake, mkErrorBase), nullptr);
  ASSERT_NE(SRCPSyntax082.FindRow(dgHandshake, mkOkGo), nullptr);
  EXPECT_EQ(SRCPSyntax082.FindRow(dgHandshake, mkOkGo)->Params[4], pkSessionId);
}

}  // namespace
}  // namespace tenvarra
