#include "client/Accessoires.h"

#include <stdexcept>

#include "client/Bus.h"
#include "client/Client.h"
#include "platform/IniFile.h"

namespace tenvarra {

namespace {

constexpr const char* DelayTimeKey = "AccessoireDelayTime";

}  // namespace

TMoBaSRCPAccessoires::TMoBaSRCPAccessoires(TMoBaSRCPBus& OwnerBus)
    : FOwnerBus(OwnerBus), FAccessoireClient(std::make_unique<TMoBaSRCPAccessoireClient>()) {
  TMoBaSRCPClient& client = FOwnerBus.Client();
  TMoBaSRCPAccessoireClient& group = *FAccessoireClient;
  group.SetCommandClient(&client.CommandClient());
  group.SetInfoClient(&client.InfoClient());
  group.SetBus(FOwnerBus.Bus());
  group.SetEventMode(semBus);
  group.OnLock = [this](TSRCPBaseDeviceGroup& Sender) { LockChanged(Sender); };
  group.OnUnlock = [this](TSRCPBaseDeviceGroup& Sender) { LockChanged(Sender); };
  group.OnChange = [this](TSRCPBaseDeviceGroup& Sender) { ValueChanged(Sender); };
  group.OnInit = [this](TSRCPBaseDeviceGroup& Sender) { Initialized(Sender); };
  group.OnTerm = [this](TSRCPBaseDeviceGroup& Sender) { Terminated(Sender); };
}

TMoBaSRCPAccessoires::~TMoBaSRCPAccessoires() {
  while (!FRecords.empty()) FRecords.pop_back();
  while (!FPending.empty()) FPending.pop_back();
  FAccessoireClient.reset();
}

int32_t TMoBaSRCPAccessoires::Bus() const { return FOwnerBus.Bus(); }

TMoBaSRCPSolenoid& TMoBaSRCPAccessoires::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count())
    throw std::out_of_range("accessory record index out of range");
  return *FRecords[static_cast<std::size_t>(Index)];
}

TMoBaSRCPSolenoid* TMoBaSRCPAccessoires::FindSolenoid(int32_t Address) const {
  for (const auto& record : FRecords)
    if (record->Address() == Address) return record.get();
  return nullptr;
}

TMoBaSRCPSolenoid& TMoBaSRCPAccessoires::Pending(int32_t Index) const {
  if (Index < 0 || Index >= PendingCount())
    throw std::out_of_range("pending solenoid index out of range");
  return *FPending[static_cast<std::size_t>(Index)];
}

void TMoBaSRCPAccessoires::Prepare(const TMoBaBaseSolenoid& ASolenoid) {
  FAccessoireClient->SetSolenoid(ASolenoid);
  FAccessoireClient->SetBus(Bus());
}

bool TMoBaSRCPAccessoires::InitSolenoid(const TMoBaBaseSolenoid& ASolenoid) {
  TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
  Prepare(ASolenoid);
  FAccessoireClient->SendInit();
  const bool sent = FAccessoireClient->SendSet();
  if (sent) {
    auto copy = std::make_unique<TMoBaSRCPSolenoid>();
    copy->Assign(ASolenoid);
    copy->OnActivation = nullptr;
    copy->OnActionOff = nullptr;
    copy->SetBus(Bus());
    FPending.push_back(std::move(copy));
  }
  return sent;
}

bool TMoBaSRCPAccessoires::SetSolenoid(const TMoBaBaseSolenoid& ASolenoid) {
  TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
  Prepare(ASolenoid);
  return FAccessoireClient->SendSet();
}

void TMoBaSRCPAccessoires::TakePending(TMoBaSRCPSolenoid& Record) {
  for (auto it = FPending.begin(); it != FPending.end(); ++it) {
    if ((*it)->Bus() == Record.Bus() && (*it)->Address() == Record.Address()) {
      Record.SetActivationTime((*it)->ActivationTime());
      FPending.erase(it);
      return;
    }
  }
}

void TMoBaSRCPAccessoires::LoadSettings(TIniFile& Settings) {
  FAccessoireDelayTime =
      Settings.ReadInteger(FOwnerBus.SettingsSection(), DelayTimeKey, FAccessoireDelayTime);
}

void TMoBaSRCPAccessoires::SaveSettings(TIniFile& Settings) {
  Settings.WriteInteger(FOwnerBus.SettingsSection(), DelayTimeKey, FAccessoireDelayTime);
}

