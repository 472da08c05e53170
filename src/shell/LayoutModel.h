#pragma once
// What the bridge knows of the layout, for the live layout view: the three
// states (the application holds the port, the server is connected, power per
// bus), every loco and solenoid the server has reported, and the feedback
// contacts as the S88 image the serial reads are answered from.
//
// Reports go in, rows come out; nothing here draws or talks to the network.
// The model keeps copies of what the reports said, so rows stay valid after
// the client has dropped its records. Feedback is read from the image itself
// and loco names from the loco table at the time rows are asked for, so a
// name edited in the setup shows at the next refresh.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "devices/Loco.h"

namespace tenvarra {

class TLocoTable;
class TMoBaSRCPLoco;
class TMoBaSRCPSolenoid;
class TS88Image;

struct TLocoRow {
  int32_t Bus = 0;
  int32_t Address = 0;
  // The name of the loco table's protocol for this address (loco.dat keeps
  // it); empty when the table has no loco with a protocol here.
  std::string Protocol;
  // Speed step Speed of MaxSpeed: the protocol's steps once the loco's
  // protocol is known, else the speed and maximum of the server's report.
  int32_t Speed = 0;
  int32_t MaxSpeed = 0;
  TMoBaDriveMode Direction = mdmForward;
  bool Light = false;
  // The numbers (1 ..) of the functions switched on.
  std::vector<int32_t> Functions;
};

struct TSolenoidRow {
  int32_t Bus = 0;
  int32_t Address = 0;
  // The port switched last.
  int32_t Port = 0;
  // Whether that port's output is on.
  bool On = false;
};

struct TBusPower {
  int32_t Bus = 0;
  bool On = false;
};

class TLayoutModel {
public:
  // The parts a change touched; OnChange gets them or'ed together.
  enum TPart : unsigned {
    lpStates = 1u,
    lpLocos = 2u,
    lpSolenoids = 4u,
    lpFeedback = 8u,
  };
  static constexpr unsigned AllParts = lpStates | lpLocos | lpSolenoids | lpFeedback;
  static constexpr int32_t ModuleCount = 31;
  static constexpr int32_t ContactsPerModule = 16;

  // Image and Locos must outlive the model.
  TLayoutModel(const TS88Image& Image, const TLocoTable& Locos);

  // After every report that changed something the rows show.
  std::function<void(unsigned Parts)> OnChange;

  // ---- Reports in ----
  void PortHeld(bool Held);
  void ServerConnected();
  // Everything the server told goes with the connection; the feedback image
  // stays, as the serial reads still see it.
  void ServerDisconnected();
  void BusPower(int32_t Bus, bool On);
  void LocoReported(const TMoBaSRCPLoco& Loco);
  void LocoTerminated(const TMoBaSRCPLoco& Loco);
  void SolenoidReported(const TMoBaSRCPSolenoid& Solenoid);
  void SolenoidTerminated(const TMoBaSRCPSolenoid& Solenoid);
  // Contact (1 .. 496) of the image has changed.
  void FeedbackChanged(int32_t Contact);

  // ---- Rows out ----
  bool PortIsHeld() const { return FPortHeld; }
  bool ServerIsConnected() const { return FConnected; }
  // The buses that reported power, by number.
  std::vector<TBusPower> Power() const;
  // Sorted by address, then bus.
  std::vector<TLocoRow> Locos() const;
  std::vector<TSolenoidRow> Solenoids() const;
  // Module 1 .. 31, contact 1 .. 16; false outside.
  bool Occupied(int32_t Module, int32_t Contact) const;
  // The contact number (1 .. 496) of a cell; 0 outside the image.
  static int32_t ContactNumber(int32_t Module, int32_t Contact);

private:
  void Changed(unsigned Parts);

  const TS88Image& FImage;
  const TLocoTable& FLocoTable;
  bool FPortHeld = false;
  bool FConnected = false;
  std::map<int32_t, bool> FPower;
  // Keyed by address, then bus: the order the rows are shown in.
  std::map<std::pair<int32_t, int32_t>, TLocoRow> FLocos;
  std::map<std::pair<int32_t, int32_t>, TSolenoidRow> FSolenoids;
};

}  // namespace tenvarra
