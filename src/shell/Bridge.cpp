#include "shell/Bridge.h"

#include <sys/ioctl.h>

#include <exception>
#include <utility>

#include "client/Client.h"
#include "client/Bus.h"
#include "client/Power.h"
#include "client/SRCPFeedback.h"
#include "devices/DialogProtocols.h"
#include "emulation/CommandDecoder.h"
#include "emulation/Tenvarra.h"
#include "platform/Clock.h"
#include "serialport/PortDirectory.h"
#include "serialport/PtyPort.h"
#include "serialport/SerialPort.h"
#include "shell/StoreFile.h"
#include "srcp/SRCPCommandClient.h"
#include "srcp/SRCPInfoClient.h"

namespace tenvarra {

TBridge::TBridge(TEventLoop& Loop, TMainThreadQueue& Queue, TBridgeUI& UI, TBridgeOptions Options)
    : FLoop(Loop),
      FQueue(Queue),
      FUI(UI),
      FOptions(std::move(Options)),
      FStoreFile(FOptions.DataDir.empty() ? StoreFileName : FOptions.DataDir + "/" + StoreFileName),
      FLogFile(FOptions.DataDir, LogFileNameOfTick(TickCount32(TickCountMs()))),
      FEngine(std::make_unique<TTenvarra>(*this)),
      FLayout(FEngine->S88State(), FStore.LocoTable()),
      FClient(std::make_unique<TMoBaSRCPClient>(Queue)) {
  if (FOptions.PortDir.empty()) FOptions.PortDir = DefaultPortDirectory();
  TMoBaSRCPClient& client = *FClient;
  client.SetAutoPowerOn(false);
  client.SetHost("localhost");
  client.SetPort(12345);
  client.SetLogEnabled(true);
  client.SetProfileActive(false);
  client.CommandClient().SetReplyTimeout(FOptions.ReplyTimeoutMs);
  client.SetOnCmdLog([this](TSRCPBaseClient&, const std::string& Text) { SRCPCl1CmdLog(Text); });
  client.SetOnInfoLog([this](TSRCPBaseClient&, const std::string& Text) { SRCPCl1InfoLog(Text); });
  client.OnFeedbackChange = [this](TMoBaSRCPClient&, TMoBaSRCPFeedback& Feedback) {
    SRCPCl1FeedbackChange(Feedback);
  };
  client.OnDisconnect = [this](TMoBaSRCPClient&) { SRCPCl1Disconnect(); };
  // The layout model outlives the client, so these stay hooked to the end.
  TLayoutModel& layout = FLayout;
  client.OnConnected = [&layout](TMoBaSRCPClient&) { layout.ServerConnected(); };
  client.OnBusPowerChange = [&layout](TMoBaSRCPClient&, TMoBaSRCPBus& Bus) {
    if (Bus.Power()) layout.BusPower(Bus.Bus(), Bus.Power()->PowerOn());
  };
  client.OnLocoInit = client.OnLocoChange = [&layout](TMoBaSRCPClient&, TMoBaSRCPLoco& Loco) {
    layout.LocoReported(Loco);
  };
  client.OnLocoTerm = [&layout](TMoBaSRCPClient&, TMoBaSRCPLoco& Loco) { layout.LocoTerminated(Loco); };
  client.OnAccessoireInit = client.OnAccessoireChange = [&layout](TMoBaSRCPClient&, TMoBaSRCPSolenoid& Solenoid) {
    layout.SolenoidReported(Solenoid);
  };
  client.OnAccessoireTerm = [&layout](TMoBaSRCPClient&, TMoBaSRCPSolenoid& Solenoid) {
    layout.SolenoidTerminated(Solenoid);
  };
}

TBridge::~TBridge() {
  StopPowerTimer();
  StopReconnecting();
  if (FDropTimer != 0) FLoop.StopTimer(FDropTimer);
  if (FConnectTimer != 0) FLoop.StopTimer(FConnectTimer);
  if (FPort) {
    FPort->OnRxChar = nullptr;
    FPort->OnOpenClose = nullptr;
  }
  // The front end is going: nothing may reach it from the disconnect.
  FClient->SetOnCmdLog(nullptr);
  FClient->SetOnInfoLog(nullptr);
  FClient->OnFeedbackChange = nullptr;
  FClient->OnDisconnect = nullptr;
  try {
    FClient->Disconnect();
  } catch (const std::exception&) {
    // A server already gone cannot be told goodbye.
  }
}

void TBridge::Guarded(const std::function<void()>& Command) {
  try {
    Command();
  } catch (const std::exception& Error) {
    FUI.ShowError(Error.what());
  }
}

// ---- Start-up ----

void TBridge::FormCreate() {
  FVersion = VersionText;
  StopPowerTimer();
  SetPowerChecked(false);
  // The check mark and LogActive agree from the start: both off.
  FLogChecked = false;
  FUI.SetLogChecked(false);
  FLogActive = false;
  FStore.Settings = TSettings{};
  FStore.Settings.WriteLogFile = false;
  FStore.Settings.LearningMode = false;
  FStore.Settings.S88Modules = 8;
  FStore.Settings.SerialHandshake = true;
  try {
    // A missing file is a first start: the defaults stay and the port is provided.
    FStoreFile.Load(FStore);
  } catch (const std::exception& Error) {
    FUI.ShowError(Error.what());
    return;
  }
  AimClient();
  ProvidePort();
}

int32_t TBridge::FindFreeComNumber() const {
  return TPortDirectory(FOptions.PortDir).FindFreeComNumber();
}

bool TBridge::ProvidePort() {
  if (FPort) return true;
  const bool serial = !FOptions.SerialDevice.empty();
  try {
    std::unique_ptr<TVSPort> port;
    std::string name;
    if (serial) {
      port = OpenSerialPort();
      name = FOptions.SerialDevice.substr(FOptions.SerialDevice.rfind('/') + 1);
    } else {
      name = "COM" + std::to_string(FindFreeComNumber());
      auto pty = std::make_unique<TPtyPort>(FLoop, FOptions.PortDir);
      pty->CreatePort(name);
      pty->SetDeleteOnExit(true);
      pty->OnApplicationLines = [this](TPtyPort&, uint32_t Lines) {
        if (FLogActive)
          WriteLog(std::string("Application set DTR ") + (Lines & TIOCM_DTR ? "on" : "off") + ", RTS " +
                   (Lines & TIOCM_RTS ? "on" : "off"));
      };
      port = std::move(pty);
    }
    FDecoder = std::make_unique<TCommandDecoder>(*port, *FEngine, FLoop);
    port->OnRxChar = [this](TVSPort&, int32_t) { RxChar(); };
    port->OnOpenClose = [this](TVSPort&, bool Opened) { VSPort1OpenClose(Opened); };
    if (FStore.Settings.SerialHandshake) port->SetHandshakeLine(true);
    FPort = std::move(port);
    FPortName = name;
  } catch (const std::exception& Error) {
    FDecoder.reset();
    FPortError = Error.what();
    // Without a port no application can reach the layout: say so where it is seen.
    const std::string text = (serial ? "No serial port: " : "No virtual serial port: ") + FPortError;
    WriteLog(text);
    FUI.ShowError(text);
    return false;
  }
  const std::string providing = serial ? "Using serial port " + FOptions.SerialDevice : "Providing " + FPortName;
  WriteScreen(providing);
  SetStatus(spPort, providing);
  if (serial) {
    const auto& device = static_cast<const TSerialPort&>(*FPort);
    if (!device.HasModemLines()) WriteLog(device.NoModemLinesText());
  }
  // A serial device without modem lines counts as held from the start.
  VSPort1OpenClose(FPort->IsOpened());
  return true;
}

std::unique_ptr<TVSPort> TBridge::OpenSerialPort() {
  // The command socket is made beside the port's name: the directory must
  // be there, and the user's alone.
  TPortDirectory directory(FOptions.PortDir);
  auto port = std::make_unique<TSerialPort>(FLoop);
  port->OnNotice = [this](TSerialPort&, const std::string& Text) { WriteLog(Text); };
  port->CreatePort(FOptions.SerialDevice);
  return port;
}

void TBridge::RxChar() {
  // Each command catches its own errors; this only keeps a stray one from
  // ending the event loop.
  try {
    FDecoder->VSPort1RxChar(*FPort, FPort->InputCount());
  } catch (const std::exception& Error) {
    FUI.ShowError(Error.what());
  }
}

void TBridge::VSPort1OpenClose(bool) {
  // What the port says now, not what the event says: a close is reported
  // after the last bytes are handed over, and a dialog they open (learning)
  // runs the loop, in which the application may have opened the port again.
  const bool opened = FPort && FPort->IsOpened();
  SetStatus(spApplication, opened ? "connected" : "not connected");
  FLayout.PortHeld(opened);
}

// ---- Log ----

void TBridge::WriteLog(std::string_view Text) {
  const std::string line(Text);
  FUI.AddLogLine(line);
  if (!FStore.Settings.WriteLogFile) return;
  const std::string failure = FLogFile.Append(line);
  if (!failure.empty()) FUI.ShowError(failure);
}

void TBridge::WriteScreen(std::string_view Text) { FUI.AddLogLine(std::string(Text)); }

void TBridge::SRCPCl1CmdLog(const std::string& Text) {
  if (FStore.Settings.WriteLogFile) WriteLog("Command: " + Text);
  NoteRefusal(Text);
}

void TBridge::SRCPCl1InfoLog(const std::string& Text) {
  if (FLogActive) FUI.AddLogLine("Info: " + Text);
  if (FStore.Settings.WriteLogFile) WriteLog("Info: " + Text);
}

void TBridge::Logenabled1Click() {
  if (!FLogChecked) {
    FLogActive = true;
    FLogChecked = true;
    FUI.SetLogChecked(true);
    FUI.ShowLog();
  } else {
    FLogActive = false;
    FLogChecked = false;
    FUI.SetLogChecked(false);
  }
}

void TBridge::Clearlog1Click() { FUI.ClearLog(); }

// ---- Learning ----

TMoBaAdvancedLoco* TBridge::LearnLoco(int32_t Address) {
  const std::optional<int32_t> entry = FUI.AskLocoProtocol(Address);
  if (!entry) return nullptr;
  const TMoBaLocoProtocol* protocol = DialogProtocols()[*entry];
  if (!protocol) return nullptr;
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetAddress(Address);
  loco->SetProtocol(protocol);
  TMoBaAdvancedLoco* learned = loco.get();
  if (FStore.LocoTable().AddLoco(loco)) {
    SaveLearned();
  } else {
    FStrayLoco = std::move(loco);
  }
  return learned;
}

TMoBaAdvancedSolenoid* TBridge::LearnSolenoid(int32_t Address) {
  if (FUI.AskSolenoidProtocol(Address, FSolLearnIndex)) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetAddress(Address);
    solenoid->SetProtocol(FSolLearnIndex == 0 ? &FStore.MotorolaSolenoidProtocol()
                                              : &FStore.NmraAccessoryProtocol());
    if (FStore.SolenoidTable().AddSolenoid(solenoid)) SaveLearned();
  }
  return FStore.SolenoidTable().FindSolenoidByAddress(Address);
}

