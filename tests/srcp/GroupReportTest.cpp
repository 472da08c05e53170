// Reports reaching device groups through a live information session: the
// address filter, the age test per sort of report, locks, what the groups
// read from a report, and groups and sessions going away in either order.

#include <gtest/gtest.h>

#include <memory>

#include "SessionFixture.h"
#include "srcp/AccessoireGroup.h"
#include "srcp/LocoGroup.h"
#include "srcp/PowerGroup.h"
#include "srcp/TimeGroup.h"

namespace tenvarra::test {
namespace {

using TSeen = std::vector<std::string>;
using TListeners = std::vector<TSRCPBaseDeviceGroup*>;

class GroupReportTest : public TGroupTest {};

TEST_F(GroupReportTest, ExactLocoTakesOnlyItsAddressAndNewerReportsAndLocks) {
  Connect();
  TSRCPCustomLoco loco;
  loco.SetAddress(3);
  Listen(loco, 1, semExact);
  TGroupEvents events(loco);
  // Lock lines reach the locked device's group.
  Push("5.250 100 INFO 1 LOCK GL 3 60 7");
  EXPECT_EQ(loco.LockSessionId(), 7);
  Push("5.260 101 INFO 1 LOCK GL 3 60");  // names no holder; the known one stays
  Push("5.260 102 INFO 1 LOCK GL 3");     // not newer than the last lock
  Push("5.300 102 INFO 1 LOCK GL 4");     // another loco
  EXPECT_EQ(loco.LockSessionId(), 7);
  Push("5.300 102 INFO 1 LOCK GL 3");
  EXPECT_EQ(loco.LockSessionId(), -1);
  EXPECT_EQ(events.Seen, (TSeen{"lock", "lock", "unlock"}));
  events.Seen.clear();
  Push("5.250 100 INFO 1 GL 3 1 50 100 0 1 0 0");
  Push("5.250 100 INFO 1 GL 3 0 20 100 1");  // not newer
  Push("6.000 100 INFO 1 GL 4 0 20 100 1");  // another loco
  EXPECT_EQ(loco.ReportedSpeed, 50);
  EXPECT_EQ(loco.Functions(), (std::vector<int32_t>{0, 1, 0, 0}));
  // Every loco of the bus, whatever its age; a report moves the group to its loco.
  loco.SetEventMode(semBus);
  Push("5.000 100 INFO 1 GL 4 0 20 100 1");
  Push("5.000 100 INFO 1 GL 4 0 20 100 1");
  EXPECT_EQ(loco.Address(), 4);
  EXPECT_EQ(loco.DriveMode, dmBackward);
  Push("6.000 101 INFO 1 GL 4 N 2 28 9");
  EXPECT_EQ(loco.DeviceState(), sdsInitialized);
  EXPECT_EQ(loco.FunctionCount(), 9);
  Push("7.000 102 INFO 1 GL 5");
  EXPECT_EQ(loco.DeviceState(), sdsTerminated);
  EXPECT_EQ(loco.Address(), 5);
  EXPECT_EQ(events.Seen, (TSeen{"change", "change", "change", "init", "term"}));
}

TEST_F(GroupReportTest, EachSortOfReportHasItsOwnAge) {
  Connect();
  TSRCPTime time;
  Listen(time, 1, semExact);
  TGroupEvents events(time);
  Push("5.000 100 INFO 1 TIME 2460000 12 30 15");
  Push("4.000 101 INFO 1 TIME 0 0");            // init: its own age
  Push("4.500 100 INFO 1 TIME 2460001 0 0 0");  // older than the last state
  Push("4.500 102 INFO 1 TIME");                // term shares the init's age
  Push("4.500 101 INFO 1 TIME 3 2");            // not newer than that term
  EXPECT_EQ(events.Seen, (TSeen{"change", "init", "term"}));
  EXPECT_EQ(time.TimeFx(), 1);  // a ratio of 0 0 is stored as 1 1
  Push("4.600 101 INFO 1 TIME 3 2");
  EXPECT_EQ(time.TimeFx(), 3);
  EXPECT_EQ(time.ModelTime.Day, 2460000 - TSRCPModelTime::JulianDayOffset);
  EXPECT_EQ(time.ModelTime.Milliseconds, (12 * 3600 + 30 * 60 + 15) * 1000);
}

// Descriptions reach the railway client's description group (ClientTest).
TEST_F(GroupReportTest, AnAccessoryInitReportLeavesNoEarlierProtocolVersion) {
  Connect();
  TSRCPCustomAccessoire accessory;
  Listen(accessory, 1, semBus);
  Push("5.000 100 INFO 1 GA 12 1 1");
  EXPECT_EQ(accessory.Port, 1);
  accessory.ProtocolVersion = 5;
  Push("6.000 101 INFO 1 GA 12 N");
  EXPECT_EQ(accessory.ProtocolVersion, 0);
}

TEST_F(GroupReportTest, DestroyedOrMovedGroupsLeaveTheSession) {
  auto first = std::make_unique<TSRCPPower>();
  TSRCPPower second;
  first->SetInfoClient(Info.get());
  second.SetInfoClient(Info.get());
  second.SetInfoClient(Info.get());  // no second entry
  EXPECT_EQ(Info->Listeners(), (TListeners{first.get(), &second}));
  first->SetCommandClient(Command.get());
  first.reset();
  EXPECT_EQ(Info->Listeners(), TListeners{&second});

  TSRCPInfoClient other(Queue);
  second.SetInfoClient(&other);
  EXPECT_TRUE(Info->Listeners().empty());
  Info.reset();  // the old session's end no longer concerns the group
  EXPECT_EQ(second.InfoClient(), &other);
  second.SetInfoClient(nullptr);
}

TEST_F(GroupReportTest, GroupMayBeDestroyedByItsOwnEvent) {
  Connect();
  auto doomed = std::make_unique<TSRCPPower>();
  TSRCPPower survivor;
  for (TSRCPPower* group : {doomed.get(), &survivor}) {
    group->SetBus(1);
    group->SetInfoClient(Info.get());
  }
  doomed->OnChange = [&doomed](TSRCPBaseDeviceGroup&) { doomed.reset(); };
  Push("5.000 100 INFO 1 POWER ON");
  EXPECT_EQ(doomed, nullptr);
  EXPECT_TRUE(survivor.PowerOn());
  EXPECT_EQ(Info->Listeners(), TListeners{&survivor});
}

TEST(ModelTimeTest, JulianDaysAndTimesOfDayStayInRange) {
  TSRCPModelTime t;
  t.Day = 1;  // 1 January of year 1
  EXPECT_EQ(t.JulianDay(), 1721426);
  int32_t h, m, s;
  t.Milliseconds = -1000;
  t.GetTimeOfDay(h, m, s);
  EXPECT_EQ((std::vector<int32_t>{h, m, s}), (std::vector<int32_t>{23, 59, 59}));
  t.SetJulianDay(INT32_MIN);  // any wire number, never overflowing
  EXPECT_EQ(t.Day, INT32_MIN);
  t.Day = INT32_MAX;
  EXPECT_EQ(t.JulianDay(), INT32_MAX);
  t.SetTimeOfDay(INT32_MAX, INT32_MAX, INT32_MAX);
  EXPECT_EQ(t.Milliseconds, INT32_MAX);
}

}  // namespace
}  // namespace tenvarra::test
