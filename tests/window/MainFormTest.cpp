// The main window over a real bridge, driven through its menu under the
// offscreen platform, against the simulated layout in this process.
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <filesystem>
#include <memory>
#include <vector>

#include "client/Client.h"
#include "common/TempDir.h"
#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "dialogs/DialogTest.h"
#include "dialogs/Screenshot.h"
#include "platform/MainThreadQueue.h"
#include "qtloop/QtEventLoop.h"
#include "sim/SimServer.h"
#include "window/MainForm.h"

namespace tenvarra {
namespace {

using namespace test;

constexpr int WaitMs = 5000;

// While it lives, closes every message box that opens, keeping its text;
// at its end there must have been Count of them.
class TBoxesAnswer {
public:
  explicit TBoxesAnswer(int Count) : FCount(Count) {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      Texts << box->text();
      box->done(QMessageBox::Ok);
    });
    FTimer.start();
  }
  ~TBoxesAnswer() { EXPECT_EQ(Texts.size(), FCount) << Texts.join(QLatin1Char('|')).toStdString(); }
  QStringList Texts;

private:
  int FCount;
  QTimer FTimer;
};

class TMainFormTest : public ::testing::Test {
protected:
  TMainFormTest() {
    FQueueWatch = FLoop.Watch(FQueue.WakeFd(), ioRead, [this](int, unsigned) { FQueue.RunPending(); });
    TSimOptions sim;
    sim.ListenAddress = "127.0.0.1";
    sim.Port = 0;
    FSim = std::make_unique<TSimServer>(sim);
    FSim->Start();
    TBridgeOptions options;
    options.DataDir = FData.Path();
    options.PortDir = FPorts.Path();
    options.ReplyTimeoutMs = WaitMs;
    FForm = std::make_unique<TMainForm>(FLoop, FQueue, options);
    FForm->FormCreate();
    Bridge().SRCPCl1().SetHost("127.0.0.1");
    Bridge().SRCPCl1().SetPort(FSim->Port());
    FForm->show();
  }
  ~TMainFormTest() override {
    FForm.reset();
    FLoop.Unwatch(FQueueWatch);
  }

  TBridge& Bridge() { return FForm->Bridge(); }
  QAction& Item(const char* Name) { return Child<QAction>(*FForm, Name); }
  QString Panel(int Index) {
    return Child<QLabel>(*FForm, QStringLiteral("Panel%1").arg(Index).toLatin1().constData()).text();
  }
  QPlainTextEdit& Memo() { return Child<QPlainTextEdit>(*FForm, "Memo1"); }
  bool WaitFor(const std::function<bool()>& Condition) { return QTest::qWaitFor(Condition, WaitMs); }
  bool Connect() {
    TBoxesAnswer none(0);  // an error box would otherwise wait for ever
    Item("Connecttoserver1").trigger();
    return WaitFor([this] { return !Item("Connecttoserver1").isEnabled(); });
  }

  TQtEventLoop FLoop;
  TMainThreadQueue FQueue;
  TWatchId FQueueWatch = 0;
  TTempDir FData;
  TTempDir FPorts;
  std::unique_ptr<TSimServer> FSim;
  std::unique_ptr<TMainForm> FForm;
};