void TBridge::SaveLearned() {
  // The person's answer must outlive every way the program can end, not
  // only "Exit": a service stop, a closed window, a power cut.
  try {
    FStoreFile.Save(FStore);
  } catch (const std::exception& Error) {
    // Said once: every unknown address the application sends would say it
    // again. The device stays in its table, and the next save takes it along.
    if (!FLearnedSaveFailed) FUI.ShowError(Error.what());
    FLearnedSaveFailed = true;
  }
}

// ---- Connection ----

void TBridge::ConnecttoServer1Click() {
  StopReconnecting();
  FWantServer = FOptions.Reconnect;
  std::string reason;
  if (TryConnect(reason)) return;
  FUI.ShowError(reason);
  ConnectionDown("No connection to server: " + reason);
}

bool TBridge::TryConnect(std::string& Reason) {
  FMissingBuses.clear();
  try {
    FClient->Connect();
  } catch (const std::exception& Error) {
    Reason = Error.what();
    return false;
  }
  if (FConnectTimer != 0) FLoop.StopTimer(FConnectTimer);
  FConnectTimer = FLoop.StartTimer(ConnectSettleMs, false, [this] {
    FConnectTimer = 0;
    ConnectSettled();
  });
  return true;
}

void TBridge::ConnectSettled() {
  if (!FClient->Connected()) {
    ConnectionDown("No connection to server: the server ended the connection");
    return;
  }
  ConnectionUp();
  SetStatus(spServer, "Conncected to Server");
  SetConnectEnabled(false);
  StopPowerTimer();
  FPowerTimer = FLoop.StartTimer(PowerTimerMs, false, [this] {
    FPowerTimer = 0;
    PowerTimerTimer();
  });
}

