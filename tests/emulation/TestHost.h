#pragma once
// A stand-in for the bridge that hosts the engine: switches set by the test,
// its own device tables, learning answers chosen in advance, and a record of
// every log line and every call the engine makes. TEmulation puts it together
// with the real engine and decoder on an in-memory port, opened by the caller
// who plays the application, and a poll loop for the decoder's pairing window;
// TBasicEmulation does the same on another port and loop, also with a host
// derived from this one.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "emulation/CommandDecoder.h"
#include "emulation/LogLine.h"
#include "emulation/Tenvarra.h"
#include "emulation/TenvarraHost.h"
#include "platform/PollLoop.h"
#include "serialport/MemoryPort.h"

namespace tenvarra::test {

class TTestHost : public TTenvarraHost {
public:
  bool Handshake = true, Log = false, Learning = false, PowerFails = false;
  int32_t LocoAnswer = -1;      // the DialogProtocols entry chosen; -1 cancels
  int32_t SolenoidAnswer = -1;  // 0 Motorola, 1 NMRA; -1 cancels
  // Runs inside a learning dialog before it answers, as its event loop would.
  std::function<void()> WhileLearning;
  TCommandDecoder* Decoder = nullptr;
  const TVSPort* Port = nullptr;

  const std::unique_ptr<TMoBaSolenoidProtocol> Motorola = CreateMotorolaSolenoidProtocol();
  const std::unique_ptr<TMoBaSolenoidProtocol> Nmra = CreateNmraAccessoryProtocol();
  TLocoTable Locos;
  TSolenoidTable Solenoids;

  std::vector<std::string> LogLines, ScreenLines, Calls;
  std::vector<bool> LineAtCalls;  // the port's handshake line at each call

  // The switches and answers as set above, the known devices only, as new,
  // nothing recorded.
  void Reset() {
    Handshake = true, Log = Learning = PowerFails = false;
    LocoAnswer = SolenoidAnswer = -1;
    WhileLearning = nullptr;
    ResetDevices();
    LogLines.clear(), ScreenLines.clear(), Calls.clear(), LineAtCalls.clear();
  }
  // Loco 12 ("New Motorola (M2)") and Motorola solenoid 12, as new, and no
  // other device. Known devices that head their tables, as after every fuzz
  // input (learned ones come after them), are set back by assignment, and
  // only when they were sent: the engine sends every device it changes (a
  // change not sent would be a lost command). Making them anew, and even
  // assigning them, took a large part of each input's time.
  void ResetDevices() {
    const bool known = Locos.LocoCount() > 0 && Locos.LocoAt(0)->Address() == KnownAddress &&
                       Solenoids.SolenoidCount() > 0 && Solenoids.SolenoidAt(0)->Address() == KnownAddress;
    const int32_t kept = known ? 1 : 0;
    while (Locos.LocoCount() > kept) Locos.RemoveLoco(Locos.LocoAt(kept));
    while (Solenoids.SolenoidCount() > kept) Solenoids.RemoveSolenoid(Solenoids.SolenoidAt(kept));
    if (known) {
      if (FKnownLocoSent) Locos.LocoAt(0)->Assign(*FNewLoco);
      if (FKnownSolenoidSent) Solenoids.SolenoidAt(0)->Assign(*FNewSolenoid);
    } else {
      AddLoco(KnownAddress, KnownLocoEntry);
      AddSolenoid(KnownAddress);
    }
    FKnownLocoSent = FKnownSolenoidSent = false;
  }

  // The device added; none when its address (after the address rule) is taken.
  TMoBaAdvancedLoco* AddLoco(int32_t Address, int32_t Entry) {
    auto loco = MakeLoco(Address, Entry);
    TMoBaAdvancedLoco* added = loco.get();
    return Locos.AddLoco(loco) ? added : nullptr;
  }
  TMoBaAdvancedSolenoid* AddSolenoid(int32_t Address, bool IsNmra = false) {
    auto solenoid = MakeSolenoid(Address, IsNmra);
    TMoBaAdvancedSolenoid* added = solenoid.get();
    return Solenoids.AddSolenoid(solenoid) ? added : nullptr;
  }

  bool SerialHandshake() const override { return Handshake; }
  bool LogActive() const override { return Log; }
  bool LearningMode() const override { return Learning; }
  void WriteLog(std::string_view Text) override { LogLines.emplace_back(Text); }
  void WriteScreen(std::string_view Text) override { ScreenLines.emplace_back(Text); }
  TLocoTable& LocoTable() override { return Locos; }
  TSolenoidTable& SolenoidTable() override { return Solenoids; }

