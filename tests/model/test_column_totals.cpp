// Column Totals: the row below a list's data sums each column's numbers over the rows not
// deleted; text columns stay empty.
#include <gtest/gtest.h>

#include "model/export/export_cells.h"
#include "model/work_test_list.h"

namespace {

// Word, frequency (a whole number) and a share of it with two decimals.
class TNumberList : public TTestWordList {
 public:
  TNumberList() { SetHeadings({u"N", u"Word", u"Freq.", u"Share"}); }
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int) override {
    cell = TGrid_data_rec();
    cell.col = col;
    cell.row = row;
    const TTestWordEntry* e = row >= 1 ? At(row - 1) : nullptr;
    if (!e) return;
    if (col == 1) {
      cell.has_text = true;
      cell.text = e->word;
    } else if (col == 2 || col == 3) {
      cell.has_number = true;
      cell.number.value = col == 2 ? static_cast<float>(e->freq) : static_cast<float>(e->freq) / 4.0f;
      cell.number.is_real = col == 3;
      cell.decimals = col == 3 ? 2 : 0;
    }
  }
};

TEST(ColumnTotals, SumOfEachNumberColumnOverRowsNotDeleted) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char16_t*, int>> rows;
    std::vector<int> deleted;
    const char16_t* freq;   // as shown
    const char16_t* share;
  };
  const std::vector<Case> cases = {
      {"three rows", {{u"the", 10}, {u"of", 6}, {u"and", 3}}, {}, u"19", u"4.75"},
      {"one deleted", {{u"the", 10}, {u"of", 6}, {u"and", 3}}, {1}, u"13", u"3.25"},
      {"all deleted", {{u"the", 10}}, {0}, u"0", u"0.00"},
      {"large counts", {{u"a", 2000000000}, {u"b", 1000000000}}, {}, u"3000000000", u"750000000.00"},
  };
  for (const Case& c : cases) {
    TNumberList list;
    for (const auto& [w, f] : c.rows) list.AddWord(w, f);
    for (int i : c.deleted) list.SetDeleted(i, true);
    EXPECT_EQ(list.ColumnTotalRowCount(), 0) << c.what;
    list.ComputeColumnTotals();
    ASSERT_EQ(list.ColumnTotalRowCount(), 1) << c.what;
    TGrid_data_rec cell;
    list.GetColumnTotalDataForGrid(0, 0, cell);
    EXPECT_EQ(CellTextAsShown(cell), u"Total") << c.what;
    list.GetColumnTotalDataForGrid(1, 0, cell);
    EXPECT_EQ(CellTextAsShown(cell), u"") << c.what << ": a text column has no total";
    list.GetColumnTotalDataForGrid(2, 0, cell);
    EXPECT_EQ(CellTextAsShown(cell), c.freq) << c.what;
    list.GetColumnTotalDataForGrid(3, 0, cell);
    EXPECT_EQ(CellTextAsShown(cell), c.share) << c.what;
    // Outside the row or the columns: an empty cell.
    list.GetColumnTotalDataForGrid(4, 0, cell);
    EXPECT_FALSE(cell.has_number || cell.has_text) << c.what;
    list.GetColumnTotalDataForGrid(2, 1, cell);
    EXPECT_FALSE(cell.has_number || cell.has_text) << c.what;
  }
}

}  // namespace
