// The bridge in this process: a poll loop, the hand-over queue watched by
// it, real pty ports in a temporary port directory, and a scripted SRCP
// server where the exact lines matter.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "client/Bus.h"
#include "client/Client.h"
#include "client/Locos.h"
#include "common/TempDir.h"
#include "devices/DialogProtocols.h"
#include "emulation/Tenvarra.h"
#include "platform/MainThreadQueue.h"
#include "platform/PollLoop.h"
#include "serialport/VSPort.h"
#include "shell/Bridge.h"
#include "shell/GeneralSetup.h"
#include "shell/LayoutText.h"
#include "shell/TestBridgeUI.h"
#include "srcp/ScriptedServer.h"

namespace tenvarra::test {
namespace {

constexpr int WaitMs = 5000;

class TBridgeTest : public ::testing::Test {
protected:
  TBridgeTest() {
    QueueWatch = Loop.Watch(Queue.WakeFd(), ioRead, [this](int, unsigned) { Queue.RunPending(); });
  }
  ~TBridgeTest() override { Loop.Unwatch(QueueWatch); }

  std::unique_ptr<TBridge> MakeBridge(TTestBridgeUI& UI, int ReplyTimeoutMs = WaitMs) {
    TBridgeOptions options;
    options.DataDir = Data.Path();
    options.PortDir = Ports.Path();
    options.ReplyTimeoutMs = ReplyTimeoutMs;
    return std::make_unique<TBridge>(Loop, Queue, UI, options);
  }
  // A bridge on Server, with a short reply time-out for the stalls scripted.
  std::unique_ptr<TBridge> MakeBridgeOn(TTestBridgeUI& UI, const TScriptedServer& Server) {
    auto bridge = MakeBridge(UI, 500);
    bridge->UseServerForRun("127.0.0.1", Server.Port());
    return bridge;
  }
  // Connects and waits until the server's bus Number is known and the connect has settled.
  ::testing::AssertionResult ConnectUntilBus(TBridge& Bridge, int32_t Number) {
    Bridge.ConnecttoServer1Click();
    if (Loop.RunUntil([&] { return Bridge.SRCPCl1().BusByNumber(Number) && !Bridge.ConnectEnabled(); }, WaitMs))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "bus " << Number << " never came";
  }
  TMoBaAdvancedLoco& AddLoco(TBridge& Bridge, int32_t Address, int32_t Entry) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[Entry]);
    loco->SetAddress(Address);
    TMoBaAdvancedLoco& added = *loco;
    EXPECT_TRUE(Bridge.LocoTable().AddLoco(loco));
    return added;
  }

  TPollLoop Loop;
  TMainThreadQueue Queue;
  TWatchId QueueWatch = 0;
  TTempDir Data;
  TTempDir Ports;
};

TEST_F(TBridgeTest, StartUpProvidesAFreePortUnlessTheStoreFileCannotBeRead) {
  TTestBridgeUI firstUI, secondUI, brokenUI;
  // No loco.dat: a first start, without a message.
  auto first = MakeBridge(firstUI);
  first->FormCreate();
  EXPECT_TRUE(firstUI.Messages.empty());
  EXPECT_EQ(first->PortName(), "COM1");

  // A second instance takes the next free name.
  auto second = MakeBridge(secondUI);
  second->FormCreate();
  EXPECT_EQ(second->PortName(), "COM2");

  // A port line that is not a number: its error, and no port.
  Data.Write("loco.dat", "otherhost\r\nnot a port\r\n");
  auto broken = MakeBridge(brokenUI);
  broken->FormCreate();
  ASSERT_EQ(brokenUI.Messages.size(), 1u);
  EXPECT_EQ(broken->Port(), nullptr);
  EXPECT_EQ(broken->StatusText(spPort), "");
  EXPECT_TRUE(brokenUI.Log.empty());

  // A port that cannot be made is said in the error box and the log.
  TTestBridgeUI portlessUI;
  Data.Write("loco.dat", "");
  TBridge portless(Loop, Queue, portlessUI, {Data.Path(), Data.File("loco.dat"), WaitMs});
  EXPECT_FALSE(portless.ProvidePort());
  ASSERT_EQ(portlessUI.Messages.size(), 1u);
  EXPECT_EQ(portlessUI.Log, std::vector<std::string>{portlessUI.Messages[0]});
  EXPECT_EQ(portlessUI.Messages[0].rfind("No virtual serial port: ", 0), 0u) << portlessUI.Messages[0];
}

