#pragma once
// A TEventLoop on poll(2), for the tests and for plain programs without a
// toolkit. The caller drives it (RunOnce, RunUntil) on the one thread that
// uses it; a callback may drive it again from inside.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>

#include "platform/EventLoop.h"

namespace tenvarra {

class TPollLoop final : public TEventLoop {
public:
  TPollLoop() = default;
  TPollLoop(const TPollLoop&) = delete;
  TPollLoop& operator=(const TPollLoop&) = delete;

  TWatchId Watch(int Fd, unsigned Events, TIoCallback Callback) override;
  void SetWatchEvents(TWatchId Id, unsigned Events) override;
  void Unwatch(TWatchId Id) override;
  TTimerId StartTimer(int IntervalMs, bool Repeating, TTimerCallback Callback) override;
  void StopTimer(TTimerId Id) override;

  // Waits up to TimeoutMs (-1: no limit, 0: not at all), or less when a timer
  // falls due sooner, then runs the callbacks of every descriptor found ready
  // and every timer due. Returns how many callbacks ran.
  int RunOnce(int TimeoutMs);
  // Runs until Done() holds (asked before every wait) or TimeoutMs has passed
  // (-1: no limit). Returns Done().
  bool RunUntil(const std::function<bool()>& Done, int TimeoutMs);

  // How many descriptors a wait polls now: the watches that ask for something.
  std::size_t PolledCount() const;

private:
  using TClock = std::chrono::steady_clock;
  struct TWatch {
    int Fd;
    unsigned Events;
    // Shared so that a callback that removes its own watch keeps running.
    std::shared_ptr<TIoCallback> Callback;
  };
  struct TTimer {
    TClock::time_point Due;
    std::chrono::milliseconds Interval;
    bool Repeating;
    std::shared_ptr<TTimerCallback> Callback;
  };

  int WaitMs(int TimeoutMs) const;
  int RunDueTimers();

  std::map<TWatchId, TWatch> FWatches;
  std::map<TTimerId, TTimer> FTimers;
  std::uint64_t FLastId = 0;
};

}  // namespace tenvarra
