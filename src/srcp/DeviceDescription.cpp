#include "srcp/DeviceDescription.h"

#include <string>

#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

void TSRCPDeviceDescription::Clear() {
  Groups.clear();
  DescribedGroup = dgInvalid;
}

TSRCPDeviceGroup TSRCPDeviceDescription::GetGroup(int32_t Index) const {
  if (Index < 0 || Index >= GroupCount()) return dgInvalid;
  return Groups[static_cast<std::size_t>(Index)];
}

bool TSRCPDeviceDescription::AddGroupName(std::string_view Name) {
  const TSRCPDeviceGroup group = GroupFromName(Name);
  if (group != dgInvalid) Groups.push_back(group);
  return true;
}

void TSRCPDeviceDescription::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  if (DescribedGroup >= dgInvalid)
    FormatBus(Kind, Builder);
  else
    FormatDevice(Kind, Builder);
}

void TSRCPDeviceDescription::FormatBus(TSRCPParamKind Kind, TSRCPString& Builder) {
  // A bus request carries neither group names nor an address: GET 1 DESCRIPTION.
  if (Kind != pkGroupParam || Cmd->Kind() == mkGet) return;
  for (TSRCPDeviceGroup group : Groups) Builder.Add(GroupName(group));
  if (Cmd->Kind() == mkInfoInit) Cmd->SetCommand(mkErrInternal);
}

void TSRCPDeviceDescription::FormatDevice(TSRCPParamKind Kind, TSRCPString& Builder) {
  const TSRCPMessageKind kind = Cmd->Kind();
  // A single device has no state line of its own under DESCRIPTION, and a
  // description cannot be described by itself without formatting forever.
  const bool cannotDescribe = kind == mkInfoState || kind == mkInfoResult ||
                              (Kind == pkGroupParam && kind != mkGet && DescribedGroup == dgDescription);
  if (cannotDescribe) {
    Cmd->SetCommand(mkErrInternal);
    Cmd->EndRow();
    return;
  }
  if (Kind != pkGroupParam) {
    TSRCPAddressedDevice::FormatParam(Kind, Builder);
    return;
  }
  if (kind == mkGet) {
    Builder.Add(GroupName(DescribedGroup));  // GET 1 DESCRIPTION GL 3
    return;
  }
  // Any other description of a device is that device's own line.
  Cmd->SetGroup(DescribedGroup);
  std::string line;
  Cmd->Format(line);
  Builder.Value = std::move(line);
  Cmd->EndRow();
}

bool TSRCPDeviceDescription::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  const TSRCPMessageKind kind = Cmd->Kind();
  if (kind == mkInfoState || kind == mkInfoResult) {
    if (Kind == pkGroupParam && DescribedGroup == dgInvalid) return AddGroupName(Token);
    return false;
  }
  if (Kind == pkGroupParam) {
    if (Token.empty()) return true;
    DescribedGroup = Cmd->ParseGroupName(Token);
    return DescribedGroup != dgInvalid;
  }
  return TSRCPAddressedDevice::ParseParam(Kind, Token);
}

bool TSRCPDeviceDescription::ParseRest(std::string_view Text) {
  std::string_view rest = Trim(Text), name;
  while (!rest.empty()) {
    SplitToken(' ', rest, name);
    AddGroupName(name);
    rest = Trim(rest);
  }
  return true;
}

}  // namespace tenvarra
