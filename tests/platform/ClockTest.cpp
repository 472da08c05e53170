#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace tenvarra {
namespace {

TEST(ClockTest, SleepAdvancesTheTickCountAndTruncationKeepsTheLow32BitsAsSigned) {
  const std::uint64_t start = TickCountMs();
  SleepMs(30);
  EXPECT_GE(TickCountMs() - start, 30u);
  const std::vector<std::pair<std::uint64_t, std::int32_t>> cases = {
      {123456, 123456}, {0x7FFFFFFF, INT32_MAX}, {0x80000000, INT32_MIN},
      {0xFFFFFFFF, -1}, {0x100000005, 5},        {0x1234567890, 0x34567890}};
  for (const auto& [tick, expected] : cases) EXPECT_EQ(TickCount32(tick), expected) << tick;
}

}  // namespace
}  // namespace tenvarra
