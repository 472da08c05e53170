// The real program, headless, with an application on its COM link and the
// simulated layout in this process. loco.dat turns "Write log file" on, so
// the program's standard output shows every SRCP line it sends ("Command:
// Snd: ...") and every reply: what reached the server, in order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <signal.h>
#include <string>
#include <vector>

#include "app/TenvarraProcess.h"
#include "common/PtyStandIn.h"
#include "common/TempDir.h"
#include "sim/SimServer.h"

namespace tenvarra::test {
namespace {

// Settings with the server's port and the log file on; loco 12 (Motorola,
// 14 steps), the New Motorola locos of MoreLocos after it, and solenoid 7
// (Motorola) known.
std::string StoreFile(int Port, bool LearningMode = false, const Strings& MoreLocos = {}) {
  Strings lines = {"localhost", std::to_string(Port), "200", "1", LearningMode ? "1" : "0", "1", "1", "2", "3",
                   "5", "6", "8", "1", std::to_string(1 + MoreLocos.size())};
  Strings addresses = {"12"};
  addresses.insert(addresses.end(), MoreLocos.begin(), MoreLocos.end());
  for (const std::string& address : addresses)
    lines.insert(lines.end(), {address, "4", "2", "14", "0", "5", "80", "New Motorola (M2)"});
  lines.insert(lines.end(), {"1", "7", "0", "8"});
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class TEndToEndTest : public ::testing::Test {
protected:
  TEndToEndTest() {
    TSimOptions options;
    options.Port = 0;
    Sim = std::make_unique<TSimServer>(options);
    Sim->Start();
    Data.Write("loco.dat", StoreFile(Sim->Port()));
  }

  Strings Arguments(const Strings& More) const {
    Strings args = {"--headless", "--data-dir", Data.Path(), "--port-dir", Ports.Path()};
    args.insert(args.end(), More.begin(), More.end());
    return args;
  }

  // How often Line (or a line it matches, see Matches) is among Lines.
  static long Count(const Strings& Lines, const std::string& Line) {
    return std::count_if(Lines.begin(), Lines.end(),
                         [&](const std::string& L) { return TTenvarraProcess::Matches(L, Line); });
  }

  std::unique_ptr<TSimServer> Sim;
  TTempDir Data;
  TTempDir Ports;
};

TEST_F(TEndToEndTest, SerialCommandsReachTheLayoutAndTheCloseQueryGuardsTheExit) {
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect", "--learn-loco", "6", "--log"}));
  ASSERT_TRUE(program.WaitErr("status: 0 Providing COM1"));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  ASSERT_TRUE(program.WaitErr("menu: Connect to Server disabled"));
  // The power timer, 3 s after the connect.
  ASSERT_TRUE(program.WaitErr("menu: Power on checked"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 POWER ON"));

  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());
  ASSERT_TRUE(program.WaitErr("status: 1 connected"));

  // A loco the server does not know yet: INIT, SET, and SET again after the
  // wait (only a SET once the server has reported it: BridgeTest).
  ASSERT_TRUE(app.Write({21, 12}));
  for (const char* line : {"Handling Loco with address: 12", "Function of Loco 12 set to 1",
                           "Command: Snd: INIT 1 GL 12 M 2 14 5", "Command: Snd: SET 1 GL 12 1 5 14 1 0 0 0 0",
                           "Command: Snd: SET 1 GL 12 1 5 14 1 0 0 0 0"})
    ASSERT_TRUE(program.WaitOut(line)) << line;

  // An unknown loco is learned as N1a (NMRA, short address) and goes to bus 2.
  ASSERT_TRUE(app.Write({5, 7}));
  ASSERT_TRUE(program.WaitErr("learn: loco 7 protocol 6"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 2 GL 7 *"));

  // Solenoid 7: port 0 on with the activation time, then off again.
  ASSERT_TRUE(app.Write({33, 7}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 5 GA 7 M"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 5 GA 7 0 1 200"));
  ASSERT_TRUE(app.Write({32, 7}));
  ASSERT_TRUE(program.WaitOut("Handling solenoid off command."));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 5 GA 7 0 0 200"));

  // Feedback: contacts set on the layout are read back by the application.
  program.Command("feedback start");
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 8 FB S88 LPT1 8"));
  ASSERT_TRUE(Sim->SetContact(1, 1));
  ASSERT_TRUE(Sim->SetContact(16, 1));
  ASSERT_TRUE(Sim->SetContact(17, 1));
  ASSERT_TRUE(program.WaitOut("Feedback change detected: Address: 17 Value: 1"));
  ASSERT_TRUE(app.Write({193}));
  EXPECT_EQ(program.ReadPort(app.Fd(), 2), (std::vector<uint8_t>{128, 1}));
  ASSERT_TRUE(app.Write({130}));
  EXPECT_EQ(program.ReadPort(app.Fd(), 4), (std::vector<uint8_t>{128, 1, 128, 0}));

  // What the bridge now knows of the layout, as the state command prints it.
  program.Command("state");
  ASSERT_TRUE(program.WaitOut("feedback: *"));
  const Strings& out = program.Out();
  const auto first = std::find(out.rbegin(), out.rend(), "port: COM1 held by the application");
  ASSERT_NE(first, out.rend());
  EXPECT_EQ(Strings(first.base() - 1, out.end()),
            (Strings{"port: COM1 held by the application", "server: connected",
                     "power: bus 1 on, bus 2 off, bus 3 off, bus 4 off, bus 5 off, bus 6 off, bus 7 off, bus 8 off",
                     "loco bus 2 address 7: speed 5/14, Forward, light off, functions -, protocol Extended NMRA 1 (N1a)",
                     "loco bus 1 address 12: speed 5/14, Forward, light on, functions -, protocol New Motorola (M2)",
                     "solenoid bus 5 address 7: port 0 off", "feedback: 1:1 1:16 2:1"}));

  // Exit saves loco.dat, then the close query refuses twice.
  program.Command("exit");
  ASSERT_TRUE(program.WaitErr("message: Please, disconnect from Server!"));
  ASSERT_TRUE(program.WaitErr("message: Please, close RS232 connection!"));
  const std::string saved = Data.Read("loco.dat");
  // Two locos now, the learned one NMRA (5) with a short address (1).
  EXPECT_NE(saved.find("\r\n2\r\n12\r\n4\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\n7\r\n5\r\n1\r\n"), std::string::npos) << saved;

  program.Command("disconnect");
  ASSERT_TRUE(program.WaitErr("status: 2 "));
  app.Close();
  ASSERT_TRUE(program.WaitErr("status: 1 not connected"));
  program.Command("exit");
  EXPECT_EQ(program.WaitExit(), 0);  // what the log file holds: BridgeTest
}

// A host that writes every byte on its own, as real 605x host drivers do,
// and ends an activation with 32 alone; and power after every connect.
TEST_F(TEndToEndTest, APacedHostsCommandsArePairedAcrossReadsAndPowerComesOnAfterEveryConnect) {
  using std::chrono::milliseconds;
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect", "--log"}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 POWER ON"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());

  ASSERT_TRUE(app.WritePaced({5, 12}, milliseconds(2)));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 12 M 2 14 5"));
  ASSERT_TRUE(app.WritePaced({33, 7}, milliseconds(40)));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 5 GA 7 0 1 200"));
  ASSERT_TRUE(program.WaitOut("Command: Rec: *"));
  ASSERT_TRUE(app.Write({32}));
  ASSERT_TRUE(program.WaitOut("Handling solenoid off command."));
  ASSERT_TRUE(app.Write({130}));  // the host's next poll
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 5 GA 7 0 0 200"));
  EXPECT_EQ(program.ReadPort(app.Fd(), 4).size(), 4u);

  // A stray byte waits out the window alone; the next command is whole.
  ASSERT_TRUE(app.Write({40}));
  ASSERT_TRUE(program.WaitOut("Dropped lone byte 40"));
  ASSERT_TRUE(app.WritePaced({6, 12}, milliseconds(2)));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 GL 12 1 6 14 0 0 0 0 0"));

  program.Command("disconnect");
  ASSERT_TRUE(program.WaitErr("status: 2 "));
  program.Command("connect");
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 POWER ON"));
  EXPECT_EQ(Count(program.Out(), "Command: Snd: SET 1 POWER OFF"), 0);
  EXPECT_EQ(program.Terminate(), 0);
}

// Hosts under Wine and per-byte drivers write every byte with its own
// write(), the second byte of a command a few microseconds after the first.
// The second byte here comes just after the bridge has taken the first (its
// trace line shows when), when it is most likely to reach the port between
// two looks of the bridge at it.
TEST_F(TEndToEndTest, BytesWrittenOneByOneMicrosecondsApartDriveTheLocoTheyNameAndLearnNothing) {
  using std::chrono::microseconds;
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect", "--learn-loco", "0", "--log"}));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());
  ASSERT_TRUE(app.Write({1, 12}));  // the server knows loco 12 from now on: one SET per command
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 12 *"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 GL 12 *"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 GL 12 *"));
  ASSERT_TRUE(program.WaitOut("Command: Rec: *"));
  const std::size_t before = program.Out().size();

  // Speed 5 or 6, light off or on; each command differs from the one before,
  // so that every one is sent. Any of them read as an address is a loco.
  const uint8_t commands[] = {5, 6, 21, 22};
  std::mt19937 random(12);
  Strings expected;
  for (int i = 0, command = 0; i < 300; ++i) {
    command = (command + std::uniform_int_distribution(1, 3)(random)) % 4;
    SpinFor(microseconds(std::uniform_int_distribution(0, 1000)(random)));
    ASSERT_TRUE(app.Write({commands[command]}));
    // A bridge out of step takes it as a second byte, and no such line comes.
    program.SpinOut("Handling first byte " + std::to_string(commands[command]), microseconds(2000));
    SpinFor(microseconds(std::uniform_int_distribution(0, 40)(random)));
    ASSERT_TRUE(app.Write({12}));
    expected.push_back(std::string("SET 1 GL 12 1 ") + (command % 2 ? "6" : "5") + " 14 " + (command / 2 ? "1" : "0") +
                       " 0 0 0 0");
  }
  ASSERT_TRUE(app.Write({193}));  // answered once every command before it is done
  EXPECT_EQ(program.ReadPort(app.Fd(), 2).size(), 2u);

  Strings sent;
  for (auto line = program.Out().begin() + before; line != program.Out().end(); ++line)
    if (line->rfind("Command: Snd: ", 0) == 0) sent.push_back(line->substr(14));
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(Count(program.Err(), "learn: *"), 0);
  EXPECT_EQ(program.Terminate(), 0);
}

TEST_F(TEndToEndTest, AServerThatGoesAwayLeavesTheBridgeRunningAndReadyToConnect) {
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect"}));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());

  Sim->Stop();
  ASSERT_TRUE(program.WaitErr("status: 2 "));
  ASSERT_TRUE(program.WaitErr("menu: Connect to Server enabled"));
  program.SkipOut();

  // Commands go on: nothing is sent, a power command is told it cannot be.
  ASSERT_TRUE(app.Write({5, 12, 96}));
  ASSERT_TRUE(program.WaitErr("message: not connected to server"));
  EXPECT_EQ(Count(program.OutSinceMatch(), "Command: Snd: SET *"), 0);
  EXPECT_EQ(Count(program.OutSinceMatch(), "Command: Snd: INIT *"), 0);
  // A connect nobody answers is MainFormTest's.
  ASSERT_TRUE(app.Write({193}));
  EXPECT_EQ(program.ReadPort(app.Fd(), 2).size(), 2u);

  // A signal ends the program without the close query and without saving.
  const std::string before = Data.Read("loco.dat");
  EXPECT_EQ(program.Terminate(), 0);
  EXPECT_EQ(Data.Read("loco.dat"), before);
}

TEST_F(TEndToEndTest, ABurstOfLocoCommandsReachesTheServerWholeAndInOrder) {
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect"}));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());
  // Make the loco known to the server first.
  ASSERT_TRUE(app.Write({1, 12}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 12 *"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 GL 12 *"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 GL 12 *"));
  ASSERT_TRUE(program.WaitOut("Command: Rec: *"));
  program.SkipOut();

  constexpr int Commands = 1000;
  std::vector<uint8_t> burst;
  for (int i = 0; i < Commands; ++i) burst.insert(burst.end(), {static_cast<uint8_t>(i % 14 + 1), 12});
  ASSERT_TRUE(app.Write(burst));
  ASSERT_TRUE(app.Write({193}));  // the end marker: answered after every loco command
  ASSERT_EQ(program.ReadPort(app.Fd(), 2).size(), 2u);

  Strings sent;
  long accepted = 0;
  for (const std::string& line : program.OutSinceMatch()) {
    if (line.rfind("Command: Snd: ", 0) == 0) sent.push_back(line.substr(14));
    if (line.rfind("Command: Rec: ", 0) == 0 && line.ends_with(" 200 OK")) ++accepted;
  }
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(Commands));
  EXPECT_EQ(accepted, Commands);
  // Speed steps 1 to 14 over and over: the first fourteen lines are SETs
  // with rising speeds, and every later line repeats the one 14 before it.
  auto speed = [&](int i) { return std::stoi(sent[i].substr(std::string("SET 1 GL 12 1 ").size())); };
  for (int i = 0; i < Commands; ++i) {
    ASSERT_EQ(sent[i].rfind("SET 1 GL 12 1 ", 0), 0u) << i << ": " << sent[i];
    if (i > 0 && i < 14) {
      ASSERT_GT(speed(i), speed(i - 1)) << i;
    } else if (i >= 14) {
      ASSERT_EQ(sent[i], sent[i - 14]) << i;
    }
  }
  EXPECT_EQ(program.Terminate(), 0);
}

TEST_F(TEndToEndTest, ALocoWithoutFunctionsIsDrivenOnTheSimulatedLayout) {
  // Protocol 5: NMRA with 14 steps and no functions at all.
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect", "--learn-loco", "5"}));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());
  ASSERT_TRUE(app.Write({5, 75}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 2 GL 75 N 1 14 0"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 2 GL 75 1 5 14"));
  program.Command("state");
  ASSERT_TRUE(program.WaitOut("loco bus 2 address 75: speed 5/14, Forward, light off, functions -*"));
  // Both lines were taken: no refusal, no second INIT.
  EXPECT_EQ(std::count_if(program.Out().begin(), program.Out().end(),
                          [](const std::string& L) { return L.find(" ERROR ") != std::string::npos; }),
            0);
  EXPECT_EQ(Count(program.Out(), "Command: Snd: INIT 2 GL 75 *"), 1);
  EXPECT_EQ(program.Terminate(), 0);
}

TEST_F(TEndToEndTest, PortsOutOfRangeAreNamedLongLinesRefusedAndAHangUpEndsTheProgram) {
  Data.Write("loco.dat", StoreFile(99999));
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect"}));
  ASSERT_TRUE(program.WaitErr("message: cannot listen on 127.0.0.1:99999: port 99999 is not a TCP port"));
  ASSERT_TRUE(program.WaitErr("message: cannot connect to 127.0.0.1: port 99999 is not a TCP port"));
  // A line over the limit is refused whole: its tail does not run as "exit".
  program.Write(std::string(3000, ' ') + "exit\n");
  program.Command("state");
  ASSERT_TRUE(program.WaitOut("port: COM1 *"));
  EXPECT_EQ(Count(program.Err(), "line too long: refused *"), 1);
  // A hang-up ends it as SIGTERM does, the link with it.
  ASSERT_TRUE(std::filesystem::is_symlink(Ports.File("COM1")));
  EXPECT_EQ(program.Terminate(SIGHUP), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(Ports.File("COM1")));
}

TEST_F(TEndToEndTest, AMissingDataDirectoryIsMadeSharingItIsToldAndALastLineWithoutLineEndRuns) {
  namespace fs = std::filesystem;
  const std::string dir = Data.File("new/data");
  const Strings arguments = {"--headless", "--data-dir", dir, "--port-dir", Ports.Path()};
  TTenvarraProcess first(TENVARRA_PROGRAM, arguments);
  ASSERT_TRUE(first.WaitErr("status: 0 Providing COM1"));
  EXPECT_EQ(fs::status(dir).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(Data.File("new")).permissions(), fs::perms::owner_all);

  // Port 0 from the file: the simulated layout listens on a port of the
  // system's choice, and the bridge connects to that one.
  Data.Write("new/data/loco.dat", StoreFile(0));
  Strings more = arguments;
  more.insert(more.end(), {"--simulate", "--connect"});
  TTenvarraProcess second(TENVARRA_PROGRAM, more);
  ASSERT_TRUE(second.WaitOut("loco.dat is shared with another running instance; the last one to save wins"));
  ASSERT_TRUE(second.WaitErr("status: 2 Conncected to Server"));
  second.Command("disconnect");
  ASSERT_TRUE(second.WaitErr("menu: Connect to Server enabled"));
  for (TTenvarraProcess* program : {&second, &first}) {
    program->Write("exit");
    program->CloseInput();
    EXPECT_EQ(program->WaitExit(), 0);
  }
  EXPECT_EQ(Count(first.Out(), "loco.dat is shared *"), 0);
  EXPECT_EQ(Data.Read("new/data/loco.dat").rfind("localhost\r\n12345\r\n", 0), 0u);

  // A directory that cannot be made: the program does not start.
  TTenvarraProcess refused(TENVARRA_PROGRAM, {"--headless", "--data-dir", Data.File("new/data/loco.dat/x")});
  EXPECT_EQ(refused.WaitExit(), 1);
  EXPECT_EQ(Count(refused.Err(), "message: cannot make the data directory " + Data.File("new/data/loco.dat/x") +
                                     ": Not a directory"), 1);
}

// Whatever the person answers to a learning question is saved at once, so a
// service stop (SIGTERM, which saves nothing of its own) loses none of it.
TEST_F(TEndToEndTest, DevicesLearnedFromTheApplicationOutliveAStopBySignal) {
  Data.Write("loco.dat", StoreFile(Sim->Port(), true));
  TTenvarraProcess learner(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect", "--learn-loco", "1",
                                                        "--learn-solenoid", "1"}));
  ASSERT_TRUE(learner.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());
  ASSERT_TRUE(app.Write({5, 40}));
  ASSERT_TRUE(learner.WaitErr("learn: loco 40 protocol 1"));
  ASSERT_TRUE(learner.WaitOut("Command: Snd: INIT 1 GL 40 M 2 14 5"));
  ASSERT_TRUE(app.Write({33, 9}));
  ASSERT_TRUE(learner.WaitErr("learn: solenoid 9 protocol 1"));
  ASSERT_TRUE(learner.WaitOut("Command: Snd: SET 6 GA 9 0 1 200"));
  EXPECT_EQ(learner.Terminate(), 0);
  EXPECT_EQ(Count(learner.Err(), "message: *"), 0);

  TTenvarraProcess next(TENVARRA_PROGRAM, Arguments({}));
  ASSERT_TRUE(next.WaitOut("Providing COM1"));
  for (const char* command : {"locos", "solenoids", "exit"}) next.Command(command);
  EXPECT_EQ(next.WaitExit(), 0);
  EXPECT_EQ(next.OutSinceMatch(),
            (Strings{"12 New Motorola (M2)", "40 New Motorola (M2)", "7 Motorola Solenoid", "9 NMRA Accessory"}));
}

// A directory standing where loco.dat is renamed to stops every save, root's
// too: the failure is said once, learning and driving go on, and the next
// save that can be made takes every learned device along, nothing else lost.
TEST_F(TEndToEndTest, AStoreFileThatCannotBeReplacedIsToldOnceAndLearningGoesOn) {
  namespace fs = std::filesystem;
  TTenvarraProcess program(TENVARRA_PROGRAM, Arguments({"--simulate", "--connect", "--learn-loco", "1"}));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());
  const std::string file = Data.File("loco.dat");
  ASSERT_TRUE(fs::remove(file) && fs::create_directory(file));

  ASSERT_TRUE(app.Write({5, 40}));
  ASSERT_TRUE(program.WaitErr("message: " + file + " was not saved: " + file + ": Is a directory"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 40 M 2 14 5"));
  ASSERT_TRUE(app.Write({5, 41}));
  ASSERT_TRUE(program.WaitErr("learn: loco 41 protocol 1"));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 41 M 2 14 5"));

  ASSERT_TRUE(fs::remove(file));
  ASSERT_TRUE(app.Write({5, 42}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 42 M 2 14 5"));
  EXPECT_EQ(program.Terminate(), 0);
  EXPECT_EQ(Count(program.Err(), "message: *"), 1);
  // The file as it was, with the three learned locos after loco 12.
  EXPECT_EQ(Data.Read("loco.dat"), StoreFile(Sim->Port(), false, {"40", "41", "42"}));
}

// A layout computer's service: the server given on the command line, a
// server that goes away and comes back, and commands from other programs
// through the instance's command socket.
TEST_F(TEndToEndTest, WithReconnectTheBridgeFollowsTheServerBackAndOtherProgramsCommandIt) {
  const int port = Sim->Port();
  Data.Write("loco.dat", StoreFile(1));  // nothing answers there: --server decides
  TTenvarraProcess program(TENVARRA_PROGRAM,
                           Arguments({"--server", "127.0.0.1:" + std::to_string(port), "--connect", "--reconnect"}));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  TComClient app(Ports.File("COM1"));
  ASSERT_TRUE(app.Opened());

  TTenvarraProcess state(TENVARRA_PROGRAM, {"--command", "state", "--port-dir", Ports.Path()});
  EXPECT_EQ(state.WaitExit(), 0);
  EXPECT_EQ(Count(state.Out(), "server: connected"), 1);
  TTenvarraProcess refused(TENVARRA_PROGRAM, {"--command", "frob", "--port-dir", Ports.Path(), "--port", "COM1"});
  EXPECT_EQ(refused.WaitExit(), 1);
  EXPECT_EQ(Count(refused.Err(), "unknown command: frob *"), 1);
  // Set up without a window: a bad value changes nothing, a good one is saved.
  const auto command = [&](const std::string& Text) {
    auto sent = std::make_unique<TTenvarraProcess>(TENVARRA_PROGRAM, Strings{"--command", Text, "--port-dir", Ports.Path()});
    sent->WaitExit();
    return sent;
  };
  EXPECT_EQ(command("set port 70000")->Err(), Strings{"Port: 70000 is not within 1 .. 65535"});
  EXPECT_EQ(Data.Read("loco.dat").rfind("localhost\r\n1\r\n", 0), 0u);
  EXPECT_EQ(command("set port 12346")->WaitExit(), 0);
  EXPECT_EQ(Data.Read("loco.dat").rfind("localhost\r\n12346\r\n", 0), 0u);
  EXPECT_EQ(command("loco add 30 N1a")->WaitExit(), 0);
  EXPECT_EQ(command("loco delete 12")->WaitExit(), 0);
  EXPECT_EQ(command("locos")->Out(), Strings{"30 Extended NMRA 1 (N1a)"});

  Sim->Stop();
  ASSERT_TRUE(program.WaitOut("Connection to server lost: *"));
  ASSERT_TRUE(app.Write({5, 30}));  // no server: dropped, and counted
  ASSERT_TRUE(program.WaitOut("Not connected to the server: 1 serial command(s) dropped"));
  TSimOptions options;
  options.Port = port;
  Sim = std::make_unique<TSimServer>(options);
  Sim->Start();
  ASSERT_TRUE(program.WaitOut("Connection to server is back"));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  ASSERT_TRUE(app.Write({5, 30}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 2 GL 30 N 1 14 5"));
  EXPECT_EQ(program.Terminate(), 0);
}

// The window, on the offscreen platform: SIGTERM ends the program at once,
// without the close query that would refuse while it is connected.
TEST_F(TEndToEndTest, TheWindowEndsOnSigtermWhileConnected) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  TTenvarraProcess program(TENVARRA_PROGRAM, {"--data-dir", Data.Path(), "--port-dir", Ports.Path(),
                            "--simulate=" + std::to_string(Sim->Port()), "--connect"});
  ::unsetenv("QT_QPA_PLATFORM");
  // Printed after start-up; the connect follows before the loop runs.
  ASSERT_TRUE(program.WaitErr("simulate: a server already answers on *"));
  EXPECT_EQ(program.Terminate(), 0);
}

// An old PC on a null-modem cable: the bridge on a serial device (a pty
// standing in, the test at the cable's far end) behind a by-id style link.
TEST_F(TEndToEndTest, OnASerialDeviceTheBridgeServesTheCableAndFindsTheDeviceAgainAfterAnUnplug) {
  TPtyStandIn device(Ports.File("by-id-ttyUSB0"));
  TTenvarraProcess program(TENVARRA_PROGRAM,
                           Arguments({"--serial", device.Link(), "--simulate", "--connect", "--learn-loco", "6", "--log"}));
  ASSERT_TRUE(program.WaitErr("status: 0 Using serial port " + device.Link()));
  ASSERT_TRUE(program.WaitErr("status: 1 connected"));
  ASSERT_TRUE(program.WaitErr("status: 2 Conncected to Server"));
  const std::string noLines = device.Link() + " has no modem lines: *";
  ASSERT_TRUE(program.WaitOut(noLines));
  ASSERT_TRUE(program.WaitOut("Command: Snd: SET 1 POWER ON"));

  ASSERT_TRUE(device.Write({21, 12}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 1 GL 12 M 2 14 5"));
  program.Command("feedback start");
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 8 FB S88 LPT1 8"));
  ASSERT_TRUE(Sim->SetContact(16, 1));
  ASSERT_TRUE(program.WaitOut("Feedback change detected: Address: 16 Value: 1"));
  ASSERT_TRUE(device.Write({193}));
  EXPECT_EQ(program.ReadPort(device.Master(), 2), (std::vector<uint8_t>{0, 1}));
  // A second instance on the same device is refused.
  TTenvarraProcess second(TENVARRA_PROGRAM, {"--headless", "--data-dir", Data.Path(), "--port-dir", Ports.Path(),
                                             "--serial", device.Link()});
  EXPECT_EQ(second.WaitExit(), 1);
  EXPECT_EQ(Count(second.Err(), "message: No serial port: " + device.Link() + ": in use by another program"), 1);

  // Unplugged: the bridge stays, connected and commanded through its socket.
  const std::string before = Data.Read("loco.dat");
  device.Unplug();
  ASSERT_TRUE(program.WaitOut("Serial port " + device.Link() + " is gone (hang-up); *"));
  ASSERT_TRUE(program.WaitErr("status: 1 not connected"));
  const auto state = [&] {
    TTenvarraProcess asked(TENVARRA_PROGRAM, {"--command", "state", "--port-dir", Ports.Path(), "--port", "by-id-ttyUSB0"});
    EXPECT_EQ(asked.WaitExit(), 0);
    return asked.Out();
  };
  const Strings gone = state();
  EXPECT_EQ(Count(gone, "port: by-id-ttyUSB0 not held"), 1);
  EXPECT_EQ(Count(gone, "server: connected"), 1);

  // Plugged in again: another device behind the same link.
  device.Plug();
  ASSERT_TRUE(program.WaitOut("Serial port " + device.Link() + " is back"));
  ASSERT_TRUE(program.WaitErr("status: 1 connected"));
  EXPECT_EQ(Data.Read("loco.dat"), before);
  ASSERT_TRUE(device.Write({5, 7}));
  ASSERT_TRUE(program.WaitOut("Command: Snd: INIT 2 GL 7 *"));
  ASSERT_TRUE(device.Write({193}));
  EXPECT_EQ(program.ReadPort(device.Master(), 2), (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(Count(state(), "port: by-id-ttyUSB0 held by the application"), 1);
  EXPECT_EQ(Count(program.Out(), noLines), 1);

  EXPECT_EQ(program.Terminate(), 0);
  // A device that is not there refuses the start.
  TTenvarraProcess missing(TENVARRA_PROGRAM, Arguments({"--serial", Ports.File("ttyUSB9")}));
  EXPECT_EQ(missing.WaitExit(), 1);
  EXPECT_EQ(Count(missing.Err(), "message: No serial port: " + Ports.File("ttyUSB9") + ": No such file or directory"), 1);
}

// The window on a serial device: the cable's feedback read is answered.
TEST_F(TEndToEndTest, TheWindowRunsOnASerialDevice) {
  TPtyStandIn device(Ports.File("ttyS0"));
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  TTenvarraProcess program(TENVARRA_PROGRAM, {"--data-dir", Data.Path(), "--port-dir", Ports.Path(), "--serial",
                                              device.Link(), "--simulate=" + std::to_string(Sim->Port())});
  ::unsetenv("QT_QPA_PLATFORM");
  // Printed once the port is open.
  ASSERT_TRUE(program.WaitErr("simulate: a server already answers on *"));
  ASSERT_TRUE(device.Write({193}));
  EXPECT_EQ(program.ReadPort(device.Master(), 2), (std::vector<uint8_t>{0, 0}));
  TTenvarraProcess state(TENVARRA_PROGRAM, {"--command", "state", "--port-dir", Ports.Path(), "--port", "ttyS0"});
  EXPECT_EQ(state.WaitExit(), 0);
  EXPECT_EQ(Count(state.Out(), "port: ttyS0 held by the application"), 1);
  EXPECT_EQ(program.Terminate(), 0);
}

TEST(TenvarraOptions, HelpVersionAndBadOptions) {
  const struct {
    Strings Arguments;
    int Status;
    std::string FirstLine;  // of standard output (status 0) or standard error
  } cases[] = {
      {{"--help"}, 0, "Usage: tenvarra [options]"},
      {{"--version"}, 0, "Tenvarra Version 0.40"},
      {{"--frobnicate"}, 2, "tenvarra: unknown option \"--frobnicate\""},
      {{"--learn-loco", "11"}, 2, "tenvarra: --learn-loco takes a protocol from 0 to 10, not \"11\""},
      {{"--learn-solenoid"}, 2, "tenvarra: --learn-solenoid needs a value"},
      {{"--simulate=0"}, 2, "tenvarra: --simulate takes a TCP port from 1 to 65535, not \"0\""},
      {{"--reply-timeout", "-1"}, 2, "tenvarra: --reply-timeout takes seconds above 0 and up to 3600, not \"-1\""},
      {{"--headless=yes"}, 2, "tenvarra: --headless takes no value"},
      {{"--server", "host:0"}, 2, "tenvarra: --server takes HOST[:PORT] with a port from 1 to 65535, not \"host:0\""},
      {{"--command", "state", "--port-dir", "/nonexistent"}, 1, "tenvarra: no running instance has a port in /nonexistent"},
      {{"--port", "../COM1"}, 2,
       "tenvarra: --port takes a port name COM1 to COM999 or a serial device's file name, not \"../COM1\""},
  };
  for (const auto& c : cases) {
    TTenvarraProcess program(TENVARRA_PROGRAM, c.Arguments);
    EXPECT_EQ(program.WaitExit(), c.Status) << c.Arguments[0];
    const Strings& lines = c.Status == 0 ? program.Out() : program.Err();
    ASSERT_FALSE(lines.empty()) << c.Arguments[0];
    EXPECT_EQ(lines.front(), c.FirstLine);
  }
}

}  // namespace
}  // namespace tenvarra::test
