#pragma once
// Millisecond time for durations and for naming a run's log file.

#include <cstdint>

namespace tenvarra {

// Milliseconds of a monotonic clock (system start on Linux); never goes back.
std::uint64_t TickCountMs();

// The low 32 bits of a tick count read as signed, as the log file name shows
// it: after about 24.8 days of uptime the name carries a minus sign.
std::int32_t TickCount32(std::uint64_t tickMs);

// Blocks the calling thread for ms milliseconds (nothing for ms <= 0).
void SleepMs(int ms);

}  // namespace tenvarra
