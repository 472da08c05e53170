#include "shell/LayoutText.h"

namespace tenvarra {

namespace {

// Appends Word, after Separator unless Text is still empty.
void Append(std::string& Text, const char* Separator, const std::string& Word) {
  if (!Text.empty()) Text += Separator;
  Text += Word;
}

}  // namespace

std::string PortStateText(const TLayoutModel& Model, const std::string& PortName) {
  if (PortName.empty()) return "none provided";
  return PortName + (Model.PortIsHeld() ? " held by the application" : " not held");
}

const char* ServerStateText(const TLayoutModel& Model) {
  return Model.ServerIsConnected() ? "connected" : "not connected";
}

const char* OnOffText(bool On) { return On ? "on" : "off"; }

std::string SpeedText(const TLocoRow& Row) {
  return std::to_string(Row.Speed) + "/" + std::to_string(Row.MaxSpeed);
}

std::string FunctionsText(const TLocoRow& Row) {
  std::string text;
  for (const int32_t function : Row.Functions) Append(text, " ", std::to_string(function));
  return text.empty() ? "-" : text;
}

std::string PowerText(const std::vector<TBusPower>& Power) {
  std::string text;
  for (const TBusPower& bus : Power)
    Append(text, ", ", "bus " + std::to_string(bus.Bus) + " " + OnOffText(bus.On));
  return text.empty() ? "not reported" : text;
}

std::string OccupiedText(const TLayoutModel& Model) {
  std::string text;
  for (int32_t module = 1; module <= TLayoutModel::ModuleCount; ++module)
    for (int32_t contact = 1; contact <= TLayoutModel::ContactsPerModule; ++contact)
      if (Model.Occupied(module, contact)) Append(text, " ", std::to_string(module) + ":" + std::to_string(contact));
  return text.empty() ? "none" : text;
}

std::vector<std::string> LayoutStateLines(const TLayoutModel& Model, const std::string& PortName) {
  std::vector<std::string> lines;
  lines.push_back("port: " + PortStateText(Model, PortName));
  lines.push_back(std::string("server: ") + ServerStateText(Model));
  lines.push_back("power: " + PowerText(Model.Power()));
  for (const TLocoRow& loco : Model.Locos()) {
    std::string line = "loco bus " + std::to_string(loco.Bus) + " address " + std::to_string(loco.Address) +
                       ": speed " + SpeedText(loco) + ", " + DriveModeName(loco.Direction) + ", light " +
                       OnOffText(loco.Light) + ", functions " + FunctionsText(loco);
    if (!loco.Protocol.empty()) line += ", protocol " + loco.Protocol;
    lines.push_back(std::move(line));
  }
  for (const TSolenoidRow& solenoid : Model.Solenoids())
    lines.push_back("solenoid bus " + std::to_string(solenoid.Bus) + " address " +
                    std::to_string(solenoid.Address) + ": port " + std::to_string(solenoid.Port) + " " +
                    OnOffText(solenoid.On));
  lines.push_back("feedback: " + OccupiedText(Model));
  return lines;
}

}  // namespace tenvarra
