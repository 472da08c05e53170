#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>

namespace tenvarra {
namespace {

std::uint64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

TEST(ClockTest, TickCountFollowsTheMonotonicClock) {
  const std::uint64_t before = MonotonicMs();
  const std::uint64_t tick = TickCountMs();
  const std::uint64_t after = MonotonicMs();
  EXPECT_GE(tick, before);
  EXPECT_LE(tick, after + 1);
}

TEST(ClockTest, SleepAdvancesTheTickCount) {
  const std::uint64_t start = TickCountMs();
  SleepMs(30);
  const std::uint64_t end = TickCountMs();
  EXPECT_GE(end - start, 30u);
  const std::uint64_t again = TickCountMs();
  SleepMs(0);
  SleepMs(-5);
  EXPECT_LT(TickCountMs() - again, 30u);
}

TEST(ClockTest, TruncationKeepsTheLow32BitsAsSigned) {
  EXPECT_EQ(TickCount32(123456), 123456);
  EXPECT_EQ(TickCount32(0x7FFFFFFFull), INT32_MAX);
  EXPECT_EQ(TickCount32(0x80000000ull), INT32_MIN);
  EXPECT_EQ(TickCount32(0xFFFFFFFFull), -1);
  EXPECT_EQ(TickCount32(0x100000005ull), 5);
  EXPECT_EQ(TickCount32(0x1234567890ull), 0x34567890);
}

}  // namespace
}  // namespace tenvarra
