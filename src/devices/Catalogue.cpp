#include "devices/Catalogue.h"

#include <memory>

namespace tenvarra {

const std::array<TMoBaDefaultLocoProtocolSpec, 11> MoBaDefaultLocoProtocols{{
    {MoBaBaseMotorola, 1, "Motorola 1", "Old Motorola format (Only 1 function).", 80, 1, 0, 14},
    {MoBaBaseMotorola, 2, "Motorola 2", "New Motorola format (4 extra functions).", 80, 5, 0, 14},
    {MoBaBaseMotorola, 2, "Motorola 3",
     "New Motorola with 28 speed steps (Winkinger Decoder).", 255, 5, 0, 28},
    {MoBaBaseMotorola, 2, "Motorola 4", "New Motorola with 256 addresses (Uhlenbrock).", 255, 5,
     0, 14},
    {MoBaBaseMotorola, 2, "Motorola 5",
     "New Motorola format (type 2) with 27 speed steps (newer Maerklin Decoders).", 80, 5, 0, 27},
    {MoBaBaseMotorola, 2, "Motorola Function", "Old Motorola function decoders", 80, 5, 0, 1},
    {MoBaBaseNmra, 1, "NMRA Base", "NMRA Base Line (7-Bit address, 14 speed steps).", 99, 1, 0,
     14},
    {MoBaBaseNmra, 2, "NMRA 1", "NMRA 7-Bit address, 28 speed steps, 4 functions.", 99, 5, 0, 28},
    {MoBaBaseNmra, 2, "NMRA 2", "NMRA 7-Bit address, 128 speed steps, 4 functions.", 99, 5, 0,
     128},
    {MoBaBaseNmra, 2, "NMRA 3", "NMRA 14-Bit address, 28 speed steps, 4 functions.", 10239, 5, 0,
     28},
    {MoBaBaseNmra, 2, "NMRA 4", "NMRA 14-Bit address, 128 speed steps, 4 functions.", 10239, 5,
     0, 128},
}};

const std::array<TMoBaDefaultSolenoidProtocolSpec, 2> MoBaDefaultSolenoidProtocols{{
    {MoBaBaseMotorola, 0, "Motorola Solenoid", "Motorola solenoid type 1 and 2.", 256, 1, 1},
    {MoBaBaseNmra, 0, "NMRA Accessory", "NMRA accessory decoder", 4096, 1, 1},
}};

void FillDefaultLocoProtocols(TMoBaLocoProtocolList& List) {
  List.Clear();
  for (const auto& row : MoBaDefaultLocoProtocols) {
    auto protocol = std::make_unique<TMoBaLocoProtocol>();
    protocol->Base = row.Base;
    protocol->Extension = row.Extension;
    protocol->Name = row.Name;
    protocol->Desc = row.Desc;
    protocol->MaxAddress = row.MaxAddress;
    protocol->MinSteps = row.MinSteps;
    protocol->MaxSteps = row.MaxSteps;
    protocol->MaxFunctions = row.MaxFunctions;
    protocol->Groups.reset();
    List.Add(std::move(protocol));
  }
}

void FillDefaultSolenoidProtocols(TMoBaSolenoidProtocolList& List) {
  List.Clear();
  for (const auto& row : MoBaDefaultSolenoidProtocols) {
    auto protocol = std::make_unique<TMoBaSolenoidProtocol>();
    protocol->Base = row.Base;
    protocol->Extension = row.Extension;
    protocol->Name = row.Name;
    protocol->Desc = row.Desc;
    protocol->MaxAddress = row.MaxAddress;
    protocol->MaxPort = row.MaxPort;
    protocol->MaxValue = row.MaxValue;
    protocol->Groups.reset();
    List.Add(std::move(protocol));
  }
}

namespace {

// The lists' profile participants reach MoBaProfiles() while the lists are
// built, so the store is complete first and is destroyed after the catalogues.
struct TLocoCatalogue {
  TMoBaLocoProtocolList List;
  TLocoCatalogue() { FillDefaultLocoProtocols(List); }
};

struct TSolenoidCatalogue {
  TMoBaSolenoidProtocolList List;
  TSolenoidCatalogue() {
    MoBaLocoProtocols();  // keep the start-up order: loco catalogue first
    FillDefaultSolenoidProtocols(List);
  }
};

}  // namespace

TMoBaLocoProtocolList& MoBaLocoProtocols() {
  static TLocoCatalogue catalogue;
  return catalogue.List;
}

TMoBaSolenoidProtocolList& MoBaSolenoidProtocols() {
  static TSolenoidCatalogue catalogue;
  return catalogue.List;
}

}  // namespace tenvarra
