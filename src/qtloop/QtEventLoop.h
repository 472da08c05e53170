#pragma once
// The program's event loop seam on Qt: descriptors become QSocketNotifiers
// and timers QTimers, so the core's watches and timers run in whatever Qt
// loop is running, the nested loops of modal dialogs included. Needs a
// QCoreApplication (or QApplication) on the thread that uses it.

#include <map>
#include <memory>

#include "platform/EventLoop.h"

class QSocketNotifier;
class QTimer;

namespace tenvarra {

class TQtEventLoop final : public TEventLoop {
public:
  TQtEventLoop();
  ~TQtEventLoop() override;
  TQtEventLoop(const TQtEventLoop&) = delete;
  TQtEventLoop& operator=(const TQtEventLoop&) = delete;

  TWatchId Watch(int Fd, unsigned Events, TIoCallback Callback) override;
  void SetWatchEvents(TWatchId Id, unsigned Events) override;
  void Unwatch(TWatchId Id) override;
  TTimerId StartTimer(int IntervalMs, bool Repeating, TTimerCallback Callback) override;
  void StopTimer(TTimerId Id) override;

private:
  struct TWatch;
  struct TTimer;

  void Fire(TWatchId Id, unsigned Ready);
  void Expire(TTimerId Id);

  std::map<TWatchId, std::unique_ptr<TWatch>> FWatches;
  std::map<TTimerId, std::unique_ptr<TTimer>> FTimers;
  std::uint64_t FLastId = 0;
};

}  // namespace tenvarra