TMoBaSRCPSolenoid& TMoBaSRCPAccessoires::FindOrAdd(int32_t Address, bool& Added) {
  Added = false;
  if (TMoBaSRCPSolenoid* record = FindSolenoid(Address)) return *record;
  auto record = std::make_unique<TMoBaSRCPSolenoid>();
  record->SetAddress(Address);
  FRecords.push_back(std::move(record));
  Added = true;
  return *FRecords.back();
}

TMoBaSRCPAccessoireClient* TMoBaSRCPAccessoires::OwnGroup(TSRCPBaseDeviceGroup& Sender) const {
  auto* group = dynamic_cast<TMoBaSRCPAccessoireClient*>(&Sender);
  return group == FAccessoireClient.get() ? group : nullptr;
}

uint32_t TMoBaSRCPAccessoires::DelayTimeForRecords() const {
  // A negative time read from a settings file means no delay, not four billion ms.
  return FAccessoireDelayTime > 0 ? static_cast<uint32_t>(FAccessoireDelayTime) : 0;
}

void TMoBaSRCPAccessoires::LockChanged(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPAccessoireClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
  const TMoBaAdvancedSolenoid& reported = group->Solenoid();
  bool added = false;
  TMoBaSRCPSolenoid& record = FindOrAdd(reported.Address(), added);
  if (record.SRCPState() == mssTerminated) {
    record.SetProtocol(nullptr);
    record.SetSRCPState(mssUninitilized);
  }
  record.SetAddress(reported.Address());
  record.SetLocked(reported.Locked());
  record.SetLockID(reported.LockID());
  record.SetBus(group->Bus());
  FOwnerBus.Client().DoAccessoireLock(record);
}

void TMoBaSRCPAccessoires::ValueChanged(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPAccessoireClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
  const TMoBaAdvancedSolenoid& reported = group->Solenoid();
  bool added = false;
  TMoBaSRCPSolenoid& record = FindOrAdd(reported.Address(), added);
  if (added) record.SetActivationTime(DelayTimeForRecords());
  if (record.SRCPState() == mssTerminated) record.SetProtocol(nullptr);

  const int32_t port = reported.ActivePort();
  const double reportTime = group->LastChangeTime();
  // A report for a port the group's solenoid lacks leaves the group on its
  // previous port, whose value may come from a report older than the
  // record's; applying it under this report's time would undo a newer one.
  const bool portKnown = group->Port >= 0 && group->Port < reported.PortCount();
  if (portKnown && reportTime > record.PortTimeStamp(port)) {
    record.SetAddress(reported.Address());
    record.SetPortValue(port, reported.PortValue(port));
    record.SetBus(group->Bus());
    TakePending(record);
    // Kept so that a report older than this one cannot undo it.
    record.SetPortTimeStamp(port, reportTime);
    for (int32_t i = 0; i < record.PortCount(); ++i)
      if (record.PortTimeStamp(i) > record.PortTimeStamp(record.ActivePort()))
        record.SetActivePort(i);
  }

  record.SetBus(group->Bus());
  const TMoBaSRCPState state = record.SRCPState();
  record.SetSRCPState(state == mssUninitilized || state == mssTerminated ? mssUninitilized
                                                                         : mssActivNoRead);
  FOwnerBus.Client().DoAccessoireChange(record);
}

void TMoBaSRCPAccessoires::Initialized(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPAccessoireClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
  const TMoBaAdvancedSolenoid& reported = group->Solenoid();
  bool added = false;
  TMoBaSRCPSolenoid& record = FindOrAdd(reported.Address(), added);
  if (added) record.SetActivationTime(DelayTimeForRecords());
  record.SetProtocol(reported.SolenoidProtocol());
  record.SetAddress(reported.Address());
  record.SetBus(group->Bus());
  const TMoBaSRCPState state = record.SRCPState();
  record.SetSRCPState(state == mssActivNoRead || state == mssUninitilized ? mssActivNoRead
                                                                          : mssInitialized);
  FOwnerBus.Client().DoAccessoireInit(record);
}

void TMoBaSRCPAccessoires::Terminated(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPAccessoireClient* group = OwnGroup(Sender);
  if (!group) return;
  const int32_t address = group->Solenoid().Address();
  for (auto it = FRecords.begin(); it != FRecords.end(); ++it) {
    if ((*it)->Address() != address) continue;
    TMoBaSRCPBusyGuard busy(FOwnerBus.Client());
    std::unique_ptr<TMoBaSRCPSolenoid> record = std::move(*it);
    FRecords.erase(it);
    record->SetSRCPState(mssTerminated);
    FOwnerBus.Client().DoAccessoireTerm(*record);
    return;
  }
}

}  // namespace tenvarra
