#pragma once
// The simulated layout: the buses of the default layout and what they hold,
// from power and model time to every loco, accessory port and feedback
// contact. Commands are checked before they get here (TSimCommands); each
// change below is applied at once, as a layout server with no hardware
// behind it would, and reported as information lines through Report.
// Loop thread only.
//
// Buses 0 to 8 match the bridge's fixed buses: 0 the server, 1 Motorola
// locos, 2 and 3 NMRA locos, 5 Motorola and 6 NMRA accessories, 8 the
// feedback contacts, every layout bus with its own power.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/SimModelClock.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSimLines;
class TSimTimers;

struct TSimLoco {
  TSRCPProtocol Protocol = prP;
  int32_t ProtocolVersion = -1;  // M and N only
  int32_t SpeedSteps = -1;       // not for A
  int32_t DriveMode = 1;         // 0 backward, 1 forward, 2 emergency stop
  int32_t Speed = 0;
  int32_t MaxSpeed = 0;
  std::vector<int32_t> Functions;  // f0 first; as many as the INIT gave
  double InitStamp = 0;
  double StateStamp = 0;
};

struct TSimAccessory {
  struct TPort {
    int32_t Value = 0;
    bool Set = false;  // reported since the INIT
    double Stamp = 0;
    uint64_t SwitchOff = 0;  // the pending switch-off's timer; 0 for none
  };
  TSRCPProtocol Protocol = prP;
  double InitStamp = 0;
  std::array<TPort, 2> Ports;
};

struct TSimBus {
  int32_t Number = 0;
  std::vector<TSRCPDeviceGroup> Groups;  // as the bus's description lists them
  std::vector<TSRCPProtocol> Protocols;  // the decoder protocols its GL or GA take
  int32_t MaxAddress = 0;                // of its locos or accessories
  bool PowerOn = false;
  double PowerStamp = 0;
  std::map<int32_t, TSimLoco> Locos;
  std::map<int32_t, TSimAccessory> Accessories;
  std::vector<uint8_t> Contacts;  // contact n at n - 1
  std::vector<double> ContactStamps;

  bool Offers(TSRCPDeviceGroup Group) const;
  bool Takes(TSRCPProtocol Protocol) const;
};

class TSimLayout {
public:
  using TReport = std::function<void(const std::string& Line)>;

  static constexpr int32_t FeedbackBus = 8;
  static constexpr int32_t ContactCount = 31 * 16;

  TSimLayout(TSimLines& Lines, TSimTimers& Timers, TReport Report);

  int32_t BusCount() const { return static_cast<int32_t>(FBuses.size()); }
  // None for a number outside the layout.
  TSimBus* Bus(int32_t Number);
  TSimModelClock& Clock() { return FClock; }

  // ---- Changes, each reported ----
  void InitLoco(TSimBus& Bus, int32_t Address, TSimLoco Loco);
  // Drive mode 2 stops the loco; fewer function values than it has keep the rest.
  void SetLoco(TSimBus& Bus, int32_t Address, int32_t DriveMode, int32_t Speed,
               int32_t MaxSpeed, const std::vector<int32_t>& Functions);
  void TermLoco(TSimBus& Bus, int32_t Address);
  void InitAccessory(TSimBus& Bus, int32_t Address, TSRCPProtocol Protocol);
  // A value other than 0 with a delay of 0 or more switches back to 0 after
  // DelayMs; a later SET of the port replaces a pending switch-off.
  void SetAccessory(TSimBus& Bus, int32_t Address, int32_t Port, int32_t Value, int32_t DelayMs);
  void TermAccessory(TSimBus& Bus, int32_t Address);
  // Reported only when the contact changes.
  void SetContact(int32_t Address, int32_t Value);
  void SetPower(TSimBus& Bus, bool On);
  // INIT and TERM of POWER, FB and TIME announce themselves with 101 and 102.
  void Announce(TSimBus& Bus, TSRCPDeviceGroup Group, TSRCPMessageKind Kind);
  void InitTime(int32_t Fx, int32_t Fy);
  void SetTime(const TSimModelTime& Time);
  void TermTime();
  // WAIT 0 TIME: Done runs once the model time reaches Time (true), or when
  // the clock is terminated first (false); always from a timer of the loop.
  // Every change of the clock looks again. Returns the wait's number, not 0.
  uint64_t WaitForTime(const TSimModelTime& Time, std::function<void(bool Reached)> Done);
  // Forgets a wait whose Done has not run; nothing for 0.
  void CancelWait(uint64_t Wait);
  // Back to the start: every loco and accessory terminated, power off,
  // contacts 0, model time gone; each change reported.
  void Reset();

  // ---- Lines ----
  std::string DescriptionLine(const TSimBus& Bus);
  std::string LocoLine(TSRCPMessageKind Kind, const TSimBus& Bus, int32_t Address);
  std::string AccessoryLine(TSRCPMessageKind Kind, const TSimBus& Bus, int32_t Address,
                            int32_t Port = -1);
  std::string ContactLine(int32_t Address);
  std::string PowerLine(const TSimBus& Bus);
  std::string TimeLine(TSRCPMessageKind Kind, bool WholeMinute = false);
  // What a new information session is told: every bus's description, then
  // every bus's devices with their INIT data and state.
  void Snapshot(std::vector<std::string>& Lines);

private:
  void AddBus(std::vector<TSRCPDeviceGroup> Groups, std::vector<TSRCPProtocol> Protocols,
              int32_t MaxAddress);
  void SwitchOff(int32_t Bus, int32_t Address, int32_t Port);
  void CancelSwitchOffs(TSimAccessory& Accessory);
  // Replaces the timer of the model clock's next minute.
  void ScheduleMinute();
  void MinuteReached();
  void CheckWaits();
  void CheckWaitAfter(uint64_t Wait, int64_t DelayMs);
  void CheckWait(uint64_t Wait);

  TSimLines& FLines;
  TSimTimers& FTimers;
  TReport FReport;
  std::vector<TSimBus> FBuses;
  TSimModelClock FClock;
  uint64_t FMinuteTimer = 0;  // 0 while the clock has no minute to wait for
  struct TTimeWait {
    int64_t ModelMs = 0;
    std::function<void(bool Reached)> Done;
    uint64_t Timer = 0;  // 0 while the clock stands still
  };
  std::map<uint64_t, TTimeWait> FTimeWaits;
  uint64_t FLastWait = 0;
};

}  // namespace tenvarra
