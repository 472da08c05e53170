#include "emulation/LogLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace tenvarra {
namespace {

TEST(LogLineTest, TextsAndNumbersMakeOneLineThatStopsAtItsCapacity) {
  EXPECT_EQ((TLogLine("Sending data from ") << 31 << " modules, starting with module " << 0).Text(),
            "Sending data from 31 modules, starting with module 0");
  EXPECT_EQ((TLogLine("byte ") << INT32_MIN << " " << INT32_MAX).Text(), "byte -2147483648 2147483647");

  // Nothing the decoder writes comes near it; a longer line is cut, not
  // written past the buffer, and a number that no longer fits is left out.
  const std::string nearlyFull(TLogLine::Capacity - 3, 'x');
  TLogLine line(nearlyFull);
  line << 12345 << "yz" << 7;
  EXPECT_EQ(line.Text(), nearlyFull + "yz" + "7");
  line << "more" << 8;
  EXPECT_EQ(line.Text().size(), TLogLine::Capacity);
  EXPECT_EQ(line.Text(), nearlyFull + "yz7");
}

}  // namespace
}  // namespace tenvarra
