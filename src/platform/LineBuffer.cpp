#include "platform/LineBuffer.h"

#include <algorithm>
#include <cstring>

namespace tenvarra {

std::size_t TLineBuffer::Room() {
  if (FStart > 0) {
    FData.erase(0, FStart);
    FScan -= FStart;
    FStart = 0;
  }
  return Capacity - FData.size();
}

std::size_t TLineBuffer::Append(const char* data, std::size_t count) {
  const std::size_t taken = std::min(count, Room());
  FData.append(data, taken);
  return taken;
}

TLineBuffer::TTake TLineBuffer::TakeLine(std::string& line) {
  const char* begin = FData.data();
  const void* lf = std::memchr(begin + FScan, '\n', FData.size() - FScan);
  if (lf == nullptr) {
    FScan = FData.size();
    return Pending() >= Capacity ? TTake::tkTooLong : TTake::tkNeedMore;
  }
  const std::size_t end = static_cast<const char*>(lf) - begin;
  std::size_t length = end - FStart;
  if (length > 0 && FData[end - 1] == '\r') --length;
  if (length > MaxLineLength) return TTake::tkTooLong;
  line.assign(FData, FStart, length);
  FStart = end + 1;
  FScan = FStart;
  return TTake::tkLine;
}

void TLineBuffer::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FStart = 0;
  FScan = 0;
}

}  // namespace tenvarra
