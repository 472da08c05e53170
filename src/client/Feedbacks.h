#pragma once
// The feedback contacts of one bus: switches the server's reporting for the
// bus on and off and fires the client's OnFeedbackChange for every value
// report, whether or not the value changed (the contact's own flags say so).

#include <cstdint>
#include <memory>
#include <string>

#include "client/FeedbackClient.h"

namespace tenvarra {

class TIniFile;
class TMoBaSRCPBus;
class TSRCPBaseDeviceGroup;

class TMoBaSRCPFeedbacks {
public:
  // Binds the group to the client's sessions for every FB report of the bus.
  explicit TMoBaSRCPFeedbacks(TMoBaSRCPBus& OwnerBus);
  ~TMoBaSRCPFeedbacks();
  TMoBaSRCPFeedbacks(const TMoBaSRCPFeedbacks&) = delete;
  TMoBaSRCPFeedbacks& operator=(const TMoBaSRCPFeedbacks&) = delete;

  TMoBaSRCPBus& OwnerBus() const { return FOwnerBus; }
  TMoBaSRCPFeedbackClient& FeedbackClient() const { return *FFeedbackClient; }

  // The text INIT FB carries ("S88" at first).
  const std::string& InitString() const { return FFeedbackClient->InitString; }
  void SetInitString(std::string Value) { FFeedbackClient->InitString = std::move(Value); }

  bool Enabled() const { return FFeedbackClient->Enabled(); }
  // INIT FB or TERM FB when the reporting state asks for it; blocks for the reply.
  void SetEnabled(bool Value);

  // The contact objects: Items(i) is contact i + 1. std::out_of_range
  // outside 0 .. Count-1.
  int32_t Count() const { return static_cast<int32_t>(FFeedbackClient->Contacts().size()); }
  TMoBaSRCPFeedback& Items(int32_t Index) const;

  // "FeedbackInitString" of the bus's settings section; an empty or missing
  // value keeps the current text.
  void LoadSettings(TIniFile& Settings);
  void SaveSettings(TIniFile& Settings);

private:
  bool OwnGroup(TSRCPBaseDeviceGroup& Sender) const;
  void ValueChanged(TSRCPBaseDeviceGroup& Sender);
  // OnFeedbackInit or OnFeedbackTerm with a contact that stands for the bus.
  void ReportingChanged(TSRCPBaseDeviceGroup& Sender, bool Init);

  TMoBaSRCPBus& FOwnerBus;
  std::unique_ptr<TMoBaSRCPFeedbackClient> FFeedbackClient;
};

}  // namespace tenvarra
