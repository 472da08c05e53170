#pragma once
// The model time of bus 0: a clock that runs Fx/Fy times as fast as real
// time once INIT 0 TIME has set the ratio. Model time counts whole days as
// Julian day numbers and the time of day from midnight. Times are passed in
// as milliseconds of the monotonic clock, so the arithmetic is testable and
// never depends on when it runs.

#include <cstdint>

namespace tenvarra {

struct TSimModelTime {
  int32_t JulianDay = 0;
  int32_t Hour = 0;
  int32_t Minute = 0;
  int32_t Second = 0;
};

class TSimModelClock {
public:
  // The Julian day number of 1970-01-01.
  static constexpr int64_t UnixEpochJulianDay = 2440588;

  bool Initialised() const { return FInitialised; }
  int32_t Fx() const { return FFx; }
  int32_t Fy() const { return FFy; }

  // Sets the ratio (Fx 0 stops the clock, Fy above 0). A clock that was not
  // running starts at WallMs, the wall clock's milliseconds since 1970 (UTC).
  void Init(int32_t Fx, int32_t Fy, int64_t NowMs, int64_t WallMs);
  void Set(const TSimModelTime& Time, int64_t NowMs);
  void Term() { FInitialised = false; }

  TSimModelTime At(int64_t NowMs) const;
  // Model milliseconds since Julian day 0 at Time.
  static int64_t ModelMs(const TSimModelTime& Time);
  // Real milliseconds from NowMs until the model time reaches ModelMs: 0 when
  // it has, -1 when it never will (the clock stands still or is not initialised).
  int64_t MsUntil(int64_t ModelMs, int64_t NowMs) const;
  // Real milliseconds from NowMs until the model time reaches its next whole
  // minute, at least 1; -1 when the clock stands still or is not initialised.
  int64_t MsToNextMinute(int64_t NowMs) const;

private:
  int64_t ModelMsAt(int64_t NowMs) const;
  void Rebase(int64_t ModelMs, int64_t NowMs);

  bool FInitialised = false;
  int32_t FFx = 1;
  int32_t FFy = 1;
  int64_t FBaseModelMs = 0;  // model milliseconds since Julian day 0 at FBaseNowMs
  int64_t FBaseNowMs = 0;
};

}  // namespace tenvarra
