#include "dialogs/SetupForm.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QToolButton>
#include <optional>

#include "dialogs/DialogTest.h"

namespace tenvarra {
namespace {

using namespace test;

// The form's own part: filling, the controls, the save hand-over and its
// error box. What the bridge does with the fields is the bridge tests' part.
class SetupFormTest : public ::testing::Test {
protected:
  QLineEdit& Edit(const char* Name) { return Child<QLineEdit>(FForm, Name); }
  // Runs "General setup"; Answer works the form while it is open.
  bool Execute(std::function<void()> Answer) {
    TModalAnswer answer([&](QWidget& Window) {
      EXPECT_EQ(&Window, &FForm);
      Answer();
    });
    return FForm.Execute();
  }

  TSettings FSettings;
  TSetupForm FForm{FSettings,
                   {[] { return false; }, [this](const TGeneralSetupFields& Fields) { ApplyGeneralSetup(Fields, FSettings); }}};
};

TEST_F(SetupFormTest, SaveTakesWhatTheControlsShow) {
  FSettings.NMRAGABus = 150;  // more than the up-down buttons reach: shown as it is
  EXPECT_TRUE(Execute([&] {
    EXPECT_EQ(Child<QTabWidget>(FForm, "PG1").currentIndex(), 0);
    EXPECT_EQ(Edit("edNMRAGA").text(), "150");
    EXPECT_TRUE(Child<QCheckBox>(FForm, "cbHandshake").isChecked());
    Type(Edit("edServer"), QStringLiteral("layout.example"));
    Type(Edit("edPort"), QStringLiteral("4303"));
    QTest::mouseClick(Child<QWidget>(FForm, "udPower").findChildren<QToolButton*>().at(0),
                      Qt::LeftButton);
    QTest::mouseClick(&Child<QCheckBox>(FForm, "cbLearning"), Qt::LeftButton);
    Click(FForm, "buSave");
  }));
  EXPECT_EQ(FSettings.Host, "layout.example");
  EXPECT_EQ(FSettings.Port, 4303);
  EXPECT_EQ(FSettings.PowerBus, 2);
  EXPECT_EQ(FSettings.NMRAGABus, 150);
  EXPECT_TRUE(FSettings.LearningMode);
}

TEST_F(SetupFormTest, AFieldTheSaveRefusesIsShownInAnErrorBoxAfterTheFormCloses) {
  std::optional<TBoxAnswer> error;  // comes once the form has closed
  EXPECT_FALSE(Execute([&] {
    Type(Edit("edPort"), QStringLiteral("43a3"));
    error.emplace();
    Click(FForm, "buSave");
  }));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Box.Icon, QMessageBox::Critical);
  EXPECT_TRUE(error->Box.Text.contains("'43a3'")) << error->Box.Text.toStdString();
}

TEST_F(SetupFormTest, CancelChangesNothingAndTheNextOpeningRefills) {
  EXPECT_FALSE(Execute([&] {
    Type(Edit("edServer"), QStringLiteral("other"));
    Child<QTabWidget>(FForm, "PG1").setCurrentIndex(3);
    Click(FForm, "buCancel");
  }));
  EXPECT_EQ(FSettings, TSettings{});
  EXPECT_FALSE(Execute([&] {
    EXPECT_EQ(Edit("edServer").text(), "localhost");
    EXPECT_EQ(Child<QTabWidget>(FForm, "PG1").currentIndex(), 0);
    Click(FForm, "buCancel");
  }));
}

TEST_F(SetupFormTest, BusNumberBeyondTheUpDownKeepsTheSetupClosed) {
  FSettings.S88Bus = 40000;
  TBoxAnswer box;
  EXPECT_FALSE(FForm.Execute());
  EXPECT_TRUE(box.Box.Text.contains("40000")) << box.Box.Text.toStdString();
}

}  // namespace
}  // namespace tenvarra