// A data directory that is gone: the log file is reported once, and a failed
// save at exit keeps the program open.
TEST_F(TBridgeTest, LogLinesGoToTheRunsFileAndAMissingDataDirectoryIsReportedAndBlocksTheExit) {
  TTestBridgeUI ui;
  auto bridge = MakeBridge(ui);
  bridge->Settings().WriteLogFile = true;
  bridge->WriteLog("first line");
  bridge->WriteScreen("screen only");
  const std::string file = Data.Read(bridge->LogFileName());
  EXPECT_NE(file.find(" first line\n"), std::string::npos) << file;
  EXPECT_EQ(file.find("screen only"), std::string::npos);
  EXPECT_EQ(ui.Log, (std::vector<std::string>{"first line", "screen only"}));

  TTestBridgeUI lostUI;
  TBridgeOptions options;
  options.DataDir = Data.File("missing");
  options.PortDir = Ports.Path();
  TBridge lost(Loop, Queue, lostUI, options);
  lost.Settings().WriteLogFile = true;
  for (int i = 0; i < 3; ++i) lost.WriteLog("line");
  EXPECT_EQ(lostUI.Log.size(), 3u);
  ASSERT_EQ(lostUI.Messages.size(), 1u);
  EXPECT_NE(lostUI.Messages[0].find("missing"), std::string::npos);
  lost.Exit1Click();
  EXPECT_EQ(lostUI.Closes, 0);
  EXPECT_EQ(lostUI.Messages.size(), 2u);
}

TEST_F(TBridgeTest, TheGeneralSetupsSaveAimsTheClientOnlyWhenEveryFieldIsGoodAndNotOffTheSimulatedLayout) {
  TTestBridgeUI ui;
  auto bridge = MakeBridge(ui);
  TGeneralSetupFields fields = GeneralSetupFields(bridge->Settings());
  fields.Host = "other.local";
  fields.Port = "43o3";
  EXPECT_THROW(bridge->GeneralSetupSave(fields), EGeneralSetupError);
  EXPECT_EQ(bridge->Settings().Host, "localhost");
  EXPECT_FALSE(Data.Exists("loco.dat"));
  fields.Port = "4303";  // the host reaching the client is MainFormTest's
  bridge->GeneralSetupSave(fields);
  EXPECT_EQ(bridge->SRCPCl1().Port(), 4303);

  // A run on the simulated layout stays on it; loco.dat keeps what was set.
  bridge->UseServerForRun("127.0.0.1", 4400);
  fields.Port = "4304";
  bridge->GeneralSetupSave(fields);
  EXPECT_EQ(bridge->SRCPCl1().Host() + ":" + std::to_string(bridge->SRCPCl1().Port()), "127.0.0.1:4400");
  EXPECT_EQ(Data.Read("loco.dat").substr(0, 19), "other.local\r\n4304\r\n");
}

// The server announces buses 1 and 3 only: list positions 0 and 1.
TEST_F(TBridgeTest, LocosTravelOnTheirBusByNumberAndAStalledReplyIsShownAndSurvived) {
  TScriptedServer server;
  TTestBridgeUI ui;
  auto bridge = MakeBridgeOn(ui, server);
  AddLoco(*bridge, 12, 1);  // Motorola: bus 1
  AddLoco(*bridge, 40, 9);  // NMRA with a long address: bus 3

  server.Connection(0).Handshake("COMMAND", 1);
  server.Connection(1).Handshake("INFO", 2)
      .Send("2.000 100 INFO 1 DESCRIPTION GL")
      .Send("2.000 100 INFO 3 DESCRIPTION GL");
  ASSERT_TRUE(ConnectUntilBus(*bridge, 3));

  // Unknown to the server: INIT and SET, then SET again once the wait is over.
  server.Connection(0)
      .Expect("INIT 3 GL 40 N 2 28 5").Send("3.300 200 OK")
      .Expect("SET 3 GL 40 1 6 28 0 0 0 0 0").Send("3.300 200 OK")
      .Expect("SET 3 GL 40 1 6 28 0 0 0 0 0").Send("3.500 200 OK");
  bridge->Engine().HandleLoco(6, 40);
  EXPECT_TRUE(server.Connection(0).Done());
  EXPECT_TRUE(ui.Messages.empty());

  // Once the server has reported loco 12, a command sends one SET. Here the
  // server stalls on it: the reply time-out ends the wait, the error is
  // shown and the bridge goes on.
  server.Connection(1).Send("3.600 100 INFO 1 GL 12 1 36 100 0 0 0 0 0");
  ASSERT_TRUE(Loop.RunUntil([&] { return bridge->SRCPCl1().BusByNumber(1)->Locos()->FindLoco(12); }, WaitMs));
  server.Connection(0).Expect("SET 1 GL 12 1 6 14 0 0 0 0 0");
  bridge->Engine().HandleLoco(6, 12);
  EXPECT_TRUE(server.Connection(0).Done());
  ASSERT_EQ(ui.Messages.size(), 1u);
  ASSERT_TRUE(Loop.RunUntil([&] { return !bridge->SRCPCl1().Connected(); }, WaitMs));
  EXPECT_TRUE(Loop.RunUntil([&] { return bridge->ConnectEnabled(); }, WaitMs));
}

