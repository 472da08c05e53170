#pragma once
// The feedback device group of one bus as the railway client uses it: it
// switches the server's reporting on and off and keeps one contact object
// per contact number, from 1 up to the highest number reported so far.

#include <cstdint>
#include <memory>
#include <vector>

#include "client/SRCPFeedback.h"
#include "srcp/FeedbackGroup.h"

namespace tenvarra {

class TMoBaSRCPFeedbackClient : public TSRCPCustomFeedback {
public:
  using TContacts = std::vector<std::unique_ptr<TMoBaSRCPFeedback>>;

  TMoBaSRCPFeedbackClient() = default;
  // The contacts go last first, before the group's store.
  ~TMoBaSRCPFeedbackClient() override;

  // Entry i holds contact i + 1; as many as ContactCount().
  const TContacts& Contacts() const { return FContacts; }

  // The server reports for this bus (a successful INIT or the server's own
  // INIT report, until TERM).
  bool Enabled() const { return DeviceState() != sdsTerminated; }
  // True sends INIT FB with InitString while reporting is off; false sends
  // TERM FB while it is on. Anything else sends nothing.
  void SetEnabled(bool Value);

protected:
  void ReadValues(TSRCPCmd& Msg) override;

private:
  // Grows or shrinks the contact objects to the store's count.
  void FitContacts();

  TContacts FContacts;
};

}  // namespace tenvarra
