#include "srcp/DescriptionGroup.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCustomDescription::TSRCPCustomDescription() : TSRCPBaseDeviceGroup(dgDescription) {}

TSRCPDeviceGroup TSRCPCustomDescription::GetGroup(int32_t Index) const {
  return Index >= 0 && Index < GroupCount() ? FGroups[static_cast<std::size_t>(Index)]
                                            : dgInvalid;
}

void TSRCPCustomDescription::ReadValues(TSRCPCmd& Msg) {
  TSRCPBaseDeviceGroup::ReadValues(Msg);
  FGroups = Msg.Description().Groups;
  SetBus(Msg.Bus);
}

}  // namespace tenvarra
