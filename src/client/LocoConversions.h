#pragma once
// How the device model's drive modes and protocol families meet the wire's.

#include <cstdint>

#include "devices/Loco.h"
#include "devices/Protocol.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

// mdmChange turns the wire direction: backward after forward, else forward.
// mdmNext and mdmInvalid have no wire form (dmInvalid).
TSRCPDriveMode DriveModeToSRCP(TMoBaDriveMode Mode, TSRCPDriveMode Previous);
// dmKeep and dmInvalid leave Current as it is.
TMoBaDriveMode SRCPToDriveMode(TSRCPDriveMode Mode, TMoBaDriveMode Current);

// The family of a wire protocol letter. The server's own choice (P) and no
// letter at all are the custom family.
uint8_t ProtocolBaseOfSRCP(TSRCPProtocol Protocol);
// The wire letter of a family: the custom family (and any family outside the
// table) is the server's own choice, P.
TSRCPProtocol SRCPProtocolOfBase(uint8_t Base);
// The wire letter of a device's protocol; prInvalid without one.
TSRCPProtocol SRCPProtocolOf(const TMoBaBaseProtocol* Protocol);

}  // namespace tenvarra
