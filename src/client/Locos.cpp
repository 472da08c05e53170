#include "client/Locos.h"

#include <stdexcept>
#include <string>

#include "client/Bus.h"
#include "client/Client.h"
#include "client/LocoConversions.h"

namespace tenvarra {

TMoBaSRCPLocos::TMoBaSRCPLocos(TMoBaSRCPBus& OwnerBus)
    : FOwnerBus(OwnerBus), FLocoClient(std::make_unique<TMoBaSRCPLocoClient>()) {
  TMoBaSRCPClient& client = Client();
  TMoBaSRCPLocoClient& group = *FLocoClient;
  group.SetCommandClient(&client.CommandClient());
  group.SetInfoClient(&client.InfoClient());
  group.SetBus(Bus());
  group.SetEventMode(semBus);
  group.OnLock = [this](TSRCPBaseDeviceGroup& Sender) { LockChanged(Sender); };
  group.OnUnlock = [this](TSRCPBaseDeviceGroup& Sender) { LockChanged(Sender); };
  group.OnChange = [this](TSRCPBaseDeviceGroup& Sender) { ValuesChanged(Sender); };
  group.OnInit = [this](TSRCPBaseDeviceGroup& Sender) { Initialized(Sender); };
  group.OnTerm = [this](TSRCPBaseDeviceGroup& Sender) { Terminated(Sender); };
}

TMoBaSRCPLocos::~TMoBaSRCPLocos() {
  while (!FRecords.empty()) FRecords.pop_back();
  FLocoClient.reset();
}

int32_t TMoBaSRCPLocos::Bus() const { return FOwnerBus.Bus(); }

TMoBaSRCPClient& TMoBaSRCPLocos::Client() const { return FOwnerBus.Client(); }

TMoBaSRCPLoco& TMoBaSRCPLocos::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count())
    throw std::out_of_range("loco index " + std::to_string(Index) + " out of range");
  return *FRecords[static_cast<std::size_t>(Index)];
}

TMoBaSRCPLoco* TMoBaSRCPLocos::FindLoco(int32_t Address) const {
  for (const auto& record : FRecords)
    if (record->Address() == Address) return record.get();
  return nullptr;
}

bool TMoBaSRCPLocos::InitLoco(const TMoBaAdvancedLoco& ALoco) {
  // First, so that it ends last: a disconnect noticed during the exchange
  // may drop this container when the guard goes.
  TMoBaSRCPBusyGuard busy(Client());
  FLocoClient->SetLoco(ALoco);
  FLocoClient->SetBus(Bus());
  FLocoClient->SendInit();
  return FLocoClient->SendSet();
}

bool TMoBaSRCPLocos::SetLoco(const TMoBaAdvancedLoco& ALoco) {
  TMoBaSRCPBusyGuard busy(Client());
  FLocoClient->SetLoco(ALoco);
  FLocoClient->SetBus(Bus());
  return FLocoClient->SendSet();
}

TMoBaSRCPLocoClient* TMoBaSRCPLocos::OwnGroup(TSRCPBaseDeviceGroup& Sender) const {
  auto* group = dynamic_cast<TMoBaSRCPLocoClient*>(&Sender);
  return group == FLocoClient.get() ? group : nullptr;
}

TMoBaSRCPLoco& TMoBaSRCPLocos::FindOrAddLoco(const TMoBaSRCPLocoClient& Group) {
  const int32_t address = Group.Loco().Address();
  if (TMoBaSRCPLoco* record = FindLoco(address)) return *record;
  auto record = std::make_unique<TMoBaSRCPLoco>();
  record->SetAddress(address);
  FRecords.push_back(std::move(record));
  return *FRecords.back();
}

void TMoBaSRCPLocos::LockChanged(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPLocoClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(Client());
  const TMoBaAdvancedLoco& loco = group->Loco();
  TMoBaSRCPLoco& record = FindOrAddLoco(*group);
  if (record.SRCPState() == mssTerminated) {
    record.SetProtocol(nullptr);
    record.SetSRCPState(mssUninitilized);
  }
  record.SetAddress(loco.Address());
  record.SetLocked(loco.Locked());
  record.SetLockID(loco.LockID());
  record.SetBus(group->Bus());
  Client().DoLocoLock(record);
}

void TMoBaSRCPLocos::ValuesChanged(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPLocoClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(Client());
  const TMoBaAdvancedLoco& loco = group->Loco();
  TMoBaSRCPLoco& record = FindOrAddLoco(*group);
  if (record.SRCPState() == mssTerminated) record.SetProtocol(nullptr);
  // Reports of one loco may overtake each other (a GET reply against an
  // information line); the older one must not undo the newer.
  if (!(group->LastChangeTime() > record.TimeStamp())) return;
  record.SetAddress(loco.Address());
  // The group's loco stands for every loco of the bus; a report that keeps
  // the direction ("=") keeps this loco's own, not the last reporter's.
  record.SetDriveMode(SRCPToDriveMode(group->DriveMode, record.DriveMode()));
  record.SetMaxSpeed(loco.MaxSpeed());
  record.SetSpeed(loco.Speed());
  record.SetFunctionCount(loco.FunctionCount());
  for (int32_t i = 0; i < record.FunctionCount(); ++i)
    record.SetFunctionState(i, loco.FunctionState(i));
  record.SetBus(group->Bus());
  record.SetTimeStamp(group->LastChangeTime());
  const TMoBaSRCPState state = record.SRCPState();
  record.SetSRCPState(state == mssUninitilized || state == mssTerminated ? mssUninitilized
                                                                        : mssActivNoRead);
  Client().DoLocoChange(record);
}

void TMoBaSRCPLocos::Initialized(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPLocoClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(Client());
  const TMoBaAdvancedLoco& loco = group->Loco();
  TMoBaSRCPLoco& record = FindOrAddLoco(*group);
  record.SetProtocol(loco.LocoProtocol());
  record.SetAddress(loco.Address());
  record.SetFunctionCount(loco.FunctionCount());
  record.SetBus(group->Bus());
  const TMoBaSRCPState state = record.SRCPState();
  record.SetSRCPState(state == mssActivNoRead || state == mssUninitilized ? mssActivNoRead
                                                                          : mssInitialized);
  Client().DoLocoInit(record);
}

void TMoBaSRCPLocos::Terminated(TSRCPBaseDeviceGroup& Sender) {
  TMoBaSRCPLocoClient* group = OwnGroup(Sender);
  if (!group) return;
  TMoBaSRCPBusyGuard busy(Client());
  TMoBaSRCPLoco* found = FindLoco(group->Loco().Address());
  if (!found) return;
  std::unique_ptr<TMoBaSRCPLoco> record;
  for (auto it = FRecords.begin(); it != FRecords.end(); ++it)
    if (it->get() == found) {
      record = std::move(*it);
      FRecords.erase(it);
      break;
    }
  record->SetSRCPState(mssTerminated);
  Client().DoLocoTerm(*record);
}

}  // namespace tenvarra
