#pragma once
// Errors of the network layer. The SRCP sessions tell a failure of the network
// itself (ESocketError: they report "server not responding") from a connection
// that the server closed in an orderly way (EConnClosed: the session just ends),
// so the two are separate branches under one base.

#include <stdexcept>
#include <string>

namespace tenvarra {

enum class TNetErrorKind {
  nekConnect,           // name lookup or TCP connect failed
  nekTimeout,           // connect or read took longer than allowed
  nekIo,                // send/recv/poll failed
  nekLineTooLong,       // the peer sent a line over the limit
  nekPeerClosed,        // the peer closed the connection
  nekShutdown,          // this side shut the connection down
  nekNotConnected,      // read or write without a connection
  nekAlreadyConnected,  // connect while connected
};

// Base of every error the network layer raises.
class ENetError : public std::runtime_error {
public:
  ENetError(TNetErrorKind kind, const std::string& message)
      : std::runtime_error(message), FKind(kind) {}
  TNetErrorKind Kind() const { return FKind; }

private:
  TNetErrorKind FKind;
};

// A failure of the network itself: connect, time-out, I/O, line too long.
class ESocketError : public ENetError {
public:
  using ENetError::ENetError;
};

// The connection is gone without a network failure: the peer closed it, or
// this side shut it down (possibly from another thread).
class EConnClosed : public ENetError {
public:
  using ENetError::ENetError;
};

}  // namespace tenvarra
