#include <sstream>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Accessoires.h"
#include "client/Feedbacks.h"
#include "client/Locos.h"
#include "client/Power.h"
#include "client/Time.h"
#include "platform/IniFile.h"
#include "srcp/TimeGroup.h"

namespace tenvarra::test {
namespace {

class BusContainers : public TClientTest {
protected:
  // The lines sent after the handshake.
  std::vector<std::string> CommandsSent() const {
    std::vector<std::string> sent;
    for (const std::string& line : CmdLog) {
      if (line.rfind("Snd: ", 0) == 0) sent.push_back(line.substr(5));
    }
    sent.erase(sent.begin(), sent.begin() + 3);  // SET PROTOCOL, SET CONNECTIONMODE, GO
    return sent;
  }
};

TEST_F(BusContainers, ABusOfSessionServerAndTimeGetsOnlyATimeContainer) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM"));
  ASSERT_EQ(Client->BusCount(), 1);
  TMoBaSRCPBus& bus = Client->Buses(0);
  EXPECT_FALSE(bus.Empty());
  ASSERT_NE(bus.Time(), nullptr);
  EXPECT_EQ(bus.Power(), nullptr);
  EXPECT_EQ(bus.Locos(), nullptr);
  EXPECT_EQ(bus.Accessoires(), nullptr);
  EXPECT_EQ(bus.Feedbacks(), nullptr);
  EXPECT_EQ(bus.SettingsSection(), "Bus0Info");
  EXPECT_EQ(&bus.Client(), Client.get());
  EXPECT_TRUE(CommandsSent().empty());
}

TEST_F(BusContainers, GroupsWithoutAContainerStillMakeTheBusNonEmpty) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 4 DESCRIPTION SESSION SERVER SM"));
  ASSERT_EQ(Client->BusCount(), 1);
  TMoBaSRCPBus& bus = Client->Buses(0);
  EXPECT_EQ(bus.Bus(), 4);
  EXPECT_FALSE(bus.Empty());
  EXPECT_EQ(bus.Time(), nullptr);
  EXPECT_EQ(bus.Power(), nullptr);
  EXPECT_EQ(bus.SettingsSection(), "Bus4Info");
}

TEST_F(BusContainers, AGroupListedTwiceGetsOneContainer) {
  ConnectClient();
  Cmd().Expect("GET 1 POWER").Send("3.000 100 INFO 1 POWER ON");
  int changes = 0;
  Client->OnBusPowerChange = [&](TMoBaSRCPClient&, TMoBaSRCPBus&) { ++changes; };
  ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION POWER POWER"));
  EXPECT_TRUE(Cmd().Done());
  EXPECT_EQ(CommandsSent(), std::vector<std::string>{"GET 1 POWER"});
  ASSERT_TRUE(Push("4.000 100 INFO 1 POWER OFF"));
  EXPECT_EQ(changes, 2);  // the GET's reply and the report, once each
}

TEST_F(BusContainers, TheTimeContainerKeepsTheRatioAndReportsTheModelTime) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION TIME"));
  std::vector<std::string> events;
  Client->OnTimeInit = [&](TMoBaSRCPClient&) { events.push_back("init"); };
  Client->OnTimeChange = [&](TMoBaSRCPClient&) { events.push_back("change"); };
  Client->OnTimeTerm = [&](TMoBaSRCPClient&) { events.push_back("term"); };
  TMoBaSRCPTime& time = *Client->Buses(0).Time();
  EXPECT_EQ(time.TimeMultiplicator(), 1);
  EXPECT_EQ(time.TimeDivisor(), 1);

  ASSERT_TRUE(Push("3.000 101 INFO 0 TIME 10 3"));
  EXPECT_EQ(time.TimeMultiplicator(), 10);
  EXPECT_EQ(time.TimeDivisor(), 3);
  ASSERT_TRUE(Push("3.100 100 INFO 0 TIME 2451545 12 30 15"));
  int32_t hour = 0, minute = 0, second = 0;
  time.TimeGroup().ModelTime.GetTimeOfDay(hour, minute, second);
  EXPECT_EQ(hour * 10000 + minute * 100 + second, 123015);
  ASSERT_TRUE(Push("3.200 101 INFO 0 TIME 0 0"));
  EXPECT_EQ(time.TimeMultiplicator(), 1);
  EXPECT_EQ(time.TimeDivisor(), 1);
  ASSERT_TRUE(Push("3.300 102 INFO 0 TIME"));
  // Another bus's time is not this container's.
  ASSERT_TRUE(Push("3.400 101 INFO 5 TIME 7 7"));

  EXPECT_EQ(events, (std::vector<std::string>{"init", "change", "init", "term"}));
  EXPECT_EQ(time.TimeMultiplicator(), 1);
  time.SetTimeMultiplicator(0);
  time.SetTimeDivisor(-4);
  EXPECT_EQ(time.TimeMultiplicator(), 1);
  EXPECT_EQ(time.TimeDivisor(), 1);
  EXPECT_TRUE(CommandsSent().empty());
}

