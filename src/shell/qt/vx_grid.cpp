#include "shell/qt/vx_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <functional>
#include <set>

#include "concordance/commands/concordance_commands.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/settings/settings_commands.h"
#include "shell/qt/window_messages.h"

namespace {

QColor FromBGR(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

constexpr int kTagRuler = 46;
constexpr int kTagCopy = 22, kTagGrow = 30, kTagShrink = 31, kTagRefresh = 33, kTagDefaultWidths = 166,
              kTagGrowRow = 199, kTagShrinkRow = 200;
constexpr int kMinRowHeight = 12, kMaxRowHeight = 240;
// The most rows a first page is taken to hold when the widths are fitted, and the length from
// which a text counts as a line of context rather than a word or name.
constexpr int kMostFirstPageRows = 80;
constexpr int kLineLike = 120;
// The view column of a plot or time-line strip (list column 6), and its narrowest width.
constexpr int kPlotListColumn = 6;  // the plot or time-line strip
constexpr int kStretchMinimum = 120;

// --- model -----------------------------------------------------------------------------------

bool g_pages_rows_when_shown = true;
// Grids that owed a fit when they were listed here (some may have paid or gone since).
std::vector<QPointer<TVX_Grid>> g_owing_fits;

}  // namespace

void TVXGridModel::SetList(TVXBaseDataClass* list, int kind_of_display) {
  beginResetModel();
  source_.SetList(list, kind_of_display);
  endResetModel();
}

void TVXGridModel::ListChanged() {
  if (rows_held_back_) {
    source_.Invalidate();
    return;
  }
  beginResetModel();
  source_.Invalidate();
  endResetModel();
}

void TVXGridModel::ShowRows() {
  if (!rows_held_back_) return;
  // The same reset a list given at once makes: the columns, their widths and hidden sections
  // stay as they are, the rows arrive.
  beginResetModel();
  rows_held_back_ = false;
  endResetModel();
}

const TGrid_data_rec& TVXGridModel::CellAt(const QModelIndex& index) {
  return source_.Cell(index.row() + 1, source_.ListColumnOfView(index.column()));
}

int TVXGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || rows_held_back_ ? 0 : source_.Rows();
}

int TVXGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : source_.ViewColumnCount();
}

QVariant TVXGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::EditRole)
    return ToQString(GridCellText(source_.Cell(index.row() + 1, source_.ListColumnOfView(index.column()))));
  return {};
}

void TVXGridModel::SetCellEditing(TCellEditable editable, TCellWriter writer) {
  editable_ = std::move(editable);
  writer_ = std::move(writer);
}

Qt::ItemFlags TVXGridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && editable_ && writer_ && editable_(source_.ListColumnOfView(index.column())))
    f |= Qt::ItemIsEditable;
  return f;
}

