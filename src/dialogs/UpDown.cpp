#include "dialogs/UpDown.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/GeneralSetup.h"

namespace tenvarra {

TUpDown::TUpDown(QLineEdit& Buddy, int Min, int Max, QWidget* Parent)
    : QWidget(Parent),
      FBuddy(Buddy),
      FUp(new QToolButton(this)),
      FDown(new QToolButton(this)),
      FMin(Min),
      FMax(Max),
      FLast(std::clamp(0, Min, Max)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* button : {FUp, FDown}) {
    button->setAutoRepeat(true);
    button->setFixedSize(16, 11);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
  }
  FUp->setArrowType(Qt::UpArrow);
  FDown->setArrowType(Qt::DownArrow);
  connect(FUp, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(FDown, &QToolButton::clicked, this, [this] { StepBy(-1); });
  setEnabled(Buddy.isEnabled());
  Buddy.installEventFilter(this);
}

void TUpDown::SetMax(int Value) { FMax = std::max(Value, FMin); }

int TUpDown::Position() const {
  try {
    return std::clamp(IntegerOfTrimmedText(FBuddy.text().toStdString()), FMin, FMax);
  } catch (const EConvertError&) {
    return std::clamp(FLast, FMin, FMax);
  }
}

void TUpDown::SetPosition(int Value) {
  FLast = std::clamp(Value, FMin, FMax);
  FBuddy.setText(QString::number(FLast));
}

void TUpDown::StepBy(int Steps) { SetPosition(Position() + Steps); }

bool TUpDown::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == &FBuddy) {
    if (Event->type() == QEvent::EnabledChange) {
      setEnabled(FBuddy.isEnabled());
    } else if (Event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(Event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        StepBy(key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(Watched, Event);
}

}  // namespace tenvarra
