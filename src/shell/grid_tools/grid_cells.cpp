#include "shell/grid_tools/grid_cells.h"

#include <algorithm>

#include "model/documents/work_derived.h"
#include "model/export/export_cells.h"
#include "model/lists/grid_headings.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/grid_tools/search_replace_rules.h"

void TGridCellSource::SetList(TVXBaseDataClass* list, int kind_of_display) {
  // Another list's cells do not hold the last search's words.
  if (list != list_) search_display_.clear();
  list_ = list;
  kind_of_display_ = kind_of_display;
  Invalidate();
}

void TGridCellSource::SetKindOfDisplay(int kind) {
  kind_of_display_ = kind;
  Invalidate();
}

bool TGridCellSource::ShowsNothing() const {
  return list_ == nullptr || Global_Busy_Dont_Show_Data || list_->ListBusy() != kBusyNone;
}

int TGridCellSource::DataRows() const { return list_ ? list_->TotalRowCount() : 0; }
int TGridCellSource::Rows() const { return list_ ? list_->TotalRowCount() + list_->ColumnTotalRowCount() : 0; }
int TGridCellSource::Columns() const { return list_ ? list_->HeadingCount() : 0; }

bool TGridCellSource::ValidColumn(int col) const {
  if (!list_ || col < 0) return false;
  return col < Columns() || list_->AddedColumn(col) != nullptr;
}

size_t TGridCellSource::SlotOf(int col) const {
  const int own = Columns();
  return static_cast<size_t>(col < own ? col : own + (col - TVXBaseDataClass::kFirstAddedColumn));
}

int TGridCellSource::ViewOfListColumn(int col) const {
  for (size_t v = 0; v < view_columns_.size(); ++v)
    if (view_columns_[v] == col) return static_cast<int>(v);
  return -1;
}

bool ApplyDefaultColumnVisibilityToList(TVXBaseDataClass& list) {
  if (!list.grid_headings.empty() || list.TotalRowCount() <= 0) return false;
  std::vector<int> hidden;
  ApplyDefaultColumnVisibility(list.ListType(), list.HeadingCount(), false, [&](int column, bool visible) {
    if (!visible) hidden.push_back(column);
  });
  if (hidden.empty()) return false;
  EnsureGridHeadings(list, true);
  for (TGrid_head32& h : list.grid_headings)
    if (std::find(hidden.begin(), hidden.end(), h.column_number) != hidden.end()) h.visible = false;
  return true;
}

void TGridCellSource::MakeViewColumns() {
  view_columns_.clear();
  head_of_slot_.clear();
  if (!list_) return;
  const TGrid_header_array& heads = list_->grid_headings;
  if (!heads.empty() && !ShowsNothing()) EnsureGridHeadings(*list_, false);
  else if (!ShowsNothing()) ApplyDefaultColumnVisibilityToList(*list_);
  if (heads.empty()) {
    for (int c = 1; c < Columns(); ++c) view_columns_.push_back(c);
    DropColumnsTheListHides();
    return;
  }
  view_columns_ = VisibleListColumns(heads);
  for (size_t i = 0; i < heads.size(); ++i) {
    if (!ValidColumn(heads[i].column_number)) continue;
    const size_t slot = SlotOf(heads[i].column_number);
    if (head_of_slot_.size() <= slot) head_of_slot_.resize(slot + 1, -1);
    head_of_slot_[slot] = static_cast<int>(i);
  }
  std::erase_if(view_columns_, [this](int c) { return !ValidColumn(c); });
  DropColumnsTheListHides();
}

void TGridCellSource::DropColumnsTheListHides() {
  // A column whose heading the list itself hides (statistics that were not computed) is not
  // shown, whatever the layout says: exports leave it out for the same reason.
  if (ShowsNothing()) return;
  TGrid_data_rec heading;
  std::erase_if(view_columns_, [&](int c) {
    heading = TGrid_data_rec();
    list_->AnyColumnDataRec(c, 0, heading, kind_of_display_);
    return !heading.visible;
  });
}

