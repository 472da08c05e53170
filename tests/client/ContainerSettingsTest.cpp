#include <string>

#include "ClientFixture.h"
#include "client/Accessoires.h"
#include "client/Feedbacks.h"
#include "platform/IniFile.h"

namespace tenvarra::test {
namespace {

// Bus 1 offers accessories and feedback.
class ContainerSettings : public TClientTest {
protected:
  TMoBaSRCPBus& Bus1() {
    ConnectClient();
    EXPECT_TRUE(Push("1.000 100 INFO 1 DESCRIPTION GA FB"));
    TMoBaSRCPBus* bus = Client->BusByNumber(1);
    if (!bus || !bus->Accessoires() || !bus->Feedbacks())
      throw std::logic_error("bus 1 lacks a container");
    return *bus;
  }
};

TEST_F(ContainerSettings, SavedValuesGoToTheBusSectionAndComeBack) {
  TMoBaSRCPBus& bus = Bus1();
  TIniFile ini(ProfileDir.File("settings.ini"));
  bus.Accessoires()->SetAccessoireDelayTime(650);
  bus.Feedbacks()->SetInitString("S88 LPT1 2");
  bus.Accessoires()->SaveSettings(ini);
  bus.Feedbacks()->SaveSettings(ini);
  EXPECT_EQ(ini.ReadInteger("Bus1Info", "AccessoireDelayTime", 0), 650);
  EXPECT_EQ(ini.ReadString("Bus1Info", "FeedbackInitString", ""), "S88 LPT1 2");

  ini.WriteInteger("Bus1Info", "AccessoireDelayTime", 500);
  ini.WriteString("Bus1Info", "FeedbackInitString", "S88 LPT2 1");
  bus.Accessoires()->LoadSettings(ini);
  bus.Feedbacks()->LoadSettings(ini);
  EXPECT_EQ(bus.Accessoires()->AccessoireDelayTime(), 500);
  EXPECT_EQ(bus.Feedbacks()->InitString(), "S88 LPT2 1");

  // Records that reports create start with the loaded time.
  ASSERT_TRUE(Push("2.000 100 INFO 1 GA 3 0 1"));
  EXPECT_EQ(bus.Accessoires()->FindSolenoid(3)->ActivationTime(), 500u);
}

TEST_F(ContainerSettings, MissingOrEmptyValuesKeepTheCurrentOnes) {
  TMoBaSRCPBus& bus = Bus1();
  TIniFile ini(ProfileDir.File("settings.ini"));
  bus.Accessoires()->SetAccessoireDelayTime(650);
  bus.Feedbacks()->SetInitString("S88 LPT1 2");
  bus.Accessoires()->LoadSettings(ini);
  bus.Feedbacks()->LoadSettings(ini);
  EXPECT_EQ(bus.Accessoires()->AccessoireDelayTime(), 650);
  EXPECT_EQ(bus.Feedbacks()->InitString(), "S88 LPT1 2");

  ini.WriteString("Bus1Info", "FeedbackInitString", "");
  ini.WriteString("Bus1Info", "AccessoireDelayTime", "soon");
  bus.Feedbacks()->LoadSettings(ini);
  bus.Accessoires()->LoadSettings(ini);
  EXPECT_EQ(bus.Feedbacks()->InitString(), "S88 LPT1 2");
  EXPECT_EQ(bus.Accessoires()->AccessoireDelayTime(), 650);
}

TEST_F(ContainerSettings, ANegativeDelayTimeGivesRecordsNoDelay) {
  TMoBaSRCPBus& bus = Bus1();
  bus.Accessoires()->SetAccessoireDelayTime(-5);
  ASSERT_TRUE(Push("2.000 101 INFO 1 GA 3 M"));
  EXPECT_EQ(bus.Accessoires()->FindSolenoid(3)->ActivationTime(), 0u);
}

}  // namespace
}  // namespace tenvarra::test
