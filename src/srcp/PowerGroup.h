#pragma once
// The power of one bus (POWER).

#include "srcp/DeviceGroup.h"

namespace tenvarra {

class TSRCPCustomPower : public TSRCPBaseDeviceGroup {
public:
  TSRCPCustomPower();

protected:
  void ReadValues(TSRCPCmd& Msg) override;
  void FillGet() override;
  void FillSet() override;
  void FillTerm() override {}
  void FillInit() override {}
  void FillExtra1() override {}
  void FillExtra2() override {}

  // The state last reported, or the one the next SET asks for.
  bool FPowerOn = false;

private:
  bool FRequestedPowerOn = false;  // what the outer SET asked for
};

// The form the railway client uses. Writing PowerOn only stores it; SendSet
// switches the power.
class TSRCPPower : public TSRCPCustomPower {
public:
  bool PowerOn() const { return FPowerOn; }
  void SetPowerOn(bool Value) { FPowerOn = Value; }
};

}  // namespace tenvarra
