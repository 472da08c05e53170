#include "srcp/Vocabulary.h"

#include "srcp/Syntax.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

const std::array<TSRCPVersionOverview, 3> SRCPVersions{{
    {cv073, nullptr, "0.7.3"},
    {cv082, &SRCPSyntax082, "0.8.2"},
    {cvUnknown, nullptr, "Unknown"},
}};

namespace {

// The row of Table whose code equals Code for Version, starting the scan at
// the first row so that the first equal row wins.
TSRCPMessageKind FindCode(const TSRCPTranslate* Rows, std::size_t Count, int32_t Code,
                          TSRCPCommandVersion Version) {
  for (std::size_t i = 0; i < Count; ++i)
    if (Rows[i].Codes[Version] == Code) return Rows[i].Kind;
  return mkErrInternal;
}

}  // namespace

int32_t KindToCode(TSRCPMessageKind Kind, TSRCPCommandVersion Version) {
  if (Version > cv082) return 0;
  if (Kind < mkInfoState) return 0;
  if (Kind <= mkInfoResult) return SRCPInfoTable[Kind - mkWelcome].Codes[Version];
  if (Kind <= mkOkConnectionMode) return SRCPOkTable[Kind - mkOkBase].Codes[Version];
  if (Kind <= mkErrInternal) return SRCPErrorTable[Kind - mkErrorBase].Codes[Version];
  return 0;
}

TSRCPMessageKind CodeToKind(int32_t Code, TSRCPCommandVersion Version) {
  if (Version > cv082) return mkErrInternal;
  // The end rows carry code 0, which none of the ranges contains.
  if (Code >= 100 && Code <= 199)
    return FindCode(SRCPInfoTable.data(), SRCPInfoTable.size(), Code, Version);
  if (Code >= 200 && Code <= 299)
    return FindCode(SRCPOkTable.data(), SRCPOkTable.size(), Code, Version);
  if (Code >= 400 && Code <= 699)
    return FindCode(SRCPErrorTable.data(), SRCPErrorTable.size(), Code, Version);
  return mkErrInternal;
}

std::string_view KindWord(TSRCPMessageKind Kind) {
  if (Kind <= mkGo) return SRCPCommandTable[Kind].Text;
  if (Kind <= mkSetConnectionMode) return "SET";
  if (Kind <= mkInfoResult) return "INFO";
  if (Kind <= mkOkConnectionMode) return "OK";
  return "ERROR";
}

std::string_view KindText(TSRCPMessageKind Kind) {
  if (Kind >= mkOkBase && Kind <= mkErrorBase) return SRCPOkTable[Kind - mkOkBase].Text;
  if (Kind > mkErrorBase && Kind <= mkErrInternal) return SRCPErrorTable[Kind - mkErrorBase].Text;
  return {};
}

TSRCPDeviceGroup GroupFromName(std::string_view Name) {
  for (int i = 0; i < dgInvalid; ++i)
    if (SameText(SRCPDevGroups[i].Name, Name)) return SRCPDevGroups[i].Group;
  return dgInvalid;
}

std::string_view GroupName(TSRCPDeviceGroup Group) {
  return SRCPDevGroups[Group < dgInvalid ? Group : dgInvalid].Name;
}

TSRCPCommandVersion VersionFromText(std::string_view Text) {
  for (const auto& row : SRCPVersions)
    if (SameText(row.Text, Text)) return row.Version;
  return cvUnknown;
}

std::string_view VersionText(TSRCPCommandVersion Version) {
  return SRCPVersions[Version < cvUnknown ? Version : cvUnknown].Text;
}

bool ServerStateFromName(std::string_view Name, TSRCPServerState& State) {
  for (const auto& row : SRCPServerStates)
    if (SameText(row.Name, Name)) {
      State = row.State;
      return true;
    }
  State = ssUnknown;
  return false;
}

std::string_view ServerStateName(TSRCPServerState State) {
  return SRCPServerStates[State < ssUnknown ? State : ssUnknown].Name;
}

bool ConnectionModeFromName(std::string_view Name, TSRCPConnectionMode& Mode) {
  for (const auto& row : SRCPConnectionModes)
    if (SameText(row.Name, Name)) {
      Mode = row.Mode;
      return true;
    }
  Mode = cmInvalid;
  return false;
}

std::string_view ConnectionModeName(TSRCPConnectionMode Mode) {
  return SRCPConnectionModes[Mode < cmInvalid ? Mode : cmInvalid].Name;
}

bool SMAddressTypeFromName(std::string_view Name, TSRCPSMAddressType& AddressType) {
  for (std::size_t i = 0; i < SRCPSMAddressTypes.size(); ++i)
    if (SameText(SRCPSMAddressTypes[i].Name, Name)) {
      AddressType = static_cast<TSRCPSMAddressType>(i);
      return true;
    }
  return false;
}

std::string_view SMAddressTypeName(TSRCPSMAddressType AddressType) {
  return SRCPSMAddressTypes[AddressType < satNone ? AddressType : satNone].Name;
}

std::string_view ProtocolLetter(TSRCPProtocol Protocol) {
  return SRCPProtocolLetters[Protocol < prInvalid ? Protocol : prInvalid];
}

std::string_view DriveModeChar(TSRCPDriveMode DriveMode) {
  return SRCPDriveModeChars[DriveMode < dmInvalid ? DriveMode : dmInvalid];
}

}  // namespace tenvarra
