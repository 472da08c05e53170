// What a server must survive: clients that vanish mid-line, send endless
// lines, never read, or come a hundred at once. A taken port and a stop with
// clients connected are run through the program (SimProgramTest).

#include <algorithm>

#include "SimFixture.h"

namespace tenvarra::test {
namespace {

using SimRobustness = TSimTest;

TEST_F(SimRobustness, AClientLeavingInTheMiddleOfALineChangesNothing) {
  auto leaving = Connect("COMMAND");  // 3
  ASSERT_TRUE(leaving->SendRaw("SET 1 POWER ON\nSET 2 POWER O"));
  leaving.reset();
  const Strings expected = {"101 INFO 0 SESSION 3 COMMAND", "100 INFO 1 POWER ON",
                            "102 INFO 0 SESSION 3"};
  EXPECT_EQ(Info->ReadThrough(expected.back()), expected);
  EXPECT_EQ(Cmd->Ask("GET 2 POWER"), "100 INFO 2 POWER OFF");
  EXPECT_EQ(ReportsSoFar(*Info), Strings{});
}

TEST_F(SimRobustness, ALineOver64KiBIsRefusedAndItsClientDropped) {
  // The longest line taken: SET POWER ignores its text.
  const std::string longest = "SET 1 POWER ON " + std::string(64 * 1024 - 15, 'x');
  EXPECT_EQ(Cmd->Ask(longest), Ok);
  auto greedy = Connect("COMMAND");
  ASSERT_TRUE(greedy->Send(longest + "x"));
  EXPECT_EQ(greedy->Next(), TooLong);
  EXPECT_TRUE(greedy->WaitClosed());
  auto endless = Connect("COMMAND");  // a line end never comes
  endless->SendRaw(std::string(200 * 1024, 'x'));
  EXPECT_TRUE(endless->WaitClosed());
  EXPECT_EQ(Cmd->Ask("GET 1 POWER"), "100 INFO 1 POWER ON");
}

TEST(SimStalledClient, IsDroppedWhileTheOthersAreServed) {
  TSimOptions options;
  options.Port = 0;
  options.MaxOutputBytes = 64 * 1024;
  TSimServer server(options);
  server.Start();
  TSimClient cmd(server.Port()), reader(server.Port()), stalled(server.Port(), 4096);
  ASSERT_EQ(cmd.Handshake("COMMAND"), 1);
  ASSERT_EQ(reader.Handshake("INFO"), 2);
  ASSERT_EQ(stalled.Handshake("INFO"), 3);
  ASSERT_EQ(reader.ReadThrough("101 INFO 0 SESSION 3 INFO").back(), "101 INFO 0 SESSION 3 INFO");
  ASSERT_EQ(cmd.Ask("INIT 3 GL 300 N 2 128 255"), Ok);
  ASSERT_EQ(reader.Next(), "101 INFO 3 GL 300 N 2 128 255");
  std::string functions;
  for (int i = 0; i < 255; ++i) functions += i % 2 ? " 1" : " 0";
  const std::string set = "SET 3 GL 300 1 5 128" + functions;
  const std::string report = "100 INFO 3 GL 300 1 5 128" + functions;
  constexpr int Batch = 50;
  std::string batch;
  for (int i = 0; i < Batch; ++i) batch += set + "\n";
  // Each round owes the stalled client 26 KB more, until it is dropped and
  // its end announced; the reader and the command session are served in full.
  bool dropped = false;
  int rounds = 0;
  while (!dropped && rounds++ < 400) {
    ASSERT_TRUE(cmd.SendRaw(batch));
    for (int i = 0; i < Batch; ++i) ASSERT_EQ(cmd.Next(), Ok);
    for (int i = 0; i < Batch; ++i) {
      std::string line = reader.Next();
      if (line == "102 INFO 0 SESSION 3" && !dropped) {
        dropped = true;
        line = reader.Next();
      }
      ASSERT_EQ(line, report);
    }
  }
  EXPECT_TRUE(dropped) << rounds << " rounds";
  EXPECT_TRUE(stalled.WaitClosed());
  EXPECT_EQ(cmd.Ask("GET 8 POWER"), "100 INFO 8 POWER OFF");
}

// The snapshot grows with the layout; a new information session gets all of
// it, however far beyond the limit for a client that does not read.
TEST(SimLargeSnapshot, ReachesANewInformationSessionWhole) {
  TSimOptions options;
  options.Port = 0;
  options.MaxOutputBytes = 4096;
  TSimServer server(options);
  server.Start();
  TSimClient cmd(server.Port());
  ASSERT_EQ(cmd.Handshake("COMMAND"), 1);
  for (int address = 1; address <= 100; ++address)
    ASSERT_EQ(cmd.Ask("INIT 2 GL " + std::to_string(address) + " N 1 28 28"), Ok);
  TSimClient info(server.Port());
  ASSERT_EQ(info.Handshake("INFO"), 2);
  std::string stopped = "100 INFO 2 GL 100 1 0 28";
  for (int i = 0; i < 28; ++i) stopped += " 0";
  const Strings snapshot = info.ReadThrough("100 INFO 8 POWER OFF");
  // 9 descriptions, 8 power lines, two lines a loco: some 20 KB.
  EXPECT_EQ(snapshot.size(), 9u + 8u + 200u);
  EXPECT_EQ(std::count(snapshot.begin(), snapshot.end(), stopped), 1);
  // Later reports still count: the session is served as before.
  ASSERT_EQ(cmd.Ask("SET 2 POWER ON"), Ok);
  EXPECT_EQ(info.Next(), "100 INFO 2 POWER ON");
}

TEST(SimManyClients, AHundredAtOnceAreAllServed) {
  TSimOptions options;
  options.Port = 0;
  TSimServer server(options);
  server.Start();
  constexpr int Pairs = 50;
  std::vector<std::unique_ptr<TSimClient>> commands, infos;
  // Every handshake and command goes out before any reply is read.
  const std::string handshake = "SET PROTOCOL SRCP 0.8.2\nSET CONNECTIONMODE SRCP ";
  for (int i = 0; i < Pairs; ++i) {
    infos.push_back(std::make_unique<TSimClient>(server.Port()));
    commands.push_back(std::make_unique<TSimClient>(server.Port()));
    ASSERT_TRUE(infos[i]->SendRaw(handshake + "INFO\nGO\n"));
    ASSERT_TRUE(commands[i]->SendRaw(handshake + "COMMAND\nGO\nSET 8 FB " + std::to_string(i + 1) + " 1\n"));
  }
  // The welcome, the three handshake replies, and the SET's.
  for (auto& client : commands) EXPECT_EQ(client->ReadThrough(Ok).size(), 5u);
  // Each information session learns of all 50 contacts, in whatever order they came.
  for (auto& client : infos) {
    int contacts = 0;
    for (std::optional<std::string> line; contacts < Pairs && (line = client->ReadLine());)
      contacts += TSimClient::Body(*line).rfind("100 INFO 8 FB ", 0) == 0;
    EXPECT_EQ(contacts, Pairs);
  }
}

}  // namespace
}  // namespace tenvarra::test
