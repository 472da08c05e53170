#pragma once
// The decoder and the engine on an in-memory port opened by the test, which
// plays the application, with loco 12 ("New Motorola (M2)") and Motorola
// solenoid 12 known.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "emulation/CommandDecoder.h"
#include "emulation/Tenvarra.h"
#include "emulation/TestHost.h"
#include "serialport/MemoryPort.h"

namespace tenvarra::test {

class EmulationTest : public ::testing::Test {
protected:
  EmulationTest() {
    Port.CreatePort("COM1");
    Port.OnRxChar = [this](TVSPort& Sender, int32_t Count) { Decoder.VSPort1RxChar(Sender, Count); };
    Port.Open();
    Host.Decoder = &Decoder;
    Host.Port = &Port;
    Host.AddLoco(12, 1);
    Host.AddSolenoid(12);
  }

  // Forgets what earlier steps recorded.
  void Clear() {
    Host.Calls.clear();
    Host.LineAtCalls.clear();
    Host.LogLines.clear();
    Host.ScreenLines.clear();
    Port.ClearHandshakeChanges();
    Port.Read();
  }

  TMemoryPort Port;
  TTestHost Host;
  TTenvarra Engine{Host};
  TCommandDecoder Decoder{Port, Engine};
};

using TBytes = std::vector<uint8_t>;
using TLines = std::vector<std::string>;

}  // namespace tenvarra::test
