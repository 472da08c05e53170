// The bridge's way out: loco, solenoid, power and feedback commands on the
// server's buses that the settings name, and the feedback replies to the
// serial port.

#include <exception>
#include <sstream>
#include <string>

#include "client/Accessoires.h"
#include "client/Bus.h"
#include "client/Client.h"
#include "client/Feedbacks.h"
#include "client/Locos.h"
#include "client/Power.h"
#include "client/SRCPFeedback.h"
#include "emulation/CommandDecoder.h"
#include "emulation/Tenvarra.h"
#include "platform/MainThreadQueue.h"
#include "shell/Bridge.h"

namespace tenvarra {

namespace {

// The bus a loco's protocol travels on; 0 for a protocol that has none.
int32_t LocoBusOf(const TMoBaAdvancedLoco& Loco, const TSettings& Settings) {
  const TMoBaLocoProtocol* protocol = Loco.LocoProtocol();
  if (!protocol) return 0;
  if (protocol->Base == MoBaBaseMotorola) return Settings.MMGLBus;
  if (protocol->Base == MoBaBaseNmra && protocol->Extension == 1) return Settings.NMRAGLSBus;
  if (protocol->Base == MoBaBaseNmra && protocol->Extension == 2) return Settings.NMRAGLLBus;
  return 0;
}

// Whether a line is one the bridge sends on its own behalf: INIT or SET of
// a loco, an accessory, feedback or power.
bool OwnCommand(const std::string& Line) {
  std::istringstream words(Line);
  std::string command, bus, group;
  words >> command >> bus >> group;
  return (command == "INIT" || command == "SET") &&
         (group == "GL" || group == "GA" || group == "FB" || group == "POWER");
}

// The reply without its time stamp when it is an error (4xx, 5xx); else empty.
std::string ErrorReply(const std::string& Line) {
  std::istringstream words(Line);
  std::string time, code;
  words >> time >> code;
  if (code.size() != 3 || (code[0] != '4' && code[0] != '5')) return {};
  std::string rest;
  std::getline(words, rest);
  return code + rest;
}

}  // namespace

TMoBaSRCPBus* TBridge::BusByNumber(int32_t Number) const {
  // By the server's number, not by list position: a server that skips a
  // number would otherwise get every later command on the wrong bus.
  return FClient->Connected() ? FClient->BusByNumber(Number) : nullptr;
}

void TBridge::ReportMissingBus(const std::string& Device, int32_t Number, const std::string& Group) {
  if (!FClient->Connected()) return;  // without a server nothing is sent, as ever
  if (!FMissingBuses.insert(Device + "/" + std::to_string(Number)).second) return;
  const std::string bus = "bus " + std::to_string(Number);
  WriteLog(Group.empty() ? Device + ": the server has no " + bus
                         : Device + ": " + bus + " of the server has no " + Group);
}

void TBridge::NoteRefusal(const std::string& Traffic) {
  if (Traffic.starts_with("Snd: ")) {
    FLastSent = Traffic.substr(5);
    return;
  }
  if (!Traffic.starts_with("Rec: ") || !OwnCommand(FLastSent)) return;
  const std::string error = ErrorReply(Traffic.substr(5));
  if (!error.empty()) WriteLog("Refused by the server: " + FLastSent + ": " + error);
}

void TBridge::SendLoco(TMoBaAdvancedLoco& Loco) {
  if (!FClient->Connected()) {
    NoteDropped();
    return;
  }
  const int32_t number = LocoBusOf(Loco, FStore.Settings);
  if (number == 0) return;
  Guarded([&] { SendLocoOnBus(Loco, number); });
}

void TBridge::SendLocoOnBus(TMoBaAdvancedLoco& Loco, int32_t Number) {
  TMoBaSRCPBus* bus = BusByNumber(Number);
  if (!bus || !bus->Locos()) {
    ReportMissingBus("Loco " + std::to_string(Loco.Address()), Number, bus ? "GL" : "");
    return;
  }
  if (bus->Locos()->FindLoco(Loco.Address())) {
    bus->Locos()->SetLoco(Loco);
    return;
  }
  bus->Locos()->InitLoco(Loco);
  // The wait serves the server's reports (so the INIT's report is in when
  // the next command comes), and a report may take the connection and its
  // buses away: the bus is looked up again afterwards. Only hand-overs run
  // meanwhile, no dialog, so the loco itself stays.
  FQueue.ServeUntil([] { return false; }, LocoInitWaitMs);
  bus = BusByNumber(Number);
  if (bus && bus->Locos()) bus->Locos()->SetLoco(Loco);
}

void TBridge::SendSolenoid(TMoBaAdvancedSolenoid& Solenoid) {
  if (FLogActive) WriteScreen("Solenoid with address: " + std::to_string(Solenoid.Address()) + " received");
  const TSettings& settings = FStore.Settings;
  const TMoBaSolenoidProtocol* protocol = Solenoid.SolenoidProtocol();
  const bool motorola = protocol && protocol->Base == MoBaBaseMotorola;
  const int32_t number = motorola ? settings.MMGABus : settings.NMRAGABus;
  Solenoid.SetActivationTime(settings.ActivationTime);
  if (!FClient->Connected()) {
    NoteDropped();
    return;
  }
  Guarded([&] {
    TMoBaSRCPBus* bus = BusByNumber(number);
    if (!bus || !bus->Accessoires()) {
      ReportMissingBus("Solenoid " + std::to_string(Solenoid.Address()), number, bus ? "GA" : "");
      return;
    }
    TMoBaSRCPAccessoires& accessoires = *bus->Accessoires();
    if (accessoires.FindSolenoid(Solenoid.Address()))
      accessoires.SetSolenoid(Solenoid);
    else
      accessoires.InitSolenoid(Solenoid);
  });
}

void TBridge::SetServerPower(bool On) {
  const int32_t number = FStore.Settings.PowerBus;
  TMoBaSRCPBus* bus = BusByNumber(number);
  if (bus && bus->Power())
    bus->Power()->SetPower(On);
  else
    ReportMissingBus("Power", number, bus ? "POWER" : "");
}

void TBridge::SwitchPower(bool On) {
  if (!FClient->Connected()) {
    NoteDropped();
    FUI.ShowMessage("not connected to server");
    return;
  }
  Guarded([&] { SetServerPower(On); });
}

void TBridge::SendFeedbackBytes(int32_t Start, int32_t Count) {
  if (FDecoder) FDecoder->SendFeedbackBytes(Start, Count);
}

void TBridge::SRCPCl1FeedbackChange(TMoBaSRCPFeedback& AFeedback) {
  const int32_t address = AFeedback.Address();
  const int32_t value = AFeedback.Value();
  if (FLogActive)
    WriteScreen("Feedback change detected: Address: " + std::to_string(address) +
                " Value: " + std::to_string(value));
  FEngine->SetContact(address, value != 0);
  FLayout.FeedbackChanged(address);
}

void TBridge::Poweron1Click() {
  SetPowerChecked(!FPowerChecked);
  Guarded([this] { SetServerPower(FPowerChecked); });
}

void TBridge::PowerTimerTimer() {
  StopPowerTimer();
  // Power on after every connect: toggling would switch it off at a second
  // connect in the same run, the mark being set from the first.
  SetPowerChecked(true);
  Guarded([this] { SetServerPower(true); });
}

void TBridge::Startfeedback1Click() {
  const std::string text = "S88 LPT1 " + std::to_string(FStore.Settings.S88Modules);
  Guarded([&] {
    const int32_t number = FStore.Settings.S88Bus;
    TMoBaSRCPBus* bus = BusByNumber(number);
    if (!bus || !bus->Feedbacks()) {
      ReportMissingBus("Feedback", number, bus ? "FB" : "");
      return;
    }
    bus->Feedbacks()->SetInitString(text);
    bus->Feedbacks()->SetEnabled(true);
    FFeedbackWanted = true;
  });
}

void TBridge::Stopfeedback1Click() {
  FFeedbackWanted = false;
  Guarded([this] {
    TMoBaSRCPBus* bus = BusByNumber(FStore.Settings.S88Bus);
    if (bus && bus->Feedbacks()) bus->Feedbacks()->SetEnabled(false);
  });
}

}  // namespace tenvarra
