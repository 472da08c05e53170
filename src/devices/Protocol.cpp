#include "devices/Protocol.h"

#include <charconv>

#include "platform/IniFile.h"

namespace tenvarra {

char LetterOfBase(uint8_t Base) {
  return Base < MoBaProtocolBases.size() ? MoBaProtocolBases[Base].Letter
                                         : MoBaProtocolBases[MoBaBaseCustom].Letter;
}

uint8_t BaseOfLetter(std::string_view Text) {
  if (Text.empty()) return MoBaBaseCustom;
  for (const auto& row : MoBaProtocolBases)
    if (row.Letter == Text.front()) return row.Base;
  return MoBaBaseCustom;
}

std::string GroupsToText(const TMoBaGroups& Groups) {
  std::string text;
  for (std::size_t i = 0; i < Groups.size(); ++i) {
    if (!Groups.test(i)) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(i);
  }
  return text;
}

TMoBaGroups GroupsFromText(std::string_view Text) {
  TMoBaGroups groups;
  for (const std::string& item : SplitCommaText(Text)) {
    const char* first = item.data();
    const char* last = item.data() + item.size();
    if (first != last && *first == '+') ++first;  // a sign is part of a whole integer
    int value = -1;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) continue;
    if (value >= 0 && value < static_cast<int>(groups.size())) groups.set(value);
  }
  return groups;
}

// --- TMoBaBaseProtocol -------------------------------------------------------

std::unique_ptr<TMoBaBaseProtocol> TMoBaBaseProtocol::Create() const {
  return std::make_unique<TMoBaBaseProtocol>();
}

std::unique_ptr<TMoBaBaseProtocol> TMoBaBaseProtocol::Clone() const {
  auto copy = Create();
  copy->Assign(*this);
  return copy;
}

void TMoBaBaseProtocol::AssignTo(TPersistent& Dest) const {
  auto* dest = dynamic_cast<TMoBaBaseProtocol*>(&Dest);
  if (!dest) return TPersistent::AssignTo(Dest);
  dest->Name = Name;
  dest->Desc = Desc;
  dest->MaxAddress = MaxAddress;
  dest->Base = Base;
  dest->Groups = Groups;
  dest->Extension = Extension;
}

void TMoBaBaseProtocol::SaveToIni(TIniFile& IniFile, std::string_view Section) const {
  IniFile.WriteString(Section, "Name", Name);
  IniFile.WriteString(Section, "Desc", Desc);
  IniFile.WriteInteger(Section, "MaxAddress", MaxAddress);
  IniFile.WriteString(Section, "Base", std::string(1, LetterOfBase(Base)));
  IniFile.WriteInteger(Section, "Extension", Extension);
  IniFile.WriteString(Section, "Groups", GroupsToText(Groups));
}

void TMoBaBaseProtocol::LoadFromIni(const TIniFile& IniFile, std::string_view Section) {
  Name = IniFile.ReadString(Section, "Name", "");
  Desc = IniFile.ReadString(Section, "Desc", "");
  MaxAddress = IniFile.ReadInteger(Section, "MaxAddress", 0);
  Base = BaseOfLetter(IniFile.ReadString(Section, "Base", "C"));
  Extension = IniFile.ReadInteger(Section, "Extension", 0);
  Groups = GroupsFromText(IniFile.ReadString(Section, "Groups", ""));
}

// --- TMoBaLocoProtocol -------------------------------------------------------

std::unique_ptr<TMoBaBaseProtocol> TMoBaLocoProtocol::Create() const {
  return std::make_unique<TMoBaLocoProtocol>();
}

void TMoBaLocoProtocol::AssignTo(TPersistent& Dest) const {
  TMoBaBaseProtocol::AssignTo(Dest);
  if (auto* dest = dynamic_cast<TMoBaLocoProtocol*>(&Dest)) {
    dest->MaxSteps = MaxSteps;
    dest->MinSteps = MinSteps;
    dest->MaxFunctions = MaxFunctions;
  }
}

void TMoBaLocoProtocol::SaveToIni(TIniFile& IniFile, std::string_view Section) const {
  TMoBaBaseProtocol::SaveToIni(IniFile, Section);
  IniFile.WriteInteger(Section, "MaxSteps", MaxSteps);
  IniFile.WriteInteger(Section, "MinSteps", MinSteps);
  IniFile.WriteInteger(Section, "MaxFunctions", MaxFunctions);
}

void TMoBaLocoProtocol::LoadFromIni(const TIniFile& IniFile, std::string_view Section) {
  TMoBaBaseProtocol::LoadFromIni(IniFile, Section);
  MaxSteps = IniFile.ReadInteger(Section, "MaxSteps", 0);
  MinSteps = IniFile.ReadInteger(Section, "MinSteps", 0);
  MaxFunctions = IniFile.ReadInteger(Section, "MaxFunctions", 0);
}

// --- TMoBaSolenoidProtocol ---------------------------------------------------

std::unique_ptr<TMoBaBaseProtocol> TMoBaSolenoidProtocol::Create() const {
  return std::make_unique<TMoBaSolenoidProtocol>();
}

void TMoBaSolenoidProtocol::AssignTo(TPersistent& Dest) const {
  TMoBaBaseProtocol::AssignTo(Dest);
  if (auto* dest = dynamic_cast<TMoBaSolenoidProtocol*>(&Dest)) {
    dest->MaxPort = MaxPort;
    dest->MaxValue = MaxValue;
  }
}

void TMoBaSolenoidProtocol::SaveToIni(TIniFile& IniFile, std::string_view Section) const {
  TMoBaBaseProtocol::SaveToIni(IniFile, Section);
  IniFile.WriteInteger(Section, "MaxPort", MaxPort);
  IniFile.WriteInteger(Section, "MaxValue", MaxValue);
}

void TMoBaSolenoidProtocol::LoadFromIni(const TIniFile& IniFile, std::string_view Section) {
  TMoBaBaseProtocol::LoadFromIni(IniFile, Section);
  MaxPort = IniFile.ReadInteger(Section, "MaxPort", 0);
  MaxValue = IniFile.ReadInteger(Section, "MaxValue", 0);
}

}  // namespace tenvarra
