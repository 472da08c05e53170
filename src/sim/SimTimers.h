#pragma once
// The simulator's timers: accessory switch-offs, the model clock's minutes
// and the feedback demonstration pattern. The event loop sleeps exactly until
// the earliest one is due, so with no timer pending it sleeps without limit
// and costs no CPU. Loop thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>
#include <utility>

namespace tenvarra {

class TSimTimers {
public:
  using TAction = std::function<void()>;
  // 0 names no timer.
  using TTimerId = uint64_t;

  // Milliseconds of the monotonic clock the timers run on.
  static int64_t NowMs();

  // Runs Action once DelayMs (0 or more) from now. Timers due at the same
  // moment run in the order they were added.
  TTimerId After(int64_t DelayMs, TAction Action);
  // Forgets a timer that has not run yet; nothing for one that ran, or 0.
  // A timer that clients can set again and again must be cancelled when it
  // is replaced, or the pending ones would pile up.
  void Cancel(TTimerId Id);

  // How long the loop may sleep: -1 without a timer, 0 when one is due.
  int WaitMs() const;
  // Runs every timer that is due now. One that an action adds with a delay
  // of 0 may wait for the next round of the loop (WaitMs then gives 0).
  void RunDue();

  bool Empty() const { return FQueue.empty(); }
  std::size_t Count() const { return FQueue.size(); }

private:
  // By due time, then by id: the order they were added.
  std::map<std::pair<int64_t, TTimerId>, TAction> FQueue;
  std::unordered_map<TTimerId, int64_t> FDue;
  TTimerId FLastId = 0;
};

}  // namespace tenvarra
