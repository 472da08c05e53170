#pragma once
// Up-down buttons bound to an edit box. They step the number in the box within
// their range; typing in the box stays free, and the box's text is what the
// dialogs take back, so a typed number beyond the range is kept as typed.
// The buttons (and the arrow keys in the box) follow the box's enabled state,
// so a box that may not be edited cannot be changed through them either.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tenvarra {

class TUpDown : public QWidget {
public:
  TUpDown(QLineEdit& Buddy, int Min, int Max, QWidget* Parent = nullptr);

  int Min() const { return FMin; }
  int Max() const { return FMax; }
  void SetMax(int Value);

  // The box's number within the range; a box without a number gives the
  // position stepped to last.
  int Position() const;
  void SetPosition(int Value);
  void StepBy(int Steps);

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  QLineEdit& FBuddy;
  QToolButton* FUp;
  QToolButton* FDown;
  int FMin;
  int FMax;
  int FLast;
};

}  // namespace tenvarra
