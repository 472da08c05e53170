#include "emulation/CommandDecoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "emulation/LogLine.h"
#include "emulation/Tenvarra.h"
#include "emulation/TenvarraHost.h"
#include "serialport/VSPort.h"

namespace tenvarra {

namespace {

constexpr std::array<bool, 256> SingleByteCommands = [] {
  std::array<bool, 256> single{};
  single[96] = single[97] = true;                     // power on, off
  for (int b = 128; b <= 159; ++b) single[b] = true;  // autoreset on; read modules 1 .. n
  for (int b = 192; b <= 223; ++b) single[b] = true;  // autoreset off; read module n
  return single;
}();

// Puts the handshake line back up when a command ends, also when it raises:
// a line left down would stop the application for good.
class THandshake {
public:
  THandshake(TVSPort& Port, bool Active) : FPort(Port), FActive(Active) {
    if (FActive) FPort.SetHandshakeLine(false);
  }
  ~THandshake() {
    if (FActive) FPort.SetHandshakeLine(true);
  }
  THandshake(const THandshake&) = delete;
  THandshake& operator=(const THandshake&) = delete;

private:
  TVSPort& FPort;
  bool FActive;
};

}  // namespace

bool IsSingleByteCommand(uint8_t First) { return SingleByteCommands[First]; }

TCommandDecoder::~TCommandDecoder() { StopPendingTimer(); }

void TCommandDecoder::VSPort1RxChar(TVSPort&, int32_t) { Decode(); }

void TCommandDecoder::Decode() {
  if (FHandling) return;  // nested in a dialog of the running command; see the header
  FHandling = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FHandling};

  TTenvarraHost& host = FEngine.Host();
  while (ByteWaiting()) {
    if (FPending >= 0) {
      // The next byte after a waiting first byte is its second, whenever it came.
      const auto first = static_cast<uint8_t>(FPending);
      FPending = -1;
      StopPendingTimer();
      HandleSecond(first);
      continue;
    }
    const uint8_t first = NextByte();
    if (host.LogActive()) host.WriteLog(TLogLine("Handling first byte ") << first);
    if (IsSingleByteCommand(first)) {
      const THandshake handshake(FPort, host.SerialHandshake());
      if (host.LogActive()) host.WriteLog("Handling Single Byte Command");
      HandleSingle(first);
    } else if (ByteWaiting()) {
      HandleSecond(first);
    } else if (first == SolenoidOff) {
      // Hosts end a solenoid's activation with 32 alone; an application that
      // means a solenoid writes its address with it, in the same read.
      const THandshake handshake(FPort, host.SerialHandshake());
      if (host.LogActive()) host.WriteLog("Handling Single Byte Command");
      FEngine.HandleLoneSolenoidOff();
    } else {
      KeepPending(first);
    }
  }
}

bool TCommandDecoder::ByteWaiting() {
  if (FNext < FReceived.size()) return true;
  // Each byte is taken from the port once, with all that came with it.
  FReceived.clear();
  FNext = 0;
  const int32_t count = FPort.InputCount();
  if (count <= 0) return false;
  FReceived.resize(static_cast<std::size_t>(count));
  FReceived.resize(static_cast<std::size_t>(std::max(FPort.ReadBytes(FReceived.data(), count), 0)));
  return !FReceived.empty();
}

uint8_t TCommandDecoder::NextByte() { return FReceived[FNext++]; }

void TCommandDecoder::HandleSecond(uint8_t First) {
  const uint8_t second = NextByte();
  TTenvarraHost& host = FEngine.Host();
  const THandshake handshake(FPort, host.SerialHandshake());
  if (host.LogActive()) host.WriteLog(TLogLine("Handling Second byte ") << second);
  HandlePair(First, second);
}

void TCommandDecoder::KeepPending(uint8_t First) {
  StopPendingTimer();
  FPending = First;
  FPendingTimer = FLoop.StartTimer(PairWindowMs, false, [this] {
    FPendingTimer = 0;
    // The second byte may have come, its event not yet run.
    if (ByteWaiting()) {
      Decode();
    } else {
      DropPending();
    }
  });
}

void TCommandDecoder::DropPending() {
  if (FPending < 0) return;
  TTenvarraHost& host = FEngine.Host();
  if (host.LogActive()) host.WriteLog(TLogLine("Dropped lone byte ") << FPending);
  FPending = -1;
}

void TCommandDecoder::StopPendingTimer() {
  if (FPendingTimer != 0) FLoop.StopTimer(FPendingTimer);
  FPendingTimer = 0;
}

void TCommandDecoder::HandleSingle(uint8_t Command) {
  if (Command == 96 || Command == 97) {
    FEngine.HandlePower(Command);
  } else if (Command == 128 || Command == 192) {
    FEngine.HandleAutoreset(Command);
  } else {
    FEngine.HandleFeedbackRead(Command);
  }
}

void TCommandDecoder::HandlePair(uint8_t First, uint8_t Second) {
  if (First < 32) {
    FEngine.HandleLoco(First, Second);
  } else if (First == 32) {
    FEngine.HandleSolenoidOff(Second);
  } else if (First == 33 || First == 34) {
    FEngine.HandleSolenoid(First, Second);
  } else if (First >= 64 && First <= 79) {
    FEngine.HandleFunctions(First, Second);
  }
  // Any other first byte means nothing: the pair is consumed.
}

void TCommandDecoder::SendFeedbackBytes(int32_t Start, int32_t Count) {
  if (Count <= 0) return;
  FReply.resize(static_cast<std::size_t>(Count));
  for (int32_t i = 0; i < Count; ++i) {
    const int64_t index = int64_t{Start} + i;  // no overflow near the int32 limits
    FReply[static_cast<std::size_t>(i)] = index <= INT32_MAX ? FEngine.S88Byte(static_cast<int32_t>(index)) : 0;
  }
  FPort.WriteBytes(FReply.data(), Count);
}

}  // namespace tenvarra