bool TVXGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !writer_) return false;
  if (!writer_(source_.ListColumnOfView(index.column()), index.row() + 1, FromQString(value.toString()))) return false;
  source_.Invalidate();
  emit dataChanged(index, index);
  return true;
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
  if (cell.sentence_incomplete) back = FromBGR(colours.incomplete_back);
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
  f.setItalic(cell.display_flag || (cell.typeface & kTypefaceItalic) != 0);
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
  // Text with stretches of its own: the centre of a line in bold, coloured spans over it. Where
  // stretches overlap the later span's colours win and boldness adds up, so a coloured search
  // word stays bold; runs of characters drawn alike are drawn together.
  struct TLook {
    QColor fore, back;
    bool bold = false;
    bool operator==(const TLook&) const = default;
  };
  const int size = static_cast<int>(text.size());
  std::vector<TLook> looks(static_cast<size_t>(size), TLook{fore, QColor(), false});
  const int prefix = static_cast<int>(cell.prefix.size());
  auto lay = [&](int start, int length, const std::function<void(TLook&)>& change) {
    const int from = std::clamp(prefix + start, 0, size);
    const int to = std::clamp(static_cast<int>(std::min<int64_t>(int64_t{prefix} + start + length, size)), from, size);
    for (int i = from; i < to; ++i) change(looks[static_cast<size_t>(i)]);
  };
  if (cell.centre_length > 0) {
    const QColor centre = selected ? fore : FromBGR(colours.centre_fore);
    lay(cell.centre_start, cell.centre_length, [&](TLook& l) {
      l.fore = centre;
      l.bold = true;
    });
  }
  for (const auto& s : cell.spans)
    lay(s.start, s.length, [&](TLook& l) {
      l.fore = FromBGR(s.fore);
      l.back = s.back == 0xFFFFFFFF ? QColor() : FromBGR(s.back);
      l.bold = l.bold || s.bold;
    });
  // The second half of a surrogate pair is drawn with its first.
  for (int i = 1; i < size; ++i)
    if (text[i].isLowSurrogate() && text[i - 1].isHighSurrogate()) looks[static_cast<size_t>(i)] = looks[static_cast<size_t>(i - 1)];
  const int baseline_y = r.top() + (r.height() + p->fontMetrics().ascent() - p->fontMetrics().descent()) / 2;
  // Runs of characters drawn alike, each with its width in its own font.
  struct TRun {
    int at, end, width;
    QFont font;
  };
  std::vector<TRun> runs;
  for (int at = 0; at < size;) {
    int end = at + 1;
    while (end < size && looks[static_cast<size_t>(end)] == looks[static_cast<size_t>(at)]) ++end;
    QFont pf = f;
    pf.setBold(looks[static_cast<size_t>(at)].bold);
    runs.push_back({at, end, QFontMetrics(pf).horizontalAdvance(text.mid(at, end - at)), pf});
    at = end;
  }
  int x = r.left();
  if (cell.centre_length > 0) {
    // A concordance line's hit starts where its character count puts it in the font's average
    // width, whatever the widths of the letters before it: the hits of all lines stand in one
    // column, as the lines are cut to the same number of characters before the hit.
    const int centre_at = std::clamp(prefix + cell.centre_start, 0, size);
    int before = 0;
    for (const TRun& run : runs) {
      if (run.at >= centre_at) break;
      before += run.end <= centre_at ? run.width : QFontMetrics(run.font).horizontalAdvance(text.mid(run.at, centre_at - run.at));
    }
    x = r.left() + QFontMetrics(f).averageCharWidth() * centre_at - before;
  }
  p->save();
  p->setClipRect(r);
  for (const TRun& run : runs) {
    if (x > r.right()) break;
    const TLook& look = looks[static_cast<size_t>(run.at)];
    if (x + run.width >= r.left()) {
      p->setFont(run.font);
      if (look.back.isValid()) p->fillRect(QRect(x, rect.top() + 2, run.width, rect.height() - 4), look.back);
      p->setPen(look.fore);
      p->drawText(QPoint(x, baseline_y), text.mid(run.at, run.end - run.at));
    }
    x += run.width;
  }
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
  // A double-click opens what a cell stands for; typing (or F2) edits a cell that takes text.
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setWordWrap(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(row_height_);
  verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setDefaultSectionSize(80);
  horizontalHeader()->setHighlightSections(false);
  // A width the user drags is kept in the column's layout record, and no later fitting undoes it.
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int width) {
    if (owed_ && !fitting_) {
      // A width set before the owed fit was paid: the fit comes first, as if it had been made
      // when the list came, and this width over it.
      PayOwedFit();
      fitting_ = true;
      setColumnWidth(section, width);
      fitting_ = false;
    }
    KeepWidth(section, width);
    if (fitting_) return;
    fit_pending_ = false;
    if (stretch_column_ >= 0 && ListColumnOfSection(section) == stretch_column_) stretch_auto_ = false;
  });
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  SetStyleNumber(CurrentStyleNumber());
}

void TVX_Grid::SetPrintKind(int kind) { print_kind_ = kind; }

