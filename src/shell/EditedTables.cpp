#include "shell/EditedTables.h"

#include <memory>
#include <utility>

#include "devices/DialogProtocols.h"
#include "shell/DeviceStore.h"

namespace tenvarra {

namespace {

std::unique_ptr<TMoBaAdvancedLoco> NewLoco(int32_t Item, int32_t Address) {
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetProtocol(DialogProtocols()[Item]);
  loco->SetAddress(Address);
  return loco;
}

}  // namespace

// ---- Locos ----

int32_t TEditedLocoTable::Count() const { return FTable.LocoCount(); }

const TMoBaBaseDevice* TEditedLocoTable::At(int32_t Index) const { return FTable.LocoAt(Index); }

TRecordId TEditedLocoTable::IdAt(int32_t Index) const { return FTable.LocoIdAt(Index); }

int32_t TEditedLocoTable::IndexOf(TRecordId Id) const { return FTable.IndexOfLoco(Id); }

TRecordId TEditedLocoTable::Find(int32_t Address) const {
  for (int32_t i = 0; i < FTable.LocoCount(); ++i)
    if (FTable.LocoAt(i)->Address() == Address) return FTable.LocoIdAt(i);
  return NoRecord;
}

void TEditedLocoTable::RemoveAt(int32_t Index) { FTable.RemoveLoco(FTable.LocoAt(Index)); }

TTableListening TEditedLocoTable::Listen(std::function<void()> Listener) {
  return FTable.Changes().Listen(std::move(Listener));
}

int32_t TEditedLocoTable::ItemCount() const { return TDialogProtocols::Count; }

int32_t TEditedLocoTable::ItemOf(int32_t Index) const {
  const TMoBaAdvancedLoco* loco = FTable.LocoAt(Index);
  // By value: a loco read from loco.dat has a protocol object of its own.
  const TMoBaLocoProtocol* p = loco ? loco->LocoProtocol() : nullptr;
  if (!p) return -1;
  for (int32_t i = 0; i < TDialogProtocols::Count; ++i) {
    const TMoBaLocoProtocol& d = *DialogProtocols()[i];
    if (d.Base == p->Base && d.Extension == p->Extension && d.MaxAddress == p->MaxAddress &&
        d.MaxSteps == p->MaxSteps && d.MaxFunctions == p->MaxFunctions)
      return i;
  }
  return -1;
}

int32_t TEditedLocoTable::RuledAddress(int32_t Item, int32_t Address) const {
  return NewLoco(Item, Address)->Address();
}

bool TEditedLocoTable::Append(int32_t Item, int32_t Address) {
  std::unique_ptr<TMoBaAdvancedLoco> loco = NewLoco(Item, Address);
  return FTable.AddLoco(loco);
}

// ---- Solenoids ----

int32_t TEditedSolenoidTable::Count() const { return FStore.SolenoidTable().SolenoidCount(); }

const TMoBaBaseDevice* TEditedSolenoidTable::At(int32_t Index) const {
  return FStore.SolenoidTable().SolenoidAt(Index);
}

TRecordId TEditedSolenoidTable::IdAt(int32_t Index) const { return FStore.SolenoidTable().SolenoidIdAt(Index); }

int32_t TEditedSolenoidTable::IndexOf(TRecordId Id) const { return FStore.SolenoidTable().IndexOfSolenoid(Id); }

TRecordId TEditedSolenoidTable::Find(int32_t Address) const {
  const TSolenoidTable& table = FStore.SolenoidTable();
  for (int32_t i = 0; i < table.SolenoidCount(); ++i)
    if (table.SolenoidAt(i)->Address() == Address) return table.SolenoidIdAt(i);
  return NoRecord;
}

TTableListening TEditedSolenoidTable::Listen(std::function<void()> Listener) {
  return FStore.SolenoidTable().Changes().Listen(std::move(Listener));
}

void TEditedSolenoidTable::RemoveAt(int32_t Index) {
  // The table hands the solenoid back; nothing else refers to it.
  TSolenoidTable& table = FStore.SolenoidTable();
  table.RemoveSolenoid(table.SolenoidAt(Index));
}

int32_t TEditedSolenoidTable::ItemOf(int32_t Index) const {
  const TMoBaAdvancedSolenoid* solenoid = FStore.SolenoidTable().SolenoidAt(Index);
  const TMoBaBaseProtocol* p = solenoid ? solenoid->Protocol() : nullptr;
  if (!p) return -1;
  if (p->Base == MoBaBaseMotorola) return 0;
  if (p->Base == MoBaBaseNmra) return 1;
  return -1;
}

std::unique_ptr<TMoBaAdvancedSolenoid> TEditedSolenoidTable::NewSolenoid(int32_t Item,
                                                                         int32_t Address) const {
  auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
  solenoid->SetProtocol(Item == 0 ? &FStore.MotorolaSolenoidProtocol()
                                  : &FStore.NmraAccessoryProtocol());
  solenoid->SetAddress(Address);
  return solenoid;
}

int32_t TEditedSolenoidTable::RuledAddress(int32_t Item, int32_t Address) const {
  return NewSolenoid(Item, Address)->Address();
}

bool TEditedSolenoidTable::Append(int32_t Item, int32_t Address) {
  std::unique_ptr<TMoBaAdvancedSolenoid> solenoid = NewSolenoid(Item, Address);
  return FStore.SolenoidTable().AddSolenoid(solenoid);
}

}  // namespace tenvarra
