#pragma once
// The accessories of one bus: GA commands for the device model's solenoids
// and a record of every solenoid the server reports on the bus, whose
// reports fire the client's accessory events.
//
// A solenoid sent with InitSolenoid leaves a pending copy behind; the first
// value report for its bus and address hands the copy's activation time to
// the record. The switch-off delay travels with every SET: the server switches
// the port off and reports it, no timer runs here.

#include <cstdint>
#include <memory>
#include <vector>

#include "client/AccessoireClient.h"
#include "client/SRCPSolenoid.h"

namespace tenvarra {

class TIniFile;
class TMoBaSRCPBus;
class TSRCPBaseDeviceGroup;

class TMoBaSRCPAccessoires {
public:
  static constexpr int32_t DefaultDelayTime = 200;

  // Binds the group to the client's sessions for every GA report of the bus.
  explicit TMoBaSRCPAccessoires(TMoBaSRCPBus& OwnerBus);
  // Records and pending copies go first (each list last first), then the group.
  ~TMoBaSRCPAccessoires();
  TMoBaSRCPAccessoires(const TMoBaSRCPAccessoires&) = delete;
  TMoBaSRCPAccessoires& operator=(const TMoBaSRCPAccessoires&) = delete;

  TMoBaSRCPBus& OwnerBus() const { return FOwnerBus; }
  int32_t Bus() const;
  TMoBaSRCPAccessoireClient& AccessoireClient() const { return *FAccessoireClient; }

  // The records, in the order first reported. Items raises std::out_of_range
  // outside 0 .. Count-1.
  int32_t Count() const { return static_cast<int32_t>(FRecords.size()); }
  TMoBaSRCPSolenoid& Items(int32_t Index) const;
  // The first record with Address; none when there is none.
  TMoBaSRCPSolenoid* FindSolenoid(int32_t Address) const;

  // Copies waiting for their first value report, oldest first.
  int32_t PendingCount() const { return static_cast<int32_t>(FPending.size()); }
  TMoBaSRCPSolenoid& Pending(int32_t Index) const;

  // Activation time (ms) of the records that value and INIT reports create.
  int32_t AccessoireDelayTime() const { return FAccessoireDelayTime; }
  void SetAccessoireDelayTime(int32_t Value) { FAccessoireDelayTime = Value; }

  // INIT GA, then SET GA with the active port, its value and the activation
  // time as delay. The result is the SET's; only a successful SET leaves a
  // pending copy. The caller's solenoid is copied, never kept.
  bool InitSolenoid(const TMoBaBaseSolenoid& ASolenoid);
  // SET GA only; no pending copy.
  bool SetSolenoid(const TMoBaBaseSolenoid& ASolenoid);
  // Hands the oldest pending copy of Record's bus and address its activation
  // time to Record and drops the copy.
  void TakePending(TMoBaSRCPSolenoid& Record);

  // "AccessoireDelayTime" of the bus's settings section.
  void LoadSettings(TIniFile& Settings);
  void SaveSettings(TIniFile& Settings);

private:
  // Copies ASolenoid into the group for this bus.
  void Prepare(const TMoBaBaseSolenoid& ASolenoid);
  // A record found by Address, or appended in mssTerminated. Added tells
  // whether it is new.
  TMoBaSRCPSolenoid& FindOrAdd(int32_t Address, bool& Added);
  // The group, when Sender is this container's accessory group.
  TMoBaSRCPAccessoireClient* OwnGroup(TSRCPBaseDeviceGroup& Sender) const;
  uint32_t DelayTimeForRecords() const;

  void LockChanged(TSRCPBaseDeviceGroup& Sender);
  void ValueChanged(TSRCPBaseDeviceGroup& Sender);
  void Initialized(TSRCPBaseDeviceGroup& Sender);
  void Terminated(TSRCPBaseDeviceGroup& Sender);

  TMoBaSRCPBus& FOwnerBus;
  int32_t FAccessoireDelayTime = DefaultDelayTime;
  std::unique_ptr<TMoBaSRCPAccessoireClient> FAccessoireClient;
  std::vector<std::unique_ptr<TMoBaSRCPSolenoid>> FRecords;
  std::vector<std::unique_ptr<TMoBaSRCPSolenoid>> FPending;
};

}  // namespace tenvarra
