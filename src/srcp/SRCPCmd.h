#pragma once
// One SRCP line as an object: a command the system sends or an answer the
// server sends. The same object formats itself into a line and parses a line
// into itself, both driven by the syntax row of (Version, Group, Kind); the
// group-specific values live in the twelve device records it owns. Owners
// keep one message and reuse it for every line.
//
// Sending: SetVersion, SetGroup, SetCommand(kind), Bus, Address and the
// record's fields, then Format. Receiving: Parse, which starts with Clear, so
// nothing of an earlier line survives except Version, and Timestamp, Bus and
// Address when the new line does not carry them.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "srcp/BaseDevice.h"
#include "srcp/Syntax.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSRCPDeviceFeedback;
class TSRCPDeviceAccessoire;
class TSRCPDeviceLoco;
class TSRCPDeviceServiceMode;
class TSRCPDeviceLock;
class TSRCPDevicePower;
class TSRCPDeviceTime;
class TSRCPDeviceSession;
class TSRCPDeviceDescription;
class TSRCPDeviceServer;
class TSRCPDeviceHandshake;
class TSRCPDeviceWelcome;

class TSRCPCmd {
public:
  double Timestamp = 0;  // seconds; answers only
  int32_t Code = 0;
  // The rest of an error reply, the pkText parameter, or what a parsed line
  // had left over.
  std::string Text;
  bool IsAnswer = true;  // the line starts with a time stamp
  int32_t Bus = 0;
  int32_t Address = 0;  // shared by all addressed records

  TSRCPCmd();
  ~TSRCPCmd();
  TSRCPCmd(const TSRCPCmd&) = delete;
  TSRCPCmd& operator=(const TSRCPCmd&) = delete;

  TSRCPMessageKind Kind() const { return FKind; }
  TSRCPCommandVersion Version() const { return FVersion; }
  TSRCPDeviceGroup Group() const { return FGroup; }
  // The syntax row of (Version, Group, Kind); none when there is no such row.
  const TSRCPSyntaxRow* Row() const { return FRow; }

  void SetVersion(TSRCPCommandVersion Version);
  void SetGroup(TSRCPDeviceGroup Group);
  // Also sets Code to the kind's code in Version.
  void SetKind(TSRCPMessageKind Kind);
  // Prepares a line to send: IsAnswer follows the kind's class, and the
  // handshake replies take the handshake group.
  void SetCommand(TSRCPMessageKind Kind);
  bool IsError() const { return IsErrorKind(FKind); }

  // Group dgInvalid, Text empty, kind mkErrInternal, every record cleared.
  void Clear();

  // Never fails: a message without a syntax row becomes kind mkErrInternal
  // and formats as that error line. No line terminator is added.
  void Format(std::string& Line);
  std::string Format();

  // Fills the message from an answer line (time stamp first) or, for a line
  // without a time stamp, from the server's welcome line. True when the line
  // was understood; an understood error reply is true as well, so callers
  // still test IsError. Never throws.
  bool Parse(std::string_view Line);

  // Fills the message from a command line (GET, SET, ..., the handshake
  // commands), the way a server reads what this system sends. Trailing
  // values may be left out; their fields then keep their cleared values.
  // False with an error kind when the line is not a command this system
  // can write: mkErrUnknownCommand for an unknown word,
  // mkErrUnsupportedDeviceGroup for an unknown group,
  // mkErrUnsupportedOperation for a kind the group lacks, and otherwise the
  // kind a record chose or mkErrWrongValue.
  bool ParseCommand(std::string_view Line);

  // The record of a group; none for dgInvalid.
  TSRCPBaseDevice* Devices(TSRCPDeviceGroup Group) const;
  TSRCPDeviceFeedback& Feedback() const;
  TSRCPDeviceAccessoire& Accessoire() const;
  TSRCPDeviceLoco& Loco() const;
  TSRCPDeviceServiceMode& ServiceMode() const;
  TSRCPDeviceLock& Lock() const;
  TSRCPDevicePower& Power() const;
  TSRCPDeviceTime& Time() const;
  TSRCPDeviceSession& Session() const;
  TSRCPDeviceDescription& Description() const;
  TSRCPDeviceServer& Server() const;
  TSRCPDeviceHandshake& Handshake() const;
  TSRCPDeviceWelcome& Welcome() const;

  // The row cursor, for the records: the next parameter of Row that the
  // group's record uses, pkNone at the end.
  TSRCPParamKind NextParam();
  int ParamIndex() const { return FParamIndex; }
  // Makes the row end after the current parameter.
  void EndRow() { FParamIndex = SRCPRowParams; }

  // GroupFromName for a parse: an unknown name also turns the message into
  // mkErrInsufficientData.
  TSRCPDeviceGroup ParseGroupName(std::string_view Name);

private:
  void SelectRow();
  void AddErrorLine(TSRCPString& Builder);
  void FormatParam(TSRCPParamKind Kind, TSRCPString& Builder);
  bool ParseParam(TSRCPParamKind Kind, std::string_view Token);
  // Parses Rest against Row from parameter index From. With LineMayEnd a line
  // that runs out ends the row successfully.
  bool ParseRow(std::string_view& Rest, int From, bool LineMayEnd);
  bool ParseBody(std::string_view Rest);
  bool TakeRest(std::string_view Rest);

  TSRCPMessageKind FKind = mkErrInternal;
  TSRCPCommandVersion FVersion = cvUnknown;
  TSRCPDeviceGroup FGroup = dgInvalid;
  const TSRCPSyntaxRow* FRow = nullptr;
  int FParamIndex = 0;
  std::array<std::unique_ptr<TSRCPBaseDevice>, SRCPRecordCount> FDevices;
  std::string FLine;  // the line being parsed, so it may alias Text
};

}  // namespace tenvarra
