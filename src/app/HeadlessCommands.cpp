#include "app/HeadlessCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <vector>

#include "app/HeadlessUI.h"
#include "shell/Bridge.h"
#include "shell/LayoutText.h"

namespace tenvarra {

namespace {

struct TCommand {
  const char* Text;
  void (TBridge::*Handler)();
  const char* Help;
};

// The window's menu items, by the words a person types for them.
constexpr std::array<TCommand, 8> Commands{{
    {"connect", &TBridge::ConnecttoServer1Click, "connect to the server"},
    {"disconnect", &TBridge::Disconnectfromserver1Click, "disconnect from the server"},
    {"power", &TBridge::Poweron1Click, "switch the layout's power on or off"},
    {"feedback start", &TBridge::Startfeedback1Click, "start reading the feedback contacts"},
    {"feedback stop", &TBridge::Stopfeedback1Click, "stop reading the feedback contacts"},
    {"log", &TBridge::Logenabled1Click, "switch \"Log enabled\" on or off"},
    {"clear", &TBridge::Clearlog1Click, "clear the screen log"},
    {"exit", &TBridge::Exit1Click, "save loco.dat and end (refused while connected or the port is held)"},
}};

std::vector<std::string> HelpLines() {
  std::vector<std::string> lines;
  const auto add = [&lines](std::string Command, const std::string& Help) {
    Command.resize(std::max<std::size_t>(Command.size() + 1, 31), ' ');
    lines.push_back(Command + Help);
  };
  for (const TCommand& command : Commands) add(command.Text, command.Help);
  add("state", "what the bridge knows of the layout");
  for (const std::string& line : THeadlessSetup::HelpLines()) lines.push_back(line);
  add("help", "this list");
  return lines;
}

std::vector<std::string> Words(const std::string& Text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while ((at = Text.find_first_not_of(" \t", at)) != std::string::npos) {
    const std::size_t end = Text.find_first_of(" \t", at);
    words.push_back(Text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end;
  }
  return words;
}

std::string Trimmed(const std::string& Text) {
  const auto first = Text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return Text.substr(first, Text.find_last_not_of(" \t\r") - first + 1);
}

// A line longer than this is no command; it is refused as it comes.
constexpr std::size_t MaxLine = 1024;

}  // namespace

THeadlessCommands::THeadlessCommands(TEventLoop& Loop, int Fd, TBridge& Bridge, THeadlessUI* UI)
    : FLoop(Loop), FFd(Fd), FBridge(Bridge), FUI(UI), FSetup(Bridge) {
  if (FFd < 0 || FUI == nullptr) return;
  // Left blocking: a terminal shared with the shell must stay as it was, and
  // one read after the loop found the descriptor readable does not block.
  if (::fcntl(FFd, F_GETFL) < 0) return;  // no standard input at all
  FWatch = FLoop.Watch(FFd, ioRead, [this](int, unsigned) { OnReadable(); });
}

THeadlessCommands::~THeadlessCommands() { Stop(); }

void THeadlessCommands::Stop() {
  if (FWatch != 0) FLoop.Unwatch(FWatch);
  FWatch = 0;
}

void THeadlessCommands::OnReadable() {
  char chunk[512];
  const ssize_t got = ::read(FFd, chunk, sizeof chunk);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got <= 0) {
    // End of input: `printf exit | tenvarra --headless` means its last line too.
    std::string last;
    last.swap(FPending);
    const bool skipping = FSkipping;
    Stop();
    if (!skipping) Answer(last);
    return;
  }
  FPending.append(chunk, static_cast<std::size_t>(got));
  RunPendingLines();
}

void THeadlessCommands::RunPendingLines() {
  // One note per refused line, however it arrives.
  const auto refuse = [this] {
    if (!FSkipping)
      FUI->Note("line too long: refused (a command has at most " + std::to_string(MaxLine) + " characters)");
  };
  std::size_t end;
  while ((end = FPending.find('\n')) != std::string::npos) {
    const std::string line = FPending.substr(0, end);
    FPending.erase(0, end + 1);
    if (line.size() > MaxLine) refuse();
    const bool refused = FSkipping || line.size() > MaxLine;
    FSkipping = false;
    if (refused) continue;
    Answer(line);
    if (FWatch == 0) return;  // the program is ending
  }
  if (FPending.size() > MaxLine) {
    // Its tail must not run as a command of its own when the line end comes.
    refuse();
    FSkipping = true;
    FPending.clear();
  }
}

void THeadlessCommands::Answer(const std::string& Line) {
  const TCommandAnswer answer = Run(Line);
  if (!answer.Refused) {
    if (!answer.Lines.empty()) FUI->Print(answer.Lines);
  } else {
    for (const std::string& text : answer.Lines) FUI->Note(text);
  }
}

TCommandAnswer THeadlessCommands::Run(const std::string& Line) {
  const std::string command = Trimmed(Line);
  if (command.empty()) return {};
  if (command == "state") return {LayoutStateLines(FBridge.Layout(), FBridge.PortName())};
  if (command == "help") return {HelpLines()};
  if (auto answer = FSetup.Run(Words(command))) return *answer;
  for (const TCommand& known : Commands) {
    if (command == known.Text) {
      (FBridge.*known.Handler)();
      return {};
    }
  }
  return {{"unknown command: " + command + " (help lists the commands)"}, true};
}

}  // namespace tenvarra
