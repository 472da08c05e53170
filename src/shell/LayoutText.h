#pragma once
// The layout view's texts, shared by the window and the headless `state`
// command, so both say the same thing the same way.

#include <string>
#include <vector>

#include "shell/LayoutModel.h"

namespace tenvarra {

// "COM3 held by the application", "COM3 not held"; "none provided" when
// PortName is empty.
std::string PortStateText(const TLayoutModel& Model, const std::string& PortName);
// "connected" / "not connected".
const char* ServerStateText(const TLayoutModel& Model);
// "on" / "off".
const char* OnOffText(bool On);
// "5/14".
std::string SpeedText(const TLocoRow& Row);
// The numbers of the functions switched on, "1 3 4"; "-" when none is.
std::string FunctionsText(const TLocoRow& Row);
// "bus 1 on, bus 2 off"; "not reported" when no bus has reported power.
std::string PowerText(const std::vector<TBusPower>& Power);
// The occupied contacts as module:contact, "1:3 2:16"; "none" when none is.
std::string OccupiedText(const TLayoutModel& Model);

// Everything the model holds as plain lines: the port (PortName, empty when
// none is provided), the server, power, one line per loco and per solenoid,
// then the occupied contacts.
std::vector<std::string> LayoutStateLines(const TLayoutModel& Model, const std::string& PortName);

}  // namespace tenvarra
