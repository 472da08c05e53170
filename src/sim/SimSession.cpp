#include "sim/SimSession.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace tenvarra {

TSimSession::TSimSession(int Fd, std::size_t MaxOutput, std::vector<TSimSession*>& Dirty)
    : FFd(Fd), FMaxOutput(MaxOutput), FDirty(Dirty) {}

TSimSession::~TSimSession() {
  if (FDropped) {
    // Closing with a zero linger resets the connection instead of leaving the
    // kernel to deliver output a stalled client will not read.
    const linger abort{1, 0};
    ::setsockopt(FFd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  ::close(FFd);
}

void TSimSession::Send(std::string_view Line) {
  if (FClosing || FDropped) return;
  if (FOutput.size() - FOutStart - FUncounted + Line.size() + 1 > FMaxOutput) {
    Drop();
    return;
  }
  FOutput.append(Line);
  FOutput += '\n';
  MarkDirty();
}

void TSimSession::SendUncounted(std::string_view Line) {
  if (FClosing || FDropped) return;
  FOutput.append(Line);
  FOutput += '\n';
  FUncounted += Line.size() + 1;
  MarkDirty();
}

void TSimSession::MarkDirty() {
  if (Listed) return;
  Listed = true;
  FDirty.push_back(this);
}

void TSimSession::CloseAfterFlush() {
  FClosing = true;
  MarkDirty();
}

bool TSimSession::Receive() {
  char chunk[16 * 1024];
  const std::size_t room = FInput.Room();
  if (room == 0) return true;  // a line over the limit waits to be refused
  ssize_t n;
  while ((n = ::recv(FFd, chunk, std::min(room, sizeof chunk), 0)) < 0 && errno == EINTR) {}
  if (n > 0) {
    FInput.Append(chunk, static_cast<std::size_t>(n));
    return true;
  }
  return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

bool TSimSession::Flush() {
  while (OutputPending()) {
    const ssize_t n = ::send(FFd, FOutput.data() + FOutStart, FOutput.size() - FOutStart,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      FOutStart += static_cast<std::size_t>(n);
      // Whatever went first, the uncounted bytes never outnumber those unsent.
      FUncounted -= std::min(FUncounted, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    return false;
  }
  if (!OutputPending()) {
    FOutput.clear();
    FOutStart = 0;
  } else if (FOutStart > FOutput.size() / 2) {
    // Keep the buffer from growing by what was already sent.
    FOutput.erase(0, FOutStart);
    FOutStart = 0;
  }
  return true;
}

void TSimSession::Drop() {
  FDropped = true;
  FOutput.clear();
  FOutStart = 0;
  FUncounted = 0;
  MarkDirty();
}

}  // namespace tenvarra
