#include "dialogs/SetupForm.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QToolButton>

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
                   {[] { return false; }, [this](const TGeneralSetupFields& Fields) { ApplyGeneralSetup(Fields, FSettings); },
                    nullptr}};
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

TEST_F(SetupFormTest, ABadFieldKeepsTheFormOpenAtThatFieldWithEveryEdit) {
  const auto refused = [this](const char* Name, int Page) {
    TBoxAnswer error;
    Click(FForm, "buSave");
    EXPECT_EQ(error.Box.Icon, QMessageBox::Critical);
    EXPECT_TRUE(FForm.isVisible());
    EXPECT_EQ(Child<QTabWidget>(FForm, "PG1").currentIndex(), Page);
    EXPECT_EQ(Edit(Name).selectedText(), Edit(Name).text());
    return error.Box.Text;
  };
  EXPECT_TRUE(Execute([&] {
    Type(Edit("edServer"), QStringLiteral("other"));
    Type(Edit("edPort"), QStringLiteral("43a3"));
    Type(Edit("edS88Modules"), QStringLiteral("32"));
    Child<QTabWidget>(FForm, "PG1").setCurrentIndex(2);
    EXPECT_EQ(refused("edPort", 0), "Port: '43a3' is not a whole number within 1 .. 65535");
    Type(Edit("edPort"), QStringLiteral("4303"));
    EXPECT_EQ(refused("edS88Modules", 3), "Number of S88 modules: 32 is not within 0 .. 31");
    Type(Edit("edS88Modules"), QStringLiteral("31"));
    Click(FForm, "buSave");
  }));
  EXPECT_EQ(FSettings.Host + ":" + std::to_string(FSettings.Port), "other:4303");
  EXPECT_EQ(FSettings.S88Modules, 31);
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
