// The layout view under a busy feedback bus: the real main window with its
// layout view open, connected to the simulated layout in this process, while
// another thread sets feedback contacts on the simulator at a steady rate
// (1,000 changes a second by default). Measured on the main thread, which
// runs the client, the bridge and the widgets:
// - its CPU time under the load, with the view open and with it closed;
// - how late a 10 ms timer fires meanwhile (the window's responsiveness);
// - how many changes arrived and how often the view was redrawn;
// - its CPU time over idle seconds afterwards, the view still open.
//
//   QT_QPA_PLATFORM=offscreen layout_load [seconds per phase] [changes per second]

#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "client/Client.h"
#include "common/TempDir.h"
#include "platform/MainThreadQueue.h"
#include "qtloop/QtEventLoop.h"
#include "sim/SimServer.h"
#include "window/LayoutForm.h"
#include "window/MainForm.h"

namespace {

using namespace tenvarra;
using TClock = std::chrono::steady_clock;

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

[[noreturn]] void Fail(const char* Why) {
  std::fprintf(stderr, "layout_load: %s\n", Why);
  std::exit(1);
}

// Runs the event loop for Ms milliseconds.
void Spin(int Ms) {
  QTimer::singleShot(Ms, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

struct TPhase {
  double CpuMs = 0;
  double LateP99Ms = 0;
  double LateMaxMs = 0;
  int Refreshes = 0;
};

// Sets contacts on the simulator at Rate a second for Seconds while the loop
// runs, and measures the main thread meanwhile.
TPhase Load(TSimServer& Sim, TLayoutForm& View, int Seconds, int Rate) {
  std::atomic<bool> stop{false};
  std::thread driver([&] {
    const auto step = std::chrono::nanoseconds(1'000'000'000 / Rate);
    auto next = TClock::now();
    for (int32_t i = 0; !stop; ++i) {
      // Walks over every contact, setting on one pass and clearing on the next.
      Sim.SetContact(i % 496 + 1, (i / 496) % 2 == 0 ? 1 : 0);
      next += step;
      std::this_thread::sleep_until(next);
    }
  });
  std::vector<double> late;
  QElapsedTimer since;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(10);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    late.push_back(std::max(0.0, double(since.nsecsElapsed()) / 1e6 - 10.0));
    since.restart();
  });
  const int refreshes = View.RefreshCount();
  const double cpu = ThreadCpuMs();
  since.start();
  tick.start();
  Spin(Seconds * 1000);
  tick.stop();
  TPhase phase;
  phase.CpuMs = ThreadCpuMs() - cpu;
  phase.Refreshes = View.RefreshCount() - refreshes;
  stop = true;
  driver.join();
  std::sort(late.begin(), late.end());
  if (!late.empty()) {
    phase.LateP99Ms = late[late.size() * 99 / 100];
    phase.LateMaxMs = late.back();
  }
  return phase;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int rate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
  QApplication application(argc, argv);

  TSimOptions simOptions;
  simOptions.ListenAddress = "127.0.0.1";
  simOptions.Port = 0;
  TSimServer sim(simOptions);
  sim.Start();

  TQtEventLoop loop;
  TMainThreadQueue queue;
  const TWatchId queueWatch = loop.Watch(queue.WakeFd(), ioRead, [&queue](int, unsigned) { queue.RunPending(); });
  test::TTempDir data, ports;
  TBridgeOptions options;
  options.DataDir = data.Path();
  options.PortDir = ports.Path();
  int status = 0;
  {
    TMainForm form(loop, queue, options);
    form.FormCreate();
    form.show();
    TBridge& bridge = form.Bridge();
    bridge.SRCPCl1().SetHost("127.0.0.1");
    bridge.SRCPCl1().SetPort(sim.Port());
    bridge.ConnecttoServer1Click();
    Spin(500);
    if (!bridge.SRCPCl1().Connected()) Fail("no connection to the simulator");
    form.Layout1Click();  // the action is not ticked: tick it as a click would
    if (!form.LayoutForm()) Fail("no layout view");
    TLayoutForm& view = *form.LayoutForm();
    view.show();
    Spin(200);

    // Counts the changes the model passes on, in front of the view.
    long changes = 0;
    auto viewHandler = bridge.Layout().OnChange;
    bridge.Layout().OnChange = [&](unsigned Parts) {
      if (Parts & TLayoutModel::lpFeedback) ++changes;
      viewHandler(Parts);
    };

    const TPhase open = Load(sim, view, seconds, rate);
    const long openChanges = changes;
    view.hide();
    const TPhase closed = Load(sim, view, seconds, rate);
    const long closedChanges = changes - openChanges;
    view.show();
    Spin(300);
    const double idleStart = ThreadCpuMs();
    const int idleRefreshes = view.RefreshCount();
    Spin(seconds * 1000);
    const double idleCpu = ThreadCpuMs() - idleStart;

    std::printf("feedback changes: %d a second for %d s per phase\n", rate, seconds);
    std::printf("view open:   %ld changes, %d redraws, main thread CPU %.1f%% (%.0f ms), "
                "10 ms timer late p99 %.2f ms, max %.2f ms\n",
                openChanges, open.Refreshes, 100.0 * open.CpuMs / (seconds * 1000.0), open.CpuMs, open.LateP99Ms,
                open.LateMaxMs);
    std::printf("view closed: %ld changes, %d redraws, main thread CPU %.1f%% (%.0f ms), "
                "10 ms timer late p99 %.2f ms, max %.2f ms\n",
                closedChanges, closed.Refreshes, 100.0 * closed.CpuMs / (seconds * 1000.0), closed.CpuMs,
                closed.LateP99Ms, closed.LateMaxMs);
    std::printf("idle, view open: main thread CPU %.1f ms over %d s, %d redraws\n", idleCpu, seconds,
                view.RefreshCount() - idleRefreshes);
    bridge.Layout().OnChange = viewHandler;
    bridge.Disconnectfromserver1Click();
    if (openChanges == 0 || open.Refreshes == 0) status = 1;
  }
  loop.Unwatch(queueWatch);
  sim.Stop();
  return status;
}
