#include "window/FeedbackGrid.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
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

void TFeedbackGrid::PaintEmpty(QPainter& Painter) const {
  const QPalette& colours = palette();
  Painter.fillRect(rect(), colours.window());
  Painter.setPen(colours.color(QPalette::WindowText));
  for (int module = 1; module <= Modules; ++module) {
    const QRect cell = CellRect(module, 1);
    Painter.drawText(QRect(cell.left(), 0, cell.width(), HeadHeight()), Qt::AlignCenter, QString::number(module));
  }
  for (int contact = 1; contact <= Contacts; ++contact) {
    const QRect cell = CellRect(1, contact);
    Painter.drawText(QRect(0, cell.top(), HeadWidth() - 4, cell.height()), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(contact));
  }
  for (int module = 1; module <= Modules; ++module)
    for (int contact = 1; contact <= Contacts; ++contact) {
      const QRect cell = CellRect(module, contact).adjusted(1, 1, -1, -1);
      Painter.fillRect(cell, colours.color(QPalette::Mid));
      Painter.fillRect(cell.adjusted(1, 1, -1, -1), colours.color(QPalette::Base));
    }
}

void TFeedbackGrid::paintEvent(QPaintEvent*) {
  // The headings and free cells change only with the size: drawn once into a
  // picture, so a paint is that picture and the occupied cells on it.
  const qreal ratio = devicePixelRatioF();
  if (FEmpty.size() != size() * ratio || FEmpty.isNull()) {
    FEmpty = QPixmap(size() * ratio);
    FEmpty.setDevicePixelRatio(ratio);
    QPainter empty(&FEmpty);
    PaintEmpty(empty);
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, FEmpty);
  for (int module = 1; module <= Modules; ++module)
    for (int contact = 1; contact <= Contacts; ++contact)
      if (FModel.Occupied(module, contact))
        painter.fillRect(CellRect(module, contact).adjusted(2, 2, -2, -2), OccupiedColour);
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