TEST_F(TMainFormTest, ShowsTheBridgeInItsFixedWindow) {
  EXPECT_EQ(FForm->windowTitle(), "TenvarraVersion 0.40");
  EXPECT_EQ(FForm->centralWidget()->width(), 417);
  EXPECT_EQ(FForm->centralWidget()->height() + FForm->statusBar()->height(), 245);
  EXPECT_EQ(FForm->minimumSize(), FForm->maximumSize());

  QStringList menus;
  for (QAction* menu : FForm->menuBar()->actions()) {
    menus << menu->text() + ":";
    for (QAction* item : menu->menu()->actions()) menus << item->text() + (item->isCheckable() ? "[ ]" : "");
  }
  EXPECT_EQ(menus.join(QLatin1Char('|')),
            "File:|Connect to Server|Disconnect from server|Exit|Setup:|Loco setup|Solenoid setup|"
            "General setup|Power:|Power on[ ]|Feedback:|Start feedback|Stop feedback|Log:|Log enabled[ ]|"
            "Clear log");

  const int widths[] = {100, 120, 50};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(Child<QLabel>(*FForm, QStringLiteral("Panel%1").arg(i).toLatin1().constData()).width(), widths[i]);
  EXPECT_EQ(Panel(0), "Providing COM1");
  EXPECT_EQ(Panel(1), "not connected");
  EXPECT_EQ(Panel(2), "");
  EXPECT_EQ(Memo().toPlainText(), "Providing COM1");
  EXPECT_TRUE(Memo().isReadOnly());

  // "Log enabled" starts unchecked; the bridge alone decides the mark.
  EXPECT_FALSE(Item("Logenabled1").isChecked());
  Item("Logenabled1").trigger();
  EXPECT_TRUE(Item("Logenabled1").isChecked());
  EXPECT_TRUE(Bridge().LogActive());
  Item("Logenabled1").trigger();
  EXPECT_FALSE(Item("Logenabled1").isChecked());
  EXPECT_FALSE(Bridge().LogActive());

  // The screen log keeps the newest lines only; "Clear log" empties it.
  for (int i = 0; i < TMainForm::MaxLogLines + 5; ++i) FForm->AddLogLine("line " + std::to_string(i));
  EXPECT_EQ(Memo().blockCount(), TMainForm::MaxLogLines);
  EXPECT_EQ(Memo().document()->firstBlock().text(), "line 5");
  Item("Clearlog1").trigger();
  EXPECT_EQ(Memo().toPlainText(), "");
}

TEST_F(TMainFormTest, MenuAndPanelsFollowTheServerConnection) {
  ASSERT_TRUE(Connect());
  EXPECT_EQ(Panel(2), "Conncected to Server");

  Item("Disconnectfromserver1").trigger();
  EXPECT_EQ(Panel(2), "");
  EXPECT_TRUE(Item("Connecttoserver1").isEnabled());

  // A server that goes away: the window follows the client's disconnect.
  ASSERT_TRUE(Connect());
  FSim->Stop();
  ASSERT_TRUE(WaitFor([this] { return Item("Connecttoserver1").isEnabled(); }));
  EXPECT_EQ(Panel(2), "");

  // Nobody listens any more: the error box, and the window goes on.
  {
    TBoxAnswer refused;
    Item("Connecttoserver1").trigger();
    EXPECT_EQ(refused.Box.Title, "Error");
    EXPECT_EQ(refused.Box.Icon, QMessageBox::Critical);
    EXPECT_FALSE(refused.Box.Text.isEmpty());
  }
  EXPECT_EQ(Panel(2), "");
  EXPECT_TRUE(Item("Connecttoserver1").isEnabled());
  EXPECT_TRUE(FForm->isVisible());
}

