#pragma once
// The feedback image as a grid: one column per S88 module (1 .. 31), one row
// per contact (1 .. 16), occupied cells lit. The cells grow with the widget.
// It draws what the layout model says at paint time, so any number of
// changes between two paints cost one paint.
//
// Main thread only.

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace tenvarra {

class TLayoutModel;

class TFeedbackGrid final : public QWidget {
public:
  static inline const QColor OccupiedColour{230, 120, 20};

  // Model must outlive the grid.
  explicit TFeedbackGrid(const TLayoutModel& Model, QWidget* Parent = nullptr);

  // A click on a cell; none set, clicks do nothing.
  std::function<void(int32_t Module, int32_t Contact)> OnCellClicked;

  // The cell (module, contact) under Point; none on the headings.
  std::optional<std::pair<int32_t, int32_t>> CellAt(QPoint Point) const;
  QRect CellRect(int32_t Module, int32_t Contact) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  bool event(QEvent* Event) override;

private:
  // The heading column's width and row's height, and one cell's size.
  int HeadWidth() const;
  int HeadHeight() const;
  double CellWidth() const;
  double CellHeight() const;

  // Headings and free cells, as PaintEmpty draws them.
  void PaintEmpty(QPainter& Painter) const;

  const TLayoutModel& FModel;
  QPixmap FEmpty;
};

}  // namespace tenvarra
