#pragma once
// The setup dialogs without a window: the general setup's values and the two
// device tables, read and changed from the headless menu or through a running
// instance's command socket. The rules and checks are the dialogs' own
// (shell/GeneralSetup.h, shell/DeviceEditor.h); a change is saved as the
// dialogs save it.

#include <optional>
#include <string>
#include <vector>

#include "app/CommandSocket.h"

namespace tenvarra {

class TBridge;

// A setup command that would change a setting while the window's general
// setup is open.
inline constexpr const char* GeneralSetupOpenText = "the general setup is open in the window";

class THeadlessSetup {
public:
  // Bridge must outlive this.
  explicit THeadlessSetup(TBridge& Bridge) : FBridge(Bridge) {}

  // The answer to a setup command (settings, set, locos, solenoids, loco,
  // solenoid); none when Words are not one.
  std::optional<TCommandAnswer> Run(const std::vector<std::string>& Words);

  // One line for each setup command.
  static std::vector<std::string> HelpLines();

private:
  TCommandAnswer Settings() const;
  TCommandAnswer Set(const std::string& Name, const std::string& Value);
  TCommandAnswer List(bool Locos) const;
  TCommandAnswer Add(bool Loco, const std::string& Address, const std::string& Protocol);
  TCommandAnswer Delete(bool Loco, const std::string& Address);
  // Saves loco.dat after a change; the answer says whether it was.
  TCommandAnswer Saved(std::string Done);

  TBridge& FBridge;
};

}  // namespace tenvarra
