#include "shell/grid_cells.h"

#include "model/export_cells.h"
#include "platform/runtime/vx_runtime.h"

void TGridCellSource::SetList(TVXBaseDataClass* list, int kind_of_display) {
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

void TGridCellSource::Invalidate() {
  rows_.clear();
  ages_.clear();
}

void TGridCellSource::Fill(int row, int col, TGrid_data_rec& cell) {
  const int data_rows = list_->TotalRowCount();
  if (row <= data_rows) {
    list_->DrawgridDataRec(col, row, cell, kind_of_display_);
  } else {
    list_->GetColumnTotalDataForGrid(col, row - data_rows - 1, cell);
  }
  if (tweak_) tweak_(cell);
}

const TGrid_data_rec& TGridCellSource::Cell(int row, int col) {
  if (ShowsNothing() || row < 0 || col < 0 || col >= Columns() || row > Rows()) {
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
  if (static_cast<size_t>(col) >= r.cells.size()) {  // headings grew since the row was kept
    r.cells.resize(static_cast<size_t>(col) + 1);
    r.filled.resize(static_cast<size_t>(col) + 1, false);
  }
  if (!r.filled[static_cast<size_t>(col)]) {
    Fill(row, col, r.cells[static_cast<size_t>(col)]);
    r.filled[static_cast<size_t>(col)] = true;
  }
  return r.cells[static_cast<size_t>(col)];
}

std::vector<TGrid_data_rec> TGridCellSource::RowCells(int row) {
  std::vector<TGrid_data_rec> out;
  for (int c = 0; c < Columns(); ++c) out.push_back(Cell(row, c));
  return out;
}

UString GridCellText(const TGrid_data_rec& cell) { return CellTextAsShown(cell); }

UString GridRowsAsText(TGridCellSource& source, const std::vector<int>& rows, bool with_headings) {
  UString out;
  auto line = [&](int row) {
    const auto cells = source.RowCells(row);
    for (size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) out += u'\t';
      out += GridCellText(cells[c]);
    }
    out += u"\r\n";
  };
  if (with_headings) line(0);
  for (int r : rows) line(r);
  return out;
}

TGridStyleColours GridColoursForStyle(int style_number) {
  if ((style_number & 1) != 0) return {0x284628, 0xFFAA78, 0x787878};
  return {0xD0F0D8, 0xA00000, 0x8C8C8C};
}

TRulerOption RulerOptionAfterFit(bool ruler_item_shown, bool have_grid, int alternative, bool ruler_checked) {
  if (!ruler_item_shown || !have_grid) return TRulerOption::Leave;
  if (alternative != 2 && alternative != 10 && alternative != 16) return TRulerOption::Leave;
  return ruler_checked ? TRulerOption::On : TRulerOption::Off;
}
