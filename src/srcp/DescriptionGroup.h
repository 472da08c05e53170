#pragma once
// The description of one bus (DESCRIPTION): which device groups it offers.

#include <cstdint>
#include <vector>

#include "srcp/DeviceGroup.h"

namespace tenvarra {

class TSRCPCustomDescription : public TSRCPBaseDeviceGroup {
public:
  TSRCPCustomDescription();

  int32_t GroupCount() const { return static_cast<int32_t>(FGroups.size()); }
  // dgInvalid for an index outside the list.
  TSRCPDeviceGroup GetGroup(int32_t Index) const;
  const std::vector<TSRCPDeviceGroup>& Groups() const { return FGroups; }

protected:
  // Also takes the reporting bus, so a group listening in semAll mode
  // tells which bus it has just learnt about.
  void ReadValues(TSRCPCmd& Msg) override;
  void FillGet() override {}
  void FillSet() override {}
  void FillTerm() override {}
  void FillInit() override {}
  void FillExtra1() override {}
  void FillExtra2() override {}

private:
  std::vector<TSRCPDeviceGroup> FGroups;
};

}  // namespace tenvarra
