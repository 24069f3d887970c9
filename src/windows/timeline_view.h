// The time-line of one row, painted: a bar for every period of the row, as tall as the period's
// hits are against the row's busiest period.
//
// Contract
//   The row arrives as the time-line list's cell (TTimelineList::DrawgridDataRec, column 6): a
//   kind-4 cell whose timeline_segments are (hits, running words) per period, whose
//   timeline_date_headings name the periods and whose ints[3] is the row's highest hits in one
//   period (taken from the segments when the cell does not carry it).
//   With N periods over a strip `width` wide and `height` tall, period i covers the pixel
//   columns [i x width / N, (i + 1) x width / N) and its bar rises from the bottom by
//   round(hits x height / highest) pixels; a period without hits draws no bar. Neighbouring
//   bars alternate between two shades so that each period's extent stays visible.
//   Under the mouse, SegmentHovered names the period: its date heading, hits and words.
//   Labels: every period's date heading is written under its bars, in a strip of its own below
//   them (TimelineLabels): across, centred on the period, where every heading fits its period's
//   width; else upright (turned a quarter), still one a period; only where periods are narrower
//   than a line of the label font is every k-th period labelled, so that no two labels overlap.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/rtl/ustring.h"

class QPainter;

struct TTimelineBar {
  int left = 0;    // first pixel column
  int right = 0;   // one past the last
  int height = 0;  // pixels from the bottom
  int32_t hits = 0;
};
// The bars of a kind-4 cell in a strip of width x height; empty for any other cell.
std::vector<TTimelineBar> TimelineBars(const TGrid_data_rec& cell, int width, int height);
// The period under a pixel column of the strip; -1 outside it or without periods.
int TimelineSegmentAtPixel(const TGrid_data_rec& cell, int width, int pixel);
// "heading: hits in words" for period i; empty outside the cell's periods.
UString TimelineSegmentText(const TGrid_data_rec& cell, int segment);

// Paints the cell's bars into rect, even periods in `bar`, odd ones in `odd_bar`, over the
// background (an invalid colour leaves the background as it is).
void PaintTimelineCell(QPainter& painter, const QRect& rect, const TGrid_data_rec& cell, const QColor& bar,
                       const QColor& odd_bar, const QColor& background);
// The second shade of a bar colour.
QColor TimelineOddBarColour(const QColor& bar);

// One period's label: the text and the box it is drawn in (strip coordinates, from the label
// strip's top left); upright labels read from the bottom up.
struct TTimelineLabel {
  int segment = 0;
  UString text;
  QRect box;
  bool upright = false;
};
// The labels of a kind-4 cell's periods over a strip `width` wide, in the label font; and the
// height of the strip they need (0 without headings).
std::vector<TTimelineLabel> TimelineLabels(const TGrid_data_rec& cell, int width, const QFontMetrics& metrics);
int TimelineLabelStripHeight(const TGrid_data_rec& cell, int width, const QFontMetrics& metrics);
// The label font: the grid's, a little smaller.
QFont TimelineLabelFont(const QFont& base);
// Paints the cell inside a grid: its labels in a strip at the bottom of rect, the bars above.
void PaintTimelineCellWithLabels(QPainter& painter, const QRect& rect, const TGrid_data_rec& cell, const QColor& bar,
                                 const QColor& odd_bar, const QColor& text);
// The part of rect the bars take when labels are painted below them.
QRect TimelineBarsRect(const QRect& rect, const TGrid_data_rec& cell, const QFont& grid_font);

class TTimelineRowView : public QWidget {
  Q_OBJECT
 public:
  explicit TTimelineRowView(QWidget* parent = nullptr);
  // A kind-4 cell; any other cell clears the row.
  void SetCell(const TGrid_data_rec& cell);
  const TGrid_data_rec& Cell() const { return cell_; }
  void SetBarColour(const QColor& c);
  QColor BarColour() const { return bar_; }
  QColor OddBarColour() const { return TimelineOddBarColour(bar_); }
  QRect StripRect() const { return contentsRect(); }
  QSize sizeHint() const override { return {400, 48}; }

 signals:
  void SegmentHovered(int segment, const QString& text);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  TGrid_data_rec cell_;
  QColor bar_;
};
