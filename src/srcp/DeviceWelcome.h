#pragma once
// The welcome record: the server's first line, "name; SRCP x.y.z; SRCPOTHER
// a.b.c; more". It tells the server's name, the protocol versions it offers
// and whatever else it says.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "srcp/BaseDevice.h"

namespace tenvarra {

class TSRCPDeviceWelcome : public TSRCPBaseDevice {
public:
  std::string Server;  // the first part that names no protocol version
  std::string Other;   // the further such parts, joined by ";"
  std::string Line;    // working text of parse and format

  using TSRCPBaseDevice::TSRCPBaseDevice;

  TSRCPDeviceGroup Group() const override { return dgWelcome; }
  void Clear() override;
  // pkText rebuilds the whole line from Server, the versions and Other.
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;

  // The versions offered, in line order; cvUnknown for one this system does
  // not speak. Its text (e.g. "0.8.4") stays readable through GetVersionText.
  int32_t VersionCount() const { return static_cast<int32_t>(FVersions.size()); }
  // cvUnknown for an index outside the list.
  TSRCPCommandVersion GetVersion(int32_t Index) const;
  // The version as the line spelled it; empty for an index outside the list.
  std::string_view GetVersionText(int32_t Index) const;
  void AddVersion(TSRCPCommandVersion Version);
  void AddVersion(TSRCPCommandVersion Version, std::string_view Text);
  const std::vector<TSRCPCommandVersion>& Versions() const { return FVersions; }

private:
  void ParseWelcome(std::string_view Text);

  std::vector<TSRCPCommandVersion> FVersions;
  std::vector<std::string> FVersionTexts;
};

}  // namespace tenvarra
