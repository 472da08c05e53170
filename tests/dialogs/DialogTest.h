#pragma once
// Driving the dialogs as a person would, under the offscreen platform:
// named controls, clicks, typed text, choices from a list's popup, and modal
// windows answered from their own event loop.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace tenvarra::test {

// The control named Name (the names the dialogs give their controls).
template <class TWidget>
TWidget& Child(QWidget& Parent, const char* Name) {
  auto* child = Parent.findChild<TWidget*>(QString::fromLatin1(Name));
  if (!child) throw std::runtime_error(std::string("no control ") + Name);
  return *child;
}

inline void Click(QWidget& Parent, const char* Name) {
  QTest::mouseClick(&Child<QPushButton>(Parent, Name), Qt::LeftButton);
}

inline QString LabelText(QWidget& Parent, const char* Name) {
  return Child<QLabel>(Parent, Name).text();
}

// Replaces the text of an edit box by typing.
inline void Type(QLineEdit& Edit, const QString& Text) {
  Edit.selectAll();
  QTest::keyClick(&Edit, Qt::Key_Backspace);
  QTest::keyClicks(&Edit, Text);
}

// Opens the list's popup and clicks the item.
inline void Choose(QComboBox& List, int Item) {
  List.showPopup();
  QAbstractItemView* view = List.view();
  const QModelIndex index = view->model()->index(Item, List.modelColumn());
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
  if (view->isVisible()) ADD_FAILURE() << "the popup stayed open";
}

// Answers the next modal window that opens after this object was made: the
// answer runs from that window's own event loop. Bounded: a window that does
// not come is a failure, never a hang.
class TModalAnswer {
public:
  explicit TModalAnswer(std::function<void(QWidget&)> Answer)
      : FAnswer(std::move(Answer)), FBefore(QApplication::activeModalWidget()) {
    FTimer.setSingleShot(true);
    FTimer.setInterval(0);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Tick(); });
    FTimer.start();
  }
  ~TModalAnswer() {
    if (!FAnswered) ADD_FAILURE() << "no modal window opened";
  }
  TModalAnswer(const TModalAnswer&) = delete;
  TModalAnswer& operator=(const TModalAnswer&) = delete;

private:
  void Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == FBefore) {
      if (++FTicks < MaxTicks) FTimer.start();
      return;
    }
    FAnswered = true;
    FAnswer(*modal);
  }

  static constexpr int MaxTicks = 1000;
  std::function<void(QWidget&)> FAnswer;
  QWidget* FBefore;
  QTimer FTimer;
  int FTicks = 0;
  bool FAnswered = false;
};

// What a message box said.
struct TBox {
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Records and closes the next message box.
class TBoxAnswer : public TModalAnswer {
public:
  TBoxAnswer()
      : TModalAnswer([this](QWidget& Window) {
          auto* box = qobject_cast<QMessageBox*>(&Window);
          if (!box) {
            ADD_FAILURE() << "not a message box: " << Window.windowTitle().toStdString();
            Window.close();
            return;
          }
          Box = {box->windowTitle(), box->text(), box->icon()};
          box->done(QMessageBox::Ok);
        }) {}
  TBox Box;
};

// While it lives, closes every message box that opens, keeping its text;
// at its end there must have been Count of them.
class TBoxesAnswer {
public:
  explicit TBoxesAnswer(int Count) : FCount(Count) {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      Texts << box->text();
      box->done(QMessageBox::Ok);
    });
    FTimer.start();
  }
  ~TBoxesAnswer() { EXPECT_EQ(Texts.size(), FCount) << Texts.join(QLatin1Char('|')).toStdString(); }
  QStringList Texts;

private:
  int FCount;
  QTimer FTimer;
};

inline const QString AddressInUse =
    QStringLiteral("This address is already in use. Please use anaother address!");

}  // namespace tenvarra::test
