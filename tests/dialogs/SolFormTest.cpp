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
  QLineEdit& Address() { return Child<QLineEdit>(FForm, "EdAddress"); }
  QComboBox& Protocol() { return Child<QComboBox>(FForm, "cbProto"); }
  void ClickUp(int Times) {
    auto& up = *Child<QWidget>(FForm, "udAddr").findChildren<QToolButton*>().at(0);
    for (int i = 0; i < Times; ++i) QTest::mouseClick(&up, Qt::LeftButton);
  }

  TDeviceStore FStore;
  TSolForm FForm{FStore};
};

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

// Saving, browsing and deleting are the device editor's (DeviceEditorTest).
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
