#pragma once
// The headless menu: one command a line on a descriptor (standard input),
// read through the event loop. End of input runs a last line that lacks its
// line end, stops reading and leaves the program running. A line longer than
// any command is refused whole, with one note. The same commands reach a
// running instance through its command socket (CommandSocket.h), in the
// window too.

#include <string>

#include "app/CommandSocket.h"
#include "app/HeadlessSetup.h"
#include "platform/EventLoop.h"

namespace tenvarra {

class TBridge;
class THeadlessUI;

class THeadlessCommands {
public:
  // Reads Fd (left open) until its end, answering through UI; with Fd -1 and
  // no UI only Run serves. Loop, Bridge and UI must outlive this.
  THeadlessCommands(TEventLoop& Loop, int Fd, TBridge& Bridge, THeadlessUI* UI);
  ~THeadlessCommands();
  THeadlessCommands(const THeadlessCommands&) = delete;
  THeadlessCommands& operator=(const THeadlessCommands&) = delete;

  // Runs one command line and returns its answer; an unknown command is refused.
  TCommandAnswer Run(const std::string& Line);

private:
  void OnReadable();
  void Stop();
  void RunPendingLines();
  // Runs Line and writes its answer through the UI.
  void Answer(const std::string& Line);

  TEventLoop& FLoop;
  int FFd;
  TBridge& FBridge;
  THeadlessUI* FUI;
  THeadlessSetup FSetup;
  TWatchId FWatch = 0;
  std::string FPending;
  bool FSkipping = false;  // within a line already refused as too long
};

}  // namespace tenvarra
