#include "sim/SimLoop.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tenvarra {

namespace {

// The light runs over the first two feedback modules.
constexpr int32_t PatternContacts = 32;

int MakeEpoll() {
  const int fd = ::epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0) throw std::runtime_error("simulator: cannot create its event loop");
  return fd;
}

void WatchRead(int EpollFd, int Fd, void* Tag) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.ptr = Tag;
  ::epoll_ctl(EpollFd, EPOLL_CTL_ADD, Fd, &event);
}

}  // namespace

TSimLoop::TSimLoop(const TSimOptions& Options, int ListenFd, int WakeFd, TTakePosted TakePosted,
                   const std::atomic<bool>& Stopping)
    : FOptions(Options),
      FListenFd(ListenFd),
      FWakeFd(WakeFd),
      FTakePosted(std::move(TakePosted)),
      FStopping(Stopping),
      FEpollFd(MakeEpoll()),
      FSessions(FEpollFd, Options.MaxOutputBytes, FLines),
      FLayout(FLines, FTimers, [this](const std::string& Line) { FSessions.Broadcast(Line); }),
      FCommands(FLayout, FSessions, FLines) {
  FSessions.OnRemove = [this](TSimSession& Session) { FCommands.SessionEnded(Session); };
  FCommands.OnResume = [this](TSimSession& Session) { RunLines(Session); };
  WatchRead(FEpollFd, FListenFd, &FListenTag);
  WatchRead(FEpollFd, FWakeFd, &FWakeTag);
  if (FOptions.FeedbackPattern)
    FTimers.After(FOptions.FeedbackPatternStepMs, [this] { PatternStep(0); });
}

TSimLoop::~TSimLoop() { ::close(FEpollFd); }

void TSimLoop::Run() {
  epoll_event events[64];
  while (!FStopping.load()) {
    const int count = ::epoll_wait(FEpollFd, events, 64, FTimers.WaitMs());
    for (int i = 0; i < count; ++i) {
      void* tag = events[i].data.ptr;
      if (tag == &FListenTag)
        Accept();
      else if (tag == &FWakeTag)
        Woken();
      else
        Serve(*static_cast<TSimSession*>(tag), events[i].events);
    }
    FTimers.RunDue();
    // Sessions leave only here, after every event naming them has been handled.
    const std::size_t before = FSessions.Count();
    FSessions.Settle();
    if (FAcceptPaused && FSessions.Count() < before) {
      FAcceptPaused = false;
      epoll_event event{EPOLLIN, {}};
      event.data.ptr = &FListenTag;
      ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, FListenFd, &event);
    }
  }
}

void TSimLoop::Accept() {
  for (;;) {
    const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      // Every line is a whole message that a client waits for.
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      FSessions.Add(fd);
      continue;
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      // The pending connection stays readable: stop watching it, or the loop would spin.
      FAcceptPaused = true;
      epoll_event event{0, {}};
      event.data.ptr = &FListenTag;
      ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, FListenFd, &event);
    }
    return;
  }
}

void TSimLoop::Woken() {
  uint64_t count;
  while (::read(FWakeFd, &count, sizeof count) < 0 && errno == EINTR) {}
  for (const auto& [address, value] : FTakePosted()) FLayout.SetContact(address, value);
}

void TSimLoop::Serve(TSimSession& Session, uint32_t Events) {
  if ((Events & EPOLLOUT) || Session.Closing() || Session.Dropped()) Session.MarkDirty();
  if ((Events & (EPOLLIN | EPOLLHUP | EPOLLERR)) && !Session.Closing() && !Session.Dropped())
    ReadLines(Session);
}

void TSimLoop::ReadLines(TSimSession& Session) {
  const bool open = Session.Receive();
  RunLines(Session);
  // A last line without its line end is dropped with the connection.
  if (!open) Session.CloseAfterFlush();
}

void TSimLoop::RunLines(TSimSession& Session) {
  std::string line;
  while (!Session.Closing() && !Session.Dropped() && Session.TimeWait == 0) {
    const TLineBuffer::TTake take = Session.TakeLine(line);
    if (take == TLineBuffer::TTake::tkNeedMore) break;
    if (take == TLineBuffer::TTake::tkTooLong) {
      // The rest of the line is still coming; the session cannot get back in step.
      Session.Send(FLines.Error(mkErrListTooLong));
      Session.CloseAfterFlush();
      break;
    }
    FCommands.Execute(Session, line);
  }
}

void TSimLoop::PatternStep(int32_t Step) {
  const int32_t lit = Step % PatternContacts + 1;
  const int32_t dark = (Step + PatternContacts - 1) % PatternContacts + 1;
  FLayout.SetContact(dark, 0);
  FLayout.SetContact(lit, 1);
  FTimers.After(FOptions.FeedbackPatternStepMs, [this, Step] { PatternStep(Step + 1); });
}

}  // namespace tenvarra
