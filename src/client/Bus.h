#pragma once
// One bus of the SRCP server. The bus learns from a description (reported
// by the server, or asked for when no report is given) which device groups
// it offers and creates one container per group it knows. It names the
// settings section of its containers and carries the emergency stop of all
// its locos.

#include <cstdint>
#include <memory>
#include <string>

#include "srcp/Vocabulary.h"

namespace tenvarra {

class TIniFile;
class TSRCPCustomDescription;
class TMoBaSRCPClient;
class TMoBaSRCPLocos;
class TMoBaSRCPAccessoires;
class TMoBaSRCPFeedbacks;
class TMoBaSRCPPower;
class TMoBaSRCPTime;

class TMoBaSRCPBus {
public:
  // With ADescription: takes its bus number and groups. Without: takes the
  // client's BusCount as number and asks the server for that bus's
  // description when the command session is connected.
  TMoBaSRCPBus(TMoBaSRCPClient& AClient, TSRCPCustomDescription* ADescription);
  // Closes the bus when the client has not; errors are lost then.
  ~TMoBaSRCPBus();
  TMoBaSRCPBus(const TMoBaSRCPBus&) = delete;
  TMoBaSRCPBus& operator=(const TMoBaSRCPBus&) = delete;

  TMoBaSRCPClient& Client() const { return FClient; }
  // The server's number of this bus.
  int32_t Bus() const { return FBus; }
  // No device group was listed for this bus.
  bool Empty() const { return FEmpty; }
  // The value of the last emergency stop.
  bool EmergencyStop() const { return FEmergencyStop; }

  TMoBaSRCPLocos* Locos() const { return FLocos.get(); }
  TMoBaSRCPAccessoires* Accessoires() const { return FAccessoires.get(); }
  TMoBaSRCPFeedbacks* Feedbacks() const { return FFeedbacks.get(); }
  TMoBaSRCPPower* Power() const { return FPower.get(); }
  TMoBaSRCPTime* Time() const { return FTime.get(); }

  // "Bus<number>Info".
  std::string SettingsSection() const;
  // Time, accessory and feedback containers, those that exist, in that order.
  void LoadSettings(TIniFile& Settings);
  void SaveSettings(TIniFile& Settings);

  // Destroys the containers: power and locos, then accessories, feedback
  // and time, each after saving its settings while the client's profile is
  // active. Every container goes; the first error is raised at the end.
  void Close();

  // True stops every loco the server has reported on this bus; false
  // restarts those still stopped, in their last direction.
  void SetEmergencyStop(bool Value);

private:
  void QueryDescription();
  void CreateContainer(TSRCPDeviceGroup Group);

  TMoBaSRCPClient& FClient;
  bool FEmpty = true;
  bool FEmergencyStop = false;
  int32_t FBus = 0;
  std::unique_ptr<TMoBaSRCPAccessoires> FAccessoires;
  std::unique_ptr<TMoBaSRCPFeedbacks> FFeedbacks;
  std::unique_ptr<TMoBaSRCPLocos> FLocos;
  std::unique_ptr<TMoBaSRCPPower> FPower;
  std::unique_ptr<TMoBaSRCPTime> FTime;
};

}  // namespace tenvarra
