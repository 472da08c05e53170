#pragma once
// The bridge: everything the main window does that is not drawing. It owns
// the settings and device tables (the store), the emulator engine with its
// decoder, the railway client SRCPCl1 and the virtual serial port; it hosts
// the engine, carries its commands out on the server, and keeps the state the
// window shows (status panels, check marks, the "Connect to Server" item).
// The person is reached only through TBridgeUI, so the window and the
// headless front end are two thin faces over one TBridge.
//
// Main thread only, the thread of the queue and of the loop. Every serial
// command and every menu command catches what the client raises, shows it
// through TBridgeUI::ShowError and goes on.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "emulation/TenvarraHost.h"
#include "platform/EventLoop.h"
#include "shell/BridgeUI.h"
#include "shell/DeviceStore.h"
#include "shell/LayoutModel.h"
#include "shell/LogFile.h"
#include "shell/StoreFile.h"

namespace tenvarra {

class TMainThreadQueue;
class TMoBaSRCPClient;
class TMoBaSRCPBus;
class TMoBaSRCPFeedback;
class TTenvarra;
class TCommandDecoder;
class TVSPort;
struct TGeneralSetupFields;

struct TBridgeOptions {
  // loco.dat and the log files.
  std::string DataDir = ".";
  // Where the COM<n> link is made, and the command socket.
  std::string PortDir;
  // How long the command session waits for a reply before it fails.
  int ReplyTimeoutMs = 10000;
  // After a connect that fails or a connection the server ends, connect
  // again, until the person disconnects.
  bool Reconnect = false;
  // A real serial device to use for the run instead of a pseudo-terminal;
  // empty: a pseudo-terminal under a free COM name.
  std::string SerialDevice = {};
};

class TBridge final : public TTenvarraHost {
public:
  static constexpr const char* VersionText = "Version 0.40";
  static constexpr const char* StoreFileName = "loco.dat";
  // After a successful connect, the power timer switches power on this late.
  static constexpr int PowerTimerMs = 3000;
  // Between Connect and looking whether it succeeded.
  static constexpr int ConnectSettleMs = 300;
  // Between a loco's INIT and its second SET.
  static constexpr int LocoInitWaitMs = 200;
  // Reconnecting: the first wait, doubled after every failed attempt up to
  // the last one.
  static constexpr int ReconnectFirstMs = 1000;
  static constexpr int ReconnectLastMs = 30000;
  // Serial commands dropped while reconnecting are counted in one log line
  // a second at most.
  static constexpr int DropReportMs = 1000;

  // Loop, Queue and UI must outlive the bridge. Nothing happens before FormCreate.
  TBridge(TEventLoop& Loop, TMainThreadQueue& Queue, TBridgeUI& UI, TBridgeOptions Options);
  // Disconnects (without saving) and gives the port up.
  ~TBridge() override;
  TBridge(const TBridge&) = delete;
  TBridge& operator=(const TBridge&) = delete;

  // ---- Start-up ----
  // Defaults, log file name, loco.dat, the client's host and port, the port.
  void FormCreate();
  // Provides the port under a free COM name, or opens the serial device of
  // the options (named after the device's file name); false when it cannot,
  // said in the log and the error box (PortError says why).
  bool ProvidePort();
  int32_t FindFreeComNumber() const;

  // ---- Menu commands ----
  void ConnecttoServer1Click();
  void Disconnectfromserver1Click();
  // Saves loco.dat, then asks the front end to close (which runs
  // FormCloseQuery); a failed save is shown and keeps the program open.
  void Exit1Click();
  void Poweron1Click();
  void Startfeedback1Click();
  void Stopfeedback1Click();
  void Logenabled1Click();
  void Clearlog1Click();
  // Whether the window may close; each refusal shows its message box.
  bool FormCloseQuery();
  // Writes loco.dat; the setup dialogs call it after a change. An error is
  // shown, and false returned.
  bool SaveStoreFile();
  // The general setup's "&Save": takes the fields back, hands host and port
  // to the client and writes loco.dat. Raises EGeneralSetupError for the
  // first bad field (nothing is taken over or written), and what the save
  // raises when loco.dat cannot be written (the fields are in force then).
  void GeneralSetupSave(const TGeneralSetupFields& Fields);
  // While the window's general setup is open, what it will write back must
  // not be changed from elsewhere: setup commands refuse to change settings.
  bool GeneralSetupOpen() const { return FGeneralSetupOpen; }
  void SetGeneralSetupOpen(bool Open) { FGeneralSetupOpen = Open; }
  // Points the client at this server for the rest of the run (--server, the
  // simulated layout), whatever the settings say; the general setup then
  // still saves host and port for the next run.
  void UseServerForRun(const std::string& Host, int32_t Port);

  // ---- Handlers of the client and the port ----
  void SRCPCl1CmdLog(const std::string& Text);
  void SRCPCl1InfoLog(const std::string& Text);
  void SRCPCl1FeedbackChange(TMoBaSRCPFeedback& AFeedback);
  void SRCPCl1Disconnect();
  void VSPort1OpenClose(bool Opened);
  void PowerTimerTimer();

  // ---- State the window shows ----
  const std::string& Version() const { return FVersion; }
  std::string Caption() const { return "Tenvarra" + FVersion; }
  const std::string& StatusText(TStatusPanel Panel) const { return FStatus[Panel]; }
  bool PowerChecked() const { return FPowerChecked; }
  bool LogChecked() const { return FLogChecked; }
  bool ConnectEnabled() const { return FConnectEnabled; }
  bool PowerTimerEnabled() const { return FPowerTimer != 0; }
  const std::string& PortName() const { return FPortName; }
  const std::string& PortDir() const { return FOptions.PortDir; }
  const std::string& PortError() const { return FPortError; }
  const std::string& LogFileName() const { return FLogFile.Name(); }
  std::string LogFilePath() const { return FLogFile.Path(); }
  const std::string& StoreFilePath() const { return FStoreFile.FileName(); }
  int32_t& SolLearnIndex() { return FSolLearnIndex; }

