#include "windows/plot_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "windows/timeline_view.h"

namespace {

QColor FromBgr(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

int PlotMarkColumn(int32_t position, int32_t scale, int width) {
  if (scale <= 0 || width <= 0) return -1;
  const double x = std::round(double(position) * double(width) / double(scale));
  return static_cast<int>(std::clamp(x, 0.0, double(width - 1)));
}

std::vector<int> PlotMarkColumns(const TGrid_data_rec& cell, int width) {
  std::vector<int> out;
  if (cell.kind != kCellPlot) return out;
  out.reserve(static_cast<size_t>(cell.plot_hits.Count()));
  for (const TV2GeneralPlotDataRec& p : cell.plot_hits.Plots()) out.push_back(PlotMarkColumn(p.position, cell.plot_scale, width));
  return out;
}

TPlotHitUnderMouse PlotHitAtPixel(const TGrid_data_rec& cell, int width, int pixel) {
  TPlotHitUnderMouse hit;
  if (cell.kind != kCellPlot || cell.plot_scale <= 0 || width <= 0 || pixel < 0 || pixel >= width) return hit;
  // The nearest-hit rule works on the row's hits, in position order as the list keeps them.
  const TGeneralPlotDataList& plots = cell.plot_hits;
  const int32_t word = WordNumFromPlotPixelPosition(width, pixel, cell.plot_scale);
  TV2GeneralPlotDataRec found;
  int32_t index = -1;
  if (!NearestContextWord(plots, cell.plot_scale, word, found, index)) return hit;
  hit.found = true;
  hit.index = index;
  hit.position = found.position;
  hit.context = found.context;
  return hit;
}

UString PlotHitStatusText(const TPlotHitUnderMouse& hit) {
  if (!hit.found) return {};
  return VXResFmt(TVXRes::VXHitWordContext, {IntToUStr(hit.index + 1), IntToUStr(hit.position), hit.context});
}

void PaintPlotCell(QPainter& painter, const QRect& rect, const TGrid_data_rec& cell, const QColor& mark,
                   const QColor& background) {
  if (background.isValid()) painter.fillRect(rect, background);
  if (rect.width() <= 0 || rect.height() <= 0) return;
  painter.save();
  painter.setClipRect(rect);
  painter.setRenderHint(QPainter::Antialiasing, false);
  // One pixel column per hit, filled rather than stroked: a stroked line of width 1 may land
  // half a pixel to either side.
  for (int x : PlotMarkColumns(cell, rect.width()))
    if (x >= 0) painter.fillRect(QRect(rect.left() + x, rect.top(), 1, rect.height()), mark);
  painter.restore();
}

QColor StoredPlotMarkColour() { return FromBgr(GetRulerPlotWordCloudFeatures().PlotLineColour()); }

// --- the row widget ---------------------------------------------------------------------------

TPlotRowView::TPlotRowView(QWidget* parent) : QWidget(parent), mark_(StoredPlotMarkColour()) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPlotRowView::SetCell(const TGrid_data_rec& cell) {
  cell_ = cell.kind == kCellPlot ? cell : TGrid_data_rec();
  update();
}

void TPlotRowView::SetMarkColour(const QColor& c) {
  mark_ = c;
  update();
}

void TPlotRowView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  PaintPlotCell(painter, StripRect(), cell_, mark_, QColor());
}

void TPlotRowView::mouseMoveEvent(QMouseEvent* e) {
  QWidget::mouseMoveEvent(e);
  if (!hints_) return;
  const QRect strip = StripRect();
  const TPlotHitUnderMouse hit =
      PlotHitAtPixel(cell_, strip.width(), static_cast<int>(e->position().x()) - strip.left());
  if (hit.found)
    emit HitHovered(hit.index, hit.position, ToQString(hit.context), ToQString(PlotHitStatusText(hit)));
}

// --- inside a result grid ---------------------------------------------------------------------

void TResultPlotDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  auto* model = const_cast<TVXGridModel*>(qobject_cast<const TVXGridModel*>(index.model()));
  if (!model) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const TGrid_data_rec& cell = model->CellAt(index);
  const bool selected = option.state & QStyle::State_Selected;
  const QColor back = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
  // A cell's edges belong to the grid lines; the strip stays inside them.
  const QRect strip = option.rect.adjusted(1, 2, -1, -2);
  if (cell.kind == kCellPlot) {
    painter->fillRect(option.rect, back);
    PaintPlotCell(*painter, strip, cell, selected ? option.palette.color(QPalette::HighlightedText) : mark_, QColor());
  } else if (cell.kind == kCellTimeline) {
    painter->fillRect(option.rect, back);
    const QColor bar = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
    painter->setFont(option.font);
    PaintTimelineCellWithLabels(*painter, strip, cell, bar, TimelineOddBarColour(bar),
                                option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  } else {
    auto* grid = qobject_cast<const TVX_Grid*>(option.widget);
    TVXGridCellHandler::PaintCell(painter, option.rect, cell, selected, option.palette, option.font,
                                  GridColoursForStyle(grid ? grid->StyleNumber() : 0));
  }
}
