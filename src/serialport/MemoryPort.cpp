#include "serialport/MemoryPort.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tenvarra {

void TMemoryPort::CreatePort(const std::string& Name) {
  if (Name.empty()) throw EVSPortError("A port needs a name");
  if (!FName.empty()) throw EVSPortError("Port " + FName + " has already been created");
  FName = Name;
}

int32_t TMemoryPort::WriteBytes(const uint8_t* Buffer, int32_t Count) {
  if (!FOpened || Count <= 0) return 0;
  FOutput.insert(FOutput.end(), Buffer, Buffer + Count);
  return Count;
}

int32_t TMemoryPort::ReadBytes(uint8_t* Buffer, int32_t Count) {
  const int32_t taken = std::clamp(Count, 0, InputCount());
  std::copy_n(FInput.begin(), taken, Buffer);
  FInput.erase(FInput.begin(), FInput.begin() + taken);
  return taken;
}

bool TMemoryPort::SetHandshakeLine(bool State) {
  FHandshake = State;
  FHandshakeChanges.push_back(State);
  return true;
}

void TMemoryPort::Open() { SetOpened(true); }

void TMemoryPort::Close() { SetOpened(false); }

void TMemoryPort::SetOpened(bool Value) {
  if (FOpened == Value) return;
  FOpened = Value;
  if (OnOpenClose) OnOpenClose(*this, Value);
}

void TMemoryPort::Write(const std::vector<uint8_t>& Bytes) {
  if (!FOpened) throw std::logic_error("the application writes to a port it has not opened");
  FInput.insert(FInput.end(), Bytes.begin(), Bytes.end());
  if (!Bytes.empty() && OnRxChar) OnRxChar(*this, InputCount());
}

std::vector<uint8_t> TMemoryPort::Read() { return std::exchange(FOutput, {}); }

}  // namespace tenvarra
