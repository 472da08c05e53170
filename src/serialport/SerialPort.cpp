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
  FBuffers.ClearOutput();
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
  if (!FDevice) return 0;
  const int32_t taken = FBuffers.Queue(Buffer, Count);
  PushOutput();
  UpdateWatch();
  return taken;
}

int32_t TSerialPort::ReadBytes(uint8_t* Buffer, int32_t Count) {
  if (Buffer == nullptr || Count <= 0) return 0;
  if (FBuffers.InputSize() < static_cast<std::size_t>(Count)) PullInput();
  const int32_t taken = FBuffers.Take(Buffer, Count);
  UpdateWatch();
  return taken;
}

int32_t TSerialPort::InputCount() {
  // What has reached the device since the event counts too.
  PullInput();
  return static_cast<int32_t>(FBuffers.InputSize());
}

bool TSerialPort::SetHandshakeLine(bool State) {
  FHandshake = State;
  return FDevice && FDevice->SetRts(State);
}

void TSerialPort::OnDevice(unsigned Ready) {
  if (Ready & ioWrite) PushOutput();
  if (Ready & ioRead) {
    const std::size_t before = FBuffers.InputSize();
    const bool present = PullInput();
    if (!present) Lost(FGoneReason);
    if (FBuffers.InputSize() > before && OnRxChar) OnRxChar(*this, static_cast<int32_t>(FBuffers.InputSize()));
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
  switch (FBuffers.Pull(FDevice->Fd())) {
    case TPortBuffers::TPullEnd::Drained:
      return true;
    case TPortBuffers::TPullEnd::Closed:
      // A terminal that was hung up reads as at its end; an unplugged one
      // may also fail outright (EIO, ENODEV).
      FGoneReason = "hang-up";
      return false;
    case TPortBuffers::TPullEnd::Failed:
      FGoneReason = std::strerror(errno);
      return false;
  }
  return true;
}

void TSerialPort::PushOutput() {
  // A device that has gone shows on the read side, which says why; what it
  // could not take is of no use to anyone then.
  if (FDevice && !FBuffers.Push(FDevice->Fd())) FBuffers.ClearOutput();
}

void TSerialPort::UpdateWatch() {
  if (!FDevice) return;
  unsigned events = ioNone;
  if (!FBuffers.InputFull()) events |= ioRead;
  if (!FBuffers.OutputEmpty()) events |= ioWrite;
  if (events != FWatchEvents) {
    FWatchEvents = events;
    FLoop.SetWatchEvents(FWatch, events);
  }
}

}  // namespace tenvarra
