#include "dialogs/SolForm.h"

#include <QToolButton>

#include "dialogs/DialogTest.h"
#include "shell/DeviceStore.h"

namespace tenvarra {
namespace {

using namespace test;

class SolFormTest : public ::testing::Test {
protected:
  void AddSolenoid(int32_t Address, bool Nmra) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(Nmra ? &FStore.NmraAccessoryProtocol()
                               : &FStore.MotorolaSolenoidProtocol());
    solenoid->SetAddress(Address);
    ASSERT_TRUE(FStore.SolenoidTable().AddSolenoid(solenoid));
  }
  // Address and protocol name of every solenoid, in table order.
  std::vector<std::string> Table() const {
    std::vector<std::string> out;
    const TSolenoidTable& t = FStore.SolenoidTable();
    for (int32_t i = 0; i < t.SolenoidCount(); ++i)
      out.push_back(std::to_string(t.SolenoidAt(i)->Address()) + " " +
                    t.SolenoidAt(i)->Protocol()->Name);
    return out;
  }
  QLineEdit& Address() { return Child<QLineEdit>(FForm, "EdAddress"); }
  QComboBox& Protocol() { return Child<QComboBox>(FForm, "cbProto"); }
  void ClickUp(int Times) {
    auto& up = *Child<QWidget>(FForm, "udAddr").findChildren<QToolButton*>().at(0);
    for (int i = 0; i < Times; ++i) QTest::mouseClick(&up, Qt::LeftButton);
  }

  TDeviceStore FStore;
  TSolForm FForm{FStore};
};

TEST_F(SolFormTest, NewSolenoidsTakeTheChosenProtocolsLimits) {
  FForm.show();
  EXPECT_EQ(LabelText(FForm, "lbNr"), "1/ 0");
  Click(FForm, "BuSave");
  const struct {
    int Item;
    const char* Typed;
  } cases[] = {{1, "5000"}, {0, "300"}, {1, " 17 "}};
  for (const auto& c : cases) {
    Click(FForm, "CreateButton");
    Choose(Protocol(), c.Item);
    Type(Address(), QString::fromLatin1(c.Typed));
    Click(FForm, "BuSave");
  }
  EXPECT_EQ(Table(), (std::vector<std::string>{"1 Motorola Solenoid", "4096 NMRA Accessory",
                                               "256 Motorola Solenoid", "17 NMRA Accessory"}));
  // The last one saved is shown with its protocol's item.
  EXPECT_EQ(LabelText(FForm, "lbNr"), "4/ 4");
  EXPECT_EQ(Protocol().currentIndex(), 1);
}

TEST_F(SolFormTest, UpDownReachesTheChosenProtocolsHighestAddress) {
  FForm.show();
  Click(FForm, "CreateButton");
  ClickUp(100);
  EXPECT_EQ(Address().text(), "80");
  Choose(Protocol(), 1);
  Type(Address(), QStringLiteral("4090"));
  ClickUp(10);
  EXPECT_EQ(Address().text(), "4096");
  Choose(Protocol(), 0);
  ClickUp(1);
  EXPECT_EQ(Address().text(), "256");
  // The arrow keys in the box step it too.
  QTest::keyClick(&Address(), Qt::Key_Down);
  EXPECT_EQ(Address().text(), "255");
}

// Browsing and deleting are the device form's, proven in LocoFormTest.
TEST_F(SolFormTest, ShowsEachSolenoidsProtocol) {
  AddSolenoid(3, false);
  AddSolenoid(700, true);
  FForm.show();
  EXPECT_EQ(Protocol().currentIndex(), 0);
  Click(FForm, "BuNext");
  EXPECT_EQ(Address().text(), "700");
  EXPECT_EQ(Protocol().currentIndex(), 1);
}

}  // namespace
}  // namespace tenvarra
