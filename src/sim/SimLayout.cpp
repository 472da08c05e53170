#include "sim/SimLayout.h"

#include <algorithm>
#include <utility>

#include "sim/SimLines.h"
#include "sim/SimTimers.h"
#include "srcp/Records.h"

namespace tenvarra {

namespace {

// A clock running so fast that its minutes come quicker than this is
// reported less often, so it cannot flood the information sessions.
constexpr int64_t MinMinuteMs = 10;

TSRCPDriveMode WireDriveMode(int32_t DriveMode) {
  static constexpr TSRCPDriveMode modes[] = {dmBackward, dmForward, dmEmergencyStop};
  return DriveMode >= 0 && DriveMode <= 2 ? modes[DriveMode] : dmInvalid;
}

}  // namespace

bool TSimBus::Offers(TSRCPDeviceGroup Group) const {
  return std::find(Groups.begin(), Groups.end(), Group) != Groups.end();
}

bool TSimBus::Takes(TSRCPProtocol Protocol) const {
  return std::find(Protocols.begin(), Protocols.end(), Protocol) != Protocols.end();
}

TSimLayout::TSimLayout(TSimLines& Lines, TSimTimers& Timers, TReport Report)
    : FLines(Lines), FTimers(Timers), FReport(std::move(Report)) {
  AddBus({dgSession, dgServer, dgTime}, {}, 0);
  AddBus({dgLoco, dgPower}, {prM, prP}, 255);
  AddBus({dgLoco, dgPower}, {prN, prP}, 10239);
  AddBus({dgLoco, dgPower}, {prN, prP}, 10239);
  AddBus({dgPower}, {}, 0);
  AddBus({dgAccessoire, dgPower}, {prM, prP}, 324);
  AddBus({dgAccessoire, dgPower}, {prN, prP}, 4096);
  AddBus({dgPower}, {}, 0);
  AddBus({dgFeedback, dgPower}, {}, ContactCount);
  TSimBus& feedback = FBuses[FeedbackBus];
  feedback.Contacts.assign(ContactCount, 0);
  feedback.ContactStamps.assign(ContactCount, 0.0);
}

void TSimLayout::AddBus(std::vector<TSRCPDeviceGroup> Groups,
                        std::vector<TSRCPProtocol> Protocols, int32_t MaxAddress) {
  TSimBus& bus = FBuses.emplace_back();
  bus.Number = BusCount() - 1;
  bus.Groups = std::move(Groups);
  bus.Protocols = std::move(Protocols);
  bus.MaxAddress = MaxAddress;
  bus.PowerStamp = FLines.NextStamp();
}

TSimBus* TSimLayout::Bus(int32_t Number) {
  return Number >= 0 && Number < BusCount() ? &FBuses[static_cast<std::size_t>(Number)] : nullptr;
}

// ---- Changes ----

void TSimLayout::InitLoco(TSimBus& Bus, int32_t Address, TSimLoco Loco) {
  Loco.InitStamp = Loco.StateStamp = FLines.NextStamp();
  Bus.Locos[Address] = std::move(Loco);
  FReport(LocoLine(mkInfoInit, Bus, Address));
}

void TSimLayout::SetLoco(TSimBus& Bus, int32_t Address, int32_t DriveMode, int32_t Speed,
                         int32_t MaxSpeed, const std::vector<int32_t>& Functions) {
  TSimLoco& loco = Bus.Locos.at(Address);
  loco.DriveMode = DriveMode;
  loco.Speed = DriveMode == 2 ? 0 : Speed;
  loco.MaxSpeed = MaxSpeed;
  std::copy_n(Functions.begin(), std::min(Functions.size(), loco.Functions.size()),
              loco.Functions.begin());
  loco.StateStamp = FLines.NextStamp();
  FReport(LocoLine(mkInfoState, Bus, Address));
}

void TSimLayout::TermLoco(TSimBus& Bus, int32_t Address) {
  FReport(LocoLine(mkInfoTerm, Bus, Address));
  Bus.Locos.erase(Address);
}

void TSimLayout::InitAccessory(TSimBus& Bus, int32_t Address, TSRCPProtocol Protocol) {
  if (const auto old = Bus.Accessories.find(Address); old != Bus.Accessories.end())
    CancelSwitchOffs(old->second);
  TSimAccessory& accessory = Bus.Accessories[Address] = TSimAccessory();
  accessory.Protocol = Protocol;
  accessory.InitStamp = FLines.NextStamp();
  FReport(AccessoryLine(mkInfoInit, Bus, Address));
}

void TSimLayout::SetAccessory(TSimBus& Bus, int32_t Address, int32_t Port, int32_t Value,
                              int32_t DelayMs) {
  TSimAccessory::TPort& port = Bus.Accessories.at(Address).Ports.at(static_cast<std::size_t>(Port));
  port.Value = Value;
  port.Set = true;
  port.Stamp = FLines.NextStamp();
  FTimers.Cancel(std::exchange(port.SwitchOff, 0));
  FReport(AccessoryLine(mkInfoState, Bus, Address, Port));
  if (Value != 0 && DelayMs >= 0) {
    const int32_t bus = Bus.Number;
    port.SwitchOff = FTimers.After(DelayMs, [=, this] { SwitchOff(bus, Address, Port); });
  }
}

void TSimLayout::SwitchOff(int32_t Bus, int32_t Address, int32_t Port) {
  // Terminating or initialising the accessory afresh cancels its switch-offs.
  TSimBus& bus = FBuses[static_cast<std::size_t>(Bus)];
  TSimAccessory::TPort& port = bus.Accessories.at(Address).Ports[static_cast<std::size_t>(Port)];
  port.SwitchOff = 0;
  port.Value = 0;
  port.Stamp = FLines.NextStamp();
  FReport(AccessoryLine(mkInfoState, bus, Address, Port));
}

void TSimLayout::TermAccessory(TSimBus& Bus, int32_t Address) {
  FReport(AccessoryLine(mkInfoTerm, Bus, Address));
  CancelSwitchOffs(Bus.Accessories.at(Address));
  Bus.Accessories.erase(Address);
}

void TSimLayout::CancelSwitchOffs(TSimAccessory& Accessory) {
  for (TSimAccessory::TPort& port : Accessory.Ports) FTimers.Cancel(std::exchange(port.SwitchOff, 0));
}

void TSimLayout::SetContact(int32_t Address, int32_t Value) {
  TSimBus& bus = FBuses[FeedbackBus];
  const auto i = static_cast<std::size_t>(Address - 1);
  if (bus.Contacts[i] == Value) return;
  bus.Contacts[i] = static_cast<uint8_t>(Value);
  bus.ContactStamps[i] = FLines.NextStamp();
  FReport(ContactLine(Address));
}

void TSimLayout::SetPower(TSimBus& Bus, bool On) {
  Bus.PowerOn = On;
  Bus.PowerStamp = FLines.NextStamp();
  FReport(PowerLine(Bus));
}

void TSimLayout::Announce(TSimBus& Bus, TSRCPDeviceGroup Group, TSRCPMessageKind Kind) {
  FLines.Begin(Group, Kind, FLines.NextStamp(), Bus.Number);
  FReport(FLines.Finish());
}

void TSimLayout::InitTime(int32_t Fx, int32_t Fy) {
  FClock.Init(Fx, Fy, TSimTimers::NowMs(), TSimLines::WallMs());
  FReport(TimeLine(mkInfoInit));
  FReport(TimeLine(mkInfoState));
  ScheduleMinute();
  CheckWaits();
}

void TSimLayout::SetTime(const TSimModelTime& Time) {
  FClock.Set(Time, TSimTimers::NowMs());
  FReport(TimeLine(mkInfoState));
  ScheduleMinute();
  CheckWaits();
}

void TSimLayout::TermTime() {
  FClock.Term();
  FTimers.Cancel(std::exchange(FMinuteTimer, 0));
  FReport(TimeLine(mkInfoTerm));
  CheckWaits();
}

uint64_t TSimLayout::WaitForTime(const TSimModelTime& Time, std::function<void(bool Reached)> Done) {
  const uint64_t wait = ++FLastWait;
  TTimeWait& entry = FTimeWaits[wait];
  entry.ModelMs = TSimModelClock::ModelMs(Time);
  entry.Done = std::move(Done);
  CheckWaitAfter(wait, 0);
  return wait;
}

void TSimLayout::CheckWaitAfter(uint64_t Wait, int64_t DelayMs) {
  TTimeWait& entry = FTimeWaits.at(Wait);
  FTimers.Cancel(entry.Timer);
  entry.Timer = FTimers.After(DelayMs, [this, Wait] {
    FTimeWaits.at(Wait).Timer = 0;
    CheckWait(Wait);
  });
}

void TSimLayout::CancelWait(uint64_t Wait) {
  const auto found = FTimeWaits.find(Wait);
  if (found == FTimeWaits.end()) return;
  FTimers.Cancel(found->second.Timer);
  FTimeWaits.erase(found);
}

void TSimLayout::CheckWaits() {
  // From the loop, so that no Done runs inside the command that changed the clock.
  for (const auto& [wait, entry] : FTimeWaits) CheckWaitAfter(wait, 0);
}

void TSimLayout::CheckWait(uint64_t Wait) {
  TTimeWait& entry = FTimeWaits.at(Wait);
  FTimers.Cancel(std::exchange(entry.Timer, 0));
  const int64_t left = FClock.MsUntil(entry.ModelMs, TSimTimers::NowMs());
  if (left > 0) return CheckWaitAfter(Wait, left);
  // A clock that stands still may be started again; a terminated one is gone.
  if (left < 0 && FClock.Initialised()) return;
  const std::function<void(bool)> done = std::move(entry.Done);
  FTimeWaits.erase(Wait);
  done(left == 0);
}

void TSimLayout::ScheduleMinute() {
  FTimers.Cancel(std::exchange(FMinuteTimer, 0));
  const int64_t left = FClock.MsToNextMinute(TSimTimers::NowMs());
  if (left < 0) return;
  FMinuteTimer = FTimers.After(std::max(left, MinMinuteMs), [this] {
    FMinuteTimer = 0;
    MinuteReached();
  });
}

void TSimLayout::MinuteReached() {
  // The minute that has begun, whatever seconds a late timer let pass since.
  FReport(TimeLine(mkInfoState, true));
  ScheduleMinute();
}

void TSimLayout::Reset() {
  for (TSimBus& bus : FBuses) {
    while (!bus.Locos.empty()) TermLoco(bus, bus.Locos.begin()->first);
    while (!bus.Accessories.empty()) TermAccessory(bus, bus.Accessories.begin()->first);
    if (bus.PowerOn) SetPower(bus, false);
    for (int32_t address = 1; address <= static_cast<int32_t>(bus.Contacts.size()); ++address)
      SetContact(address, 0);
  }
  if (FClock.Initialised()) TermTime();
}

// ---- Lines ----

std::string TSimLayout::DescriptionLine(const TSimBus& Bus) {
  FLines.Begin(dgDescription, mkInfoState, TSimLines::Now(), Bus.Number).Description().Groups =
      Bus.Groups;
  return FLines.Finish();
}

std::string TSimLayout::LocoLine(TSRCPMessageKind Kind, const TSimBus& Bus, int32_t Address) {
  const TSimLoco& loco = Bus.Locos.at(Address);
  const double stamp = Kind == mkInfoInit    ? loco.InitStamp
                       : Kind == mkInfoState ? loco.StateStamp
                                             : FLines.NextStamp();
  TSRCPCmd& msg = FLines.Begin(dgLoco, Kind, stamp, Bus.Number);
  msg.Address = Address;
  TSRCPDeviceLoco& record = msg.Loco();
  if (Kind == mkInfoInit) {
    record.Protocol = loco.Protocol;
    record.ProtocolVersion = loco.ProtocolVersion;
    record.SpeedSteps = loco.SpeedSteps;
    record.SetFunctionCount(static_cast<int32_t>(loco.Functions.size()));
  } else if (Kind == mkInfoState) {
    // A state line carries V and V_max in the places of the reported speed and the steps.
    record.DriveMode = WireDriveMode(loco.DriveMode);
    record.ReportedSpeed = loco.Speed;
    record.SpeedSteps = loco.MaxSpeed;
    // A loco without functions still reports an f0 of 0, as srcpd does: a
    // state line ends with at least one function value.
    record.SetFunctionCount(std::max(static_cast<int32_t>(loco.Functions.size()), 1));
    for (std::size_t i = 0; i < loco.Functions.size(); ++i)
      record.SetFunction(static_cast<int32_t>(i), loco.Functions[i]);
  }
  return FLines.Finish();
}

std::string TSimLayout::AccessoryLine(TSRCPMessageKind Kind, const TSimBus& Bus,
                                      int32_t Address, int32_t Port) {
  const TSimAccessory& accessory = Bus.Accessories.at(Address);
  const TSimAccessory::TPort* port =
      Port >= 0 ? &accessory.Ports.at(static_cast<std::size_t>(Port)) : nullptr;
  const double stamp = Kind == mkInfoInit ? accessory.InitStamp
                       : port             ? port->Stamp
                                          : FLines.NextStamp();
  TSRCPCmd& msg = FLines.Begin(dgAccessoire, Kind, stamp, Bus.Number);
  msg.Address = Address;
  msg.Accessoire().Protocol = accessory.Protocol;
  if (port) {
    msg.Accessoire().Port = Port;
    msg.Accessoire().Value = port->Value;
  }
  return FLines.Finish();
}

std::string TSimLayout::ContactLine(int32_t Address) {
  const TSimBus& bus = FBuses[FeedbackBus];
  const auto i = static_cast<std::size_t>(Address - 1);
  TSRCPCmd& msg = FLines.Begin(dgFeedback, mkInfoState, bus.ContactStamps[i], FeedbackBus);
  msg.Address = Address;
  msg.Feedback().Value = bus.Contacts[i];
  return FLines.Finish();
}

std::string TSimLayout::PowerLine(const TSimBus& Bus) {
  FLines.Begin(dgPower, mkInfoState, Bus.PowerStamp, Bus.Number).Power().PowerOn = Bus.PowerOn;
  return FLines.Finish();
}

std::string TSimLayout::TimeLine(TSRCPMessageKind Kind, bool WholeMinute) {
  TSRCPDeviceTime& record = FLines.Begin(dgTime, Kind, FLines.NextStamp(), 0).Time();
  if (Kind == mkInfoInit) {
    record.TimeFx = FClock.Fx();
    record.TimeFy = FClock.Fy();
  } else if (Kind == mkInfoState) {
    const TSimModelTime now = FClock.At(TSimTimers::NowMs());
    record.JulianDay = now.JulianDay;
    record.Hour = now.Hour;
    record.Minute = now.Minute;
    record.Second = WholeMinute ? 0 : now.Second;
  }
  return FLines.Finish();
}

void TSimLayout::Snapshot(std::vector<std::string>& Lines) {
  for (const TSimBus& bus : FBuses) Lines.push_back(DescriptionLine(bus));
  if (FClock.Initialised()) {
    Lines.push_back(TimeLine(mkInfoInit));
    Lines.push_back(TimeLine(mkInfoState));
  }
  for (const TSimBus& bus : FBuses) {
    if (bus.Offers(dgPower)) Lines.push_back(PowerLine(bus));
    for (const auto& [address, loco] : bus.Locos) {
      Lines.push_back(LocoLine(mkInfoInit, bus, address));
      Lines.push_back(LocoLine(mkInfoState, bus, address));
    }
    for (const auto& [address, accessory] : bus.Accessories) {
      Lines.push_back(AccessoryLine(mkInfoInit, bus, address));
      for (int32_t port = 0; port < static_cast<int32_t>(accessory.Ports.size()); ++port)
        if (accessory.Ports[static_cast<std::size_t>(port)].Set)
          Lines.push_back(AccessoryLine(mkInfoState, bus, address, port));
    }
    for (int32_t address = 1; address <= static_cast<int32_t>(bus.Contacts.size()); ++address)
      if (bus.Contacts[static_cast<std::size_t>(address - 1)] != 0)
        Lines.push_back(ContactLine(address));
  }
}

}  // namespace tenvarra
