// Groups and sessions that go away in either order.

#include <gtest/gtest.h>

#include <memory>

#include "GroupFixture.h"
#include "srcp/PowerGroup.h"

namespace tenvarra::test {
namespace {

using TListeners = std::vector<TSRCPBaseDeviceGroup*>;

class GroupBindingTest : public TGroupTest {};

TEST_F(GroupBindingTest, DestroyedOrMovedGroupsLeaveTheSession) {
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

TEST_F(GroupBindingTest, GroupMayBeDestroyedByItsOwnEvent) {
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

}  // namespace
}  // namespace tenvarra::test
