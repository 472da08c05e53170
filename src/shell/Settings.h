#pragma once
// The settings that loco.dat keeps between runs, with their first-start values.

#include <cstdint>
#include <string>

namespace tenvarra {

struct TSettings {
  std::string Host = "localhost";
  int32_t Port = 12345;
  uint32_t ActivationTime = 200;  // ms a solenoid port stays on
  bool WriteLogFile = false;
  bool LearningMode = false;      // ask for solenoids the table does not know
  bool SerialHandshake = true;
  int32_t MMGLBus = 1;
  int32_t NMRAGLSBus = 2;
  int32_t NMRAGLLBus = 3;
  int32_t MMGABus = 5;
  int32_t NMRAGABus = 6;
  int32_t S88Bus = 8;
  int32_t PowerBus = 1;
  int32_t S88Modules = 8;

  bool operator==(const TSettings&) const = default;
};

}  // namespace tenvarra
