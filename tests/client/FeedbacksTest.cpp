#include <stdexcept>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "client/Feedbacks.h"
#include "platform/NetErrors.h"

namespace tenvarra::test {
namespace {

// Bus 8 offers feedback; every feedback event is written down with the
// contact it carried.
class Feedbacks : public TClientTest {
protected:
  Feedbacks() {
    auto note = [this](const char* What) {
      return [this, What](TMoBaSRCPClient& Sender, TMoBaSRCPFeedback& Contact) {
        EXPECT_EQ(&Sender, Client.get());
        Events.push_back(std::string(What) + " " + std::to_string(Contact.Address()) + "=" +
                         std::to_string(Contact.IsActiv()) + " bus " +
                         std::to_string(Contact.Bus()) + (Contact.ChangedState() ? " changed" : ""));
      };
    };
    Client->OnFeedbackInit = note("init");
    Client->OnFeedbackTerm = note("term");
    Client->OnFeedbackChange = note("change");
  }

  TMoBaSRCPFeedbacks& Bus8() {
    ConnectClient();
    EXPECT_TRUE(Push("1.000 100 INFO 8 DESCRIPTION FB"));
    TMoBaSRCPBus* bus = Client->BusByNumber(8);
    if (!bus || !bus->Feedbacks()) throw std::logic_error("bus 8 has no feedback");
    return *bus->Feedbacks();
  }

  std::vector<std::string> Events;
};

TEST_F(Feedbacks, AReportGrowsTheContactsUpToItsNumber) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  EXPECT_EQ(feedbacks.Count(), 0);
  ASSERT_TRUE(Push("2.000 100 INFO 8 FB 5 1"));

  const TMoBaSRCPFeedbackClient& group = feedbacks.FeedbackClient();
  ASSERT_EQ(group.ContactCount(), 5);
  ASSERT_EQ(feedbacks.Count(), 5);
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(group.ContactValue(i), i == 4 ? 1 : 0);
    EXPECT_EQ(feedbacks.Items(i).Address(), i + 1);
    EXPECT_EQ(feedbacks.Items(i).Bus(), 8);
  }
  EXPECT_EQ(feedbacks.Items(4).TimeStamp(), 2.0);
  EXPECT_EQ(feedbacks.Items(0).TimeStamp(), 0.0);
  EXPECT_EQ(Events, (std::vector<std::string>{"change 5=1 bus 8 changed"}));

  ASSERT_TRUE(Push("2.100 100 INFO 8 FB 2 1"));
  EXPECT_EQ(feedbacks.Count(), 5);
  EXPECT_EQ(Events.back(), "change 2=1 bus 8 changed");
  EXPECT_THROW(feedbacks.Items(5), std::out_of_range);
}

TEST_F(Feedbacks, EveryValueReportIsToldAlsoWhenItChangesNothing) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  ASSERT_TRUE(Push("2.000 100 INFO 8 FB 3 1"));
  ASSERT_TRUE(Push("2.000 100 INFO 8 FB 3 0"));  // not newer than the stored value
  ASSERT_TRUE(Push("1.500 100 INFO 8 FB 3 0"));  // older
  ASSERT_TRUE(Push("2.500 100 INFO 8 FB 3 1"));  // newer, same value
  EXPECT_EQ(Events, (std::vector<std::string>{"change 3=1 bus 8 changed", "change 3=1 bus 8",
                                              "change 3=1 bus 8", "change 3=1 bus 8"}));
  EXPECT_EQ(feedbacks.Items(2).TimeStamp(), 2.5);
  EXPECT_EQ(feedbacks.FeedbackClient().ContactTimeStamp(2), 2.5);

  ASSERT_TRUE(Push("2.600 100 INFO 8 FB 3 0"));
  EXPECT_EQ(Events.back(), "change 3=0 bus 8 changed");
  EXPECT_EQ(feedbacks.FeedbackClient().ContactTimeStamp(3), -1.0);
}

TEST_F(Feedbacks, ContactNumbersOutsideOneTo65536AreIgnored) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  ASSERT_TRUE(Push("2.000 100 INFO 8 FB 0 1"));
  ASSERT_TRUE(Push("2.100 100 INFO 8 FB -4 1"));
  ASSERT_TRUE(Push("2.200 100 INFO 8 FB 65537 1"));
  EXPECT_EQ(feedbacks.Count(), 0);
  EXPECT_TRUE(Events.empty());

  ASSERT_TRUE(Push("2.300 100 INFO 8 FB 65536 1"));
  EXPECT_EQ(feedbacks.Count(), 65536);
  EXPECT_EQ(feedbacks.Items(65535).Address(), 65536);
  EXPECT_EQ(Events, (std::vector<std::string>{"change 65536=1 bus 8 changed"}));
}