void TVX_Grid::SetStyleNumber(int style) {
  // Cells kept from before were coloured in the old style's colours.
  if (style != style_) model_.Source().Invalidate();
  style_ = style;
  handler_.SetColours(GridColoursForStyle(style));
  viewport()->update();
}

void TVX_Grid::InvalidateCells() {
  model_.Source().Invalidate();
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
  // The rows' height is set while the grid holds the rows it had (none, for a new page): setting
  // it visits every row the grid then holds, hundreds of thousands with the new list.
  MatchGridToListType(list_type, alternative);
  // A hidden grid (every result page is made hidden) gives the view its rows when first shown:
  // measuring the row numbers' header for hundreds of thousands of rows on pages never looked
  // at made most of the window's own time after a run.
  if (!isVisible() && rows_when_shown_) model_.HoldRowsBack();
  model_.SetList(list, alternative);
  // Widths for the first page as it will be seen: now, or when the grid is first shown. A hidden
  // grid with rows owes until then the fit it would make now: saving and exports read those
  // widths whether or not the page was shown (PayOwedFit).
  widths_fitted_ = false;
  const TFitRoom room = CurrentFitRoom();
  if (room.visible || model_.Source().Rows() == 0) {
    FitColumns(room);
    if (!room.visible) fit_pending_ = true;
    return;
  }
  if (!owed_) g_owing_fits.emplace_back(this);
  owed_ = room;
  // As the fit would leave them.
  widths_fitted_ = true;
  fit_pending_ = true;
  stretch_auto_ = true;
}

void TVX_Grid::PayOwedFit() {
  // Cells that show nothing (a job holds the list) would be fitted to their headings alone.
  if (!owed_ || model_.Source().ShowsNothing()) return;
  const TFitRoom room = *owed_;
  FitColumns(room);
  // Still hidden: fitted again to the first page when shown.
  fit_pending_ = !isVisible();
}

int TVX_Grid::PayOwedFits() {
  if (g_owing_fits.empty()) return 0;
  std::vector<QPointer<TVX_Grid>> owing;
  owing.swap(g_owing_fits);
  int paid = 0;
  for (const QPointer<TVX_Grid>& grid : owing)
    if (grid && grid->OwesFit()) {
      grid->PayOwedFit();
      if (grid->OwesFit()) g_owing_fits.push_back(grid);  // paid once its cells show again
      else ++paid;
    }
  return paid;
}

bool TVX_Grid::PagesTakeRowsWhenShown() { return g_pages_rows_when_shown; }
void TVX_Grid::SetPagesTakeRowsWhenShown(bool when_shown) { g_pages_rows_when_shown = when_shown; }

void TVX_Grid::GiveRows() {
  if (!model_.RowsHeldBack()) return;
  model_.ShowRows();
  // The row numbers' header takes its width now, as it does when a list arrives with its rows.
  updateGeometries();
}

void TVX_Grid::MatchGridToListType(uint8_t list_type, int alternative) {
  list_type_ = list_type;
  alternative_ = alternative;
  if (model_.Source().KindOfDisplay() != alternative) model_.Source().SetKindOfDisplay(alternative);
  lines_per_row_ = alternative == kGridAlternativeLines ? 3 : 1;
  row_height_ = lines_per_row_ == 1 ? kGridRowHeight : fontMetrics().height() * 3 + 6;
  // A time-line row holds its bars and, below them, its periods' labels (upright when narrow).
  if (list_type == 20) row_height_ = std::max(row_height_, fontMetrics().height() * 4 + 8);
  verticalHeader()->setDefaultSectionSize(row_height_);
  // Plots and statistics read best without ruler lines; the plot or time-line strip takes the
  // page's free width.
  SetRulerLines(list_type != 12 && list_type != 20);
  stretch_column_ = list_type == 12 || list_type == 20 ? kPlotListColumn : -1;
  viewport()->update();
}

void TVX_Grid::SetRulerLines(bool on) { setShowGrid(on); }

