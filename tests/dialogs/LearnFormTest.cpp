#include <QGuiApplication>
#include <QScreen>
#include <optional>

#include "dialogs/DialogTest.h"
#include "dialogs/LearnForm.h"

namespace tenvarra {
namespace {

using namespace test;

// Modal, on top of every window and centred on the screen.
void ExpectShownForAnAnswer(QWidget& Window) {
  EXPECT_TRUE(Window.isModal());
  EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Window.windowTitle(), "Select a protocol");
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((Window.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

// Asks once; Answer works the form while it is open.
std::optional<int32_t> AskLoco(TLearnForm& Form, int32_t Address,
                               const std::function<void()>& Answer) {
  TModalAnswer answer([&](QWidget& Window) {
    EXPECT_EQ(&Window, &Form);
    ExpectShownForAnAnswer(Window);
    EXPECT_EQ(LabelText(Form, "lbAddress"), QString::number(Address));
    Answer();
  });
  return Form.Ask(Address);
}

TEST(LearnFormTest, LocoChoiceIsKeptFromOneQuestionToTheNext) {
  TLearnForm form(TLearnForm::lkLoco);
  auto& list = Child<QComboBox>(form, "cbGLs");
  ASSERT_EQ(list.count(), 11);

  // Saving before a choice is refused; the form waits for one.
  EXPECT_EQ(AskLoco(form, 90,
                    [&] {
                      EXPECT_EQ(list.currentIndex(), -1);
                      {
                        TBoxAnswer refused;
                        Click(form, "buOK");
                        EXPECT_EQ(refused.Box.Title, "Warning");
                      }
                      EXPECT_TRUE(form.isVisible());
                      Choose(list, 9);
                      Click(form, "buOK");
                    }),
            9);
  EXPECT_EQ(AskLoco(form, 12,
                    [&] {
                      EXPECT_EQ(list.currentIndex(), 9);
                      Choose(list, 0);
                      Click(form, "buCancel");
                    }),
            std::nullopt);
  // What the person left in the list stays, cancelled or not.
  EXPECT_EQ(AskLoco(form, 7, [&] { Click(form, "buOK"); }), 0);
}

// A solenoid form starts without a choice, and "Save" without one is the
// caller's (MainFormTest learns through the window).
TEST(LearnFormTest, SolenoidChoiceIsToldAtOnceAndSaveNeedsNone) {
  std::vector<int32_t> told;
  for (const bool save : {true, false}) {
    TLearnForm form(TLearnForm::lkSolenoid);
    form.OnChoice = [&told](int32_t Item) { told.push_back(Item); };
    auto& list = Child<QComboBox>(form, "cbGAs");
    TModalAnswer answer([&](QWidget& Window) {
      ExpectShownForAnAnswer(Window);
      EXPECT_EQ(list.currentIndex(), -1);
      if (save) {
        Click(form, "buOK");
        return;
      }
      Choose(list, 1);
      Click(form, "buCancel");
    });
    EXPECT_EQ(form.Ask(200), save ? std::optional<int32_t>(-1) : std::nullopt);
  }
  EXPECT_EQ(told, std::vector<int32_t>{1});
}

}  // namespace
}  // namespace tenvarra
