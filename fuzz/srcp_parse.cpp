// Any byte string, taken as an SRCP line, must parse and format without
// crashing or tripping a sanitizer, with the message reused from one input
// to the next as the sessions reuse theirs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "srcp/SRCPCmd.h"

namespace {

tenvarra::TSRCPCmd& Reused() {
  static tenvarra::TSRCPCmd cmd;
  return cmd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace tenvarra;
  const std::string_view line(reinterpret_cast<const char*>(Data), Size);
  TSRCPCmd& cmd = Reused();
  cmd.SetVersion(cv082);
  std::string out;

  // As an answer or welcome line, the way the sessions read the server.
  cmd.Parse(line);
  cmd.Format(out);
  // What this system would write must read back without harm too.
  cmd.Parse(out);
  cmd.Format(out);

  // As a command line, the way a server reads this system.
  cmd.ParseCommand(line);
  cmd.Format(out);
  cmd.ParseCommand(out);
  cmd.Format(out);
  return 0;
}
