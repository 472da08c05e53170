#include "client/LocoConversions.h"

namespace tenvarra {

namespace {

constexpr uint8_t BaseAnalog = 1;
constexpr uint8_t BaseFleischmann = 2;
constexpr uint8_t BaseLoconet = 3;
constexpr uint8_t BaseSelectric = 6;
constexpr uint8_t BaseZimo = 7;

}  // namespace

TSRCPDriveMode DriveModeToSRCP(TMoBaDriveMode Mode, TSRCPDriveMode Previous) {
  switch (Mode) {
    case mdmForward: return dmForward;
    case mdmBackwards: return dmBackward;
    case mdmChange: return Previous == dmForward ? dmBackward : dmForward;
    case mdmEmergencyStop: return dmEmergencyStop;
    default: return dmInvalid;
  }
}

TMoBaDriveMode SRCPToDriveMode(TSRCPDriveMode Mode, TMoBaDriveMode Current) {
  switch (Mode) {
    case dmForward: return mdmForward;
    case dmBackward: return mdmBackwards;
    case dmEmergencyStop: return mdmEmergencyStop;
    default: return Current;
  }
}

uint8_t ProtocolBaseOfSRCP(TSRCPProtocol Protocol) {
  switch (Protocol) {
    case prA: return BaseAnalog;
    case prF: return BaseFleischmann;
    case prL: return BaseLoconet;
    case prM: return MoBaBaseMotorola;
    case prN: return MoBaBaseNmra;
    case prS: return BaseSelectric;
    case prZ: return BaseZimo;
    default: return MoBaBaseCustom;
  }
}

TSRCPProtocol SRCPProtocolOfBase(uint8_t Base) {
  switch (Base) {
    case BaseAnalog: return prA;
    case BaseFleischmann: return prF;
    case BaseLoconet: return prL;
    case MoBaBaseMotorola: return prM;
    case MoBaBaseNmra: return prN;
    case BaseSelectric: return prS;
    case BaseZimo: return prZ;
    default: return prP;
  }
}

TSRCPProtocol SRCPProtocolOf(const TMoBaBaseProtocol* Protocol) {
  return Protocol ? SRCPProtocolOfBase(Protocol->Base) : prInvalid;
}

}  // namespace tenvarra
