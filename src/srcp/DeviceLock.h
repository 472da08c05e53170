#pragma once
// The lock record (LOCK): a lock that a session holds on a device of
// another group. Lock lines are routed by the locked device's group.

#include <cstdint>
#include <string_view>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceLock : public TSRCPAddressedDevice {
public:
  int32_t Duration = -1;
  int32_t SessionId = -1;  // the session that holds the lock

  using TSRCPAddressedDevice::TSRCPAddressedDevice;

  TSRCPDeviceGroup Group() const override { return dgLock; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  // An unknown group name turns the message into mkErrInsufficientData.
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;

  // The group of the locked device; a stored value beyond dgInvalid reads
  // (and stays) dgInvalid.
  TSRCPDeviceGroup LockedGroup();
  void SetLockedGroup(TSRCPDeviceGroup Group) { FLockedGroup = Group; }

private:
  TSRCPDeviceGroup FLockedGroup = dgInvalid;
};

}  // namespace tenvarra
