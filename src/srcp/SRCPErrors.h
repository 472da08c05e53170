#pragma once
// Errors of the SRCP sessions. They are network errors too, so a caller that
// already handles the line socket's failures handles these as well. Only
// connecting raises them; everything after the handshake reports SRCP error
// replies through the session's OnError.

#include <string>

#include "platform/NetErrors.h"

namespace tenvarra {

class ESRCPError : public ENetError {
public:
  ESRCPError(TNetErrorKind Kind, const std::string& Message) : ENetError(Kind, Message) {}
};

// The server spoke, but not the way a session can go on with: "invalid
// welcome string", "unsupported version", "Client refused connection".
class ESRCPHandshakeError : public ESRCPError {
public:
  explicit ESRCPHandshakeError(const std::string& Message)
      : ESRCPError(TNetErrorKind::nekConnect, Message) {}
};

// The network failed during the handshake. Kind tells how (time-out, I/O,
// a line over the limit); the message is always the same.
class ESRCPClientConnectError : public ESRCPError {
public:
  explicit ESRCPClientConnectError(TNetErrorKind Kind = TNetErrorKind::nekConnect)
      : ESRCPError(Kind, "server not responding") {}
};

}  // namespace tenvarra
