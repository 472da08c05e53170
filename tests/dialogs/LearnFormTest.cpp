#include <QGuiApplication>
#include <QScreen>
#include <optional>

#include "dialogs/DialogTest.h"
#include "dialogs/LearnForm.h"
#include "dialogs/SolLearnForm.h"

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
  return Form.AskLocoProtocol(Address);
}

TEST(LearnFormTest, LocoChoiceIsKeptFromOneQuestionToTheNext) {
  TLearnForm form;
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

bool AskSolenoid(int32_t Address, int32_t& SolLearnIndex, const std::function<void(QWidget&)>& Answer) {
  TModalAnswer answer([&](QWidget& Window) {
    ExpectShownForAnAnswer(Window);
    EXPECT_EQ(LabelText(Window, "lbAddress"), QString::number(Address));
    // Every window starts without a choice.
    EXPECT_EQ(Child<QComboBox>(Window, "cbProtocol").currentIndex(), -1);
    Answer(Window);
  });
  return TSolLearnForm::AskSolenoidProtocol(Address, SolLearnIndex);
}

// A choice saved through the window: MainFormTest's learning test.
TEST(LearnFormTest, SolenoidChoiceIsStoredAtOnceAndOutlivesTheWindow) {
  int32_t index = 0;
  // Untouched, the first window gives Motorola.
  EXPECT_TRUE(AskSolenoid(200, index, [](QWidget& w) { Click(w, "buSave"); }));
  EXPECT_EQ(index, 0);
  // A change stays even when the window is cancelled.
  EXPECT_FALSE(AskSolenoid(202, index, [&](QWidget& w) {
    Choose(Child<QComboBox>(w, "cbProtocol"), 1);
    EXPECT_EQ(index, 1);
    Click(w, "buCancel");
  }));
  EXPECT_EQ(index, 1);
}

}  // namespace
}  // namespace tenvarra
