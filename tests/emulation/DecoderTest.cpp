#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "emulation/LinePort.h"
#include "emulation/TestHost.h"

namespace tenvarra {
namespace {

using TBytes = std::vector<uint8_t>;
using TLines = std::vector<std::string>;
class DecoderTest : public ::testing::Test, protected test::TEmulation {};

std::vector<bool> LineDownAndUp(int Commands) {
  std::vector<bool> line;
  for (int i = 0; i < Commands; ++i) line.insert(line.end(), {false, true});
  return line;
}

TEST_F(DecoderTest, EveryRowOfTheCommandTableReachesItsOperationAndTakesExactlyItsBytes) {
  const struct {
    TBytes Bytes;
    TLines Calls;
  } rows[] = {
      {{5, 12}, {"SendLoco 12"}},       {{31, 12}, {"SendLoco 12"}},
      {{34, 12}, {"SendSolenoid 12"}},  {{32, 12}, {"SendSolenoid 12"}},  // off after on
      {{33, 12}, {"SendSolenoid 12"}},  {{64, 12}, {"SendLoco 12"}},
      {{79, 12}, {"SendLoco 12"}},      {{96}, {"SwitchPower on"}},
      {{97}, {"SwitchPower off"}},      {{128}, {}},
      {{192}, {}},                      {{129}, {"SendFeedbackBytes 0 2"}},
      {{159}, {"SendFeedbackBytes 0 62"}}, {{193}, {"SendFeedbackBytes 0 2"}},
      {{223}, {"SendFeedbackBytes 60 2"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(int(row.Bytes.front()));
    Clear();
    TBytes bytes = row.Bytes;
    bytes.push_back(96);  // a command of its own only if the row took just its bytes
    Port.Write(bytes);
    TLines calls = row.Calls;
    calls.push_back("SwitchPower on");
    EXPECT_EQ(Host.Calls, calls);
    EXPECT_EQ(Host.LineAtCalls, std::vector<bool>(calls.size(), false));  // down while a command runs
    EXPECT_EQ(Port.HandshakeChanges(), LineDownAndUp(2));
  }
  // First bytes without a meaning take their pair and carry nothing out.
  for (const auto& [from, to] : {std::pair{35, 63}, {80, 95}, {98, 127}, {160, 191}, {224, 255}}) {
    for (int first = from; first <= to; ++first) {
      Clear();
      Port.Write({static_cast<uint8_t>(first), 96, 96});
      EXPECT_EQ(Host.Calls, TLines{"SwitchPower on"}) << first;
      EXPECT_EQ(Port.HandshakeChanges(), LineDownAndUp(2)) << first;
    }
  }
}

// Paced hosts write every byte on its own: a first byte waits for its second
// one, and is dropped only when the window passes without it.
TEST_F(DecoderTest, AFirstByteWaitsForItsSecondAndIsDroppedWhenNoneComes) {
  Host.Log = true;
  Port.Write({5});
  EXPECT_TRUE(Host.Calls.empty());
  Port.Write({12});
  EXPECT_EQ(Host.Calls, TLines{"SendLoco 12"});
  EXPECT_EQ(Port.HandshakeChanges(), LineDownAndUp(1));  // around the pair only

  Clear();
  Port.Write({40});
  ASSERT_TRUE(Loop.RunUntil([&] { return Host.LogLines.size() == 2; }, 5000));
  EXPECT_EQ(Host.LogLines, (TLines{"Handling first byte 40", "Dropped lone byte 40"}));
  EXPECT_TRUE(Port.HandshakeChanges().empty());
  Port.Write({5, 12});  // a fresh command, not 40's second byte
  EXPECT_EQ(Host.Calls, TLines{"SendLoco 12"});
  EXPECT_EQ(Port.InputCount(), 0);
}

// Hosts end an activation with 32 alone; 32 with its address in the same
// read stays the two-byte switch-off (the table above).
TEST_F(DecoderTest, A32EndingAReadSwitchesOffTheSolenoidSwitchedLastAtOnce) {
  Port.Write({32});  // nothing switched since start
  Port.Write({34});
  Port.Write({12});
  Port.Write({32});
  Port.Write({130});
  EXPECT_EQ(Host.Calls, (TLines{"SendSolenoid 12", "SendSolenoid 12", "SendFeedbackBytes 0 4"}));
  EXPECT_EQ(Host.Solenoids.FindSolenoidByAddress(12)->PortValue(1), 0);
  EXPECT_EQ(Port.HandshakeChanges(), LineDownAndUp(4));
}

// With the handshake and without the log: the table test above.
TEST_F(DecoderTest, WithoutTheHandshakeTheLineStaysAndTheLogTracesEveryByte) {
  Host.Handshake = false;
  Port.Write({192, 128});  // autoreset changes are logged only with the log on
  Host.Log = true;
  Port.Write({40, 7, 192, 128});
  EXPECT_TRUE(Port.HandshakeChanges().empty());
  EXPECT_EQ(Host.LogLines, (TLines{"Handling first byte 40", "Handling Second byte 7", "Handling first byte 192",
                                   "Handling Single Byte Command", "Autoreset changed to OFF", "Handling first byte 128",
                                   "Handling Single Byte Command", "Autoreset changed to ON"}));
}

TEST_F(DecoderTest, BytesArrivingWhileALearningDialogIsOpenAreHandledAfterItClosesInOrder) {
  Host.LocoAnswer = 6;
  std::size_t callsInDialog = 0;
  Host.WhileLearning = [&] {
    Port.Write({96, 33});  // the dialog's loop delivers more bytes: nested events
    Port.Write({12});
    callsInDialog = Host.Calls.size();
  };
  Port.Write({5, 7});
  EXPECT_EQ(callsInDialog, 1u);  // the learning itself: nothing handled inside
  EXPECT_EQ(Host.Calls, (TLines{"LearnLoco 7", "SendLoco 7", "SwitchPower on", "SendSolenoid 12"}));
  EXPECT_EQ(Port.HandshakeChanges(), LineDownAndUp(3));
}

TEST_F(DecoderTest, ACommandThatRaisesLeavesTheLineUpAndTheRestForTheNextEvent) {
  Host.PowerFails = true;
  EXPECT_THROW(Port.Write({96, 5, 12}), std::runtime_error);
  EXPECT_TRUE(Port.HandshakeLine());
  Decoder.VSPort1RxChar(Port, Port.InputCount());
  EXPECT_EQ(Host.Calls, TLines{"SendLoco 12"});
}

// Commands as applications send them, to known and unknown addresses, with
// stray bytes among them.
TBytes CommandStream(std::mt19937& Random, int Commands) {
  const auto pick = [&](int From, int To) { return static_cast<uint8_t>(std::uniform_int_distribution(From, To)(Random)); };
  TBytes bytes;
  for (int i = 0; i < Commands; ++i) {
    const uint8_t address = pick(0, 3) != 0 ? pick(10, 14) : pick(0, 255);
    switch (pick(0, 5)) {
      case 0: bytes.insert(bytes.end(), {pick(0, 31), address}); break;
      case 1: bytes.insert(bytes.end(), {pick(64, 79), address}); break;
      case 2: bytes.insert(bytes.end(), {pick(33, 34), address}); break;
      case 3: bytes.insert(bytes.end(), {32, address}); break;
      case 4: bytes.push_back(TBytes{96, 97, 128, 192, pick(129, 159), pick(193, 223)}[pick(0, 5)]); break;
      default: bytes.push_back(pick(0, 255));
    }
  }
  return bytes;
}

// However the application's bytes are cut into reads, and whenever they
// arrive (while a command is carried out, while a learning dialog is open,
// after the pairing window has run out but before their event), the
// decoder carries out what one read of them all gives. Only a 32 that ends
// a read means something of its own: no read here ends after one.
TEST(DecoderSplitTest, HowTheBytesAreCutIntoReadsAndWhenTheyArriveChangesNothing) {
  std::mt19937 random(27);
  const auto chance = [&](int Percent) { return std::uniform_int_distribution(1, 100)(random) <= Percent; };
  for (int round = 0; round < 1000; ++round) {
    const TBytes stream = CommandStream(random, 30);
    const auto settle = [](auto& Emulation) {
      Emulation.Host.Log = Emulation.Host.Learning = true;
      Emulation.Host.LocoAnswer = 1;
      Emulation.Host.SolenoidAnswer = 0;
    };
    test::TEmulation whole;
    settle(whole);
    whole.Port.Write(stream);

    test::TBasicEmulation<test::TLinePort, test::TManualLoop> split;
    settle(split);
    std::string reads;
    for (std::size_t at = 0; at < stream.size();) {
      std::size_t end = std::min(stream.size(), at + std::uniform_int_distribution<std::size_t>(1, 5)(random));
      while (end < stream.size() && stream[end - 1] == 32) ++end;
      split.Port.Write(stream.data() + at, end - at);
      reads += " |";
      for (; at < end; ++at) reads += " " + std::to_string(stream[at]);
    }
    split.Port.ArriveWhenAsked = [&] { return chance(30); };
    split.Host.WhileLearning = [&] {
      if (chance(50) && split.Port.Arrive()) split.Port.Deliver();
    };
    test::PlayWrites(split.Port, split.Loop, [&] { return chance(50); });

    ASSERT_EQ(split.Recorded(), whole.Recorded()) << "reads:" << reads;
    ASSERT_EQ(split.Port.Read(), whole.Port.Read()) << "reads:" << reads;
    ASSERT_EQ(split.Port.Unread(), 0u) << "reads:" << reads;
  }
}

}  // namespace
}  // namespace tenvarra
