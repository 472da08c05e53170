#pragma once
// Who hears of a device table's changes: every record added or taken out,
// whoever does it (learning, a setup dialog, a command from another program).
// A listener is told after the change is done, and looks at the table itself
// for what changed.
//
// Main thread only, like the tables. A listener may start or stop listening,
// its own listening included, while it is told.

#include <cstdint>
#include <functional>
#include <map>

namespace tenvarra {

class TTableChanges;

// Listening lasts as long as this handle. The table must outlive it.
class TTableListening {
public:
  TTableListening() = default;
  TTableListening(TTableListening&& Other) noexcept;
  TTableListening& operator=(TTableListening&& Other) noexcept;
  ~TTableListening();

private:
  friend class TTableChanges;
  TTableListening(TTableChanges& Changes, uint64_t Id) : FChanges(&Changes), FId(Id) {}
  void Stop();

  TTableChanges* FChanges = nullptr;
  uint64_t FId = 0;
};

class TTableChanges {
public:
  TTableChanges() = default;
  TTableChanges(const TTableChanges&) = delete;
  TTableChanges& operator=(const TTableChanges&) = delete;

  [[nodiscard]] TTableListening Listen(std::function<void()> Listener);
  // Tells every listener, in the order they started listening.
  void Tell();

private:
  friend class TTableListening;

  std::map<uint64_t, std::function<void()>> FListeners;
  uint64_t FNextId = 1;
};

}  // namespace tenvarra
