#include "shell/qt/vx_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <set>

#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/window_messages.h"

namespace {

QColor FromBGR(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

constexpr int kTagRuler = 46;
constexpr int kTagCopy = 22, kTagGrow = 30, kTagShrink = 31, kTagRefresh = 33, kTagDefaultWidths = 166;
constexpr int kMinRowHeight = 12, kMaxRowHeight = 240;

}  // namespace

// --- model -----------------------------------------------------------------------------------

void TVXGridModel::SetList(TVXBaseDataClass* list, int kind_of_display) {
  beginResetModel();
  source_.SetList(list, kind_of_display);
  endResetModel();
}

void TVXGridModel::ListChanged() {
  beginResetModel();
  source_.Invalidate();
  endResetModel();
}

const TGrid_data_rec& TVXGridModel::CellAt(const QModelIndex& index) {
  return source_.Cell(index.row() + 1, source_.ListColumnOfView(index.column()));
}

int TVXGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : source_.Rows(); }

int TVXGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : source_.ViewColumnCount();
}

QVariant TVXGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return ToQString(GridCellText(source_.Cell(index.row() + 1, source_.ListColumnOfView(index.column()))));
  return {};
}

QVariant TVXGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return ToQString(GridCellText(source_.Cell(0, source_.ListColumnOfView(section))));
  return ToQString(GridCellText(source_.Cell(section + 1, 0)));
}

// --- cell handler ------------------------------------------------------------------------------

void TVXGridCellHandler::PaintCell(QPainter* p, const QRect& rect, const TGrid_data_rec& cell, bool selected,
                                   const QPalette& palette, const QFont& font, const TGridStyleColours& colours) {
  QColor back = palette.color(QPalette::Base);
  if (cell.matched) back = FromBGR(colours.matched_back);
  if (cell.has_colour) back = FromBGR(cell.colour);
  if (selected) back = palette.color(QPalette::Highlight);
  p->fillRect(rect, back);
  QColor fore = selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
  if (cell.deleted) fore = FromBGR(colours.deleted_fore);
  if (cell.has_text_colour && !selected) fore = FromBGR(cell.text_colour);

  const QString text = ToQString(GridCellText(cell));
  if (text.isEmpty()) return;
  const QRect r = rect.adjusted(4, 0, -4, 0);
  QFont f = font;
  f.setBold((cell.typeface & kTypefaceBold) != 0);
  f.setItalic((cell.typeface & kTypefaceItalic) != 0);
  f.setUnderline((cell.typeface & kTypefaceUnderline) != 0);
  f.setStrikeOut(cell.deleted || (cell.typeface & kTypefaceStrikeOut) != 0);
  p->setFont(f);
  p->setPen(fore);
  Qt::Alignment along = cell.has_text ? Qt::AlignLeft : Qt::AlignRight;
  if (cell.alignment == kAlignCentre) along = Qt::AlignHCenter;
  else if (cell.alignment == kAlignRight || cell.alignment == kAlignDecimal) along = Qt::AlignRight;
  else if (cell.alignment == kAlignLeft || cell.alignment == kAlignLeft2) along = Qt::AlignLeft;
  if (!cell.has_text || (cell.pieces.empty() && cell.spans.empty() && cell.centre_length == 0)) {
    p->drawText(r, along | Qt::AlignVCenter, text);
    return;
  }
  // Text with stretches of its own: the centre of a line in bold, coloured spans.
  struct TPiece {
    int start, length;
    QColor fore, back;
    bool bold;
  };
  std::vector<TPiece> pieces;
  const int prefix = static_cast<int>(cell.prefix.size());
  if (cell.centre_length > 0)
    pieces.push_back({prefix + cell.centre_start, cell.centre_length, selected ? fore : FromBGR(colours.centre_fore), QColor(), true});
  for (const auto& s : cell.spans)
    pieces.push_back({prefix + s.start, s.length, FromBGR(s.fore),
                      s.back == 0xFFFFFFFF ? QColor() : FromBGR(s.back), s.bold});
  std::sort(pieces.begin(), pieces.end(), [](const TPiece& a, const TPiece& b) { return a.start < b.start; });
  const int baseline_y = r.top() + (r.height() + p->fontMetrics().ascent() - p->fontMetrics().descent()) / 2;
  int x = r.left();
  int at = 0;
  auto draw = [&](int from, int length, const QColor& colour, const QColor& background, bool bold) {
    if (length <= 0 || x > r.right()) return;
    const QString part = text.mid(from, length);
    QFont pf = f;
    pf.setBold(bold);
    p->setFont(pf);
    const int w = QFontMetrics(pf).horizontalAdvance(part);
    if (background.isValid()) p->fillRect(QRect(x, rect.top() + 2, w, rect.height() - 4), background);
    p->setPen(colour);
    p->drawText(QPoint(x, baseline_y), part);
    x += w;
  };
  p->save();
  p->setClipRect(r);
  for (const TPiece& piece : pieces) {
    const int start = std::clamp(piece.start, at, static_cast<int>(text.size()));
    const int end = std::clamp(piece.start + piece.length, start, static_cast<int>(text.size()));
    draw(at, start - at, fore, QColor(), false);
    draw(start, end - start, piece.fore, piece.back, piece.bold);
    at = end;
  }
  draw(at, static_cast<int>(text.size()) - at, fore, QColor(), false);
  p->restore();
}