void TGridCellSource::Invalidate() {
  rows_.clear();
  ages_.clear();
  MakeViewColumns();
}

void TGridCellSource::Fill(int row, int col, TGrid_data_rec& cell) {
  const int data_rows = list_->TotalRowCount();
  if (row <= data_rows) {
    list_->AnyColumnDataRec(col, row, cell, kind_of_display_);
  } else {
    list_->GetColumnTotalDataForGrid(col, row - data_rows - 1, cell);
  }
  if (tweak_) tweak_(cell);
  if (row > 0 && row <= data_rows && list_->HasColourCategories() && !cell.has_colour) {
    const uint32_t colour = list_->ColourCategoryOf(row - 1);
    if (colour != kNoColourCategory) {
      cell.has_colour = true;
      cell.colour = colour;
    }
  }
  const size_t slot = SlotOf(col);
  if (slot < head_of_slot_.size() && head_of_slot_[slot] >= 0 &&
      static_cast<size_t>(head_of_slot_[slot]) < list_->grid_headings.size())
    ApplyHeadingToCell(list_->grid_headings[static_cast<size_t>(head_of_slot_[slot])], cell);
  if (row > 0 && row <= data_rows && !search_display_.empty()) AddSearchSpans(col, cell);
}

struct TGridCellSource::TSearchDisplay {
  std::vector<UString> items;
  std::unique_ptr<TCellHitFinder> finder;
  uint32_t colour = 0;
  std::vector<std::pair<int32_t, int32_t>> hits;
};

void TGridCellSource::ShowSearchFormat(int column, const std::vector<UString>& items, uint32_t colour) {
  auto& shown = search_display_[column];
  if (!shown) shown = std::make_shared<TSearchDisplay>();
  for (const UString& i : items) {
    const UString item = TrimU(i);
    if (!item.empty() && std::find(shown->items.begin(), shown->items.end(), item) == shown->items.end())
      shown->items.push_back(item);
  }
  shown->colour = colour;
  shown->finder = std::make_unique<TCellHitFinder>(shown->items);
  if (shown->items.empty()) search_display_.erase(column);
  Invalidate();
}

void TGridCellSource::ClearSearchDisplay() {
  if (search_display_.empty()) return;
  search_display_.clear();
  Invalidate();
}

std::vector<UString> TGridCellSource::SearchDisplayItems(int column) const {
  const auto it = search_display_.find(column);
  return it == search_display_.end() ? std::vector<UString>() : it->second->items;
}

void TGridCellSource::AddSearchSpans(int col, TGrid_data_rec& cell) {
  const auto it = search_display_.find(col);
  if (it == search_display_.end() || !cell.visible || !cell.has_text) return;
  TSearchDisplay& shown = *it->second;
  // The search looks at the whole text shown; the spans count from the start of the text proper.
  shown.finder->Hits(GridCellText(cell), shown.hits);
  const auto prefix = static_cast<int32_t>(cell.prefix.size());
  const auto length = static_cast<int32_t>(cell.text.size());
  for (const auto& [offset, width] : shown.hits) {
    const int32_t from = std::max(offset - prefix, 0), to = std::min(offset + width - prefix, length);
    if (to <= from) continue;
    TGrid_data_rec::TColouredSpan span;
    span.start = from;
    span.length = to - from;
    span.fore = shown.colour;
    span.bold = true;
    cell.spans.push_back(span);
  }
}

