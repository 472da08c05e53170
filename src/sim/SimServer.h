#pragma once
// The simulated layout server: a small SRCP 0.8.2 server that keeps a layout
// in memory (TSimLayout). It is the program's embedded default when no
// server is given, and the server of the end-to-end tests and benchmarks.
//
// One event loop on a thread of its own serves every client: it never waits
// for a client, and sleeps while nothing happens (no periodic wake-up unless
// a model clock runs or the feedback pattern is on). Start, Stop and the
// destructor belong to the owner's thread; Port and SetContact may be called
// from any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tenvarra {

class TSimLoop;

struct TSimOptions {
  // Where to listen; anything but loopback only when asked for.
  std::string ListenAddress = "127.0.0.1";
  int Port = 12345;  // 0: a free port, see TSimServer::Port
  // A slow running light on the feedback contacts, for demonstrations.
  bool FeedbackPattern = false;
  int FeedbackPatternStepMs = 1000;
  // Output a client may owe before it counts as not reading and is dropped;
  // the snapshot a new information session is sent after GO is not counted.
  std::size_t MaxOutputBytes = 1024 * 1024;
};

class TSimServer {
public:
  explicit TSimServer(TSimOptions Options = {});
  // Stops the server.
  ~TSimServer();
  TSimServer(const TSimServer&) = delete;
  TSimServer& operator=(const TSimServer&) = delete;

  // Binds and listens at once, then serves on the server's thread. Raises
  // std::runtime_error naming address and port when that fails (the port is
  // in use, the address is not this machine's); once only.
  void Start();
  // Closes every connection and ends the thread; nothing once stopped.
  void Stop();

  // "tenvarra-sim <version>", as the welcome line names the server.
  static std::string Version();

  const TSimOptions& Options() const { return FOptions; }
  // The port listened on, chosen by the system for port 0; 0 before Start.
  int Port() const { return FPort.load(); }
  // "address:port" as a client would connect to it.
  std::string Endpoint() const;

  // Sets feedback contact Address (1 to 496) of bus 8 to Value (0 or 1) and
  // reports a change to the information sessions, as SET 8 FB does. False,
  // and nothing done, for values outside those ranges. Any thread, also
  // before Start, but not while Stop or the destructor runs.
  bool SetContact(int32_t Address, int32_t Value);

private:
  void Wake();

  TSimOptions FOptions;
  std::atomic<int> FPort{0};
  int FListenFd = -1;
  std::atomic<int> FWakeFd{-1};
  std::atomic<bool> FStopping{false};
  std::mutex FPostedLock;
  std::vector<std::pair<int32_t, int32_t>> FPostedContacts;  // guarded by FPostedLock
  std::unique_ptr<TSimLoop> FLoop;  // while started
  std::thread FThread;
};

}  // namespace tenvarra
