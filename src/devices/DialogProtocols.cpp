#include "devices/DialogProtocols.h"

namespace tenvarra {

namespace {

struct TChoice {
  const char* Name;
  uint8_t Base;
  int32_t Extension;
  int32_t MaxAddress;
  int32_t MaxSteps;
  int32_t MaxFunctions;
  uint8_t Bus;  // the default bus of the kind, kept in Groups
};

// Extension 1 marks NMRA decoders with short addresses, 2 those with long ones.
constexpr std::array<TChoice, TDialogProtocols::Count> Choices{{
    {"Old Motorola", MoBaBaseMotorola, 1, 80, 14, 1, 1},
    {"New Motorola (M2)", MoBaBaseMotorola, 2, 80, 14, 5, 1},
    {"Extended Motorola 1 (M3)", MoBaBaseMotorola, 2, 255, 28, 5, 1},
    {"Extended Motorola 2 (M4)", MoBaBaseMotorola, 2, 255, 14, 5, 1},
    {"Extended Motorola 3 (M5)", MoBaBaseMotorola, 2, 80, 27, 5, 1},
    {"NMRA Base (NB)", MoBaBaseNmra, 1, 99, 14, 0, 2},
    {"Extended NMRA 1 (N1a)", MoBaBaseNmra, 1, 99, 14, 5, 2},
    {"Extended NMRA 1 (N1b)", MoBaBaseNmra, 1, 99, 28, 5, 2},
    {"Extended NMRA 2 (N2)", MoBaBaseNmra, 1, 99, 128, 5, 2},
    {"Extended NMRA 3 (N3)", MoBaBaseNmra, 2, 10239, 28, 5, 3},
    {"Extended NMRA 4 (N4)", MoBaBaseNmra, 2, 10239, 128, 5, 3},
}};

std::unique_ptr<TMoBaSolenoidProtocol> MakeSolenoidProtocol(const char* name, uint8_t base,
                                                            int32_t maxAddress, uint8_t bus) {
  auto protocol = std::make_unique<TMoBaSolenoidProtocol>();
  protocol->Name = name;
  protocol->Base = base;
  protocol->Extension = 0;
  protocol->MaxAddress = maxAddress;
  protocol->MaxPort = 1;
  protocol->MaxValue = 1;
  protocol->Groups.set(bus);
  return protocol;
}

}  // namespace

TDialogProtocols::TDialogProtocols() {
  for (int32_t i = 0; i < Count; ++i) {
    const TChoice& choice = Choices[i];
    TMoBaLocoProtocol& protocol = FProtocols[i];
    protocol.Name = choice.Name;
    protocol.Base = choice.Base;
    protocol.Extension = choice.Extension;
    protocol.MaxAddress = choice.MaxAddress;
    protocol.MinSteps = 0;
    protocol.MaxSteps = choice.MaxSteps;
    protocol.MaxFunctions = choice.MaxFunctions;
    protocol.Groups.set(choice.Bus);
  }
}

const TMoBaLocoProtocol* TDialogProtocols::operator[](int32_t Entry) const {
  return Entry >= 0 && Entry < Count ? &FProtocols[Entry] : nullptr;
}

int32_t TDialogProtocols::IndexOf(const TMoBaLocoProtocol* Protocol) const {
  for (int32_t i = 0; i < Count; ++i)
    if (&FProtocols[i] == Protocol) return i;
  return -1;
}

const TDialogProtocols& DialogProtocols() {
  static const TDialogProtocols choices;
  return choices;
}

std::unique_ptr<TMoBaSolenoidProtocol> CreateMotorolaSolenoidProtocol() {
  return MakeSolenoidProtocol("Motorola Solenoid", MoBaBaseMotorola, 256, 5);
}

std::unique_ptr<TMoBaSolenoidProtocol> CreateNmraAccessoryProtocol() {
  return MakeSolenoidProtocol("NMRA Accessory", MoBaBaseNmra, 4096, 6);
}

}  // namespace tenvarra
