#include "srcp/DeviceDescription.h"

#include <gtest/gtest.h>

#include <vector>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

using Groups = std::vector<TSRCPDeviceGroup>;

class DescriptionRecordTest : public ::testing::Test {
protected:
  DescriptionRecordTest() : Description(Cmd.Description()) { Cmd.SetVersion(cv082); }

  void Prepare(TSRCPMessageKind Kind, int32_t Bus, int32_t Address) {
    Cmd.SetGroup(dgDescription);
    Cmd.SetCommand(Kind);
    Cmd.Bus = Bus;
    Cmd.Address = Address;
  }

  TSRCPCmd Cmd;
  TSRCPDeviceDescription& Description;
};

TEST_F(DescriptionRecordTest, BusDescriptionListsItsGroupsInOrder) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 DESCRIPTION GA GL FB POWER"));
  EXPECT_FALSE(Cmd.IsError());
  EXPECT_EQ(Description.Groups, (Groups{dgAccessoire, dgLoco, dgFeedback, dgPower}));
  EXPECT_EQ(Description.GroupCount(), 4);
  EXPECT_EQ(Description.GetGroup(3), dgPower);
  EXPECT_EQ(Description.GetGroup(4), dgInvalid);
  EXPECT_EQ(Description.DescribedGroup, dgInvalid);
}

// Servers of later revisions list groups this system does not know; the bus
// must still be learned with the groups it does know.
TEST_F(DescriptionRecordTest, UnknownGroupNamesAreSkipped) {
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM"));
  EXPECT_FALSE(Cmd.IsError());
  EXPECT_EQ(Cmd.Kind(), mkInfoState);
  EXPECT_EQ(Cmd.Bus, 0);
  EXPECT_EQ(Description.Groups, (Groups{dgSession, dgServer, dgTime}));
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 1 DESCRIPTION GM GL  XYZ  FB"));
  EXPECT_FALSE(Cmd.IsError());
  EXPECT_EQ(Description.Groups, (Groups{dgLoco, dgFeedback}));
  ASSERT_TRUE(Cmd.Parse("5.250 100 INFO 2 DESCRIPTION"));
  EXPECT_FALSE(Cmd.IsError());
  EXPECT_TRUE(Description.Groups.empty());
}

TEST_F(DescriptionRecordTest, RequestsForABusAndForADevice) {
  Prepare(mkGet, 1, 3);
  EXPECT_EQ(Cmd.Format(), "GET 1 DESCRIPTION");
  Description.SetDescribedGroup(dgLoco);
  EXPECT_EQ(Cmd.Format(), "GET 1 DESCRIPTION GL 3");
}

TEST_F(DescriptionRecordTest, BusDescriptionFormatsItsGroups) {
  Prepare(mkInfoState, 1, 0);
  Cmd.Timestamp = 5.25;
  Description.Groups = {dgAccessoire, dgLoco};
  EXPECT_EQ(Cmd.Format(), "5.250 100 INFO 1 DESCRIPTION GA GL");
}

TEST_F(DescriptionRecordTest, ADeviceHasNoDescriptionStateLine) {
  Prepare(mkInfoState, 1, 3);
  Description.SetDescribedGroup(dgLoco);
  Cmd.Format();
  EXPECT_TRUE(Cmd.IsError());
}

TEST_F(DescriptionRecordTest, ADeviceDescriptionIsTheDevicesOwnLine) {
  Prepare(mkInfoInit, 1, 3);
  Cmd.Timestamp = 5.25;
  Description.SetDescribedGroup(dgLoco);
  Cmd.Loco().Protocol = prN;
  Cmd.Loco().ProtocolVersion = 1;
  Cmd.Loco().SpeedSteps = 28;
  Cmd.Loco().SetFunctionCount(5);
  EXPECT_EQ(Cmd.Format(), "5.250 101 INFO 1 GL 3 N 1 28 5");
  EXPECT_EQ(Cmd.Group(), dgLoco);
}

TEST_F(DescriptionRecordTest, ADescriptionCannotDescribeItself) {
  // Would otherwise format itself again and again until the stack runs out.
  ASSERT_TRUE(Cmd.Parse("5.250 101 INFO 1 DESCRIPTION DESCRIPTION"));
  EXPECT_EQ(Description.DescribedGroup, dgDescription);
  Cmd.Format();
  EXPECT_TRUE(Cmd.IsError());
}

TEST_F(DescriptionRecordTest, AnUnknownDescribedGroupIsAnError) {
  EXPECT_FALSE(Cmd.Parse("5.250 101 INFO 1 DESCRIPTION XX"));
  EXPECT_EQ(Cmd.Kind(), mkErrInsufficientData);
}

}  // namespace
}  // namespace tenvarra
