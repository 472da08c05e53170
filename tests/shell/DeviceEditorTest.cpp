#include "shell/DeviceEditor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/DialogProtocols.h"
#include "shell/DeviceStore.h"
#include "shell/EditedTables.h"

namespace tenvarra {
namespace {

// The editor over the store's real loco table, as the loco setup uses it.
class DeviceEditorTest : public ::testing::Test {
protected:
  void AddLoco(int32_t Address, int32_t Entry = 1) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[Entry]);
    loco->SetAddress(Address);
    ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  }
  std::vector<int32_t> Addresses() const {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < FStore.LocoTable().LocoCount(); ++i)
      out.push_back(FStore.LocoTable().LocoAt(i)->Address());
    return out;
  }
  // Position, count, current address (0 for a new entry) and item, and the
  // moves allowed: "2/3 40 i6 <>d".
  std::string State() const {
    const int32_t index = FEditor.CurrentIndex();
    const int32_t address = index < 0 ? 0 : FStore.LocoTable().LocoAt(index)->Address();
    return std::to_string(FEditor.Number()) + "/" + std::to_string(FEditor.Count()) + " " +
           std::to_string(address) + " i" + std::to_string(FEditor.CurrentItem()) + " " +
           (FEditor.CanGoBack() ? "<" : "") + (FEditor.CanGoForward() ? ">" : "") +
           (FEditor.CanDelete() ? "d" : "");
  }
  TSaveResult Save(int32_t Item, const char* Address) { return FEditor.Save(Item, Address).Result; }

  TDeviceStore FStore;
  TEditedLocoTable FTable{FStore.LocoTable()};
  TDeviceEditor FEditor{FTable};
};

TEST_F(DeviceEditorTest, NewLocosTakeTheChosenProtocolsLimits) {
  FEditor.Open();
  EXPECT_EQ(State(), "1/0 0 i-1 ");
  const struct {
    int32_t Item;
    const char* Typed;
    const char* Saved;
  } cases[] = {
      {0, "1", "1/1 1 i0 d"},
      {10, "10239", "2/2 10239 i10 <d"},
      {5, "120", "3/3 99 i5 <d"},
      {8, " 7 ", "4/4 7 i8 <d"},
  };
  for (const auto& c : cases) {
    FEditor.New();
    EXPECT_EQ(Save(c.Item, c.Typed), TSaveResult::srSaved) << c.Saved;
    EXPECT_EQ(State(), c.Saved);
  }
  EXPECT_EQ(FStore.LocoTable().LocoAt(1)->MaxSteps(), 128);
}

TEST_F(DeviceEditorTest, BrowsingSavingAndDeleting) {
  for (int32_t a : {1, 2, 3}) AddLoco(a);
  FEditor.Open();
  EXPECT_EQ(State(), "1/3 1 i1 >d");
  FEditor.Next();
  FEditor.Next();
  FEditor.Next();  // no further
  EXPECT_EQ(State(), "3/3 3 i1 <d");
  FEditor.Previous();
  FEditor.Previous();
  FEditor.Previous();
  EXPECT_EQ(State(), "1/3 1 i1 >d");

  // Saving moves the record to the end with its new protocol.
  EXPECT_EQ(Save(3, "1"), TSaveResult::srSaved);
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{2, 3, 1}));
  EXPECT_EQ(State(), "3/3 1 i3 <d");

  // Deleting a later record makes the one before it current; deleting the
  // first starts a new entry, and its save keeps the others.
  FEditor.Delete();
  EXPECT_EQ(State(), "2/2 3 i1 <d");
  FEditor.Previous();
  FEditor.Delete();
  EXPECT_EQ(State(), "2/1 0 i-1 ");
  EXPECT_EQ(Save(1, "50"), TSaveResult::srSaved);
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{3, 50}));

  // The table emptied: a new entry, and nothing more to delete.
  FEditor.Delete();
  FEditor.Previous();
  FEditor.Delete();
  EXPECT_EQ(State(), "1/0 0 i-1 ");
  FEditor.Delete();
  EXPECT_TRUE(Addresses().empty());
}

