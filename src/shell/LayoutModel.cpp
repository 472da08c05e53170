#include "shell/LayoutModel.h"

#include "client/SRCPLoco.h"
#include "client/SRCPSolenoid.h"
#include "devices/Tables.h"
#include "emulation/S88Image.h"

namespace tenvarra {

static_assert(TLayoutModel::ModuleCount * TLayoutModel::ContactsPerModule == TS88Image::ContactCount);

TLayoutModel::TLayoutModel(const TS88Image& Image, const TLocoTable& Locos)
    : FImage(Image), FLocoTable(Locos) {}

void TLayoutModel::Changed(unsigned Parts) {
  if (OnChange) OnChange(Parts);
}

void TLayoutModel::PortHeld(bool Held) {
  if (FPortHeld == Held) return;
  FPortHeld = Held;
  Changed(lpStates);
}

void TLayoutModel::ServerConnected() {
  if (FConnected) return;
  FConnected = true;
  Changed(lpStates);
}

void TLayoutModel::ServerDisconnected() {
  unsigned parts = 0;
  if (FConnected || !FPower.empty()) parts |= lpStates;
  if (!FLocos.empty()) parts |= lpLocos;
  if (!FSolenoids.empty()) parts |= lpSolenoids;
  FConnected = false;
  FPower.clear();
  FLocos.clear();
  FSolenoids.clear();
  if (parts != 0) Changed(parts);
}

void TLayoutModel::BusPower(int32_t Bus, bool On) {
  const auto [it, added] = FPower.try_emplace(Bus, On);
  if (!added && it->second == On) return;
  it->second = On;
  Changed(lpStates);
}

void TLayoutModel::LocoReported(const TMoBaSRCPLoco& Loco) {
  TLocoRow& row = FLocos[{Loco.Address(), Loco.Bus()}];
  row.Bus = Loco.Bus();
  row.Address = Loco.Address();
  // The protocol's speed steps once the server has said which protocol the
  // loco runs; before that, the speed as the server reports it.
  const bool stepped = Loco.LocoProtocol() && Loco.MaxSteps() < MoBaNoLimit;
  row.Speed = stepped ? Loco.SpeedStep() : Loco.Speed();
  row.MaxSpeed = stepped ? Loco.MaxSteps() : Loco.MaxSpeed();
  row.Direction = Loco.DriveMode();
  // Function 0 is the light; the others keep their own numbers.
  row.Light = Loco.FunctionState(0);
  row.Functions.clear();
  for (int32_t i = 1; i < Loco.FunctionCount(); ++i)
    if (Loco.FunctionState(i)) row.Functions.push_back(i);
  Changed(lpLocos);
}

void TLayoutModel::LocoTerminated(const TMoBaSRCPLoco& Loco) {
  if (FLocos.erase({Loco.Address(), Loco.Bus()}) > 0) Changed(lpLocos);
}

void TLayoutModel::SolenoidReported(const TMoBaSRCPSolenoid& Solenoid) {
  TSolenoidRow& row = FSolenoids[{Solenoid.Address(), Solenoid.Bus()}];
  row.Bus = Solenoid.Bus();
  row.Address = Solenoid.Address();
  row.Port = Solenoid.ActivePort();
  row.On = Solenoid.PortValue(Solenoid.ActivePort()) != 0;
  Changed(lpSolenoids);
}

void TLayoutModel::SolenoidTerminated(const TMoBaSRCPSolenoid& Solenoid) {
  if (FSolenoids.erase({Solenoid.Address(), Solenoid.Bus()}) > 0) Changed(lpSolenoids);
}

void TLayoutModel::FeedbackChanged(int32_t Contact) {
  if (Contact >= 1 && Contact <= TS88Image::ContactCount) Changed(lpFeedback);
}

std::vector<TBusPower> TLayoutModel::Power() const {
  std::vector<TBusPower> power;
  for (const auto& [bus, on] : FPower) power.push_back({bus, on});
  return power;
}

std::vector<TLocoRow> TLayoutModel::Locos() const {
  std::vector<TLocoRow> rows;
  rows.reserve(FLocos.size());
  for (const auto& [key, row] : FLocos) {
    rows.push_back(row);
    const TMoBaAdvancedLoco* known = FLocoTable.FindLocoByAddress(row.Address);
    if (known && known->Protocol()) rows.back().Protocol = known->Protocol()->Name;
  }
  return rows;
}

std::vector<TSolenoidRow> TLayoutModel::Solenoids() const {
  std::vector<TSolenoidRow> rows;
  rows.reserve(FSolenoids.size());
  for (const auto& [key, row] : FSolenoids) rows.push_back(row);
  return rows;
}

int32_t TLayoutModel::ContactNumber(int32_t Module, int32_t Contact) {
  if (Module < 1 || Module > ModuleCount || Contact < 1 || Contact > ContactsPerModule) return 0;
  return (Module - 1) * ContactsPerModule + Contact;
}

bool TLayoutModel::Occupied(int32_t Module, int32_t Contact) const {
  const int32_t number = ContactNumber(Module, Contact);
  return number != 0 && FImage.Contact(number);
}

}  // namespace tenvarra
