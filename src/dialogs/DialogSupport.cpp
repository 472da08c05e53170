#include "dialogs/DialogSupport.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

namespace tenvarra {

void CentreOnScreen(QWidget& Window) {
  const QScreen* screen = Window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize size = Window.frameGeometry().size();
  QPoint at = Window.pos();
  if (area.width() > size.width()) at.setX(area.x() + area.width() / 2 - size.width() / 2);
  if (area.height() > size.height()) at.setY(area.y() + area.height() / 2 - size.height() / 2);
  Window.move(at);
}

void ShowStopBox(QWidget* Parent, const QString& Title, const QString& Text) {
  QMessageBox box(QMessageBox::Critical, Title, Text, QMessageBox::Ok, Parent);
  box.exec();
}

void ShowErrorBox(QWidget* Parent, const QString& Text) {
  ShowStopBox(Parent, QString::fromLatin1(ErrorTitle), Text);
}

}  // namespace tenvarra
