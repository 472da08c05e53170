#pragma once
// The description record (DESCRIPTION). Without a described group it stands
// for a whole bus and lists the device groups the bus offers; with one it
// asks for (or describes) a single device of that group.

#include <cstdint>
#include <string_view>
#include <vector>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceDescription : public TSRCPAddressedDevice {
public:
  // dgInvalid when the line describes a whole bus.
  TSRCPDeviceGroup DescribedGroup = dgInvalid;
  // The groups a bus offers, in line order.
  std::vector<TSRCPDeviceGroup> Groups;

  using TSRCPAddressedDevice::TSRCPAddressedDevice;

  TSRCPDeviceGroup Group() const override { return dgDescription; }
  void Clear() override;
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
  // The further group names of a bus description.
  bool ParseRest(std::string_view Text) override;

  // Appends the named group. A name this system does not know (servers of
  // later protocol revisions list groups such as GM) is skipped, so the
  // groups it does know still reach the client. Always true.
  bool AddGroupName(std::string_view Name);

  int32_t GroupCount() const { return static_cast<int32_t>(Groups.size()); }
  // dgInvalid for an index outside the list.
  TSRCPDeviceGroup GetGroup(int32_t Index) const;
  void SetDescribedGroup(TSRCPDeviceGroup Group) {
    DescribedGroup = Group < dgInvalid ? Group : dgInvalid;
  }

private:
  void FormatBus(TSRCPParamKind Kind, TSRCPString& Builder);
  void FormatDevice(TSRCPParamKind Kind, TSRCPString& Builder);
};

}  // namespace tenvarra
