#include "srcp/TimeGroup.h"

#include <algorithm>
#include <limits>

#include "srcp/Records.h"

namespace tenvarra {

namespace {

// Wire values are any 32-bit numbers; the sums are made wide and the result
// kept in range rather than left to overflow.
int32_t Narrow(int64_t Value) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t TSRCPModelTime::JulianDay() const { return Narrow(int64_t{Day} + JulianDayOffset); }

void TSRCPModelTime::SetJulianDay(int32_t JulianDay) {
  Day = Narrow(int64_t{JulianDay} - JulianDayOffset);
}

void TSRCPModelTime::GetTimeOfDay(int32_t& Hour, int32_t& Minute, int32_t& Second) const {
  const int32_t ms = ((Milliseconds % MsPerDay) + MsPerDay) % MsPerDay;
  Hour = ms / 3600000;
  Minute = ms / 60000 % 60;
  Second = ms / 1000 % 60;
}

void TSRCPModelTime::SetTimeOfDay(int32_t Hour, int32_t Minute, int32_t Second) {
  Milliseconds = Narrow((int64_t{Hour} * 3600 + int64_t{Minute} * 60 + Second) * 1000);
}

TSRCPCustomTime::TSRCPCustomTime() : TSRCPBaseDeviceGroup(dgTime) {}

void TSRCPCustomTime::ReadValues(TSRCPCmd& Msg) {
  TSRCPBaseDeviceGroup::ReadValues(Msg);
  const TSRCPDeviceTime& time = Msg.Time();
  ModelTime.SetJulianDay(time.JulianDay);
  ModelTime.SetTimeOfDay(time.Hour, time.Minute, time.Second);
}

void TSRCPCustomTime::ReadInit(TSRCPCmd& Msg) {
  TSRCPBaseDeviceGroup::ReadInit(Msg);
  SetTimeFy(Msg.Time().TimeFy);
  SetTimeFx(Msg.Time().TimeFx);
}

void TSRCPCustomTime::FillSet() {
  TSRCPDeviceTime& time = Cmd().Time();
  time.JulianDay = ModelTime.JulianDay();
  ModelTime.GetTimeOfDay(time.Hour, time.Minute, time.Second);
}

void TSRCPCustomTime::FillInit() {
  TSRCPDeviceTime& time = Cmd().Time();
  time.TimeFy = FTimeFy;
  time.TimeFx = FTimeFx;
}

}  // namespace tenvarra
