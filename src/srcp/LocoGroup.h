#pragma once
// One loco decoder (GL).

#include <cstdint>
#include <vector>

#include "srcp/DeviceGroup.h"

namespace tenvarra {

class TSRCPCustomLoco : public TSRCPAddressedDeviceGroup {
public:
  // INIT: the decoder's speed steps; a state report puts the server's
  // maximum speed here.
  int32_t SpeedSteps = 14;
  int32_t MaxSpeed = 100;   // the V_max of a SET
  int32_t Speed = 0;        // the V of a SET
  int32_t ProtocolVersion = 0;
  int32_t ReportedSpeed = 0;  // the V of a state report
  TSRCPDriveMode DriveMode = dmForward;
  TSRCPProtocol Protocol = prM;

  TSRCPCustomLoco();

  int32_t FunctionCount() const { return static_cast<int32_t>(FFunctions.size()); }
  // -1 for an index outside the list.
  int32_t GetFunction(int32_t Index) const;
  // Ignored for an index outside the list.
  void SetFunction(int32_t Index, int32_t Value);
  // Clamped to what a loco record can carry; kept values stay, new ones are 0.
  void SetFunctionCount(int32_t Count);
  const std::vector<int32_t>& Functions() const { return FFunctions; }

protected:
  void ReadValues(TSRCPCmd& Msg) override;
  void ReadInit(TSRCPCmd& Msg) override;
  void FillSet() override;
  void FillInit() override;

private:
  std::vector<int32_t> FFunctions{0};
};

}  // namespace tenvarra
