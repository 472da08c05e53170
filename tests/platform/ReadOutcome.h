#pragma once
// Catching what a socket call produced, and reading on a thread of its own.

#include "LoopbackPeer.h"
#include "platform/NetErrors.h"
#include "platform/TcpLineSocket.h"

#include <atomic>
#include <future>
#include <optional>
#include <string>
#include <thread>

namespace tenvarra::test {

struct TOutcome {
  enum TType { otValue, otClosed, otSocket, otNet };
  TType Type = otValue;
  std::string Line;
  TNetErrorKind Kind{};
  std::string Message;
};

template <typename F>
TOutcome Capture(F&& call) {
  TOutcome outcome;
  try {
    if constexpr (std::is_void_v<decltype(call())>) {
      call();
    } else {
      outcome.Line = call();
    }
  } catch (const EConnClosed& e) {
    outcome = {TOutcome::otClosed, {}, e.Kind(), e.what()};
  } catch (const ESocketError& e) {
    outcome = {TOutcome::otSocket, {}, e.Kind(), e.what()};
  } catch (const ENetError& e) {
    outcome = {TOutcome::otNet, {}, e.Kind(), e.what()};
  }
  return outcome;
}

// One ReadLine on another thread. A read still blocked when this object goes
// away is released by shutting the socket down, so a failing test cannot hang.
class TBackgroundRead {
public:
  explicit TBackgroundRead(TTcpLineSocket& socket) : FSocket(socket) {
    FResult = std::async(std::launch::async, [this] {
      FTid.store(CurrentTid());
      return Capture([this] { return FSocket.ReadLine(); });
    });
  }
  ~TBackgroundRead() {
    if (FResult.valid() &&
        FResult.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      FSocket.Shutdown();
    }
  }
  TBackgroundRead(const TBackgroundRead&) = delete;
  TBackgroundRead& operator=(const TBackgroundRead&) = delete;

  // Best effort: true once the reading thread sleeps in the kernel.
  bool WaitBlocked() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (FTid.load() == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    return FTid.load() != 0 && WaitUntilAsleep(FTid.load());
  }

  // The outcome, or nothing if the read has not returned within timeoutMs.
  std::optional<TOutcome> Result(int timeoutMs = 5000) {
    if (FResult.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
      return std::nullopt;
    }
    return FResult.get();
  }

private:
  TTcpLineSocket& FSocket;
  std::atomic<pid_t> FTid{0};
  std::future<TOutcome> FResult;
};

}  // namespace tenvarra::test
