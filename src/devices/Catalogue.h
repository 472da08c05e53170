#pragma once
// The default protocol tables and the two process-wide protocol catalogues.

#include <array>
#include <cstdint>

#include "devices/ProtocolList.h"

namespace tenvarra {

struct TMoBaDefaultLocoProtocolSpec {
  uint8_t Base;
  int32_t Extension;
  const char* Name;
  const char* Desc;
  int32_t MaxAddress;
  int32_t MaxFunctions;
  int32_t MinSteps;
  int32_t MaxSteps;
};

struct TMoBaDefaultSolenoidProtocolSpec {
  uint8_t Base;
  int32_t Extension;
  const char* Name;
  const char* Desc;
  int32_t MaxAddress;
  int32_t MaxPort;
  int32_t MaxValue;
};

extern const std::array<TMoBaDefaultLocoProtocolSpec, 11> MoBaDefaultLocoProtocols;
extern const std::array<TMoBaDefaultSolenoidProtocolSpec, 2> MoBaDefaultSolenoidProtocols;

// Replace the list's items with one protocol per default row, in table order.
void FillDefaultLocoProtocols(TMoBaLocoProtocolList& List);
void FillDefaultSolenoidProtocols(TMoBaSolenoidProtocolList& List);

// The process-wide catalogues, built with their default protocols on first use
// (after MoBaProfiles(), which therefore outlives them). They own their
// protocols; the railway client may append more.
TMoBaLocoProtocolList& MoBaLocoProtocols();
TMoBaSolenoidProtocolList& MoBaSolenoidProtocols();

}  // namespace tenvarra
