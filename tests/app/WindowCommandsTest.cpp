// A window instance with its command socket, put together as the program
// does, under the offscreen platform: the person works in the window's
// dialogs while other programs send commands over the real socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <QAction>
#include <QMessageBox>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandSocket.h"
#include "app/HeadlessCommands.h"
#include "client/Client.h"
#include "common/TempDir.h"
#include "dialogs/DialogTest.h"
#include "platform/MainThreadQueue.h"
#include "platform/UniqueFd.h"
#include "qtloop/QtEventLoop.h"
#include "shell/StoreFile.h"
#include "window/MainForm.h"

namespace tenvarra {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

constexpr int WaitMs = 10000;
// Short, so that a test can let it pass.
constexpr int ClientTimeoutMs = 1000;

// One connection to the socket as tenvarra --command makes it: what it has
// been sent, split into lines, and whether the instance has closed it.
class TSocketClient {
public:
  TSocketClient(const std::string& Path, const std::string& Request)
      : FFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path.c_str(), sizeof address.sun_path - 1);
    FConnected = ::connect(FFd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                 ::send(FFd.Get(), Request.data(), Request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(Request.size());
  }
  bool Connected() const { return FConnected; }
  // Takes what has come without waiting; true once the instance closed.
  bool Ended() {
    for (pollfd ready{FFd.Get(), POLLIN, 0}; !FEnded && ::poll(&ready, 1, 0) > 0;) {
      char chunk[4096];
      const ssize_t n = ::recv(FFd.Get(), chunk, sizeof chunk, 0);
      if (n <= 0) FEnded = true;
      if (n > 0) FReceived.append(chunk, static_cast<std::size_t>(n));
    }
    return FEnded;
  }
  Strings Lines() const {
    Strings lines;
    for (std::size_t at = 0, end; (end = FReceived.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(FReceived.substr(at, end - at));
    return lines;
  }

private:
  TUniqueFd FFd;
  bool FConnected = false;
  bool FEnded = false;
  std::string FReceived;
};

class TWindowCommandsTest : public ::testing::Test {
protected:
  TWindowCommandsTest() {
    FQueueWatch = FLoop.Watch(FQueue.WakeFd(), ioRead, [this](int, unsigned) { FQueue.RunPending(); });
    TBridgeOptions options;
    options.DataDir = FData.Path();
    options.PortDir = FPorts.Path();
    options.ReplyTimeoutMs = WaitMs;
    FForm = std::make_unique<TMainForm>(FLoop, FQueue, options);
    FForm->FormCreate();
    FForm->show();
    FCommands = std::make_unique<THeadlessCommands>(FLoop, -1, Bridge(), nullptr);
    FSocket = std::make_unique<TCommandSocket>(
        FLoop, TCommandSocket::PathFor(FPorts.Path(), Bridge().PortName()),
        [this](const std::string& Line) { return FCommands->Run(Line); }, ClientTimeoutMs);
  }
  ~TWindowCommandsTest() override {
    FSocket.reset();
    FCommands.reset();
    FForm.reset();
    FLoop.Unwatch(FQueueWatch);
  }

  TBridge& Bridge() { return FForm->Bridge(); }
  void Trigger(const char* Item) { Child<QAction>(*FForm, Item).trigger(); }
  std::unique_ptr<TSocketClient> Connect(const std::string& Request = "") {
    auto client = std::make_unique<TSocketClient>(FSocket->Path(), Request);
    EXPECT_TRUE(client->Connected());
    return client;
  }
  // Another program's command: the status line and the answer's lines.
  Strings Command(const std::string& Line) {
    const auto client = Connect(Line + "\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return client->Ended(); }, WaitMs)) << Line;
    return client->Lines();
  }
  std::vector<int32_t> SavedLocos() {
    TDeviceStore saved;
    TStoreFile(FData.File("loco.dat")).Load(saved);
    std::vector<int32_t> addresses;
    for (int32_t i = 0; i < saved.LocoTable().LocoCount(); ++i)
      addresses.push_back(saved.LocoTable().LocoAt(i)->Address());
    return addresses;
  }

  TQtEventLoop FLoop;
  TMainThreadQueue FQueue;
  TWatchId FQueueWatch = 0;
  TTempDir FData;
  TTempDir FPorts;
  std::unique_ptr<TMainForm> FForm;
  std::unique_ptr<THeadlessCommands> FCommands;
  std::unique_ptr<TCommandSocket> FSocket;
};

// The record the setup shows is deleted and another one is added, which may
// take its place in memory: the setup never mistakes one for the other, shows
// the table as it is now, and its save does what it shows.
TEST_F(TWindowCommandsTest, TheLocoSetupFollowsLocosDeletedAndAddedByOtherPrograms) {
  for (const char* address : {"12", "20"})
    ASSERT_EQ(Command(std::string("loco add ") + address + " M2"),
              (Strings{"OK", std::string("loco ") + address + " added; loco.dat saved"}));
  {
    TModalAnswer setup([this](QWidget& Setup) {
      auto& address = Child<QLineEdit>(Setup, "EdAddress");
      const auto shown = [&] {
        return LabelText(Setup, "lbNr").toStdString() + " " + address.text().toStdString() +
               (address.isEnabled() ? " new" : "") + (Child<QPushButton>(Setup, "buDelete").isEnabled() ? " d" : "");
      };
      EXPECT_EQ(shown(), "1/ 2 12 d");
      EXPECT_EQ(Command("loco delete 12"), (Strings{"OK", "loco 12 deleted; loco.dat saved"}));
      // Gone from under the person: a new entry that keeps what it showed.
      EXPECT_EQ(shown(), "2/ 1 12 new");
      EXPECT_EQ(Command("loco add 13 M2"), (Strings{"OK", "loco 13 added; loco.dat saved"}));
      EXPECT_EQ(shown(), "3/ 2 12 new");
      Choose(Child<QComboBox>(Setup, "cbProto"), 2);
      Click(Setup, "BuSave");
      EXPECT_EQ(shown(), "3/ 3 12 d");
      EXPECT_EQ(LabelText(Setup, "LbSteps"), "28");
      // A record before the shown one goes: the shown one moves up.
      EXPECT_EQ(Command("loco delete 20"), (Strings{"OK", "loco 20 deleted; loco.dat saved"}));
      EXPECT_EQ(shown(), "2/ 2 12 d");
      Click(Setup, "BuPrev");
      EXPECT_EQ(shown(), "1/ 2 13 d");
      Click(Setup, "BuExit");
    });
    Trigger("Setup1");
  }
  EXPECT_EQ(Command("locos"), (Strings{"OK", "13 New Motorola (M2)", "12 Extended Motorola 1 (M3)"}));
  EXPECT_EQ(SavedLocos(), (std::vector<int32_t>{13, 12}));
}

// One writer at a time: while the general setup is open, the settings it
// will write back are not changed from elsewhere. Its save then takes
// effect for the run even when loco.dat cannot be written.
TEST_F(TWindowCommandsTest, TheGeneralSetupIsTheOnlyWriterWhileOpenAndAFailedSaveStillTakesEffect) {
  const auto agree = [this](const std::string& Host, int32_t Port) {
    EXPECT_EQ(Bridge().Settings().Host, Host);
    EXPECT_EQ(Bridge().Settings().Port, Port);
    EXPECT_EQ(Bridge().SRCPCl1().Host(), Host);
    EXPECT_EQ(Bridge().SRCPCl1().Port(), Port);
  };
  std::filesystem::create_directory(FData.File("loco.dat"));  // in the way of every save
  {
    TBoxesAnswer boxes(1);
    TModalAnswer setup([this](QWidget& Setup) {
      EXPECT_EQ(Command("set port 12346"), (Strings{"FAIL", "the general setup is open in the window"}));
      EXPECT_EQ(Command("set nothing"), (Strings{"FAIL", "the general setup is open in the window"}));
      const Strings settings = Command("settings");
      ASSERT_GE(settings.size(), 3u);
      EXPECT_EQ(settings[2], "Port (port): 12345");
      Type(Child<QLineEdit>(Setup, "edServer"), "layout.example");
      Type(Child<QLineEdit>(Setup, "edPort"), "12347");
      Click(Setup, "buSave");
    });
    Trigger("Generalsetup1");
    ASSERT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(boxes.Texts[0].startsWith(QString::fromStdString(FData.File("loco.dat") + " was not saved: ")))
        << boxes.Texts[0].toStdString();
  }
  agree("layout.example", 12347);

  const Strings failed = Command("set port 12346");
  ASSERT_EQ(failed.size(), 2u);
  EXPECT_EQ(failed[0], "FAIL");
  EXPECT_EQ(failed[1].rfind("Port (port) set to 12346, but " + FData.File("loco.dat") + " was not saved: ", 0), 0u)
      << failed[1];
  agree("layout.example", 12346);

  std::filesystem::remove(FData.File("loco.dat"));
  EXPECT_EQ(Command("set port 12348"), (Strings{"OK", "Port (port) set to 12348; loco.dat saved"}));
  agree("layout.example", 12348);
  TDeviceStore saved;
  TStoreFile(FData.File("loco.dat")).Load(saved);
  EXPECT_EQ(saved.Settings, Bridge().Settings());
}

// "connect" to a server that is not there shows the error box, which stays
// until the person closes it, longer than a client may stay silent.
TEST_F(TWindowCommandsTest, ACommandWhoseBoxOutlastsItsTimeOutAnswersItsOwnClientAndNoOther) {
  // A port taken but not listening: the connect is refused.
  TUniqueFd taken(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(taken.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(taken.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
  Bridge().UseServerForRun("127.0.0.1", ntohs(address.sin_port));

  const auto asking = Connect("connect\n");
  std::unique_ptr<TSocketClient> waiting;
  {
    TModalAnswer box([&](QWidget& Box) {
      // One that came later and stays silent is cut off: the asking
      // client's time-out has passed too.
      const auto silent = Connect();
      ASSERT_TRUE(QTest::qWaitFor([&] { return silent->Ended(); }, WaitMs));
      EXPECT_EQ(silent->Lines(), Strings{});
      // Another one gets the lowest free descriptor number.
      const std::size_t before = FSocket->ClientCount();
      waiting = Connect();
      ASSERT_TRUE(QTest::qWaitFor([&] { return FSocket->ClientCount() == before + 1; }, WaitMs));
      EXPECT_EQ(Box.windowTitle(), "Error");
      static_cast<QDialog&>(Box).done(QMessageBox::Ok);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return asking->Ended(); }, WaitMs));
  }
  EXPECT_EQ(asking->Lines(), Strings{"OK"});
  ASSERT_NE(waiting, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return waiting->Ended(); }, WaitMs));
  EXPECT_EQ(waiting->Lines(), Strings{});
  EXPECT_TRUE(FForm->isVisible());
}

}  // namespace
}  // namespace tenvarra
