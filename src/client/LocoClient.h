#pragma once
// The loco device group of one bus as the railway client uses it: it turns a
// copy of a device-model loco into GL commands and takes GL reports into a
// loco of its own, from which the container updates its records.

#include <cstdint>
#include <memory>

#include "devices/Loco.h"
#include "devices/ProtocolList.h"
#include "srcp/LocoGroup.h"

namespace tenvarra {

// The first protocol of List with the wire protocol's family, Version,
// SpeedSteps and FunctionCount that reaches Address, with Bus added to its
// groups; else a new "Automatic loco protocol" appended to List. An address
// below 1 is looked for as 1, the address a loco takes anyway. A new
// protocol reaches at least Address, so the reported loco keeps its address
// and the next report for it finds this protocol again. A bus outside the
// groups' range 0..255 is not recorded; a negative version counts as 0.
TMoBaLocoProtocol* FindOrAddLocoProtocol(TMoBaLocoProtocolList& List, TSRCPProtocol Protocol,
                                         int32_t Version, int32_t SpeedSteps, int32_t Bus,
                                         int32_t Address, int32_t FunctionCount);
// The same on the process-wide catalogue MoBaLocoProtocols().
TMoBaLocoProtocol* FindOrAddLocoProtocol(TSRCPProtocol Protocol, int32_t Version,
                                         int32_t SpeedSteps, int32_t Bus, int32_t Address,
                                         int32_t FunctionCount);

class TMoBaSRCPLocoClient : public TSRCPCustomLoco {
public:
  TMoBaSRCPLocoClient();
  ~TMoBaSRCPLocoClient() override;

  // The group's own loco: the last one given to SetLoco, then changed by
  // every report the group takes. It starts without protocol.
  TMoBaAdvancedLoco& Loco() { return *FLoco; }
  const TMoBaAdvancedLoco& Loco() const { return *FLoco; }
  // Copies Value into the group's loco and keeps a second copy that the
  // commands are built from. A report taken in the middle of an exchange
  // (the reply to the GET of a retry) changes the first, never the second,
  // so a repeated SET still carries what the caller asked for.
  void SetLoco(const TMoBaAdvancedLoco& Value);
  const TMoBaAdvancedLoco& Order() const { return *FOrder; }

  // Where INIT reports find or add their protocols; MoBaLocoProtocols()
  // unless set. Not owned.
  TMoBaLocoProtocolList& Catalogue() const { return *FCatalogue; }
  void SetCatalogue(TMoBaLocoProtocolList& List) { FCatalogue = &List; }

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
  // Outside semExact the group's loco stands for whichever loco reported
  // last, so the protocol of an earlier one must not limit this one.
  void ForgetProtocol();
  void TakeLock(bool Locked, int32_t LockID);

  std::unique_ptr<TMoBaAdvancedLoco> FLoco;
  std::unique_ptr<TMoBaAdvancedLoco> FOrder;
  TMoBaLocoProtocolList* FCatalogue;
};

}  // namespace tenvarra
