#include "app/App.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandSocket.h"
#include "app/HeadlessCommands.h"
#include "app/HeadlessUI.h"
#include "client/Client.h"
#include "platform/MainThreadQueue.h"
#include "platform/TcpConnect.h"
#include "platform/UniqueFd.h"
#include "qtloop/QtEventLoop.h"
#include "shell/Bridge.h"
#include "shell/DataDir.h"
#include "sim/SimServer.h"
#include "window/MainForm.h"

namespace tenvarra {

namespace {

constexpr const char* SimulatorHost = "127.0.0.1";

// The directory of the running executable, where loco.dat lives by default.
std::string ExecutableDirectory() {
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  const std::string exe(path, static_cast<std::size_t>(length));
  const auto slash = exe.rfind('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash == 0 ? 1 : slash);
}

// The program's own notes, on standard error in both front ends.
void Note(const std::string& Text) { std::fprintf(stderr, "%s\n", Text.c_str()); }

bool ServerAnswers(int Port) {
  try {
    TUniqueFd probe(ConnectTcp(SimulatorHost, Port, 500));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// SIGINT, SIGTERM and SIGHUP (the terminal or the ssh connection went away)
// as a descriptor the loop watches. Blocked before any thread starts, so
// every thread inherits the mask and none is interrupted.
TUniqueFd StopSignals() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  return TUniqueFd(::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));
}

// Starts the simulated layout unless a server already answers on its port,
// and points the client at it.
std::unique_ptr<TSimServer> Simulate(const TAppOptions& Options, TBridge& Bridge, TBridgeUI& UI) {
  int port = Options.SimulatePort.value_or(Bridge.Settings().Port);
  std::unique_ptr<TSimServer> server;
  if (ServerAnswers(port)) {
    Note("simulate: a server already answers on " + std::string(SimulatorHost) + ":" +
            std::to_string(port) + "; using it");
  } else {
    TSimOptions options;
    options.ListenAddress = SimulatorHost;
    options.Port = port;
    server = std::make_unique<TSimServer>(options);
    try {
      server->Start();
      // Port 0 in the settings lets the system choose one.
      port = server->Port();
      Note("simulate: simulated layout on " + server->Endpoint());
    } catch (const std::exception& Error) {
      UI.ShowError(Error.what());
      server.reset();
    }
  }
  Bridge.UseServerForRun(SimulatorHost, port);
  return server;
}

// A display to open a window on: the platform named, or an X or Wayland display.
bool DisplayAvailable() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

std::string Environment(const char* Name) {
  const char* value = std::getenv(Name);
  return value ? value : "";
}

// --data-dir, else next to the program unless installed, else the user's data
// directory.
TDataDirChoice DataDirChoice(const TAppOptions& Options) {
  TDataDirInputs inputs;
  inputs.Explicit = Options.DataDir;
  inputs.ExecutableDir = ExecutableDirectory();
  inputs.InstalledBinDir = TENVARRA_INSTALL_BINDIR;
  inputs.XdgDataHome = Environment("XDG_DATA_HOME");
  inputs.Home = Environment("HOME");
  inputs.Writable = DirectoryWritable;
  return ChooseDataDir(inputs);
}

TBridgeOptions BridgeOptions(const TAppOptions& Options, const TDataDirChoice& DataDir) {
  TBridgeOptions options;
  options.DataDir = DataDir.Dir;
  options.PortDir = Options.PortDir;
  options.SerialDevice = Options.SerialDevice;
  options.ReplyTimeoutMs = Options.ReplyTimeoutMs;
  options.Reconnect = Options.Reconnect;
  return options;
}

// The first screen-log line says which data directory is used. One named on
// the command line or the user's one is made when it is missing; when that
// fails there is nowhere to keep what the user sets up, so the start is
// refused (none). Another instance using the directory is mentioned once.
std::unique_ptr<TDataDirLock> PrepareDataDir(const TDataDirChoice& DataDir, TBridgeUI& UI) {
  UI.AddLogLine(DataDirLogLine(DataDir));
  if (DataDir.Source != TDataDirSource::dsExecutable) {
    try {
      MakeDataDir(DataDir.Dir);
    } catch (const std::exception& Error) {
      UI.ShowError(Error.what());
      return nullptr;
    }
  }
  auto lock = std::make_unique<TDataDirLock>(DataDir.Dir);
  if (lock->Shared()) UI.AddLogLine(TDataDirLock::SharedLogLine);
  return lock;
}

// What both front ends share once the bridge exists: the queue and the
// signals watched by the loop, start-up as the command line asks, and the
// run until the front end closes or a stop signal arrives.
// FormCreate starts the bridge and shows the front end; UseSimulator gets the
// simulated layout this run started, if any.
// The command socket serves Commands once the port exists.
int Run(const TAppOptions& Options, const TDataDirChoice& DataDir, TUniqueFd& Signals, TQtEventLoop& Loop,
        TMainThreadQueue& Queue, TBridge& Bridge, TBridgeUI& UI, THeadlessCommands& Commands,
        const std::function<void()>& FormCreate, const std::function<void(TSimServer&)>& UseSimulator = nullptr) {
  Queue.OnAsyncError = [&UI](TMainThreadQueue&, std::exception_ptr Error) {
    try {
      std::rethrow_exception(Error);
    } catch (const std::exception& E) {
      UI.ShowError(E.what());
    }
  };
  const TWatchId queueWatch = Loop.Watch(Queue.WakeFd(), ioRead, [&Queue](int, unsigned) { Queue.RunPending(); });
  TWatchId signalWatch = 0;
  if (Signals.Valid()) {
    signalWatch = Loop.Watch(Signals.Get(), ioRead, [&Signals](int, unsigned) {
      signalfd_siginfo info{};
      while (::read(Signals.Get(), &info, sizeof info) == sizeof info) {
      }
      // No close query, nothing saved. Not quit(): a QApplication's quit
      // asks every window to close first, and the window may refuse.
      QCoreApplication::exit(0);
    });
  }

  const auto unhook = [&] {
    if (signalWatch != 0) Loop.Unwatch(signalWatch);
    Loop.Unwatch(queueWatch);
    Queue.OnAsyncError = nullptr;
  };
  const std::unique_ptr<TDataDirLock> dataDirLock = PrepareDataDir(DataDir, UI);
  if (!dataDirLock) {
    unhook();
    return 1;
  }
  if (!Options.ServerHost.empty() && !Options.Simulate) Bridge.UseServerForRun(Options.ServerHost, Options.ServerPort);
  FormCreate();
  // The serial device asked for cannot be used (the error box said why):
  // without it the bridge would serve nobody.
  if (!Options.SerialDevice.empty() && !Bridge.PortError().empty()) {
    unhook();
    return 1;
  }
  if (!Options.ServerHost.empty() && Options.Simulate)
    UI.AddLogLine("--server " + Options.ServerHost + " is not used: --simulate runs the simulated layout");
  std::unique_ptr<TCommandSocket> commandSocket;
  if (Bridge.Port()) {
    try {
      commandSocket = std::make_unique<TCommandSocket>(
          Loop, TCommandSocket::PathFor(Bridge.PortDir(), Bridge.PortName()),
          [&Commands](const std::string& Line) { return Commands.Run(Line); });
    } catch (const std::exception& Error) {
      UI.AddLogLine(std::string("No command socket: ") + Error.what());
    }
  }
  std::unique_ptr<TSimServer> simulator;
  if (Options.Simulate) simulator = Simulate(Options, Bridge, UI);
  if (simulator && UseSimulator) UseSimulator(*simulator);
  if (Options.Log) Bridge.Logenabled1Click();
  if (Options.Connect) Bridge.ConnecttoServer1Click();

  const int status = QCoreApplication::exec();
  unhook();
  return status;
}

}  // namespace

int RunTenvarra(const TAppOptions& Options, int argc, char** argv) {
  TUniqueFd signals = StopSignals();
  const TDataDirChoice dataDir = DataDirChoice(Options);
  if (!Options.Headless && DisplayAvailable()) {
    QApplication application(argc, argv);
    TQtEventLoop loop;
    TMainThreadQueue queue;
    TMainForm form(loop, queue, BridgeOptions(Options, dataDir));
    const auto formCreate = [&form] {
      form.FormCreate();
      form.show();
    };
    // On the simulated layout, a click on a feedback cell of the layout view
    // toggles that contact.
    const auto useSimulator = [&form](TSimServer& Simulator) {
      form.SetLayoutContactSetter(
          [&Simulator](int32_t Contact, bool Occupied) { Simulator.SetContact(Contact, Occupied ? 1 : 0); });
    };
    THeadlessCommands commands(loop, -1, form.Bridge(), nullptr);
    const int status =
        Run(Options, dataDir, signals, loop, queue, form.Bridge(), form, commands, formCreate, useSimulator);
    // The simulator is gone with Run.
    form.SetLayoutContactSetter(nullptr);
    return status;
  }
  QCoreApplication application(argc, argv);
  TQtEventLoop loop;
  TMainThreadQueue queue;
  THeadlessUI ui(Options.LearnLoco, Options.LearnSolenoid);
  TBridge bridge(loop, queue, ui, BridgeOptions(Options, dataDir));
  ui.OnClose = [&bridge] {
    if (bridge.FormCloseQuery()) QCoreApplication::quit();
  };
  THeadlessCommands commands(loop, STDIN_FILENO, bridge, &ui);
  return Run(Options, dataDir, signals, loop, queue, bridge, ui, commands, [&bridge] { bridge.FormCreate(); });
}

}  // namespace tenvarra
