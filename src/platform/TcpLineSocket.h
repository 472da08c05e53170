#pragma once
// A blocking TCP client connection that speaks in lines: each line written
// gets CR LF, each line read ends at LF (a CR just before it is dropped).
//
// Threads. The owner thread configures, connects, disconnects and destroys
// the socket. Reading and writing happen on one thread at a time: the owner,
// or one reader thread. While a reader thread is inside a read, the owner may
// call Disconnect(), Shutdown() and Connected(); the read then fails promptly
// with EConnClosed (nekShutdown). The descriptor is closed only after the
// reader has left, so it can never be reused under the reader's feet. Before
// Connect() or destruction the reader thread must have been joined.
//
// Errors are ENetError descendants (NetErrors.h) whose message names
// host:port. Any error from a read or write ends the connection (shut down
// both ways), since the stream is no longer in step with the peer.

#include "platform/LineBuffer.h"
#include "platform/NetErrors.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tenvarra {

class TTcpLineSocket {
public:
  static constexpr int DefaultConnectTimeoutMs = 5000;

  TTcpLineSocket() = default;
  // Closes without running OnDisconnected: the owner is going away.
  ~TTcpLineSocket();
  TTcpLineSocket(const TTcpLineSocket&) = delete;
  TTcpLineSocket& operator=(const TTcpLineSocket&) = delete;

  const std::string& Host() const { return FHost; }
  void SetHost(std::string host) { FHost = std::move(host); }
  int Port() const { return FPort; }
  // Kept as given: a port outside 1..65535 fails at Connect, by its value.
  void SetPort(int port);

  // A read that waits longer than this for its line fails with ESocketError
  // (nekTimeout). 0 or less: wait without limit (the default).
  int ReadTimeoutMs() const { return FReadTimeoutMs; }
  void SetReadTimeoutMs(int ms) { FReadTimeoutMs = ms; }

  // Opens the connection within timeoutMs; a value below 1 (the session passes
  // -1) means DefaultConnectTimeoutMs. Raises ENetError (nekAlreadyConnected)
  // when connected; a dead connection not yet disconnected is disconnected
  // first. Connect failures: ESocketError (nekConnect, nekTimeout).
  void Connect(int timeoutMs = -1);
  // True from a successful Connect until the connection ends (Disconnect,
  // Shutdown, the peer closing, or an error). Any thread.
  bool Connected() const;
  // Ends and closes the connection and runs OnDisconnected if this connection
  // has not reported its end yet. Safe while a reader thread is inside a read.
  void Disconnect();
  // Ends the connection without closing the descriptor: a blocked read or
  // write returns at once. Any thread. OnDisconnected runs later, from
  // Disconnect().
  void Shutdown();

  // Sends text followed by CR LF, all of it.
  void WriteLine(const std::string& text);
  // Next line without LF and without a CR just before it. A line longer than
  // TLineBuffer::MaxLineLength is refused (ESocketError nekLineTooLong).
  // The peer closing raises EConnClosed (nekPeerClosed) once every whole line
  // it sent has been read; a last line without LF is dropped.
  std::string ReadLine();
  // Reads lines, trimming spaces and control characters from both ends, until
  // one is not empty or tries lines have been read; returns the last one.
  std::string ReadNonBlankLine(int tries);
  // Raises EConnClosed when the connection has ended and nothing is left to
  // read; does not wait. An unread partial line counts as something left.
  void CheckForDisconnect();

  // Texts kept with the connection for its user (the server's greeting).
  std::vector<std::string>& Greeting() { return FGreeting; }

  // Runs once for each connection that was established, when it ends: on the
  // thread of Disconnect(), or on the thread whose read or write found it
  // gone (the peer closed, or an error). Not run for a local Shutdown() until
  // Disconnect(), and not by the destructor.
  std::function<void(TTcpLineSocket& sender)> OnDisconnected;

private:
  friend class TSocketUse;

  // Marks the connection ended for reason (first reason wins) and shuts the
  // descriptor down both ways. Returns whether this call ended it.
  bool End(int fd, TNetErrorKind reason);
  // Ends the connection, runs OnDisconnected, raises ESocketError.
  [[noreturn]] void Fail(int fd, TNetErrorKind kind, const std::string& message);
  [[noreturn]] void ThrowEnded() const;
  // No usable connection: EConnClosed if one ended, else nekNotConnected.
  [[noreturn]] void ThrowUnusable() const;
  // One recv into the buffer, after waiting at most waitMs (-1: no limit).
  void Receive(int fd, int waitMs);
  void Release();
  void CloseFd();
  void ReportDisconnected();

  std::string FHost;
  int FPort = 0;
  int FReadTimeoutMs = 0;
  std::string FPeer;  // host:port of the current connection, for messages
  TLineBuffer FBuffer;
  std::vector<std::string> FGreeting;

  std::atomic<int> FFd{-1};
  std::atomic<int> FUsers{0};           // calls that use FFd right now
  std::atomic<bool> FClosing{false};    // FFd is to be closed when FUsers drops to 0
  std::atomic<int> FEnd{0};             // 0 while alive, else 1 + TNetErrorKind
  std::atomic<bool> FReportPending{false};
};

}  // namespace tenvarra
