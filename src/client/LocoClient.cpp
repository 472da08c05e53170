#include "client/LocoClient.h"

#include <algorithm>
#include <cstdio>

#include "client/LocoConversions.h"
#include "devices/Catalogue.h"
#include "srcp/Records.h"

namespace tenvarra {

namespace {

constexpr const char* AutomaticLocoName = "Automatic loco protocol";
constexpr int32_t GroupCount = static_cast<int32_t>(TMoBaGroups().size());

std::string AutomaticDescription(const TMoBaLocoProtocol& Protocol) {
  char text[256];
  std::snprintf(text, sizeof text, "%s with %d addresses, %d speed steps and %d function(s).",
                Protocol.Name.c_str(), Protocol.MaxAddress, Protocol.MaxSteps,
                Protocol.MaxFunctions);
  return text;
}

// The scale of a report's speed: V_max, which a state line carries where an
// INIT carries the speed steps and a result line in the maximum speed field.
int32_t ReportedScale(const TSRCPCustomLoco& Group, const TSRCPCmd& Msg) {
  if (Group.SpeedSteps >= 1) return Group.SpeedSteps;
  return Msg.Loco().MaxSpeed >= 1 ? Msg.Loco().MaxSpeed : 0;
}

}  // namespace

TMoBaLocoProtocol* FindOrAddLocoProtocol(TMoBaLocoProtocolList& List, TSRCPProtocol Protocol,
                                         int32_t Version, int32_t SpeedSteps, int32_t Bus,
                                         int32_t Address, int32_t FunctionCount) {
  auto candidate = std::make_unique<TMoBaLocoProtocol>();
  candidate->Base = ProtocolBaseOfSRCP(Protocol);
  candidate->Extension = std::max(Version, 0);
  candidate->MaxSteps = SpeedSteps;
  candidate->MaxFunctions = FunctionCount;
  candidate->MinSteps = 0;
  candidate->Groups.reset();
  // A server may number a bus beyond what the groups can hold; recording it
  // must not throw out of a report handler.
  if (Bus >= 0 && Bus < GroupCount) candidate->Groups.set(static_cast<std::size_t>(Bus));

  const int32_t wanted = std::max(Address, 1);
  for (int32_t i = 0; i < List.Count(); ++i) {
    TMoBaLocoProtocol* known = List.Items(i);
    if (known && known->Base == candidate->Base && known->Extension == candidate->Extension &&
        known->MaxSteps == candidate->MaxSteps && known->MaxFunctions == candidate->MaxFunctions &&
        known->MaxAddress >= wanted) {
      known->Groups |= candidate->Groups;
      return known;
    }
  }

  // Reaching the reported address keeps that loco where it is; with the
  // default 256 alone a loco above it would be moved and every later report
  // for it would append yet another protocol.
  candidate->MaxAddress = std::max(candidate->MaxAddress, wanted);
  candidate->Name = AutomaticLocoName;
  candidate->Desc = AutomaticDescription(*candidate);
  TMoBaLocoProtocol* added = candidate.get();
  List.Add(std::move(candidate));
  return added;
}

TMoBaLocoProtocol* FindOrAddLocoProtocol(TSRCPProtocol Protocol, int32_t Version,
                                         int32_t SpeedSteps, int32_t Bus, int32_t Address,
                                         int32_t FunctionCount) {
  return FindOrAddLocoProtocol(MoBaLocoProtocols(), Protocol, Version, SpeedSteps, Bus, Address,
                               FunctionCount);
}

// ---------------------------------------------------------------------------

TMoBaSRCPLocoClient::TMoBaSRCPLocoClient()
    : FLoco(std::make_unique<TMoBaAdvancedLoco>()),
      FOrder(std::make_unique<TMoBaAdvancedLoco>()),
      FCatalogue(&MoBaLocoProtocols()) {}

TMoBaSRCPLocoClient::~TMoBaSRCPLocoClient() = default;

void TMoBaSRCPLocoClient::SetLoco(const TMoBaAdvancedLoco& Value) {
  FLoco->Assign(Value);
  FOrder->Assign(Value);
}

void TMoBaSRCPLocoClient::ForgetProtocol() {
  if (EventMode() != semExact) FLoco->SetProtocol(nullptr);
}

void TMoBaSRCPLocoClient::ReadValues(TSRCPCmd& Msg) {
  TSRCPCustomLoco::ReadValues(Msg);
  // The reply to a retry's GET is the caller's own loco, so its protocol stays.
  if (!SetRetry()) ForgetProtocol();
  TMoBaAdvancedLoco& loco = *FLoco;
  loco.SetAddress(Address());
  loco.SetDriveMode(SRCPToDriveMode(DriveMode, loco.DriveMode()));
  // V counts on the report's own scale; taking it as a speed step of the
  // loco would show a loco at half speed as running at full speed as soon
  // as its protocol has fewer steps than the server's scale.
  if (const int32_t scale = ReportedScale(*this, Msg); scale >= 1) loco.SetMaxSpeed(scale);
  loco.SetSpeed(ReportedSpeed);
  loco.SetFunctionCount(FunctionCount());
  for (int32_t i = 0; i < loco.FunctionCount(); ++i) loco.SetFunctionState(i, GetFunction(i) != 0);
}

void TMoBaSRCPLocoClient::ReadInit(TSRCPCmd& Msg) {
  TSRCPCustomLoco::ReadInit(Msg);
  TMoBaLocoProtocol* protocol = FindOrAddLocoProtocol(
      *FCatalogue, Protocol, ProtocolVersion, SpeedSteps, Msg.Bus, Address(), FunctionCount());
  FLoco->SetProtocol(protocol);
  FLoco->SetAddress(Address());
  FLoco->SetFunctionCount(FunctionCount());
}

void TMoBaSRCPLocoClient::ReadTerm(TSRCPCmd& Msg) {
  TSRCPCustomLoco::ReadTerm(Msg);
  ForgetProtocol();
  FLoco->SetAddress(Address());
}

void TMoBaSRCPLocoClient::TakeLock(bool Locked, int32_t LockID) {
  ForgetProtocol();
  FLoco->SetAddress(Address());
  FLoco->SetLocked(Locked);
  FLoco->SetLockID(LockID);
}

void TMoBaSRCPLocoClient::ReadLock(TSRCPDeviceLock& Lock) {
  TSRCPCustomLoco::ReadLock(Lock);
  TakeLock(true, Lock.SessionId);
}

void TMoBaSRCPLocoClient::ReadUnlock(TSRCPDeviceLock& Lock) {
  TSRCPCustomLoco::ReadUnlock(Lock);
  TakeLock(false, 0);
}

void TMoBaSRCPLocoClient::FillGet() {
  SetAddress(FOrder->Address());
  TSRCPCustomLoco::FillGet();
}

void TMoBaSRCPLocoClient::FillSet() {
  const TMoBaAdvancedLoco& order = *FOrder;
  SetAddress(order.Address());
  DriveMode = DriveModeToSRCP(order.DriveMode(), DriveMode);
  if (order.LocoProtocol()) {
    // The decoder's own step of its own number of steps: a server that
    // scales V by V_max drives the same speed as with any other scale, and
    // one that takes V as the decoder step (ignoring V_max) drives the right
    // one too. V_max 0 would mean nothing to either.
    MaxSpeed = std::max(order.MaxSteps(), 1);
    Speed = std::clamp(order.SpeedStep(), 0, MaxSpeed);
  } else {
    // Without a decoder there are no steps to count (its limit is the
    // largest number there is): the speed goes on the scale it came with.
    Speed = order.Speed();
    MaxSpeed = order.MaxSpeed();
  }
  SetFunctionCount(order.MaxFunctions());
  const int32_t known = std::min(order.FunctionCount(), FunctionCount());
  for (int32_t i = 0; i < known; ++i) SetFunction(i, order.FunctionState(i) ? 1 : 0);
  TSRCPCustomLoco::FillSet();
}

void TMoBaSRCPLocoClient::FillTerm() {
  SetAddress(FOrder->Address());
  TSRCPCustomLoco::FillTerm();
}

void TMoBaSRCPLocoClient::FillInit() {
  const TMoBaAdvancedLoco& order = *FOrder;
  const TMoBaLocoProtocol* protocol = order.LocoProtocol();
  Protocol = SRCPProtocolOf(protocol);
  ProtocolVersion = protocol ? protocol->Extension : 0;
  SetAddress(order.Address());
  SpeedSteps = order.MaxSteps();
  SetFunctionCount(order.MaxFunctions());
  TSRCPCustomLoco::FillInit();
}

void TMoBaSRCPLocoClient::FillExtra1() {
  SetAddress(FOrder->Address());
  TSRCPCustomLoco::FillExtra1();
}

void TMoBaSRCPLocoClient::FillExtra2() {
  SetAddress(FOrder->Address());
  TSRCPCustomLoco::FillExtra2();
}

}  // namespace tenvarra
