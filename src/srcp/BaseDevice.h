#pragma once
// A device record holds the group-specific values of one SRCP line and
// formats and parses the parameter kinds of its group. Every message owns one
// record per group; a record refers back to its message, whose Address,
// Text and Kind some records read or change.

#include <string>
#include <string_view>

#include "srcp/SRCPString.h"
#include "srcp/Syntax.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSRCPCmd;

class TSRCPBaseDevice {
public:
  TSRCPCmd* const Cmd;  // the owning message, not owned

  explicit TSRCPBaseDevice(TSRCPCmd& Owner) : Cmd(&Owner) {}
  virtual ~TSRCPBaseDevice() = default;
  TSRCPBaseDevice(const TSRCPBaseDevice&) = delete;
  TSRCPBaseDevice& operator=(const TSRCPBaseDevice&) = delete;

  virtual TSRCPDeviceGroup Group() const = 0;
  // Addressed records share the message's Address.
  virtual bool IsAddressed() const { return false; }

  // Back to the values after construction; runs at the start of every parse.
  virtual void Clear() = 0;
  // The text of pkDeviceText; no record has one.
  virtual void GetText(std::string& Text) const { Text.clear(); }
  virtual void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) = 0;
  virtual bool ParseParam(TSRCPParamKind Kind, std::string_view Token) = 0;
  // Whether the current values give the parameter a place in the line; the
  // same answer holds for formatting and parsing.
  virtual bool UsesParam(TSRCPParamKind Kind) const {
    (void)Kind;
    return true;
  }
  // Runs before a line is formatted.
  virtual void BeginLine() {}
  // Takes what is left of a parsed line after its row ran out.
  virtual bool ParseRest(std::string_view Text) {
    (void)Text;
    return true;
  }
};

// Base of the records whose lines carry a device address.
class TSRCPAddressedDevice : public TSRCPBaseDevice {
public:
  using TSRCPBaseDevice::TSRCPBaseDevice;

  bool IsAddressed() const override { return true; }
  // Address only; every other kind adds nothing.
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder) override;
  // Address only; every other kind fails.
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token) override;
};

}  // namespace tenvarra