void TBridge::Disconnectfromserver1Click() {
  StopReconnecting();
  if (FConnectTimer != 0) FLoop.StopTimer(FConnectTimer);
  FConnectTimer = 0;
  FDisconnecting = true;
  Guarded([this] { FClient->Disconnect(); });
  FDisconnecting = false;
  FLayout.ServerDisconnected();
  SetStatus(spServer, "");
  SetConnectEnabled(true);
}

void TBridge::SRCPCl1Disconnect() {
  // The window follows a connection the server ended, so the person can
  // connect again without disconnecting first.
  if (!FDisconnecting) {
    const std::string& reason = FClient->InfoClient().EndReason();
    const std::string line =
        "Connection to server lost: " + (reason.empty() ? std::string("the connection ended") : reason);
    // While reconnecting, said once per outage, not at every attempt.
    if (FWantServer)
      ConnectionDown(line);
    else
      WriteLog(line);
  }
  FLayout.ServerDisconnected();
  SetStatus(spServer, "");
  SetConnectEnabled(true);
}

void TBridge::Exit1Click() {
  // Closing after a failed save would lose what was learned this run.
  if (SaveStoreFile()) FUI.Close();
}

bool TBridge::FormCloseQuery() {
  bool may = true;
  if (FClient->Connected()) {
    FUI.ShowMessage("Please, disconnect from Server!");
    may = false;
  }
  if (FPort && FPort->IsOpened()) {
    FUI.ShowMessage("Please, close RS232 connection!");
    may = false;
  }
  return may;
}

bool TBridge::SaveStoreFile() {
  bool saved = false;
  Guarded([&] {
    FStoreFile.Save(FStore);
    saved = true;
  });
  return saved;
}

// ---- What the window shows ----

void TBridge::SetStatus(TStatusPanel Panel, const std::string& Text) {
  if (FStatus[Panel] == Text) return;
  FStatus[Panel] = Text;
  FUI.SetStatusText(Panel, Text);
}

void TBridge::SetConnectEnabled(bool Enabled) {
  if (FConnectEnabled == Enabled) return;
  FConnectEnabled = Enabled;
  FUI.SetConnectEnabled(Enabled);
}

void TBridge::SetPowerChecked(bool Checked) {
  FPowerChecked = Checked;
  FUI.SetPowerChecked(Checked);
}

void TBridge::StopPowerTimer() {
  if (FPowerTimer != 0) FLoop.StopTimer(FPowerTimer);
  FPowerTimer = 0;
}

}  // namespace tenvarra
