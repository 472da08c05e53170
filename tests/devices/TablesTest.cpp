#include "devices/Tables.h"

#include <gtest/gtest.h>

#include "devices/DialogProtocols.h"

namespace tenvarra {
namespace {

std::unique_ptr<TMoBaAdvancedLoco> LocoAt(int32_t address) {
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetAddress(address);
  return loco;
}

std::unique_ptr<TMoBaAdvancedSolenoid> SolenoidAt(int32_t address) {
  auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
  solenoid->SetAddress(address);
  return solenoid;
}

// Notices its own destruction.
class TWatchedLoco : public TMoBaAdvancedLoco {
public:
  explicit TWatchedLoco(bool& destroyed) : FDestroyed(destroyed) {}
  ~TWatchedLoco() override { FDestroyed = true; }

private:
  bool& FDestroyed;
};

TEST(LocoTable, AddsInOrderAndRefusesTakenAddresses) {
  TLocoTable table;
  EXPECT_EQ(table.FindLocoByAddress(12), nullptr);
  for (int32_t address : {12, 3, 40}) {
    auto loco = LocoAt(address);
    ASSERT_TRUE(table.AddLoco(loco));
    EXPECT_EQ(loco, nullptr);
  }
  auto duplicate = LocoAt(12);
  const TMoBaAdvancedLoco* refused = duplicate.get();
  EXPECT_FALSE(table.AddLoco(duplicate));
  EXPECT_EQ(duplicate.get(), refused);  // still the caller's
  EXPECT_EQ(table.LocoCount(), 3);

  std::unique_ptr<TMoBaAdvancedLoco> none;
  EXPECT_FALSE(table.AddLoco(none));

  EXPECT_EQ(table.LocoAt(0)->Address(), 12);
  EXPECT_EQ(table.LocoAt(2)->Address(), 40);
  EXPECT_EQ(table.LocoAt(-1), nullptr);
  EXPECT_EQ(table.LocoAt(table.LocoCount()), nullptr);
  EXPECT_EQ(table.FindLocoByAddress(3), table.LocoAt(1));
  EXPECT_EQ(table.FindLocoByAddress(4), nullptr);
}

TEST(LocoTable, RemoveDestroysOnlyLocosOfTheTable) {
  TLocoTable table;
  bool destroyed = false;
  std::unique_ptr<TMoBaAdvancedLoco> watched = std::make_unique<TWatchedLoco>(destroyed);
  watched->SetAddress(5);
  TMoBaAdvancedLoco* inTable = watched.get();
  ASSERT_TRUE(table.AddLoco(watched));

  bool strangerDestroyed = false;
  TWatchedLoco stranger(strangerDestroyed);
  stranger.SetAddress(5);
  EXPECT_FALSE(table.RemoveLoco(&stranger));
  EXPECT_FALSE(table.RemoveLoco(nullptr));
  EXPECT_FALSE(strangerDestroyed);
  EXPECT_EQ(table.LocoCount(), 1);

  EXPECT_TRUE(table.RemoveLoco(inTable));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(table.LocoCount(), 0);
}

TEST(LocoTable, ReplacingMovesTheEntryToTheEnd) {
  TLocoTable table;
  for (int32_t address : {1, 2, 3}) {
    auto loco = LocoAt(address);
    table.AddLoco(loco);
  }
  table.RemoveLoco(table.FindLocoByAddress(1));
  auto replacement = LocoAt(1);
  ASSERT_TRUE(table.AddLoco(replacement));
  EXPECT_EQ(table.LocoAt(2)->Address(), 1);
  EXPECT_EQ(table.LocoAt(0)->Address(), 2);
}

TEST(LocoTable, AdoptedProtocolsOutliveTheLocosThatUseThem) {
  TLocoTable table;
  auto own = std::make_unique<TMoBaLocoProtocol>();
  own->MaxAddress = 80;
  TMoBaLocoProtocol* kept = table.AdoptProtocol(std::move(own));
  ASSERT_NE(kept, nullptr);
  auto loco = LocoAt(200);
  loco->SetProtocol(kept);
  EXPECT_EQ(loco->Address(), 80);
  EXPECT_TRUE(table.AddLoco(loco));
  EXPECT_EQ(table.AdoptProtocol(nullptr), nullptr);
}

TEST(LocoTable, DialogEntryFiveLimitsAddressAndLeavesNoFunctions) {
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetAddress(120);
  loco->SetProtocol(DialogProtocols()[5]);
  EXPECT_EQ(loco->Address(), 99);
  EXPECT_EQ(loco->FunctionCount(), 0);
  TLocoTable table;
  EXPECT_TRUE(table.AddLoco(loco));
  EXPECT_EQ(table.FindLocoByAddress(99)->Protocol(), DialogProtocols()[5]);
}

TEST(SolenoidTable, SameRulesAndRemoveHandsTheSolenoidBack) {
  TSolenoidTable table;
  for (int32_t address : {7, 9}) {
    auto solenoid = SolenoidAt(address);
    ASSERT_TRUE(table.AddSolenoid(solenoid));
  }
  auto duplicate = SolenoidAt(9);
  EXPECT_FALSE(table.AddSolenoid(duplicate));
  EXPECT_NE(duplicate, nullptr);
  EXPECT_EQ(table.SolenoidCount(), 2);
  EXPECT_EQ(table.SolenoidAt(1)->Address(), 9);
  EXPECT_EQ(table.SolenoidAt(2), nullptr);
  EXPECT_EQ(table.FindSolenoidByAddress(8), nullptr);

  TMoBaAdvancedSolenoid* seven = table.FindSolenoidByAddress(7);
  std::unique_ptr<TMoBaAdvancedSolenoid> back = table.RemoveSolenoid(seven);
  EXPECT_EQ(back.get(), seven);
  EXPECT_EQ(back->Address(), 7);  // alive and now the caller's
  EXPECT_EQ(table.SolenoidCount(), 1);
  EXPECT_EQ(table.RemoveSolenoid(back.get()), nullptr);
  EXPECT_EQ(table.RemoveSolenoid(nullptr), nullptr);
  EXPECT_EQ(table.SolenoidCount(), 1);
}

}  // namespace
}  // namespace tenvarra
