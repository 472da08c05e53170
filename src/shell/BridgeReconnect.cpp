// Staying connected: with the reconnect option, a connect that fails or a
// connection the server ends is tried again after 1, 2, 4 ... up to 30
// seconds, until the person disconnects. The log says once that the
// connection is down and once that it is back, not at every attempt.

#include <algorithm>
#include <string>

#include "client/Client.h"
#include "shell/Bridge.h"

namespace tenvarra {

void TBridge::ConnectionDown(const std::string& Line) {
  if (!FWantServer) return;
  if (!FServerDown) {
    FServerDown = true;
    WriteLog(Line + "; connecting again");
  }
  ScheduleReconnect();
}

void TBridge::ScheduleReconnect() {
  if (FReconnectTimer != 0) return;
  FReconnectTimer = FLoop.StartTimer(FReconnectDelayMs, false, [this] {
    FReconnectTimer = 0;
    Reconnect();
  });
  FReconnectDelayMs = std::min(FReconnectDelayMs * 2, ReconnectLastMs);
}

void TBridge::Reconnect() {
  if (!FWantServer || FClient->Connected()) return;
  std::string reason;
  if (!TryConnect(reason)) ScheduleReconnect();
}

void TBridge::ConnectionUp() {
  FReconnectDelayMs = ReconnectFirstMs;
  if (!FServerDown) return;
  FServerDown = false;
  WriteLog("Connection to server is back");
  // What a lost connection took away comes back with it; the power timer
  // follows as after every connect.
  if (FFeedbackWanted) Startfeedback1Click();
}

void TBridge::StopReconnecting() {
  FWantServer = false;
  FServerDown = false;
  FReconnectDelayMs = ReconnectFirstMs;
  if (FReconnectTimer != 0) FLoop.StopTimer(FReconnectTimer);
  FReconnectTimer = 0;
}

void TBridge::NoteDropped() {
  if (!FWantServer) return;
  ++FDropped;
  if (FDropTimer != 0) return;
  FDropTimer = FLoop.StartTimer(DropReportMs, false, [this] {
    FDropTimer = 0;
    WriteLog("Not connected to the server: " + std::to_string(FDropped) + " serial command(s) dropped");
    FDropped = 0;
  });
}

}  // namespace tenvarra