  TMoBaAdvancedLoco* LearnLoco(int32_t Address) override {
    Learn("LearnLoco ", Address);
    return LocoAnswer < 0 ? nullptr : AddLoco(Address, LocoAnswer);
  }
  TMoBaAdvancedSolenoid* LearnSolenoid(int32_t Address) override {
    Learn("LearnSolenoid ", Address);
    if (SolenoidAnswer >= 0) AddSolenoid(Address, SolenoidAnswer == 1);
    return Solenoids.FindSolenoidByAddress(Address);
  }
  void SendLoco(TMoBaAdvancedLoco& Loco) override {
    FKnownLocoSent |= Loco.Address() == KnownAddress;
    Record(TLogLine("SendLoco ") << Loco.Address());
  }
  void SendSolenoid(TMoBaAdvancedSolenoid& Solenoid) override {
    FKnownSolenoidSent |= Solenoid.Address() == KnownAddress;
    Record(TLogLine("SendSolenoid ") << Solenoid.Address());
  }
  void SwitchPower(bool On) override {
    if (PowerFails) throw std::runtime_error("not connected");
    Record(On ? "SwitchPower on" : "SwitchPower off");
  }
  void SendFeedbackBytes(int32_t Start, int32_t Count) override {
    Record(TLogLine("SendFeedbackBytes ") << Start << " " << Count);
    if (Decoder != nullptr) Decoder->SendFeedbackBytes(Start, Count);
  }

protected:
  // Keeps a call as above; a host that records otherwise overrides it.
  virtual void Record(std::string_view Call) {
    Calls.emplace_back(Call);
    if (Port != nullptr) LineAtCalls.push_back(Port->HandshakeLine());
  }

private:
  static constexpr int32_t KnownAddress = 12, KnownLocoEntry = 1;

  std::unique_ptr<TMoBaAdvancedLoco> MakeLoco(int32_t Address, int32_t Entry) const {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[Entry]);
    loco->SetAddress(Address);
    return loco;
  }
  std::unique_ptr<TMoBaAdvancedSolenoid> MakeSolenoid(int32_t Address, bool IsNmra) const {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(IsNmra ? Nmra.get() : Motorola.get());
    solenoid->SetAddress(Address);
    return solenoid;
  }

  const std::unique_ptr<TMoBaAdvancedLoco> FNewLoco = MakeLoco(KnownAddress, KnownLocoEntry);
  // Whether the known devices were sent, and so changed, since the last reset.
  bool FKnownLocoSent = false, FKnownSolenoidSent = false;
  const std::unique_ptr<TMoBaAdvancedSolenoid> FNewSolenoid = MakeSolenoid(KnownAddress, false);

  void Learn(const char* What, int32_t Address) {
    Record(TLogLine(What) << Address);
    if (WhileLearning) WhileLearning();
  }
};

// Loco 12 ("New Motorola (M2)") and Motorola solenoid 12 are known.
template <class TPort, class TLoop, class THost = TTestHost>
struct TBasicEmulation {
  TBasicEmulation() {
    Port.OnRxChar = [this](TVSPort& Sender, int32_t Count) { Decoder.VSPort1RxChar(Sender, Count); };
    Port.Open();
    Host.Decoder = &Decoder;
    Host.Port = &Port;
    Host.ResetDevices();
  }
  // As a new one, for callers that run many cases on one (the fuzz target):
  // a new engine and decoder, the host's switches and tables as at the
  // start, nothing recorded. The port must hold no byte.
  void Reset() {
    std::destroy_at(&Decoder);
    std::destroy_at(&Engine);
    Host.Reset();
    Port.Read();
    Port.SetHandshakeLine(false);
    Clear();
    std::construct_at(&Engine, Host);
    std::construct_at(&Decoder, Port, Engine, Loop);
  }
  // Forgets what earlier steps recorded.
  void Clear() {
    Host.Calls.clear();
    Host.LineAtCalls.clear();
    Host.LogLines.clear();
    Host.ScreenLines.clear();
    Port.ClearHandshakeChanges();
  }
  // What the host and the application have seen since the last Clear but
  // the replies (the port's Read).
  auto Recorded() const {
    return std::tie(Host.Calls, Host.LineAtCalls, Host.LogLines, Host.ScreenLines, Port.HandshakeChanges());
  }

  TLoop Loop;
  TPort Port;
  THost Host;
  TTenvarra Engine{Host};
  TCommandDecoder Decoder{Port, Engine, Loop};
};

using TEmulation = TBasicEmulation<TMemoryPort, TPollLoop>;

}  // namespace tenvarra::test