void TVX_Grid::ListChanged() {
  const int top = TopRow();
  const int row = CurrentRow(), column = CurrentDisplayColumn();
  model_.ListChanged();
  PlaceListColumnDelegates();
  if (top > 0 && top <= model_.rowCount()) SetTopRow(top);
  // The user's place stays where it was, as long as the list still has that row.
  if (row > 0 && row <= model_.rowCount() && column > 0 && column <= model_.columnCount())
    selectionModel()->setCurrentIndex(model_.index(row - 1, column - 1), QItemSelectionModel::NoUpdate);
  // A list computed after its page was made (collocates, clusters ...) gets widths for its rows.
  if (!widths_fitted_ && model_.Source().Rows() > 0) FitWhenShown();
}

int TVX_Grid::CurrentRow() const { return currentIndex().isValid() ? currentIndex().row() + 1 : -1; }
int TVX_Grid::CurrentColumn() const {
  return currentIndex().isValid() ? const_cast<TVX_Grid*>(this)->model_.Source().ListColumnOfView(currentIndex().column()) : -1;
}
int TVX_Grid::CurrentDisplayColumn() const { return currentIndex().isValid() ? currentIndex().column() + 1 : -1; }
int TVX_Grid::ListColumnOfSection(int section) { return model_.Source().ListColumnOfView(section); }

void TVX_Grid::SelectCell(int row, int list_column) {
  GiveRows();
  const int view = model_.Source().ViewOfListColumn(list_column);
  if (row < 1 || row > model_.rowCount()) return;
  setCurrentIndex(model_.index(row - 1, std::max(0, view)));
  scrollTo(currentIndex());
}

void TVX_Grid::SetListColumnDelegate(int list_column, QAbstractItemDelegate* delegate) {
  column_delegates_.emplace_back(list_column, delegate);
  PlaceListColumnDelegates();
}

void TVX_Grid::PlaceListColumnDelegates() {
  if (column_delegates_.empty()) return;
  for (int v = 0; v < model_.columnCount(); ++v) setItemDelegateForColumn(v, nullptr);
  for (const auto& [list_column, delegate] : column_delegates_) {
    const int view = model_.Source().ViewOfListColumn(list_column);
    if (view >= 0 && delegate) setItemDelegateForColumn(view, delegate);
  }
}

