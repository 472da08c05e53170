#include "srcp/DeviceGroup.h"

#include "srcp/Records.h"
#include "srcp/SRCPClient.h"

namespace tenvarra {

namespace {

// Holds a flag up for one scope, also when a network error leaves it, so a
// failed exchange cannot block every later retry.
class TFlagScope {
public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
};

// A failed GET is followed by INIT and GET again, except where the server
// made plain that the device group or the operation will not work at all.
bool RefusesGet(TSRCPMessageKind Kind) {
  return Kind == mkErrUnknownCommand || Kind == mkErrForbidden ||
         Kind == mkErrUnsupportedDeviceGroup || Kind == mkErrUnsupportedOperation;
}

}  // namespace

TSRCPBaseDeviceGroup::TSRCPBaseDeviceGroup(TSRCPDeviceGroup Group)
    : FGroup(Group), FCmd(std::make_unique<TSRCPCmd>()) {}

TSRCPBaseDeviceGroup::~TSRCPBaseDeviceGroup() {
  SetInfoClient(nullptr);
  SetCommandClient(nullptr);
}

void TSRCPBaseDeviceGroup::SetCommandClient(TSRCPCommandClient* Client) {
  if (Client == FCommandClient) return;
  if (FCommandClient) FCommandClient->RemoveFreeNotification(this);
  FCommandClient = Client;
  if (Client) Client->AddFreeNotification(this);
}

void TSRCPBaseDeviceGroup::SetInfoClient(TSRCPInfoClient* Client) {
  if (Client == FInfoClient) return;
  if (FInfoClient) {
    FInfoClient->RemoveListener(this);
    FInfoClient->RemoveFreeNotification(this);
  }
  FInfoClient = Client;
  if (Client) {
    Client->AddFreeNotification(this);
    Client->AddListener(this);
  }
}

void TSRCPBaseDeviceGroup::SessionDestroyed(TSRCPBaseClient& Session) {
  if (FCommandClient && static_cast<TSRCPBaseClient*>(FCommandClient) == &Session)
    FCommandClient = nullptr;
  if (FInfoClient && static_cast<TSRCPBaseClient*>(FInfoClient) == &Session)
    FInfoClient = nullptr;
}

bool TSRCPBaseDeviceGroup::Exchange(TSRCPMessageKind Kind) {
  TSRCPCmd& cmd = *FCmd;
  cmd.SetVersion(FCommandClient->Version());
  cmd.SetGroup(FGroup);
  cmd.SetCommand(Kind);
  cmd.Bus = FBus;
  switch (Kind) {
    case mkGet: FillGet(); break;
    case mkSet: FillSet(); break;
    case mkInit: FillInit(); break;
    case mkTerm: FillTerm(); break;
    default: break;
  }
  FCommandClient->SendCommand(cmd);
  return FCommandClient->ReadReply(cmd);
}

bool TSRCPBaseDeviceGroup::QueryState() {
  if (!FCommandClient) return false;
  if (Exchange(mkGet)) {
    if (FCmd->Group() == FGroup) {
      FDeviceState = sdsActiv;
      HandleInfo(*FCmd);
    }
    return true;
  }
  if (FInRetry || RefusesGet(FCmd->Kind())) return false;
  TFlagScope retry(FInRetry);
  SendInit();
  return QueryState();
}

void TSRCPBaseDeviceGroup::SendInit() {
  if (!FCommandClient) return;
  FDeviceState = sdsInitializing;
  bool positive = false;
  try {
    positive = Exchange(mkInit);
  } catch (...) {
    // No reply: the server has not taken the device.
    FDeviceState = sdsTerminated;
    throw;
  }
  if (positive) {
    FDeviceState = sdsInitialized;
  } else if (FCmd->Kind() == mkErrDeviceReinitialized) {
    FDeviceState = sdsInitialized;
    if (!FInRetry) {
      TFlagScope retry(FInRetry);
      QueryState();
    }
  } else {
    FDeviceState = sdsTerminated;
  }
}

bool TSRCPBaseDeviceGroup::SendSet() {
  if (!FCommandClient) return false;
  if (Exchange(mkSet)) return true;
  if (FInRetry || FCmd->Kind() != mkErrForbidden) return false;
  TFlagScope retry(FInRetry);
  TFlagScope setRetry(FSetRetry);
  QueryState();
  return SendSet();
}

void TSRCPBaseDeviceGroup::SendTerm() {
  if (!FCommandClient) return;
  FDeviceState = sdsTerminating;
  try {
    Exchange(mkTerm);
  } catch (...) {
    FDeviceState = sdsTerminated;
    throw;
  }
  FDeviceState = sdsTerminated;
}

TSRCPBaseDeviceGroup::TReportSort TSRCPBaseDeviceGroup::SortOf(const TSRCPCmd& Msg) const {
  if (Msg.Group() == FGroup) {
    if (FEventMode != semAll && Msg.Bus != FBus) return rsNone;
    switch (Msg.Kind()) {
      case mkInfoState:
      case mkInfoResult: return rsChange;
      case mkInfoInit: return rsInit;
      case mkInfoTerm: return rsTerm;
      default: return rsNone;
    }
  }
  // The session routes a lock line to the groups of the locked device; the
  // lock's bus is not tested.
  if (Msg.Group() == dgLock) {
    switch (Msg.Kind()) {
      case mkInfoState:
      case mkInfoInit:
      case mkInfoResult: return rsLock;
      case mkInfoTerm: return rsUnlock;
      default: return rsNone;
    }
  }
  return rsNone;
}

bool TSRCPBaseDeviceGroup::IsNewer(TReportSort Sort, double Timestamp) const {
  switch (Sort) {
    case rsChange: return Timestamp > FLastChangeTime;
    case rsInit:
    case rsTerm: return Timestamp > FLastInitTime;
    case rsLock:
    case rsUnlock: return Timestamp > FLastLockTime;
    case rsNone: break;
  }
  return false;
}

void TSRCPBaseDeviceGroup::HandleInfo(TSRCPCmd& Msg) {
  const TReportSort sort = SortOf(Msg);
  if (sort == rsNone) return;
  if (FEventMode == semExact && !IsNewer(sort, Msg.Timestamp)) return;
  Take(sort, Msg);
}

void TSRCPBaseDeviceGroup::Take(TReportSort Sort, TSRCPCmd& Msg) {
  switch (Sort) {
    case rsChange:
      ReadValues(Msg);
      Raise(OnChange, *this);
      break;
    case rsInit:
      FDeviceState = sdsInitialized;
      ReadInit(Msg);
      Raise(OnInit, *this);
      break;
    case rsTerm:
      FDeviceState = sdsTerminated;
      ReadTerm(Msg);
      Raise(OnTerm, *this);
      break;
    case rsLock:
      if (Msg.Kind() == mkInfoState) FLockSessionId = Msg.Lock().SessionId;
      ReadLock(Msg.Lock());
      Raise(OnLock, *this);
      break;
    case rsUnlock:
      FLockSessionId = -1;
      ReadUnlock(Msg.Lock());
      Raise(OnUnlock, *this);
      break;
    case rsNone: break;
  }
}

void TSRCPBaseDeviceGroup::Raise(const TNotifyEvent& Event, TSRCPBaseDeviceGroup& Sender) {
  // A copy, so that a handler may replace the event it runs from.
  if (TNotifyEvent handler = Event) handler(Sender);
}

void TSRCPBaseDeviceGroup::ReadValues(TSRCPCmd& Msg) { FLastChangeTime = Msg.Timestamp; }
void TSRCPBaseDeviceGroup::ReadInit(TSRCPCmd& Msg) { FLastInitTime = Msg.Timestamp; }
void TSRCPBaseDeviceGroup::ReadTerm(TSRCPCmd& Msg) { FLastInitTime = Msg.Timestamp; }
void TSRCPBaseDeviceGroup::ReadLock(TSRCPDeviceLock& Lock) { FLastLockTime = Lock.Cmd->Timestamp; }
void TSRCPBaseDeviceGroup::ReadUnlock(TSRCPDeviceLock& Lock) {
  FLastLockTime = Lock.Cmd->Timestamp;
}

// ---------------------------------------------------------------------------

int32_t TSRCPAddressedDeviceGroup::ReportAddress(const TSRCPCmd& Msg) {
  if (Msg.Group() == dgLock) return Msg.Address;
  const TSRCPBaseDevice* record = Msg.Devices(Msg.Group());
  return record && record->IsAddressed() ? Msg.Address : -1;
}

void TSRCPAddressedDeviceGroup::HandleInfo(TSRCPCmd& Msg) {
  if (EventMode() == semExact && ReportAddress(Msg) != FAddress) return;
  // Locos and accessories count from 1: a report below that names no device,
  // and taken anyway it would land on device 1.
  const bool countsFromOne = Group() == dgLoco || Group() == dgAccessoire;
  const bool aboutOwnDevice = Msg.Group() == Group() || Msg.Group() == dgLock;
  if (countsFromOne && aboutOwnDevice && Msg.Address < 1) return;
  TSRCPBaseDeviceGroup::HandleInfo(Msg);
}

void TSRCPAddressedDeviceGroup::ReadTerm(TSRCPCmd& Msg) {
  TSRCPBaseDeviceGroup::ReadTerm(Msg);
  FAddress = Msg.Address;
}

void TSRCPAddressedDeviceGroup::ReadLock(TSRCPDeviceLock& Lock) {
  TSRCPBaseDeviceGroup::ReadLock(Lock);
  FAddress = Lock.Cmd->Address;
}

void TSRCPAddressedDeviceGroup::ReadUnlock(TSRCPDeviceLock& Lock) {
  TSRCPBaseDeviceGroup::ReadUnlock(Lock);
  FAddress = Lock.Cmd->Address;
}

void TSRCPAddressedDeviceGroup::FillGet() { Cmd().Address = FAddress; }
void TSRCPAddressedDeviceGroup::FillSet() { Cmd().Address = FAddress; }
void TSRCPAddressedDeviceGroup::FillTerm() { Cmd().Address = FAddress; }
void TSRCPAddressedDeviceGroup::FillInit() { Cmd().Address = FAddress; }
void TSRCPAddressedDeviceGroup::FillExtra1() { Cmd().Address = FAddress; }
void TSRCPAddressedDeviceGroup::FillExtra2() { Cmd().Address = FAddress; }

}  // namespace tenvarra
