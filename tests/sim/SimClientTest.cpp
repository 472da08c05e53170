// The project's own railway client against the simulator: that both sides
// speak the same SRCP.

#include <functional>

#include "SimFixture.h"
#include "client/Accessoires.h"
#include "client/Bus.h"
#include "client/Client.h"
#include "client/Feedbacks.h"
#include "client/Locos.h"
#include "client/Power.h"
#include "client/SRCPFeedback.h"
#include "client/Time.h"
#include "common/TempDir.h"
#include "devices/Catalogue.h"
#include "devices/Profiles.h"
#include "platform/MainThreadQueue.h"

namespace tenvarra::test {
namespace {

class SimRailwayClient : public ::testing::TestWithParam<bool> {
protected:
  SimRailwayClient() {
    FillDefaultLocoProtocols(Catalogue);
    FillDefaultSolenoidProtocols(MoBaSolenoidProtocols());
    TSimOptions options;
    options.Port = 0;
    Server = std::make_unique<TSimServer>(options);
    Server->Start();
    Client.SetHost("127.0.0.1");
    Client.SetPort(Server->Port());
    Client.SetQueryServer(GetParam());
    Client.SetLogEnabled(true);
    // Every line either session received, to find error replies in.
    const auto keep = [this](TSRCPBaseClient&, const std::string& Text) {
      if (Text.rfind("Rec: ", 0) == 0) Received.push_back(Text.substr(5));
    };
    Client.SetOnCmdLog(keep);
    Client.SetOnInfoLog(keep);
    Client.OnFeedbackChange = [this](auto&, TMoBaSRCPFeedback& F) {
      Note("contact", F.Address(), F.IsActiv());
    };
    Client.OnLocoChange = [this](auto&, TMoBaSRCPLoco& L) { Note("loco", L.Address(), L.Speed()); };
    Client.OnAccessoireChange = [this](auto&, TMoBaSRCPSolenoid& S) {
      Note("accessory", S.Address(), S.PortValue(0));
    };
    Client.OnBusPowerChange = [this](auto&, TMoBaSRCPBus& B) {
      if (B.Power()) Note("power", B.Bus(), B.Power()->PowerOn());
    };
  }

  void Note(const char* What, int32_t Number, int32_t Value) {
    Events.push_back(What + (" " + std::to_string(Number)) + "=" + std::to_string(Value));
  }
  bool Serve(const std::function<bool()>& Done) {
    return Queue.ServeUntil(Done, TSimClient::WaitMs);
  }
  bool Saw(const std::string& Event) {
    return Serve([&] { return std::find(Events.begin(), Events.end(), Event) != Events.end(); });
  }

  TMainThreadQueue Queue;  // first: the sessions post to it until they are gone
  std::unique_ptr<TSimServer> Server;
  TTempDir ProfileDir;
  TMoBaProfiles Profiles{ProfileDir.Path()};
  TMoBaLocoProtocolList Catalogue{true, &Profiles};
  TMoBaSRCPClient Client{Queue, &Profiles};
  Strings Received, Events;
};

TEST_P(SimRailwayClient, SeesEveryBusWithItsContainersAndDrivesTheLayout) {
  Client.Connect();
  ASSERT_TRUE(Client.Connected());
  ASSERT_TRUE(Serve([&] { return Client.BusCount() == 9; })) << Client.BusCount();
  // Locos, accessories, feedback, power, time: which containers each bus has.
  const char* const expected[] = {"....T", "L..P.", "L..P.", "L..P.", "...P.",
                                  ".A.P.", ".A.P.", "...P.", "..FP."};
  for (int32_t i = 0; i < 9; ++i) {
    const TMoBaSRCPBus& bus = Client.Buses(i);
    EXPECT_EQ(bus.Bus(), i);
    const std::string containers = {bus.Locos() ? 'L' : '.', bus.Accessoires() ? 'A' : '.',
                                    bus.Feedbacks() ? 'F' : '.', bus.Power() ? 'P' : '.',
                                    bus.Time() ? 'T' : '.'};
    EXPECT_EQ(containers, expected[i]) << "bus " << i;
  }

  EXPECT_TRUE(Client.Buses(1).Power()->SetPower(true));
  EXPECT_TRUE(Saw("power 1=1"));

  TMoBaSRCPFeedbacks& feedbacks = *Client.Buses(8).Feedbacks();
  feedbacks.SetInitString("S88 LPT1 8");
  feedbacks.SetEnabled(true);
  EXPECT_TRUE(feedbacks.Enabled());
  Server->SetContact(17, 1);
  EXPECT_TRUE(Saw("contact 17=1"));

  TMoBaSRCPLocos& locos = *Client.Buses(1).Locos();
  locos.LocoClient().SetCatalogue(Catalogue);
  TMoBaAdvancedLoco loco;
  loco.SetProtocol(Catalogue.Items(1));  // Motorola 2
  loco.SetAddress(24);
  loco.SetSpeedStep(7);
  EXPECT_TRUE(locos.InitLoco(loco));
  EXPECT_TRUE(Saw("loco 24=" + std::to_string(loco.Speed())));

  TMoBaAdvancedSolenoid solenoid;
  solenoid.SetProtocol(MoBaSolenoidProtocols().Items(0));
  solenoid.SetAddress(12);
  solenoid.SetActivationTime(20);
  solenoid.SetPortValue(0, 1);
  EXPECT_TRUE(Client.Buses(5).Accessoires()->InitSolenoid(solenoid));
  EXPECT_TRUE(Saw("accessory 12=1"));
  EXPECT_TRUE(Saw("accessory 12=0"));  // the server's switch-off

  // The one error: with queries, the client asks for buses until one is not there.
  Strings errors;
  for (const std::string& line : Received)
    if (line.find(" ERROR ") != std::string::npos) errors.push_back(TSimClient::Body(line));
  EXPECT_EQ(errors, GetParam() ? Strings{"412 ERROR wrong value"} : Strings{});
  Client.Disconnect();
  EXPECT_EQ(Client.BusCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(BusesFromReportsOrQueries, SimRailwayClient, ::testing::Bool());

}  // namespace
}  // namespace tenvarra::test