void TVX_Grid::ApplyHeadings() {
  // The records' widths stand over the fit's. A fit still owed (the list came again while the
  // page was hidden) is paid first; a record whose width the grid does not show was set since (in
  // the column editor) and keeps it.
  if (TVXBaseDataClass* list = List(); list && OwesFit()) {
    std::vector<std::pair<size_t, int32_t>> set_since;
    for (size_t i = 0; i < list->grid_headings.size(); ++i) {
      const TGrid_head32& h = list->grid_headings[i];
      const int v = model_.Source().ViewOfListColumn(h.column_number);
      if (v >= 0 && h.width > 0 && h.width != columnWidth(v)) set_since.emplace_back(i, h.width);
    }
    PayOwedFit();
    for (const auto& [i, width] : set_since) list->grid_headings[i].width = width;
  }
  const int top = TopRow();
  model_.ListChanged();
  PlaceListColumnDelegates();
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
  PayOwedFit();
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
  GiveRows();
  if (row < 1 || row > model_.rowCount()) return;
  scrollTo(model_.index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

std::vector<int> TVX_Grid::SelectedRows() const {
  std::set<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedIndexes()) rows.insert(i.row() + 1);
  // A list changed under the grid leaves its current row without a selection: that row is the
  // one a user sees marked and means.
  if (rows.empty() && CurrentRow() > 0) rows.insert(CurrentRow());
  return {rows.begin(), rows.end()};
}

std::pair<int, int> TVX_Grid::CellAtPoint(QPoint p) const {
  const QModelIndex i = indexAt(p);
  if (!i.isValid()) return {-1, -1};
  return {i.row() + 1, i.column() + 1};
}

std::vector<int> TVX_Grid::RowsToCopy() const {
  std::vector<int> rows = SelectedRows();
  if (rows.empty() && CurrentRow() > 0) rows.push_back(CurrentRow());
  return rows;
}

UString TVX_Grid::CopySelectedRows() {
  const TClipboardSettingsRec choice = GetClipboardSettings();
  const std::vector<int> rows = RowsToCopy();
  return CopyRowsToClipboard(rows, choice, choice.Picture() ? SelectedAreaPicture(rows) : QImage());
}

UString TVX_Grid::CopyRowsToClipboard(const std::vector<int>& rows, const TClipboardSettingsRec& choice,
                                      const QImage& picture) {
  // The user's clipboard choices say what goes: the rows as text (with or without the heading
  // row and the number column), a picture of the selected area, or both.
  auto* data = new QMimeData;
  UString text;
  if (choice.EditableText()) {
    text = GridRowsAsText(model_.Source(), rows, choice.HeadingRow(), choice.NumberColumn(),
                          GetConcCharactersForTextOnly());
    data->setText(ToQString(text));
  }
  if (choice.Picture() && !picture.isNull()) data->setImageData(picture);
  if (data->formats().isEmpty()) {
    delete data;
    return text;
  }
  QApplication::clipboard()->setMimeData(data);
  return text;
}

QImage TVX_Grid::SelectedAreaPicture(const std::vector<int>& rows) {
  // The rows as drawn, across the grid's width; rows scrolled out of view are not drawn.
  QRect area;
  for (int r : rows) {
    if (r < 1 || r > model_.rowCount()) continue;
    const int y = rowViewportPosition(r - 1);
    if (y < 0 && y + rowHeight(r - 1) <= 0) continue;
    area |= QRect(0, y, viewport()->width(), rowHeight(r - 1));
  }
  area &= viewport()->rect();
  if (area.isEmpty()) return {};
  return viewport()->grab(area).toImage();
}

void TVX_Grid::Grow() { SetPreferredLinesPerRow(GrownOrShrunkLinesPerRow(lines_per_row_, true)); }

void TVX_Grid::Shrink() { SetPreferredLinesPerRow(GrownOrShrunkLinesPerRow(lines_per_row_, false)); }

void TVX_Grid::GrowOrShrinkCurrentRow(bool grow) {
  const int row = currentIndex().row();
  if (row < 0) return;
  const int line = std::max(1, fontMetrics().lineSpacing());
  setRowHeight(row, std::clamp(rowHeight(row) + (grow ? line : -line), kMinRowHeight, kMaxRowHeight));
  // The row changed is the one a user looks at.
  scrollTo(currentIndex());
}

void TVX_Grid::SetPreferredLinesPerRow(int lines) {
  lines_per_row_ = std::max(1, lines);
  const int one_line = std::max(kGridRowHeight, fontMetrics().lineSpacing() + 6);
  row_height_ = std::clamp(lines_per_row_ == 1 ? one_line : fontMetrics().lineSpacing() * lines_per_row_ + 6,
                           kMinRowHeight, kMaxRowHeight);
  verticalHeader()->setDefaultSectionSize(row_height_);
  viewport()->update();
}

void TVX_Grid::TakeTextFont(const UString& family, int points) {
  QFont f = font();
  if (!family.empty()) f.setFamily(ToQString(family));
  if (points >= kMinFontPoints && points <= kMaxFontPoints) f.setPointSize(points);
  if (f == font()) return;
  setFont(f);
  horizontalHeader()->setFont(f);
  if (list_type_ == 20) MatchGridToListType(list_type_, alternative_);
  else SetPreferredLinesPerRow(lines_per_row_);
}

TVX_Grid::TFitRoom TVX_Grid::CurrentFitRoom() const {
  TFitRoom r;
  r.visible = isVisible();
  r.viewport_width = viewport()->width();
  r.window_width = window() != this ? window()->width() : 0;
  r.page_rows = viewport()->height() / std::max(1, row_height_) + 1;
  r.font = font();
  return r;
}

void TVX_Grid::DefaultColumnWidths() { FitColumns(CurrentFitRoom()); }

void TVX_Grid::FitColumns(const TFitRoom& r) {
  owed_.reset();
  const int columns = model_.columnCount();
  const QFontMetrics fm(r.font);
  // The room a column may take: the window's width once the grid is laid out in it.
  int room = r.viewport_width;
  if (!r.visible || room < 200) room = r.window_width;
  if (room < 200) room = 1600;
  room = std::max(120, room - 40);
  // The rows of the first page: those the viewport shows (a grid fitted while hidden is fitted
  // again when it is first shown, with the rows it then shows).
  const int rows = std::min(model_.Source().Rows(), std::clamp(r.page_rows, 1, kMostFirstPageRows));
  fitting_ = true;
  for (int c = 0; c < columns; ++c) {
    // A column of concordance lines takes a line's width; any other the widest text of the first
    // page (words, clusters, file names, numbers as shown), so rows never look alike for being cut.
    const int list_column = model_.Source().ListColumnOfView(c);
    // A plot or time-line strip takes the width the others leave (FitStretchColumn below): its
    // cells, which hold every hit of their rows, are not made for a width that is not used.
    if (stretch_column_ >= 0 && list_column == stretch_column_) continue;
    const TGrid_data_rec& first = model_.Source().Cell(1, list_column);
    int text_width = fm.averageCharWidth() * 10;
    const bool lines = first.kind == kCellConcordanceLine || (first.has_text && !first.has_number && first.text.size() > kLineLike);
    if (lines) {
      setColumnWidth(c, fm.averageCharWidth() * 110);
      continue;
    } else {
      for (int r = 1; r <= rows; ++r) {
        const QString shown = ToQString(GridCellText(model_.Source().Cell(r, list_column)));
        if (!shown.isEmpty()) text_width = std::max(text_width, fm.horizontalAdvance(shown.left(kLineLike)) + 16);
      }
    }
    const int heading = fm.horizontalAdvance(model_.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 16;
    setColumnWidth(c, std::min(room, std::max(heading, text_width)));
  }
  fitting_ = false;
  widths_fitted_ = rows > 0;
  fit_pending_ = false;
  stretch_auto_ = true;
  FitStretchColumn(r);
  if (widths_fitted_) ApplyKeptColumnWidths();
}

void TVX_Grid::SetKeptColumnWidths(std::vector<int16_t> widths) {
  kept_widths_ = std::move(widths);
  if (widths_fitted_) ApplyKeptColumnWidths();
}

void TVX_Grid::ApplyKeptColumnWidths() {
  if (kept_widths_.empty()) return;
  if (static_cast<int>(kept_widths_.size()) == model_.columnCount()) {
    for (int c = 0; c < model_.columnCount(); ++c) setColumnWidth(c, kept_widths_[static_cast<size_t>(c)]);
    stretch_auto_ = false;
  }
  kept_widths_.clear();
}

void TVX_Grid::FitWhenShown() {
  if (isVisible()) DefaultColumnWidths();
  else fit_pending_ = true;
}

void TVX_Grid::showEvent(QShowEvent* e) {
  GiveRows();
  QTableView::showEvent(e);
  if (fit_pending_) DefaultColumnWidths();
  else FitStretchColumn();
}

void TVX_Grid::FitStretchColumn() {
  // A grid owing its fit is hidden (shown, it fits first): the fit it owes places the strip.
  if (stretch_column_ < 0 || !stretch_auto_ || owed_) return;
  FitStretchColumn(CurrentFitRoom());
}

void TVX_Grid::FitStretchColumn(const TFitRoom& r) {
  if (stretch_column_ < 0 || !stretch_auto_) return;
  // The strip's place on screen moves when the layout hides or moves columns.
  const int view = model_.Source().ViewOfListColumn(stretch_column_);
  if (view < 0 || view >= model_.columnCount()) return;
  int others = 0;
  for (int c = 0; c < model_.columnCount(); ++c)
    if (c != view && !isColumnHidden(c)) others += columnWidth(c);
  const int room = r.visible ? r.viewport_width : (r.window_width > 0 ? r.window_width - 60 : 0);
  fitting_ = true;
  setColumnWidth(view, std::max(kStretchMinimum, room - others - 1));
  fitting_ = false;
}

void TVX_Grid::resizeEvent(QResizeEvent* e) {
  QTableView::resizeEvent(e);
  FitStretchColumn();
  PlaceFrozenRows();
}

void TVX_Grid::FreezeTopRows(int rows) {
  frozen_rows_ = std::max(0, rows);
  if (frozen_rows_ == 0) {
    if (frozen_) frozen_->hide();
    return;
  }
  if (!frozen_) {
    frozen_ = new QTableView(this);
    frozen_->setObjectName(QStringLiteral("FrozenRows"));
    frozen_->setModel(&model_);
    frozen_->setSelectionModel(selectionModel());
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->horizontalHeader()->hide();
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setHorizontalScrollMode(horizontalScrollMode());
    frozen_->setSelectionBehavior(selectionBehavior());
    frozen_->setSelectionMode(selectionMode());
    frozen_->setFrameShape(QFrame::NoFrame);
    frozen_->setStyleSheet(QStringLiteral("QTableView { border-bottom: 2px solid palette(mid); }"));
    // The band shares the grid's current row: a click on a lower row must not scroll the band to
    // it, nor may a wheel turned over the band. The band always shows the top rows.
    frozen_->setAutoScroll(false);
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_, [this](int value) {
      if (value != 0) frozen_->verticalScrollBar()->setValue(0);
    });
    // The frozen rows follow this grid's columns and its scrolling across.
    connect(horizontalHeader(), &QHeaderView::sectionResized, frozen_,
            [this](int section, int, int width) { frozen_->setColumnWidth(section, width); });
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, frozen_->horizontalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceFrozenRows(); });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { PlaceFrozenRows(); });
  }
  PlaceFrozenRows();
}