TEST_F(DeviceEditorTest, RefusedSavesLeaveTheTableAndTheCurrentRecord) {
  AddLoco(80, 0);
  AddLoco(90, 2);  // Extended Motorola 1: addresses up to 255
  FEditor.Open();
  FEditor.Next();
  // Old Motorola reaches only 80, where the other loco is.
  EXPECT_EQ(FEditor.Save(0, "90").Message, AddressInUseText);
  EXPECT_EQ(Save(-1, "90"), TSaveResult::srNoProtocol);
  EXPECT_EQ(Save(11, "90"), TSaveResult::srNoProtocol);
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{80, 90}));
  EXPECT_EQ(State(), "2/2 90 i2 <d");

  FEditor.New();
  // 0 and -5 become address 1 by the address rule; 80 is taken.
  EXPECT_EQ(Save(0, "0"), TSaveResult::srSaved);
  FEditor.New();
  for (const char* taken : {"80", "-5"}) EXPECT_EQ(Save(1, taken), TSaveResult::srAddressInUse) << taken;
  const TSaveOutcome bad = FEditor.Save(1, "12a");
  EXPECT_EQ(bad.Result, TSaveResult::srBadAddress);
  EXPECT_NE(bad.Message.find("'12a'"), std::string::npos) << bad.Message;
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{80, 90, 1}));
  EXPECT_EQ(State(), "4/3 0 i-1 ");
}

// A device learned while the setup is open is appended behind the editor's
// back; what the editor does next must still be about the record it holds.
TEST_F(DeviceEditorTest, TheTableChangingUnderneathNeverMovesTheCurrentRecord) {
  AddLoco(1);
  AddLoco(2);
  FEditor.Open();
  FEditor.New();
  AddLoco(7);  // learned
  EXPECT_EQ(State(), "4/3 0 i-1 ");
  EXPECT_EQ(Save(1, "9"), TSaveResult::srSaved);
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{1, 2, 7, 9}));

  AddLoco(8);  // learned while 9 is shown: it is no longer the last
  EXPECT_EQ(State(), "4/5 9 i1 <>d");
  FEditor.Delete();
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{1, 2, 7, 8}));
  EXPECT_EQ(State(), "3/4 7 i1 <>d");
  FEditor.Next();
  EXPECT_EQ(State(), "4/4 8 i1 <d");

  // The current record leaving the table makes a new entry of it, and one
  // added after it (perhaps where it lived in memory) is not taken for it.
  int changes = 0;
  FEditor.OnTableChanged = [&changes] { ++changes; };
  FStore.LocoTable().RemoveLoco(FStore.LocoTable().LocoAt(3));
  EXPECT_EQ(State(), "4/3 0 i-1 ");
  AddLoco(5);
  EXPECT_EQ(State(), "5/4 0 i-1 ");
  EXPECT_EQ(changes, 2);
}

TEST(DeviceEditorSolenoidTest, SolenoidsTakeTheirProtocolsLimits) {
  TDeviceStore store;
  TEditedSolenoidTable table(store);
  TDeviceEditor editor(table);
  editor.Open();
  for (const auto& [item, typed] : {std::pair{1, "5000"}, {0, "300"}, {1, " 17 "}}) {
    editor.New();
    EXPECT_EQ(editor.Save(item, typed).Result, TSaveResult::srSaved) << typed;
  }
  std::vector<std::string> saved;
  for (int32_t i = 0; i < store.SolenoidTable().SolenoidCount(); ++i)
    saved.push_back(std::to_string(store.SolenoidTable().SolenoidAt(i)->Address()) + " " +
                    store.SolenoidTable().SolenoidAt(i)->Protocol()->Name);
  EXPECT_EQ(saved, (std::vector<std::string>{"4096 NMRA Accessory", "256 Motorola Solenoid",
                                             "17 NMRA Accessory"}));
  EXPECT_EQ(editor.CurrentItem(), 1);
  EXPECT_EQ(editor.Save(2, "5").Result, TSaveResult::srNoProtocol);
}

}  // namespace
}  // namespace tenvarra
