#include "dialogs/SetupForm.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

#include "dialogs/DialogSupport.h"
#include "dialogs/UpDown.h"

namespace tenvarra {

namespace {

struct TBusRow {
  const char* LabelName;
  const char* Label;
  const char* EditName;
  const char* UpDownName;
  std::string TGeneralSetupFields::*Field;
  TSetupField Checked;
};

constexpr std::array<TBusRow, 7> BusRows{{
    {"Label3", "Marklin/Motorola loco decoders", "edMMGL", "udMMGl", &TGeneralSetupFields::MMGLBus,
     TSetupField::MMGLBus},
    {"Label4", "NMRA/DCC loco decoders with short address", "edNMRAGLS", "udNMRAGls",
     &TGeneralSetupFields::NMRAGLSBus, TSetupField::NMRAGLSBus},
    {"Label5", "NMRA/DCC loco decoders with long address", "edNMRAGLL", "udNMRAGll",
     &TGeneralSetupFields::NMRAGLLBus, TSetupField::NMRAGLLBus},
    {"Label6", "Marklin/Motorola solenoid decoders", "edMMGA", "udMMGA",
     &TGeneralSetupFields::MMGABus, TSetupField::MMGABus},
    {"Label7", "NMRA/DCC solenoid decoders", "edNMRAGA", "udNMRAGa",
     &TGeneralSetupFields::NMRAGABus, TSetupField::NMRAGABus},
    {"Label8", "S88 feedback ", "edS88", "udS88", &TGeneralSetupFields::S88Bus, TSetupField::S88Bus},
    {"Label9", "Power", "edPower", "udPower", &TGeneralSetupFields::PowerBus, TSetupField::PowerBus},
}};

// The up-down buttons of the bus numbers keep their usual range.
constexpr int BusStepMin = 0;
constexpr int BusStepMax = 100;

template <class TWidget>
TWidget* Named(TWidget* Widget, const char* Name) {
  Widget->setObjectName(QString::fromLatin1(Name));
  return Widget;
}

QLabel* Label(QWidget* Parent, const char* Name, const char* Text) {
  return Named(new QLabel(QString::fromLatin1(Text), Parent), Name);
}

QLineEdit* Edit(QWidget* Parent, const char* Name, const char* Text) {
  return Named(new QLineEdit(QString::fromLatin1(Text), Parent), Name);
}

QCheckBox* Check(QWidget* Parent, const char* Name, const char* Text) {
  return Named(new QCheckBox(QString::fromLatin1(Text), Parent), Name);
}

std::string Text(const QLineEdit* Edit) { return Edit->text().toStdString(); }

}  // namespace

TSetupForm::TSetupForm(const TSettings& Settings, TSetupHooks Hooks, QWidget* Parent)
    : QDialog(Parent), FSettings(Settings), FHooks(std::move(Hooks)) {
  setWindowTitle(QStringLiteral("Setup"));
  setModal(true);
  FPages = Named(new QTabWidget(this), "PG1");
  FPages->addTab(ConnectionsPage(), QStringLiteral("&Connections"));
  FPages->addTab(SrcpPage(), QStringLiteral("S&RCP"));
  FPages->addTab(LogPage(), QStringLiteral("Log"));
  FPages->addTab(MiscPage(), QStringLiteral("misc"));

  auto* save = Named(new QPushButton(QStringLiteral("&Save"), this), "buSave");
  auto* cancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "buCancel");
  save->setDefault(true);
  connect(save, &QPushButton::clicked, this, [this] { SaveClicked(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPages);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TSetupForm::ConnectionsPage() {
  auto* page = new QWidget;
  FServer = Edit(page, "edServer", "localhost");
  FPort = Edit(page, "edPort", "12345");
  FActTime = Edit(page, "edActTime", "200");
  FHandshake = Check(page, "cbHandshake", "Serial Handshake");
  // The caption stands on the left of its box.
  FHandshake->setLayoutDirection(Qt::RightToLeft);
  FHandshake->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  FEdits[static_cast<std::size_t>(TSetupField::Host)] = FServer;
  FEdits[static_cast<std::size_t>(TSetupField::Port)] = FPort;
  FEdits[static_cast<std::size_t>(TSetupField::ActivationTime)] = FActTime;
  auto* form = new QFormLayout(page);
  form->addRow(Label(page, "Label1", "Server"), FServer);
  form->addRow(Label(page, "Label2", "Port"), FPort);
  form->addRow(Label(page, "Label10", "Sol activation time"), FActTime);
  form->addRow(FHandshake);
  return page;
}

QWidget* TSetupForm::SrcpPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  int row = 0;
  for (const TBusRow& bus : BusRows) {
    QLineEdit* edit = Edit(page, bus.EditName, "1");
    edit->setMaximumWidth(60);
    auto* upDown = Named(new TUpDown(*edit, BusStepMin, BusStepMax, page), bus.UpDownName);
    upDown->SetPosition(1);
    grid->addWidget(Label(page, bus.LabelName, bus.Label), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(upDown, row, 2);
    FBuses.push_back({bus.Field, edit});
    FEdits[static_cast<std::size_t>(bus.Checked)] = edit;
    ++row;
  }
  return page;
}

QWidget* TSetupForm::LogPage() {
  auto* page = new QWidget;
  FLog = Check(page, "cbLog", "Write log file");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(FLog);
  layout->addStretch();
  return page;
}

QWidget* TSetupForm::MiscPage() {
  auto* page = new QWidget;
  FLearning = Check(page, "cbLearning", "activate learning mode");
  FS88Modules = Edit(page, "edS88Modules", "8");
  FEdits[static_cast<std::size_t>(TSetupField::S88Modules)] = FS88Modules;
  auto* form = new QFormLayout(page);
  form->addRow(FLearning);
  form->addRow(Label(page, "Label12", "Number of S88 modules:"), FS88Modules);
  form->addRow(Label(page, "Label11", "Label11"));
  return page;
}

TGeneralSetupFields TSetupForm::Fields() const {
  TGeneralSetupFields f;
  f.Host = Text(FServer);
  f.Port = Text(FPort);
  f.ActivationTime = Text(FActTime);
  for (const TBusEdit& bus : FBuses) f.*bus.Field = Text(bus.Edit);
  f.WriteLogFile = FLog->isChecked();
  f.LearningMode = FLearning->isChecked();
  f.S88Modules = Text(FS88Modules);
  f.SerialHandshake = FHandshake->isChecked();
  return f;
}

void TSetupForm::SetFields(const TGeneralSetupFields& Fields) {
  FServer->setText(Text(Fields.Host));
  FPort->setText(Text(Fields.Port));
  FActTime->setText(Text(Fields.ActivationTime));
  for (const TBusEdit& bus : FBuses) bus.Edit->setText(Text(Fields.*bus.Field));
  FLog->setChecked(Fields.WriteLogFile);
  FLearning->setChecked(Fields.LearningMode);
  FS88Modules->setText(Text(Fields.S88Modules));
  FHandshake->setChecked(Fields.SerialHandshake);
}

void TSetupForm::SaveClicked() {
  const std::optional<TSetupFieldError> bad = CheckGeneralSetup(Fields());
  if (!bad) {
    accept();
    return;
  }
  // The form stays open with every edit in place, at the field to mend.
  QLineEdit* edit = FEdits[static_cast<std::size_t>(bad->Field)];
  FPages->setCurrentWidget(edit->parentWidget());
  edit->setFocus();
  edit->selectAll();
  ShowErrorBox(this, Text(bad->Message));
}

bool TSetupForm::Execute() {
  QWidget* owner = parentWidget();
  if (FHooks.Connected && FHooks.Connected()) {
    ShowStopBox(owner, QString::fromLatin1(WarningTitle),
                QStringLiteral("Please disconnect from server!"));
    return false;
  }
  try {
    SetFields(GeneralSetupFields(FSettings));
  } catch (const std::exception& e) {
    ShowErrorBox(owner, Text(e.what()));
    return false;
  }
  if (FHooks.Shown) FHooks.Shown(true);
  const int result = exec();
  if (FHooks.Shown) FHooks.Shown(false);
  if (result != QDialog::Accepted) return false;
  try {
    FHooks.Save(Fields());
  } catch (const std::exception& e) {
    ShowErrorBox(owner, Text(e.what()));
    return false;
  }
  return true;
}

void TSetupForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (Event->spontaneous()) return;
  FPages->setCurrentIndex(0);
  CentreOnScreen(*this);
}

}  // namespace tenvarra
