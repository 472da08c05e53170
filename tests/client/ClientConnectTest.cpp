#include <stdexcept>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Power.h"
#include "client/Time.h"

namespace tenvarra::test {
namespace {

class ClientConnect : public TClientTest {
protected:
  ClientConnect() {
    Client->OnConnected = [this](TMoBaSRCPClient& Sender) {
      Events.push_back("connected, buses " + std::to_string(Sender.BusCount()));
    };
    Client->OnBusInit = [this](TMoBaSRCPClient&, TMoBaSRCPBus& Bus) {
      Events.push_back("bus " + std::to_string(Bus.Bus()));
    };
  }

  std::vector<std::string> Events;
};

TEST_F(ClientConnect, BusesComeFromDescriptionReportsInTheOrderTheyArrive) {
  ConnectClient();
  EXPECT_EQ(Client->SessionID(), CmdSession);
  EXPECT_EQ(Client->InfoSessionID(), InfoSession);
  EXPECT_EQ(Client->Welcome(), "srcpd V2.1.3; SRCP 0.8.2");

  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM"));
  ASSERT_TRUE(Push("2.100 100 INFO 1 DESCRIPTION GL"));
  ASSERT_TRUE(Push("2.200 100 INFO 3 DESCRIPTION GL"));
  // Below the list's length: taken as known.
  ASSERT_TRUE(Push("2.300 100 INFO 2 DESCRIPTION GL"));
  ASSERT_TRUE(Push("2.400 100 INFO 1 DESCRIPTION GL"));

  EXPECT_EQ(Events,
            (std::vector<std::string>{"connected, buses 0", "bus 0", "bus 1", "bus 3"}));
  ASSERT_EQ(Client->BusCount(), 3);
  EXPECT_EQ(Client->Buses(0).Bus(), 0);
  EXPECT_EQ(Client->Buses(1).Bus(), 1);
  EXPECT_EQ(Client->Buses(2).Bus(), 3);
  EXPECT_EQ(Client->BusByNumber(3), &Client->Buses(2));
  EXPECT_EQ(Client->BusByNumber(2), nullptr);
  EXPECT_THROW(Client->Buses(3), std::out_of_range);
  EXPECT_THROW(Client->Buses(-1), std::out_of_range);
}

TEST_F(ClientConnect, AKnownBusNumberReportedAgainOutOfOrderMakesNoSecondBus) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.100 100 INFO 3 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.200 100 INFO 3 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.300 100 INFO 2 DESCRIPTION TIME"));

  EXPECT_EQ(Events, (std::vector<std::string>{"connected, buses 0", "bus 0", "bus 3", "bus 2"}));
  ASSERT_EQ(Client->BusCount(), 3);
  EXPECT_EQ(Client->BusByNumber(2), &Client->Buses(2));
}

}  // namespace
}  // namespace tenvarra::test