// A server with one bus, as many are set up: the general setup steers the
// NMRA locos and the feedback to it; what still has no bus, and what the
// server refuses, is written to the log whatever "Log enabled" says.
TEST_F(TBridgeTest, AOneBusServerGetsWhatTheSettingsSteerThereAndMissingBusesAndRefusalsAreLogged) {
  TScriptedServer server;
  TTestBridgeUI ui;
  auto bridge = MakeBridgeOn(ui, server);
  bridge->Settings().NMRAGLSBus = 1;
  bridge->Settings().S88Bus = 1;
  AddLoco(*bridge, 7, 6);   // NMRA, short address: bus 1 as set
  AddLoco(*bridge, 40, 9);  // NMRA, long address: bus 3, which the server lacks

  server.Connection(0).Handshake("COMMAND", 1).Expect("GET 1 POWER").Send("2.100 100 INFO 1 POWER OFF");
  server.Connection(1).Handshake("INFO", 2).Send("2.000 100 INFO 1 DESCRIPTION GL GA FB POWER");
  ASSERT_TRUE(ConnectUntilBus(*bridge, 1));

  server.Connection(0)
      .Expect("INIT 1 GL 7 N 1 14 5").Send("3.000 200 OK")
      .Expect("SET 1 GL 7 1 6 14 0 0 0 0 0").Send("3.000 200 OK")
      .Expect("SET 1 GL 7 1 6 14 0 0 0 0 0").Send("3.200 200 OK")
      .Expect("INIT 1 FB S88 LPT1 8").Send("3.300 419 ERROR list too short");
  bridge->Engine().HandleLoco(6, 7);
  bridge->Engine().HandleLoco(6, 40);
  bridge->Engine().HandleLoco(7, 40);
  bridge->Startfeedback1Click();
  EXPECT_TRUE(server.Connection(0).Done());
  const auto count = [&](const std::string& Line) { return std::count(ui.Log.begin(), ui.Log.end(), Line); };
  EXPECT_EQ(count("Loco 40: the server has no bus 3"), 1);  // once per loco and bus
  EXPECT_EQ(count("Refused by the server: INIT 1 FB S88 LPT1 8: 419 ERROR list too short"), 1);
  EXPECT_TRUE(ui.Messages.empty());
}


// A server whose SRCP service takes V as the decoder's step, whatever V_max
// says, and reports that step of the decoder's steps: each loco runs at the
// step the application asked for, and the layout shows that step, whether
// the server told the loco's protocol (loco 12) or not (loco 7).
TEST_F(TBridgeTest, AServerThatTakesVAsTheDecoderStepDrivesAndReportsTheStepAskedFor) {
  TScriptedServer server;
  TTestBridgeUI ui;
  auto bridge = MakeBridgeOn(ui, server);
  bridge->Settings().NMRAGLSBus = 1;
  AddLoco(*bridge, 12, 1);  // Motorola, 14 steps
  AddLoco(*bridge, 7, 8);   // NMRA, 128 steps
  const std::string welcome = "Layoutserver 2.0r1; SRCP 0.8.4; SRCPOTHER 0.8.3";
  server.Connection(0).Handshake("COMMAND", 1, welcome);
  server.Connection(1).Handshake("INFO", 2, welcome).Send("2.000 100 INFO 1 DESCRIPTION GL");
  ASSERT_TRUE(ConnectUntilBus(*bridge, 1));

  server.Connection(0)
      .Expect("INIT 1 GL 12 M 2 14 5").Send("3.000 200 OK")
      .Expect("SET 1 GL 12 1 5 14 0 0 0 0 0").Send("3.010 200 OK")
      .Expect("SET 1 GL 12 1 5 14 0 0 0 0 0").Send("3.200 200 OK")
      .Expect("INIT 1 GL 7 N 1 128 5").Send("3.300 200 OK")
      .Expect("SET 1 GL 7 1 9 128 0 0 0 0 0").Send("3.310 200 OK")
      .Expect("SET 1 GL 7 1 9 128 0 0 0 0 0").Send("3.500 200 OK");
  bridge->Engine().HandleLoco(5, 12);
  bridge->Engine().HandleLoco(9, 7);
  ASSERT_TRUE(server.Connection(0).Done());
  server.Connection(1)
      .Send("3.000 101 INFO 1 GL 12 M 2 14 5")
      .Send("3.010 100 INFO 1 GL 12 1 5 14 0 0 0 0 0")
      .Send("3.310 100 INFO 1 GL 7 1 9 128 0 0 0 0 0");
  const auto locoLines = [&] {
    std::vector<std::string> lines;
    for (const std::string& line : LayoutStateLines(bridge->Layout(), bridge->PortName()))
      if (line.starts_with("loco ")) lines.push_back(line.substr(0, line.find(',')));
    return lines;
  };
  const std::vector<std::string> shown = {"loco bus 1 address 7: speed 9/128", "loco bus 1 address 12: speed 5/14"};
  EXPECT_TRUE(Loop.RunUntil([&] { return locoLines() == shown; }, WaitMs)) << ::testing::PrintToString(locoLines());
  EXPECT_TRUE(ui.Messages.empty());
}

}  // namespace
}  // namespace tenvarra::test
