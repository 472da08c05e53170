#include "emulation/Tenvarra.h"

#include "devices/Tables.h"
#include "emulation/LogLine.h"
#include "emulation/TenvarraHost.h"

namespace tenvarra {

namespace {

constexpr uint8_t SpeedMask = 15;
constexpr uint8_t DirectionChange = 15;
constexpr uint8_t LightBit = 16;
constexpr uint8_t FunctionsBase = 64;
constexpr uint8_t SolenoidBase = 33;
constexpr uint8_t PowerOn = 96;
constexpr uint8_t AutoresetOn = 128;
constexpr uint8_t ModulesRead = 128;  // 129-159: modules 1 .. n
constexpr uint8_t ModuleRead = 192;   // 193-223: module n alone
// Address bytes run 0-255: byte 0 stands for solenoid 256.
constexpr int32_t SolenoidAddressOfZero = 256;

int32_t SolenoidAddress(uint8_t Byte) { return Byte == 0 ? SolenoidAddressOfZero : Byte; }

}  // namespace

void TTenvarra::Trace(std::string_view Text) {
  if (FHost.LogActive()) FHost.WriteLog(Text);
}

bool TTenvarra::LocoAddressInRange(uint8_t Address) {
  // Address 0 is no loco: learning it would only make a phantom loco 1.
  if (Address >= 1 && Address <= MaxLocoAddress) return true;
  Trace("Loco address out of range!!");
  return false;
}

TMoBaAdvancedLoco* TTenvarra::FindOrLearnLoco(uint8_t Address) {
  if (TMoBaAdvancedLoco* loco = FHost.LocoTable().FindLocoByAddress(Address)) return loco;
  return FHost.LearnLoco(Address);
}

void TTenvarra::HandleLoco(uint8_t Command, uint8_t Address) {
  FHost.WriteLog(TLogLine("Handling Loco with address: ") << Address);
  if (!LocoAddressInRange(Address)) return;
  TMoBaAdvancedLoco* loco = FindOrLearnLoco(Address);
  if (loco == nullptr || loco->MaxAddress() < Address) return;
  const uint8_t speed = Command & SpeedMask;
  if (speed == DirectionChange) {
    loco->SetSpeedStep(0);
    loco->SetDriveMode(loco->DriveMode() == mdmForward ? mdmBackwards : mdmForward);
  } else {
    loco->SetSpeedStep(speed);
  }
  // A loco without function 0 keeps none: the device ignores the write, and
  // the line shows what the loco now has.
  loco->SetFunctionState(0, Command >= LightBit);
  FHost.WriteScreen(TLogLine("Function of Loco ") << Address << " set to "
                                                  << (loco->FunctionState(0) ? "1" : "0"));
  FHost.SendLoco(*loco);
}

void TTenvarra::HandleFunctions(uint8_t Command, uint8_t Address) {
  FHost.WriteLog("Handling Functions");
  if (!LocoAddressInRange(Address)) return;
  TMoBaAdvancedLoco* loco = FindOrLearnLoco(Address);
  if (loco == nullptr) return;
  const int bits = Command - FunctionsBase;
  // Functions the loco does not have are left alone by the device.
  for (int function = 1; function <= 4; ++function) {
    loco->SetFunctionState(function, (bits >> (function - 1)) & 1);
  }
  FHost.SendLoco(*loco);
}

void TTenvarra::HandleSolenoid(uint8_t Command, uint8_t Address) {
  FHost.WriteLog("Handling Solenoid");
  const int32_t address = SolenoidAddress(Address);
  FLastSolenoid = address;
  TMoBaAdvancedSolenoid* solenoid = FHost.SolenoidTable().FindSolenoidByAddress(address);
  if (solenoid == nullptr) {
    if (!FHost.LearningMode()) {
      Trace(TLogLine("no data send to server for solenoid address: ") << address);
      return;
    }
    solenoid = FHost.LearnSolenoid(address);
    if (solenoid == nullptr) return;
  }
  const int32_t port = Command - SolenoidBase;
  if (port >= 0 && port <= solenoid->MaxPort()) solenoid->SetPortValue(port, 1);
  FHost.SendSolenoid(*solenoid);
}

void TTenvarra::HandleSolenoidOff(uint8_t Address) { SolenoidOff(SolenoidAddress(Address)); }

void TTenvarra::HandleLoneSolenoidOff() {
  if (FLastSolenoid != 0) SolenoidOff(FLastSolenoid);
}

void TTenvarra::SolenoidOff(int32_t Address) {
  TMoBaAdvancedSolenoid* solenoid = FHost.SolenoidTable().FindSolenoidByAddress(Address);
  if (solenoid == nullptr) return;
  const int32_t port = solenoid->ActivePort();
  if (solenoid->PortValue(port) == 1) {
    FHost.WriteLog("Handling solenoid off command.");
    solenoid->SetPortValue(port, 0);
    FHost.SendSolenoid(*solenoid);
  } else {
    FHost.WriteLog("Handling solenoid off command no timout.");
  }
}

void TTenvarra::HandleFeedbackRead(uint8_t Command) {
  int32_t modules = 0;
  int32_t firstModule = 0;  // zero-based
  if (Command > ModulesRead && Command <= ModulesRead + TS88Image::ModuleCount) {
    modules = Command - ModulesRead;
  } else if (Command > ModuleRead && Command <= ModuleRead + TS88Image::ModuleCount) {
    modules = 1;
    firstModule = Command - ModuleRead - 1;
  } else {
    return;
  }
  Trace(TLogLine("Sending data from ") << modules << " modules, starting with module " << firstModule);
  FHost.SendFeedbackBytes(2 * firstModule, 2 * modules);
}

void TTenvarra::HandleAutoreset(uint8_t Command) {
  FAutoreset = Command == AutoresetOn;
  Trace(FAutoreset ? "Autoreset changed to ON" : "Autoreset changed to OFF");
}

void TTenvarra::HandlePower(uint8_t Command) {
  FPowerState = Command == PowerOn;
  FHost.SwitchPower(FPowerState);
}

}  // namespace tenvarra
