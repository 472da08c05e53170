#pragma once
// The locos of one bus. The container owns the bus's loco device group,
// which turns a caller's loco into INIT and SET commands, and one record per
// loco the server has reported on the bus; every GL report updates the
// matching record and fires one of the client's loco events.

#include <cstdint>
#include <memory>
#include <vector>

#include "client/LocoClient.h"
#include "client/SRCPLoco.h"

namespace tenvarra {

class TMoBaSRCPBus;

class TMoBaSRCPLocos {
public:
  // Binds the group to the client's sessions, on the bus's number, for the
  // reports of every loco on that bus.
  explicit TMoBaSRCPLocos(TMoBaSRCPBus& OwnerBus);
  // Records first (last first), then the group, which leaves the sessions.
  ~TMoBaSRCPLocos();
  TMoBaSRCPLocos(const TMoBaSRCPLocos&) = delete;
  TMoBaSRCPLocos& operator=(const TMoBaSRCPLocos&) = delete;

  TMoBaSRCPBus& OwnerBus() const { return FOwnerBus; }
  int32_t Bus() const;

  // The records in the order their locos were first reported.
  int32_t Count() const { return static_cast<int32_t>(FRecords.size()); }
  // std::out_of_range outside 0 .. Count-1.
  TMoBaSRCPLoco& Items(int32_t Index) const;
  // The first record with Address; none when there is none.
  TMoBaSRCPLoco* FindLoco(int32_t Address) const;

  // INIT with the loco's protocol, then SET with its state; the result is
  // the SET's. The caller's loco is copied, never kept, and the records are
  // left to the reports. Network errors reach the caller.
  bool InitLoco(const TMoBaAdvancedLoco& ALoco);
  // The SET alone.
  bool SetLoco(const TMoBaAdvancedLoco& ALoco);

  TMoBaSRCPLocoClient& LocoClient() const { return *FLocoClient; }

private:
  // Each group event; they ignore any sender but this container's group.
  void LockChanged(TSRCPBaseDeviceGroup& Sender);
  void ValuesChanged(TSRCPBaseDeviceGroup& Sender);
  void Initialized(TSRCPBaseDeviceGroup& Sender);
  void Terminated(TSRCPBaseDeviceGroup& Sender);

  TMoBaSRCPLocoClient* OwnGroup(TSRCPBaseDeviceGroup& Sender) const;
  // The record of the group's loco, created in mssTerminated when missing.
  TMoBaSRCPLoco& FindOrAddLoco(const TMoBaSRCPLocoClient& Group);
  TMoBaSRCPClient& Client() const;

  TMoBaSRCPBus& FOwnerBus;
  std::vector<std::unique_ptr<TMoBaSRCPLoco>> FRecords;
  std::unique_ptr<TMoBaSRCPLocoClient> FLocoClient;
};

}  // namespace tenvarra
