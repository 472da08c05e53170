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
  std::vector<int32_t> Addresses() const {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < FStore.LocoTable().LocoCount(); ++i)
      out.push_back(FStore.LocoTable().LocoAt(i)->Address());
    return out;
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
  TLocoForm FForm{FStore};
};

TEST_F(LocoFormTest, EmptyTableOffersOldMotorolaAtAddressOne) {
  Open();
  ASSERT_EQ(Protocol().count(), 17);
  EXPECT_EQ(Shown(), "1/ 0 1 14 1 0");  // number, address, steps, functions, item
  EXPECT_TRUE(Enabled("EdAddress"));
  EXPECT_FALSE(Enabled("BuPrev"));
  EXPECT_FALSE(Enabled("BuNext"));
  Click(FForm, "BuSave");
  ASSERT_EQ(Addresses(), std::vector<int32_t>{1});
  EXPECT_EQ(FStore.LocoTable().LocoAt(0)->Protocol(), DialogProtocols()[0]);
  EXPECT_EQ(Shown(), "1/ 1 1 14 1 0");
  EXPECT_FALSE(Enabled("EdAddress"));
}

TEST_F(LocoFormTest, NewLocoTakesTheChosenProtocolsLimits) {
  const struct {
    int Item;
    const char* Typed;
    const char* Hint;   // steps and functions the labels give for the item
    const char* Saved;  // as shown after saving
  } cases[] = {
      {10, "10239", "127 5", "1/ 1 10239 128 5 10"},
      {5, "120", "14 0", "1/ 1 99 14 0 5"},
      {8, " 7 ", "127 5", "1/ 1 7 128 5 8"},
      {2, "0", "27 5", "1/ 1 1 28 5 2"},
  };
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Saved);
    Click(FForm, "CreateButton");
    EXPECT_TRUE(Enabled("EdAddress"));
    EXPECT_FALSE(Enabled("buDelete"));
    Choose(Protocol(), c.Item);
    EXPECT_EQ(LabelText(FForm, "LbSteps") + " " + LabelText(FForm, "LbFunctions"), c.Hint);
    Type(Address(), QString::fromLatin1(c.Typed));
    Click(FForm, "BuSave");
    EXPECT_EQ(Shown(), c.Saved);
    // Each case starts from an empty table, so that address 1 is free.
    Click(FForm, "buDelete");
  }
  EXPECT_EQ(FStore.LocoTable().LocoCount(), 0);
}

TEST_F(LocoFormTest, AddressInUseIsRefusedAndTheNewEntryStays) {
  AddLoco(12, 1);
  AddLoco(1, 1);
  Open();
  Click(FForm, "CreateButton");
  // 0 and -5 become address 1 by the address rule.
  for (const char* typed : {"12", "0", "-5"}) {
    Type(Address(), QString::fromLatin1(typed));
    const TBox box = SaveRefused();
    EXPECT_EQ(box.Title, "Warning") << typed;
    EXPECT_EQ(box.Text, AddressInUse) << typed;
    EXPECT_EQ(box.Icon, QMessageBox::Critical) << typed;
    EXPECT_EQ(Addresses(), (std::vector<int32_t>{12, 1}));
    EXPECT_EQ(FForm.CurrentNumber(), 3);
    EXPECT_TRUE(Enabled("EdAddress"));
  }
}

TEST_F(LocoFormTest, BrowsingShowsEachEntryWithItsAddressLocked) {
  AddLoco(3, 0);
  AddLoco(40, 6);
  // A loco read from loco.dat has a protocol object of its own.
  auto own = std::make_unique<TMoBaLocoProtocol>();
  DialogProtocols()[10]->AssignTo(*own);
  auto loco = std::make_unique<TMoBaAdvancedLoco>();
  loco->SetProtocol(FStore.LocoTable().AdoptProtocol(std::move(own)));
  loco->SetAddress(3000);
  ASSERT_TRUE(FStore.LocoTable().AddLoco(loco));

  Open();
  EXPECT_EQ(Shown(), "1/ 3 3 14 1 0");
  EXPECT_FALSE(Enabled("EdAddress"));
  EXPECT_FALSE(Enabled("udAddr"));
  const struct {
    const char* Button;
    const char* Shown;
    bool Prev, Next;
  } steps[] = {
      {"BuNext", "2/ 3 40 14 5 6", true, true},
      {"BuNext", "3/ 3 3000 128 5 10", true, false},
      {"BuPrev", "2/ 3 40 14 5 6", true, true},
      {"BuPrev", "1/ 3 3 14 1 0", false, true},
  };
  for (const auto& s : steps) {
    Click(FForm, s.Button);
    EXPECT_EQ(Shown(), s.Shown);
    EXPECT_EQ(Enabled("BuPrev"), s.Prev) << s.Shown;
    EXPECT_EQ(Enabled("BuNext"), s.Next) << s.Shown;
    EXPECT_FALSE(Enabled("EdAddress"));
  }
}

