#pragma once
// A port and a loop whose timing the caller decides, to play the races of a
// real line: the application's writes reach the line when told, also between
// two calls the decoder makes on the port, and the pairing window ends when
// told, also while bytes wait on the line for their event.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/EventLoop.h"
#include "serialport/VSPort.h"

namespace tenvarra::test {

// Time stands still until FireTimer; no descriptor is ever ready.
class TManualLoop final : public TEventLoop {
public:
  TWatchId Watch(int, unsigned, TIoCallback) override { return ++FLastId; }
  void SetWatchEvents(TWatchId, unsigned) override {}
  void Unwatch(TWatchId) override {}
  TTimerId StartTimer(int, bool Repeating, TTimerCallback Callback) override {
    FTimers.push_back({++FLastId, Repeating, std::move(Callback)});
    return FLastId;
  }
  void StopTimer(TTimerId Id) override {
    std::erase_if(FTimers, [Id](const TTimer& Timer) { return Timer.Id == Id; });
  }

  bool TimerRunning() const { return !FTimers.empty(); }
  // Lets the oldest running timer fall due; false when none runs.
  bool FireTimer() {
    if (FTimers.empty()) return false;
    const TTimerCallback callback = FTimers.front().Callback;  // it may stop its own timer
    if (!FTimers.front().Repeating) FTimers.erase(FTimers.begin());
    callback();
    return true;
  }
private:
  struct TTimer {
    TTimerId Id;
    bool Repeating;
    TTimerCallback Callback;
  };
  std::vector<TTimer> FTimers;  // the oldest first
  TTimerId FLastId = 0;
};

// The application's writes queue up (Write) and reach the line one at a time
// (Arrive). As the pty port, the port takes what is on the line whenever it
// is asked (InputCount, ReadBytes) and fires OnRxChar only for bytes its own
// event took (Deliver): bytes it took while asked get no event of their own.
// ArriveWhenAsked, when set, decides at every InputCount whether the next
// write reaches the line just before.
class TLinePort final : public TVSPort {
public:
  std::function<bool()> ArriveWhenAsked;

  void CreatePort(const std::string& Name) override { FName = Name; }
  const std::string& PortName() const override { return FName; }
  int32_t WriteBytes(const uint8_t* Buffer, int32_t Count) override {
    FOutput.insert(FOutput.end(), Buffer, Buffer + Count);
    return Count;
  }
  int32_t ReadBytes(uint8_t* Buffer, int32_t Count) override {
    if (FTaken - FRead < static_cast<std::size_t>(Count)) TakeLine();
    const std::size_t taken = std::min(static_cast<std::size_t>(Count), FTaken - FRead);
    std::copy_n(FBytes.begin() + static_cast<std::ptrdiff_t>(FRead), taken, Buffer);
    FRead += taken;
    return static_cast<int32_t>(taken);
  }
  int32_t InputCount() override {
    if (ArriveWhenAsked && Waiting() > 0 && ArriveWhenAsked()) Arrive();
    TakeLine();
    return static_cast<int32_t>(FTaken - FRead);
  }
  bool SetHandshakeLine(bool State) override {
    FHandshake = State;
    FHandshakeChanges.push_back(State);
    return true;
  }
  bool HandshakeLine() const override { return FHandshake; }
  bool IsOpened() const override { return true; }

  // ---- The application's side and the loop's ----
  void Open() {}
  void Write(const uint8_t* Bytes, std::size_t Count) {
    if (Count == 0) return;
    if (FRead == FBytes.size()) FBytes.clear(), FEnds.clear(), FArrived = FTaken = FRead = 0;
    FBytes.insert(FBytes.end(), Bytes, Bytes + Count);
    FEnds.push_back(FBytes.size());
  }
  // The next write reaches the line; false when none is left.
  bool Arrive() {
    if (Waiting() == 0) return false;
    ++FArrived;
    return true;
  }
  // The port's event: takes what is on the line and fires when that was anything.
  bool Deliver() {
    if (LineEnd() == FTaken) return false;
    TakeLine();
    if (OnRxChar) OnRxChar(*this, static_cast<int32_t>(FTaken - FRead));
    return true;
  }
  // Writes that have not reached the line yet.
  std::size_t Waiting() const { return FEnds.size() - FArrived; }
  // Bytes taken in but not read: with no event left to come for them.
  std::size_t Unread() const { return FTaken - FRead; }
  std::vector<uint8_t> Read() { return std::exchange(FOutput, {}); }
  // What Read would give, kept with its memory until ClearWritten.
  const std::vector<uint8_t>& Written() const { return FOutput; }
  void ClearWritten() { FOutput.clear(); }
  const std::vector<bool>& HandshakeChanges() const { return FHandshakeChanges; }
  void ClearHandshakeChanges() { FHandshakeChanges.clear(); }

private:
  std::size_t LineEnd() const { return FArrived == 0 ? 0 : FEnds[FArrived - 1]; }
  void TakeLine() { FTaken = LineEnd(); }

  std::string FName;
  // Every byte written, and where each write ends; the first FArrived
  // writes have reached the line, the port has taken the bytes up to
  // FTaken and handed out those up to FRead.
  std::vector<uint8_t> FBytes;
  std::vector<std::size_t> FEnds;
  std::size_t FArrived = 0, FTaken = 0, FRead = 0;
  std::vector<uint8_t> FOutput;
  std::vector<bool> FHandshakeChanges;
  bool FHandshake = false;
};

// Plays every queued write as a busy loop would: it reaches the line, the
// pairing window may end before the port's event runs (WindowFirst), then
// the event runs.
inline void PlayWrites(TLinePort& Port, TManualLoop& Loop, const std::function<bool()>& WindowFirst) {
  while (Port.Arrive()) {
    if (Loop.TimerRunning() && WindowFirst()) Loop.FireTimer();
    Port.Deliver();
  }
}

}  // namespace tenvarra::test
