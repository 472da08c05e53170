#include "platform/PollLoop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <system_error>
#include <utility>
#include <vector>

namespace tenvarra {

namespace {

short PollEvents(unsigned Events) {
  short result = 0;
  if (Events & ioRead) result |= POLLIN;
  if (Events & ioWrite) result |= POLLOUT;
  return result;
}

unsigned ReadyEvents(short Revents, unsigned Asked) {
  unsigned ready = 0;
  if (Revents & POLLIN) ready |= ioRead;
  if (Revents & POLLOUT) ready |= ioWrite;
  if (Revents & (POLLHUP | POLLERR | POLLNVAL)) ready |= ioRead | ioWrite;
  return ready & Asked;
}

}  // namespace

TWatchId TPollLoop::Watch(int Fd, unsigned Events, TIoCallback Callback) {
  const TWatchId id = ++FLastId;
  FWatches.emplace(id, TWatch{Fd, Events, std::make_shared<TIoCallback>(std::move(Callback))});
  return id;
}

void TPollLoop::SetWatchEvents(TWatchId Id, unsigned Events) {
  if (auto it = FWatches.find(Id); it != FWatches.end()) it->second.Events = Events;
}

void TPollLoop::Unwatch(TWatchId Id) { FWatches.erase(Id); }

TTimerId TPollLoop::StartTimer(int IntervalMs, bool Repeating, TTimerCallback Callback) {
  const TTimerId id = ++FLastId;
  const std::chrono::milliseconds interval(std::max(IntervalMs, 0));
  FTimers.emplace(id, TTimer{TClock::now() + interval, interval, Repeating,
                             std::make_shared<TTimerCallback>(std::move(Callback))});
  return id;
}

void TPollLoop::StopTimer(TTimerId Id) { FTimers.erase(Id); }

std::size_t TPollLoop::PolledCount() const {
  return static_cast<std::size_t>(std::count_if(
      FWatches.begin(), FWatches.end(), [](const auto& entry) { return entry.second.Events != ioNone; }));
}

int TPollLoop::WaitMs(int TimeoutMs) const {
  if (FTimers.empty()) return TimeoutMs;
  const auto next = std::min_element(FTimers.begin(), FTimers.end(), [](const auto& a, const auto& b) {
                      return a.second.Due < b.second.Due;
                    })->second.Due;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - TClock::now()).count();
  const int timerMs = static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
  return TimeoutMs < 0 ? timerMs : std::min(TimeoutMs, timerMs);
}

int TPollLoop::RunOnce(int TimeoutMs) {
  std::vector<pollfd> polled;
  std::vector<TWatchId> ids;
  for (const auto& [id, watch] : FWatches) {
    if (watch.Events == ioNone) continue;
    polled.push_back({watch.Fd, PollEvents(watch.Events), 0});
    ids.push_back(id);
  }
  const int ready = ::poll(polled.data(), polled.size(), WaitMs(TimeoutMs));
  if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::system_category(), "poll");

  int ran = 0;
  for (std::size_t i = 0; ready > 0 && i < polled.size(); ++i) {
    if (polled[i].revents == 0) continue;
    // An earlier callback may have removed or changed this watch.
    const auto it = FWatches.find(ids[i]);
    if (it == FWatches.end()) continue;
    const unsigned events = ReadyEvents(polled[i].revents, it->second.Events);
    if (events == ioNone) continue;
    const std::shared_ptr<TIoCallback> callback = it->second.Callback;
    ++ran;
    (*callback)(polled[i].fd, events);
  }
  return ran + RunDueTimers();
}

int TPollLoop::RunDueTimers() {
  const auto now = TClock::now();
  std::vector<TTimerId> due;
  for (const auto& [id, timer] : FTimers) {
    if (timer.Due <= now) due.push_back(id);
  }
  int ran = 0;
  for (const TTimerId id : due) {
    const auto it = FTimers.find(id);
    if (it == FTimers.end()) continue;  // stopped by an earlier callback
    const std::shared_ptr<TTimerCallback> callback = it->second.Callback;
    if (it->second.Repeating) {
      it->second.Due = now + it->second.Interval;
    } else {
      FTimers.erase(it);
    }
    ++ran;
    (*callback)();
  }
  return ran;
}

bool TPollLoop::RunUntil(const std::function<bool()>& Done, int TimeoutMs) {
  const auto deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    if (Done()) return true;
    int waitMs = -1;
    if (TimeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
      if (left <= 0) return false;
      waitMs = static_cast<int>(left);
    }
    RunOnce(waitMs);
  }
}

}  // namespace tenvarra
