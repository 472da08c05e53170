#pragma once
// The command session: the main thread writes a command and reads its reply
// at once. A reply that does not come within ReplyTimeout fails the read like
// a network error, so a stalled server cannot hold the main thread forever.

#include "srcp/SRCPBaseClient.h"

namespace tenvarra {

class TSRCPCommandClient : public TSRCPBaseClient {
public:
  static constexpr int DefaultReplyTimeoutMs = 10000;

  explicit TSRCPCommandClient(TMainThreadQueue& Queue);
  // Silent: logging is off before the session is ended.
  ~TSRCPCommandClient() override;

  // Milliseconds to wait for a reply line; 0 or less waits without limit.
  int ReplyTimeout() const { return Socket().ReadTimeoutMs(); }
  void SetReplyTimeout(int Ms) { Socket().SetReadTimeoutMs(Ms); }

  // Asks for connection mode COMMAND.
  void Connect(int TimeoutMs = -1) override;
  // With a session number: TERM 0 SESSION n and its reply. A server that
  // closes the connection instead of replying ends the session normally.
  void TermSession() override;
};

}  // namespace tenvarra