void TVXGridCellHandler::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  auto* model = const_cast<TVXGridModel*>(static_cast<const TVXGridModel*>(index.model()));
  PaintCell(painter, option.rect, model->CellAt(index), option.state & QStyle::State_Selected, option.palette,
            option.font, colours_);
  if (ruler_) {
    painter->save();
    painter->setPen(FromBGR(ruler_colour_));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
  }
}

// --- grid ------------------------------------------------------------------------------------

TVX_Grid::TVX_Grid(QWidget* parent) : QTableView(parent), handler_(this) {
  setModel(&model_);
  setItemDelegate(&handler_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setWordWrap(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(row_height_);
  verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setDefaultSectionSize(80);
  horizontalHeader()->setHighlightSections(false);
  // A width the user drags is kept in the column's layout record.
  connect(horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int section, int, int width) { KeepWidth(section, width); });
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  SetStyleNumber(CurrentStyleNumber());
}

void TVX_Grid::SetStyleNumber(int style) {
  style_ = style;
  handler_.SetColours(GridColoursForStyle(style));
  viewport()->update();
}

void TVX_Grid::SetRuler(bool on, uint32_t ruler_colour) {
  handler_.SetRuler(on, ruler_colour);
  viewport()->update();
}

void TVX_Grid::ApplyStoredRuler() {
  SetRuler(GetMenuItemChecked(kTagRuler), GetRulerPlotWordCloudFeatures().RulerColour());
}

int SetAllGridsToStyle(int style) {
  int restyled = 0;
  for (QWidget* w : QApplication::allWidgets())
    if (auto* grid = qobject_cast<TVX_Grid*>(w); grid && grid->StyleNumber() != style) {
      grid->SetStyleNumber(style);
      ++restyled;
    }
  return restyled;
}

void FitGridRuler(TVX_Grid* grid, bool ruler_item_shown) {
  switch (RulerOptionAfterFit(ruler_item_shown, grid != nullptr, grid ? grid->Alternative() : 0,
                              GetMenuItemChecked(kTagRuler))) {
    case TRulerOption::Leave: return;
    case TRulerOption::On: grid->SetRuler(true, GetRulerPlotWordCloudFeatures().RulerColour()); return;
    case TRulerOption::Off: grid->SetRuler(false, 0); return;
  }
}

void TVX_Grid::SetList(TVXBaseDataClass* list, uint8_t list_type, int alternative) {
  list_type_ = list_type;
  alternative_ = alternative;
  model_.SetList(list, alternative);
  MatchGridToListType(list_type, alternative);
  DefaultColumnWidths();
}

void TVX_Grid::MatchGridToListType(uint8_t list_type, int alternative) {
  list_type_ = list_type;
  alternative_ = alternative;
  if (model_.Source().KindOfDisplay() != alternative) model_.Source().SetKindOfDisplay(alternative);
  const int lines = alternative == kGridAlternativeLines ? 3 : 1;
  row_height_ = lines == 1 ? kGridRowHeight : fontMetrics().height() * 3 + 6;
  verticalHeader()->setDefaultSectionSize(row_height_);
  // Plots and statistics read best without ruler lines.
  SetRulerLines(list_type != 12 && list_type != 20);
  viewport()->update();
}

void TVX_Grid::SetRulerLines(bool on) { setShowGrid(on); }

void TVX_Grid::ListChanged() {
  const int top = TopRow();
  model_.ListChanged();
  if (top > 0 && top <= model_.rowCount()) SetTopRow(top);
}

int TVX_Grid::CurrentRow() const { return currentIndex().isValid() ? currentIndex().row() + 1 : -1; }
int TVX_Grid::CurrentColumn() const {
  return currentIndex().isValid() ? const_cast<TVX_Grid*>(this)->model_.Source().ListColumnOfView(currentIndex().column()) : -1;
}
int TVX_Grid::CurrentDisplayColumn() const { return currentIndex().isValid() ? currentIndex().column() + 1 : -1; }
int TVX_Grid::ListColumnOfSection(int section) { return model_.Source().ListColumnOfView(section); }

void TVX_Grid::SelectCell(int row, int list_column) {
  const int view = model_.Source().ViewOfListColumn(list_column);
  if (row < 1 || row > model_.rowCount()) return;
  setCurrentIndex(model_.index(row - 1, std::max(0, view)));
  scrollTo(currentIndex());
}

void TVX_Grid::ApplyHeadings() {
  const int top = TopRow();
  model_.ListChanged();
  if (TVXBaseDataClass* list = List()) {
    applying_widths_ = true;
    for (int v = 0; v < model_.columnCount(); ++v) {
      const TGrid_head32 h = list->HeadingSettings(model_.Source().ListColumnOfView(v));
      if (h.width > 0) setColumnWidth(v, h.width);
    }
    applying_widths_ = false;
  }
  if (top > 0 && top <= model_.rowCount()) SetTopRow(top);
}

void TVX_Grid::KeepWidthsInLayout() {
  for (int v = 0; v < model_.columnCount(); ++v) KeepWidth(v, columnWidth(v));
}

void TVX_Grid::KeepWidth(int section, int width) {
  if (applying_widths_) return;
  TVXBaseDataClass* list = List();
  if (!list) return;
  const int c = model_.Source().ListColumnOfView(section);
  for (TGrid_head32& h : list->grid_headings)
    if (h.column_number == c) h.width = width;
}
int TVX_Grid::TopRow() const {
  const int r = rowAt(0);
  return r < 0 ? -1 : r + 1;
}
void TVX_Grid::SetTopRow(int row) {
  if (row < 1 || row > model_.rowCount()) return;
  scrollTo(model_.index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

std::vector<int> TVX_Grid::SelectedRows() const {
  std::set<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedIndexes()) rows.insert(i.row() + 1);
  return {rows.begin(), rows.end()};
}

std::pair<int, int> TVX_Grid::CellAtPoint(QPoint p) const {
  const QModelIndex i = indexAt(p);
  if (!i.isValid()) return {-1, -1};
  return {i.row() + 1, i.column() + 1};
}

UString TVX_Grid::CopySelectedRows() {
  std::vector<int> rows = SelectedRows();
  if (rows.empty() && CurrentRow() > 0) rows.push_back(CurrentRow());
  const UString text = GridRowsAsText(model_.Source(), rows, true);
  QApplication::clipboard()->setText(ToQString(text));
  return text;
}

void TVX_Grid::Grow() {
  row_height_ = std::min(kMaxRowHeight, row_height_ + row_height_ / 4 + 1);
  verticalHeader()->setDefaultSectionSize(row_height_);
}

void TVX_Grid::Shrink() {
  row_height_ = std::max(kMinRowHeight, row_height_ - row_height_ / 5 - 1);
  verticalHeader()->setDefaultSectionSize(row_height_);
}

void TVX_Grid::DefaultColumnWidths() {
  const int columns = model_.columnCount();
  const QFontMetrics fm(font());
  for (int c = 0; c < columns; ++c) {
    // A heading's width, or a line's when the column holds concordance lines. Other texts (file
    // names, words) take the widest of the first rows, up to 40 characters, so names are not cut
    // short; only the first page's rows are asked, whatever the list's length.
    const int list_column = model_.Source().ListColumnOfView(c);
    const TGrid_data_rec& first = model_.Source().Cell(1, list_column);
    const bool lines = first.has_text && first.text.size() > 40;
    int text_width = fm.averageCharWidth() * 10;
    if (!lines) {
      // Only rows a first page shows: those are asked for anyway.
      const int on_page = viewport()->height() / std::max(1, row_height_) + 1;
      const int rows = std::min({model_.rowCount(), 50, on_page});
      for (int r = 1; r <= rows; ++r) {
        const TGrid_data_rec& cell = model_.Source().Cell(r, list_column);
        if (!cell.has_text || cell.has_number) continue;
        const UString& t = cell.text;
        const QString shown = QString::fromUtf16(t.data(), static_cast<qsizetype>(std::min<size_t>(t.size(), 40)));
        text_width = std::max(text_width, fm.horizontalAdvance(shown) + 16);
      }
    } else {
      text_width = fm.averageCharWidth() * 110;
    }
    const int heading = fm.horizontalAdvance(model_.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 16;
    setColumnWidth(c, std::max(heading, text_width));
  }
}

bool TVX_Grid::HandleGridCommand(int tag) {
  switch (tag) {
    case kTagCopy: CopySelectedRows(); return true;
    case kTagGrow: Grow(); return true;
    case kTagShrink: Shrink(); return true;
    case kTagRefresh: ListChanged(); return true;
    case kTagDefaultWidths: DefaultColumnWidths(); return true;
    default: return false;
  }
}

bool TVX_Grid::event(QEvent* e) {
  if (e->type() == TWindowMessageEvent::EventType()) {
    auto* m = static_cast<TWindowMessageEvent*>(e);
    if (m->msg == kMsgGridCommand) HandleGridCommand(static_cast<int>(m->wparam) - kGridCommandOffset);
    return true;
  }
  return QTableView::event(e);
}