const TGrid_data_rec& TGridCellSource::Cell(int row, int col) {
  if (ShowsNothing() || row < 0 || !ValidColumn(col) || row > Rows()) {
    empty_ = TGrid_data_rec();
    empty_.row = row;
    empty_.col = col;
    return empty_;
  }
  auto it = rows_.find(row);
  if (it == rows_.end()) {
    if (rows_.size() >= kCachedRows) {
      rows_.erase(ages_.back());
      ages_.pop_back();
    }
    ages_.push_front(row);
    TRow r;
    r.cells.resize(static_cast<size_t>(Columns()));
    r.filled.assign(static_cast<size_t>(Columns()), false);
    r.age = ages_.begin();
    it = rows_.emplace(row, std::move(r)).first;
  } else if (it->second.age != ages_.begin()) {
    ages_.splice(ages_.begin(), ages_, it->second.age);
  }
  TRow& r = it->second;
  const size_t slot = SlotOf(col);
  if (slot >= r.cells.size()) {  // headings grew since the row was kept
    r.cells.resize(slot + 1);
    r.filled.resize(slot + 1, false);
  }
  if (!r.filled[slot]) {
    Fill(row, col, r.cells[slot]);
    r.filled[slot] = true;
  }
  return r.cells[slot];
}

TGrid_data_rec TGridCellSource::FreshCell(int row, int col) {
  TGrid_data_rec cell;
  cell.row = row;
  cell.col = col;
  if (!ShowsNothing() && row >= 0 && ValidColumn(col) && row <= Rows()) Fill(row, col, cell);
  return cell;
}

std::vector<TGrid_data_rec> TGridCellSource::RowCells(int row) {
  std::vector<TGrid_data_rec> out;
  out.push_back(Cell(row, 0));
  for (int c : view_columns_) out.push_back(Cell(row, c));
  return out;
}

UString GridCellText(const TGrid_data_rec& cell) { return CellTextAsShown(cell); }

UString GridRowsAsText(TGridCellSource& source, const std::vector<int>& rows, bool with_headings,
                       bool with_number_column, int32_t line_characters) {
  UString out;
  auto line = [&](int row) {
    const auto cells = source.RowCells(row);
    const size_t first = with_number_column ? 0 : 1;  // the row number is the first cell
    for (size_t c = first; c < cells.size(); ++c) {
      if (c > first) out += u'\t';
      if (line_characters >= 0 && row > 0 && cells[c].kind == kCellConcordanceLine && source.List()) {
        // The line as the list holds it, not as cut to the column's width: the characters wanted
        // may be more than the screen shows.
        TGrid_data_rec whole;
        source.List()->DrawgridDataRec(cells[c].col, row, whole, source.KindOfDisplay());
        int32_t start = CellCentreStart(whole);
        int32_t length = whole.centre_length > 0 ? whole.centre_length : whole.hit_width;
        // The search word's marker (text written out) goes with the search word: the left side
        // keeps the characters wanted, as the screen shows them.
        const UString marker = GetConc_SW_TXT_Marker();
        const auto m = static_cast<int32_t>(marker.size());
        if (m > 0 && start >= m && UStringView(whole.text).substr(static_cast<size_t>(start - m), marker.size()) == marker) {
          start -= m;
          length += m;
        }
        const TCellSectionViews s = ConcLineSectionViews(whole.text, start, length, whole.start_position, line_characters);
        out.append(s.left).append(s.centre).append(s.right);
        continue;
      }
      // A time-line's periods each take a column, their counts under their dates.
      out += HasTimelineColumns(cells[c]) ? TimelineColumnsText(cells[c]) : GridCellText(cells[c]);
    }
    out += u"\r\n";
  };
  if (with_headings) line(0);
  for (int r : rows) line(r);
  return out;
}

TGridStyleColours GridColoursForStyle(int style_number) {
  if ((style_number & 1) != 0) return {0x284628, 0xFFAA78, 0x787878, 0x283C46};
  return {0xD0F0D8, 0xA00000, 0x8C8C8C, 0xD8F4FF};
}

TRulerOption RulerOptionAfterFit(bool ruler_item_shown, bool have_grid, int alternative, bool ruler_checked) {
  if (!ruler_item_shown || !have_grid) return TRulerOption::Leave;
  if (alternative != 2 && alternative != 10 && alternative != 16) return TRulerOption::Leave;
  return ruler_checked ? TRulerOption::On : TRulerOption::Off;
}
