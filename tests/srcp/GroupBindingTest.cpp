// Groups and sessions that go away in either order, and the feedback
// group's contact store fed by a live information session.

#include <gtest/gtest.h>

#include <memory>

#include "GroupFixture.h"
#include "srcp/FeedbackGroup.h"
#include "srcp/PowerGroup.h"

namespace tenvarra::test {
namespace {

using TListeners = std::vector<TSRCPBaseDeviceGroup*>;

class GroupBindingTest : public TGroupTest {};

TEST_F(GroupBindingTest, DestroyedSessionsAreForgotten) {
  TSRCPPower first, second;
  for (TSRCPPower* group : {&first, &second}) {
    group->SetCommandClient(Command.get());
    group->SetInfoClient(Info.get());
  }
  Info.reset();
  Command.reset();
  for (TSRCPPower* group : {&first, &second}) {
    EXPECT_EQ(group->InfoClient(), nullptr);
    EXPECT_EQ(group->CommandClient(), nullptr);
    EXPECT_FALSE(group->QueryState());
  }
}

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

TEST_F(GroupBindingTest, FeedbackStoreKeepsTheNewestValuePerContact) {
  Connect();
  TSRCPCustomFeedback feedback;
  Listen(feedback, 1, semBus);
  TGroupEvents events(feedback);

  Push("5.000 100 INFO 1 FB 5 1");
  ASSERT_EQ(feedback.ContactCount(), 5);
  EXPECT_EQ(feedback.ContactValue(0), 0);
  EXPECT_EQ(feedback.ContactValue(5), -1);
  EXPECT_EQ(feedback.ContactTimeStamp(5), -1.0);
  Push("6.000 100 INFO 1 FB 2 1");
  Push("4.000 100 INFO 1 FB 5 0");  // older than the stored value
  EXPECT_EQ(feedback.ContactValue(4), 1);
  // Contact numbers outside 1 .. 65536 have no place in the store.
  const int32_t address = feedback.Address();
  for (const char* contact : {"0", "65537", "2147483647"})
    Push(std::string("7.000 100 INFO 1 FB ") + contact + " 1");
  feedback.StoreContact(-1, 1);
  feedback.StoreContact(TSRCPCustomFeedback::MaxContacts, 1);
  EXPECT_EQ(feedback.ContactCount(), 5);
  EXPECT_EQ(feedback.Address(), address);
  EXPECT_EQ(events.Seen.size(), 3u);
  Push("8.000 100 INFO 1 FB 65536 1");
  EXPECT_EQ(feedback.ContactCount(), TSRCPCustomFeedback::MaxContacts);
  EXPECT_EQ(feedback.ContactValue(65535), 1);
  // Switching reporting off and on is not a value report.
  Push("9.000 102 INFO 1 FB");
  EXPECT_EQ(events.Seen.back(), "term");
  EXPECT_EQ(feedback.DeviceState(), sdsTerminated);
}

}  // namespace
}  // namespace tenvarra::test
