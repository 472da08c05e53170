#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "emulation/EmulationFixture.h"

namespace tenvarra {
namespace {

using test::EmulationTest;
using test::TBytes;
using test::TLines;

using DecoderTest = EmulationTest;

TEST_F(DecoderTest, EveryRowOfTheCommandTableReachesItsOperationAndTakesExactlyItsBytes) {
  const struct {
    TBytes Bytes;
    TLines Calls;
    int Commands;
  } rows[] = {
      {{5, 12}, {"SendLoco 12"}, 1},
      {{31, 12}, {"SendLoco 12"}, 1},
      {{34, 12, 32, 12}, {"SendSolenoid 12", "SendSolenoid 12"}, 2},
      {{33, 12}, {"SendSolenoid 12"}, 1},
      {{64, 12}, {"SendLoco 12"}, 1},
      {{79, 12}, {"SendLoco 12"}, 1},
      {{96}, {"SwitchPower on"}, 1},
      {{97}, {"SwitchPower off"}, 1},
      {{128}, {}, 1},
      {{192}, {}, 1},
      {{129}, {"SendFeedbackBytes 0 2"}, 1},
      {{159}, {"SendFeedbackBytes 0 62"}, 1},
      {{193}, {"SendFeedbackBytes 0 2"}, 1},
      {{223}, {"SendFeedbackBytes 60 2"}, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Bytes.front());
    Clear();
    TBytes bytes = row.Bytes;
    bytes.push_back(96);  // handled as a command of its own only if the row took just its bytes
    Port.Write(bytes);
    TLines calls = row.Calls;
    calls.push_back("SwitchPower on");
    EXPECT_EQ(Host.Calls, calls);
    EXPECT_EQ(Port.InputCount(), 0);
    // Down while each command runs, up again after it.
    EXPECT_EQ(Host.LineAtCalls, std::vector<bool>(calls.size(), false));
    std::vector<bool> line;
    for (int i = 0; i <= row.Commands; ++i) line.insert(line.end(), {false, true});
    EXPECT_EQ(Port.HandshakeChanges(), line);
  }
  // First bytes without a meaning take their pair and carry nothing out.
  for (const auto& [from, to] : {std::pair{35, 63}, {80, 95}, {98, 127}, {160, 191}, {224, 255}}) {
    for (int first = from; first <= to; ++first) {
      Clear();
      Port.Write({static_cast<uint8_t>(first), 96, 96});
      EXPECT_EQ(Host.Calls, TLines{"SwitchPower on"}) << first;
      EXPECT_EQ(Port.HandshakeChanges(), (std::vector<bool>{false, true, false, true})) << first;
    }
  }
}

TEST_F(DecoderTest, ALoneFirstByteIsDroppedAtItsEvent) {
  Host.Log = true;
  Port.Write({5});
  Port.Write({12});  // a first byte of its own now, again alone
  EXPECT_EQ(Host.LogLines, (TLines{"Handling first byte 5", "Handling first byte 12"}));
  EXPECT_TRUE(Port.HandshakeChanges().empty());
  Port.Write({96, 5, 12});
  EXPECT_EQ(Host.Calls, (TLines{"SwitchPower on", "SendLoco 12"}));
  EXPECT_EQ(Port.InputCount(), 0);
}

TEST_F(DecoderTest, HandshakeLineAndTraceLinesFollowTheirSwitches) {
  const TLines trace = {"Handling first byte 40", "Handling Second byte 7", "Handling first byte 128",
                        "Handling Single Byte Command"};
  for (const bool handshake : {true, false}) {
    for (const bool log : {true, false}) {
      Clear();
      Host.Handshake = handshake;
      Host.Log = log;
      Port.Write({40, 7, 128});
      const std::vector<bool> line = {false, true, false, true};
      EXPECT_EQ(Port.HandshakeChanges(), handshake ? line : std::vector<bool>{});
      TLines lines = trace;
      lines.push_back("Autoreset changed to ON");
      EXPECT_EQ(Host.LogLines, log ? lines : TLines{});
    }
  }
}

TEST_F(DecoderTest, BytesArrivingWhileALearningDialogIsOpenAreHandledAfterItClosesInOrder) {
  Host.LocoAnswer = 6;
  std::size_t callsInDialog = 0;
  Host.WhileLearning = [&] {
    Port.Write({96, 33});  // the dialog's loop delivers more bytes: a nested event
    Port.Write({12});
    callsInDialog = Host.Calls.size();
  };
  Port.Write({5, 7});
  EXPECT_EQ(callsInDialog, 1u);  // only the learning itself: nothing handled inside
  EXPECT_EQ(Host.Calls, (TLines{"LearnLoco 7", "SendLoco 7", "SwitchPower on", "SendSolenoid 12"}));
  EXPECT_EQ(Port.HandshakeChanges(), (std::vector<bool>{false, true, false, true, false, true}));
  EXPECT_EQ(Port.InputCount(), 0);
}

TEST(DecoderFailureTest, ACommandThatRaisesLeavesTheLineUpAndTheRestForTheNextEvent) {
  struct TFailingHost : test::TTestHost {
    void SwitchPower(bool) override { throw std::runtime_error("not connected"); }
  } host;
  TMemoryPort port;
  TTenvarra engine(host);
  TCommandDecoder decoder(port, engine);
  host.AddLoco(12, 1);
  port.OnRxChar = [&](TVSPort& Sender, int32_t Count) { decoder.VSPort1RxChar(Sender, Count); };
  port.Open();
  EXPECT_THROW(port.Write({96, 5, 12}), std::runtime_error);
  EXPECT_TRUE(port.HandshakeLine());
  EXPECT_EQ(port.InputCount(), 2);
  decoder.VSPort1RxChar(port, 2);
  EXPECT_EQ(host.Calls, TLines{"SendLoco 12"});
}

}  // namespace
}  // namespace tenvarra
