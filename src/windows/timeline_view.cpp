#include "windows/timeline_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "concordance/views/timeline_list.h"
#include "platform/runtime/vx_resources.h"
#include "shell/qt/qt_application.h"

namespace {

int32_t HighestHits(const TGrid_data_rec& cell) {
  if (cell.ints.size() > 3 && cell.ints[3] > 0) return cell.ints[3];
  int32_t highest = 0;
  for (const auto& [hits, words] : cell.timeline_segments) highest = std::max(highest, hits);
  return highest;
}

int SegmentEdge(size_t i, size_t n, int width) {
  return static_cast<int>(int64_t(i) * width / int64_t(n));
}

}  // namespace

std::vector<TTimelineBar> TimelineBars(const TGrid_data_rec& cell, int width, int height) {
  std::vector<TTimelineBar> bars;
  const size_t n = cell.timeline_segments.size();
  if (cell.kind != kCellTimeline || n == 0 || width <= 0 || height <= 0) return bars;
  const int32_t highest = HighestHits(cell);
  bars.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    TTimelineBar bar;
    bar.left = SegmentEdge(i, n, width);
    bar.right = SegmentEdge(i + 1, n, width);
    bar.hits = cell.timeline_segments[i].first;
    if (bar.hits > 0 && highest > 0) {
      const double h = std::round(double(bar.hits) * height / highest);
      // A period with hits always shows, however small beside the busiest one.
      bar.height = static_cast<int>(std::clamp(h, 1.0, double(height)));
    }
    bars.push_back(bar);
  }
  return bars;
}

int TimelineSegmentAtPixel(const TGrid_data_rec& cell, int width, int pixel) {
  const size_t n = cell.timeline_segments.size();
  if (cell.kind != kCellTimeline || n == 0 || width <= 0 || pixel < 0 || pixel >= width) return -1;
  // Edges never fall as i grows and the last one is the width: the last segment starting at or
  // before the pixel holds it (narrow strips leave some segments without a column).
  size_t found = 0;
  for (size_t i = 0; i < n && SegmentEdge(i, n, width) <= pixel; ++i) found = i;
  return static_cast<int>(found);
}

UString TimelineSegmentText(const TGrid_data_rec& cell, int segment) {
  if (segment < 0 || static_cast<size_t>(segment) >= cell.timeline_segments.size()) return {};
  const auto& [hits, words] = cell.timeline_segments[static_cast<size_t>(segment)];
  const UString heading = static_cast<size_t>(segment) < cell.timeline_date_headings.size()
                              ? cell.timeline_date_headings[static_cast<size_t>(segment)]
                              : IntToUStr(segment + 1);
  return VXResFmt(TVXRes::VXDateSegmentHitsWordCount, {heading, IntToUStr(hits), IntToUStr(words)});
}

void PaintTimelineCell(QPainter& painter, const QRect& rect, const TGrid_data_rec& cell, const QColor& bar,
                       const QColor& odd_bar, const QColor& background) {
  if (background.isValid()) painter.fillRect(rect, background);
  painter.save();
  painter.setClipRect(rect);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const std::vector<TTimelineBar> bars = TimelineBars(cell, rect.width(), rect.height());
  for (size_t i = 0; i < bars.size(); ++i) {
    const TTimelineBar& b = bars[i];
    if (b.height <= 0 || b.right <= b.left) continue;
    painter.fillRect(QRect(rect.left() + b.left, rect.bottom() + 1 - b.height, b.right - b.left, b.height),
                     i % 2 ? odd_bar : bar);
  }
  painter.restore();
}

std::vector<TTimelineLabel> TimelineLabels(const TGrid_data_rec& cell, int width, const QFontMetrics& metrics) {
  std::vector<TTimelineLabel> labels;
  const size_t n = std::min(cell.timeline_segments.size(), cell.timeline_date_headings.size());
  if (cell.kind != kCellTimeline || n == 0 || width <= 0) return labels;
  int narrowest = width, widest_text = 0;
  for (size_t i = 0; i < n; ++i) {
    narrowest = std::min(narrowest, SegmentEdge(i + 1, n, width) - SegmentEdge(i, n, width));
    widest_text = std::max(widest_text, metrics.horizontalAdvance(ToQString(cell.timeline_date_headings[i])));
  }
  const bool upright = widest_text + 4 > narrowest;
  const int line = metrics.height();
  // Upright labels stand a line wide: periods narrower than that share one label among k.
  const size_t step = upright && line + 1 > narrowest
                          ? static_cast<size_t>((line + 1 + std::max(narrowest, 1) - 1) / std::max(narrowest, 1))
                          : 1;
  const int strip = upright ? widest_text + 4 : line;
  for (size_t i = 0; i < n; i += step) {
    TTimelineLabel l;
    l.segment = static_cast<int>(i);
    l.text = cell.timeline_date_headings[i];
    l.upright = upright;
    const int centre = (SegmentEdge(i, n, width) + SegmentEdge(i + 1, n, width)) / 2;
    const int across = upright ? line : metrics.horizontalAdvance(ToQString(l.text));
    int left = std::clamp(centre - across / 2, 0, std::max(0, width - across));
    // Kept clear of the label before (the first may have been moved in from the edge); one that
    // would have to leave its period to do so is left out.
    if (!labels.empty() && left <= labels.back().box.right()) {
      left = labels.back().box.right() + 1;
      if (left > centre || left + across > width) continue;
    }
    l.box = QRect(left, 0, across, strip);
    labels.push_back(std::move(l));
  }
  return labels;
}

