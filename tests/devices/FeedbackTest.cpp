#include "devices/Feedback.h"

#include <gtest/gtest.h>

#include <vector>

namespace tenvarra {
namespace {

constexpr uint32_t Was = TMoBaBaseFeedback::WasActivFlag;
constexpr uint32_t Changed = TMoBaBaseFeedback::HasChangedFlag;
constexpr uint32_t Differs = TMoBaBaseFeedback::ChangedStateFlag;

TEST(Feedback, ChangesAreRememberedUntilReadAndAssignCopiesThemUnread) {
  // Each step sets a value, or reads the contact (-1); then State() must be as listed.
  const std::vector<std::pair<int32_t, uint32_t>> steps = {
      {1, Changed | Differs}, {0, Was | Changed | Differs},  // left active before any read
      {-1, Differs},          {0, 0},
      {1, Changed | Differs}, {1, Changed},  // the same value again stays unread
      {-1, 0},                {0, Changed | Differs},  // the activation was seen: none missed
      {4, Changed | Differs}, {0, Was | Changed | Differs}};
  TMoBaBaseFeedback contact;
  int32_t value = 0;
  for (const auto& [set, state] : steps) {
    if (set < 0) {
      EXPECT_EQ(contact.Value(), value);
    } else {
      contact.SetValue(value = set);
    }
    EXPECT_EQ(contact.State(), state) << "after " << set;
  }
  TMoBaBaseFeedback copy;
  copy.Assign(contact);
  EXPECT_EQ(copy.State(), Was | Changed | Differs);
  EXPECT_EQ(contact.State(), copy.State());
}

}  // namespace
}  // namespace tenvarra
