// The general setup's "&Save", shared by every front end, and the server a run keeps to.

#include "client/Client.h"
#include "shell/Bridge.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

void TBridge::GeneralSetupSave(const TGeneralSetupFields& Fields) {
  ApplyGeneralSetup(Fields, FStore.Settings);
  FStoreFile.Save(FStore);
  // Taking effect at the next connection, unless the run keeps to its server.
  AimClient();
}

void TBridge::UseServerForRun(const std::string& Host, int32_t Port) {
  FServerHost = Host;
  FServerPort = Port;
  AimClient();
}

void TBridge::AimClient() {
  FClient->SetHost(FServerHost.empty() ? FStore.Settings.Host : FServerHost);
  FClient->SetPort(FServerHost.empty() ? FStore.Settings.Port : FServerPort);
}

}  // namespace tenvarra
