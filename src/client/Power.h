#pragma once
// The track power of one bus: switches it, asks for it, follows the
// server's reports and, with the client's AutoPowerOn, switches a bus on
// when its power announces itself.

#include <memory>

namespace tenvarra {

class TSRCPPower;
class TMoBaSRCPBus;

class TMoBaSRCPPower {
public:
  // Binds the power group to the client's sessions and asks for the state;
  // a reply already fires OnBusPowerChange.
  explicit TMoBaSRCPPower(TMoBaSRCPBus& OwnerBus);
  ~TMoBaSRCPPower();
  TMoBaSRCPPower(const TMoBaSRCPPower&) = delete;
  TMoBaSRCPPower& operator=(const TMoBaSRCPPower&) = delete;

  TMoBaSRCPBus& OwnerBus() const { return FOwnerBus; }
  TSRCPPower& PowerGroup() const { return *FPowerGroup; }

  // The state last reported or asked for.
  bool PowerOn() const;
  // Switches the power; false when the server refused or was not reached.
  bool SetPower(bool Value);
  // Asks the server; the reply updates PowerOn and fires OnBusPowerChange.
  void QueryPower();

private:
  void PowerInit();

  TMoBaSRCPBus& FOwnerBus;
  std::unique_ptr<TSRCPPower> FPowerGroup;
};

}  // namespace tenvarra