TEST_F(TMainFormTest, ClosesOnlyWhenDisconnectedAndThePortIsFreeAndOnlyExitSaves) {
  ASSERT_TRUE(Connect());
  const int app = ::open(FPorts.File("COM1").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(app, 0);
  ASSERT_TRUE(WaitFor([this] { return Panel(1) == "connected"; }));
  {
    TBoxesAnswer boxes(2);
    EXPECT_FALSE(FForm->close());
    EXPECT_EQ(boxes.Texts, QStringList({"Please, disconnect from Server!", "Please, close RS232 connection!"}));
  }
  EXPECT_TRUE(FForm->isVisible());

  ::close(app);
  ASSERT_TRUE(WaitFor([this] { return Panel(1) == "not connected"; }));
  {
    TBoxesAnswer boxes(1);
    EXPECT_FALSE(FForm->close());
    EXPECT_EQ(boxes.Texts, QStringList({"Please, disconnect from Server!"}));
  }

  Item("Disconnectfromserver1").trigger();
  EXPECT_TRUE(FForm->close());
  EXPECT_FALSE(FForm->isVisible());
  EXPECT_FALSE(FData.Exists("loco.dat"));

  FForm->show();
  Item("Exit1").trigger();
  EXPECT_FALSE(FForm->isVisible());
  EXPECT_TRUE(FData.Exists("loco.dat"));
}

TEST_F(TMainFormTest, UnknownAddressesAreLearnedThroughTheWindowsDialogs) {
  Bridge().Settings().LearningMode = true;
  ASSERT_TRUE(Connect());
  const int app = ::open(FPorts.File("COM1").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(app, 0);
  const auto write = [app](std::initializer_list<uint8_t> Bytes) {
    const std::vector<uint8_t> bytes(Bytes);
    return ::write(app, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  };
  {
    TModalAnswer answer([](QWidget& Window) {
      EXPECT_EQ(LabelText(Window, "lbAddress"), "7");
      Choose(Child<QComboBox>(Window, "cbGLs"), 6);
      Click(Window, "buOK");
    });
    ASSERT_TRUE(write({5, 7}));
    ASSERT_TRUE(WaitFor([this] { return Bridge().LocoTable().FindLocoByAddress(7) != nullptr; }));
  }
  EXPECT_EQ(Bridge().LocoTable().FindLocoByAddress(7)->Protocol(), DialogProtocols()[6]);
  {
    TModalAnswer answer([](QWidget& Window) {
      EXPECT_EQ(LabelText(Window, "lbAddress"), "9");
      Choose(Child<QComboBox>(Window, "cbProtocol"), 1);
      Click(Window, "buSave");
    });
    ASSERT_TRUE(write({33, 9}));
    ASSERT_TRUE(WaitFor([this] { return Bridge().SolenoidTable().FindSolenoidByAddress(9) != nullptr; }));
  }
  EXPECT_EQ(Bridge().SolenoidTable().FindSolenoidByAddress(9)->Protocol(), &Bridge().Store().NmraAccessoryProtocol());
  EXPECT_EQ(Bridge().SolLearnIndex(), 1);
  ::close(app);
}

TEST_F(TMainFormTest, SetupItemsOpenTheDialogsAndSaveAfterTheDeviceSetups) {
  {
    TModalAnswer answer([](QWidget& Window) {
      EXPECT_EQ(Window.windowTitle(), "Loco setup");
      Window.close();
    });
    Item("Setup1").trigger();
  }
  EXPECT_TRUE(FData.Exists("loco.dat"));
  std::filesystem::remove(FData.File("loco.dat"));
  {
    TModalAnswer answer([](QWidget& Window) {
      EXPECT_EQ(Window.windowTitle(), "Solenoid setup");
      Window.close();
    });
    Item("Solenoidsetup1").trigger();
  }
  EXPECT_TRUE(FData.Exists("loco.dat"));
  std::filesystem::remove(FData.File("loco.dat"));

  // The general setup saves through the bridge, and refuses while connected.
  {
    TModalAnswer answer([](QWidget& Window) {
      EXPECT_EQ(Window.windowTitle(), "Setup");
      Type(Child<QLineEdit>(Window, "edServer"), "layout.example");
      Click(Window, "buSave");
    });
    Item("Generalsetup1").trigger();
  }
  EXPECT_TRUE(FData.Exists("loco.dat"));
  EXPECT_EQ(Bridge().SRCPCl1().Host(), "layout.example");
  Bridge().SRCPCl1().SetHost("127.0.0.1");
  Bridge().SRCPCl1().SetPort(FSim->Port());
  ASSERT_TRUE(Connect());
  TBoxAnswer refused;
  Item("Generalsetup1").trigger();
  EXPECT_EQ(refused.Box.Text, "Please disconnect from server!");
}

// The window as the person sees it, connected to the simulated layout with
// "Log enabled" and the log file on (see Screenshot.h).
TEST_F(TMainFormTest, Screenshot) {
  Bridge().Settings().WriteLogFile = true;
  ASSERT_TRUE(Connect());
  Item("Logenabled1").trigger();
  Item("Poweron1").trigger();
  ASSERT_TRUE(WaitFor([this] { return Memo().blockCount() >= 6; })) << Memo().toPlainText().toStdString();
  TScreenshots().Shoot(*FForm, "main-window");
}

}  // namespace
}  // namespace tenvarra
