#include "client/Feedbacks.h"

#include <stdexcept>

#include "client/Bus.h"
#include "client/Client.h"
#include "platform/IniFile.h"

namespace tenvarra {

namespace {

constexpr const char* InitStringKey = "FeedbackInitString";

}  // namespace

TMoBaSRCPFeedbacks::TMoBaSRCPFeedbacks(TMoBaSRCPBus& OwnerBus)
    : FOwnerBus(OwnerBus), FFeedbackClient(std::make_unique<TMoBaSRCPFeedbackClient>()) {
  TMoBaSRCPClient& client = FOwnerBus.Client();
  TMoBaSRCPFeedbackClient& group = *FFeedbackClient;
  group.SetCommandClient(&client.CommandClient());
  group.SetInfoClient(&client.InfoClient());
  group.SetBus(FOwnerBus.Bus());
  group.SetEventMode(semBus);
  group.OnChange = [this](TSRCPBaseDeviceGroup& Sender) { ValueChanged(Sender); };
  group.OnInit = [this](TSRCPBaseDeviceGroup& Sender) { ReportingChanged(Sender, true); };
  group.OnTerm = [this](TSRCPBaseDeviceGroup& Sender) { ReportingChanged(Sender, false); };
}

TMoBaSRCPFeedbacks::~TMoBaSRCPFeedbacks() = default;

void TMoBaSRCPFeedbacks::SetEnabled(bool Value) {
  TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
  FFeedbackClient->SetEnabled(Value);
}

TMoBaSRCPFeedback& TMoBaSRCPFeedbacks::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("feedback contact index out of range");
  return *FFeedbackClient->Contacts()[static_cast<std::size_t>(Index)];
}

void TMoBaSRCPFeedbacks::LoadSettings(TIniFile& Settings) {
  std::string text =
      Settings.ReadString(FOwnerBus.SettingsSection(), InitStringKey, InitString());
  if (!text.empty()) SetInitString(std::move(text));
}

void TMoBaSRCPFeedbacks::SaveSettings(TIniFile& Settings) {
  Settings.WriteString(FOwnerBus.SettingsSection(), InitStringKey, InitString());
}

bool TMoBaSRCPFeedbacks::OwnGroup(TSRCPBaseDeviceGroup& Sender) const {
  return dynamic_cast<TMoBaSRCPFeedbackClient*>(&Sender) == FFeedbackClient.get();
}

void TMoBaSRCPFeedbacks::ValueChanged(TSRCPBaseDeviceGroup& Sender) {
  if (!OwnGroup(Sender)) return;
  const int32_t index = FFeedbackClient->Address() - 1;
  // The group drops reports for contacts it cannot store; this keeps a
  // stray one from indexing past the contacts all the same.
  if (index < 0 || index >= Count()) return;
  FOwnerBus.Client().DoFeedbackChange(Items(index));
}

void TMoBaSRCPFeedbacks::ReportingChanged(TSRCPBaseDeviceGroup& Sender, bool Init) {
  if (!OwnGroup(Sender)) return;
  TMoBaSRCPFeedback contact;
  contact.SetBus(FOwnerBus.Bus());
  contact.SetValue(-1);
  TMoBaSRCPClient& client = FOwnerBus.Client();
  if (Init)
    client.DoFeedbackInit(contact);
  else
    client.DoFeedbackTerm(contact);
}

}  // namespace tenvarra
