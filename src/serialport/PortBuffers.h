#pragma once
// The bytes a port keeps between its descriptor and the decoder: received
// bytes not taken yet, and replies the descriptor could not take yet. Both
// are bounded: beyond the input limit the sender's bytes wait in the
// descriptor; beyond the output limit replies are dropped.
//
// Main thread only, as the ports that own it.

#include <cstddef>
#include <cstdint>
#include <deque>

namespace tenvarra {

class TPortBuffers {
public:
  // How a Pull ended.
  enum class TPullEnd {
    Drained,  // nothing more for now, or the input is full
    Closed,   // the descriptor reads as at its end
    Failed,   // the read failed; errno says why
  };

  TPortBuffers(std::size_t InputLimit, std::size_t OutputLimit)
      : FInputLimit(InputLimit), FOutputLimit(OutputLimit) {}

  // Queues as many of Count bytes as there is room for; returns how many.
  int32_t Queue(const uint8_t* Buffer, int32_t Count);
  // Moves up to Count received bytes to Buffer; returns how many.
  int32_t Take(uint8_t* Buffer, int32_t Count);
  // Reads what Fd holds until the input holds Limit bytes.
  TPullEnd Pull(int Fd, std::size_t Limit);
  TPullEnd Pull(int Fd) { return Pull(Fd, FInputLimit); }
  // Writes queued bytes to Fd until it is full; false when a write failed
  // for another reason (errno says which), the rest still queued.
  bool Push(int Fd);

  std::size_t InputSize() const { return FInput.size(); }
  bool InputFull() const { return FInput.size() >= FInputLimit; }
  bool OutputEmpty() const { return FOutput.empty(); }
  void ClearOutput() { FOutput.clear(); }

private:
  std::size_t FInputLimit;
  std::size_t FOutputLimit;
  std::deque<uint8_t> FInput;
  std::deque<uint8_t> FOutput;
};

}  // namespace tenvarra
