#pragma once
// How the bridge reaches the person in front of it. The window implements
// this with widgets, the headless front end on a terminal; the bridge itself
// never draws anything. The bridge keeps the state shown here (check marks,
// status texts, the enabled "Connect to Server" item) and tells the front end
// every change, so both front ends show the same thing.
//
// Main thread only. A call may run a nested event loop (a modal dialog).

#include <cstdint>
#include <optional>
#include <string>

namespace tenvarra {

// The panels of the status bar.
enum TStatusPanel : int32_t {
  spPort = 0,         // "Providing COM<n>"
  spApplication = 1,  // "connected" / "not connected": the application's side of the port
  spServer = 2,       // "Conncected to Server" / empty
};

class TBridgeUI {
public:
  virtual ~TBridgeUI() = default;

  // The on-screen log: lines are only appended or all cleared.
  virtual void AddLogLine(const std::string& Text) = 0;
  virtual void ClearLog() = 0;
  // "Log enabled" switched on: the log is made visible.
  virtual void ShowLog() = 0;

  // A message box with one of the fixed texts ("not connected to server", ...).
  virtual void ShowMessage(const std::string& Text) = 0;
  // A message box titled "Warning" with the stop icon.
  virtual void ShowWarning(const std::string& Text) = 0;
  // The error box for an error a command raised; the program goes on.
  virtual void ShowError(const std::string& Text) = 0;

  virtual void SetStatusText(TStatusPanel Panel, const std::string& Text) = 0;
  virtual void SetPowerChecked(bool Checked) = 0;
  virtual void SetLogChecked(bool Checked) = 0;
  virtual void SetConnectEnabled(bool Enabled) = 0;

  // The loco learning dialog: the chosen protocol entry (0 .. 10 of the
  // dialog protocols), or none when the person cancels.
  virtual std::optional<int32_t> AskLocoProtocol(int32_t Address) = 0;
  // The solenoid learning window: every change of the choice is stored in
  // SolLearnIndex at once (0 Motorola, 1 NMRA); true when the person saves.
  virtual bool AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex) = 0;

  // Asks the front end to close; it runs the bridge's close query first.
  virtual void Close() = 0;
};

}  // namespace tenvarra
