#pragma once
// The model time of one bus and its speed ratio. No command is sent: the
// ratio from the settings stays until the server's TIME INIT replaces it.

#include <cstdint>
#include <memory>

namespace tenvarra {

class TIniFile;
class TSRCPTime;
class TMoBaSRCPBus;

class TMoBaSRCPTime {
public:
  explicit TMoBaSRCPTime(TMoBaSRCPBus& OwnerBus);
  ~TMoBaSRCPTime();
  TMoBaSRCPTime(const TMoBaSRCPTime&) = delete;
  TMoBaSRCPTime& operator=(const TMoBaSRCPTime&) = delete;

  TMoBaSRCPBus& OwnerBus() const { return FOwnerBus; }
  TSRCPTime& TimeGroup() const { return *FTimeGroup; }

  // Model time runs TimeMultiplicator:TimeDivisor; a value below 1 is stored as 1.
  int32_t TimeMultiplicator() const;
  void SetTimeMultiplicator(int32_t Value);
  int32_t TimeDivisor() const;
  void SetTimeDivisor(int32_t Value);

  // "TimeMultiplicator" and "TimeDivisor" of the bus's section, default 1.
  void LoadSettings(TIniFile& Settings);
  void SaveSettings(TIniFile& Settings);

private:
  TMoBaSRCPBus& FOwnerBus;
  std::unique_ptr<TSRCPTime> FTimeGroup;
};

}  // namespace tenvarra
