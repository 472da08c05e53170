// The main window over a real bridge, driven through its menu under the
// offscreen platform, against the simulated layout in this process.
#include <QAction>
#include <QMenuBar>
#include <QStatusBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextBlock>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/TenvarraProcess.h"
#include "client/Client.h"
#include "common/TempDir.h"
#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "dialogs/DialogTest.h"
#include "dialogs/Screenshot.h"
#include "platform/MainThreadQueue.h"
#include "qtloop/QtEventLoop.h"
#include "serialport/VSPort.h"
#include "sim/SimServer.h"
#include "window/FeedbackGrid.h"
#include "window/LayoutForm.h"
#include "window/MainForm.h"

namespace tenvarra {
namespace {

using namespace test;

class TMainFormTest : public ::testing::Test {
protected:
  TMainFormTest() {
    FQueueWatch = FLoop.Watch(FQueue.WakeFd(), ioRead, [this](int, unsigned) { FQueue.RunPending(); });
    TSimOptions sim;
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
  // The client area as laid out, the menu bar (with "View") on top of it.
  EXPECT_EQ(FForm->centralWidget()->size() + QSize(0, FForm->statusBar()->height()), QSize(417, 245));
  EXPECT_EQ(FForm->minimumSize(), FForm->maximumSize());

  QStringList menus;
  for (QAction* menu : FForm->menuBar()->actions()) {
    menus << menu->text() + ":";
    for (QAction* item : menu->menu()->actions()) menus << item->text() + (item->isCheckable() ? "[ ]" : "");
  }
  EXPECT_EQ(menus.join(QLatin1Char('|')),
            "File:|Connect to Server|Disconnect from server|Exit|Setup:|Loco setup|Solenoid setup|"
            "General setup|Power:|Power on[ ]|Feedback:|Start feedback|Stop feedback|Log:|Log enabled[ ]|"
            "Clear log|View:|Layout[ ]");

  EXPECT_EQ(Panel(0), "Providing COM1");
  EXPECT_EQ(Memo().toPlainText(), "Providing COM1");

  // The bridge decides the mark of "Log enabled".
  Item("Logenabled1").trigger();
  EXPECT_TRUE(Item("Logenabled1").isChecked());
  EXPECT_TRUE(Bridge().LogActive());

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
  const auto& panel2 = Child<QLabel>(*FForm, "Panel2");
  EXPECT_GE(panel2.contentsRect().width(), panel2.fontMetrics().horizontalAdvance(panel2.text()));

  Item("Disconnectfromserver1").trigger();
  EXPECT_EQ(Panel(2), "");
  EXPECT_TRUE(Item("Connecttoserver1").isEnabled());

  // The server going away is always logged, with "Log enabled" off too; the
  // person's own disconnect is not.
  ASSERT_TRUE(Connect());
  FSim->Stop();
  ASSERT_TRUE(WaitFor([this] { return Item("Connecttoserver1").isEnabled(); }));
  EXPECT_EQ(Panel(2), "");
  const QStringList lost = Memo().toPlainText().split(QLatin1Char('\n')).filter(QStringLiteral("Connection to server lost"));
  ASSERT_EQ(lost.size(), 1) << Memo().toPlainText().toStdString();
  EXPECT_TRUE(lost[0].startsWith("Connection to server lost: connection closed by ")) << lost[0].toStdString();

  // Nobody listens now: the error box, and the window goes on.
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
  TComClient app(FPorts.File("COM1"));
  ASSERT_TRUE(app.Opened());
  ASSERT_TRUE(WaitFor([this] { return Panel(1) == "connected"; }));
  {
    TBoxesAnswer boxes(2);
    EXPECT_FALSE(FForm->close());
    EXPECT_EQ(boxes.Texts, QStringList({"Please, disconnect from Server!", "Please, close RS232 connection!"}));
  }
  EXPECT_TRUE(FForm->isVisible());

  app.Close();
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

// A loco learned while "Loco setup" edits a new entry: the entry's save
// must not replace the learned loco.
TEST_F(TMainFormTest, UnknownAddressesAreLearnedThroughTheWindowsDialogs) {
  Bridge().Settings().LearningMode = true;
  ASSERT_TRUE(Connect());
  TComClient app(FPorts.File("COM1"));
  ASSERT_TRUE(app.Opened());
  {
    TModalAnswer setup([&](QWidget& Setup) {
      Click(Setup, "CreateButton");
      {
        TModalAnswer learn([](QWidget& Window) {
          EXPECT_EQ(LabelText(Window, "lbAddress"), "7");
          Choose(Child<QComboBox>(Window, "cbGLs"), 6);
          Click(Window, "buOK");
        });
        ASSERT_TRUE(app.Write({5, 7}));
        ASSERT_TRUE(WaitFor([this] { return Bridge().LocoTable().FindLocoByAddress(7) != nullptr; }));
      }
      EXPECT_EQ(LabelText(Setup, "lbNr"), "2/ 1");
      Type(Child<QLineEdit>(Setup, "EdAddress"), "12");
      Click(Setup, "BuSave");
      Click(Setup, "BuExit");
    });
    Item("Setup1").trigger();
  }
  EXPECT_EQ(Bridge().LocoTable().FindLocoByAddress(7)->Protocol(), DialogProtocols()[6]);
  const std::string saved = FData.Read("loco.dat");
  EXPECT_NE(saved.find("\r\n7\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\n12\r\n"), std::string::npos) << saved;
  {
    TModalAnswer answer([](QWidget& Window) {
      EXPECT_EQ(LabelText(Window, "lbAddress"), "9");
      Choose(Child<QComboBox>(Window, "cbGAs"), 1);
      Click(Window, "buOK");
    });
    ASSERT_TRUE(app.Write({33, 9}));
    ASSERT_TRUE(WaitFor([this] { return Bridge().SolenoidTable().FindSolenoidByAddress(9) != nullptr; }));
  }
  EXPECT_EQ(Bridge().SolenoidTable().FindSolenoidByAddress(9)->Protocol(), &Bridge().Store().NmraAccessoryProtocol());
  EXPECT_EQ(Bridge().SolLearnIndex(), 1);
  // Saved with the answer, not at the next setup or "Exit".
  EXPECT_NE(FData.Read("loco.dat").find("\r\n9\r\n1\r\n"), std::string::npos);
}

// The last bytes of an application that has closed the port ask for a loco
// to be learned; while the question is open, an application opens the port
// again. Panel 1 ends on what the port says.
TEST_F(TMainFormTest, PanelOneEndsOnThePortsStateWhenItsLastBytesOpenADialog) {
  {
    TComClient gone(FPorts.File("COM1"));
    ASSERT_TRUE(gone.Opened());
    ASSERT_TRUE(gone.Write({5, 7}));
  }  // closed before the window has looked
  std::unique_ptr<TComClient> next;
  {
    TModalAnswer learn([&](QWidget& Window) {
      next = std::make_unique<TComClient>(FPorts.File("COM1"));
      ASSERT_TRUE(WaitFor([this] { return Panel(1) == "connected" && Bridge().Port()->IsOpened(); }));
      Choose(Child<QComboBox>(Window, "cbGLs"), 1);
      Click(Window, "buOK");
    });
    ASSERT_TRUE(WaitFor([this] { return Bridge().LocoTable().FindLocoByAddress(7) != nullptr; }));
  }
  ASSERT_TRUE(next && next->Opened());
  EXPECT_TRUE(Bridge().Port()->IsOpened());
  EXPECT_EQ(Panel(1), "connected");
  EXPECT_TRUE(Bridge().Layout().PortIsHeld());
}

TEST_F(TMainFormTest, SetupItemsOpenTheDialogsAndSaveAfterTheDeviceSetups) {
  for (const auto& [item, title] : {std::pair{"Setup1", "Loco setup"}, {"Solenoidsetup1", "Solenoid setup"}}) {
    {
      TModalAnswer answer([title](QWidget& Window) {
        EXPECT_EQ(Window.windowTitle(), title);
        Window.close();
      });
      Item(item).trigger();
    }
    EXPECT_TRUE(FData.Exists("loco.dat")) << item;
    std::filesystem::remove(FData.File("loco.dat"));
  }

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

// The layout view over the same bridge: a loco driven from the serial side,
// a solenoid switched, contacts set on the layout and set by clicking cells.
TEST_F(TMainFormTest, LayoutViewShowsWhatTheBridgeSeesAndItsCellsSetContacts) {
  for (const auto& [address, entry] : {std::pair{12, 1}, std::pair{3, 3}, std::pair{24, 1}}) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[entry]);  // Motorola, 14 steps
    loco->SetAddress(address);
    ASSERT_TRUE(Bridge().LocoTable().AddLoco(loco));
  }
  for (const int32_t address : {7, 8}) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(&Bridge().Store().MotorolaSolenoidProtocol());
    solenoid->SetAddress(address);
    ASSERT_TRUE(Bridge().SolenoidTable().AddSolenoid(solenoid));
  }
  FForm->SetLayoutContactSetter([this](int32_t Contact, bool Occupied) { FSim->SetContact(Contact, Occupied); });

