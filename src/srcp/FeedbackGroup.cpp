#include "srcp/FeedbackGroup.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCustomFeedback::TSRCPCustomFeedback() : TSRCPAddressedDeviceGroup(dgFeedback) {}

int32_t TSRCPCustomFeedback::ContactValue(int32_t Index) const {
  return Index >= 0 && Index < ContactCount() ? FContactValues[static_cast<std::size_t>(Index)]
                                              : -1;
}

double TSRCPCustomFeedback::ContactTimeStamp(int32_t Index) const {
  return Index >= 0 && Index < ContactCount()
             ? FContactTimeStamps[static_cast<std::size_t>(Index)]
             : -1.0;
}

void TSRCPCustomFeedback::StoreContact(int32_t Index, int32_t Value) {
  if (Index < 0 || Index >= MaxContacts) return;
  const auto i = static_cast<std::size_t>(Index);
  if (Index >= ContactCount()) {
    FContactValues.resize(i + 1, 0);
    FContactTimeStamps.resize(i + 1, 0.0);
  }
  if (LastChangeTime() > FContactTimeStamps[i]) {
    FContactValues[i] = Value;
    FContactTimeStamps[i] = LastChangeTime();
  }
}

void TSRCPCustomFeedback::HandleInfo(TSRCPCmd& Msg) {
  const bool valueReport =
      Msg.Group() == dgFeedback && (Msg.Kind() == mkInfoState || Msg.Kind() == mkInfoResult);
  if (valueReport && (Msg.Address < 1 || Msg.Address > MaxContacts)) return;
  TSRCPAddressedDeviceGroup::HandleInfo(Msg);
}

void TSRCPCustomFeedback::ReadValues(TSRCPCmd& Msg) {
  TSRCPAddressedDeviceGroup::ReadValues(Msg);
  SetAddress(Msg.Address);
  StoreContact(Address() - 1, Msg.Feedback().Value);
}

void TSRCPCustomFeedback::FillInit() {
  TSRCPAddressedDeviceGroup::FillInit();
  Cmd().Feedback().SetText(InitString);
}

}  // namespace tenvarra
