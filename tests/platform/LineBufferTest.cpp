#include "platform/LineBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tenvarra {
namespace {

using TTake = TLineBuffer::TTake;

// Feeds text in pieces of the given size and collects every line taken.
std::vector<std::string> Feed(TLineBuffer& buffer, const std::string& text, std::size_t piece) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    const std::string part = text.substr(at, piece);
    EXPECT_EQ(buffer.Append(part.data(), part.size()), part.size());
    while (buffer.TakeLine(line) == TTake::tkLine) lines.push_back(line);
  }
  return lines;
}

TEST(LineBufferTest, SplitsAtLfAndDropsOnlyTheCrBeforeIt) {
  TLineBuffer buffer;
  const std::vector<std::string> expected = {"a", "b", "", "c\rd", "\r", " e\r "};
  EXPECT_EQ(Feed(buffer, "a\r\nb\n\r\nc\rd\n\r\r\n e\r \n", 64), expected);
  EXPECT_EQ(buffer.Pending(), 0u);
}

TEST(LineBufferTest, AnyPieceSizeGivesTheSameLines) {
  const std::string text = "100 INFO 1 GL 3 1 2 28 0\r\n\r\n101 INFO 1 FB 4 1\n200 OK\r\nrest";
  TLineBuffer whole;
  const std::vector<std::string> expected = Feed(whole, text, text.size());
  ASSERT_EQ(expected.size(), 4u);
  for (std::size_t piece = 1; piece < 8; ++piece) {
    TLineBuffer buffer;
    EXPECT_EQ(Feed(buffer, text, piece), expected) << "piece size " << piece;
    EXPECT_EQ(buffer.Pending(), 4u);  // "rest" waits for its LF
  }
}

TEST(LineBufferTest, PartialLineNeedsMore) {
  TLineBuffer buffer;
  std::string line = "unchanged";
  buffer.Append("abc\r", 4);
  EXPECT_EQ(buffer.TakeLine(line), TTake::tkNeedMore);
  EXPECT_EQ(line, "unchanged");
  buffer.Append("\n", 1);
  EXPECT_EQ(buffer.TakeLine(line), TTake::tkLine);
  EXPECT_EQ(line, "abc");
}

TEST(LineBufferTest, LongestLineFitsWithAndWithoutCr) {
  const std::string longest(TLineBuffer::MaxLineLength, 'x');
  for (const std::string ending : {"\r\n", "\n"}) {
    TLineBuffer buffer;
    const std::string text = longest + ending;
    EXPECT_EQ(buffer.Append(text.data(), text.size()), text.size());
    std::string line;
    EXPECT_EQ(buffer.TakeLine(line), TTake::tkLine);
    EXPECT_EQ(line, longest);
  }
}

TEST(LineBufferTest, OneByteMoreIsTooLong) {
  const std::string tooLong(TLineBuffer::MaxLineLength + 1, 'x');
  for (const std::string ending : {"\r\n", "\n"}) {
    TLineBuffer buffer;
    const std::string text = tooLong + ending;
    const std::size_t taken = buffer.Append(text.data(), text.size());
    std::string line;
    EXPECT_EQ(buffer.TakeLine(line), TTake::tkTooLong) << "taken " << taken;
  }
}

TEST(LineBufferTest, EndlessLineNeverHoldsMoreThanOneLine) {
  TLineBuffer buffer;
  const std::string chunk(4000, 'z');
  std::string line;
  TTake take = TTake::tkNeedMore;
  int rounds = 0;
  while (take == TTake::tkNeedMore && rounds < 1000) {
    const std::size_t room = buffer.Room();
    ASSERT_GT(room, 0u);
    EXPECT_EQ(buffer.Append(chunk.data(), chunk.size()), std::min(room, chunk.size()));
    EXPECT_LE(buffer.Pending(), TLineBuffer::Capacity);
    take = buffer.TakeLine(line);
    ++rounds;
  }
  EXPECT_EQ(take, TTake::tkTooLong);
  EXPECT_EQ(buffer.Pending(), TLineBuffer::Capacity);
  EXPECT_EQ(buffer.Room(), 0u);
  buffer.Clear();
  EXPECT_EQ(buffer.Room(), TLineBuffer::Capacity);
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
