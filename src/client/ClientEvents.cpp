#include "client/Client.h"

#include "client/SRCPLoco.h"
#include "client/SRCPSolenoid.h"

namespace tenvarra {

namespace {

// A handler may disconnect the client; the guard keeps the reporting bus,
// container and device group alive until the handler has returned.
template <typename TEvent, typename... TArgs>
void Fire(TMoBaSRCPClient& Client, const TEvent& Event, TArgs&... Args) {
  if (!Event) return;
  TMoBaSRCPBusyGuard guard(Client);
  Event(Client, Args...);
}

}  // namespace

void TMoBaSRCPClient::DoBusInit(TMoBaSRCPBus& ABus) { Fire(*this, OnBusInit, ABus); }
void TMoBaSRCPClient::DoBusPowerChange(TMoBaSRCPBus& ABus) { Fire(*this, OnBusPowerChange, ABus); }
void TMoBaSRCPClient::DoBusConfigChange(TMoBaSRCPBus& ABus) {
  Fire(*this, OnBusConfigChange, ABus);
}

void TMoBaSRCPClient::DoLocoInit(TMoBaSRCPLoco& ALoco) { Fire(*this, OnLocoInit, ALoco); }
void TMoBaSRCPClient::DoLocoTerm(TMoBaSRCPLoco& ALoco) { Fire(*this, OnLocoTerm, ALoco); }
void TMoBaSRCPClient::DoLocoChange(TMoBaSRCPLoco& ALoco) { Fire(*this, OnLocoChange, ALoco); }
void TMoBaSRCPClient::DoLocoLock(TMoBaSRCPLoco& ALoco) {
  Fire(*this, ALoco.Locked() ? OnLocoLock : OnLocoUnlock, ALoco);
}

void TMoBaSRCPClient::DoAccessoireInit(TMoBaSRCPSolenoid& ASolenoid) {
  Fire(*this, OnAccessoireInit, ASolenoid);
}
void TMoBaSRCPClient::DoAccessoireTerm(TMoBaSRCPSolenoid& ASolenoid) {
  Fire(*this, OnAccessoireTerm, ASolenoid);
}
void TMoBaSRCPClient::DoAccessoireChange(TMoBaSRCPSolenoid& ASolenoid) {
  Fire(*this, OnAccessoireChange, ASolenoid);
}
void TMoBaSRCPClient::DoAccessoireLock(TMoBaSRCPSolenoid& ASolenoid) {
  Fire(*this, ASolenoid.Locked() ? OnAccessoireLock : OnAccessoireUnlock, ASolenoid);
}

void TMoBaSRCPClient::DoFeedbackInit(TMoBaSRCPFeedback& AFeedback) {
  Fire(*this, OnFeedbackInit, AFeedback);
}
void TMoBaSRCPClient::DoFeedbackTerm(TMoBaSRCPFeedback& AFeedback) {
  Fire(*this, OnFeedbackTerm, AFeedback);
}
void TMoBaSRCPClient::DoFeedbackChange(TMoBaSRCPFeedback& AFeedback) {
  Fire(*this, OnFeedbackChange, AFeedback);
}

void TMoBaSRCPClient::DoTimeInit() { Fire(*this, OnTimeInit); }
void TMoBaSRCPClient::DoTimeTerm() { Fire(*this, OnTimeTerm); }
void TMoBaSRCPClient::DoTimeChange() { Fire(*this, OnTimeChange); }

}  // namespace tenvarra
