#pragma once
// What the railway client tests share: a profile store and a loco catalogue
// of their own, a client aimed at the scripted server (Connection(0) the
// command session, Connection(1) the information one), and a record of every
// client event with what its record held when it fired.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/Accessoires.h"
#include "client/Bus.h"
#include "client/Client.h"
#include "client/Feedbacks.h"
#include "client/Locos.h"
#include "client/Power.h"
#include "client/Time.h"
#include "common/TempDir.h"
#include "devices/Catalogue.h"
#include "devices/Profiles.h"
#include "platform/NetErrors.h"
#include "srcp/SessionFixture.h"

namespace tenvarra::test {

using Strings = std::vector<std::string>;

inline const char* StateName(TMoBaSRCPState State) {
  static const char* const names[] = {"initialized", "activ", "uninitialized", "terminated"};
  return State <= mssTerminated ? names[State] : "?";
}

class TClientTest : public TSessionTest {
protected:
  static constexpr int CmdSession = 1;
  static constexpr int InfoSession = 2;

  TClientTest() {
    FillDefaultLocoProtocols(Catalogue);
    // Records point into this catalogue; earlier tests may have appended to it.
    FillDefaultSolenoidProtocols(MoBaSolenoidProtocols());
    Client->SetHost("127.0.0.1");
    Client->SetPort(Server.Port());
    Client->CommandClient().SetReplyTimeout(WaitMs);
    Client->SetLogEnabled(true);
    Client->SetOnCmdLog([this](TSRCPBaseClient&, const std::string& T) { CmdLog.push_back(T); });
    Client->SetOnInfoLog([this](TSRCPBaseClient&, const std::string& T) { InfoLog.push_back(T); });
    Client->OnDisconnect = [this](TMoBaSRCPClient& Sender) {
      ++Disconnects;
      DisconnectOnMainThread = Sender.Queue().IsMainThread();
    };
    Client->OnConnected = [this](TMoBaSRCPClient& Sender) {
      Events.push_back("connected, buses " + std::to_string(Sender.BusCount()));
    };
    Client->OnBusInit = [this](TMoBaSRCPClient&, TMoBaSRCPBus& B) {
      Events.push_back("bus " + std::to_string(B.Bus()));
    };
    Client->OnBusPowerChange = [this](TMoBaSRCPClient&, TMoBaSRCPBus& B) {
      // Inside the container's creation the bus does not hold it yet.
      Events.push_back("power " + std::to_string(B.Bus()) +
                       (!B.Power() ? " (new)" : B.Power()->PowerOn() ? " on" : " off"));
    };
    Client->OnBusConfigChange = [this](TMoBaSRCPClient&, TMoBaSRCPBus& B) {
      Events.push_back("config " + std::to_string(B.Bus()));
    };
    Note(Client->OnLocoInit, "init"), Note(Client->OnLocoTerm, "term");
    Note(Client->OnLocoChange, "change"), Note(Client->OnLocoLock, "lock");
    Note(Client->OnLocoUnlock, "unlock");
    Note(Client->OnAccessoireInit, "init"), Note(Client->OnAccessoireTerm, "term");
    Note(Client->OnAccessoireChange, "change"), Note(Client->OnAccessoireLock, "lock");
    Note(Client->OnAccessoireUnlock, "unlock");
    Note(Client->OnFeedbackInit, "init"), Note(Client->OnFeedbackTerm, "term");
    Note(Client->OnFeedbackChange, "change");
  }

  // Ends the client while the server still answers its TERM SESSION, and
  // before the catalogue its records point into.
  ~TClientTest() override {
    if (Client && Client->CommandClient().Connected()) ScriptTerm();
    Client.reset();
  }

  template <class Record>
  void Note(std::function<void(TMoBaSRCPClient&, Record&)>& Event, const char* What) {
    Event = [this, What](TMoBaSRCPClient& Sender, Record& R) {
      EXPECT_EQ(&Sender, Client.get());
      Events.push_back(std::string(What) + " " + Describe(R));
    };
  }

