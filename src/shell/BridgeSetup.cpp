// The general setup's "&Save", shared by every front end, and the server a run keeps to.

#include "client/Client.h"
#include "shell/Bridge.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

void TBridge::GeneralSetupSave(const TGeneralSetupFields& Fields) {
  ApplyGeneralSetup(Fields, FStore.Settings);
  // Taking effect at the next connection, unless the run keeps to its server;
  // also when loco.dat cannot be written: the run then uses what the person
  // saved, and the settings in force and the client's server agree.
  AimClient();
  FStoreFile.Save(FStore);
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
