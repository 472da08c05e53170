#include "devices/TableChanges.h"

#include <utility>
#include <vector>

namespace tenvarra {

TTableListening::TTableListening(TTableListening&& Other) noexcept
    : FChanges(std::exchange(Other.FChanges, nullptr)), FId(std::exchange(Other.FId, 0)) {}

TTableListening& TTableListening::operator=(TTableListening&& Other) noexcept {
  if (this != &Other) {
    Stop();
    FChanges = std::exchange(Other.FChanges, nullptr);
    FId = std::exchange(Other.FId, 0);
  }
  return *this;
}

TTableListening::~TTableListening() { Stop(); }

void TTableListening::Stop() {
  if (FChanges) FChanges->FListeners.erase(FId);
  FChanges = nullptr;
}

TTableListening TTableChanges::Listen(std::function<void()> Listener) {
  const uint64_t id = FNextId++;
  FListeners.emplace(id, std::move(Listener));
  return TTableListening(*this, id);
}

void TTableChanges::Tell() {
  // A listener may stop listening, or make another one listen, meanwhile:
  // only those listening before the change and still listening are told,
  // each through a copy that outlives its own removal.
  std::vector<uint64_t> ids;
  ids.reserve(FListeners.size());
  for (const auto& [id, listener] : FListeners) ids.push_back(id);
  for (const uint64_t id : ids) {
    const auto found = FListeners.find(id);
    if (found == FListeners.end()) continue;
    const std::function<void()> listener = found->second;
    if (listener) listener();
  }
}

}  // namespace tenvarra
