#include "client/SRCPLoco.h"

namespace tenvarra {

std::unique_ptr<TMoBaBaseDevice> TMoBaSRCPLoco::Create() const {
  return std::make_unique<TMoBaSRCPLoco>();
}

void TMoBaSRCPLoco::AssignTo(TPersistent& Dest) const {
  TMoBaAdvancedLoco::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaSRCPLoco*>(&Dest);
  if (!dest || dest == this) return;
  dest->FSRCPState = FSRCPState;
  dest->FBus = FBus;
  dest->FTimeStamp = FTimeStamp;
}

}  // namespace tenvarra
