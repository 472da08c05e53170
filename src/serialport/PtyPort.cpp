#include "serialport/PtyPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "serialport/LineState.h"
#include "serialport/PortDirectory.h"
#include "serialport/PortLink.h"

namespace tenvarra {

namespace {

[[noreturn]] void Fail(const std::string& What) {
  throw EVSPortError("Cannot create the pseudo-terminal: " + What + ": " + std::strerror(errno));
}

// Raw 8-bit mode for the slave. Set through the master, it acts on the
// slave's settings, so it also holds for an application that sets none.
bool ApplyRawModeTo(int Master) {
  termios mode {};
  if (::tcgetattr(Master, &mode) != 0) return false;
  ::cfmakeraw(&mode);
  mode.c_cflag |= CLOCAL | CREAD;
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  return ::tcsetattr(Master, TCSANOW, &mode) == 0;
}

}  // namespace

TPtyPort::TPtyPort(TEventLoop& Loop, std::string Directory) : FLoop(Loop), FDirectoryPath(std::move(Directory)) {}

TPtyPort::~TPtyPort() {
  if (FMasterWatch != 0) FLoop.Unwatch(FMasterWatch);
  if (FInotifyWatch != 0) FLoop.Unwatch(FInotifyWatch);
  if (FLines) FLines->End();  // before the link goes: a sleeper learns why
  if (FLink) {
    FLink->SetRemoveOnRelease(DeleteOnExit());
    FLink->Release();
  }
  if (FLines && DeleteOnExit()) FLines->Remove();
}

std::string TPtyPort::LinkPath() const { return FName.empty() ? std::string() : FDirectoryPath + "/" + FName; }

void TPtyPort::CreatePort(const std::string& Name) {
  if (!FName.empty()) throw EVSPortError("Port " + FName + " has already been created");
  auto directory = std::make_unique<TPortDirectory>(FDirectoryPath);
  auto link = std::make_unique<TPortLink>(*directory, Name);

  TUniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master.Valid()) Fail("posix_openpt");
  if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0) Fail("unlockpt");
  char device[PATH_MAX];
  if (::ptsname_r(master.Get(), device, sizeof device) != 0) Fail("ptsname");
  TUniqueFd slave(::open(device, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!slave.Valid()) Fail(device);
  // Desktops mount devpts group-writable; the port is for this user only.
  if (::fchmod(slave.Get(), 0600) != 0) Fail("chmod " + std::string(device));
  if (!ApplyRawModeTo(master.Get())) Fail("raw mode");
  TUniqueFd inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!inotify.Valid()) Fail("inotify");
  if (::inotify_add_watch(inotify.Get(), device, IN_OPEN | IN_CLOSE) < 0) Fail("inotify watch");
  // From here on only the application holds the slave: its opening and
  // closing show on the master.
  slave.Reset();
  if (::fcntl(master.Get(), F_SETFL, ::fcntl(master.Get(), F_GETFL) | O_NONBLOCK) != 0) Fail("non-blocking");
  // The lines exist before the link: whoever finds the link finds them too.
  auto lines = std::make_unique<TLineState>(*directory, Name);
  lines->SetCts(FHandshake);
  if (::inotify_add_watch(inotify.Get(), lines->Path().c_str(), IN_MODIFY) < 0) Fail("inotify watch");
  try {
    link->Place(device);
  } catch (...) {
    lines->Remove();
    throw;
  }

  FDirectory = std::move(directory);
  FLink = std::move(link);
  FLines = std::move(lines);
  FMaster = std::move(master);
  FInotify = std::move(inotify);
  FDevice = device;
  FName = Name;
  FMasterWatch = FLoop.Watch(FMaster.Get(), ioNone, [this](int, unsigned Ready) { OnMaster(Ready); });
  FInotifyWatch = FLoop.Watch(FInotify.Get(), ioRead, [this](int, unsigned) { OnInotify(); });
}

int32_t TPtyPort::WriteBytes(const uint8_t* Buffer, int32_t Count) {
  if (!FOpened) return 0;
  const int32_t taken = FBuffers.Queue(Buffer, Count);
  FBuffers.Push(FMaster.Get());
  UpdateMasterWatch();
  return taken;
}