  Item("Layout1").trigger();
  TLayoutForm* view = FForm->LayoutForm();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  const auto label = [view](const char* Name) { return LabelText(*view, Name); };

  ASSERT_TRUE(Connect());
  TComClient app(FPorts.File("COM1"));
  ASSERT_TRUE(app.Opened());
  ASSERT_TRUE(app.Write({21, 12, 33, 7, 96}));  // speed 5 with light, solenoid 7 port 0, power on
  auto& locos = Child<QTableWidget>(*view, "tbLocos");
  const auto cell = [](QTableWidget& Table, int Row, int Column) {
    return Table.item(Row, Column) ? Table.item(Row, Column)->text() : QString();
  };
  ASSERT_TRUE(WaitFor([&] { return locos.rowCount() == 1 && cell(locos, 0, 3) == "5/14"; }));
  QStringList row;
  for (int column = 0; column < locos.columnCount(); ++column) row << cell(locos, 0, column);
  EXPECT_EQ(row.join(QLatin1Char('|')), "1|12|New Motorola (M2)|5/14|Forward|on|-");
  auto& solenoids = Child<QTableWidget>(*view, "tbSolenoids");
  ASSERT_TRUE(WaitFor([&] { return solenoids.rowCount() == 1 && cell(solenoids, 0, 1) == "7"; }));
  ASSERT_TRUE(WaitFor([&] { return label("lbPower").startsWith("Power: bus 1 on, bus 2 off"); }));
  EXPECT_EQ(label("lbPort"), "Port: COM1 held by the application");
  EXPECT_EQ(label("lbServer"), "Server: connected");

