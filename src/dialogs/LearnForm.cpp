#include "dialogs/LearnForm.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "dialogs/DialogSupport.h"

namespace tenvarra {

namespace {

QLabel* BoldLabel(QWidget* Parent, const char* Name, const char* Text) {
  auto* label = new QLabel(QString::fromLatin1(Text), Parent);
  label->setObjectName(QString::fromLatin1(Name));
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

TLearnForm::TLearnForm(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(QStringLiteral("Select a protocol"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(418, 239);

  auto* caption = new QLabel(QStringLiteral("Loco address:"), this);
  caption->setObjectName(QStringLiteral("lbLocoaddr"));
  FAddress = new QLabel(this);
  FAddress->setObjectName(QStringLiteral("lbAddress"));
  FProtocols = new QComboBox(this);
  FProtocols->setObjectName(QStringLiteral("cbGLs"));
  FProtocols->addItems(LocoProtocolItems(TLocoItems::Learning));
  FProtocols->setPlaceholderText(QString(61, QLatin1Char('-')));
  FProtocols->setCurrentIndex(-1);
  auto* save = new QPushButton(QStringLiteral("Save"), this);
  save->setObjectName(QStringLiteral("buOK"));
  save->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("buCancel"));

  auto* addressRow = new QHBoxLayout;
  addressRow->addStretch();
  addressRow->addWidget(caption);
  addressRow->addWidget(FAddress);
  addressRow->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addStretch(1);
  layout->addWidget(BoldLabel(this, "Label1", "This item is unknown to the program !"), 0,
                    Qt::AlignHCenter);
  layout->addWidget(BoldLabel(this, "Label2", "Please, select a protocol"), 0,
                    Qt::AlignHCenter);
  layout->addLayout(addressRow);
  layout->addWidget(FProtocols, 0, Qt::AlignHCenter);
  layout->addStretch(2);
  layout->addLayout(buttons);
  layout->addStretch(1);

  connect(save, &QPushButton::clicked, this, [this] {
    if (FProtocols->currentIndex() >= 0) {
      accept();
      return;
    }
    ShowStopBox(this, QString::fromLatin1(WarningTitle),
                QStringLiteral("No protocol is selected. Please select a protocol, or "
                               "cancel to leave the loco unknown."));
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<int32_t> TLearnForm::AskLocoProtocol(int32_t Address) {
  FAddress->setText(QString::number(Address));
  QApplication::beep();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return FProtocols->currentIndex();
}

void TLearnForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) CentreOnScreen(*this);
}

}  // namespace tenvarra
