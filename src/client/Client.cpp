#include "client/Client.h"

#include <stdexcept>
#include <utility>

#include "client/Bus.h"
#include "devices/Profiles.h"
#include "srcp/DescriptionGroup.h"

namespace tenvarra {

TMoBaSRCPClient::TMoBaSRCPClient(TMainThreadQueue& Queue, TMoBaProfiles* Profiles)
    : FQueue(Queue),
      FSelf(std::make_shared<TMoBaSRCPClient*>(this)),
      FProfileItem(std::make_unique<TMoBaProfileItem>(Profiles)),
      FCommandClient(std::make_unique<TSRCPCommandClient>(Queue)),
      FInfoClient(std::make_unique<TSRCPInfoClient>(Queue)) {
  FCommandClient->OnDisconnected = [this](TSRCPBaseClient&) { SessionDisconnected(); };
  FInfoClient->OnDisconnected = [this](TSRCPBaseClient&) { SessionDisconnected(); };
  FProfileItem->OnLoad = [this](TMoBaProfileItem&) { LoadSettings(); };
  FProfileItem->OnSave = [this](TMoBaProfileItem&) { SaveSettings(); };
}

TMoBaSRCPClient::~TMoBaSRCPClient() {
  FSelf.reset();
  FCommandClient->OnDisconnected = nullptr;
  FInfoClient->OnDisconnected = nullptr;
  try {
    Disconnect();
  } catch (...) {
    // Nothing to tell it to any more.
  }
  FBusy = 0;
  try {
    DestroyRetired();
  } catch (...) {
  }
  FProfileItem.reset();
  FInfoClient.reset();
  FCommandClient.reset();
}

// ---- Properties ----

void TMoBaSRCPClient::SetConnected(bool Value) {
  if (FDesigning) {
    FConnectedFlag = Value;
  } else if (Value) {
    Connect();
  } else {
    Disconnect();
  }
}

void TMoBaSRCPClient::SetEmergencyStop(bool Value) {
  TMoBaSRCPBusyGuard guard(*this);
  // A stop that loses the connection empties the list; index it afresh.
  for (int32_t i = 0; i < BusCount(); ++i) Buses(i).SetEmergencyStop(Value);
}

const std::string& TMoBaSRCPClient::Host() const { return FCommandClient->Host(); }

void TMoBaSRCPClient::SetHost(std::string Host) {
  FCommandClient->SetHost(std::move(Host));
  FInfoClient->SetHost(FCommandClient->Host());
}

int32_t TMoBaSRCPClient::Port() const { return FCommandClient->Port(); }

void TMoBaSRCPClient::SetPort(int32_t Port) {
  FCommandClient->SetPort(Port);
  FInfoClient->SetPort(Port);
}

bool TMoBaSRCPClient::LogEnabled() const { return FCommandClient->LogEnabled(); }

void TMoBaSRCPClient::SetLogEnabled(bool Enabled) {
  FCommandClient->SetLogEnabled(Enabled);
  FInfoClient->SetLogEnabled(FCommandClient->LogEnabled());
}

bool TMoBaSRCPClient::ProfileActive() const { return FProfileItem->Active(); }
void TMoBaSRCPClient::SetProfileActive(bool Value) { FProfileItem->SetActive(Value); }
TIniFile* TMoBaSRCPClient::SettingsFile() const { return FProfileItem->IniFile(); }

int32_t TMoBaSRCPClient::SessionID() const { return FCommandClient->SessionId(); }
int32_t TMoBaSRCPClient::InfoSessionID() const { return FInfoClient->SessionId(); }
const std::string& TMoBaSRCPClient::Welcome() const { return FCommandClient->Welcome(); }

const TSRCPBaseClient::TLogEvent& TMoBaSRCPClient::OnCmdLog() const {
  return FCommandClient->OnLog;
}
void TMoBaSRCPClient::SetOnCmdLog(TSRCPBaseClient::TLogEvent Handler) {
  FCommandClient->OnLog = std::move(Handler);
}
const TSRCPBaseClient::TLogEvent& TMoBaSRCPClient::OnInfoLog() const {
  return FInfoClient->OnLog;
}
void TMoBaSRCPClient::SetOnInfoLog(TSRCPBaseClient::TLogEvent Handler) {
  FInfoClient->OnLog = std::move(Handler);
}

// ---- Buses ----

TMoBaSRCPBus& TMoBaSRCPClient::Buses(int32_t Index) const {
  if (Index < 0 || Index >= BusCount()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  }
  return *FBuses[static_cast<std::size_t>(Index)];
}

TMoBaSRCPBus* TMoBaSRCPClient::BusByNumber(int32_t Bus) const {
  for (const auto& bus : FBuses) {
    if (bus->Bus() == Bus) return bus.get();
  }
  return nullptr;
}

// ---- Connecting ----

void TMoBaSRCPClient::Connect() {
  // A second Connect is refused by the command session; the connection
  // that exists must survive that.
  const bool wasConnected = FCommandClient->Connected();
  FConnectedFlag = true;
  try {
    FCommandClient->Connect(-1);
  } catch (...) {
    if (!wasConnected) {
      FConnectedFlag = false;
      EmptyBuses();
    }
    throw;
  }
  // A refused handshake has been reported and has left the client Idle.
  if (!FCommandClient->Connected()) return;

  FDescriptionGroup = std::make_unique<TSRCPCustomDescription>();
  FDescriptionGroup->SetCommandClient(FCommandClient.get());
  FDescriptionGroup->SetInfoClient(FInfoClient.get());
  FDescriptionGroup->SetEventMode(semAll);
  FDescriptionGroup->OnChange = [this](TSRCPBaseDeviceGroup&) { DescriptionChanged(); };

  try {
    if (FQueryServer) QueryBuses();
    // The command session may have been lost while the buses were asked for.
    if (FCommandClient->Connected()) FInfoClient->Connect(-1);
  } catch (...) {
    try {
      Disconnect();
    } catch (...) {
      // The connect's own error is the one to report.
    }
    throw;
  }
  if (!FInfoClient->Connected() || !FCommandClient->Connected()) {
    Disconnect();
    return;
  }
  if (OnConnected) OnConnected(*this);
}

void TMoBaSRCPClient::QueryBuses() {
  TMoBaSRCPBusyGuard guard(*this);
  const uint64_t epoch = FEpoch;
  for (;;) {
    auto bus = std::make_unique<TMoBaSRCPBus>(*this, nullptr);
    if (bus->Empty() || epoch != FEpoch) {
      Retire(std::move(bus));
      return;
    }
    AddBus(std::move(bus));
  }
}

void TMoBaSRCPClient::DescriptionChanged() {
  TMoBaSRCPBusyGuard guard(*this);
  TSRCPCustomDescription* description = FDescriptionGroup.get();
  if (description == nullptr || description->Bus() < BusCount()) return;
  // After an announcement out of order the rule above would take a known
  // number again, and two buses would take the same reports.
  if (BusByNumber(description->Bus()) != nullptr) return;
  const uint64_t epoch = FEpoch;
  auto bus = std::make_unique<TMoBaSRCPBus>(*this, description);
  // The connection was lost while the bus asked its first questions.
  if (epoch != FEpoch) {
    Retire(std::move(bus));
    return;
  }
  AddBus(std::move(bus));
}

void TMoBaSRCPClient::AddBus(std::unique_ptr<TMoBaSRCPBus> Bus) {
  TMoBaSRCPBus& bus = *Bus;
  FBuses.push_back(std::move(Bus));
  DoBusInit(bus);
}

// ---- Disconnecting ----

void TMoBaSRCPClient::Disconnect() {
  std::exception_ptr error;
  // A reader that found its connection gone is still to be joined.
  try {
    if (FInfoClient->Connected() || FInfoClient->Reading()) FInfoClient->Disconnect();
  } catch (...) {
    error = std::current_exception();
  }
  // Tried even when the information session failed: a client left Idle
  // must not keep a command session open.
  try {
    if (FCommandClient->Connected()) FCommandClient->Disconnect();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  try {
    EmptyBuses();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  FConnectedFlag = false;
  if (error) std::rethrow_exception(error);
}

void TMoBaSRCPClient::SessionDisconnected() {
  std::exception_ptr error;
  if (FConnectedFlag) {
    FConnectedFlag = false;
    try {
      if (OnDisconnect) OnDisconnect(*this);
    } catch (...) {
      error = std::current_exception();
    }
  }
  try {
    if (FInfoClient->Connected() || FInfoClient->Reading()) FInfoClient->Disconnect();
    if (FCommandClient->Connected()) FCommandClient->Disconnect();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  try {
    EmptyBuses();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  if (error) std::rethrow_exception(error);
}

void TMoBaSRCPClient::EmptyBuses() {
  if (!FBuses.empty() || FDescriptionGroup) ++FEpoch;
  // The list empties at once; the objects live on until nothing of theirs runs.
  while (!FBuses.empty()) {
    FRetired.push_back(std::move(FBuses.back()));
    FBuses.pop_back();
  }
  if (FDescriptionGroup) FRetiredDescriptions.push_back(std::move(FDescriptionGroup));
  if (FBusy == 0) DestroyRetired();
}

void TMoBaSRCPClient::Retire(std::unique_ptr<TMoBaSRCPBus> Bus) {
  FRetired.push_back(std::move(Bus));
}

void TMoBaSRCPClient::EndOperation() noexcept {
  if (--FBusy > 0 || (FRetired.empty() && FRetiredDescriptions.empty())) return;
  // The outermost operation may itself run inside a device group's report
  // handling (a description report, an event handler that disconnected):
  // the group must not go before that frame has returned, so the queue
  // destroys them.
  std::weak_ptr<TMoBaSRCPClient*> self = FSelf;
  FQueue.Queue([self] {
    if (const auto client = self.lock()) {
      if ((*client)->FBusy == 0) (*client)->DestroyRetired();
    }
  });
}

void TMoBaSRCPClient::DestroyRetired() {
  std::exception_ptr error;
  while (!FRetired.empty()) {
    std::unique_ptr<TMoBaSRCPBus> bus = std::move(FRetired.front());
    FRetired.erase(FRetired.begin());
    try {
      bus->Close();
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  FRetiredDescriptions.clear();
  if (error) std::rethrow_exception(error);
}

// ---- Profile ----

void TMoBaSRCPClient::LoadSettings() {
  TIniFile* settings = SettingsFile();
  if (settings == nullptr) return;
  for (const auto& bus : FBuses) bus->LoadSettings(*settings);
}

void TMoBaSRCPClient::SaveSettings() {
  TIniFile* settings = SettingsFile();
  if (settings == nullptr) return;
  for (const auto& bus : FBuses) bus->SaveSettings(*settings);
}

}  // namespace tenvarra