TEST_F(LocoFormTest, SavingAnEntryMovesItToTheEnd) {
  for (int32_t a : {1, 2, 3}) AddLoco(a, 1);
  Open();
  Choose(Protocol(), 3);
  Click(FForm, "BuSave");
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{2, 3, 1}));
  EXPECT_EQ(FStore.LocoTable().LocoAt(2)->Protocol(), DialogProtocols()[3]);
  EXPECT_EQ(Shown(), "3/ 3 1 14 5 3");
}

TEST_F(LocoFormTest, DeletingTheFirstEntryStartsANewOneThatKeepsTheOthers) {
  for (int32_t a : {1, 2, 3}) AddLoco(a, 1);
  Open();
  Click(FForm, "buDelete");
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(LabelText(FForm, "lbNr"), "3/ 2");
  EXPECT_TRUE(Enabled("EdAddress"));
  EXPECT_FALSE(Enabled("BuNext"));
  Type(Address(), QStringLiteral("50"));
  Click(FForm, "BuSave");
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{2, 3, 50}));

  // Deleting a later entry shows the one before it.
  Click(FForm, "buDelete");
  EXPECT_EQ(Addresses(), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(LabelText(FForm, "lbNr"), "2/ 2");
  EXPECT_EQ(Address().text(), "3");
}

TEST_F(LocoFormTest, RefusedSavesKeepTheShownEntry) {
  AddLoco(80, 0);
  AddLoco(90, 2);  // Extended Motorola 1: addresses up to 255
  Open();
  Click(FForm, "BuNext");

  // Old Motorola reaches only 80, where the other loco is.
  Choose(Protocol(), 0);
  EXPECT_EQ(SaveRefused().Text, AddressInUse);
  // An empty item stands for no protocol, and so does text that names none.
  Choose(Protocol(), 12);
  const TBox empty = SaveRefused();
  EXPECT_EQ(empty.Title, "Warning");
  EXPECT_TRUE(empty.Text.contains("nothing was saved")) << empty.Text.toStdString();
  Type(*Protocol().lineEdit(), QStringLiteral("DCC only"));
  EXPECT_TRUE(SaveRefused().Text.contains("nothing was saved"));

  EXPECT_EQ(Addresses(), (std::vector<int32_t>{80, 90}));
  EXPECT_EQ(FStore.LocoTable().LocoAt(1)->Protocol(), DialogProtocols()[2]);
  EXPECT_EQ(FForm.CurrentNumber(), 2);

  // A new entry whose address is not a number: the conversion error.
  Click(FForm, "CreateButton");
  Type(Address(), QStringLiteral("12a"));
  const TBox error = SaveRefused();
  EXPECT_EQ(error.Icon, QMessageBox::Critical);
  EXPECT_TRUE(error.Text.contains("'12a'")) << error.Text.toStdString();
  EXPECT_EQ(FStore.LocoTable().LocoCount(), 2);
}

TEST_F(LocoFormTest, EveryOpeningStartsAtTheFirstEntryCentred) {
  AddLoco(5, 1);
  AddLoco(6, 1);
  {
    TModalAnswer answer([this](QWidget& Window) {
      EXPECT_EQ(&Window, &FForm);
      Click(FForm, "CreateButton");  // left unsaved: deleting is off
      Click(FForm, "BuExit");
    });
    FForm.exec();
  }
  EXPECT_FALSE(FForm.isVisible());
  Open();
  EXPECT_EQ(Shown(), "1/ 2 5 14 5 1");
  EXPECT_TRUE(Enabled("buDelete"));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((FForm.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

}  // namespace
}  // namespace tenvarra
