#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Power.h"
#include "srcp/PowerGroup.h"

namespace tenvarra::test {
namespace {

class PowerContainer : public TClientTest {
protected:
  PowerContainer() {
    Client->OnBusInit = [this](TMoBaSRCPClient&, TMoBaSRCPBus& Bus) {
      Events.push_back("bus " + std::to_string(Bus.Bus()));
    };
    Client->OnBusPowerChange = [this](TMoBaSRCPClient& Sender, TMoBaSRCPBus& Bus) {
      EXPECT_EQ(&Sender, Client.get());
      // Inside the container's creation the bus does not hold it yet.
      const std::string state =
          Bus.Power() == nullptr ? " (new)" : Bus.Power()->PowerOn() ? " on" : " off";
      Events.push_back("power " + std::to_string(Bus.Bus()) + state);
    };
    Client->OnBusConfigChange = [this](TMoBaSRCPClient&, TMoBaSRCPBus& Bus) {
      Events.push_back("config " + std::to_string(Bus.Bus()));
    };
  }

  // Bus 1 with power, announced and asked for its state.
  void ConnectWithPowerBus(const std::string& Reply = "3.000 100 INFO 1 POWER OFF") {
    ConnectClient();
    Cmd().Expect("GET 1 POWER").Send(Reply);
    ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GA GL FB POWER"));
    ASSERT_TRUE(Cmd().Done());
    ASSERT_EQ(Client->BusCount(), 1);
    Events.clear();
  }

  TMoBaSRCPPower& Power() { return *Client->Buses(0).Power(); }

  std::vector<std::string> Events;
};

TEST_F(PowerContainer, ADescriptionWithPowerAsksForTheStateBeforeTheBusIsAnnounced) {
  ConnectClient();
  Cmd().Expect("GET 1 POWER").Send("3.000 100 INFO 1 POWER ON");
  ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GA GL FB POWER"));
  EXPECT_TRUE(Cmd().Done());

  EXPECT_EQ(Events, (std::vector<std::string>{"power 1 (new)", "bus 1"}));
  TMoBaSRCPBus& bus = Client->Buses(0);
  EXPECT_FALSE(bus.Empty());
  EXPECT_NE(bus.Accessoires(), nullptr);
  EXPECT_NE(bus.Locos(), nullptr);
  EXPECT_NE(bus.Feedbacks(), nullptr);
  ASSERT_NE(bus.Power(), nullptr);
  EXPECT_EQ(bus.Time(), nullptr);
  EXPECT_TRUE(bus.Power()->PowerOn());
  EXPECT_EQ(&bus.Power()->OwnerBus(), &bus);
}

TEST_F(PowerContainer, PowerLinesWithWordsAfterTheStateAreUnderstood) {
  ConnectWithPowerBus("3.000 100 INFO 1 POWER OFF AUTO POWER OFF");
  EXPECT_FALSE(Power().PowerOn());

  ASSERT_TRUE(Push("4.000 100 INFO 1 POWER ON "));
  EXPECT_TRUE(Power().PowerOn());
  ASSERT_TRUE(Push("4.100 100 INFO 1 POWER OFF AUTO POWER OFF"));
  EXPECT_FALSE(Power().PowerOn());
  ASSERT_TRUE(Push("4.200 100 INFO 1 POWER ON"));
  EXPECT_TRUE(Power().PowerOn());

  EXPECT_EQ(Events, (std::vector<std::string>{"power 1 on", "power 1 off", "power 1 on"}));
}

TEST_F(PowerContainer, ReportsOfAnotherBusAreNotTaken) {
  ConnectWithPowerBus();
  ASSERT_TRUE(Push("4.000 100 INFO 2 POWER ON"));
  EXPECT_FALSE(Power().PowerOn());
  EXPECT_TRUE(Events.empty());
}

TEST_F(PowerContainer, SetPowerSwitchesAndTellsWhetherTheServerTookIt) {
  ConnectWithPowerBus();
  Cmd().Expect("SET 1 POWER ON").Send("4.000 200 OK");
  EXPECT_TRUE(Power().SetPower(true));
  EXPECT_TRUE(Power().PowerOn());

  Cmd().Expect("SET 1 POWER OFF").Send("4.100 412 ERROR wrong value");
  EXPECT_FALSE(Power().SetPower(false));
  // The requested state stands until the server says otherwise.
  EXPECT_FALSE(Power().PowerOn());
  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Events.empty());
}

TEST_F(PowerContainer, QueryPowerTakesTheReplyAndFiresTheChange) {
  ConnectWithPowerBus();
  Cmd().Expect("GET 1 POWER").Send("4.000 100 INFO 1 POWER ON");
  Power().QueryPower();
  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Power().PowerOn());
  EXPECT_EQ(Events, std::vector<std::string>{"power 1 on"});
}

TEST_F(PowerContainer, AutoPowerOnSwitchesAnAnnouncedPowerOnWhenItIsOff) {
  ConnectWithPowerBus();
  Client->SetAutoPowerOn(true);
  Cmd().Expect("GET 1 POWER").Send("5.000 100 INFO 1 POWER OFF");
  Cmd().Expect("SET 1 POWER ON").Send("5.100 200 OK");

  ASSERT_TRUE(Push("4.000 101 INFO 1 POWER"));

  EXPECT_TRUE(Cmd().Done());
  EXPECT_TRUE(Power().PowerOn());
  EXPECT_EQ(Events, (std::vector<std::string>{"power 1 off", "config 1"}));
}

TEST_F(PowerContainer, AutoPowerOnOnlyAsksWhenThePowerIsAlreadyOn) {
  ConnectWithPowerBus();
  Client->SetAutoPowerOn(true);
  Cmd().Expect("GET 1 POWER").Send("5.000 100 INFO 1 POWER ON");

  ASSERT_TRUE(Push("4.000 101 INFO 1 POWER"));

  EXPECT_TRUE(Cmd().Done());
  EXPECT_EQ(Sent("SET 1 POWER ON"), 0);
  EXPECT_EQ(Events, (std::vector<std::string>{"power 1 on", "config 1"}));
}

TEST_F(PowerContainer, WithoutAutoPowerOnAnInitReportOnlyChangesTheConfiguration) {
  ConnectWithPowerBus();
  ASSERT_TRUE(Push("4.000 101 INFO 1 POWER"));
  ASSERT_TRUE(Push("4.100 102 INFO 1 POWER"));
  EXPECT_EQ(Events, (std::vector<std::string>{"config 1", "config 1"}));
  EXPECT_EQ(Sent("GET 1 POWER"), 1);  // only the container's first question
}

}  // namespace
}  // namespace tenvarra::test