  // Address, state, protocol, drive mode, speed with its scale (and the
  // step, which only a protocol bounds), the functions, the lock.
  static std::string Describe(const TMoBaSRCPLoco& R) {
    std::string functions;
    for (int32_t i = 0; i < R.FunctionCount(); ++i) functions += R.FunctionState(i) ? '1' : '0';
    const TMoBaBaseProtocol* protocol = R.Protocol();
    return std::to_string(R.Address()) + " " + StateName(R.SRCPState()) + " [" +
           (protocol ? protocol->Name : "none") + "] " + DriveModeName(R.DriveMode()) + " V " +
           std::to_string(R.Speed()) + "/" + std::to_string(R.MaxSpeed()) +
           (protocol ? " step " + std::to_string(R.SpeedStep()) : "") + " F " +
           (functions.size() > 8 ? std::to_string(functions.size()) : functions) +
           (R.Locked() ? " locked by " + std::to_string(R.LockID()) : "");
  }
  static std::string Describe(const TMoBaSRCPSolenoid& R) {
    return std::to_string(R.Address()) + " ports " + std::to_string(R.PortValue(0)) + "," +
           std::to_string(R.PortValue(1)) + " active " + std::to_string(R.ActivePort()) + " " +
           StateName(R.SRCPState());
  }
  static std::string Describe(const TMoBaSRCPFeedback& R) {
    return std::to_string(R.Address()) + "=" + std::to_string(R.IsActiv()) + " bus " +
           std::to_string(R.Bus()) + (R.ChangedState() ? " changed" : "");
  }

  TScriptedConnection& Cmd() { return Server.Connection(0); }
  TScriptedConnection& Info() { return Server.Connection(1); }

  // Scripts both handshakes, connects and waits until the server has run
  // its handshake steps.
  void ConnectClient() {
    Cmd().Handshake("COMMAND", CmdSession);
    Info().Handshake("INFO", InfoSession);
    Client->Connect();
    ASSERT_TRUE(Client->Connected() && Cmd().Done() && Info().Done());
  }

  // Connects and lets the server describe bus Number; no events so far.
  TMoBaSRCPBus& Bus(int Number, const std::string& Groups) {
    ConnectClient();
    if (!Push("1.000 100 INFO " + std::to_string(Number) + " DESCRIPTION " + Groups))
      throw std::logic_error("no description");
    Events.clear();
    return *Client->BusByNumber(Number);
  }
  TMoBaSRCPLocos& Locos() {
    TMoBaSRCPLocos& locos = *Bus(1, "GL").Locos();
    locos.LocoClient().SetCatalogue(Catalogue);
    return locos;
  }

  void ScriptTerm() {
    Cmd().Expect("TERM 0 SESSION " + std::to_string(CmdSession)).Send("9.000 200 OK");
  }

  // Sends Line on the information session and serves the queue until the
  // client has taken it (it logs a line before handing it on).
  bool Push(const std::string& Line) {
    const auto seen = std::count(InfoLog.begin(), InfoLog.end(), "Rec: " + Line);
    Info().Send(Line);
    return Serve([&] { return std::count(InfoLog.begin(), InfoLog.end(), "Rec: " + Line) > seen; });
  }
  bool Push(std::initializer_list<std::string> Lines) {
    return std::all_of(Lines.begin(), Lines.end(), [this](const std::string& L) { return Push(L); });
  }
  // The lines sent on the command session, the handshake's left out.
  Strings CommandsSent() const {
    Strings sent;
    for (const std::string& line : CmdLog)
      if (line.rfind("Snd: ", 0) == 0 && line.rfind("Snd: SET PROTOCOL", 0) != 0 &&
          line.rfind("Snd: SET CONNECTIONMODE", 0) != 0 && line != "Snd: GO")
        sent.push_back(line.substr(5));
    return sent;
  }
  std::unique_ptr<TMoBaAdvancedLoco> MakeLoco(const std::string& ProtocolName, int32_t Address,
                                              TMoBaDriveMode Mode, int32_t SpeedStep) const {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    for (int32_t i = 0; i < Catalogue.Count(); ++i)
      if (Catalogue.Items(i)->Name == ProtocolName) loco->SetProtocol(Catalogue.Items(i));
    if (!loco->Protocol()) throw std::logic_error("no protocol " + ProtocolName);
    loco->SetAddress(Address);
    loco->SetDriveMode(Mode), loco->SetSpeedStep(SpeedStep);
    return loco;
  }

  TTempDir ProfileDir;
  TMoBaProfiles Profiles{ProfileDir.Path()};
  TMoBaLocoProtocolList Catalogue{true, &Profiles};
  std::unique_ptr<TMoBaSRCPClient> Client = std::make_unique<TMoBaSRCPClient>(Queue, &Profiles);

  Strings CmdLog, InfoLog, Events;
  int Disconnects = 0;
  bool DisconnectOnMainThread = false;
};

}  // namespace tenvarra::test
