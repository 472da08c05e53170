#pragma once
// The virtual serial port on a pseudo-terminal. The application opens the
// slave through the link "COM<n>" in the port directory; the master is ours.
//
// A pty cannot tell us directly that an application opens or closes the
// slave. While nobody holds it, the master reports a hang-up, which poll
// reports whether asked for or not; so the master is taken out of the
// watched set while the port is closed (it would wake the loop without end),
// and an inotify watch on the slave device wakes us to look again whenever
// the slave is opened or closed.
//
// The slave is kept in raw 8-bit mode from creation and again after every
// close, so all 256 byte values pass both ways even when an application
// never sets a mode of its own. A pty has no modem lines of its own: they are
// kept in a shared file beside the link (TLineState), where CTS follows the
// handshake line and an application's DTR and RTS arrive through the preload
// library; the inotify watch wakes us for those too.
//
// Main thread only; the loop given must outlive the port.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/UniqueFd.h"
#include "serialport/PortBuffers.h"
#include "serialport/VSPort.h"

namespace tenvarra {

class TLineState;
class TPortDirectory;
class TPortLink;

class TPtyPort final : public TVSPort {
public:
  // Received bytes kept at most; beyond, the application's writes wait in
  // the pty until the decoder has taken some.
  static constexpr std::size_t InputLimit = 4096;
  // Reply bytes kept at most for an application that does not read them;
  // more are dropped.
  static constexpr std::size_t OutputLimit = 65536;

  // Ports are named in Directory (created when missing) by CreatePort.
  TPtyPort(TEventLoop& Loop, std::string Directory);
  // Removes the link when DeleteOnExit is set and it still points here.
  ~TPtyPort() override;
  TPtyPort(const TPtyPort&) = delete;
  TPtyPort& operator=(const TPtyPort&) = delete;

  void CreatePort(const std::string& Name) override;
  const std::string& PortName() const override { return FName; }
  int32_t WriteBytes(const uint8_t* Buffer, int32_t Count) override;
  int32_t ReadBytes(uint8_t* Buffer, int32_t Count) override;
  int32_t InputCount() override;
  bool SetHandshakeLine(bool State) override;
  bool HandshakeLine() const override { return FHandshake; }
  bool IsOpened() const override { return FOpened; }

  // The slave device ("/dev/pts/<n>") and the link to it; empty before CreatePort.
  const std::string& DevicePath() const { return FDevice; }
  std::string LinkPath() const;

  // The application changed DTR or RTS; Lines holds TIOCM_DTR and TIOCM_RTS
  // as they are now.
  std::function<void(TPtyPort& Sender, uint32_t Lines)> OnApplicationLines;

private:
  void OnMaster(unsigned Ready);
  void OnInotify();
  // Looks whether an application holds the slave and follows a change.
  void Recheck();
  void BecomeOpened();
  void BecomeClosed();
  short PollMaster() const;
  void ApplyRawMode();
  void DropApplicationInput();
  void UpdateMasterWatch();
  void FireRxChar();
  void CheckApplicationLines();

  TEventLoop& FLoop;
  std::string FDirectoryPath;
  std::unique_ptr<TPortDirectory> FDirectory;
  std::unique_ptr<TPortLink> FLink;
  std::unique_ptr<TLineState> FLines;
  uint32_t FApplicationLines = 0;
  std::string FName;
  std::string FDevice;
  TUniqueFd FMaster;
  TUniqueFd FInotify;
  TWatchId FMasterWatch = 0;
  TWatchId FInotifyWatch = 0;
  unsigned FMasterEvents = ioNone;
  TPortBuffers FBuffers{InputLimit, OutputLimit};
  bool FOpened = false;
  // A line nobody drives reads ready.
  bool FHandshake = true;
};

}  // namespace tenvarra
