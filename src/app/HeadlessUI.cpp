#include "app/HeadlessUI.h"

#include <utility>

namespace tenvarra {

namespace {

void PutLine(std::FILE* Stream, const std::string& Text) {
  // One write per line, flushed: a reader of a pipe sees each line at once.
  const std::string line = Text + "\n";
  std::fwrite(line.data(), 1, line.size(), Stream);
  std::fflush(Stream);
}

const char* CheckText(bool Checked) { return Checked ? "checked" : "unchecked"; }

}  // namespace

THeadlessUI::THeadlessUI(std::optional<int32_t> LocoAnswer, std::optional<int32_t> SolenoidAnswer,
                         std::FILE* Out, std::FILE* Err)
    : FLocoAnswer(LocoAnswer), FSolenoidAnswer(SolenoidAnswer), FOut(Out), FErr(Err) {}

void THeadlessUI::AddLogLine(const std::string& Text) { PutLine(FOut, Text); }
void THeadlessUI::ShowMessage(const std::string& Text) { PutLine(FErr, "message: " + Text); }
void THeadlessUI::ShowWarning(const std::string& Text) { PutLine(FErr, "message: " + Text); }
void THeadlessUI::ShowError(const std::string& Text) { PutLine(FErr, "message: " + Text); }
void THeadlessUI::Note(const std::string& Text) { PutLine(FErr, Text); }

void THeadlessUI::Print(const std::vector<std::string>& Lines) {
  std::string block;
  for (const std::string& line : Lines) block += line + "\n";
  std::fwrite(block.data(), 1, block.size(), FOut);
  std::fflush(FOut);
}

void THeadlessUI::SetStatusText(TStatusPanel Panel, const std::string& Text) {
  PutLine(FErr, "status: " + std::to_string(static_cast<int>(Panel)) + " " + Text);
}

void THeadlessUI::SetPowerChecked(bool Checked) {
  PutLine(FErr, std::string("menu: Power on ") + CheckText(Checked));
}

void THeadlessUI::SetLogChecked(bool Checked) {
  PutLine(FErr, std::string("menu: Log enabled ") + CheckText(Checked));
}

void THeadlessUI::SetConnectEnabled(bool Enabled) {
  PutLine(FErr, std::string("menu: Connect to Server ") + (Enabled ? "enabled" : "disabled"));
}

std::optional<int32_t> THeadlessUI::AskLocoProtocol(int32_t Address) {
  const std::string what = "learn: loco " + std::to_string(Address);
  PutLine(FErr, FLocoAnswer ? what + " protocol " + std::to_string(*FLocoAnswer) : what + " cancelled");
  return FLocoAnswer;
}

bool THeadlessUI::AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex) {
  const std::string what = "learn: solenoid " + std::to_string(Address);
  if (!FSolenoidAnswer) {
    PutLine(FErr, what + " cancelled");
    return false;
  }
  SolLearnIndex = *FSolenoidAnswer;
  PutLine(FErr, what + " protocol " + std::to_string(*FSolenoidAnswer));
  return true;
}

void THeadlessUI::Close() {
  if (OnClose) OnClose();
}

}  // namespace tenvarra
