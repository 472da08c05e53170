// The commands of the layout buses: locos (GL), accessories (GA), feedback
// contacts (FB) and power (POWER).

#include <limits>

#include "sim/SimCommands.h"
#include "sim/SimLayout.h"
#include "sim/SimLines.h"

namespace tenvarra {

namespace {

// What the bridge and its users send: up to 128 speed steps, 255 functions.
constexpr int32_t MaxSpeedSteps = 128;
constexpr int32_t MaxFunctionCount = 255;
constexpr int32_t AnyNumber = std::numeric_limits<int32_t>::max();

// A protocol letter as the protocol writes it; prInvalid for anything else.
TSRCPProtocol ProtocolOfLetter(std::string_view Word) {
  for (int p = prA; p < prInvalid; ++p)
    if (Word == ProtocolLetter(static_cast<TSRCPProtocol>(p))) return static_cast<TSRCPProtocol>(p);
  return prInvalid;
}

}  // namespace

bool TSimCommands::DeviceAddress(const TRequest& R, int32_t& Address) const {
  return Number(R.Words[3], 1, R.Bus.MaxAddress, Address);
}

// ---- GL ----

// INIT <bus> GL <addr> <protocol> [<version>] [<steps> <functions>]: M and N
// take all three, A none, the other letters steps and functions.
std::string TSimCommands::InitLoco(TRequest& R) {
  int32_t address;
  if (!DeviceAddress(R, address)) return Fail(mkErrWrongValue);
  TSimLoco loco;
  loco.Protocol = ProtocolOfLetter(R.Words[4]);
  if (loco.Protocol == prInvalid || !R.Bus.Takes(loco.Protocol))
    return Fail(mkErrUnsupportedDeviceProtocol);
  const bool versioned = loco.Protocol == prM || loco.Protocol == prN;
  const std::size_t words = loco.Protocol == prA ? 5 : versioned ? 8 : 7;
  if (R.Words.size() < words) return Fail(mkErrListTooShort);
  if (R.Words.size() > words) return Fail(mkErrListTooLong);
  int32_t functions = 1;
  std::size_t next = 5;
  if (versioned && !Number(R.Words[next++], 1, 2, loco.ProtocolVersion))
    return Fail(mkErrWrongValue);
  // A decoder may have no functions at all, not even the light.
  if (loco.Protocol != prA && (!Number(R.Words[next], 1, MaxSpeedSteps, loco.SpeedSteps) ||
                               !Number(R.Words[next + 1], 0, MaxFunctionCount, functions)))
    return Fail(mkErrWrongValue);
  loco.MaxSpeed = std::max(loco.SpeedSteps, 1);
  loco.Functions.assign(static_cast<std::size_t>(functions), 0);
  FLayout.InitLoco(R.Bus, address, std::move(loco));
  return Ok();
}

// SET <bus> GL <addr> <drivemode> <V> <V_max> [<f0> ... <fn>]: a loco without
// functions is sent none.
std::string TSimCommands::SetLoco(TRequest& R) {
  int32_t address, mode, speed, maxSpeed;
  if (!DeviceAddress(R, address) || !Number(R.Words[4], 0, 2, mode) ||
      !Number(R.Words[6], 0, AnyNumber, maxSpeed) || !Number(R.Words[5], 0, maxSpeed, speed))
    return Fail(mkErrWrongValue);
  const auto found = R.Bus.Locos.find(address);
  if (found == R.Bus.Locos.end()) return Fail(mkErrNoData);
  // Fewer values than the loco has functions keep the others as they are.
  if (R.Words.size() - 7 > found->second.Functions.size()) return Fail(mkErrListTooLong);
  std::vector<int32_t> functions(R.Words.size() - 7);
  for (std::size_t i = 0; i < functions.size(); ++i)
    if (!Number(R.Words[7 + i], 0, 1, functions[i])) return Fail(mkErrWrongValue);
  if (!R.CheckOnly) FLayout.SetLoco(R.Bus, address, mode, speed, maxSpeed, functions);
  return Ok();
}

// GET <bus> GL <addr>
std::string TSimCommands::GetLoco(TRequest& R) {
  int32_t address;
  if (!DeviceAddress(R, address)) return Fail(mkErrWrongValue);
  if (!R.Bus.Locos.count(address)) return Fail(mkErrNoData);
  return FLayout.LocoLine(mkInfoState, R.Bus, address);
}

// TERM <bus> GL <addr>
std::string TSimCommands::TermLoco(TRequest& R) {
  int32_t address;
  if (!DeviceAddress(R, address)) return Fail(mkErrWrongValue);
  if (!R.Bus.Locos.count(address)) return Fail(mkErrNoData);
  FLayout.TermLoco(R.Bus, address);
  return Ok();
}

// ---- GA ----

// INIT <bus> GA <addr> <protocol>
std::string TSimCommands::InitAccessory(TRequest& R) {
  int32_t address;
  if (!DeviceAddress(R, address)) return Fail(mkErrWrongValue);
  const TSRCPProtocol protocol = ProtocolOfLetter(R.Words[4]);
  if (protocol == prInvalid || !R.Bus.Takes(protocol)) return Fail(mkErrUnsupportedDeviceProtocol);
  FLayout.InitAccessory(R.Bus, address, protocol);
  return Ok();
}

// SET <bus> GA <addr> <port> <value> <delay>: a delay of -1 keeps the value.
std::string TSimCommands::SetAccessory(TRequest& R) {
  int32_t address, port, value, delay;
  if (!DeviceAddress(R, address) || !Number(R.Words[4], 0, 1, port) ||
      !Number(R.Words[5], 0, 1, value) || !Number(R.Words[6], -1, AnyNumber, delay))
    return Fail(mkErrWrongValue);
  if (!R.Bus.Accessories.count(address)) return Fail(mkErrNoData);
  if (!R.CheckOnly) FLayout.SetAccessory(R.Bus, address, port, value, delay);
  return Ok();
}

// GET <bus> GA <addr> <port>: a port never set reads 0.
std::string TSimCommands::GetAccessory(TRequest& R) {
  int32_t address, port;
  if (!DeviceAddress(R, address) || !Number(R.Words[4], 0, 1, port)) return Fail(mkErrWrongValue);
  if (!R.Bus.Accessories.count(address)) return Fail(mkErrNoData);
  return FLayout.AccessoryLine(mkInfoState, R.Bus, address, port);
}

// TERM <bus> GA <addr>
std::string TSimCommands::TermAccessory(TRequest& R) {
  int32_t address;
  if (!DeviceAddress(R, address)) return Fail(mkErrWrongValue);
  if (!R.Bus.Accessories.count(address)) return Fail(mkErrNoData);
  FLayout.TermAccessory(R.Bus, address);
  return Ok();
}

// ---- FB ----

// SET <bus> FB <addr> <value>: drives a contact from outside, as a layout
// would when a train reaches it.
std::string TSimCommands::SetContact(TRequest& R) {
  int32_t address, value;
  if (!DeviceAddress(R, address) || !Number(R.Words[4], 0, 1, value)) return Fail(mkErrWrongValue);
  FLayout.SetContact(address, value);
  return Ok();
}

// GET <bus> FB <addr>: a contact beyond the bus has no data.
std::string TSimCommands::GetContact(TRequest& R) {
  int32_t address;
  if (!Number(R.Words[3], 0, AnyNumber, address)) return Fail(mkErrWrongValue);
  if (address < 1 || address > R.Bus.MaxAddress) return Fail(mkErrNoData);
  return FLayout.ContactLine(address);
}

// ---- POWER ----

// SET <bus> POWER ON|OFF [<text>]: the text is taken and not repeated.
std::string TSimCommands::SetPower(TRequest& R) {
  if (R.Words[3] != "ON" && R.Words[3] != "OFF") return Fail(mkErrUnknownValue);
  if (!R.CheckOnly) FLayout.SetPower(R.Bus, R.Words[3] == "ON");
  return Ok();
}

// GET <bus> POWER
std::string TSimCommands::GetPower(TRequest& R) { return FLayout.PowerLine(R.Bus); }

// INIT|TERM <bus> POWER, INIT <bus> FB [<text>], TERM <bus> FB
std::string TSimCommands::Announce(TRequest& R) {
  const TSRCPMessageKind kind = R.Words[0] == "INIT" ? mkInfoInit : mkInfoTerm;
  FLayout.Announce(R.Bus, R.Words[2] == "FB" ? dgFeedback : dgPower, kind);
  return Ok();
}

}  // namespace tenvarra
