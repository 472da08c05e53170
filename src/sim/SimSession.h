#pragma once
// One client connection of the simulator: its socket, what it sent that is
// not yet a whole line, what it is owed that is not yet sent, and where it
// stands in SRCP (handshake, command session or information session).
//
// Nothing here waits for the client. Output is queued and sent when the
// socket takes it; a client whose unsent output outgrows the limit is not
// reading and is dropped. Loop thread only.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LineBuffer.h"
#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSimSession {
public:
  enum class TPhase { phHandshake, phCommand, phInfo };

  // Takes Fd, a connected non-blocking socket. Dirty receives the session
  // whenever it has output to send and was not listed yet.
  TSimSession(int Fd, std::size_t MaxOutput, std::vector<TSimSession*>& Dirty);
  ~TSimSession();
  TSimSession(const TSimSession&) = delete;
  TSimSession& operator=(const TSimSession&) = delete;

  int Fd() const { return FFd; }

  TPhase Phase = TPhase::phHandshake;
  TSRCPConnectionMode Mode = cmCommand;  // asked for in the handshake
  int32_t Id = 0;                        // given by GO
  // The WAIT a command session is waiting for (TSimLayout::WaitForTime); its
  // later lines are neither read nor run meanwhile. 0 for none.
  uint64_t TimeWait = 0;

  // Queues Line and its LF. Ignored once the session is ending.
  void Send(std::string_view Line);
  // Queues Line like Send without counting it against the limit: what a new
  // information session is owed at once grows with the layout, not with a
  // client that does not read.
  void SendUncounted(std::string_view Line);

  // Reads once from the socket. False when the client has closed the
  // connection or it failed; whole lines read before stay to be taken.
  bool Receive();
  TLineBuffer::TTake TakeLine(std::string& Line) { return FInput.TakeLine(Line); }

  // Sends as much queued output as the socket takes now. False when the
  // connection failed.
  bool Flush();
  bool OutputPending() const { return FOutStart < FOutput.size(); }

  // Ends the session once its output is sent; nothing more is read.
  void CloseAfterFlush();
  bool Closing() const { return FClosing; }
  // Ends the session at once, dropping unsent output (the peer sees a reset).
  void Drop();
  bool Dropped() const { return FDropped; }
  // Nothing more will happen on this session; it only waits to be removed.
  bool Ended() const { return FDropped || (FClosing && !OutputPending()); }

  // Lists the session with the dirty ones, to be flushed or removed.
  void MarkDirty();

  // Kept by TSimSessions: whether the session is in the dirty list, and
  // the epoll events the loop watches it for.
  bool Listed = false;
  uint32_t Watched = 0;

private:

  int FFd;
  std::size_t FMaxOutput;
  std::vector<TSimSession*>& FDirty;
  TLineBuffer FInput;
  std::string FOutput;
  std::size_t FOutStart = 0;  // first byte not yet sent
  std::size_t FUncounted = 0;  // of the bytes not yet sent, those the limit leaves out
  bool FClosing = false;
  bool FDropped = false;
};

}  // namespace tenvarra
