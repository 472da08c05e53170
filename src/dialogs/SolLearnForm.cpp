#include "dialogs/SolLearnForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "dialogs/DialogSupport.h"

namespace tenvarra {

namespace {

// The window has always been laid out by hand, in pixels of its client area.
QLabel* PlacedLabel(QWidget* Parent, const QString& Text, int Left, int Top, bool Bold) {
  auto* label = new QLabel(Text, Parent);
  if (Bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  label->adjustSize();
  label->move(Left, Top);
  return label;
}

QPushButton* PlacedButton(QWidget* Parent, const char* Text, int Left, int Top) {
  auto* button = new QPushButton(QString::fromLatin1(Text), Parent);
  button->setGeometry(Left, Top, 75, 25);
  return button;
}

}  // namespace

TSolLearnForm::TSolLearnForm(int32_t Address, int32_t& SolLearnIndex, QWidget* Parent)
    : QDialog(Parent) {
  setWindowTitle(QStringLiteral("Select a protocol"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(410, 240);

  PlacedLabel(this, QStringLiteral("This item is unknown to the program !"), 86, 8, true);
  PlacedLabel(this, QStringLiteral("Please, select a protocol"), 128, 32, true);
  QLabel* caption = PlacedLabel(this, QStringLiteral("Solenoid address: "), 136, 64, false);
  // A wider font than the one the window was laid out for must not put the
  // number over the caption.
  const int numberLeft = std::max(240, caption->geometry().right() + 1);
  PlacedLabel(this, QString::number(Address), numberLeft, 64, false)
      ->setObjectName(QStringLiteral("lbAddress"));
  auto* protocols = new QComboBox(this);
  protocols->setObjectName(QStringLiteral("cbProtocol"));
  protocols->addItems({QStringLiteral("Marklin/ Motorola"), QStringLiteral("NMRA/DCC")});
  protocols->setPlaceholderText(QString(33, QLatin1Char('-')));
  protocols->setCurrentIndex(-1);
  protocols->setGeometry(109, 88, 161, protocols->sizeHint().height());
  auto* save = PlacedButton(this, "Save", 120, 152);
  save->setObjectName(QStringLiteral("buSave"));
  save->setDefault(true);
  auto* cancel = PlacedButton(this, "Cancel", 216, 152);
  cancel->setObjectName(QStringLiteral("buCancel"));

  connect(protocols, &QComboBox::currentIndexChanged, this, [&SolLearnIndex](int Index) {
    if (Index >= 0) SolLearnIndex = Index;
  });
  connect(save, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TSolLearnForm::AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex,
                                        QWidget* Parent) {
  TSolLearnForm form(Address, SolLearnIndex, Parent);
  QApplication::beep();
  return form.exec() == QDialog::Accepted;
}

void TSolLearnForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) CentreOnScreen(*this);
}

}  // namespace tenvarra
