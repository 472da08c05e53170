#include "srcp/Syntax.h"

#include <gtest/gtest.h>

#include <set>

namespace tenvarra {
namespace {

TEST(SyntaxTableTest, RowsAreWellFormed) {
  EXPECT_EQ(SRCPSyntax082.Lists[dgInvalid], nullptr);
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    ASSERT_NE(SRCPSyntax082.Lists[g], nullptr) << g;
    std::set<int> kinds;
    for (const TSRCPSyntaxRow* row = SRCPSyntax082.Lists[g]; row->Kind != mkErrInternal; ++row) {
      SCOPED_TRACE(testing::Message() << GroupName(static_cast<TSRCPDeviceGroup>(g)) << " kind " << int(row->Kind));
      // A kind twice in a list would hide its second row from every lookup.
      EXPECT_TRUE(kinds.insert(row->Kind).second);
      bool ended = false;  // parameters are packed
      for (TSRCPParamKind p : row->Params) {
        if (p == pkNone) ended = true;
        else EXPECT_FALSE(ended);
      }
      if (IsAnswerKind(row->Kind) && row->Kind != mkWelcome) {
        EXPECT_EQ(row->Params[1], pkCode);
      } else if (!IsAnswerKind(row->Kind)) {
        EXPECT_EQ(row->Params[0], pkWord);
      }
      if (row->Kind >= mkInfoState && row->Kind <= mkInfoResult) { EXPECT_EQ(row->Params[4], pkGroup); }
    }
  }
  EXPECT_EQ(SRCPSyntax082.FindRow(dgLoco, mkWait), nullptr);
  EXPECT_EQ(SRCPSyntax082.FindRow(dgLoco, mkErrInternal), nullptr);  // not even the end row
}

}  // namespace
}  // namespace tenvarra
