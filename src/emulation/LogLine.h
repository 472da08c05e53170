#pragma once
// A log line put together on the stack from texts and numbers. The decoder
// and the engine write a line or two for nearly every byte; a string of its
// own for each would cost an allocation per line. The host takes the line as
// a view and keeps a copy when it keeps the line.

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tenvarra {

class TLogLine {
public:
  // Room for every line the decoder and the engine write; what would go
  // beyond it is cut off.
  static constexpr std::size_t Capacity = 120;

  TLogLine() = default;
  explicit TLogLine(std::string_view Text) { *this << Text; }
  TLogLine(const TLogLine&) = delete;
  TLogLine& operator=(const TLogLine&) = delete;

  TLogLine& operator<<(std::string_view Text) {
    const std::size_t count = Text.size() < Capacity - FSize ? Text.size() : Capacity - FSize;
    Text.copy(FText.data() + FSize, count);
    FSize += count;
    return *this;
  }
  TLogLine& operator<<(int32_t Number) {
    const auto [end, error] = std::to_chars(FText.data() + FSize, FText.data() + Capacity, Number);
    if (error == std::errc{}) FSize = static_cast<std::size_t>(end - FText.data());
    return *this;
  }

  std::string_view Text() const { return {FText.data(), FSize}; }
  operator std::string_view() const { return Text(); }

private:
  std::array<char, Capacity> FText;
  std::size_t FSize = 0;
};

}  // namespace tenvarra