  // A contact set on the layout lights its cell; clicking cells sets and clears contacts.
  TFeedbackGrid& grid = view->Grid();
  const auto lit = [&grid](int32_t Module, int32_t Contact) {
    return grid.grab().toImage().pixelColor(grid.CellRect(Module, Contact).center()) == TFeedbackGrid::OccupiedColour;
  };
  ASSERT_TRUE(FSim->SetContact(17, 1));
  ASSERT_TRUE(WaitFor([&] { return lit(2, 1); }));
  EXPECT_FALSE(lit(2, 2));
  for (const auto& [module, contact] : {std::pair{3, 4}, std::pair{31, 16}})
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(module, contact).center());
  ASSERT_TRUE(WaitFor([&] { return lit(3, 4) && lit(31, 16); }));
  EXPECT_EQ(grid.CellAt({1, 1}), std::nullopt);  // the headings
  QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(3, 4).center());
  ASSERT_TRUE(WaitFor([&] { return !lit(3, 4); }));

  // A few more for the picture: rows stay sorted by address.
  ASSERT_TRUE(app.Write({10, 24, 3, 3, 34, 8, 69, 12}));  // and functions 1 and 3 of loco 12
  for (const int32_t contact : {5, 6, 40, 41, 42, 130}) ASSERT_TRUE(FSim->SetContact(contact, 1));
  ASSERT_TRUE(WaitFor([&] { return cell(locos, 1, 6) == "1 3" && solenoids.rowCount() == 2 && lit(9, 2); }));
  EXPECT_EQ(cell(locos, 0, 2) + "|" + cell(locos, 2, 1), "Extended Motorola 2 (M4)|24");
  TScreenshots().Shoot(*view, "layout-view");

  // Closing the view unticks its item; the item opens it again, and the
  // main window takes it along when it closes.
  view->close();
  EXPECT_FALSE(Item("Layout1").isChecked());
  Item("Layout1").trigger();
  EXPECT_TRUE(view->isVisible());
  app.Close();
  Item("Disconnectfromserver1").trigger();
  ASSERT_TRUE(WaitFor([this] { return Panel(1) == "not connected"; }));
  EXPECT_TRUE(FForm->close());
  EXPECT_FALSE(view->isVisible());
}

}  // namespace
}  // namespace tenvarra
