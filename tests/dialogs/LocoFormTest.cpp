#include "dialogs/LocoForm.h"

#include <QGuiApplication>
#include <QScreen>

#include "dialogs/DialogTest.h"
#include "shell/DeviceStore.h"

namespace tenvarra {
namespace {

using namespace test;

class LocoFormTest : public ::testing::Test {
protected:
  void AddLoco(int32_t Address, int32_t Entry) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    loco->SetProtocol(DialogProtocols()[Entry]);
    loco->SetAddress(Address);
    ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  }
  void Open() { FForm.show(); }
  QLineEdit& Address() { return Child<QLineEdit>(FForm, "EdAddress"); }
  QComboBox& Protocol() { return Child<QComboBox>(FForm, "cbProto"); }
  bool Enabled(const char* Name) { return Child<QWidget>(FForm, Name).isEnabled(); }
  QString Shown() {
    return LabelText(FForm, "lbNr") + " " + Address().text() + " " +
           LabelText(FForm, "LbSteps") + " " + LabelText(FForm, "LbFunctions") + " " +
           QString::number(Protocol().currentIndex());
  }
  // Saves and returns the message box it raised.
  TBox SaveRefused() {
    TBoxAnswer answer;
    Click(FForm, "BuSave");
    return answer.Box;
  }

  TDeviceStore FStore;
  TLocoForm FForm{FStore.LocoTable()};
};

// The rules of browsing, saving and deleting are DeviceEditorTest's; these
// are what the form shows of them.
TEST_F(LocoFormTest, EmptyTableOffersOldMotorolaAndTheLabelsFollowTheChoice) {
  Open();
  ASSERT_EQ(Protocol().count(), 17);
  EXPECT_EQ(Shown(), "1/ 0 1 14 1 0");  // number, address, steps, functions, item
  EXPECT_TRUE(Enabled("EdAddress"));
  EXPECT_FALSE(Enabled("BuPrev"));
  EXPECT_FALSE(Enabled("BuNext"));
  EXPECT_FALSE(Enabled("buDelete"));
  Choose(Protocol(), 8);
  EXPECT_EQ(LabelText(FForm, "LbSteps") + " " + LabelText(FForm, "LbFunctions"), "127 5");
  Choose(Protocol(), 10);
  Type(Address(), QStringLiteral("10239"));
  Click(FForm, "BuSave");
  EXPECT_EQ(Shown(), "1/ 1 10239 128 5 10");
  EXPECT_FALSE(Enabled("EdAddress"));
  EXPECT_TRUE(Enabled("buDelete"));
}

TEST_F(LocoFormTest, RefusedSavesAreShownAndKeepWhatWasTyped) {
  AddLoco(80, 0);
  AddLoco(90, 2);  // Extended Motorola 1: addresses up to 255
  Open();
  Click(FForm, "BuNext");

  // Old Motorola reaches only 80, where the other loco is.
  Choose(Protocol(), 0);
  const TBox inUse = SaveRefused();
  EXPECT_EQ(inUse.Title, "Warning");
  EXPECT_EQ(inUse.Text, AddressInUse);
  EXPECT_EQ(inUse.Icon, QMessageBox::Critical);
  // An empty item stands for no protocol, and so does text that names none.
  Choose(Protocol(), 12);
  EXPECT_TRUE(SaveRefused().Text.contains("nothing was saved"));
  Type(*Protocol().lineEdit(), QStringLiteral("DCC only"));
  EXPECT_TRUE(SaveRefused().Text.contains("nothing was saved"));
  EXPECT_EQ(FStore.LocoTable().LocoAt(1)->Protocol(), DialogProtocols()[2]);

  // An address that is not a number: the box names the field, which keeps
  // the text and is selected.
  Click(FForm, "CreateButton");
  Choose(Protocol(), 6);
  Type(Address(), QStringLiteral("12a"));
  const TBox error = SaveRefused();
  EXPECT_EQ(error.Icon, QMessageBox::Critical);
  EXPECT_TRUE(error.Text.startsWith("Adresse: ") && error.Text.contains("'12a'")) << error.Text.toStdString();
  EXPECT_EQ(Address().selectedText(), "12a");
  EXPECT_EQ(Protocol().currentIndex(), 6);
  EXPECT_EQ(FStore.LocoTable().LocoCount(), 2);
}

TEST_F(LocoFormTest, EveryOpeningStartsAtTheFirstEntryCentredAndBrowsesWithTheAddressLocked) {
  AddLoco(3, 0);
  // A loco read from loco.dat has a protocol object of its own.
  auto own = std::make_unique<TMoBaLocoProtocol>();
  DialogProtocols()[10]->AssignTo(*own);
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetProtocol(FStore.LocoTable().AdoptProtocol(std::move(own)));
  loco->SetAddress(3000);
  ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));
  {
    TModalAnswer answer([this](QWidget& Window) {
      EXPECT_EQ(&Window, &FForm);
      Click(FForm, "BuNext");
      EXPECT_EQ(Shown(), "2/ 2 3000 128 5 10");
      EXPECT_TRUE(Enabled("BuPrev"));
      EXPECT_FALSE(Enabled("BuNext"));
      Click(FForm, "CreateButton");  // left unsaved
      Click(FForm, "BuExit");
    });
    FForm.exec();
  }
  EXPECT_FALSE(FForm.isVisible());
  Open();
  EXPECT_EQ(Shown(), "1/ 2 3 14 1 0");
  EXPECT_FALSE(Enabled("EdAddress"));
  EXPECT_FALSE(Enabled("udAddr"));
  EXPECT_TRUE(Enabled("buDelete"));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((FForm.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

}  // namespace
}  // namespace tenvarra