// The drive mode word of each SET GL line sent, by address: "3:2".
std::vector<std::string> DriveModesSet(const std::vector<std::string>& Lines) {
  std::vector<std::string> modes;
  for (const std::string& line : Lines) {
    std::istringstream words(line);
    std::string set, bus, group, address, mode;
    words >> set >> bus >> group >> address >> mode;
    if (set == "SET" && group == "GL") modes.push_back(address + ":" + mode);
  }
  return modes;
}

TEST_F(BusContainers, EmergencyStopStopsEveryReportedLocoAndReleaseRestoresTheirDirections) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GL"));
  ASSERT_TRUE(Push("3.000 100 INFO 1 GL 3 1 20 28 0"));
  ASSERT_TRUE(Push("3.100 100 INFO 1 GL 4 0 10 28 0"));
  ASSERT_TRUE(Push("3.200 100 INFO 1 GL 5 1 0 28 0"));
  TMoBaSRCPBus& bus = Client->Buses(0);
  ASSERT_EQ(bus.Locos()->Count(), 3);
  for (int i = 0; i < 3; ++i) Cmd().Send("4.000 200 OK");

  Client->SetEmergencyStop(true);
  EXPECT_TRUE(bus.EmergencyStop());
  EXPECT_TRUE(Cmd().Done());
  EXPECT_EQ(DriveModesSet(CommandsSent()), (std::vector<std::string>{"3:2", "4:2", "5:2"}));

  // Loco 5 is driven again meanwhile: the release leaves it alone.
  bus.Locos()->Items(2).SetDriveMode(mdmForward);
  for (int i = 0; i < 2; ++i) Cmd().Send("4.100 200 OK");
  CmdLog.clear();
  Client->SetEmergencyStop(false);
  EXPECT_FALSE(bus.EmergencyStop());
  EXPECT_TRUE(Cmd().Done());
  std::vector<std::string> released;
  for (const std::string& line : CmdLog) {
    if (line.rfind("Snd: ", 0) == 0) released.push_back(line.substr(5));
  }
  EXPECT_EQ(DriveModesSet(released), (std::vector<std::string>{"3:1", "4:0"}));
}

TEST_F(BusContainers, EmergencyStopOnABusWithoutLocosOnlyStoresTheFlag) {
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 0 DESCRIPTION TIME"));
  Client->SetEmergencyStop(true);
  EXPECT_TRUE(Client->Buses(0).EmergencyStop());
  EXPECT_TRUE(CommandsSent().empty());
}

class BusSettings : public BusContainers {
protected:
  BusSettings() {
    ProfileDir.Write("layout.mpr",
                     "[Bus1Info]\nTimeMultiplicator=4\nTimeDivisor=0\n"
                     "AccessoireDelayTime=350\nFeedbackInitString=RS\n");
    Profiles.Rescan();
    Profiles.SetCurrentIndex(0);
  }

  // What the profile holds on disk now.
  TIniFile OnDisk() const { return TIniFile(ProfileDir.File("layout.mpr")); }
};

