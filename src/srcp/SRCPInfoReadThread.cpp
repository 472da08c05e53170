#include "srcp/SRCPInfoReadThread.h"

#include <exception>
#include <utility>

namespace tenvarra {

TSRCPInfoReadThread::TSRCPInfoReadThread(TMainThreadQueue& Queue, TTcpLineSocket& Socket,
                                         TDispatch Dispatch, TEnded OnEnded)
    : FQueue(Queue),
      FSocket(Socket),
      FDispatch(std::move(Dispatch)),
      FOnEnded(std::move(OnEnded)),
      FThread(Queue, [this](TWorkerThread& Self) { Run(Self); }) {}

void TSRCPInfoReadThread::Run(TWorkerThread& Self) {
  try {
    FLine = FSocket.ReadLine();
    if (!FLine.empty()) FQueue.Synchronize([this] { FDispatch(FLine); });
    // Once told to stop, the socket may already serve a new connection.
    if (!Self.Terminated()) FSocket.CheckForDisconnect();
  } catch (...) {
    // Told to stop, the main thread is already seeing to the rest.
    if (!Self.Terminated() && FOnEnded) FOnEnded(*this, std::current_exception());
    throw;
  }
}

}  // namespace tenvarra
