#include "client/SRCPSolenoid.h"

namespace tenvarra {

void TMoBaSRCPSolenoid::FitPortTimeStamps() const {
  const auto count = static_cast<std::size_t>(PortCount());
  if (FPortTimeStamps.size() != count) FPortTimeStamps.resize(count, 0.0);
}

const std::vector<double>& TMoBaSRCPSolenoid::PortTimeStamps() const {
  FitPortTimeStamps();
  return FPortTimeStamps;
}

double TMoBaSRCPSolenoid::PortTimeStamp(int32_t Port) const {
  if (Port < 0 || Port >= PortCount()) return 0.0;
  FitPortTimeStamps();
  return FPortTimeStamps[static_cast<std::size_t>(Port)];
}

void TMoBaSRCPSolenoid::SetPortTimeStamp(int32_t Port, double Value) {
  if (Port < 0 || Port >= PortCount()) return;
  FitPortTimeStamps();
  FPortTimeStamps[static_cast<std::size_t>(Port)] = Value;
}

std::unique_ptr<TMoBaBaseDevice> TMoBaSRCPSolenoid::Create() const {
  return std::make_unique<TMoBaSRCPSolenoid>();
}

void TMoBaSRCPSolenoid::AssignTo(TPersistent& Dest) const {
  TMoBaAdvancedSolenoid::AssignTo(Dest);
  auto* dest = dynamic_cast<TMoBaSRCPSolenoid*>(&Dest);
  if (!dest || dest == this) return;
  dest->FSRCPState = FSRCPState;
  dest->FBus = FBus;
}

}  // namespace tenvarra
