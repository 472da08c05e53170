#include "qtloop/QtEventLoop.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace tenvarra {

namespace {

// A notifier or timer may be dropped from inside its own signal; Qt must not
// be left holding a deleted sender, so it goes away once control is back in
// the loop, silenced at once.
template <typename T>
void Retire(T* Object) {
  if (Object == nullptr) return;
  QObject::disconnect(Object, nullptr, nullptr, nullptr);
  Object->deleteLater();
}

}  // namespace

struct TQtEventLoop::TWatch {
  int Fd;
  unsigned Events = ioNone;
  std::shared_ptr<TIoCallback> Callback;
  QSocketNotifier* Read = nullptr;
  QSocketNotifier* Write = nullptr;

  ~TWatch() {
    if (Read) Read->setEnabled(false);
    if (Write) Write->setEnabled(false);
    Retire(Read);
    Retire(Write);
  }
};

struct TQtEventLoop::TTimer {
  std::shared_ptr<TTimerCallback> Callback;
  QTimer* Timer = nullptr;

  ~TTimer() {
    if (Timer) Timer->stop();
    Retire(Timer);
  }
};

TQtEventLoop::TQtEventLoop() = default;
TQtEventLoop::~TQtEventLoop() = default;

TWatchId TQtEventLoop::Watch(int Fd, unsigned Events, TIoCallback Callback) {
  const TWatchId Id = ++FLastId;
  auto W = std::make_unique<TWatch>();
  W->Fd = Fd;
  W->Callback = std::make_shared<TIoCallback>(std::move(Callback));
  W->Read = new QSocketNotifier(Fd, QSocketNotifier::Read);
  W->Write = new QSocketNotifier(Fd, QSocketNotifier::Write);
  QObject::connect(W->Read, &QSocketNotifier::activated, [this, Id] { Fire(Id, ioRead); });
  QObject::connect(W->Write, &QSocketNotifier::activated, [this, Id] { Fire(Id, ioWrite); });
  FWatches.emplace(Id, std::move(W));
  SetWatchEvents(Id, Events);
  return Id;
}

void TQtEventLoop::SetWatchEvents(TWatchId Id, unsigned Events) {
  auto It = FWatches.find(Id);
  if (It == FWatches.end()) return;
  TWatch& W = *It->second;
  W.Events = Events;
  W.Read->setEnabled((Events & ioRead) != 0);
  W.Write->setEnabled((Events & ioWrite) != 0);
}

void TQtEventLoop::Unwatch(TWatchId Id) { FWatches.erase(Id); }

void TQtEventLoop::Fire(TWatchId Id, unsigned Ready) {
  auto It = FWatches.find(Id);
  if (It == FWatches.end() || (It->second->Events & Ready) == 0) return;
  // The callback may remove its own watch; keep it alive while it runs.
  const auto Callback = It->second->Callback;
  (*Callback)(It->second->Fd, Ready);
}

TTimerId TQtEventLoop::StartTimer(int IntervalMs, bool Repeating, TTimerCallback Callback) {
  const TTimerId Id = ++FLastId;
  auto T = std::make_unique<TTimer>();
  T->Callback = std::make_shared<TTimerCallback>(std::move(Callback));
  T->Timer = new QTimer();
  T->Timer->setSingleShot(!Repeating);
  T->Timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(T->Timer, &QTimer::timeout, [this, Id] { Expire(Id); });
  T->Timer->start(IntervalMs < 0 ? 0 : IntervalMs);
  FTimers.emplace(Id, std::move(T));
  return Id;
}

void TQtEventLoop::StopTimer(TTimerId Id) { FTimers.erase(Id); }

void TQtEventLoop::Expire(TTimerId Id) {
  auto It = FTimers.find(Id);
  if (It == FTimers.end()) return;
  const auto Callback = It->second->Callback;
  // A single shot is over before its callback runs, so the callback may
  // start a new one or ask about this one without seeing it as running.
  if (It->second->Timer->isSingleShot()) FTimers.erase(It);
  (*Callback)();
}

}  // namespace tenvarra
