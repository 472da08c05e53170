#include "client/Bus.h"

#include <exception>
#include <vector>

#include "client/Accessoires.h"
#include "client/Client.h"
#include "client/Feedbacks.h"
#include "client/Locos.h"
#include "client/Power.h"
#include "client/Time.h"
#include "platform/IniFile.h"
#include "srcp/DescriptionGroup.h"
#include "srcp/Records.h"

namespace tenvarra {

namespace {

template <typename TContainer>
void SaveAndDrop(std::unique_ptr<TContainer>& Container, TIniFile* Settings,
                 std::exception_ptr& Error) {
  if (!Container) return;
  if (Settings != nullptr) {
    try {
      Container->SaveSettings(*Settings);
    } catch (...) {
      if (!Error) Error = std::current_exception();
    }
  }
  Container.reset();
}

}  // namespace

TMoBaSRCPBus::TMoBaSRCPBus(TMoBaSRCPClient& AClient, TSRCPCustomDescription* ADescription)
    : FClient(AClient) {
  if (ADescription == nullptr) {
    FBus = AClient.BusCount();
    if (AClient.CommandClient().Connected()) QueryDescription();
    return;
  }
  FBus = ADescription->Bus();
  // A copy: creating a container talks to the server, and nothing may
  // change the list under the loop.
  const std::vector<TSRCPDeviceGroup> groups = ADescription->Groups();
  TMoBaSRCPBusyGuard guard(FClient);
  for (const TSRCPDeviceGroup group : groups) CreateContainer(group);
}

TMoBaSRCPBus::~TMoBaSRCPBus() {
  try {
    Close();
  } catch (...) {
  }
}

std::string TMoBaSRCPBus::SettingsSection() const {
  return "Bus" + std::to_string(FBus) + "Info";
}

void TMoBaSRCPBus::LoadSettings(TIniFile& Settings) {
  if (FTime) FTime->LoadSettings(Settings);
  if (FAccessoires) FAccessoires->LoadSettings(Settings);
  if (FFeedbacks) FFeedbacks->LoadSettings(Settings);
}

void TMoBaSRCPBus::SaveSettings(TIniFile& Settings) {
  if (FTime) FTime->SaveSettings(Settings);
  if (FAccessoires) FAccessoires->SaveSettings(Settings);
  if (FFeedbacks) FFeedbacks->SaveSettings(Settings);
}

void TMoBaSRCPBus::Close() {
  TIniFile* settings = FClient.ProfileActive() ? FClient.SettingsFile() : nullptr;
  FPower.reset();
  FLocos.reset();
  std::exception_ptr error;
  SaveAndDrop(FAccessoires, settings, error);
  SaveAndDrop(FFeedbacks, settings, error);
  SaveAndDrop(FTime, settings, error);
  if (error) std::rethrow_exception(error);
}

void TMoBaSRCPBus::SetEmergencyStop(bool Value) {
  if (FLocos) {
    TMoBaSRCPBusyGuard guard(FClient);
    TMoBaSRCPLocos& locos = *FLocos;
    for (int32_t i = 0; i < locos.Count(); ++i) {
      TMoBaSRCPLoco& record = locos.Items(i);
      if (Value) {
        record.SetDriveMode(mdmEmergencyStop);
      } else if (record.DriveMode() == mdmEmergencyStop) {
        record.SetDriveMode(mdmNext);
      } else {
        continue;
      }
      locos.SetLoco(record);
    }
  }
  FEmergencyStop = Value;
}

void TMoBaSRCPBus::QueryDescription() {
  TMoBaSRCPBusyGuard guard(FClient);
  TSRCPCommandClient& session = FClient.CommandClient();
  TSRCPCmd msg;
  msg.SetVersion(session.Version());
  msg.SetGroup(dgDescription);
  msg.SetCommand(mkGet);
  msg.Description().SetDescribedGroup(dgInvalid);
  msg.Bus = FBus;
  session.SendCommand(msg);
  // An error reply lists no group: the bus stays empty.
  if (!session.ReadReply(msg) || msg.Group() != dgDescription) return;
  const std::vector<TSRCPDeviceGroup> groups = msg.Description().Groups;
  for (const TSRCPDeviceGroup group : groups) CreateContainer(group);
}

void TMoBaSRCPBus::CreateContainer(TSRCPDeviceGroup Group) {
  TIniFile* settings = FClient.ProfileActive() ? FClient.SettingsFile() : nullptr;
  // A group listed twice gets one container: a second would take the same
  // reports and fire every event twice.
  switch (Group) {
    case dgFeedback:
      if (!FFeedbacks) {
        FFeedbacks = std::make_unique<TMoBaSRCPFeedbacks>(*this);
        if (settings != nullptr) FFeedbacks->LoadSettings(*settings);
      }
      break;
    case dgAccessoire:
      if (!FAccessoires) {
        FAccessoires = std::make_unique<TMoBaSRCPAccessoires>(*this);
        if (settings != nullptr) FAccessoires->LoadSettings(*settings);
      }
      break;
    case dgLoco:
      if (!FLocos) FLocos = std::make_unique<TMoBaSRCPLocos>(*this);
      break;
    case dgPower:
      if (!FPower) FPower = std::make_unique<TMoBaSRCPPower>(*this);
      break;
    case dgTime:
      if (!FTime) {
        FTime = std::make_unique<TMoBaSRCPTime>(*this);
        if (settings != nullptr) FTime->LoadSettings(*settings);
      }
      break;
    default:
      break;
  }
  FEmpty = false;
}

}  // namespace tenvarra