  TDeviceStore& Store() { return FStore; }
  TSettings& Settings() { return FStore.Settings; }
  TMoBaSRCPClient& SRCPCl1() { return *FClient; }
  TTenvarra& Engine() { return *FEngine; }
  // What the layout view shows; fed by the client's reports and the port.
  TLayoutModel& Layout() { return FLayout; }
  // None before ProvidePort succeeded.
  TVSPort* Port() const { return FPort.get(); }

  // ---- The engine's host ----
  bool SerialHandshake() const override { return FStore.Settings.SerialHandshake; }
  bool LogActive() const override { return FLogActive; }
  bool LearningMode() const override { return FStore.Settings.LearningMode; }
  void WriteLog(std::string_view Text) override;
  void WriteScreen(std::string_view Text) override;
  TLocoTable& LocoTable() override { return FStore.LocoTable(); }
  TSolenoidTable& SolenoidTable() override { return FStore.SolenoidTable(); }
  TMoBaAdvancedLoco* LearnLoco(int32_t Address) override;
  TMoBaAdvancedSolenoid* LearnSolenoid(int32_t Address) override;
  void SendLoco(TMoBaAdvancedLoco& Loco) override;
  void SendSolenoid(TMoBaAdvancedSolenoid& Solenoid) override;
  void SwitchPower(bool On) override;
  void SendFeedbackBytes(int32_t Start, int32_t Count) override;

private:
  // Points the client at the server of the run, or of the settings.
  void AimClient();
  // Runs Command; what it raises is shown in the error box.
  void Guarded(const std::function<void()>& Command);
  void SetStatus(TStatusPanel Panel, const std::string& Text);
  void SetConnectEnabled(bool Enabled);
  void SetPowerChecked(bool Checked);
  void StopPowerTimer();
  // Connects, and looks a moment later whether the handshake succeeded;
  // false with the reason when the connect raised.
  bool TryConnect(std::string& Reason);
  void ConnectSettled();
  // Reconnecting (BridgeReconnect.cpp).
  void ConnectionDown(const std::string& Line);
  void ScheduleReconnect();
  void Reconnect();
  void ConnectionUp();
  void StopReconnecting();
  // A serial command that found no server: counted while reconnecting.
  void NoteDropped();
  // The server's bus with this number, none when it has not announced it.
  TMoBaSRCPBus* BusByNumber(int32_t Number) const;
  // Says once per device and bus and connection that the server lacks the
  // bus (Group empty), or that the bus lacks Group: a command for it is
  // dropped, and a server set up with fewer buses must not drop it unseen.
  void ReportMissingBus(const std::string& Device, int32_t Number, const std::string& Group = "");
  // Shows an error reply to a command the bridge sent on its own behalf,
  // from the command session's traffic.
  void NoteRefusal(const std::string& Traffic);
  void SendLocoOnBus(TMoBaAdvancedLoco& Loco, int32_t Number);
  // Writes loco.dat right after a device was learned; a failure is shown
  // once per run.
  void SaveLearned();
  void SetServerPower(bool On);
  void RxChar();
  // The port on the options' serial device, with its notices in the log.
  std::unique_ptr<TVSPort> OpenSerialPort();

  TEventLoop& FLoop;
  TMainThreadQueue& FQueue;
  TBridgeUI& FUI;
  TBridgeOptions FOptions;

  std::string FVersion;
  TDeviceStore FStore;
  TStoreFile FStoreFile;
  TLogFile FLogFile;
  bool FLogActive = false;
  int32_t FSolLearnIndex = 0;
  // While the person's disconnect runs: the end it reports is no loss.
  bool FDisconnecting = false;
  bool FGeneralSetupOpen = false;
  // A save after learning failed and was shown.
  bool FLearnedSaveFailed = false;
  // A learned loco whose address the table already had: it serves the
  // command in hand and lives until the next one is learned.
  std::unique_ptr<TMoBaAdvancedLoco> FStrayLoco;

  std::array<std::string, 3> FStatus;
  bool FPowerChecked = false;
  bool FLogChecked = false;
  bool FConnectEnabled = true;
  TTimerId FPowerTimer = 0;
  TTimerId FConnectTimer = 0;
  // Device and bus pairs reported missing since the connect.
  std::set<std::string> FMissingBuses;
  // The command session's last line sent, for its reply.
  std::string FLastSent;
  // The server of the run (UseServerForRun); empty: the settings'.
  std::string FServerHost;
  int32_t FServerPort = 0;
  // Reconnecting: armed by a connect with the option, disarmed by a disconnect.
  bool FWantServer = false;
  // The line saying the connection is down was written; the one saying it
  // is back is owed.
  bool FServerDown = false;
  int FReconnectDelayMs = ReconnectFirstMs;
  TTimerId FReconnectTimer = 0;
  TTimerId FDropTimer = 0;
  int FDropped = 0;
  // Feedback reporting was started and not stopped: a reconnect starts it again.
  bool FFeedbackWanted = false;

  std::unique_ptr<TTenvarra> FEngine;
  // Declared before the client, whose reports it takes, so that it outlives it.
  TLayoutModel FLayout;
  std::unique_ptr<TMoBaSRCPClient> FClient;
  std::string FPortName;
  std::string FPortError;
  // Declared last: the port goes first, before the engine its events reach.
  std::unique_ptr<TVSPort> FPort;
  std::unique_ptr<TCommandDecoder> FDecoder;
};

}  // namespace tenvarra
