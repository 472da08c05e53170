#include "dialogs/LearnForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "dialogs/DialogSupport.h"

namespace tenvarra {

namespace {

struct TKindLayout {
  QSize Size;
  const char* AddressCaption;
  const char* ListName;
  int Dashes;
  int ListLeft;
  int ListWidth;
};

// The window has always been laid out by hand, in pixels of its client area.
const TKindLayout& LayoutOf(TLearnForm::TKind Kind) {
  static const TKindLayout loco{{418, 239}, "Loco address:", "cbGLs", 61, 0, 0};
  static const TKindLayout solenoid{{410, 240}, "Solenoid address: ", "cbGAs", 33, 109, 161};
  return Kind == TLearnForm::lkLoco ? loco : solenoid;
}

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

QPushButton* PlacedButton(QWidget* Parent, const char* Name, const char* Text, int Left, int Top) {
  auto* button = new QPushButton(QString::fromLatin1(Text), Parent);
  button->setObjectName(QString::fromLatin1(Name));
  button->setGeometry(Left, Top, 75, 25);
  return button;
}

}  // namespace

TLearnForm::TLearnForm(TKind Kind, QWidget* Parent)
    : QDialog(Parent), FChoiceRequired(Kind == lkLoco) {
  const TKindLayout& layout = LayoutOf(Kind);
  setWindowTitle(QStringLiteral("Select a protocol"));
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(layout.Size);

  PlacedLabel(this, QStringLiteral("This item is unknown to the program !"), 86, 8, true);
  PlacedLabel(this, QStringLiteral("Please, select a protocol"), 128, 32, true);
  QLabel* caption = PlacedLabel(this, QString::fromLatin1(layout.AddressCaption), 136, 64, false);
  // A wider font than the one the window was laid out for must not put the
  // number over the caption.
  FAddress = PlacedLabel(this, QString(), std::max(240, caption->geometry().right() + 1), 64, false);
  FAddress->setObjectName(QStringLiteral("lbAddress"));
  FProtocols = new QComboBox(this);
  FProtocols->setObjectName(QString::fromLatin1(layout.ListName));
  FProtocols->addItems(Kind == lkLoco ? LocoProtocolItems(TLocoItems::Learning)
                                      : QStringList{QStringLiteral("Marklin/ Motorola"),
                                                    QStringLiteral("NMRA/DCC")});
  FProtocols->setPlaceholderText(QString(layout.Dashes, QLatin1Char('-')));
  FProtocols->setCurrentIndex(-1);
  // The loco items are too long for the solenoid list's width: centred.
  const int listWidth = layout.ListWidth > 0 ? layout.ListWidth : FProtocols->sizeHint().width();
  const int listLeft = layout.ListLeft > 0 ? layout.ListLeft : (layout.Size.width() - listWidth) / 2;
  FProtocols->setGeometry(listLeft, 88, listWidth, FProtocols->sizeHint().height());
  auto* save = PlacedButton(this, "buOK", "Save", 120, 152);
  save->setDefault(true);
  auto* cancel = PlacedButton(this, "buCancel", "Cancel", 216, 152);

  connect(FProtocols, &QComboBox::currentIndexChanged, this, [this](int Index) {
    if (Index >= 0 && OnChoice) OnChoice(Index);
  });
  connect(save, &QPushButton::clicked, this, [this] { SaveClicked(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TLearnForm::SaveClicked() {
  if (FProtocols->currentIndex() >= 0 || !FChoiceRequired) {
    accept();
    return;
  }
  ShowStopBox(this, QString::fromLatin1(WarningTitle),
              QStringLiteral("No protocol is selected. Please select a protocol, or "
                             "cancel to leave the loco unknown."));
}

std::optional<int32_t> TLearnForm::Ask(int32_t Address) {
  FAddress->setText(QString::number(Address));
  FAddress->adjustSize();
  QApplication::beep();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return FProtocols->currentIndex();
}

void TLearnForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) CentreOnScreen(*this);
}

}  // namespace tenvarra
