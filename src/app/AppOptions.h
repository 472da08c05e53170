#pragma once
// The command line of tenvarra.

#include <optional>
#include <string>
#include <vector>

namespace tenvarra {

struct TAppOptions {
  bool Headless = false;
  // Empty: chosen by ChooseDataDir (shell/DataDir.h).
  std::string DataDir;
  // Empty: the default port directory.
  std::string PortDir;
  // A serial device to use instead of a pseudo-terminal (--serial).
  std::string SerialDevice;
  bool Connect = false;
  bool Log = false;
  // How the headless mode answers the learning dialogs; none cancels.
  std::optional<int> LearnLoco;
  std::optional<int> LearnSolenoid;
  bool Simulate = false;
  // The simulator's port; none: the settings' port.
  std::optional<int> SimulatePort;
  int ReplyTimeoutMs = 10000;
  // Connect again after a failed connect or a lost connection.
  bool Reconnect = false;
  // The server for this run (--server HOST[:PORT]); empty: the settings'.
  std::string ServerHost;
  int ServerPort = 12345;
  // Send this command to a running instance and end (--command).
  std::optional<std::string> Command;
  // The instance's port name for --command (COM<n>, or a serial device's
  // file name); empty: the lowest COM number.
  std::string PortName;
  bool Help = false;
  bool Version = false;
};

// Thrown for a command line that cannot be run; the text says what is wrong.
struct EAppOptionsError {
  std::string Text;
};

TAppOptions ParseAppOptions(const std::vector<std::string>& Arguments);

extern const char* const AppUsage;

}  // namespace tenvarra
