#pragma once
// The seam between the core and whatever event loop the program runs. The
// program runs exactly one loop on its main thread (Qt's in the front ends,
// TPollLoop in the tests and in plain programs); a core object that has to
// wait for a descriptor or for time registers here instead of owning a loop.
//
// Every callback runs on the loop's thread. A callback may watch, unwatch,
// start and stop anything, its own watch or timer included, and may run the
// loop again from inside (a modal dialog does): the loop must stay usable
// through that, and a watch or timer removed meanwhile is not called again.

#include <cstdint>
#include <functional>

namespace tenvarra {

// What a descriptor is watched for, and what a callback is told it is ready
// for; the values combine as bits.
enum TIoEvent : unsigned {
  ioNone = 0,
  ioRead = 1,
  ioWrite = 2,
};

// Ids are never 0 and never reused during a loop's life, so a stale id is
// harmless to remove again.
using TWatchId = std::uint64_t;
using TTimerId = std::uint64_t;

class TEventLoop {
public:
  // Ready holds the events of the watch that occurred. A hang-up or an error
  // on the descriptor counts as ready for whatever the watch asks for (a read
  // or write then tells which), the way Qt's notifiers report it.
  using TIoCallback = std::function<void(int Fd, unsigned Ready)>;
  using TTimerCallback = std::function<void()>;

  virtual ~TEventLoop() = default;

  // Calls Callback whenever Fd is ready for one of Events. A watch for ioNone
  // stays registered but asks for nothing: it is not polled at all, so not
  // even a hang-up wakes the loop for it. The descriptor stays the caller's.
  virtual TWatchId Watch(int Fd, unsigned Events, TIoCallback Callback) = 0;
  // Changes what a watch asks for; an unknown id is ignored.
  virtual void SetWatchEvents(TWatchId Id, unsigned Events) = 0;
  // Removes the watch; an unknown id is ignored.
  virtual void Unwatch(TWatchId Id) = 0;

  // Calls Callback once after IntervalMs (below 0 counts as 0), or every
  // IntervalMs while Repeating, until stopped.
  virtual TTimerId StartTimer(int IntervalMs, bool Repeating, TTimerCallback Callback) = 0;
  // An unknown or finished id is ignored.
  virtual void StopTimer(TTimerId Id) = 0;
};

}  // namespace tenvarra
