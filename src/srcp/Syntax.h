#pragma once
// The syntax table: for one protocol version, per device group and message
// kind, the parameters of a line in order. Formatting and parsing both walk
// these rows, so a line's shape is written down exactly once.

#include <array>
#include <cstdint>

#include "srcp/Vocabulary.h"

namespace tenvarra {

// Kinds below pkAddress are handled by the message itself, pkText by the
// message and the group's record, the rest by the record alone.
enum TSRCPParamKind : uint8_t {
  pkTime,
  pkCode,
  pkWord,
  pkWord2,
  pkGroup,
  pkBus,
  pkDeviceText,
  pkText,
  pkInitWord,
  pkTermWord,
  pkAddress,
  pkProtocol,
  pkProtocolVersion,
  pkReportedSpeed,
  pkSpeedSteps,
  pkFunctionCount,
  pkDriveMode,
  pkSpeed,
  pkMaxSpeed,
  pkFunctions,
  pkPort,
  pkValue,
  pkDelay,
  pkSMType,
  pkSMAddress,
  pkGroupParam,
  pkSessionId,
  pkPowerState,
  pkTimeFx,
  pkTimeFy,
  pkJulianDay,
  pkHour,
  pkMinute,
  pkSecond,
  pkServerState,
  pkHandshakeKey,
  pkSRCPWord,
  pkSRCPVersion,
  pkConnectionMode,
  pkNone  // ends a row
};

inline constexpr int SRCPRowParams = 10;

// Byte 0 is the kind, bytes 1..10 the parameters, unused ones pkNone.
struct TSRCPSyntaxRow {
  TSRCPMessageKind Kind;
  std::array<TSRCPParamKind, SRCPRowParams> Params;
};
static_assert(sizeof(TSRCPSyntaxRow) == 11);

// One row list per device group, each closed by a row of kind mkErrInternal;
// dgInvalid has none.
class TSRCPSyntaxTable {
public:
  std::array<const TSRCPSyntaxRow*, SRCPGroupCount> Lists;

  // The first row of Group's list whose kind is Kind; none for dgInvalid,
  // for the reply kinds from mkErrorBase on and for a kind the list lacks.
  const TSRCPSyntaxRow* FindRow(TSRCPDeviceGroup Group, TSRCPMessageKind Kind) const;
};

extern const TSRCPSyntaxTable SRCPSyntax082;

}  // namespace tenvarra
