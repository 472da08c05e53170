#include "sim/SimTimers.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace tenvarra {

int64_t TSimTimers::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TSimTimers::TTimerId TSimTimers::After(int64_t DelayMs, TAction Action) {
  const TTimerId id = ++FLastId;
  const int64_t due = NowMs() + std::max<int64_t>(DelayMs, 0);
  FQueue.emplace(std::pair{due, id}, std::move(Action));
  FDue.emplace(id, due);
  return id;
}

void TSimTimers::Cancel(TTimerId Id) {
  const auto found = FDue.find(Id);
  if (found == FDue.end()) return;
  FQueue.erase({found->second, Id});
  FDue.erase(found);
}

int TSimTimers::WaitMs() const {
  if (FQueue.empty()) return -1;
  const int64_t left = FQueue.begin()->first.first - NowMs();
  return static_cast<int>(std::clamp<int64_t>(left, 0, std::numeric_limits<int>::max()));
}

void TSimTimers::RunDue() {
  const int64_t now = NowMs();
  while (!FQueue.empty() && FQueue.begin()->first.first <= now) {
    // The action may add or cancel timers, so it leaves the queue before it runs.
    const auto first = FQueue.begin();
    TAction action = std::move(first->second);
    FDue.erase(first->first.second);
    FQueue.erase(first);
    action();
  }
}

}  // namespace tenvarra
