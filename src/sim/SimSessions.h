#pragma once
// The simulator's connections: each one accepted joins the event loop and is
// greeted; GO numbers it (1, 2, 3, ... never reused) and tells the
// information sessions about it; reports go to every information session;
// queued output is sent and ended connections are removed, their end told
// to the information sessions. Loop thread only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimSession.h"

namespace tenvarra {

class TSimLines;

class TSimSessions {
public:
  // Runs before a session is removed (it has ended).
  std::function<void(TSimSession&)> OnRemove;

  // EpollFd is the event loop's; its events carry the session as pointer.
  TSimSessions(int EpollFd, std::size_t MaxOutput, TSimLines& Lines);
  ~TSimSessions();
  TSimSessions(const TSimSessions&) = delete;
  TSimSessions& operator=(const TSimSessions&) = delete;

  // Takes Fd, an accepted non-blocking socket, and sends the welcome line.
  TSimSession& Add(int Fd);
  // GO: numbers the session and announces it to the information sessions.
  void Start(TSimSession& Session);
  // From now on Session receives every report.
  void Listen(TSimSession& Session);
  // A started session by its number; none when there is no such session.
  TSimSession* Find(int32_t Id) const;
  void Broadcast(const std::string& Line);
  // "100|101|102 INFO 0 SESSION <id> [COMMAND|INFO]"
  std::string SessionLine(TSRCPMessageKind Kind, const TSimSession& Session);

  // Sends queued output and removes ended sessions until neither leaves
  // anything to do; also sets what the loop watches each session for.
  void Settle();
  std::size_t Count() const { return FSessions.size(); }

private:
  void Remove(TSimSession& Session);
  void Watch(TSimSession& Session);

  int FEpollFd;
  std::size_t FMaxOutput;
  TSimLines& FLines;
  int32_t FLastId = 0;
  std::vector<std::unique_ptr<TSimSession>> FSessions;
  std::vector<TSimSession*> FListeners;  // information sessions, in GO order
  std::vector<TSimSession*> FDirty;
};

}  // namespace tenvarra
