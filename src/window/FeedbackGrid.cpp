#include "window/FeedbackGrid.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

#include "shell/LayoutModel.h"

namespace tenvarra {

namespace {

constexpr int Modules = TLayoutModel::ModuleCount;
constexpr int Contacts = TLayoutModel::ContactsPerModule;
constexpr int MinCellWidth = 18;
constexpr int MinCellHeight = 13;

}  // namespace

TFeedbackGrid::TFeedbackGrid(const TLayoutModel& Model, QWidget* Parent) : QWidget(Parent), FModel(Model) {
  setObjectName(QStringLiteral("FeedbackGrid"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // Only the cells change: no background to clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int TFeedbackGrid::HeadWidth() const { return fontMetrics().horizontalAdvance(QStringLiteral("16")) + 8; }
int TFeedbackGrid::HeadHeight() const { return fontMetrics().height() + 4; }
double TFeedbackGrid::CellWidth() const { return double(width() - HeadWidth()) / Modules; }
double TFeedbackGrid::CellHeight() const { return double(height() - HeadHeight()) / Contacts; }

QSize TFeedbackGrid::minimumSizeHint() const {
  return {HeadWidth() + Modules * MinCellWidth, HeadHeight() + Contacts * MinCellHeight};
}

QSize TFeedbackGrid::sizeHint() const {
  return {HeadWidth() + Modules * (MinCellWidth + 4), HeadHeight() + Contacts * (MinCellHeight + 3)};
}

QRect TFeedbackGrid::CellRect(int32_t Module, int32_t Contact) const {
  const double w = CellWidth(), h = CellHeight();
  const int left = HeadWidth() + static_cast<int>(std::lround((Module - 1) * w));
  const int top = HeadHeight() + static_cast<int>(std::lround((Contact - 1) * h));
  const int right = HeadWidth() + static_cast<int>(std::lround(Module * w));
  const int bottom = HeadHeight() + static_cast<int>(std::lround(Contact * h));
  return {left, top, right - left, bottom - top};
}

std::optional<std::pair<int32_t, int32_t>> TFeedbackGrid::CellAt(QPoint Point) const {
  if (Point.x() < HeadWidth() || Point.y() < HeadHeight()) return std::nullopt;
  const auto module = static_cast<int32_t>((Point.x() - HeadWidth()) / CellWidth()) + 1;
  const auto contact = static_cast<int32_t>((Point.y() - HeadHeight()) / CellHeight()) + 1;
  if (module > Modules || contact > Contacts) return std::nullopt;
  return std::make_pair(module, contact);
}

void TFeedbackGrid::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colours = palette();
  painter.fillRect(rect(), colours.window());
  painter.setPen(colours.color(QPalette::WindowText));
  const int headHeight = HeadHeight();
  for (int module = 1; module <= Modules; ++module) {
    const QRect cell = CellRect(module, 1);
    painter.drawText(QRect(cell.left(), 0, cell.width(), headHeight), Qt::AlignCenter, QString::number(module));
  }
  for (int contact = 1; contact <= Contacts; ++contact) {
    const QRect cell = CellRect(1, contact);
    painter.drawText(QRect(0, cell.top(), HeadWidth() - 4, cell.height()), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(contact));
  }
  const QColor free = colours.color(QPalette::Base);
  const QColor occupied(230, 120, 20);
  const QColor line = colours.color(QPalette::Mid);
  painter.setPen(line);
  for (int module = 1; module <= Modules; ++module) {
    for (int contact = 1; contact <= Contacts; ++contact) {
      const QRect cell = CellRect(module, contact).adjusted(1, 1, -1, -1);
      painter.fillRect(cell, FModel.Occupied(module, contact) ? occupied : free);
      painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
  }
}

void TFeedbackGrid::mousePressEvent(QMouseEvent* Event) {
  const auto cell = CellAt(Event->position().toPoint());
  if (cell && OnCellClicked && Event->button() == Qt::LeftButton) OnCellClicked(cell->first, cell->second);
}

bool TFeedbackGrid::event(QEvent* Event) {
  if (Event->type() != QEvent::ToolTip) return QWidget::event(Event);
  auto* help = static_cast<QHelpEvent*>(Event);
  if (const auto cell = CellAt(help->pos()))
    QToolTip::showText(help->globalPos(),
                       QStringLiteral("%1:%2 (contact %3)")
                           .arg(cell->first)
                           .arg(cell->second)
                           .arg(TLayoutModel::ContactNumber(cell->first, cell->second)),
                       this);
  else
    QToolTip::hideText();
  return true;
}

}  // namespace tenvarra
