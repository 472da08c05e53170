#pragma once
// Splits a received byte stream into LF-terminated lines. The buffer never
// grows beyond one maximal line plus its CR LF: a peer that sends an endless
// line costs at most that much memory before the line is refused.

#include <cstddef>
#include <string>

namespace tenvarra {

class TLineBuffer {
public:
  // Longest line accepted, without its CR LF.
  static constexpr std::size_t MaxLineLength = 64 * 1024;
  static constexpr std::size_t Capacity = MaxLineLength + 2;

  enum class TTake { tkLine, tkNeedMore, tkTooLong };

  // Bytes that may be appended now (the unread part is moved to the front).
  std::size_t Room();
  // Appends at most Room() bytes; the rest is not taken. Returns bytes taken.
  std::size_t Append(const char* data, std::size_t count);

  // Takes the next whole line without its LF and without a CR just before it.
  // tkTooLong: the line would exceed MaxLineLength; the buffer is then useless
  // until Clear(), because the rest of the line is still to come.
  TTake TakeLine(std::string& line);

  // Bytes received but not yet returned as part of a line.
  std::size_t Pending() const { return FData.size() - FStart; }
  void Clear();

private:
  std::string FData;
  std::size_t FStart = 0;  // first unread byte
  std::size_t FScan = 0;   // bytes before this hold no LF
};

}  // namespace tenvarra
