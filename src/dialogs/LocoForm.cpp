#include "dialogs/LocoForm.h"

#include <QGridLayout>
#include <QLabel>
#include <array>

#include "devices/DialogProtocols.h"
#include "dialogs/DialogSupport.h"
#include "shell/DeviceStore.h"

namespace tenvarra {

namespace {

// After the protocols come empty items, which stand for none.
QStringList Items() {
  QStringList items = LocoProtocolItems(TLocoItems::Setup);
  for (int i = 0; i < 6; ++i) items << QString();
  return items;
}

// What the labels say about an item before a loco of it is saved. These are
// the texts the dialog has always shown, not the protocols' own limits.
struct TItemHint {
  const char* Functions;
  const char* Steps;
};
constexpr std::array<TItemHint, TDialogProtocols::Count> ItemHints{{
    {"1", "14"},
    {"5", "14"},
    {"5", "27"},
    {"5", "14"},
    {"5", "27"},
    {"0", "14"},
    {"5", "14"},
    {"5", "27"},
    {"5", "127"},
    {"5", "27"},
    {"5", "127"},
}};

const TMoBaAdvancedLoco& AsLoco(const TMoBaBaseDevice& Device) {
  return static_cast<const TMoBaAdvancedLoco&>(Device);
}

}  // namespace

TLocoForm::TLocoForm(TDeviceStore& Store, QWidget* Parent)
    : TDeviceForm({"Loco setup", "Loco Nummer:", "Adresse",
                   "------------------------------------------------------", Items(),
                   TDialogProtocols::Count, "create Loco", "delete Loco"},
                  Parent),
      FTable(Store.LocoTable()) {
  FSteps = new QLabel(this);
  FSteps->setObjectName(QStringLiteral("LbSteps"));
  FFunctions = new QLabel(this);
  FFunctions->setObjectName(QStringLiteral("LbFunctions"));
  auto* stepsLabel = new QLabel(QStringLiteral("Dekoder-Fahrstufen"), this);
  stepsLabel->setObjectName(QStringLiteral("Label3"));
  auto* functionsLabel = new QLabel(QStringLiteral("Anzahl der Funktionen"), this);
  functionsLabel->setObjectName(QStringLiteral("Label4"));
  Grid().addWidget(stepsLabel, 3, 0);
  Grid().addWidget(FSteps, 3, 1);
  Grid().addWidget(functionsLabel, 4, 0);
  Grid().addWidget(FFunctions, 4, 1);
}

int32_t TLocoForm::Count() const { return FTable.LocoCount(); }

const TMoBaBaseDevice* TLocoForm::At(int32_t Index) const { return FTable.LocoAt(Index); }

const TMoBaBaseDevice* TLocoForm::Find(int32_t Address) const {
  return FTable.FindLocoByAddress(Address);
}

void TLocoForm::Remove(const TMoBaBaseDevice& Device) { FTable.RemoveLoco(&AsLoco(Device)); }

std::unique_ptr<TMoBaBaseDevice> TLocoForm::Build(int32_t Item, int32_t Address) const {
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetProtocol(DialogProtocols()[Item]);
  loco->SetAddress(Address);
  return loco;
}

void TLocoForm::Append(std::unique_ptr<TMoBaBaseDevice> Device) {
  std::unique_ptr<TMoBaAdvancedLoco> loco(static_cast<TMoBaAdvancedLoco*>(Device.release()));
  FTable.AddLoco(loco);
}

int32_t TLocoForm::ItemOf(const TMoBaBaseDevice& Device) const {
  // By value: a loco read from loco.dat has a protocol object of its own.
  const TMoBaLocoProtocol* p = AsLoco(Device).LocoProtocol();
  if (!p) return -1;
  for (int32_t i = 0; i < TDialogProtocols::Count; ++i) {
    const TMoBaLocoProtocol& d = *DialogProtocols()[i];
    if (d.Base == p->Base && d.Extension == p->Extension && d.MaxAddress == p->MaxAddress &&
        d.MaxSteps == p->MaxSteps && d.MaxFunctions == p->MaxFunctions)
      return i;
  }
  return -1;
}

void TLocoForm::ShowDetails(const TMoBaBaseDevice& Device) {
  FSteps->setText(QString::number(AsLoco(Device).MaxSteps()));
  FFunctions->setText(QString::number(AsLoco(Device).FunctionCount()));
}

void TLocoForm::ItemChosen(int32_t Item) {
  if (Item < 0) return;
  FFunctions->setText(QString::fromLatin1(ItemHints[Item].Functions));
  FSteps->setText(QString::fromLatin1(ItemHints[Item].Steps));
}

}  // namespace tenvarra
