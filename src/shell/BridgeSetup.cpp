// The general setup's "&Save", shared by every front end.

#include "client/Client.h"
#include "shell/Bridge.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

void TBridge::GeneralSetupSave(const TGeneralSetupFields& Fields) {
  ApplyGeneralSetup(Fields, FStore.Settings);
  FStoreFile.Save(FStore);
  // Taking effect at the next connection.
  FClient->SetHost(FStore.Settings.Host);
  FClient->SetPort(FStore.Settings.Port);
}

}  // namespace tenvarra
