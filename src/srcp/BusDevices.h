#pragma once
// The records of the groups that belong to a bus or the server as a whole
// rather than to an addressed device: POWER, TIME, SESSION and SERVER.

#include <cstdint>
#include <string_view>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDevicePower : public TSRCPBaseDevice {
public:
  bool PowerOn = false;

  using TSRCPBaseDevice::TSRCPBaseDevice;

  TSRCPDeviceGroup Group() const override { return dgPower; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  // A state other than ON or OFF turns the message into mkErrInsufficientData.
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
};

class TSRCPDeviceTime : public TSRCPBaseDevice {
public:
  int32_t Hour = -1;
  int32_t Second = -1;
  int32_t Minute = -1;
  int32_t JulianDay = -1;  // the model date as a Julian day number
  int32_t TimeFy = -1;     // the model time runs TimeFx:TimeFy to real time
  int32_t TimeFx = -1;

  using TSRCPBaseDevice::TSRCPBaseDevice;

  TSRCPDeviceGroup Group() const override { return dgTime; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
};

class TSRCPDeviceSession : public TSRCPBaseDevice {
public:
  int32_t SessionId = -1;

  using TSRCPBaseDevice::TSRCPBaseDevice;

  TSRCPDeviceGroup Group() const override { return dgSession; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
};

class TSRCPDeviceServer : public TSRCPBaseDevice {
public:
  TSRCPServerState State = ssUnknown;

  using TSRCPBaseDevice::TSRCPBaseDevice;

  TSRCPDeviceGroup Group() const override { return dgServer; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
};

}  // namespace tenvarra
