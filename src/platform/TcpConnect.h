#pragma once
// Opening a TCP connection with a time-out, for the line socket.

#include <string>

namespace tenvarra {

// Resolves host (name or IPv4/IPv6 literal) and tries each address in the
// resolver's order until one accepts, all within timeoutMs in total. Returns
// a blocking, close-on-exec socket with Nagle off (every line is a complete
// message and waits for its reply). Raises ESocketError naming host:port:
// nekConnect when the name does not resolve or no address accepts,
// nekTimeout when the time ran out first.
int ConnectTcp(const std::string& host, int port, int timeoutMs);

// "host:port", or "[v6]:port" for an IPv6 literal.
std::string PeerName(const std::string& host, int port);

}  // namespace tenvarra
