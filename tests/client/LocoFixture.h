#pragma once
// What the loco container tests share: a client connected to the scripted
// server whose bus 1 offers locos, a loco catalogue of the test's own, and a
// record of every loco event with what the record held when it fired.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Locos.h"
#include "devices/Catalogue.h"

namespace tenvarra::test {

inline const char* LocoStateName(TMoBaSRCPState State) {
  switch (State) {
    case mssInitialized: return "initialized";
    case mssActivNoRead: return "activ";
    case mssUninitilized: return "uninitialized";
    case mssTerminated: return "terminated";
  }
  return "?";
}

class TLocoTest : public TClientTest {
protected:
  TLocoTest() {
    FillDefaultLocoProtocols(Catalogue);
    auto note = [this](const char* What) {
      return [this, What](TMoBaSRCPClient& Sender, TMoBaSRCPLoco& Record) {
        EXPECT_EQ(&Sender, Client.get());
        Events.push_back(std::string(What) + " " + Describe(Record));
        if (OnEvent) OnEvent(Record);
      };
    };
    Client->OnLocoInit = note("init");
    Client->OnLocoTerm = note("term");
    Client->OnLocoChange = note("change");
    Client->OnLocoLock = note("lock");
    Client->OnLocoUnlock = note("unlock");
  }

  // The client goes before the catalogue its records point into, and before
  // a line still queued for it could reach the catalogue.
  ~TLocoTest() override {
    if (Client && Client->CommandClient().Connected()) ScriptTerm();
    Client.reset();
  }

  // Address, state, and what only some events change: the protocol's name,
  // drive mode, speed with its scale (and the step, which only a protocol
  // bounds), the functions, the lock.
  static std::string Describe(const TMoBaSRCPLoco& Record) {
    std::string functions;
    for (int32_t i = 0; i < Record.FunctionCount(); ++i)
      functions += Record.FunctionState(i) ? '1' : '0';
    const TMoBaBaseProtocol* protocol = Record.Protocol();
    return std::to_string(Record.Address()) + " " + LocoStateName(Record.SRCPState()) + " [" +
           (protocol ? protocol->Name : "none") + "] " + DriveModeName(Record.DriveMode()) +
           " V " + std::to_string(Record.Speed()) + "/" + std::to_string(Record.MaxSpeed()) +
           (protocol ? " step " + std::to_string(Record.SpeedStep()) : "") + " F " +
           (functions.size() > 8 ? std::to_string(functions.size()) : functions) +
           (Record.Locked() ? " locked by " + std::to_string(Record.LockID()) : "");
  }

  // Connects and lets the server describe bus 1 with locos only.
  TMoBaSRCPLocos& Bus1() {
    ConnectClient();
    if (!Push("1.000 100 INFO 1 DESCRIPTION GL")) throw std::logic_error("no description");
    TMoBaSRCPBus* bus = Client->BusByNumber(1);
    if (!bus || !bus->Locos()) throw std::logic_error("bus 1 has no locos");
    bus->Locos()->LocoClient().SetCatalogue(Catalogue);
    return *bus->Locos();
  }

  const TMoBaLocoProtocol* Protocol(const std::string& Name) const {
    for (int32_t i = 0; i < Catalogue.Count(); ++i)
      if (Catalogue.Items(i)->Name == Name) return Catalogue.Items(i);
    throw std::logic_error("no protocol " + Name);
  }

  // A loco of the device model as the emulation hands it over.
  std::unique_ptr<TMoBaAdvancedLoco> MakeLoco(const std::string& ProtocolName, int32_t Address,
                                              TMoBaDriveMode Mode, int32_t SpeedStep) const {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(Protocol(ProtocolName));
    loco->SetAddress(Address);
    loco->SetDriveMode(Mode);
    loco->SetSpeedStep(SpeedStep);
    return loco;
  }

  TMoBaLocoProtocolList Catalogue{true, &Profiles};
  std::vector<std::string> Events;
  std::function<void(TMoBaSRCPLoco&)> OnEvent;
};

}  // namespace tenvarra::test
