#pragma once
// The main window: the screen log Memo1, the status bar StatusBar1 and the
// menu bar over one TBridge, which it owns. The window only draws what the
// bridge tells it through TBridgeUI; every menu item goes straight to the
// bridge, so the window does nothing the headless front end does not.
//
// Main thread only.

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell/Bridge.h"
#include "shell/BridgeUI.h"

class QAction;
class QLabel;
class QPlainTextEdit;

namespace tenvarra {

class TLayoutForm;
class TLearnForm;
class TLocoForm;
class TSetupForm;
class TSolForm;

class TMainForm final : public QMainWindow, public TBridgeUI {
public:
  // The client area, status bar included, without the menu bar.
  static constexpr int ClientWidth = 417;
  static constexpr int ClientHeight = 245;
  // The newest lines the screen log keeps; the log file keeps everything.
  static constexpr int MaxLogLines = 10000;

  // Loop and Queue must outlive the window. The bridge is made but not
  // started: the caller runs FormCreate.
  TMainForm(TEventLoop& Loop, TMainThreadQueue& Queue, TBridgeOptions Options, QWidget* Parent = nullptr);
  ~TMainForm() override;

  // Starts the bridge (settings, loco.dat, the port) and takes its caption.
  void FormCreate();

  TBridge& Bridge() { return *FBridge; }

  // ---- Menu handlers ----
  void ConnecttoServer1Click() { FBridge->ConnecttoServer1Click(); }
  void Disconnectfromserver1Click() { FBridge->Disconnectfromserver1Click(); }
  void Exit1Click() { FBridge->Exit1Click(); }
  void Setup1Click();
  void Solenoidsetup1Click();
  void Generalsetup1Click();
  // A checkable item ticks itself; the bridge flips its mark the same way.
  void Poweron1Click() { FBridge->Poweron1Click(); }
  void Startfeedback1Click() { FBridge->Startfeedback1Click(); }
  void Stopfeedback1Click() { FBridge->Stopfeedback1Click(); }
  void Logenabled1Click() { FBridge->Logenabled1Click(); }
  void Clearlog1Click() { FBridge->Clearlog1Click(); }
  // Opens or closes the layout view, beside this window the first time.
  void Layout1Click();

  // How the layout view sets a feedback contact on the layout; given only
  // when running on the simulated layout.
  void SetLayoutContactSetter(std::function<void(int32_t Contact, bool Occupied)> Setter);
  // None before the layout view was first opened.
  TLayoutForm* LayoutForm() const { return FLayoutForm.get(); }

  // ---- TBridgeUI ----
  void AddLogLine(const std::string& Text) override;
  void ClearLog() override;
  void ShowLog() override;
  void ShowMessage(const std::string& Text) override;
  void ShowWarning(const std::string& Text) override;
  void ShowError(const std::string& Text) override;
  void SetStatusText(TStatusPanel Panel, const std::string& Text) override;
  void SetPowerChecked(bool Checked) override;
  void SetLogChecked(bool Checked) override;
  void SetConnectEnabled(bool Enabled) override;
  std::optional<int32_t> AskLocoProtocol(int32_t Address) override;
  bool AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex) override;
  void Close() override;

protected:
  // The close query: the bridge says whether the window may close.
  void closeEvent(QCloseEvent* Event) override;

private:
  void BuildMenus();
  void BuildStatusBar();
  QAction* AddItem(QMenu& Menu, const char* Name, const char* Text, void (TMainForm::*Handler)());

  QPlainTextEdit* Memo1;
  std::array<QLabel*, 3> FPanels{};
  QAction* Connecttoserver1 = nullptr;
  QAction* Poweron1 = nullptr;
  QAction* Logenabled1 = nullptr;
  QAction* Layout1 = nullptr;
  std::function<void(int32_t, bool)> FContactSetter;

  std::unique_ptr<TBridge> FBridge;
  // Made once after the bridge, whose tables they show; gone before it.
  std::unique_ptr<TSolForm> FSolForm;
  std::unique_ptr<TLocoForm> FLocoForm;
  std::unique_ptr<TSetupForm> FSetupForm;
  std::unique_ptr<TLearnForm> FLearnForm;
  std::unique_ptr<TLayoutForm> FLayoutForm;
};

}  // namespace tenvarra
