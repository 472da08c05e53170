#pragma once
// Builds every line the simulator sends through the SRCP message layer, so
// the server writes exactly the forms the client parses. Error replies carry
// the standard English texts of SRCP servers, which the client's own table
// spells differently in places; clients read only the code.
//
// Time stamps: reports get strictly rising stamps (a report in the same
// millisecond as the one before gets the next millisecond), because clients
// drop a report that is not newer than the last one they kept.

#include <cstdint>
#include <string>
#include <string_view>

#include "srcp/SRCPCmd.h"

namespace tenvarra {

class TSimLines {
public:
  TSimLines();

  // The wall clock: milliseconds since 1970, and seconds to the millisecond.
  static int64_t WallMs();
  static double Now();
  // The stamp of a new report.
  double NextStamp();

  // A message of Group and Kind, cleared, with Stamp and Bus set, for the
  // caller to fill; Finish formats it. One message is shared, so a line is
  // finished before the next begins.
  TSRCPCmd& Begin(TSRCPDeviceGroup Group, TSRCPMessageKind Kind, double Stamp, int32_t Bus);
  std::string Finish();

  // "<name> <version>; SRCP 0.8.2"
  static std::string Welcome();
  std::string Ok();
  std::string OkProtocol();
  std::string OkConnectionMode();
  std::string OkGo(int32_t SessionId);
  // "<stamp> <code> ERROR <text>"
  std::string Error(TSRCPMessageKind Kind);
  static std::string_view ErrorText(TSRCPMessageKind Kind);

private:
  std::string Reply(TSRCPMessageKind Kind);

  TSRCPCmd FMsg;
  int64_t FLastMs = 0;  // of the last report's stamp
};

}  // namespace tenvarra
