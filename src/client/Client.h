#pragma once
// The railway client: the one object through which the rest of the system
// talks to an SRCP server. It owns the command and the information session,
// learns the server's buses and keeps one TMoBaSRCPBus per bus; the buses'
// containers report what the server tells them through the events here, so
// a user only ever hooks events of this class.
//
// Everything runs on the main thread, the thread of the queue given to the
// constructor; the sessions hand their reports over to it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "srcp/SRCPClient.h"

namespace tenvarra {

class TIniFile;
class TMoBaProfileItem;
class TMoBaProfiles;
class TSRCPCustomDescription;
class TMainThreadQueue;
class TMoBaSRCPBus;
class TMoBaSRCPLoco;
class TMoBaSRCPSolenoid;
class TMoBaSRCPFeedback;
class TMoBaSRCPClient;

// Life state of a loco or accessory record on the server.
enum TMoBaSRCPState : uint8_t {
  mssInitialized,
  mssActivNoRead,
  mssUninitilized,
  mssTerminated
};

using TMoBaSRCPNotifyEvent = std::function<void(TMoBaSRCPClient& Sender)>;
using TMoBaSRCPBusEvent = std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPBus& ABus)>;
using TMoBaSRCPLocoEvent = std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPLoco& ALoco)>;
using TMoBaSRCPAccessoireEvent =
    std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPSolenoid& ASolenoid)>;
using TMoBaSRCPFeedbackEvent =
    std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPFeedback& AFeedback)>;

class TMoBaSRCPClient {
public:
  // The participant joins Profiles, or the process-wide store without one,
  // only while ProfileActive.
  explicit TMoBaSRCPClient(TMainThreadQueue& Queue, TMoBaProfiles* Profiles = nullptr);
  // Silences the session reports, then disconnects. Never raises.
  ~TMoBaSRCPClient();
  TMoBaSRCPClient(const TMoBaSRCPClient&) = delete;
  TMoBaSRCPClient& operator=(const TMoBaSRCPClient&) = delete;

  // ---- Properties ----
  bool AutoPowerOn() const { return FAutoPowerOn; }
  void SetAutoPowerOn(bool Value) { FAutoPowerOn = Value; }
  bool QueryServer() const { return FQueryServer; }
  void SetQueryServer(bool Value) { FQueryServer = Value; }

  bool Connected() const { return FConnectedFlag; }
  // Connects or disconnects; while Designing only the flag is stored.
  void SetConnected(bool Value);
  // A client being laid out rather than run: nothing connects.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool Value) { FDesigning = Value; }

  // Every bus's emergency stop, in list order. Nothing is kept here.
  void SetEmergencyStop(bool Value);

  // Read from the command session, written to both.
  const std::string& Host() const;
  void SetHost(std::string Host);
  int32_t Port() const;
  void SetPort(int32_t Port);
  bool LogEnabled() const;
  void SetLogEnabled(bool Enabled);

  bool ProfileActive() const;
  void SetProfileActive(bool Value);
  // The profile participant's settings file; none while it is inactive.
  TIniFile* SettingsFile() const;
  TMoBaProfileItem& ProfileItem() { return *FProfileItem; }

  int32_t SessionID() const;
  int32_t InfoSessionID() const;
  const std::string& Welcome() const;

  // The sessions' log events; the sender is the session that logs.
  const TSRCPBaseClient::TLogEvent& OnCmdLog() const;
  void SetOnCmdLog(TSRCPBaseClient::TLogEvent Handler);
  const TSRCPBaseClient::TLogEvent& OnInfoLog() const;
  void SetOnInfoLog(TSRCPBaseClient::TLogEvent Handler);

  // ---- Events (sender: this client) ----
  // At the end of a Connect that brought both sessions up.
  TMoBaSRCPNotifyEvent OnConnected;
  // Once per lost or closed connection, on the main thread.
  TMoBaSRCPNotifyEvent OnDisconnect;
  TMoBaSRCPBusEvent OnBusInit;
  TMoBaSRCPBusEvent OnBusPowerChange;
  TMoBaSRCPBusEvent OnBusConfigChange;
  TMoBaSRCPLocoEvent OnLocoInit;
  TMoBaSRCPLocoEvent OnLocoTerm;
  TMoBaSRCPLocoEvent OnLocoChange;
  TMoBaSRCPLocoEvent OnLocoLock;
  TMoBaSRCPLocoEvent OnLocoUnlock;
  TMoBaSRCPAccessoireEvent OnAccessoireInit;
  TMoBaSRCPAccessoireEvent OnAccessoireTerm;
  TMoBaSRCPAccessoireEvent OnAccessoireChange;
  TMoBaSRCPAccessoireEvent OnAccessoireLock;
  TMoBaSRCPAccessoireEvent OnAccessoireUnlock;
  TMoBaSRCPFeedbackEvent OnFeedbackInit;
  TMoBaSRCPFeedbackEvent OnFeedbackTerm;
  TMoBaSRCPFeedbackEvent OnFeedbackChange;
  TMoBaSRCPNotifyEvent OnTimeInit;
  TMoBaSRCPNotifyEvent OnTimeTerm;
  TMoBaSRCPNotifyEvent OnTimeChange;

