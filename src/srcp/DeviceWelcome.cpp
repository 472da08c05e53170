#include "srcp/DeviceWelcome.h"

#include "srcp/TextUtil.h"

namespace tenvarra {

namespace {

// Appends Piece after a ";" when both are non-empty; an empty piece adds nothing.
void AppendPart(std::string& Line, std::string_view Piece) {
  if (Piece.empty()) return;
  if (!Line.empty()) Line += ';';
  Line += Piece;
}

// The prefix must be a word of its own: a server named "srcpd 2.1" names
// itself, it does not offer a version "d 2.1".
bool StartsWithWord(std::string_view Part, std::string_view Prefix) {
  if (!StartsWithText(Part, Prefix)) return false;
  return Part.size() == Prefix.size() || static_cast<unsigned char>(Part[Prefix.size()]) <= 0x20;
}

}  // namespace

void TSRCPDeviceWelcome::Clear() {
  FVersions.clear();
  FVersionTexts.clear();
  Server.clear();
  Other.clear();
  Line.clear();
}

TSRCPCommandVersion TSRCPDeviceWelcome::GetVersion(int32_t Index) const {
  if (Index < 0 || Index >= VersionCount()) return cvUnknown;
  return FVersions[static_cast<std::size_t>(Index)];
}

std::string_view TSRCPDeviceWelcome::GetVersionText(int32_t Index) const {
  if (Index < 0 || Index >= VersionCount()) return {};
  return FVersionTexts[static_cast<std::size_t>(Index)];
}

void TSRCPDeviceWelcome::AddVersion(TSRCPCommandVersion Version) {
  AddVersion(Version, VersionText(Version));
}

void TSRCPDeviceWelcome::AddVersion(TSRCPCommandVersion Version, std::string_view Text) {
  FVersions.push_back(Version);
  FVersionTexts.emplace_back(Text);
}

void TSRCPDeviceWelcome::ParseWelcome(std::string_view Text) {
  Line.clear();
  FVersions.clear();
  FVersionTexts.clear();
  int parts = 0;  // parts that name no version
  std::string_view rest = Text, part;
  while (!rest.empty()) {
    SplitToken(';', rest, part);
    part = Trim(part);
    bool isVersion = false;
    for (std::string_view prefix : SRCPWelcomePrefixes)
      if (StartsWithWord(part, prefix)) {
        const std::string_view version = Trim(part.substr(prefix.size()));
        AddVersion(VersionFromText(version), version);
        isVersion = true;
        break;
      }
    if (isVersion) continue;
    if (parts == 0)
      Server = part;
    else
      AppendPart(Line, part);
    ++parts;
  }
  Other = Line;
}

bool TSRCPDeviceWelcome::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  if (Kind != pkText) return false;
  ParseWelcome(Token);
  return true;
}

void TSRCPDeviceWelcome::FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) {
  if (Kind != pkText) return;
  std::string versions;
  for (std::size_t i = 0; i < FVersions.size(); ++i) {
    versions += i == 0 ? "SRCP " : ";SRCPOTHER ";
    versions += VersionText(FVersions[i]);
  }
  Line = Server;
  AppendPart(Line, versions);
  AppendPart(Line, Other);
  Builder.Clear();
  Builder.Add(Line);
}

}  // namespace tenvarra
