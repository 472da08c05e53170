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

namespace tenvarra {

namespace {

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

TDeviceForm::TDeviceForm(const TTexts& Texts, std::unique_ptr<TEditedTable> Table,
                         QWidget* Parent)
    : QDialog(Parent),
      FTable(std::move(Table)),
      FEditor(*FTable),
      FAddressLabel(QString::fromUtf8(Texts.AddressLabel)) {
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
  FGrid->addWidget(AddLabel(this, "Label2", FAddressLabel), 1, 0);
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

  connect(FPrev, &QPushButton::clicked, this, [this] {
    FEditor.Previous();
    ShowRecord();
  });
  connect(FNext, &QPushButton::clicked, this, [this] {
    FEditor.Next();
    ShowRecord();
  });
  connect(FSave, &QPushButton::clicked, this, [this] { Save(); });
  connect(FExit, &QPushButton::clicked, this, [this] { accept(); });
  connect(FCreate, &QPushButton::clicked, this, [this] {
    FEditor.New();
    ShowNewEntry();
  });
  connect(FDelete, &QPushButton::clicked, this, [this] {
    FEditor.Delete();
    ShowRecord();
  });
  FEditor.OnTableChanged = [this] { TableChanged(); };
  // Only the person's choices: the dialog's own selections change no label.
  connect(FProtocol, &QComboBox::activated, this, [this] { ItemChosen(SelectedItem()); });
  connect(FProtocol->lineEdit(), &QLineEdit::textEdited, this,
          [this] { ItemChosen(SelectedItem()); });
}

int32_t TDeviceForm::SelectedItem() const {
  const int item = FProtocol->findText(FProtocol->currentText());
  return item >= 0 && item < FTable->ItemCount() ? item : -1;
}

void TDeviceForm::ShowDetails(int32_t) {}

void TDeviceForm::ItemChosen(int32_t) {}

void TDeviceForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (Event->spontaneous()) return;
  FEditor.Open();
  if (FEditor.EditingNew()) {
    // An empty table offers a fresh device, which is not in the table.
    ShowNewEntry();
    ShowDetails(-1);
  } else {
    ShowRecord();
  }
  CentreOnScreen(*this);
}

void TDeviceForm::TableChanged() {
  if (isVisible()) ShowPosition();
}

void TDeviceForm::ShowPosition() {
  FNumber->setText(QStringLiteral("%1/ %2").arg(FEditor.Number()).arg(FEditor.Count()));
  FPrev->setEnabled(FEditor.CanGoBack());
  FNext->setEnabled(FEditor.CanGoForward());
  FDelete->setEnabled(FEditor.CanDelete());
  // An existing record's address is never edited; only its protocol is.
  FAddress->setEnabled(FEditor.EditingNew());
}

void TDeviceForm::ShowRecord() {
  const int32_t index = FEditor.CurrentIndex();
  if (index < 0) {
    ShowNewEntry();
    return;
  }
  ShowPosition();
  FAddress->setText(QStringLiteral("0"));
  FProtocol->setCurrentIndex(0);
  FAddress->setText(QString::number(FTable->At(index)->Address()));
  ShowDetails(index);
  if (const int32_t item = FEditor.CurrentItem(); item >= 0) FProtocol->setCurrentIndex(item);
}

// The labels of the details keep what they showed.
void TDeviceForm::ShowNewEntry() {
  ShowPosition();
  FProtocol->setCurrentIndex(0);
  FAddress->setText(QStringLiteral("1"));
}

void TDeviceForm::Save() {
  const TSaveOutcome outcome = FEditor.Save(SelectedItem(), FAddress->text().toStdString());
  switch (outcome.Result) {
    case TSaveResult::srSaved:
      ShowRecord();
      return;
    case TSaveResult::srBadAddress:
      FAddress->setFocus();
      FAddress->selectAll();
      ShowErrorBox(this, FAddressLabel + QStringLiteral(": ") + Text(outcome.Message));
      return;
    case TSaveResult::srNoProtocol:
    case TSaveResult::srAddressInUse:
      ShowStopBox(this, QString::fromLatin1(WarningTitle), Text(outcome.Message));
      return;
  }
}

}  // namespace tenvarra