int TimelineLabelStripHeight(const TGrid_data_rec& cell, int width, const QFontMetrics& metrics) {
  const std::vector<TTimelineLabel> labels = TimelineLabels(cell, width, metrics);
  return labels.empty() ? 0 : labels.front().box.height();
}

QFont TimelineLabelFont(const QFont& base) {
  QFont f = base;
  if (f.pointSizeF() > 0) f.setPointSizeF(std::max(6.0, f.pointSizeF() * 0.8));
  else if (f.pixelSize() > 0) f.setPixelSize(std::max(8, f.pixelSize() * 4 / 5));
  return f;
}

QRect TimelineBarsRect(const QRect& rect, const TGrid_data_rec& cell, const QFont& grid_font) {
  const QFontMetrics metrics(TimelineLabelFont(grid_font));
  // The bars keep at least half the cell, however tall the labels.
  const int labels = std::min(TimelineLabelStripHeight(cell, rect.width(), metrics), rect.height() / 2);
  return rect.adjusted(0, 0, 0, -labels);
}

void PaintTimelineCellWithLabels(QPainter& painter, const QRect& rect, const TGrid_data_rec& cell, const QColor& bar,
                                 const QColor& odd_bar, const QColor& text) {
  const QFont font = TimelineLabelFont(painter.font());
  const QRect bars = TimelineBarsRect(rect, cell, painter.font());
  PaintTimelineCell(painter, bars, cell, bar, odd_bar, QColor());
  if (bars.height() == rect.height()) return;
  painter.save();
  painter.setFont(font);
  painter.setPen(text);
  const QRect strip(rect.left(), bars.bottom() + 1, rect.width(), rect.bottom() - bars.bottom());
  painter.setClipRect(strip);
  const QFontMetrics metrics(font);
  for (const TTimelineLabel& l : TimelineLabels(cell, rect.width(), metrics)) {
    const QRect box = l.box.translated(strip.topLeft());
    if (!l.upright) {
      painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, ToQString(l.text));
      continue;
    }
    // Turned a quarter: the text runs up from the strip's bottom, its line across the period.
    painter.save();
    painter.translate(box.left(), box.bottom());
    painter.rotate(-90);
    painter.drawText(QRect(2, 0, box.height() - 2, box.width()), Qt::AlignLeft | Qt::AlignVCenter, ToQString(l.text));
    painter.restore();
  }
  painter.restore();
}

QColor TimelineOddBarColour(const QColor& bar) {
  // Towards white for a dark bar, towards black for a light one: two shades tell neighbours apart.
  const int toward = bar.lightness() < 128 ? 255 : 0;
  auto mix = [toward](int c) { return (c * 3 + toward * 2) / 5; };
  return QColor(mix(bar.red()), mix(bar.green()), mix(bar.blue()));
}

// --- the row widget ---------------------------------------------------------------------------

TTimelineRowView::TTimelineRowView(QWidget* parent) : QWidget(parent), bar_(QColor(0x33, 0x66, 0x99)) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTimelineRowView::SetCell(const TGrid_data_rec& cell) {
  cell_ = cell.kind == kCellTimeline ? cell : TGrid_data_rec();
  update();
}

void TTimelineRowView::SetBarColour(const QColor& c) {
  bar_ = c;
  update();
}

void TTimelineRowView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  PaintTimelineCell(painter, StripRect(), cell_, bar_, OddBarColour(), QColor());
}

void TTimelineRowView::mouseMoveEvent(QMouseEvent* e) {
  QWidget::mouseMoveEvent(e);
  const QRect strip = StripRect();
  const int segment = TimelineSegmentAtPixel(cell_, strip.width(), static_cast<int>(e->position().x()) - strip.left());
  if (segment >= 0) emit SegmentHovered(segment, ToQString(TimelineSegmentText(cell_, segment)));
}
