// The general setup's "&Save", shared by every front end, and the server a run keeps to.

#include "client/Client.h"
#include "shell/Bridge.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

void TBridge::GeneralSetupSave(const TGeneralSetupFields& Fields) {
  ApplyGeneralSetup(Fields, FStore.Settings);
  FStoreFile.Save(FStore);
  if (FServerForRun) return;
  // Taking effect at the next connection.
  FClient->SetHost(FStore.Settings.Host);
  FClient->SetPort(FStore.Settings.Port);
}

void TBridge::UseServerForRun(const std::string& Host, int32_t Port) {
  FServerForRun = true;
  FClient->SetHost(Host);
  FClient->SetPort(Port);
}

}  // namespace tenvarra
