#include "window/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <utility>

#include "client/Client.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/LearnForm.h"
#include "dialogs/LocoForm.h"
#include "dialogs/SetupForm.h"
#include "dialogs/SolForm.h"
#include "window/LayoutForm.h"

namespace tenvarra {

TMainForm::TMainForm(TEventLoop& Loop, TMainThreadQueue& Queue, TBridgeOptions Options, QWidget* Parent)
    : QMainWindow(Parent) {
  setObjectName(QStringLiteral("MainForm"));
  auto* client = new QWidget(this);
  Memo1 = new QPlainTextEdit(client);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(80, 16, 289, 161);
  Memo1->setReadOnly(true);
  Memo1->setMaximumBlockCount(MaxLogLines);
  // A vertical scroll bar only: long lines wrap.
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setCentralWidget(client);
  BuildMenus();
  BuildStatusBar();
  setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());

  FBridge = std::make_unique<TBridge>(Loop, Queue, *this, std::move(Options));
  for (TStatusPanel panel : {spPort, spApplication, spServer}) SetStatusText(panel, FBridge->StatusText(panel));
  SetPowerChecked(FBridge->PowerChecked());
  SetLogChecked(FBridge->LogChecked());
  SetConnectEnabled(FBridge->ConnectEnabled());

  FSolForm = std::make_unique<TSolForm>(FBridge->Store(), this);
  FLocoForm = std::make_unique<TLocoForm>(FBridge->LocoTable(), this);
  TSetupHooks hooks;
  hooks.Connected = [this] { return FBridge->SRCPCl1().Connected(); };
  hooks.Save = [this](const TGeneralSetupFields& Fields) { FBridge->GeneralSetupSave(Fields); };
  hooks.Shown = [this](bool Open) { FBridge->SetGeneralSetupOpen(Open); };
  FSetupForm = std::make_unique<TSetupForm>(FBridge->Settings(), std::move(hooks), this);
  FLearnForm = std::make_unique<TLearnForm>(TLearnForm::lkLoco, this);
}

TMainForm::~TMainForm() {
  // The dialogs and the layout view show the bridge's tables: they go first.
  FLayoutForm.reset();
  FLearnForm.reset();
  FSetupForm.reset();
  FLocoForm.reset();
  FSolForm.reset();
  FBridge.reset();
}

void TMainForm::FormCreate() {
  FBridge->FormCreate();
  setWindowTitle(Text(FBridge->Caption()));
}

QAction* TMainForm::AddItem(QMenu& Menu, const char* Name, const char* Caption,
                            void (TMainForm::*Handler)()) {
  QAction* item = Menu.addAction(QString::fromLatin1(Caption));
  item->setObjectName(QString::fromLatin1(Name));
  connect(item, &QAction::triggered, this, [this, Handler] { (this->*Handler)(); });
  return item;
}

void TMainForm::BuildMenus() {
  QMenu& file = *menuBar()->addMenu(QStringLiteral("File"));
  Connecttoserver1 = AddItem(file, "Connecttoserver1", "Connect to Server", &TMainForm::ConnecttoServer1Click);
  AddItem(file, "Disconnectfromserver1", "Disconnect from server", &TMainForm::Disconnectfromserver1Click);
  AddItem(file, "Exit1", "Exit", &TMainForm::Exit1Click);

  QMenu& setup = *menuBar()->addMenu(QStringLiteral("Setup"));
  AddItem(setup, "Setup1", "Loco setup", &TMainForm::Setup1Click);
  AddItem(setup, "Solenoidsetup1", "Solenoid setup", &TMainForm::Solenoidsetup1Click);
  AddItem(setup, "Generalsetup1", "General setup", &TMainForm::Generalsetup1Click);

  QMenu& power = *menuBar()->addMenu(QStringLiteral("Power"));
  Poweron1 = AddItem(power, "Poweron1", "Power on", &TMainForm::Poweron1Click);
  Poweron1->setCheckable(true);

  QMenu& feedback = *menuBar()->addMenu(QStringLiteral("Feedback"));
  AddItem(feedback, "Startfeedback1", "Start feedback", &TMainForm::Startfeedback1Click);
  AddItem(feedback, "Stopfeedback1", "Stop feedback", &TMainForm::Stopfeedback1Click);

  QMenu& log = *menuBar()->addMenu(QStringLiteral("Log"));
  Logenabled1 = AddItem(log, "Logenabled1", "Log enabled", &TMainForm::Logenabled1Click);
  Logenabled1->setCheckable(true);
  AddItem(log, "Clearlog1", "Clear log", &TMainForm::Clearlog1Click);

  QMenu& view = *menuBar()->addMenu(QStringLiteral("View"));
  Layout1 = AddItem(view, "Layout1", "Layout", &TMainForm::Layout1Click);
  Layout1->setCheckable(true);
}

void TMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  const int widths[] = {100, 120, 50};
  for (std::size_t i = 0; i < FPanels.size(); ++i) {
    FPanels[i] = new QLabel(bar);
    FPanels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
    FPanels[i]->setFrameShape(QFrame::Panel);
    FPanels[i]->setFrameShadow(QFrame::Sunken);
  }
  FPanels[spPort]->setFixedWidth(widths[spPort]);
  FPanels[spApplication]->setFixedWidth(widths[spApplication]);
  // 50 pixels show a few letters of "Conncected to Server": the last panel
  // takes the rest of the bar instead.
  FPanels[spServer]->setMinimumWidth(widths[spServer]);
  for (QLabel* panel : FPanels) bar->addWidget(panel, panel == FPanels[spServer] ? 1 : 0);
}

// ---- Menu handlers ----

void TMainForm::Setup1Click() {
  FLocoForm->exec();
  FBridge->SaveStoreFile();
}

void TMainForm::Solenoidsetup1Click() {
  FSolForm->exec();
  FBridge->SaveStoreFile();
}

void TMainForm::Layout1Click() {
  if (!FLayoutForm) {
    FLayoutForm = std::make_unique<TLayoutForm>(*FBridge, this);
    FLayoutForm->SetContact = FContactSetter;
    // Closing the view by its own frame unticks the item.
    FLayoutForm->OnShownChanged = [this](bool Shown) { Layout1->setChecked(Shown); };
    FLayoutForm->move(frameGeometry().topRight() + QPoint(8, 0));
  }
  FLayoutForm->setVisible(Layout1->isChecked());
}

void TMainForm::SetLayoutContactSetter(std::function<void(int32_t Contact, bool Occupied)> Setter) {
  FContactSetter = std::move(Setter);
  if (FLayoutForm) FLayoutForm->SetContact = FContactSetter;
}

// The setup saves through its hook; a refusal or "&Cancel" writes nothing.
void TMainForm::Generalsetup1Click() { FSetupForm->Execute(); }

// ---- TBridgeUI ----

void TMainForm::AddLogLine(const std::string& Line) { Memo1->appendPlainText(Text(Line)); }
void TMainForm::ClearLog() { Memo1->clear(); }
void TMainForm::ShowLog() { Memo1->setVisible(true); }

void TMainForm::ShowMessage(const std::string& Message) {
  QMessageBox box(QMessageBox::NoIcon, windowTitle(), Text(Message), QMessageBox::Ok, this);
  box.exec();
}

void TMainForm::ShowWarning(const std::string& Message) {
  ShowStopBox(this, QString::fromLatin1(WarningTitle), Text(Message));
}

void TMainForm::ShowError(const std::string& Message) { ShowErrorBox(this, Text(Message)); }

void TMainForm::SetStatusText(TStatusPanel Panel, const std::string& Status) {
  FPanels.at(static_cast<std::size_t>(Panel))->setText(Text(Status));
}

void TMainForm::SetPowerChecked(bool Checked) { Poweron1->setChecked(Checked); }
void TMainForm::SetLogChecked(bool Checked) { Logenabled1->setChecked(Checked); }
void TMainForm::SetConnectEnabled(bool Enabled) { Connecttoserver1->setEnabled(Enabled); }

std::optional<int32_t> TMainForm::AskLocoProtocol(int32_t Address) {
  return FLearnForm->Ask(Address);
}

bool TMainForm::AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex) {
  // Made for each question, so that it starts without a choice.
  TLearnForm form(TLearnForm::lkSolenoid, this);
  form.OnChoice = [&SolLearnIndex](int32_t Item) { SolLearnIndex = Item; };
  return form.Ask(Address).has_value();
}

void TMainForm::Close() { close(); }

void TMainForm::closeEvent(QCloseEvent* Event) {
  if (!FBridge->FormCloseQuery()) {
    Event->ignore();
    return;
  }
  // The view goes with the window, so that no window keeps the program alive.
  if (FLayoutForm) FLayoutForm->hide();
  Event->accept();
}

}  // namespace tenvarra