TEST_F(Feedbacks, ReportsOfAnotherBusAreNotTaken) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  ASSERT_TRUE(Push("2.000 100 INFO 9 FB 3 1"));
  EXPECT_EQ(feedbacks.Count(), 0);
  EXPECT_TRUE(Events.empty());
}

TEST_F(Feedbacks, EnabledSendsInitAndTermOnlyWhenTheStateAsksForThem) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  EXPECT_FALSE(feedbacks.Enabled());
  feedbacks.SetEnabled(false);  // a fresh group: nothing to end
  EXPECT_EQ(feedbacks.InitString(), "S88");

  feedbacks.SetInitString("S88 LPT1 2");
  Cmd().Expect("INIT 8 FB S88 LPT1 2").Send("2.000 200 OK");
  feedbacks.SetEnabled(true);
  EXPECT_TRUE(feedbacks.Enabled());
  feedbacks.SetEnabled(true);

  Cmd().Expect("TERM 8 FB").Send("2.100 200 OK");
  feedbacks.SetEnabled(false);
  EXPECT_FALSE(feedbacks.Enabled());
  ASSERT_TRUE(Cmd().Done());
  EXPECT_EQ(Sent("INIT 8 FB S88 LPT1 2"), 1);
  EXPECT_EQ(Sent("TERM 8 FB"), 1);
}

TEST_F(Feedbacks, ARefusedInitLeavesReportingOffAndTermEndsItWhateverTheReply) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  Cmd().Expect("INIT 8 FB S88").Send("2.000 421 ERROR unsupported device");
  feedbacks.SetEnabled(true);
  EXPECT_FALSE(feedbacks.Enabled());

  Cmd().Expect("INIT 8 FB S88").Send("2.100 200 OK");
  feedbacks.SetEnabled(true);
  Cmd().Expect("TERM 8 FB").Send("2.200 499 ERROR unspecified error");
  feedbacks.SetEnabled(false);
  EXPECT_FALSE(feedbacks.Enabled());
  EXPECT_TRUE(Cmd().Done());
}

TEST_F(Feedbacks, InitAndTermReportsAreToldWithAContactStandingForTheBus) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  ASSERT_TRUE(Push("3.000 101 INFO 8 FB"));
  EXPECT_TRUE(feedbacks.Enabled());
  ASSERT_TRUE(Push("3.100 102 INFO 8 FB"));
  EXPECT_FALSE(feedbacks.Enabled());
  EXPECT_EQ(Events, (std::vector<std::string>{"init 0=-1 bus 8 changed", "term 0=-1 bus 8 changed"}));
  EXPECT_EQ(feedbacks.Count(), 0);
}

TEST_F(Feedbacks, ALostConnectionWhileEnablingRemovesTheBusOnceTheCallReturns) {
  TMoBaSRCPFeedbacks& feedbacks = Bus8();
  Cmd().Expect("INIT 8 FB S88").Close();
  try {
    feedbacks.SetEnabled(true);
  } catch (const ENetError&) {
    // The lost reply may reach the caller; the bus must outlive the call either way.
  }
  ASSERT_TRUE(Serve([&] { return Disconnects > 0 && !Client->InfoClient().Reading(); }));
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Client->BusCount(), 0);
}

TEST(FeedbackRecord, AssignCopiesTheContactWithBusAndTimeStamp) {
  TMoBaSRCPFeedback source;
  source.SetAddress(17);
  source.SetValue(1);
  source.SetBus(8);
  source.SetTimeStamp(4.5);
  TMoBaSRCPFeedback dest;
  dest.Assign(source);
  EXPECT_EQ(dest.Address(), 17);
  EXPECT_EQ(dest.IsActiv(), 1);
  EXPECT_EQ(dest.State(), source.State());
  EXPECT_EQ(dest.Bus(), 8);
  EXPECT_EQ(dest.TimeStamp(), 4.5);

  TMoBaBaseFeedback plain;
  plain.Assign(source);  // a plain contact takes what it has
  EXPECT_EQ(plain.Address(), 17);
}

}  // namespace
}  // namespace tenvarra::test
