// The general setup's "&Save", shared by every front end.

#include "client/Client.h"
#include "shell/Bridge.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

void TBridge::GeneralSetupSave(const TGeneralSetupFields& Fields) {
  ApplyGeneralSetup(Fields, FStore.Settings);
  FStoreFile.Save(FStore);
  // Taking effect at the next connection.
  AimClient();
}

void TBridge::UseServer(const std::string& Host, int32_t Port) {
  FServerHost = Host;
  FServerPort = Port;
  AimClient();
}

void TBridge::AimClient() {
  FClient->SetHost(FServerHost.empty() ? FStore.Settings.Host : FServerHost);
  FClient->SetPort(FServerHost.empty() ? FStore.Settings.Port : FServerPort);
}

}  // namespace tenvarra
