#include "devices/Persistent.h"

namespace tenvarra {

EAssignError::EAssignError(const std::string& sourceClass, const std::string& destClass)
    : std::logic_error("Cannot assign a " + sourceClass + " to a " + destClass) {}

void TPersistent::Assign(const TPersistent& Source) { Source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& Dest) const {
  throw EAssignError(ClassName(), Dest.ClassName());
}

}  // namespace tenvarra
