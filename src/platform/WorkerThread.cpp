#include "platform/WorkerThread.h"

#include <stdexcept>
#include <utility>

namespace tenvarra {

TWorkerThread::TWorkerThread(TMainThreadQueue& queue, TBody body)
    : FQueue(queue), FBody(std::move(body)) {}

TWorkerThread::~TWorkerThread() {
  Terminate();
  for (;;) {
    try {
      JoinServing();
      return;
    } catch (...) {
      // An asynchronous call failed while we served; the join still has to happen.
    }
  }
}

void TWorkerThread::Start() {
  if (FThread.joinable() || Finished()) throw std::logic_error("worker thread started twice");
  FThread = std::thread([this] { Main(); });
}

bool TWorkerThread::JoinServing(int timeoutMs) {
  if (!FThread.joinable()) return true;
  if (FQueue.IsMainThread() &&
      !FQueue.ServeUntil([this] { return Finished(); }, timeoutMs)) {
    return false;
  }
  FThread.join();
  return true;
}

void TWorkerThread::Main() {
  try {
    while (!Terminated()) FBody(*this);
  } catch (...) {
    FError = std::current_exception();
  }
  FFinished.store(true);
  FQueue.Wake();
}

}  // namespace tenvarra
