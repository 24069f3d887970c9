// The dispersion plot of one row, painted: a vertical mark for every hit of the row across a
// strip that stands for the whole text.
//
// Contract
//   The row arrives as the plot list's cell (TConcPlotList::DrawgridDataRec, column 6): a kind-2
//   cell whose plot_hits are the row's hits (word positions and contexts, shared with the row)
//   and plot_scale the row's running words (the longest text's for the overall row).
//   A hit at position p is drawn in the pixel column round(p x width / scale) of the strip
//   (the last column for a hit at the very end); a cell without a scale draws no marks.
//   Under the mouse, the pixel becomes a word (WordNumFromPlotPixelPosition) and the hit
//   nearest to it within a hundredth of the text (NearestContextWord) is named: HitHovered
//   carries its number (from 0), position and context and the status-line text for it.
//
// The main window uses either the row widget or, inside its plot grid, PaintPlotCell through
// TResultPlotDelegate (which also paints time-line cells, timeline_view.h).
#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/rtl/ustring.h"

class QPainter;

// The strip's pixel column of a hit: round(position x width / scale), kept within 0..width-1;
// -1 without a scale or a width.
int PlotMarkColumn(int32_t position, int32_t scale, int width);
// Every hit's column, in the cell's order.
std::vector<int> PlotMarkColumns(const TGrid_data_rec& cell, int width);

// The hit a pixel of a strip `width` wide points at; found false when none is near enough.
struct TPlotHitUnderMouse {
  bool found = false;
  int32_t index = -1;     // from 0, in the cell's order
  int32_t position = 0;   // word position in the row's text
  UString context;
};
TPlotHitUnderMouse PlotHitAtPixel(const TGrid_data_rec& cell, int width, int pixel);
// The status line's words for a hit: its number from 1, its position and its context.
UString PlotHitStatusText(const TPlotHitUnderMouse& hit);

// Paints the cell's marks into rect over the background colour (an invalid colour leaves the
// background as it is).
void PaintPlotCell(QPainter& painter, const QRect& rect, const TGrid_data_rec& cell, const QColor& mark,
                   const QColor& background);
// The stored plot line colour (black when none was stored).
QColor StoredPlotMarkColour();

class TPlotRowView : public QWidget {
  Q_OBJECT
 public:
  explicit TPlotRowView(QWidget* parent = nullptr);
  // A kind-2 cell; any other cell clears the row.
  void SetCell(const TGrid_data_rec& cell);
  const TGrid_data_rec& Cell() const { return cell_; }
  void SetMarkColour(const QColor& c);
  QColor MarkColour() const { return mark_; }
  // The strip the marks are drawn in (the whole widget less its contents margins).
  QRect StripRect() const { return contentsRect(); }
  // Off: moving the mouse names nothing (the plot kept no contexts).
  void SetHoverHints(bool on) { hints_ = on; }
  QSize sizeHint() const override { return {400, 24}; }

 signals:
  void HitHovered(int index, int position, const QString& context, const QString& status_text);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  TGrid_data_rec cell_;
  QColor mark_;
  bool hints_ = true;
};

// For a result grid's plot column: kind-2 cells as plots, kind-4 cells as time-lines, every
// other cell as the grid draws it. Install with TVX_Grid::SetListColumnDelegate.
class TResultPlotDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void SetMarkColour(const QColor& c) { mark_ = c; }

 private:
  QColor mark_ = Qt::black;
};
