#pragma once
// The model time of one bus (TIME) and the ratio at which it runs.

#include <cstdint>

#include "srcp/DeviceGroup.h"

namespace tenvarra {

// A point of model time: a day count and the time of that day.
struct TSRCPModelTime {
  static constexpr int32_t MsPerDay = 86400000;
  // Day 1 is 1 January of year 1; a TIME line carries the Julian day number,
  // which is this count plus JulianDayOffset.
  static constexpr int32_t JulianDayOffset = 1721425;

  int32_t Milliseconds = 0;  // since midnight
  int32_t Day = 0;

  int32_t JulianDay() const;
  void SetJulianDay(int32_t JulianDay);
  // Hour, minute and second of the time of day; Milliseconds outside one day
  // are taken modulo a day.
  void GetTimeOfDay(int32_t& Hour, int32_t& Minute, int32_t& Second) const;
  // The sum in milliseconds; values beyond their usual ranges are not
  // folded (hour 25 gives more than a day's worth).
  void SetTimeOfDay(int32_t Hour, int32_t Minute, int32_t Second);
};

class TSRCPCustomTime : public TSRCPBaseDeviceGroup {
public:
  TSRCPModelTime ModelTime;

  TSRCPCustomTime();

  // Model time runs TimeFx:TimeFy to real time; neither goes below 1.
  int32_t TimeFy() const { return FTimeFy; }
  void SetTimeFy(int32_t Value) { FTimeFy = Value < 1 ? 1 : Value; }
  int32_t TimeFx() const { return FTimeFx; }
  void SetTimeFx(int32_t Value) { FTimeFx = Value < 1 ? 1 : Value; }

protected:
  void ReadValues(TSRCPCmd& Msg) override;
  void ReadInit(TSRCPCmd& Msg) override;
  void FillGet() override {}
  void FillSet() override;
  void FillTerm() override {}
  void FillInit() override;
  void FillExtra1() override {}
  void FillExtra2() override {}

private:
  int32_t FTimeFy = 1;
  int32_t FTimeFx = 1;
};

// The form the railway client uses.
class TSRCPTime : public TSRCPCustomTime {};

}  // namespace tenvarra
