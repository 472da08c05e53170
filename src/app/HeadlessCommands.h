#pragma once
// The headless menu: one command a line on a descriptor (standard input),
// read through the event loop. End of input runs a last line that lacks its
// line end, stops reading and leaves the program running. A line longer than
// any command is refused whole, with one note.

#include <string>

#include "platform/EventLoop.h"

namespace tenvarra {

class TBridge;
class THeadlessUI;

class THeadlessCommands {
public:
  // Reads Fd (left open) until its end; Loop, Bridge and UI must outlive this.
  THeadlessCommands(TEventLoop& Loop, int Fd, TBridge& Bridge, THeadlessUI& UI);
  ~THeadlessCommands();
  THeadlessCommands(const THeadlessCommands&) = delete;
  THeadlessCommands& operator=(const THeadlessCommands&) = delete;

  // Runs one command line; an unknown one is answered on standard error.
  void Run(const std::string& Line);

private:
  void OnReadable();
  void Stop();
  void RunPendingLines();

  TEventLoop& FLoop;
  int FFd;
  TBridge& FBridge;
  THeadlessUI& FUI;
  TWatchId FWatch = 0;
  std::string FPending;
  bool FSkipping = false;  // within a line already refused as too long
};

}  // namespace tenvarra
