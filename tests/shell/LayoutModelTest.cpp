// The layout view's model without a toolkit: the records the client reports
// go in, the rows and state lines come out.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "client/SRCPLoco.h"
#include "client/SRCPSolenoid.h"
#include "devices/DialogProtocols.h"
#include "devices/Tables.h"
#include "emulation/S88Image.h"
#include "shell/LayoutModel.h"
#include "shell/LayoutText.h"

namespace tenvarra::test {
namespace {

using Strings = std::vector<std::string>;

class TLayoutModelTest : public ::testing::Test {
protected:
  TLayoutModelTest() {
    auto known = std::make_unique<TMoBaAdvancedLoco>();
    known->SetProtocol(DialogProtocols()[1]);
    known->SetAddress(12);
    Table.AddLoco(known);
    Model.OnChange = [this](unsigned Parts) { Changes.push_back(Parts); };
  }

  // A loco record as the client keeps it; Entry picks a dialog protocol, -1 none.
  static std::unique_ptr<TMoBaSRCPLoco> Loco(int32_t Bus, int32_t Address, int Entry) {
    auto loco = std::make_unique<TMoBaSRCPLoco>();
    if (Entry >= 0) loco->SetProtocol(DialogProtocols()[Entry]);
    loco->SetAddress(Address);
    loco->SetBus(Bus);
    return loco;
  }
  static std::unique_ptr<TMoBaSRCPSolenoid> Solenoid(int32_t Bus, int32_t Address, int32_t Port, int32_t Value) {
    auto solenoid = std::make_unique<TMoBaSRCPSolenoid>();
    solenoid->SetAddress(Address);
    solenoid->SetBus(Bus);
    solenoid->SetPortValue(Port, Value);
    return solenoid;
  }
  Strings Lines() const { return LayoutStateLines(Model, "COM3"); }

  TS88Image Image;
  TLocoTable Table;
  TLayoutModel Model{Image, Table};
  std::vector<unsigned> Changes;
};

TEST_F(TLayoutModelTest, LocoAndSolenoidReportsBecomeRowsSortedByAddress) {
  const auto FastLoco = Loco(1, 12, 1);  // Motorola, 14 steps
  TMoBaSRCPLoco& fast = *FastLoco;
  fast.SetSpeedStep(5);
  fast.SetDriveMode(mdmBackwards);
  fast.SetFunctionState(0, true);
  fast.SetFunctionState(1, true);
  fast.SetFunctionState(3, true);
  Model.LocoReported(fast);
  // No protocol known yet: the report's own speed and maximum.
  const auto bareLoco = Loco(3, 7, -1);
  TMoBaSRCPLoco& bare = *bareLoco;
  bare.SetMaxSpeed(100);
  bare.SetSpeed(36);
  Model.LocoReported(bare);
  Model.LocoReported(*Loco(2, 12, 6));  // the same address on another bus is another loco
  Model.SolenoidReported(*Solenoid(5, 9, 1, 1));
  Model.SolenoidReported(*Solenoid(6, 3, 0, 0));
  Model.SolenoidReported(*Solenoid(5, 9, 0, 1));  // a later report of the same solenoid replaces it

  EXPECT_EQ(Lines(), (Strings{
                         "port: COM3 not held",
                         "server: not connected",
                         "power: not reported",
                         "loco bus 3 address 7: speed 36/100, Forward, light off, functions -",
                         "loco bus 1 address 12: speed 5/14, Backwards, light on, functions 1 3, protocol New Motorola (M2)",
                         "loco bus 2 address 12: speed 0/14, Forward, light off, functions -, protocol New Motorola (M2)",
                         "solenoid bus 6 address 3: port 0 off",
                         "solenoid bus 5 address 9: port 0 on",
                         "feedback: none",
                     }));
  // The protocol follows the table when the rows are asked for again.
  Table.FindLocoByAddress(12)->SetProtocol(DialogProtocols()[2]);
  EXPECT_EQ(Model.Locos()[1].Protocol, "Extended Motorola 1 (M3)");

  Model.LocoTerminated(fast);
  Model.SolenoidTerminated(*Solenoid(6, 3, 0, 0));
  ASSERT_EQ(Model.Locos().size(), 2u);
  EXPECT_EQ(Model.Locos()[1].Bus, 2);
  ASSERT_EQ(Model.Solenoids().size(), 1u);
}

TEST_F(TLayoutModelTest, StatesAndFeedbackFollowTheirReportsAndADisconnectForgetsTheServersDevices) {
  Model.PortHeld(true);
  Model.ServerConnected();
  Model.ServerConnected();  // no change, no notice
  Model.BusPower(2, false);
  Model.BusPower(1, true);
  Model.BusPower(1, true);
  // Module m holds contacts 16(m - 1) + 1 .. 16m of the image.
  for (const int32_t contact : {1, 16, 17, 496}) {
    Image.SetContact(contact, true);
    Model.FeedbackChanged(contact);
  }
  Model.FeedbackChanged(497);  // outside the image: nothing to show
  Model.LocoReported(*Loco(1, 3, 1));
  Model.SolenoidReported(*Solenoid(5, 1, 1, 0));
  // One notice each, none for a repeated state or a contact outside the image.
  EXPECT_EQ(Changes.size(), 10u);
  EXPECT_TRUE(Model.Occupied(2, 1));
  EXPECT_FALSE(Model.Occupied(2, 2));
  EXPECT_FALSE(Model.Occupied(32, 1));
  EXPECT_FALSE(Model.Occupied(1, 17));
  EXPECT_EQ(TLayoutModel::ContactNumber(0, 1), 0);
  EXPECT_EQ(Lines(), (Strings{
                         "port: COM3 held by the application",
                         "server: connected",
                         "power: bus 1 on, bus 2 off",
                         "loco bus 1 address 3: speed 0/14, Forward, light off, functions -",
                         "solenoid bus 5 address 1: port 1 off",
                         "feedback: 1:1 1:16 2:1 31:16",
                     }));

  Changes.clear();
  Model.ServerDisconnected();
  EXPECT_EQ(Changes, (std::vector<unsigned>{TLayoutModel::lpStates | TLayoutModel::lpLocos |
                                            TLayoutModel::lpSolenoids}));
  // The serial reads still see the image, so the view keeps it too.
  EXPECT_EQ(Lines(), (Strings{"port: COM3 held by the application", "server: not connected",
                              "power: not reported", "feedback: 1:1 1:16 2:1 31:16"}));
  Model.ServerDisconnected();
  EXPECT_EQ(Changes.size(), 1u);
  EXPECT_EQ(LayoutStateLines(Model, "")[0], "port: none provided");
}

}  // namespace
}  // namespace tenvarra::test
