#include "dialogs/SetupForm.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QToolButton>
#include <optional>

#include "common/TempDir.h"
#include "dialogs/DialogTest.h"
#include "shell/StoreFile.h"

namespace tenvarra {
namespace {

using namespace test;

// The setup wired as the bridge wires it: take the fields back, then write
// loco.dat and hand host and port to the client (here: a record of them).
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

  TTempDir FDir;
  TDeviceStore FStore;
  bool FConnected = false;
  std::string FClientHost;
  int32_t FClientPort = 0;
  TSetupForm FForm{FStore.Settings,
                   {[this] { return FConnected; },
                    [this](const TGeneralSetupFields& Fields) {
                      ApplyGeneralSetup(Fields, FStore.Settings);
                      SaveStoreFile(FDir.File("loco.dat"), FStore);
                      FClientHost = FStore.Settings.Host;
                      FClientPort = FStore.Settings.Port;
                    }}};
};

TEST_F(SetupFormTest, WhileConnectedOnlyTheWarningShows) {
  FConnected = true;
  TBoxAnswer answer;
  EXPECT_FALSE(FForm.Execute());
  EXPECT_EQ(answer.Box.Title, "Warning");
  EXPECT_EQ(answer.Box.Text, "Please disconnect from server!");
  EXPECT_EQ(answer.Box.Icon, QMessageBox::Critical);
  EXPECT_FALSE(FDir.Exists("loco.dat"));
}

TEST_F(SetupFormTest, SaveHandsNewHostAndPortToClientAndFile) {
  FStore.Settings.NMRAGABus = 150;  // more than the up-down buttons reach: shown as it is
  EXPECT_TRUE(Execute([&] {
    EXPECT_EQ(FForm.windowTitle(), "Setup");
    EXPECT_EQ(Child<QTabWidget>(FForm, "PG1").currentIndex(), 0);
    EXPECT_EQ(Edit("edServer").text(), "localhost");
    EXPECT_EQ(Edit("edNMRAGA").text(), "150");
    EXPECT_TRUE(Child<QCheckBox>(FForm, "cbHandshake").isChecked());
    Type(Edit("edServer"), QStringLiteral("layout.example"));
    Type(Edit("edPort"), QStringLiteral("4303"));
    QTest::mouseClick(Child<QWidget>(FForm, "udPower").findChildren<QToolButton*>().at(0),
                      Qt::LeftButton);
    QTest::mouseClick(&Child<QCheckBox>(FForm, "cbLearning"), Qt::LeftButton);
    Click(FForm, "buSave");
  }));
  EXPECT_EQ(FClientHost, "layout.example");
  EXPECT_EQ(FClientPort, 4303);
  EXPECT_EQ(FStore.Settings.PowerBus, 2);
  EXPECT_EQ(FStore.Settings.NMRAGABus, 150);
  EXPECT_TRUE(FStore.Settings.LearningMode);
  EXPECT_EQ(FDir.Read("loco.dat").substr(0, 22), "layout.example\r\n4303\r\n");
}

TEST_F(SetupFormTest, LettersInThePortTakeOverOnlyTheHost) {
  std::optional<TBoxAnswer> error;  // comes once the form has closed
  EXPECT_FALSE(Execute([&] {
    Type(Edit("edServer"), QStringLiteral("other"));
    Type(Edit("edPort"), QStringLiteral("43a3"));
    Type(Edit("edActTime"), QStringLiteral("500"));
    error.emplace();
    Click(FForm, "buSave");
  }));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Box.Icon, QMessageBox::Critical);
  EXPECT_TRUE(error->Box.Text.contains("'43a3'")) << error->Box.Text.toStdString();
  TSettings expected;
  expected.Host = "other";
  EXPECT_EQ(FStore.Settings, expected);
  EXPECT_FALSE(FDir.Exists("loco.dat"));
  EXPECT_EQ(FClientPort, 0);
}

TEST_F(SetupFormTest, CancelChangesNothingAndTheNextOpeningRefills) {
  EXPECT_FALSE(Execute([&] {
    Type(Edit("edServer"), QStringLiteral("other"));
    Child<QTabWidget>(FForm, "PG1").setCurrentIndex(3);
    Click(FForm, "buCancel");
  }));
  EXPECT_EQ(FStore.Settings, TSettings{});
  EXPECT_FALSE(FDir.Exists("loco.dat"));
  EXPECT_FALSE(Execute([&] {
    EXPECT_EQ(Edit("edServer").text(), "localhost");
    EXPECT_EQ(Child<QTabWidget>(FForm, "PG1").currentIndex(), 0);
    Click(FForm, "buCancel");
  }));
}

TEST_F(SetupFormTest, BusNumberBeyondTheUpDownKeepsTheSetupClosed) {
  FStore.Settings.S88Bus = 40000;
  TBoxAnswer box;
  EXPECT_FALSE(FForm.Execute());
  EXPECT_TRUE(box.Box.Text.contains("40000")) << box.Box.Text.toStdString();
}

}  // namespace
}  // namespace tenvarra
