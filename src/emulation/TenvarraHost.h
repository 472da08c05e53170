#pragma once
// What the emulator engine and the command decoder need of the program that
// hosts them (the bridge): its switches, its log, its device tables, the
// learning dialogs and the way out to the server and to the serial port.
// The engine reaches nothing else; tests and fuzz targets host it with a
// stand-in.
//
// Everything is called on the main thread, from inside the decoder's event.

#include <cstdint>
#include <string_view>

namespace tenvarra {

class TLocoTable;
class TSolenoidTable;
class TMoBaAdvancedLoco;
class TMoBaAdvancedSolenoid;

class TTenvarraHost {
public:
  virtual ~TTenvarraHost() = default;

  // ---- Switches, asked at every command so a change counts from the next ----
  // Drive the handshake line around each command (setting "Serial Handshake").
  virtual bool SerialHandshake() const = 0;
  // The trace switch ("Log enabled").
  virtual bool LogActive() const = 0;
  // Put unknown solenoid addresses to the user.
  virtual bool LearningMode() const = 0;

  // ---- Log ----
  // A log line: on screen, and in the log file when that is on. The text
  // is the caller's: a host that keeps the line keeps a copy.
  virtual void WriteLog(std::string_view Text) = 0;
  // A line for the screen only, never for the log file.
  virtual void WriteScreen(std::string_view Text) = 0;

  // ---- Device tables ----
  virtual TLocoTable& LocoTable() = 0;
  virtual TSolenoidTable& SolenoidTable() = 0;

  // ---- Learning: may run a modal dialog, and the event loop with it ----
  // The loco learned for Address, already added to LocoTable; none when the
  // user cancelled.
  virtual TMoBaAdvancedLoco* LearnLoco(int32_t Address) = 0;
  // The solenoid with Address after the dialog, added to SolenoidTable;
  // none when the user cancelled.
  virtual TMoBaAdvancedSolenoid* LearnSolenoid(int32_t Address) = 0;

  // ---- Carrying commands out ----
  // Sends the loco's speed step, drive mode and functions to the server.
  virtual void SendLoco(TMoBaAdvancedLoco& Loco) = 0;
  // Sends the solenoid's active port, its value and the activation time.
  virtual void SendSolenoid(TMoBaAdvancedSolenoid& Solenoid) = 0;
  // Switches the power of the server's bus.
  virtual void SwitchPower(bool On) = 0;
  // Writes Count bytes of the S88 image from byte Start to the serial port
  // (TCommandDecoder::SendFeedbackBytes does it).
  virtual void SendFeedbackBytes(int32_t Start, int32_t Count) = 0;
};

}  // namespace tenvarra
