#include "client/FeedbackClient.h"

#include "srcp/Records.h"

namespace tenvarra {

TMoBaSRCPFeedbackClient::~TMoBaSRCPFeedbackClient() {
  while (!FContacts.empty()) FContacts.pop_back();
}

void TMoBaSRCPFeedbackClient::SetEnabled(bool Value) {
  const TSRCPDeviceState state = DeviceState();
  if (Value) {
    if (state == sdsTerminated) SendInit();
  } else if (state == sdsInitialized || state == sdsActiv) {
    SendTerm();
  }
}

void TMoBaSRCPFeedbackClient::FitContacts() {
  const auto count = static_cast<std::size_t>(ContactCount());
  while (FContacts.size() < count) {
    auto contact = std::make_unique<TMoBaSRCPFeedback>();
    contact->SetBus(Bus());
    contact->SetAddress(static_cast<int32_t>(FContacts.size()) + 1);
    FContacts.push_back(std::move(contact));
  }
  while (FContacts.size() > count) FContacts.pop_back();
}

void TMoBaSRCPFeedbackClient::ReadValues(TSRCPCmd& Msg) {
  TSRCPCustomFeedback::ReadValues(Msg);
  FitContacts();
  const int32_t index = Address() - 1;
  // The store takes no contact outside its range, so neither is there an object.
  if (index < 0 || index >= static_cast<int32_t>(FContacts.size())) return;
  TMoBaSRCPFeedback& contact = *FContacts[static_cast<std::size_t>(index)];
  contact.SetValue(ContactValue(index));
  contact.SetTimeStamp(ContactTimeStamp(index));
}

}  // namespace tenvarra