void TVX_Grid::PlaceFrozenRows() {
  if (!frozen_ || frozen_rows_ == 0) return;
  const int rows = std::min(frozen_rows_, model_.rowCount());
  if (rows == 0) {
    frozen_->hide();
    return;
  }
  frozen_->setItemDelegate(itemDelegate());
  int height = 0;
  for (int r = 0; r < rows; ++r) {
    frozen_->setRowHeight(r, rowHeight(r));
    height += rowHeight(r);
  }
  for (int c = 0; c < model_.columnCount(); ++c) {
    frozen_->setColumnHidden(c, isColumnHidden(c));
    frozen_->setColumnWidth(c, columnWidth(c));
    if (QAbstractItemDelegate* d = itemDelegateForColumn(c)) frozen_->setItemDelegateForColumn(c, d);
  }
  frozen_->setFont(font());
  frozen_->verticalHeader()->setFixedWidth(verticalHeader()->width());
  frozen_->verticalHeader()->setVisible(verticalHeader()->isVisible());
  const int left = frameWidth();
  const int top = frameWidth() + (horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0);
  frozen_->setGeometry(left, top, verticalHeader()->width() + viewport()->width(), height + 2);
  frozen_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
  frozen_->verticalScrollBar()->setValue(0);
  frozen_->show();
  frozen_->raise();
}

bool TVX_Grid::HandleGridCommand(int tag) {
  switch (tag) {
    case kTagCopy: CopySelectedRows(); return true;
    case kTagGrow: Grow(); return true;
    case kTagShrink: Shrink(); return true;
    case kTagGrowRow: GrowOrShrinkCurrentRow(true); return true;
    case kTagShrinkRow: GrowOrShrinkCurrentRow(false); return true;
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
