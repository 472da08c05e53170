#pragma once
// A device group stands for one SRCP device (or every device of a group) on
// one bus. It sends the device's GET, INIT, SET and TERM on a command session
// and reads each reply at once; it takes the device's reports from an
// information session, filtered by bus, address and age, keeps the reported
// values and raises its events. Derived groups say how their values go into
// and come out of the message's device record.
//
// Groups and sessions refer to each other without owning: a group registers
// with the sessions it is bound to, and whichever goes first clears the
// other's reference. Everything here runs on the main thread.

#include <cstdint>
#include <functional>
#include <memory>

#include "srcp/SRCPCmd.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSRCPBaseClient;
class TSRCPCommandClient;
class TSRCPInfoClient;
class TSRCPDeviceLock;

// Life state of the device on the server.
enum TSRCPDeviceState : uint8_t {
  sdsInitializing,
  sdsInitialized,
  sdsActiv,
  sdsTerminating,
  sdsTerminated
};

// Which reports a group takes: semExact only its bus, its address (addressed
// groups) and reports newer than the last one of their sort; semBus every
// device of its group on its bus; semAll every device of its group.
enum TSRCPEventMode : uint8_t { semExact, semBus, semAll };

class TSRCPBaseDeviceGroup {
public:
  using TNotifyEvent = std::function<void(TSRCPBaseDeviceGroup& Sender)>;

  // Raised after a report was taken and the group's values are up to date.
  TNotifyEvent OnChange;
  TNotifyEvent OnInit;
  TNotifyEvent OnTerm;
  TNotifyEvent OnLock;
  TNotifyEvent OnUnlock;

  // Unbinds from both sessions.
  virtual ~TSRCPBaseDeviceGroup();
  TSRCPBaseDeviceGroup(const TSRCPBaseDeviceGroup&) = delete;
  TSRCPBaseDeviceGroup& operator=(const TSRCPBaseDeviceGroup&) = delete;

  TSRCPDeviceGroup Group() const { return FGroup; }
  int32_t Bus() const { return FBus; }
  void SetBus(int32_t Bus) { FBus = Bus; }
  TSRCPEventMode EventMode() const { return FEventMode; }
  void SetEventMode(TSRCPEventMode Mode) { FEventMode = Mode; }
  TSRCPDeviceState DeviceState() const { return FDeviceState; }

  TSRCPCommandClient* CommandClient() const { return FCommandClient; }
  // Registers for the session's destruction notice and drops the old one's.
  void SetCommandClient(TSRCPCommandClient* Client);
  TSRCPInfoClient* InfoClient() const { return FInfoClient; }
  // Leaves the old session's listeners, joins the new one's.
  void SetInfoClient(TSRCPInfoClient* Client);
  // Called by a session that goes away: forget every reference to it.
  void SessionDestroyed(TSRCPBaseClient& Session);

  // The session holding a lock on the device; -1 when unlocked.
  int32_t LockSessionId() const { return FLockSessionId; }
  // Time stamps of the last reports taken, by sort.
  double LastChangeTime() const { return FLastChangeTime; }
  double LastInitTime() const { return FLastInitTime; }
  double LastLockTime() const { return FLastLockTime; }
  // True while an automatic repetition runs, so that none nests.
  bool InRetry() const { return FInRetry; }
  // True while a SET is repeated after a "forbidden" reply.
  bool SetRetry() const { return FSetRetry; }

  // The message of every command of this group; after an operation it holds
  // the reply, error kind included.
  TSRCPCmd& Cmd() { return *FCmd; }
  const TSRCPCmd& Cmd() const { return *FCmd; }

  // The four commands. Without a command session they do nothing and the
  // boolean ones give false. Network errors reach the caller. A handler may
  // destroy the group from a report's event, but not while one of these runs.
  // GET; a positive reply of this group is taken like a report. A failure
  // other than 410, 415, 422 or 423 runs one INIT and one more GET.
  bool QueryState();
  // INIT; a 424 reply runs one GET.
  void SendInit();
  // SET; a 415 reply runs one GET and one more SET.
  bool SendSet();
  // TERM; ends in sdsTerminated whatever the reply.
  void SendTerm();

  // Filters and takes a report (an information line or a GET reply).
  virtual void HandleInfo(TSRCPCmd& Msg);

protected:
  explicit TSRCPBaseDeviceGroup(TSRCPDeviceGroup Group);

  // Readers take a report's values into the group; every override calls its
  // base first. The base ones store the report's time stamp.
  virtual void ReadValues(TSRCPCmd& Msg);
  virtual void ReadInit(TSRCPCmd& Msg);
  virtual void ReadTerm(TSRCPCmd& Msg);
  virtual void ReadLock(TSRCPDeviceLock& Lock);
  virtual void ReadUnlock(TSRCPDeviceLock& Lock);

  // Fillers put the group's values into Cmd() before a command goes out.
  virtual void FillGet() = 0;
  virtual void FillSet() = 0;
  virtual void FillTerm() = 0;
  virtual void FillInit() = 0;
  // No operation of the system sends these; derived groups may.
  virtual void FillExtra1() = 0;
  virtual void FillExtra2() = 0;

private:
  enum TReportSort : uint8_t { rsNone, rsChange, rsInit, rsTerm, rsLock, rsUnlock };

  TReportSort SortOf(const TSRCPCmd& Msg) const;
  bool IsNewer(TReportSort Sort, double Timestamp) const;
  void Take(TReportSort Sort, TSRCPCmd& Msg);
  // Prepares Cmd for Kind, fills it, sends it and reads the reply.
  bool Exchange(TSRCPMessageKind Kind);
  static void Raise(const TNotifyEvent& Event, TSRCPBaseDeviceGroup& Sender);

  const TSRCPDeviceGroup FGroup;
  std::unique_ptr<TSRCPCmd> FCmd;
  TSRCPCommandClient* FCommandClient = nullptr;  // not owned
  TSRCPInfoClient* FInfoClient = nullptr;        // not owned
  TSRCPDeviceState FDeviceState = sdsTerminated;
  int32_t FBus = 0;
  TSRCPEventMode FEventMode = semExact;
  bool FInRetry = false;
  bool FSetRetry = false;
  int32_t FLockSessionId = -1;
  double FLastChangeTime = 0;
  double FLastInitTime = 0;
  double FLastLockTime = 0;
};

// A group of one addressed device (loco, accessory decoder, feedback contact).
class TSRCPAddressedDeviceGroup : public TSRCPBaseDeviceGroup {
public:
  int32_t Address() const { return FAddress; }
  void SetAddress(int32_t Address) { FAddress = Address; }

  // With semExact, reports for another address are dropped first; loco and
  // accessory reports for an address below 1 always.
  void HandleInfo(TSRCPCmd& Msg) override;

protected:
  using TSRCPBaseDeviceGroup::TSRCPBaseDeviceGroup;

  // The address a report speaks of; -1 when its record has none.
  static int32_t ReportAddress(const TSRCPCmd& Msg);

  // A term or a lock report names the device it ended or locked.
  void ReadTerm(TSRCPCmd& Msg) override;
  void ReadLock(TSRCPDeviceLock& Lock) override;
  void ReadUnlock(TSRCPDeviceLock& Lock) override;

  // Each puts the group's Address into Cmd().
  void FillGet() override;
  void FillSet() override;
  void FillTerm() override;
  void FillInit() override;
  void FillExtra1() override;
  void FillExtra2() override;

private:
  int32_t FAddress = 0;
};

}  // namespace tenvarra
