#pragma once
// The headless face of the bridge: every screen-log line on standard output,
// one per line, as the window would show it; message boxes ("message: ..."),
// status panels ("status: <panel> <text>") and menu check marks ("menu: ...")
// on standard error. Learning dialogs are answered as the command line says,
// or cancelled.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/BridgeUI.h"

namespace tenvarra {

class THeadlessUI final : public TBridgeUI {
public:
  // Out and Err are the streams written to (stdout and stderr in the program).
  THeadlessUI(std::optional<int32_t> LocoAnswer, std::optional<int32_t> SolenoidAnswer,
              std::FILE* Out = stdout, std::FILE* Err = stderr);

  // Called by Close: the front end runs the close query and ends when it allows.
  std::function<void()> OnClose;

  void AddLogLine(const std::string& Text) override;
  void ClearLog() override {}
  void ShowLog() override {}
  void ShowMessage(const std::string& Text) override;
  void ShowWarning(const std::string& Text) override;
  void ShowError(const std::string& Text) override;
  void SetStatusText(TStatusPanel Panel, const std::string& Text) override;
  void SetPowerChecked(bool Checked) override;
  void SetLogChecked(bool Checked) override;
  void SetConnectEnabled(bool Enabled) override;
  std::optional<int32_t> AskLocoProtocol(int32_t Address) override;
  bool AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex) override;
  void Close() override;

  // A line on standard error, for the front end's own notes.
  void Note(const std::string& Text);
  // An answer of several lines on standard output, written at once so that
  // no log line lands in between.
  void Print(const std::vector<std::string>& Lines);

private:
  std::optional<int32_t> FLocoAnswer;
  std::optional<int32_t> FSolenoidAnswer;
  std::FILE* FOut;
  std::FILE* FErr;
};

}  // namespace tenvarra
