#include "dialogs/LocoForm.h"

#include <QGridLayout>
#include <QLabel>
#include <array>

#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "dialogs/DialogSupport.h"
#include "shell/EditedTables.h"

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

}  // namespace

TLocoForm::TLocoForm(TLocoTable& Table, QWidget* Parent)
    : TDeviceForm({"Loco setup", "Loco Nummer:", "Adresse",
                   "------------------------------------------------------", Items(),
                   "create Loco", "delete Loco"},
                  std::make_unique<TEditedLocoTable>(Table), Parent),
      FTable(Table) {
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

void TLocoForm::ShowDetails(int32_t Index) {
  const TMoBaAdvancedLoco* loco = FTable.LocoAt(Index);
  if (!loco) {
    // The fresh loco of item 0 has just the values its hint gives.
    ItemChosen(0);
    return;
  }
  FSteps->setText(QString::number(loco->MaxSteps()));
  FFunctions->setText(QString::number(loco->FunctionCount()));
}

void TLocoForm::ItemChosen(int32_t Item) {
  if (Item < 0) return;
  FFunctions->setText(QString::fromLatin1(ItemHints[Item].Functions));
  FSteps->setText(QString::fromLatin1(ItemHints[Item].Steps));
}

}  // namespace tenvarra