int32_t TPtyPort::ReadBytes(uint8_t* Buffer, int32_t Count) {
  if (Buffer == nullptr || Count <= 0) return 0;
  if (FBuffers.InputSize() < static_cast<std::size_t>(Count) && FOpened) FBuffers.Pull(FMaster.Get());
  const int32_t taken = FBuffers.Take(Buffer, Count);
  UpdateMasterWatch();
  return taken;
}

int32_t TPtyPort::InputCount() {
  // What has reached the pty since the event counts too, as on a real line.
  if (FOpened) FBuffers.Pull(FMaster.Get());
  return static_cast<int32_t>(FBuffers.InputSize());
}

bool TPtyPort::SetHandshakeLine(bool State) {
  FHandshake = State;
  if (!FLines) return false;
  FLines->SetCts(State);
  return true;
}

void TPtyPort::OnMaster(unsigned Ready) {
  if (Ready & ioWrite) FBuffers.Push(FMaster.Get());
  if (Ready & ioRead) {
    const std::size_t before = FBuffers.InputSize();
    FBuffers.Pull(FMaster.Get());
    if (PollMaster() & POLLHUP) {
      Recheck();  // the application has gone; its last bytes go out with the close
      return;
    }
    UpdateMasterWatch();
    if (FBuffers.InputSize() > before) FireRxChar();
    return;
  }
  UpdateMasterWatch();
}

void TPtyPort::OnInotify() {
  // inotify merges repeated events, so they cannot be counted: they only
  // say that it is time to look again.
  alignas(inotify_event) char events[4096];
  while (::read(FInotify.Get(), events, sizeof events) > 0) {
  }
  Recheck();
  CheckApplicationLines();
}

void TPtyPort::CheckApplicationLines() {
  const uint32_t lines = FLines->ApplicationLines();
  if (lines == FApplicationLines) return;
  FApplicationLines = lines;
  if (OnApplicationLines) OnApplicationLines(*this, lines);
}

void TPtyPort::Recheck() {
  if (!FMaster.Valid()) return;
  if (!FOpened) {
    const short state = PollMaster();
    // Bytes waiting prove that an application was there, however briefly.
    if ((state & POLLHUP) == 0 || (state & POLLIN) != 0) {
      BecomeOpened();
    } else {
      ApplyRawMode();  // one that came and went may have changed the mode
      return;
    }
  }
  if (FOpened && (PollMaster() & POLLHUP) != 0) BecomeClosed();
}

void TPtyPort::BecomeOpened() {
  DropApplicationInput();
  FOpened = true;
  UpdateMasterWatch();
  if (OnOpenClose) OnOpenClose(*this, true);
}

void TPtyPort::BecomeClosed() {
  FBuffers.Pull(FMaster.Get(), SIZE_MAX);  // what the application wrote just before it closed
  FBuffers.ClearOutput();
  // The application's mode stays with the slave for the next one to open it.
  ApplyRawMode();
  FOpened = false;
  UpdateMasterWatch();
  if (FBuffers.InputSize() > 0) FireRxChar();
  if (OnOpenClose) OnOpenClose(*this, false);
}

short TPtyPort::PollMaster() const {
  pollfd state{FMaster.Get(), POLLIN, 0};
  return ::poll(&state, 1, 0) > 0 ? state.revents : 0;
}

void TPtyPort::ApplyRawMode() { ApplyRawModeTo(FMaster.Get()); }

void TPtyPort::DropApplicationInput() {
  // Replies written for an earlier application must not reach this one. The
  // flush has to act on the slave's side, through a descriptor of our own.
  TUniqueFd peer(::ioctl(FMaster.Get(), TIOCGPTPEER, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!peer.Valid()) peer.Reset(::open(FDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (peer.Valid()) ::tcflush(peer.Get(), TCIFLUSH);
}

void TPtyPort::UpdateMasterWatch() {
  unsigned events = ioNone;
  if (FOpened) {
    if (!FBuffers.InputFull()) events |= ioRead;
    if (!FBuffers.OutputEmpty()) events |= ioWrite;
  }
  if (events != FMasterEvents) {
    FMasterEvents = events;
    FLoop.SetWatchEvents(FMasterWatch, events);
  }
}

void TPtyPort::FireRxChar() {
  if (OnRxChar) OnRxChar(*this, static_cast<int32_t>(FBuffers.InputSize()));
}

}  // namespace tenvarra
