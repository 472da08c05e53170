#include "dialogs/DeviceForm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "dialogs/DialogSupport.h"
#include "dialogs/UpDown.h"
#include "shell/GeneralSetup.h"

namespace tenvarra {

namespace {

const char* const AddressInUse = "This address is already in use. Please use anaother address!";
const char* const NoProtocol =
    "No protocol is selected, so nothing was saved. Please select a protocol.";

// The range of the address up-down buttons until a subclass moves its top.
constexpr int AddressMin = -1;
constexpr int AddressMax = 80;

QLabel* AddLabel(QWidget* Parent, const char* Name, const QString& Text) {
  auto* label = new QLabel(Text, Parent);
  label->setObjectName(QString::fromLatin1(Name));
  return label;
}

QPushButton* AddButton(QWidget* Parent, const char* Name, const char* Text) {
  auto* button = new QPushButton(QString::fromUtf8(Text), Parent);
  button->setObjectName(QString::fromLatin1(Name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TDeviceForm::TDeviceForm(const TTexts& Texts, QWidget* Parent)
    : QDialog(Parent), FProtocolCount(Texts.ProtocolCount) {
  setWindowTitle(QString::fromUtf8(Texts.Caption));
  setModal(true);

  FNumber = AddLabel(this, "lbNr", QString());
  FAddress = new QLineEdit(QStringLiteral("1"), this);
  FAddress->setObjectName(QStringLiteral("EdAddress"));
  FUpDown = new TUpDown(*FAddress, AddressMin, AddressMax, this);
  FUpDown->setObjectName(QStringLiteral("udAddr"));
  FProtocol = new QComboBox(this);
  FProtocol->setObjectName(QStringLiteral("cbProto"));
  FProtocol->setEditable(true);
  // Typed text must not become an item.
  FProtocol->setInsertPolicy(QComboBox::NoInsert);
  FProtocol->addItems(Texts.Items);
  FProtocol->setCurrentIndex(-1);
  FProtocol->setEditText(QString::fromLatin1(Texts.ProtocolText));

  auto* addressRow = new QHBoxLayout;
  addressRow->setSpacing(0);
  addressRow->addWidget(FAddress);
  addressRow->addWidget(FUpDown);
  FGrid = new QGridLayout;
  FGrid->addWidget(AddLabel(this, "Label1", QString::fromUtf8(Texts.NumberLabel)), 0, 0);
  FGrid->addWidget(FNumber, 0, 1);
  FGrid->addWidget(AddLabel(this, "Label2", QString::fromUtf8(Texts.AddressLabel)), 1, 0);
  FGrid->addLayout(addressRow, 1, 1, Qt::AlignLeft);
  FGrid->addWidget(AddLabel(this, "Label5", QStringLiteral("Protokoll")), 2, 0);
  FGrid->addWidget(FProtocol, 2, 1);

  FPrev = AddButton(this, "BuPrev", "<<");
  FNext = AddButton(this, "BuNext", ">>");
  FSave = AddButton(this, "BuSave", "save");
  FExit = AddButton(this, "BuExit", "Exit");
  FCreate = AddButton(this, "CreateButton", Texts.CreateText);
  FDelete = AddButton(this, "buDelete", Texts.DeleteText);
  auto* browseRow = new QHBoxLayout;
  for (QPushButton* button : {FPrev, FNext, FSave, FExit}) browseRow->addWidget(button);
  auto* editRow = new QHBoxLayout;
  editRow->addWidget(FCreate);
  editRow->addWidget(FDelete);
  editRow->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(FGrid);
  layout->addSpacing(8);
  layout->addLayout(browseRow);
  layout->addLayout(editRow);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(FPrev, &QPushButton::clicked, this, [this] { Browse(-1); });
  connect(FNext, &QPushButton::clicked, this, [this] { Browse(1); });
  connect(FSave, &QPushButton::clicked, this, [this] { Save(); });
  connect(FExit, &QPushButton::clicked, this, [this] { accept(); });
  connect(FCreate, &QPushButton::clicked, this, [this] {
    EnterNewEntry();
    FDelete->setEnabled(false);
  });
  connect(FDelete, &QPushButton::clicked, this, [this] { Delete(); });
  // Only the person's choices: the dialog's own selections change no label.
  connect(FProtocol, &QComboBox::activated, this, [this] { ItemChosen(SelectedItem()); });
  connect(FProtocol->lineEdit(), &QLineEdit::textEdited, this,
          [this] { ItemChosen(SelectedItem()); });
}

int32_t TDeviceForm::SelectedItem() const {
  const int item = FProtocol->findText(FProtocol->currentText());
  return item >= 0 && item < FProtocolCount ? item : -1;
}

void TDeviceForm::ShowDetails(const TMoBaBaseDevice&) {}

void TDeviceForm::ItemChosen(int32_t) {}

void TDeviceForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (Event->spontaneous()) return;
  Open();
  CentreOnScreen(*this);
}

void TDeviceForm::Open() {
  FCurrentNumber = 1;
  FPrev->setEnabled(false);
  FNext->setEnabled(Count() >= 2);
  // A new entry left unsaved last time must not keep deleting disabled.
  FDelete->setEnabled(true);
  if (Count() == 0) {
    ShowDevice(*Build(0, 1), 1);
    FAddress->setEnabled(true);
    FNext->setEnabled(false);
  } else {
    ShowDevice(*At(0), 1);
    FAddress->setEnabled(false);
  }
}

void TDeviceForm::ShowNumber(int32_t Number) {
  FNumber->setText(QStringLiteral("%1/ %2").arg(Number).arg(Count()));
}

void TDeviceForm::ShowDevice(const TMoBaBaseDevice& Device, int32_t Number) {
  ShowNumber(Number);
  FAddress->setText(QStringLiteral("0"));
  FProtocol->setCurrentIndex(0);
  FAddress->setText(QString::number(Device.Address()));
  ShowDetails(Device);
  if (const int32_t item = ItemOf(Device); item >= 0) FProtocol->setCurrentIndex(item);
}

void TDeviceForm::Browse(int32_t Step) {
  FAddress->setEnabled(false);
  const int32_t number = FCurrentNumber + Step;
  if (number < 1 || number > Count()) return;
  FCurrentNumber = number;
  FPrev->setEnabled(number >= 2);
  FNext->setEnabled(number < Count());
  ShowDevice(*At(number - 1), number);
}

void TDeviceForm::EnterNewEntry() {
  FNext->setEnabled(false);
  FPrev->setEnabled(false);
  FAddress->setEnabled(true);
  FProtocol->setCurrentIndex(0);
  FAddress->setText(QStringLiteral("1"));
  FCurrentNumber = Count() + 1;
  ShowNumber(FCurrentNumber);
}

void TDeviceForm::Save() {
  const int32_t item = SelectedItem();
  if (item < 0) {
    ShowStopBox(this, QString::fromLatin1(WarningTitle), QString::fromLatin1(NoProtocol));
    return;
  }
  int32_t address = 0;
  try {
    address = IntegerOfTrimmedText(FAddress->text().toStdString());
  } catch (const EConvertError& e) {
    ShowErrorBox(this, QString::fromStdString(e.what()));
    return;
  }
  std::unique_ptr<TMoBaBaseDevice> device = Build(item, address);
  // A new protocol may lower the shown entry's own address onto another's.
  const TMoBaBaseDevice* shown = At(FCurrentNumber - 1);
  const TMoBaBaseDevice* holder = Find(device->Address());
  if (holder && holder != shown) {
    ShowStopBox(this, QString::fromLatin1(WarningTitle), QString::fromLatin1(AddressInUse));
    return;
  }
  if (shown) Remove(*shown);
  Append(std::move(device));
  FNext->setEnabled(false);
  FPrev->setEnabled(true);
  FDelete->setEnabled(true);
  FAddress->setEnabled(false);
  FCurrentNumber = Count();
  ShowDevice(*At(FCurrentNumber - 1), FCurrentNumber);
}

void TDeviceForm::Delete() {
  if (FCurrentNumber < 1) return;
  if (const TMoBaBaseDevice* shown = At(FCurrentNumber - 1)) Remove(*shown);
  if (FCurrentNumber == 1) {
    EnterNewEntry();
    return;
  }
  --FCurrentNumber;
  if (const TMoBaBaseDevice* previous = At(FCurrentNumber - 1))
    ShowDevice(*previous, FCurrentNumber);
}

}  // namespace tenvarra
