#include "client/AccessoireClient.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "client/LocoConversions.h"
#include "devices/Catalogue.h"
#include "srcp/Records.h"

namespace tenvarra {

namespace {

// The group's solenoid is a copy that the server's reports drive; a timer of
// the caller's would switch a port that the server switches off itself.
void DropTimerHandlers(TMoBaBaseSolenoid& Solenoid) {
  Solenoid.OnActivation = nullptr;
  Solenoid.OnActionOff = nullptr;
}

}  // namespace

TMoBaSolenoidProtocol* FindOrAddSolenoidProtocol(TMoBaSolenoidProtocolList& List,
                                                 TSRCPProtocol Protocol, int32_t Version,
                                                 int32_t Address, int32_t Bus) {
  auto candidate = std::make_unique<TMoBaSolenoidProtocol>();
  candidate->Base = ProtocolBaseOfSRCP(Protocol);
  candidate->Extension = Version;
  candidate->MaxValue = 1;
  candidate->MaxPort = 1;
  // A bus number the server makes up beyond the groups' range must not
  // throw out of a report handler.
  if (Bus >= 0 && static_cast<std::size_t>(Bus) < candidate->Groups.size())
    candidate->Groups.set(static_cast<std::size_t>(Bus));

  const int32_t wanted = std::max(Address, 1);
  for (int32_t i = 0; i < List.Count(); ++i) {
    TMoBaSolenoidProtocol* found = List.Items(i);
    if (found && found->Base == candidate->Base && found->Extension == candidate->Extension &&
        found->MaxAddress >= wanted) {
      found->Groups |= candidate->Groups;
      return found;
    }
  }

  // Reaching the reported address keeps that solenoid where it is; with the
  // default 256 alone it would land on solenoid 256, and every later report
  // for it would append yet another protocol.
  candidate->MaxAddress = std::max(candidate->MaxAddress, wanted);
  candidate->Name = "Automatic solenoid protocol";
  char desc[96];
  std::snprintf(desc, sizeof desc, "%s with %d addresses.", candidate->Name.c_str(),
                static_cast<int>(candidate->MaxAddress));
  candidate->Desc = desc;
  TMoBaSolenoidProtocol* added = candidate.get();
  List.Add(std::move(candidate));
  return added;
}

TMoBaSolenoidProtocol* FindOrAddSolenoidProtocol(TSRCPProtocol Protocol, int32_t Version,
                                                 int32_t Address, int32_t Bus) {
  return FindOrAddSolenoidProtocol(MoBaSolenoidProtocols(), Protocol, Version, Address, Bus);
}

TMoBaSRCPAccessoireClient::TMoBaSRCPAccessoireClient()
    : FSolenoid(std::make_unique<TMoBaAdvancedSolenoid>()) {}

void TMoBaSRCPAccessoireClient::SetSolenoid(const TMoBaBaseSolenoid& Value) {
  FSolenoid->Assign(Value);
  DropTimerHandlers(*FSolenoid);
}

void TMoBaSRCPAccessoireClient::ForgetProtocol() {
  if (EventMode() != semExact) FSolenoid->SetProtocol(nullptr);
}

void TMoBaSRCPAccessoireClient::ReadValues(TSRCPCmd& Msg) {
  TSRCPCustomAccessoire::ReadValues(Msg);
  // The reply to a retry's GET is the caller's own solenoid, so its protocol stays.
  if (!SetRetry()) ForgetProtocol();
  FSolenoid->SetAddress(Address());
  FSolenoid->SetPortValue(Port, Value);
}

void TMoBaSRCPAccessoireClient::ReadInit(TSRCPCmd& Msg) {
  TSRCPCustomAccessoire::ReadInit(Msg);
  FSolenoid->SetProtocol(FindOrAddSolenoidProtocol(Protocol, ProtocolVersion, Address(), Bus()));
  FSolenoid->SetAddress(Address());
}

void TMoBaSRCPAccessoireClient::ReadTerm(TSRCPCmd& Msg) {
  TSRCPCustomAccessoire::ReadTerm(Msg);
  ForgetProtocol();
  FSolenoid->SetAddress(Address());
}

void TMoBaSRCPAccessoireClient::TakeLock(bool Locked, int32_t LockID) {
  ForgetProtocol();
  FSolenoid->SetAddress(Address());
  FSolenoid->SetLocked(Locked);
  FSolenoid->SetLockID(LockID);
}

void TMoBaSRCPAccessoireClient::ReadLock(TSRCPDeviceLock& Lock) {
  TSRCPCustomAccessoire::ReadLock(Lock);
  TakeLock(true, Lock.SessionId);
}

void TMoBaSRCPAccessoireClient::ReadUnlock(TSRCPDeviceLock& Lock) {
  TSRCPCustomAccessoire::ReadUnlock(Lock);
  TakeLock(false, 0);
}

void TMoBaSRCPAccessoireClient::FillGet() {
  SetAddress(FSolenoid->Address());
  Port = FSolenoid->ActivePort();
  TSRCPCustomAccessoire::FillGet();
}

void TMoBaSRCPAccessoireClient::FillSet() {
  if (!SetRetry()) {
    FRequest.Address = FSolenoid->Address();
    FRequest.Port = FSolenoid->ActivePort();
    FRequest.Value = FSolenoid->PortValue(FRequest.Port);
    // The wire's delay is a signed number; a longer time is the longest it can say.
    constexpr auto maxDelay = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
    const uint32_t time = FSolenoid->ActivationTime();
    FRequest.Delay = static_cast<int32_t>(time > maxDelay ? maxDelay : time);
  }
  SetAddress(FRequest.Address);
  Port = FRequest.Port;
  Value = FRequest.Value;
  Delay = FRequest.Delay;
  TSRCPCustomAccessoire::FillSet();
}

void TMoBaSRCPAccessoireClient::FillTerm() {
  SetAddress(FSolenoid->Address());
  TSRCPCustomAccessoire::FillTerm();
}

void TMoBaSRCPAccessoireClient::FillInit() {
  Protocol = SRCPProtocolOf(FSolenoid->Protocol());
  ProtocolVersion = 0;
  SetAddress(FSolenoid->Address());
  TSRCPCustomAccessoire::FillInit();
}

void TMoBaSRCPAccessoireClient::FillExtra1() {
  SetAddress(FSolenoid->Address());
  TSRCPCustomAccessoire::FillExtra1();
}

void TMoBaSRCPAccessoireClient::FillExtra2() {
  SetAddress(FSolenoid->Address());
  TSRCPCustomAccessoire::FillExtra2();
}

}  // namespace tenvarra
