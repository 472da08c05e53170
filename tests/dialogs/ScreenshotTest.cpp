// Renders every dialog as the person sees it (see Screenshot.h).
#include <QTabWidget>

#include "dialogs/DialogTest.h"
#include "dialogs/LearnForm.h"
#include "dialogs/LocoForm.h"
#include "dialogs/Screenshot.h"
#include "dialogs/SetupForm.h"
#include "dialogs/SolForm.h"
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
  for (const auto& [kind, name, address] :
       {std::tuple{TLearnForm::lkLoco, "learn-loco", 90}, {TLearnForm::lkSolenoid, "learn-solenoid", 200}}) {
    TLearnForm learn(kind);
    TModalAnswer answer([&](QWidget& Window) {
      Shoot(Window, name);
      Click(Window, "buCancel");
    });
    learn.Ask(address);
  }
}

}  // namespace
}  // namespace tenvarra
