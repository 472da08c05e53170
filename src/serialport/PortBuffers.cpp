#include "serialport/PortBuffers.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tenvarra {

int32_t TPortBuffers::Queue(const uint8_t* Buffer, int32_t Count) {
  if (Buffer == nullptr || Count <= 0) return 0;
  const auto taken = static_cast<int32_t>(
      std::min<std::size_t>(static_cast<std::size_t>(Count), FOutputLimit - std::min(FOutputLimit, FOutput.size())));
  FOutput.insert(FOutput.end(), Buffer, Buffer + taken);
  return taken;
}

int32_t TPortBuffers::Take(uint8_t* Buffer, int32_t Count) {
  if (Buffer == nullptr || Count <= 0) return 0;
  const auto taken = static_cast<int32_t>(std::min<std::size_t>(static_cast<std::size_t>(Count), FInput.size()));
  std::copy_n(FInput.begin(), taken, Buffer);
  FInput.erase(FInput.begin(), FInput.begin() + taken);
  return taken;
}

TPortBuffers::TPullEnd TPortBuffers::Pull(int Fd, std::size_t Limit) {
  uint8_t chunk[1024];
  while (FInput.size() < Limit) {
    const ssize_t got = ::read(Fd, chunk, std::min(sizeof chunk, Limit - FInput.size()));
    if (got > 0) {
      FInput.insert(FInput.end(), chunk, chunk + got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else if (got == 0) {
      return TPullEnd::Closed;
    } else {
      return errno == EAGAIN || errno == EWOULDBLOCK ? TPullEnd::Drained : TPullEnd::Failed;
    }
  }
  return TPullEnd::Drained;
}

bool TPortBuffers::Push(int Fd) {
  uint8_t chunk[1024];
  while (!FOutput.empty()) {
    const std::size_t count = std::min(sizeof chunk, FOutput.size());
    std::copy_n(FOutput.begin(), count, chunk);
    const ssize_t written = ::write(Fd, chunk, count);
    if (written > 0) {
      FOutput.erase(FOutput.begin(), FOutput.begin() + written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else {
      return written == 0 || errno == EAGAIN || errno == EWOULDBLOCK;  // full: the rest goes later
    }
  }
  return true;
}

}  // namespace tenvarra
