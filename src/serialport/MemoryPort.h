#pragma once
// A port in memory whose application is played by the caller (tests, fuzz
// targets): the application's writes arrive at once and fire OnRxChar before
// Write returns, as a port whose event loop wakes at once would.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "serialport/VSPort.h"

namespace tenvarra {

class TMemoryPort final : public TVSPort {
public:
  // Raises EVSPortError for an empty name or a second call.
  void CreatePort(const std::string& Name) override;
  const std::string& PortName() const override { return FName; }
  int32_t WriteBytes(const uint8_t* Buffer, int32_t Count) override;
  int32_t ReadBytes(uint8_t* Buffer, int32_t Count) override;
  int32_t InputCount() override { return static_cast<int32_t>(FInput.size()); }
  bool SetHandshakeLine(bool State) override;
  bool HandshakeLine() const override { return FHandshake; }
  bool IsOpened() const override { return FOpened; }

  // ---- The application's side ----
  // Fire OnOpenClose when the state changes.
  void Open();
  void Close();
  // Queues Bytes as received and fires OnRxChar. Raises std::logic_error
  // while the port is closed: no application could have written them.
  void Write(const std::vector<uint8_t>& Bytes);
  // What the system wrote since the last call.
  std::vector<uint8_t> Read();
  // Every state the handshake line was set to, in order.
  const std::vector<bool>& HandshakeChanges() const { return FHandshakeChanges; }
  void ClearHandshakeChanges() { FHandshakeChanges.clear(); }

private:
  void SetOpened(bool Value);

  std::string FName;
  bool FOpened = false;
  bool FHandshake = false;
  std::deque<uint8_t> FInput;
  std::vector<uint8_t> FOutput;
  std::vector<bool> FHandshakeChanges;
};

}  // namespace tenvarra