TEST_F(BusSettings, AnActiveProfileGivesNewContainersTheirSettingsAndTakesThemAtDisconnect) {
  Client->SetProfileActive(true);
  ASSERT_NE(Client->SettingsFile(), nullptr);
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GA FB TIME"));
  ASSERT_TRUE(Push("2.100 100 INFO 2 DESCRIPTION GL"));
  TMoBaSRCPBus& bus = Client->Buses(0);
  EXPECT_EQ(bus.Time()->TimeMultiplicator(), 4);
  EXPECT_EQ(bus.Time()->TimeDivisor(), 1);  // 0 is no ratio
  EXPECT_EQ(bus.Accessoires()->AccessoireDelayTime(), 350);
  EXPECT_EQ(bus.Feedbacks()->InitString(), "RS");

  bus.Time()->SetTimeMultiplicator(7);
  bus.Accessoires()->SetAccessoireDelayTime(120);
  ScriptTerm();
  Client->Disconnect();

  const TIniFile saved = OnDisk();
  EXPECT_EQ(saved.ReadSection("Bus1Info"),
            (std::vector<std::string>{"TimeMultiplicator", "TimeDivisor", "AccessoireDelayTime",
                                      "FeedbackInitString"}));
  EXPECT_EQ(saved.ReadInteger("Bus1Info", "TimeMultiplicator", -1), 7);
  EXPECT_EQ(saved.ReadInteger("Bus1Info", "TimeDivisor", -1), 1);
  EXPECT_EQ(saved.ReadInteger("Bus1Info", "AccessoireDelayTime", -1), 120);
  EXPECT_EQ(saved.ReadString("Bus1Info", "FeedbackInitString", ""), "RS");
  // A bus of locos only has nothing to keep.
  EXPECT_FALSE(saved.SectionExists("Bus2Info"));
}

TEST_F(BusSettings, AnInactiveProfileIsNeitherReadNorWritten) {
  const std::string before = ProfileDir.Read("layout.mpr");
  EXPECT_EQ(Client->SettingsFile(), nullptr);
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION GA FB TIME"));
  TMoBaSRCPBus& bus = Client->Buses(0);
  EXPECT_EQ(bus.Time()->TimeMultiplicator(), 1);
  EXPECT_EQ(bus.Accessoires()->AccessoireDelayTime(), 200);
  bus.Time()->SetTimeMultiplicator(9);
  ScriptTerm();
  Client->Disconnect();
  EXPECT_EQ(ProfileDir.Read("layout.mpr"), before);
}

TEST_F(BusSettings, TheProfileStoreLoadsAndSavesEveryBus) {
  Client->SetProfileActive(true);
  ConnectClient();
  ASSERT_TRUE(Push("2.000 100 INFO 1 DESCRIPTION TIME"));
  ASSERT_TRUE(Push("2.100 100 INFO 2 DESCRIPTION TIME"));
  TIniFile& settings = *Client->SettingsFile();
  settings.WriteInteger("Bus2Info", "TimeMultiplicator", 12);

  Profiles.LoadProfile();
  EXPECT_EQ(Client->Buses(0).Time()->TimeMultiplicator(), 4);
  EXPECT_EQ(Client->Buses(1).Time()->TimeMultiplicator(), 12);

  Client->Buses(0).Time()->SetTimeDivisor(5);
  Profiles.SaveProfile();
  EXPECT_EQ(OnDisk().ReadInteger("Bus1Info", "TimeDivisor", -1), 5);
  EXPECT_EQ(OnDisk().ReadInteger("Bus2Info", "TimeDivisor", -1), 1);

  // Leaving the store ends both.
  Client->SetProfileActive(false);
  EXPECT_EQ(Client->SettingsFile(), nullptr);
  Client->Buses(0).Time()->SetTimeDivisor(6);
  Profiles.SaveProfile();
  EXPECT_EQ(OnDisk().ReadInteger("Bus1Info", "TimeDivisor", -1), 5);
}

}  // namespace
}  // namespace tenvarra::test
