#include "app/App.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

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

std::string Environment(const char* Name) {
  const char* value = std::getenv(Name);
  return value ? value : "";
}

// --data-dir, else next to the program unless installed, else the user's data
// directory (made when missing). Said in the first screen-log line.
std::string ResolveDataDir(const TAppOptions& Options, THeadlessUI& UI) {
  TDataDirInputs inputs;
  inputs.Explicit = Options.DataDir;
  inputs.ExecutableDir = ExecutableDirectory();
  inputs.InstalledBinDir = TENVARRA_INSTALL_BINDIR;
  inputs.XdgDataHome = Environment("XDG_DATA_HOME");
  inputs.Home = Environment("HOME");
  inputs.Writable = DirectoryWritable;
  const TDataDirChoice choice = ChooseDataDir(inputs);
  UI.AddLogLine(DataDirLogLine(choice));
  if (choice.Source == TDataDirSource::dsUser) {
    try {
      MakeDataDir(choice.Dir);
    } catch (const std::exception& Error) {
      UI.ShowError(Error.what());
    }
  }
  return choice.Dir;
}

bool ServerAnswers(int Port) {
  try {
    TUniqueFd probe(ConnectTcp(SimulatorHost, Port, 500));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// SIGINT and SIGTERM as a descriptor the loop watches. Blocked before any
// thread starts, so every thread inherits the mask and none is interrupted.
TUniqueFd StopSignals() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  return TUniqueFd(::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));
}

// Starts the simulated layout unless a server already answers on its port,
// and points the client at it.
std::unique_ptr<TSimServer> Simulate(const TAppOptions& Options, TBridge& Bridge, THeadlessUI& UI) {
  const int port = Options.SimulatePort.value_or(Bridge.Settings().Port);
  std::unique_ptr<TSimServer> server;
  if (ServerAnswers(port)) {
    UI.Note("simulate: a server already answers on " + std::string(SimulatorHost) + ":" +
            std::to_string(port) + "; using it");
  } else {
    TSimOptions options;
    options.ListenAddress = SimulatorHost;
    options.Port = port;
    server = std::make_unique<TSimServer>(options);
    try {
      server->Start();
      UI.Note("simulate: simulated layout on " + server->Endpoint());
    } catch (const std::exception& Error) {
      UI.ShowError(Error.what());
      server.reset();
    }
  }
  Bridge.SRCPCl1().SetHost(SimulatorHost);
  Bridge.SRCPCl1().SetPort(port);
  return server;
}

}  // namespace

int RunTenvarra(const TAppOptions& Options, int argc, char** argv) {
  TUniqueFd stopSignals = StopSignals();
  QCoreApplication application(argc, argv);
  TQtEventLoop loop;
  TMainThreadQueue queue;
  THeadlessUI ui(Options.LearnLoco, Options.LearnSolenoid);
  if (!Options.Headless) ui.Note("tenvarra: the window is not built yet; running headless");

  queue.OnAsyncError = [&ui](TMainThreadQueue&, std::exception_ptr Error) {
    try {
      std::rethrow_exception(Error);
    } catch (const std::exception& E) {
      ui.ShowError(E.what());
    }
  };
  const TWatchId queueWatch = loop.Watch(queue.WakeFd(), ioRead, [&queue](int, unsigned) { queue.RunPending(); });

  std::unique_ptr<TSimServer> simulator;
  int status = 0;
  {
    TBridgeOptions options;
    options.DataDir = ResolveDataDir(Options, ui);
    options.PortDir = Options.PortDir;
    options.ReplyTimeoutMs = Options.ReplyTimeoutMs;
    TBridge bridge(loop, queue, ui, options);
    ui.OnClose = [&bridge] {
      if (bridge.FormCloseQuery()) QCoreApplication::quit();
    };

    bridge.FormCreate();
    if (!bridge.Port() && !bridge.PortError().empty())
      ui.Note("tenvarra: no virtual serial port: " + bridge.PortError());
    if (Options.Simulate) simulator = Simulate(Options, bridge, ui);
    if (Options.Log) bridge.Logenabled1Click();
    if (Options.Connect) bridge.ConnecttoServer1Click();

    THeadlessCommands commands(loop, STDIN_FILENO, bridge, ui);
    TWatchId signalWatch = 0;
    if (stopSignals.Valid()) {
      signalWatch = loop.Watch(stopSignals.Get(), ioRead, [&stopSignals](int, unsigned) {
        signalfd_siginfo info{};
        while (::read(stopSignals.Get(), &info, sizeof info) == sizeof info) {
        }
        // Like closing the window: no close query, nothing saved.
        QCoreApplication::quit();
      });
    }
    status = QCoreApplication::exec();
    if (signalWatch != 0) loop.Unwatch(signalWatch);
  }
  loop.Unwatch(queueWatch);
  return status;
}

}  // namespace tenvarra
