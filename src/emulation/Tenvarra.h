#pragma once
// The emulator engine: carries out the 605x commands that the decoder cuts
// from the serial stream. Loco and solenoid commands change the devices in
// the host's tables and let the host send them; feedback reads are answered
// from the S88 image, which follows the server's contact reports.
//
// Main thread only. An operation that cannot be carried out drops the
// command; at most a log line says why.

#include <cstdint>
#include <string_view>

#include "emulation/S88Image.h"

namespace tenvarra {

class TTenvarraHost;
class TMoBaAdvancedLoco;

class TTenvarra {
public:
  // The highest address a loco command may carry.
  static constexpr int32_t MaxLocoAddress = 80;

  // The host must outlive the engine.
  explicit TTenvarra(TTenvarraHost& Host) : FHost(Host) {}
  TTenvarra(const TTenvarra&) = delete;
  TTenvarra& operator=(const TTenvarra&) = delete;

  TTenvarraHost& Host() const { return FHost; }

  // 0-31, address: speed 0-14 in bits 0-3 (15: change direction), function
  // 0 (the light) in bit 4.
  void HandleLoco(uint8_t Command, uint8_t Address);
  // 64-79, address: functions 1-4 in bits 0-3 of Command - 64.
  void HandleFunctions(uint8_t Command, uint8_t Address);
  // 33 (port 0) or 34 (port 1), address: switch the port on. Address byte 0
  // is solenoid 256, as hosts send it.
  void HandleSolenoid(uint8_t Command, uint8_t Address);
  // 32, address: switch the port set last off again.
  void HandleSolenoidOff(uint8_t Address);
  // 32 alone: switch off the solenoid that the last 33/34 switched on;
  // nothing when none was switched yet.
  void HandleLoneSolenoidOff();
  // 129-159: modules 1 to Command - 128; 193-223: module Command - 192.
  void HandleFeedbackRead(uint8_t Command);
  // 128: autoreset on; 192: off.
  void HandleAutoreset(uint8_t Command);
  // 96: power on; 97: off.
  void HandlePower(uint8_t Command);

  // A contact report from the server; contacts outside 1 .. 496 are ignored.
  void SetContact(int32_t Contact, bool Active) { FS88State.SetContact(Contact, Active); }
  // The image byte, 0 outside 0 .. 61.
  uint8_t S88Byte(int32_t Index) const { return FS88State.Byte(Index); }
  const TS88Image& S88State() const { return FS88State; }

  bool Autoreset() const { return FAutoreset; }
  bool PowerState() const { return FPowerState; }

private:
  // The loco with Address, learned when the table does not know it.
  TMoBaAdvancedLoco* FindOrLearnLoco(uint8_t Address);
  // Stops at an address no loco can have, saying so when tracing.
  bool LocoAddressInRange(uint8_t Address);
  void SolenoidOff(int32_t Address);
  // A log line written only when tracing.
  void Trace(std::string_view Text);

  TTenvarraHost& FHost;
  TS88Image FS88State;
  bool FAutoreset = true;
  bool FPowerState = false;
  // The solenoid the last 33/34 command was for; 0 before the first.
  int32_t FLastSolenoid = 0;
};

}  // namespace tenvarra
