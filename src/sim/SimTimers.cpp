#include "sim/SimTimers.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace tenvarra {

int64_t TSimTimers::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TSimTimers::After(int64_t DelayMs, TAction Action) {
  FQueue.push_back({NowMs() + std::max<int64_t>(DelayMs, 0), FOrder++, std::move(Action)});
  std::push_heap(FQueue.begin(), FQueue.end(), TLater());
}

int TSimTimers::WaitMs() const {
  if (FQueue.empty()) return -1;
  const int64_t left = FQueue.front().Due - NowMs();
  return static_cast<int>(std::clamp<int64_t>(left, 0, std::numeric_limits<int>::max()));
}

void TSimTimers::RunDue() {
  const int64_t now = NowMs();
  while (!FQueue.empty() && FQueue.front().Due <= now) {
    // The action may add timers, so it leaves the queue before it runs.
    std::pop_heap(FQueue.begin(), FQueue.end(), TLater());
    TAction action = std::move(FQueue.back().Action);
    FQueue.pop_back();
    action();
  }
}

}  // namespace tenvarra
