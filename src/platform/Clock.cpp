#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace tenvarra {

std::uint64_t TickCountMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::int32_t TickCount32(std::uint64_t tickMs) {
  // Conversion of an out-of-range value to a signed type wraps modulo 2^32 (C++20).
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(tickMs));
}

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace tenvarra
