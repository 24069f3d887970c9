// A list of concordance-sized rows made on demand, for grid tests and the grid bench: column 0
// the row number, 1 a 150-character line, 2..16 numbers. It keeps no entries, only a row count,
// an order and deletion marks, and counts every cell it is asked for.
#pragma once

#include <set>

#include "model/lists/result_list_base.h"

class TSyntheticGridList : public TVXBaseDataClass {
 public:
  static constexpr int kNumberColumns = 15;
  static constexpr int kLineLength = 150;

  explicit TSyntheticGridList(int rows) : TVXBaseDataClass(nullptr, nullptr, 0, 10, 0), rows_(rows) {
    std::vector<UString> h = {u"N", u"Concordance"};
    for (int c = 0; c < kNumberColumns; ++c) h.push_back(u"Number " + IntToUStr(c + 1));
    SetHeadings(std::move(h));
  }

  int TotalRowCount() const override { return rows_; }
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override {
    ++cell_calls;
    cell = TGrid_data_rec();
    cell.col = col;
    cell.row = row;
    if (row == 0) {
      cell.text = Headings()[static_cast<size_t>(col)];
      cell.has_text = true;
      cell.visible = hidden_columns.count(col) == 0;
      return;
    }
    if (row > rows_) return;
    const int id = IdOfRow(row);
    cell.deleted = deleted_.count(id) != 0;
    if (col == 0) {
      cell.text = IntToUStr(row);
      cell.has_text = true;
    } else if (col == 1) {
      cell.text = LineOf(id);
      cell.has_text = true;
      cell.centre_start = 70;
      cell.centre_length = static_cast<int32_t>(IntToUStr(id).size()) + 5;
    } else {
      cell.has_number = true;
      cell.number.value = static_cast<float>((id * 7 + col * 13) % 1000);
    }
  }

  // The line of an entry: its number as the search word, in the middle of 150 characters.
  static UString LineOf(int id) {
    UString centre = u"word " + IntToUStr(id);
    UString line(70, u'.');
    for (int i = 0; i < 70; i += 10) line.replace(static_cast<size_t>(i), 9, u"left text");
    line += centre;
    while (line.size() < kLineLength) line += u" right";
    line.resize(kLineLength);
    return line;
  }
  // Which entry a row (1-based) shows.
  int IdOfRow(int row) const { return reversed_ ? rows_ - row + 1 : row; }

  void MarkDeleted(int row) { deleted_.insert(IdOfRow(row)); }
  // Takes deleted rows out; entries keep their ids, so later rows move up.
  void ZapDeleted() {
    rows_ -= static_cast<int>(deleted_.size());
    deleted_.clear();
  }
  void Reverse() { reversed_ = !reversed_; }
  void SetRows(int rows) { rows_ = rows; }

  int cell_calls = 0;
  std::set<int> hidden_columns;  // columns whose heading the list hides

 private:
  int rows_;
  bool reversed_ = false;
  std::set<int> deleted_;
};
