#include "client/Power.h"

#include "client/Bus.h"
#include "client/Client.h"
#include "srcp/PowerGroup.h"

namespace tenvarra {

TMoBaSRCPPower::TMoBaSRCPPower(TMoBaSRCPBus& OwnerBus)
    : FOwnerBus(OwnerBus), FPowerGroup(std::make_unique<TSRCPPower>()) {
  TMoBaSRCPClient& client = OwnerBus.Client();
  TSRCPPower& group = *FPowerGroup;
  group.SetCommandClient(&client.CommandClient());
  group.SetInfoClient(&client.InfoClient());
  group.SetBus(OwnerBus.Bus());
  group.SetEventMode(semBus);
  group.OnChange = [this](TSRCPBaseDeviceGroup&) {
    FOwnerBus.Client().DoBusPowerChange(FOwnerBus);
  };
  group.OnInit = [this](TSRCPBaseDeviceGroup&) { PowerInit(); };
  const auto configChanged = [this](TSRCPBaseDeviceGroup&) {
    FOwnerBus.Client().DoBusConfigChange(FOwnerBus);
  };
  group.OnTerm = configChanged;
  group.OnLock = configChanged;
  group.OnUnlock = configChanged;
  QueryPower();
}

TMoBaSRCPPower::~TMoBaSRCPPower() = default;

bool TMoBaSRCPPower::PowerOn() const { return FPowerGroup->PowerOn(); }

bool TMoBaSRCPPower::SetPower(bool Value) {
  TMoBaSRCPBusyGuard guard(FOwnerBus.Client());
  FPowerGroup->SetPowerOn(Value);
  return FPowerGroup->SendSet();
}

void TMoBaSRCPPower::QueryPower() {
  TMoBaSRCPBusyGuard guard(FOwnerBus.Client());
  FPowerGroup->QueryState();
}

void TMoBaSRCPPower::PowerInit() {
  TMoBaSRCPClient& client = FOwnerBus.Client();
  TMoBaSRCPBusyGuard guard(client);
  if (client.AutoPowerOn()) {
    // Decided on the state after the GET, whatever its outcome: a failed
    // GET leaves the last known one.
    QueryPower();
    if (!PowerOn()) SetPower(true);
  }
  client.DoBusConfigChange(FOwnerBus);
}

}  // namespace tenvarra
