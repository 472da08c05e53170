// Renders every dialog as the person sees it (see Screenshot.h).
#include <QTabWidget>

#include "dialogs/DialogTest.h"
#include "dialogs/LearnForm.h"
#include "dialogs/LocoForm.h"
#include "dialogs/Screenshot.h"
#include "dialogs/SetupForm.h"
#include "dialogs/SolForm.h"
#include "dialogs/SolLearnForm.h"
#include "shell/DeviceStore.h"

namespace tenvarra {
namespace {

using namespace test;

class ScreenshotTest : public ::testing::Test, public TScreenshots {
protected:
  TDeviceStore FStore;
};

TEST_F(ScreenshotTest, SetupDialogs) {
  for (int32_t address : {12, 3000}) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[address > 99 ? 10 : 1]);
    loco->SetAddress(address);
    ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  }
  auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
  solenoid->SetProtocol(&FStore.NmraAccessoryProtocol());
  solenoid->SetAddress(7);
  ASSERT_TRUE(FStore.SolenoidTable().AddSolenoid(solenoid));

  TLocoForm loco(FStore.LocoTable());
  loco.show();
  Shoot(loco, "loco-setup");
  TSolForm solenoids(FStore);
  solenoids.show();
  Shoot(solenoids, "solenoid-setup");

  TSetupForm setup(FStore.Settings, {});
  setup.SetFields(GeneralSetupFields(FStore.Settings));
  setup.show();
  auto& pages = Child<QTabWidget>(setup, "PG1");
  const char* names[] = {"setup-connections", "setup-srcp", "setup-log", "setup-misc"};
  ASSERT_EQ(pages.count(), 4);
  for (int page = 0; page < 4; ++page) {
    pages.setCurrentIndex(page);
    Shoot(setup, names[page]);
  }
}

TEST_F(ScreenshotTest, LearningDialogs) {
  TLearnForm learn;
  {
    TModalAnswer answer([&](QWidget& Window) {
      Shoot(Window, "learn-loco");
      Click(Window, "buCancel");
    });
    learn.AskLocoProtocol(90);
  }
  int32_t index = 0;
  TModalAnswer answer([&](QWidget& Window) {
    Shoot(Window, "learn-solenoid");
    Click(Window, "buCancel");
  });
  TSolLearnForm::AskSolenoidProtocol(200, index);
}

}  // namespace
}  // namespace tenvarra
