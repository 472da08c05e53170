#pragma once
// A port and a loop whose timing the caller decides, to play the races of a
// real line: the application's writes reach the line when told, also between
// two calls the decoder makes on the port, and the pairing window ends when
// told, also while bytes wait on the line for their event.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
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
    FTimers[++FLastId] = {Repeating, std::move(Callback)};
    return FLastId;
  }
  void StopTimer(TTimerId Id) override { FTimers.erase(Id); }

  bool TimerRunning() const { return !FTimers.empty(); }
  // Lets the oldest running timer fall due; false when none runs.
  bool FireTimer() {
    if (FTimers.empty()) return false;
    const auto oldest = FTimers.begin();
    const TTimerCallback callback = oldest->second.Callback;  // it may stop its own timer
    if (!oldest->second.Repeating) FTimers.erase(oldest);
    callback();
    return true;
  }
  void Reset() { FTimers.clear(); }

private:
  struct TTimer {
    bool Repeating;
    TTimerCallback Callback;
  };
  std::map<TTimerId, TTimer> FTimers;
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
    if (FInput.size() < static_cast<std::size_t>(Count)) TakeLine();
    int32_t taken = 0;
    for (; taken < Count && !FInput.empty(); ++taken) {
      Buffer[taken] = FInput.front();
      FInput.pop_front();
    }
    return taken;
  }
  int32_t InputCount() override {
    if (ArriveWhenAsked && !FWrites.empty() && ArriveWhenAsked()) Arrive();
    TakeLine();
    return static_cast<int32_t>(FInput.size());
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
  void Write(std::vector<uint8_t> Bytes) {
    if (!Bytes.empty()) FWrites.push_back(std::move(Bytes));
  }
  // The next write reaches the line; false when none is left.
  bool Arrive() {
    if (FWrites.empty()) return false;
    FLine.insert(FLine.end(), FWrites.front().begin(), FWrites.front().end());
    FWrites.pop_front();
    return true;
  }
  // The port's event: takes what is on the line and fires when that was anything.
  bool Deliver() {
    if (FLine.empty()) return false;
    TakeLine();
    if (OnRxChar) OnRxChar(*this, static_cast<int32_t>(FInput.size()));
    return true;
  }
  // Bytes taken in but not read: with no event left to come for them.
  std::size_t Unread() const { return FInput.size(); }
  std::vector<uint8_t> Read() { return std::exchange(FOutput, {}); }
  const std::vector<bool>& HandshakeChanges() const { return FHandshakeChanges; }
  void ClearHandshakeChanges() { FHandshakeChanges.clear(); }
  void Reset() {
    FWrites.clear(), FLine.clear(), FInput.clear(), FOutput.clear(), FHandshakeChanges.clear();
    FHandshake = false;
  }

private:
  void TakeLine() {
    FInput.insert(FInput.end(), FLine.begin(), FLine.end());
    FLine.clear();
  }

  std::string FName;
  std::deque<std::vector<uint8_t>> FWrites;
  std::deque<uint8_t> FLine, FInput;
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
