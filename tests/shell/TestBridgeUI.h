#pragma once
// A TBridgeUI for tests: records what the bridge shows and cancels the
// learning dialogs.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/BridgeUI.h"

namespace tenvarra::test {

class TTestBridgeUI final : public TBridgeUI {
public:
  std::vector<std::string> Log;
  std::vector<std::string> Messages;  // message, warning and error boxes alike
  int Closes = 0;

  void AddLogLine(const std::string& Text) override { Log.push_back(Text); }
  void ClearLog() override { Log.clear(); }
  void ShowLog() override {}
  void ShowMessage(const std::string& Text) override { Messages.push_back(Text); }
  void ShowWarning(const std::string& Text) override { Messages.push_back(Text); }
  void ShowError(const std::string& Text) override { Messages.push_back(Text); }
  void SetStatusText(TStatusPanel, const std::string&) override {}
  void SetPowerChecked(bool) override {}
  void SetLogChecked(bool) override {}
  void SetConnectEnabled(bool) override {}
  std::optional<int32_t> AskLocoProtocol(int32_t) override { return std::nullopt; }
  bool AskSolenoidProtocol(int32_t, int32_t&) override { return false; }
  void Close() override { ++Closes; }
};

}  // namespace tenvarra::test
