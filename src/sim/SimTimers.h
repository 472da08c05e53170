#pragma once
// The simulator's timers: accessory switch-offs, the model clock's minutes
// and the feedback demonstration pattern. The event loop sleeps exactly until
// the earliest one is due, so with no timer pending it sleeps without limit
// and costs no CPU. Loop thread only.

#include <cstdint>
#include <functional>
#include <vector>

namespace tenvarra {

class TSimTimers {
public:
  using TAction = std::function<void()>;

  // Milliseconds of the monotonic clock the timers run on.
  static int64_t NowMs();

  // Runs Action once DelayMs (0 or more) from now. Timers due at the same
  // moment run in the order they were added. A timer cannot be cancelled: an
  // action checks whether it still applies when it runs.
  void After(int64_t DelayMs, TAction Action);

  // How long the loop may sleep: -1 without a timer, 0 when one is due.
  int WaitMs() const;
  // Runs every timer that is due now. One that an action adds with a delay
  // of 0 may wait for the next round of the loop (WaitMs then gives 0).
  void RunDue();

  bool Empty() const { return FQueue.empty(); }

private:
  struct TTimer {
    int64_t Due;
    uint64_t Order;
    TAction Action;
  };
  struct TLater {
    bool operator()(const TTimer& A, const TTimer& B) const {
      return A.Due != B.Due ? A.Due > B.Due : A.Order > B.Order;
    }
  };

  std::vector<TTimer> FQueue;  // a heap, earliest on top
  uint64_t FOrder = 0;
};

}  // namespace tenvarra
