#pragma once
// The fixed protocol choices: the eleven loco protocols offered by the loco
// dialogs, and the two solenoid protocols every solenoid refers to.

#include <array>
#include <cstdint>
#include <memory>

#include "devices/Protocol.h"

namespace tenvarra {

class TDialogProtocols {
public:
  static constexpr int32_t Count = 11;

  TDialogProtocols();
  TDialogProtocols(const TDialogProtocols&) = delete;
  TDialogProtocols& operator=(const TDialogProtocols&) = delete;

  // The protocol of entry 0 .. Count-1; none for any other entry.
  const TMoBaLocoProtocol* operator[](int32_t Entry) const;
  // The entry of a protocol of this set (by identity), or -1.
  int32_t IndexOf(const TMoBaLocoProtocol* Protocol) const;

private:
  std::array<TMoBaLocoProtocol, Count> FProtocols;
};

// The process-wide choices, built on first use and kept to the end of the run,
// so that locos may refer to them for as long as they live.
const TDialogProtocols& DialogProtocols();

// The two solenoid protocols; their owner (the bridge) must outlive every
// solenoid that refers to them.
std::unique_ptr<TMoBaSolenoidProtocol> CreateMotorolaSolenoidProtocol();
std::unique_ptr<TMoBaSolenoidProtocol> CreateNmraAccessoryProtocol();

}  // namespace tenvarra
