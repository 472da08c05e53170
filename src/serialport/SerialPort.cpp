#include "serialport/SerialPort.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "serialport/SerialDevice.h"

namespace tenvarra {

TSerialPort::TSerialPort(TEventLoop& Loop) : FLoop(Loop) {}

TSerialPort::~TSerialPort() {
  if (FReopenTimer != 0) FLoop.StopTimer(FReopenTimer);
  if (FModemTimer != 0) FLoop.StopTimer(FModemTimer);
  if (FWatch != 0) FLoop.Unwatch(FWatch);
}

void TSerialPort::CreatePort(const std::string& Path) {
  if (!FPath.empty()) throw EVSPortError("Port " + FPath + " has already been created");
  auto device = std::make_unique<TSerialDevice>(Path);
  FPath = Path;
  Attach(std::move(device));
}

std::string TSerialPort::NoModemLinesText() const {
  return FPath + " has no modem lines: the handshake line (RTS) is not driven, and the port counts as held "
                 "while the device is there";
}

void TSerialPort::Attach(std::unique_ptr<TSerialDevice> Device) {
  FDevice = std::move(Device);
  FHasModemLines = FDevice->HasModemLines();
  FWatchEvents = ioRead;
  FWatch = FLoop.Watch(FDevice->Fd(), FWatchEvents, [this](int, unsigned Ready) { OnDevice(Ready); });
  if (!FHasModemLines) {
    SetHeld(true);
    return;
  }
  FDevice->SetRts(FHandshake);
  FModemTimer = FLoop.StartTimer(ModemPollMs, true, [this] { CheckModemLines(); });
  CheckModemLines();
}

void TSerialPort::Detach() {
  if (FModemTimer != 0) FLoop.StopTimer(FModemTimer);
  if (FWatch != 0) FLoop.Unwatch(FWatch);
  FModemTimer = 0;
  FWatch = 0;
  FWatchEvents = ioNone;
  // Commands already received stay for the decoder; replies have nowhere to go.
  FOutput.clear();
  FDevice.reset();
  SetHeld(false);
}

void TSerialPort::Lost(const std::string& Reason) {
  if (!FDevice) return;
  Detach();
  FReopenTimer = FLoop.StartTimer(ReopenIntervalMs, true, [this] { TryReopen(); });
  if (OnNotice)
    OnNotice(*this, "Serial port " + FPath + " is gone (" + Reason + "); looking for it again every second");
}

void TSerialPort::TryReopen() {
  std::unique_ptr<TSerialDevice> device;
  try {
    device = std::make_unique<TSerialDevice>(FPath);
  } catch (const EVSPortError&) {
    return;  // not back yet, or not usable yet: the next look may find it
  }
  FLoop.StopTimer(FReopenTimer);
  FReopenTimer = 0;
  if (OnNotice) OnNotice(*this, "Serial port " + FPath + " is back");
  Attach(std::move(device));
}

int32_t TSerialPort::WriteBytes(const uint8_t* Buffer, int32_t Count) {
  // Sent whether or not DSR says someone listens: on a wire, bytes nobody
  // reads are gone, they cannot reach a later application as in a pty.
  if (!FDevice || Buffer == nullptr || Count <= 0) return 0;
  const auto taken = static_cast<int32_t>(
      std::min<std::size_t>(static_cast<std::size_t>(Count), OutputLimit - FOutput.size()));
  FOutput.insert(FOutput.end(), Buffer, Buffer + taken);
  PushOutput();
  UpdateWatch();
  return taken;
}

int32_t TSerialPort::ReadBytes(uint8_t* Buffer, int32_t Count) {
  if (Buffer == nullptr || Count <= 0) return 0;
  if (FInput.size() < static_cast<std::size_t>(Count)) PullInput();
  const auto taken = static_cast<int32_t>(std::min<std::size_t>(static_cast<std::size_t>(Count), FInput.size()));
  std::copy_n(FInput.begin(), taken, Buffer);
  FInput.erase(FInput.begin(), FInput.begin() + taken);
  UpdateWatch();
  return taken;
}

int32_t TSerialPort::InputCount() {
  // What has reached the device since the event counts too.
  PullInput();
  return static_cast<int32_t>(FInput.size());
}

bool TSerialPort::SetHandshakeLine(bool State) {
  FHandshake = State;
  return FDevice && FDevice->SetRts(State);
}

void TSerialPort::OnDevice(unsigned Ready) {
  if (Ready & ioWrite) PushOutput();
  if (Ready & ioRead) {
    const std::size_t before = FInput.size();
    const bool present = PullInput();
    if (!present) Lost(FGoneReason);
    if (FInput.size() > before && OnRxChar) OnRxChar(*this, static_cast<int32_t>(FInput.size()));
    if (!present) return;
  }
  UpdateWatch();
}

void TSerialPort::CheckModemLines() {
  const std::optional<int> lines = FDevice->ModemLines();
  if (!lines) {
    Lost(std::strerror(errno));
    return;
  }
  SetHeld((*lines & TIOCM_DSR) != 0);
}

void TSerialPort::SetHeld(bool Held) {
  if (FHeld == Held) return;
  FHeld = Held;
  if (OnOpenClose) OnOpenClose(*this, Held);
}

bool TSerialPort::PullInput() {
  if (!FDevice) return true;
  uint8_t chunk[1024];
  while (FInput.size() < InputLimit) {
    const ssize_t got = ::read(FDevice->Fd(), chunk, std::min(sizeof chunk, InputLimit - FInput.size()));
    if (got > 0) {
      FInput.insert(FInput.end(), chunk, chunk + got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return true;
    } else {
      // A terminal that was hung up reads as at its end; an unplugged one
      // may also fail outright (EIO, ENODEV).
      FGoneReason = got == 0 ? "hang-up" : std::strerror(errno);
      return false;
    }
  }
  return true;
}

void TSerialPort::PushOutput() {
  uint8_t chunk[1024];
  while (FDevice && !FOutput.empty()) {
    const std::size_t count = std::min(sizeof chunk, FOutput.size());
    std::copy_n(FOutput.begin(), count, chunk);
    const ssize_t written = ::write(FDevice->Fd(), chunk, count);
    if (written > 0) {
      FOutput.erase(FOutput.begin(), FOutput.begin() + written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else {
      // Full: the rest goes when the device can take it. A device that has
      // gone shows on the read side, which says why.
      if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) FOutput.clear();
      return;
    }
  }
}

void TSerialPort::UpdateWatch() {
  if (!FDevice) return;
  unsigned events = ioNone;
  if (FInput.size() < InputLimit) events |= ioRead;
  if (!FOutput.empty()) events |= ioWrite;
  if (events != FWatchEvents) {
    FWatchEvents = events;
    FLoop.SetWatchEvents(FWatch, events);
  }
}

}  // namespace tenvarra
