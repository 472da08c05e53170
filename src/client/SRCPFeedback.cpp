#include "client/SRCPFeedback.h"

namespace tenvarra {

std::unique_ptr<TMoBaBaseDevice> TMoBaSRCPFeedback::Create() const {
  return std::make_unique<TMoBaSRCPFeedback>();
}

void TMoBaSRCPFeedback::AssignTo(TPersistent& Dest) const {
  TMoBaBaseFeedback::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaSRCPFeedback*>(&Dest);
  if (!dest || dest == this) return;
  dest->FBus = FBus;
  dest->FTimeStamp = FTimeStamp;
}

}  // namespace tenvarra
