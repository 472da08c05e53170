#include "srcp/SRCPCommandClient.h"

#include "srcp/Records.h"

namespace tenvarra {

TSRCPCommandClient::TSRCPCommandClient(TMainThreadQueue& Queue)
    : TSRCPBaseClient(Queue, cmCommand) {
  SetReplyTimeout(DefaultReplyTimeoutMs);
}

TSRCPCommandClient::~TSRCPCommandClient() {
  SetLogEnabled(false);
  try {
    Disconnect();
  } catch (...) {
    // The server went away while its session was being ended; the socket is
    // closed all the same.
  }
  BeginDestroy();
  NotifyDestroyed();
}

void TSRCPCommandClient::Connect(int TimeoutMs) {
  SetConnectionMode(cmCommand);
  TSRCPBaseClient::Connect(TimeoutMs);
}

void TSRCPCommandClient::TermSession() {
  if (SessionId() == -1) return;
  TSRCPCmd term;
  term.SetVersion(Version());
  term.SetGroup(dgSession);
  term.SetCommand(mkTerm);
  term.Bus = 0;
  term.Session().SessionId = SessionId();
  SendCommand(term);
  if (Connected()) {
    try {
      HandleReply(term, Socket().ReadNonBlankLine(2000));
    } catch (const EConnClosed&) {
      // Servers close the connection in answer to TERM SESSION: that is the
      // end asked for, not a failure.
    }
  }
  ClearSessionId();
}

}  // namespace tenvarra
