#pragma once
// The port on a real serial device (a USB adapter, a board's UART) instead of
// a pseudo-terminal: an old PC on a null-modem cable is the application.
//
// The handshake line is RTS, which the cable brings to the PC's CTS, where a
// 605x interface has its busy line. The application holds the port while
// DSR (the PC's DTR) is on; DSR is looked at on a timer, as not every driver
// wakes a waiter on its changes. A device without modem lines has neither:
// it counts as held for as long as it is there.
//
// A device that goes away (unplugged: a hang-up, a read error) is let go and
// looked for again every ReopenIntervalMs under the same path, so a
// /dev/serial/by-id link finds the adapter again whatever ttyUSB number it
// gets. Meanwhile the port counts as not held and what is written to it is
// dropped. OnNotice says once that it went and once that it is back.
//
// Main thread only; the loop given must outlive the port.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "serialport/PortBuffers.h"
#include "serialport/VSPort.h"

namespace tenvarra {

class TSerialDevice;

class TSerialPort final : public TVSPort {
public:
  static constexpr int ReopenIntervalMs = 1000;
  static constexpr int ModemPollMs = 200;
  // As the pty port: beyond these, input waits in the device and replies
  // are dropped.
  static constexpr std::size_t InputLimit = 4096;
  static constexpr std::size_t OutputLimit = 65536;

  explicit TSerialPort(TEventLoop& Loop);
  // Lets the device go with its settings as they were.
  ~TSerialPort() override;
  TSerialPort(const TSerialPort&) = delete;
  TSerialPort& operator=(const TSerialPort&) = delete;

  // Opens the device at Path (see TSerialDevice for the refusals); once per port.
  void CreatePort(const std::string& Path) override;
  const std::string& PortName() const override { return FPath; }
  int32_t WriteBytes(const uint8_t* Buffer, int32_t Count) override;
  int32_t ReadBytes(uint8_t* Buffer, int32_t Count) override;
  int32_t InputCount() override;
  bool SetHandshakeLine(bool State) override;
  bool HandshakeLine() const override { return FHandshake; }
  bool IsOpened() const override { return FHeld; }

  // The device is there (not unplugged).
  bool Present() const { return FDevice != nullptr; }
  // Of the device opened last.
  bool HasModemLines() const { return FHasModemLines; }
  // The log line for a device without modem lines.
  std::string NoModemLinesText() const;

  // A line for the log: the device went away, or came back.
  std::function<void(TSerialPort& Sender, const std::string& Text)> OnNotice;

private:
  void Attach(std::unique_ptr<TSerialDevice> Device);
  void Detach();
  void Lost(const std::string& Reason);
  void TryReopen();
  void OnDevice(unsigned Ready);
  void CheckModemLines();
  void SetHeld(bool Held);
  // Takes what the device holds; false when it has gone.
  bool PullInput();
  void PushOutput();
  void UpdateWatch();

  TEventLoop& FLoop;
  std::string FPath;
  std::unique_ptr<TSerialDevice> FDevice;
  bool FHasModemLines = false;
  TWatchId FWatch = 0;
  unsigned FWatchEvents = ioNone;
  TTimerId FModemTimer = 0;
  TTimerId FReopenTimer = 0;
  TPortBuffers FBuffers{InputLimit, OutputLimit};
  bool FHeld = false;
  // A line nobody drives reads ready.
  bool FHandshake = true;
  // Why the last read found the device gone.
  std::string FGoneReason;
};

}  // namespace tenvarra
