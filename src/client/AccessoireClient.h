#pragma once
// The accessory device group of one bus as the railway client uses it: it
// turns a copy of a device-model solenoid into GA commands and takes GA
// reports into that copy, from which the container updates its records.

#include <cstdint>
#include <memory>

#include "devices/ProtocolList.h"
#include "devices/Solenoid.h"
#include "srcp/AccessoireGroup.h"

namespace tenvarra {

// The first protocol of List with the wire protocol's family and Version that
// reaches Address, with Bus added to its groups; else a new "Automatic
// solenoid protocol" appended to List, which reaches at least Address, so the
// reported solenoid keeps its address and the next report for it finds this
// protocol again. An address below 1 is looked for as 1. Ports and values are
// not compared. A bus outside the groups' range 0..255 is not recorded.
TMoBaSolenoidProtocol* FindOrAddSolenoidProtocol(TMoBaSolenoidProtocolList& List,
                                                 TSRCPProtocol Protocol, int32_t Version,
                                                 int32_t Address, int32_t Bus);
// The same on the process-wide catalogue MoBaSolenoidProtocols().
TMoBaSolenoidProtocol* FindOrAddSolenoidProtocol(TSRCPProtocol Protocol, int32_t Version,
                                                 int32_t Address, int32_t Bus);

class TMoBaSRCPAccessoireClient : public TSRCPCustomAccessoire {
public:
  TMoBaSRCPAccessoireClient();

  // The group's own solenoid; it starts without protocol.
  TMoBaAdvancedSolenoid& Solenoid() { return *FSolenoid; }
  const TMoBaAdvancedSolenoid& Solenoid() const { return *FSolenoid; }
  // Copies Value into the group's solenoid. The caller's activation and
  // switch-off handlers are not taken over: the server switches the port
  // off after the delay, nothing here may start a timer of the caller's.
  void SetSolenoid(const TMoBaBaseSolenoid& Value);

protected:
  void ReadValues(TSRCPCmd& Msg) override;
  void ReadInit(TSRCPCmd& Msg) override;
  void ReadTerm(TSRCPCmd& Msg) override;
  void ReadLock(TSRCPDeviceLock& Lock) override;
  void ReadUnlock(TSRCPDeviceLock& Lock) override;
  void FillGet() override;
  void FillSet() override;
  void FillTerm() override;
  void FillInit() override;
  void FillExtra1() override;
  void FillExtra2() override;

private:
  // Outside semExact the group's solenoid stands for whichever solenoid
  // reported last, so the protocol of an earlier one must not limit this one.
  void ForgetProtocol();
  void TakeLock(bool Locked, int32_t LockID);

  std::unique_ptr<TMoBaAdvancedSolenoid> FSolenoid;
  // What the last SET asked for: the SET repeated after a refusal asks for
  // it again, not for the state that the GET in between read into FSolenoid.
  struct TRequest {
    int32_t Address = 0;
    int32_t Port = 0;
    int32_t Value = 0;
    int32_t Delay = 0;
  } FRequest;
};

}  // namespace tenvarra
