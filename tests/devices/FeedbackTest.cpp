#include "devices/Feedback.h"

#include <gtest/gtest.h>

namespace tenvarra {
namespace {

TEST(Feedback, ChangeIsRememberedUntilRead) {
  TMoBaBaseFeedback contact;
  EXPECT_EQ(contact.State(), 0u);
  contact.SetValue(1);
  EXPECT_TRUE(contact.HasChanged());
  EXPECT_TRUE(contact.ChangedState());
  EXPECT_FALSE(contact.WasActiv());

  contact.SetValue(0);  // left the active state before anyone read it
  EXPECT_TRUE(contact.WasActiv());
  EXPECT_EQ(contact.IsActiv(), 0);
  EXPECT_TRUE(contact.HasChanged());  // peeking consumes nothing

  EXPECT_EQ(contact.Value(), 0);
  EXPECT_FALSE(contact.HasChanged());
  EXPECT_FALSE(contact.WasActiv());
  EXPECT_TRUE(contact.ChangedState());

  contact.SetValue(0);
  EXPECT_FALSE(contact.ChangedState());
  EXPECT_FALSE(contact.HasChanged());
}

TEST(Feedback, RepeatedValueKeepsHasChangedUntilTheNextRead) {
  TMoBaBaseFeedback contact;
  contact.SetValue(1);
  contact.SetValue(1);
  EXPECT_FALSE(contact.ChangedState());
  EXPECT_TRUE(contact.HasChanged());
  EXPECT_TRUE(contact.Activ());
  EXPECT_FALSE(contact.HasChanged());
}

TEST(Feedback, LeavingActiveAfterAReadIsNotAMissedActivation) {
  TMoBaBaseFeedback contact;
  contact.SetActiv(true);
  EXPECT_EQ(contact.Value(), 1);
  contact.SetActiv(false);
  EXPECT_FALSE(contact.WasActiv());  // the activation had been seen
  EXPECT_TRUE(contact.HasChanged());
}

TEST(Feedback, AssignCopiesValueAndFlagsWithoutConsumingThem) {
  TMoBaBaseFeedback source;
  source.SetAddress(33);
  source.SetValue(4);
  source.SetValue(0);
  TMoBaBaseFeedback dest;
  dest.Assign(source);
  EXPECT_EQ(dest.Address(), 33);
  EXPECT_EQ(dest.IsActiv(), 0);
  EXPECT_EQ(dest.State(), source.State());
  EXPECT_TRUE(source.WasActiv());
}

}  // namespace
}  // namespace tenvarra