  // ---- Operations ----
  // Command session, buses (with QueryServer), information session. Errors
  // of the connect reach the caller with the client Idle again.
  void Connect();
  // Closes both sessions and drops every bus; the first error met reaches
  // the caller after that.
  void Disconnect();

  int32_t BusCount() const { return static_cast<int32_t>(FBuses.size()); }
  // The bus at list position Index (creation order); std::out_of_range outside.
  TMoBaSRCPBus& Buses(int32_t Index) const;
  // The bus the server numbers Bus; none when it is not known.
  TMoBaSRCPBus* BusByNumber(int32_t Bus) const;

  // ---- For the buses and their containers ----
  TMainThreadQueue& Queue() const { return FQueue; }
  TSRCPCommandClient& CommandClient() { return *FCommandClient; }
  TSRCPInfoClient& InfoClient() { return *FInfoClient; }

  // An operation of a bus or container is running: a disconnect noticed
  // meanwhile leaves the buses in place until the outermost one has ended.
  // Prefer TMoBaSRCPBusyGuard.
  void BeginOperation() { ++FBusy; }
  void EndOperation() noexcept;
  bool Busy() const { return FBusy > 0; }

  // Each calls its event's handler, when there is one, with this client as
  // sender. They hold the operation guard, so a handler may disconnect.
  void DoBusInit(TMoBaSRCPBus& ABus);
  void DoBusPowerChange(TMoBaSRCPBus& ABus);
  void DoBusConfigChange(TMoBaSRCPBus& ABus);
  void DoLocoInit(TMoBaSRCPLoco& ALoco);
  void DoLocoTerm(TMoBaSRCPLoco& ALoco);
  void DoLocoChange(TMoBaSRCPLoco& ALoco);
  // OnLocoLock when the record is locked, else OnLocoUnlock.
  void DoLocoLock(TMoBaSRCPLoco& ALoco);
  void DoAccessoireInit(TMoBaSRCPSolenoid& ASolenoid);
  void DoAccessoireTerm(TMoBaSRCPSolenoid& ASolenoid);
  void DoAccessoireChange(TMoBaSRCPSolenoid& ASolenoid);
  // OnAccessoireLock when the record is locked, else OnAccessoireUnlock.
  void DoAccessoireLock(TMoBaSRCPSolenoid& ASolenoid);
  void DoFeedbackInit(TMoBaSRCPFeedback& AFeedback);
  void DoFeedbackTerm(TMoBaSRCPFeedback& AFeedback);
  void DoFeedbackChange(TMoBaSRCPFeedback& AFeedback);
  void DoTimeInit();
  void DoTimeTerm();
  void DoTimeChange();

private:
  // Both sessions' OnDisconnected.
  void SessionDisconnected();
  // The description group's OnChange.
  void DescriptionChanged();
  void QueryBuses();
  void AddBus(std::unique_ptr<TMoBaSRCPBus> Bus);
  // Takes every bus, last first, and the description group out of use;
  // they are destroyed at once, or once no operation runs any more.
  void EmptyBuses();
  // A bus that never made it into the list, destroyed with the others.
  void Retire(std::unique_ptr<TMoBaSRCPBus> Bus);
  // Closes and destroys each retired bus (saving its settings while the
  // profile is active); the first error is raised at the end.
  void DestroyRetired();
  void LoadSettings();
  void SaveSettings();

  TMainThreadQueue& FQueue;
  // Queued calls hold this weakly: a client destroyed meanwhile is not called.
  std::shared_ptr<TMoBaSRCPClient*> FSelf;
  bool FAutoPowerOn = false;
  bool FQueryServer = false;
  bool FConnectedFlag = false;
  bool FDesigning = false;
  int FBusy = 0;
  // Counts the emptyings, so a bus built meanwhile knows it is too late.
  uint64_t FEpoch = 0;
  std::vector<std::unique_ptr<TMoBaSRCPBus>> FBuses;
  std::unique_ptr<TSRCPCustomDescription> FDescriptionGroup;
  std::vector<std::unique_ptr<TMoBaSRCPBus>> FRetired;
  std::vector<std::unique_ptr<TSRCPCustomDescription>> FRetiredDescriptions;
  std::unique_ptr<TMoBaProfileItem> FProfileItem;
  std::unique_ptr<TSRCPCommandClient> FCommandClient;
  std::unique_ptr<TSRCPInfoClient> FInfoClient;
};

// Holds the client's operation guard for one scope.
class TMoBaSRCPBusyGuard {
public:
  explicit TMoBaSRCPBusyGuard(TMoBaSRCPClient& Client) : FClient(Client) {
    FClient.BeginOperation();
  }
  ~TMoBaSRCPBusyGuard() { FClient.EndOperation(); }
  TMoBaSRCPBusyGuard(const TMoBaSRCPBusyGuard&) = delete;
  TMoBaSRCPBusyGuard& operator=(const TMoBaSRCPBusyGuard&) = delete;

private:
  TMoBaSRCPClient& FClient;
};

}  // namespace tenvarra
