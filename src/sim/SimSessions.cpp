#include "sim/SimSessions.h"

#include <algorithm>
#include <sys/epoll.h>

#include "sim/SimLines.h"
#include "srcp/Records.h"

namespace tenvarra {

TSimSessions::TSimSessions(int EpollFd, std::size_t MaxOutput, TSimLines& Lines)
    : FEpollFd(EpollFd), FMaxOutput(MaxOutput), FLines(Lines) {}

TSimSessions::~TSimSessions() = default;

TSimSession& TSimSessions::Add(int Fd) {
  auto session = std::make_unique<TSimSession>(Fd, FMaxOutput, FDirty);
  epoll_event event{};
  event.events = session->Watched = EPOLLIN;
  event.data.ptr = session.get();
  ::epoll_ctl(FEpollFd, EPOLL_CTL_ADD, Fd, &event);
  TSimSession& added = *FSessions.emplace_back(std::move(session));
  added.Send(TSimLines::Welcome());
  return added;
}

void TSimSessions::Start(TSimSession& Session) {
  Session.Id = ++FLastId;
  Session.Phase = Session.Mode == cmInfo ? TSimSession::TPhase::phInfo
                                         : TSimSession::TPhase::phCommand;
  Broadcast(SessionLine(mkInfoInit, Session));
}

void TSimSessions::Listen(TSimSession& Session) { FListeners.push_back(&Session); }

TSimSession* TSimSessions::Find(int32_t Id) const {
  for (const auto& session : FSessions)
    if (session->Id == Id && Id != 0) return session.get();
  return nullptr;
}

void TSimSessions::Broadcast(const std::string& Line) {
  for (TSimSession* listener : FListeners) listener->Send(Line);
}

std::string TSimSessions::SessionLine(TSRCPMessageKind Kind, const TSimSession& Session) {
  TSRCPCmd& msg = FLines.Begin(dgSession, Kind, FLines.NextStamp(), 0);
  msg.Session().SessionId = Session.Id;
  if (Kind != mkInfoTerm) msg.Text = ConnectionModeName(Session.Mode);
  return FLines.Finish();
}

void TSimSessions::Settle() {
  while (!FDirty.empty()) {
    // Removing a session announces its end, which lists the listeners again.
    std::vector<TSimSession*> batch;
    batch.swap(FDirty);
    for (TSimSession* session : batch) {
      session->Listed = false;
      if (!session->Dropped() && !session->Flush()) session->Drop();
      if (session->Ended())
        Remove(*session);
      else
        Watch(*session);
    }
  }
}

void TSimSessions::Watch(TSimSession& Session) {
  // A closing session reads nothing more, so further input must not wake the
  // loop; nor may it while the session waits.
  const bool reading = !Session.Closing() && Session.TimeWait == 0;
  const uint32_t wanted = (reading ? uint32_t{EPOLLIN} : 0u) |
                          (Session.OutputPending() ? uint32_t{EPOLLOUT} : 0u);
  if (wanted == Session.Watched) return;
  epoll_event event{};
  event.events = Session.Watched = wanted;
  event.data.ptr = &Session;
  ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, Session.Fd(), &event);
}

void TSimSessions::Remove(TSimSession& Session) {
  if (OnRemove) OnRemove(Session);
  ::epoll_ctl(FEpollFd, EPOLL_CTL_DEL, Session.Fd(), nullptr);
  std::erase(FListeners, &Session);
  std::erase(FDirty, &Session);
  const bool started = Session.Id != 0;
  const auto owner = std::find_if(FSessions.begin(), FSessions.end(),
                                  [&](const auto& S) { return S.get() == &Session; });
  std::unique_ptr<TSimSession> ended = std::move(*owner);
  FSessions.erase(owner);
  if (started) Broadcast(SessionLine(mkInfoTerm, *ended));
}

}  // namespace tenvarra
