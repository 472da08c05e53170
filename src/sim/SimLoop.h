#pragma once
// The simulator's event loop and everything it owns: the layout, the
// connections, the command handling and the timers. It runs on the server's
// thread from Run until the stop flag is raised and the wake-up descriptor
// signalled; every object here lives on that thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "sim/SimCommands.h"
#include "sim/SimLayout.h"
#include "sim/SimLines.h"
#include "sim/SimServer.h"
#include "sim/SimSessions.h"
#include "sim/SimTimers.h"

namespace tenvarra {

class TSimLoop {
public:
  using TContacts = std::vector<std::pair<int32_t, int32_t>>;
  // Hands over the contacts set from other threads since the last call.
  using TTakePosted = std::function<TContacts()>;

  // ListenFd and WakeFd (an eventfd) stay the caller's.
  TSimLoop(const TSimOptions& Options, int ListenFd, int WakeFd, TTakePosted TakePosted,
           const std::atomic<bool>& Stopping);
  // Closes every connection.
  ~TSimLoop();
  TSimLoop(const TSimLoop&) = delete;
  TSimLoop& operator=(const TSimLoop&) = delete;

  void Run();

private:
  void Accept();
  void Woken();
  void Serve(TSimSession& Session, uint32_t Events);
  void ReadLines(TSimSession& Session);
  // Runs the whole lines Session has sent until it waits or ends.
  void RunLines(TSimSession& Session);
  void PatternStep(int32_t Step);

  const TSimOptions FOptions;
  const int FListenFd;
  const int FWakeFd;
  TTakePosted FTakePosted;
  const std::atomic<bool>& FStopping;
  int FEpollFd;
  bool FAcceptPaused = false;  // out of descriptors: wait for a connection to end
  TSimLines FLines;
  TSimTimers FTimers;
  TSimSessions FSessions;
  TSimLayout FLayout;
  TSimCommands FCommands;
  // Addresses whose identity tells the listening socket and the wake-up apart
  // from sessions in the epoll events.
  char FListenTag = 0;
  char FWakeTag = 0;
};

}  // namespace tenvarra
