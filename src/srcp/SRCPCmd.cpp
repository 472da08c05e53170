#include "srcp/SRCPCmd.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCmd::TSRCPCmd() {
  FDevices[dgFeedback] = std::make_unique<TSRCPDeviceFeedback>(*this);
  FDevices[dgAccessoire] = std::make_unique<TSRCPDeviceAccessoire>(*this);
  FDevices[dgLoco] = std::make_unique<TSRCPDeviceLoco>(*this);
  FDevices[dgServiceMode] = std::make_unique<TSRCPDeviceServiceMode>(*this);
  FDevices[dgLock] = std::make_unique<TSRCPDeviceLock>(*this);
  FDevices[dgPower] = std::make_unique<TSRCPDevicePower>(*this);
  FDevices[dgTime] = std::make_unique<TSRCPDeviceTime>(*this);
  FDevices[dgSession] = std::make_unique<TSRCPDeviceSession>(*this);
  FDevices[dgDescription] = std::make_unique<TSRCPDeviceDescription>(*this);
  FDevices[dgServer] = std::make_unique<TSRCPDeviceServer>(*this);
  FDevices[dgHandshake] = std::make_unique<TSRCPDeviceHandshake>(*this);
  FDevices[dgWelcome] = std::make_unique<TSRCPDeviceWelcome>(*this);
}

TSRCPCmd::~TSRCPCmd() = default;

void TSRCPCmd::SelectRow() {
  FRow = nullptr;
  const TSRCPSyntaxTable* syntax = SRCPVersions[FVersion].Syntax;
  if (syntax) FRow = syntax->FindRow(FGroup, FKind);
}

void TSRCPCmd::SetVersion(TSRCPCommandVersion Version) {
  FVersion = Version < cvUnknown ? Version : cvUnknown;
  SelectRow();
}

void TSRCPCmd::SetGroup(TSRCPDeviceGroup Group) {
  if (Group > dgInvalid) Group = dgInvalid;
  if (Group == FGroup) return;
  FGroup = Group;
  SelectRow();
}

void TSRCPCmd::SetKind(TSRCPMessageKind Kind) {
  FKind = Kind < mkErrInternal ? Kind : mkErrInternal;
  Code = KindToCode(FKind, FVersion);
  SelectRow();
}

void TSRCPCmd::SetCommand(TSRCPMessageKind Kind) {
  IsAnswer = IsAnswerKind(Kind);
  if (Kind == mkOkGo || Kind == mkOkProtocol || Kind == mkOkConnectionMode) FGroup = dgHandshake;
  SetKind(Kind);
}

void TSRCPCmd::Clear() {
  SetGroup(dgInvalid);
  Text.clear();
  SetKind(mkErrInternal);
  for (auto& device : FDevices) device->Clear();
}

TSRCPBaseDevice* TSRCPCmd::Devices(TSRCPDeviceGroup Group) const {
  return Group < dgInvalid ? FDevices[Group].get() : nullptr;
}

// The records are created with their groups' classes above, so the casts hold.
TSRCPDeviceFeedback& TSRCPCmd::Feedback() const {
  return static_cast<TSRCPDeviceFeedback&>(*FDevices[dgFeedback]);
}
TSRCPDeviceAccessoire& TSRCPCmd::Accessoire() const {
  return static_cast<TSRCPDeviceAccessoire&>(*FDevices[dgAccessoire]);
}
TSRCPDeviceLoco& TSRCPCmd::Loco() const { return static_cast<TSRCPDeviceLoco&>(*FDevices[dgLoco]); }
TSRCPDeviceServiceMode& TSRCPCmd::ServiceMode() const {
  return static_cast<TSRCPDeviceServiceMode&>(*FDevices[dgServiceMode]);
}
TSRCPDeviceLock& TSRCPCmd::Lock() const { return static_cast<TSRCPDeviceLock&>(*FDevices[dgLock]); }
TSRCPDevicePower& TSRCPCmd::Power() const {
  return static_cast<TSRCPDevicePower&>(*FDevices[dgPower]);
}
TSRCPDeviceTime& TSRCPCmd::Time() const { return static_cast<TSRCPDeviceTime&>(*FDevices[dgTime]); }
TSRCPDeviceSession& TSRCPCmd::Session() const {
  return static_cast<TSRCPDeviceSession&>(*FDevices[dgSession]);
}
TSRCPDeviceDescription& TSRCPCmd::Description() const {
  return static_cast<TSRCPDeviceDescription&>(*FDevices[dgDescription]);
}
TSRCPDeviceServer& TSRCPCmd::Server() const {
  return static_cast<TSRCPDeviceServer&>(*FDevices[dgServer]);
}
TSRCPDeviceHandshake& TSRCPCmd::Handshake() const {
  return static_cast<TSRCPDeviceHandshake&>(*FDevices[dgHandshake]);
}
TSRCPDeviceWelcome& TSRCPCmd::Welcome() const {
  return static_cast<TSRCPDeviceWelcome&>(*FDevices[dgWelcome]);
}

TSRCPParamKind TSRCPCmd::NextParam() {
  if (!FRow || FParamIndex >= SRCPRowParams) {
    FParamIndex = 0;
    return pkNone;
  }
  const TSRCPBaseDevice* device = Devices(FGroup);
  if (!device) return pkNone;
  // A declined parameter is skipped; the row's last slot ends the walk even
  // when it was declined.
  while (FParamIndex < SRCPRowParams) {
    const TSRCPParamKind kind = FRow->Params[static_cast<std::size_t>(FParamIndex++)];
    if (kind == pkNone || device->UsesParam(kind)) return kind;
  }
  return pkNone;
}

TSRCPDeviceGroup TSRCPCmd::ParseGroupName(std::string_view Name) {
  const TSRCPDeviceGroup group = GroupFromName(Name);
  if (group == dgInvalid) SetKind(mkErrInsufficientData);
  return group;
}

}  // namespace tenvarra
