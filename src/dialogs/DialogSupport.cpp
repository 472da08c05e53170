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

QStringList LocoProtocolItems(TLocoItems Where) {
  QStringList items;
  for (const char* text : {
           "Märklin/ Motorola old (M1, 14/80)",
           "Märklin/ Motorola new (M2, 14/80)",
           "Märklin/ Motorola extended  (M3, 28/255)",
           "Märklin/ Motorola extended  (M4, 14/255)",
           "Märklin/ Motorola extended  (M5, 28/80)",
           "NMRA/DCC  (Base 14 /99 no function) ",
           Where == TLocoItems::Setup ? "NMRA/DCC  (N1a, 14/99)" : "NMRA/DCC  (N1a 14/99)",
           "NMRA/DCC  (N1b, 28/99)",
           "NMRA/DCC  (N2, 128/99)",
           "NMRA/DCC  (N3, 28/10239)",
           "NMRA/DCC  (N4, 128/10239)",
       })
    items << QString::fromUtf8(text);
  return items;
}

void ShowStopBox(QWidget* Parent, const QString& Title, const QString& Text) {
  QMessageBox box(QMessageBox::Critical, Title, Text, QMessageBox::Ok, Parent);
  box.exec();
}

void ShowErrorBox(QWidget* Parent, const QString& Text) {
  ShowStopBox(Parent, QString::fromLatin1(ErrorTitle), Text);
}

}  // namespace tenvarra
