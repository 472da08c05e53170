#pragma once
// Owns one file descriptor and closes it when it goes.

#include <unistd.h>

#include <utility>

namespace tenvarra {

class TUniqueFd {
public:
  TUniqueFd() = default;
  explicit TUniqueFd(int Fd) : FFd(Fd) {}
  ~TUniqueFd() { Reset(); }
  TUniqueFd(TUniqueFd&& Other) noexcept : FFd(Other.Release()) {}
  TUniqueFd& operator=(TUniqueFd&& Other) noexcept {
    if (this != &Other) Reset(Other.Release());
    return *this;
  }
  TUniqueFd(const TUniqueFd&) = delete;
  TUniqueFd& operator=(const TUniqueFd&) = delete;

  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release() { return std::exchange(FFd, -1); }
  void Reset(int Fd = -1) {
    if (FFd >= 0) ::close(FFd);
    FFd = Fd;
  }

private:
  int FFd = -1;
};

}  // namespace tenvarra
