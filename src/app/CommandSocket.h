#pragma once
// A running instance's command socket: other programs (tenvarra --command)
// send it one menu command a connection and read the answer. It sits beside
// the instance's COM<n> link in the private port directory, so only the user
// reaches it, and goes with the instance.
//
// One request: a line of text ending in a newline (or the end of the
// connection). One reply: "OK" or "FAIL" on a line, then the answer's lines,
// then the socket closes. A client that stalls is cut off after
// ClientTimeoutMs and one that sends too much is refused; neither blocks the
// bridge, which reads and writes without waiting. A command may run the
// event loop (the window's message boxes do): its client's time-out waits
// meanwhile, and the answer goes only to the client that asked, while it is
// still the one on its descriptor.
//
// Main thread only, on the program's event loop.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/UniqueFd.h"

namespace tenvarra {

struct TCommandAnswer {
  std::vector<std::string> Lines;
  bool Refused = false;
};

class TCommandSocket {
public:
  using TRunner = std::function<TCommandAnswer(const std::string& Line)>;

  static constexpr int ClientTimeoutMs = 5000;
  static constexpr std::size_t MaxRequest = 1024;

  // The socket file beside a port link.
  static std::string PathFor(const std::string& PortDir, const std::string& PortName) {
    return PortDir + "/" + PortName + ".sock";
  }

  // Listens on Path (a stale file there is replaced). Raises
  // std::runtime_error when it cannot. Loop must outlive this. A client
  // that has not sent its whole command after TimeoutMs is cut off.
  TCommandSocket(TEventLoop& Loop, std::string Path, TRunner Runner, int TimeoutMs = ClientTimeoutMs);
  // Closes every connection and removes the socket file.
  ~TCommandSocket();
  TCommandSocket(const TCommandSocket&) = delete;
  TCommandSocket& operator=(const TCommandSocket&) = delete;

  const std::string& Path() const { return FPath; }
  // Connections accepted and not yet answered or cut off.
  std::size_t ClientCount() const { return FClients.size(); }

private:
  struct TClient {
    // A descriptor's number comes back for a later connection; this does not.
    uint64_t Serial = 0;
    TUniqueFd Fd;
    TWatchId Watch = 0;
    TTimerId Timer = 0;
    std::string Request;
  };

  void Accept();
  void Read(int Fd);
  void Answer(int Fd, const TCommandAnswer& Answer);
  void Drop(int Fd);
  // Whether the client with Serial is still the one on Fd.
  bool Holds(int Fd, uint64_t Serial) const;

  TEventLoop& FLoop;
  std::string FPath;
  TRunner FRunner;
  int FTimeoutMs;
  uint64_t FLastSerial = 0;
  TUniqueFd FListen;
  TWatchId FListenWatch = 0;
  std::map<int, std::unique_ptr<TClient>> FClients;
};

// The client side of tenvarra --command: sends Text to the instance that
// owns PortName in PortDir (the lowest COM number there when PortName is
// empty), prints the answer on Out (Err when refused) and returns the exit
// status: 0 answered, 1 refused or no instance.
int SendInstanceCommand(const std::string& PortDir, const std::string& PortName, const std::string& Text,
                        std::FILE* Out, std::FILE* Err);

}  // namespace tenvarra
