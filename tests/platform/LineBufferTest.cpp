#include "platform/LineBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tenvarra {
namespace {

using TTake = TLineBuffer::TTake;

TEST(LineBufferTest, AnyPieceSizeGivesTheSameLinesAndOnlyTheCrBeforeLfGoes) {
  const std::string text = "a\r\nb\n\r\nc\rd\n\r\r\n e\r \n100 INFO 1 FB 4 1\r\nrest";
  const std::vector<std::string> expected = {"a",  "b",     "", "c\rd",
                                             "\r", " e\r ", "100 INFO 1 FB 4 1"};
  for (const std::size_t piece : {1ul, 2ul, 3ul, 5ul, 7ul, text.size()}) {
    TLineBuffer buffer;
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t at = 0; at < text.size(); at += piece) {
      const std::string part = text.substr(at, piece);
      EXPECT_EQ(buffer.Append(part.data(), part.size()), part.size());
      while (buffer.TakeLine(line) == TTake::tkLine) lines.push_back(line);
    }
    EXPECT_EQ(lines, expected) << "piece size " << piece;
    EXPECT_EQ(buffer.Pending(), 4u);  // "rest" waits for its LF
  }
}

TEST(LineBufferTest, TheLimitHoldsWithAndWithoutCrAndBoundsTheMemory) {
  for (const std::size_t length : {TLineBuffer::MaxLineLength, TLineBuffer::MaxLineLength + 1}) {
    for (const std::string ending : {"\r\n", "\n"}) {
      TLineBuffer buffer;
      const std::string text = std::string(length, 'x') + ending + std::string(100000, 'z');
      EXPECT_EQ(buffer.Append(text.data(), text.size()), TLineBuffer::Capacity);
      std::string line;
      const bool fits = length == TLineBuffer::MaxLineLength;
      EXPECT_EQ(buffer.TakeLine(line), fits ? TTake::tkLine : TTake::tkTooLong) << length;
      EXPECT_EQ(line.size(), fits ? length : 0u);
    }
  }
}

TEST(LineBufferTest, ReadLinesFreeTheirRoom) {
  TLineBuffer buffer;
  const std::string line40 = std::string(39, 'q') + "\n";
  std::string line;
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(buffer.Append(line40.data(), line40.size()), line40.size()) << "line " << i;
    ASSERT_EQ(buffer.TakeLine(line), TTake::tkLine);
  }
  EXPECT_EQ(buffer.Room(), TLineBuffer::Capacity);
}

}  // namespace
}  // namespace tenvarra
