#pragma once
// The loco record (GL). In a state line the server's speed lands in
// ReportedSpeed and its maximum speed in SpeedSteps; in an INIT line
// SpeedSteps is the decoder's number of speed steps.

#include <cstdint>
#include <string_view>
#include <vector>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceLoco : public TSRCPAddressedDevice {
public:
  // Counts and lists from the wire beyond this are refused, never allocated.
  static constexpr int32_t MaxFunctions = 256;

  int32_t SpeedSteps = -1;
  int32_t ReportedSpeed = 0;
  int32_t Speed = -1;
  int32_t ProtocolVersion = -1;  // written only when 1 or more
  int32_t MaxSpeed = -1;
  TSRCPDriveMode DriveMode = dmInvalid;
  TSRCPProtocol Protocol = prInvalid;
  int32_t FunctionIndex = 0;  // where the next parsed function value goes

  using TSRCPAddressedDevice::TSRCPAddressedDevice;

  TSRCPDeviceGroup Group() const override { return dgLoco; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
  // Only M and N decoders carry a protocol version; analog ones carry
  // neither speed steps nor a function count.
  bool UsesParam(TSRCPParamKind Kind) const override;
  // A row holds pkFunctions once; the further function values of a line
  // arrive here.
  bool ParseRest(std::string_view Text) override;

  int32_t FunctionCount() const { return static_cast<int32_t>(FFunctions.size()); }
  // -1 for an index outside the list.
  int32_t GetFunction(int32_t Index) const;
  // Ignored for an index outside the list.
  void SetFunction(int32_t Index, int32_t Value);
  // Clamped to 0..MaxFunctions; new slots hold 0.
  void SetFunctionCount(int32_t Count);
  const std::vector<int32_t>& Functions() const { return FFunctions; }

private:
  bool ParseFunction(std::string_view Token);

  std::vector<int32_t> FFunctions{0};
};

}  // namespace tenvarra
