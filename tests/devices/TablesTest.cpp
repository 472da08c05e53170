#include "devices/Tables.h"

#include <gtest/gtest.h>

namespace tenvarra {
namespace {

template <typename T>
std::unique_ptr<T> At(int32_t address) {
  auto device = std::make_unique<T>();
  device->SetAddress(address);
  return device;
}

// Notices its own destruction.
class TWatchedLoco : public TMoBaAdvancedLoco {
public:
  explicit TWatchedLoco(bool& destroyed) : FDestroyed(destroyed) {}
  ~TWatchedLoco() override { FDestroyed = true; }

private:
  bool& FDestroyed;
};

TEST(LocoTable, KeepsOrderRefusesTakenAddressesAndDestroysOnlyItsOwnLocos) {
  TLocoTable table;
  bool destroyed = false;
  std::unique_ptr<TMoBaAdvancedLoco> watched = std::make_unique<TWatchedLoco>(destroyed);
  watched->SetAddress(12);
  ASSERT_TRUE(table.AddLoco(watched));
  EXPECT_EQ(watched, nullptr);  // taken over
  auto other = At<TMoBaAdvancedLoco>(3);
  ASSERT_TRUE(table.AddLoco(other));
  auto duplicate = At<TMoBaAdvancedLoco>(12);
  EXPECT_FALSE(table.AddLoco(duplicate));
  EXPECT_NE(duplicate, nullptr);  // still the caller's
  EXPECT_FALSE(table.AddLoco(other));  // empty
  EXPECT_EQ(table.FindLocoByAddress(3), table.LocoAt(1));
  EXPECT_EQ(table.LocoAt(2), nullptr);

  EXPECT_FALSE(table.RemoveLoco(duplicate.get()));  // same address, not in the table
  EXPECT_TRUE(table.RemoveLoco(table.FindLocoByAddress(12)));
  EXPECT_TRUE(destroyed);
  // A replacement goes to the end: the table is never sorted.
  ASSERT_TRUE(table.AddLoco(duplicate));
  EXPECT_EQ(table.LocoAt(1)->Address(), 12);
}

TEST(SolenoidTable, SameRulesAndRemoveHandsTheSolenoidBack) {
  TSolenoidTable table;
  for (int32_t address : {7, 9, 9}) {
    auto solenoid = At<TMoBaAdvancedSolenoid>(address);
    const bool added = table.AddSolenoid(solenoid);
    EXPECT_EQ(added, solenoid == nullptr);  // a refused one stays the caller's
  }
  TMoBaAdvancedSolenoid* seven = table.FindSolenoidByAddress(7);
  std::unique_ptr<TMoBaAdvancedSolenoid> back = table.RemoveSolenoid(seven);
  EXPECT_EQ(back.get(), seven);  // alive and now the caller's
  EXPECT_EQ(table.RemoveSolenoid(back.get()), nullptr);
  EXPECT_EQ(table.SolenoidCount(), 1);
}

}  // namespace
}  // namespace tenvarra
