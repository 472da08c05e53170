#include "sim/SimModelClock.h"

namespace tenvarra {

namespace {

constexpr int64_t MinuteMs = 60 * 1000;
constexpr int64_t DayMs = 24 * 60 * MinuteMs;

}  // namespace

int64_t TSimModelClock::ModelMsAt(int64_t NowMs) const {
  return FBaseModelMs + (NowMs - FBaseNowMs) * FFx / FFy;
}

void TSimModelClock::Rebase(int64_t ModelMs, int64_t NowMs) {
  FBaseModelMs = ModelMs;
  FBaseNowMs = NowMs;
}

void TSimModelClock::Init(int32_t Fx, int32_t Fy, int64_t NowMs, int64_t WallMs) {
  // A new ratio applies from now on; the model time reached so far stays.
  const int64_t model = FInitialised ? ModelMsAt(NowMs) : UnixEpochJulianDay * DayMs + WallMs;
  FFx = Fx;
  FFy = Fy;
  FInitialised = true;
  Rebase(model, NowMs);
}

int64_t TSimModelClock::ModelMs(const TSimModelTime& Time) {
  return Time.JulianDay * DayMs + ((Time.Hour * 60LL + Time.Minute) * 60 + Time.Second) * 1000;
}

void TSimModelClock::Set(const TSimModelTime& Time, int64_t NowMs) { Rebase(ModelMs(Time), NowMs); }

int64_t TSimModelClock::MsUntil(int64_t ModelMs, int64_t NowMs) const {
  if (!FInitialised) return -1;
  const int64_t modelLeft = ModelMs - ModelMsAt(NowMs);
  if (modelLeft <= 0) return 0;
  if (FFx == 0) return -1;
  // Rounded up, so the moment has come when a timer of this length fires.
  return (modelLeft * FFy + FFx - 1) / FFx;
}

TSimModelTime TSimModelClock::At(int64_t NowMs) const {
  const int64_t model = ModelMsAt(NowMs);
  const int64_t ofDay = model % DayMs;
  TSimModelTime time;
  time.JulianDay = static_cast<int32_t>(model / DayMs);
  time.Hour = static_cast<int32_t>(ofDay / (60 * MinuteMs));
  time.Minute = static_cast<int32_t>(ofDay / MinuteMs % 60);
  time.Second = static_cast<int32_t>(ofDay / 1000 % 60);
  return time;
}

int64_t TSimModelClock::MsToNextMinute(int64_t NowMs) const {
  if (!FInitialised || FFx == 0) return -1;
  const int64_t modelLeft = MinuteMs - ModelMsAt(NowMs) % MinuteMs;
  // Rounded up, so the model minute has begun when the timer fires.
  const int64_t realLeft = (modelLeft * FFy + FFx - 1) / FFx;
  return realLeft > 0 ? realLeft : 1;
}

}  // namespace tenvarra
