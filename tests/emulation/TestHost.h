#pragma once
// A stand-in for the bridge that hosts the engine: switches the test sets,
// its own device tables, learning answers chosen in advance, and a record
// of every log line and every call the engine makes. Feedback replies go
// through the real decoder to the port.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "emulation/CommandDecoder.h"
#include "emulation/TenvarraHost.h"
#include "serialport/VSPort.h"

namespace tenvarra::test {

class TTestHost : public TTenvarraHost {
public:
  bool Handshake = true;
  bool Log = false;
  bool Learning = false;
  // The DialogProtocols entry the loco learning dialog is answered with; -1 cancels.
  int32_t LocoAnswer = -1;
  // 0: Motorola, 1: NMRA; -1 cancels.
  int32_t SolenoidAnswer = -1;
  // Runs inside a learning dialog before it answers, as its event loop would.
  std::function<void()> WhileLearning;

  const std::unique_ptr<TMoBaSolenoidProtocol> Motorola = CreateMotorolaSolenoidProtocol();
  const std::unique_ptr<TMoBaSolenoidProtocol> Nmra = CreateNmraAccessoryProtocol();
  TLocoTable Locos;
  TSolenoidTable Solenoids;

  std::vector<std::string> LogLines;
  std::vector<std::string> ScreenLines;
  std::vector<std::string> Calls;
  // The handshake line at each Send and SwitchPower call (with a port).
  std::vector<bool> LineAtCalls;
  TCommandDecoder* Decoder = nullptr;
  const TVSPort* Port = nullptr;

  TMoBaAdvancedLoco& AddLoco(int32_t Address, int32_t Entry) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[Entry]);
    loco->SetAddress(Address);
    TMoBaAdvancedLoco* added = loco.get();
    return Locos.AddLoco(loco) ? *added : *Locos.FindLocoByAddress(Address);
  }
  TMoBaAdvancedSolenoid& AddSolenoid(int32_t Address, bool IsNmra = false) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(IsNmra ? Nmra.get() : Motorola.get());
    solenoid->SetAddress(Address);
    TMoBaAdvancedSolenoid* added = solenoid.get();
    return Solenoids.AddSolenoid(solenoid) ? *added : *Solenoids.FindSolenoidByAddress(Address);
  }

  bool SerialHandshake() const override { return Handshake; }
  bool LogActive() const override { return Log; }
  bool LearningMode() const override { return Learning; }
  void WriteLog(const std::string& Text) override { LogLines.push_back(Text); }
  void WriteScreen(const std::string& Text) override { ScreenLines.push_back(Text); }
  TLocoTable& LocoTable() override { return Locos; }
  TSolenoidTable& SolenoidTable() override { return Solenoids; }

  TMoBaAdvancedLoco* LearnLoco(int32_t Address) override {
    Record("LearnLoco " + std::to_string(Address));
    if (WhileLearning) WhileLearning();
    if (LocoAnswer < 0) return nullptr;
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[LocoAnswer]);
    loco->SetAddress(Address);
    TMoBaAdvancedLoco* learned = loco.get();
    return Locos.AddLoco(loco) ? learned : nullptr;
  }
  TMoBaAdvancedSolenoid* LearnSolenoid(int32_t Address) override {
    Record("LearnSolenoid " + std::to_string(Address));
    if (WhileLearning) WhileLearning();
    if (SolenoidAnswer >= 0) AddSolenoid(Address, SolenoidAnswer == 1);
    return Solenoids.FindSolenoidByAddress(Address);
  }

  void SendLoco(TMoBaAdvancedLoco& Loco) override { Record("SendLoco " + std::to_string(Loco.Address())); }
  void SendSolenoid(TMoBaAdvancedSolenoid& Solenoid) override {
    Record("SendSolenoid " + std::to_string(Solenoid.Address()));
  }
  void SwitchPower(bool On) override { Record(On ? "SwitchPower on" : "SwitchPower off"); }
  void SendFeedbackBytes(int32_t Start, int32_t Count) override {
    Record("SendFeedbackBytes " + std::to_string(Start) + " " + std::to_string(Count));
    if (Decoder != nullptr) Decoder->SendFeedbackBytes(Start, Count);
  }

private:
  void Record(std::string Call) {
    Calls.push_back(std::move(Call));
    if (Port != nullptr) LineAtCalls.push_back(Port->HandshakeLine());
  }
};

}  // namespace tenvarra::test
