#include <gtest/gtest.h>

#include "platform/runtime/vx_runtime.h"
#include "shell/grid_cells.h"
#include "model/grid_headings.h"
#include "shell/grid_test_list.h"

TEST(GridCells, AsksOnlyForCellsShownAndKeepsThem) {
  TSyntheticGridList list(1000000);
  TGridCellSource src;
  src.SetList(&list);
  EXPECT_EQ(src.Rows(), 1000000);
  EXPECT_EQ(src.Columns(), 17);
  // Only the headings are asked for at first: they say which columns the list hides.
  const int heading_calls = list.cell_calls;
  EXPECT_LE(heading_calls, 16);
  for (int r = 500000; r < 500030; ++r)
    for (int c = 0; c < 17; ++c) src.Cell(r, c);
  EXPECT_EQ(list.cell_calls - heading_calls, 30 * 17);
  for (int r = 500000; r < 500030; ++r) src.Cell(r, 1);  // a repaint reads the kept rows
  EXPECT_EQ(list.cell_calls - heading_calls, 30 * 17);
  EXPECT_EQ(src.Cell(500000, 1).text, TSyntheticGridList::LineOf(500000));
}

TEST(GridCells, KeepsOnlyAFewScreens) {
  TSyntheticGridList list(100000);
  TGridCellSource src;
  src.SetList(&list);
  for (int r = 1; r <= 5000; ++r) src.Cell(r, 1);
  EXPECT_EQ(src.CachedRowCount(), TGridCellSource::kCachedRows);
  // The most recent rows stay.
  const int calls = list.cell_calls;
  src.Cell(5000, 1);
  EXPECT_EQ(list.cell_calls, calls);
}

// After a zap and a sort the grid shows the list as it is now, without being made again.
TEST(GridCells, FollowsTheListAfterZapAndSort) {
  TSyntheticGridList list(10);
  TGridCellSource src;
  src.SetList(&list);
  EXPECT_EQ(src.Cell(10, 1).text, TSyntheticGridList::LineOf(10));
  list.MarkDeleted(2);
  list.MarkDeleted(3);
  list.ZapDeleted();
  // Until the grid is told, a row past the list's end reads empty, never stale or out of range.
  EXPECT_FALSE(src.Cell(10, 1).has_text || src.Cell(10, 1).has_number);
  src.Invalidate();
  EXPECT_EQ(src.Rows(), 8);
  list.Reverse();
  src.Invalidate();
  EXPECT_EQ(src.Cell(1, 1).text, TSyntheticGridList::LineOf(8));
}

TEST(GridCells, BusyListsPaintEmpty) {
  TSyntheticGridList list(10);
  TGridCellSource src;
  src.SetList(&list);
  struct Case { bool global; uint8_t list_busy; };
  for (Case c : {Case{true, kBusyNone}, Case{false, kBusySorting}}) {
    Global_Busy_Dont_Show_Data = c.global;
    list.SetListBusy(c.list_busy);
    const int calls = list.cell_calls;
    EXPECT_FALSE(src.Cell(1, 1).has_text);
    EXPECT_EQ(list.cell_calls, calls);
    Global_Busy_Dont_Show_Data = false;
    list.SetListBusy(kBusyNone);
    // Nothing empty was kept: the row reads right once the job is done.
    EXPECT_EQ(src.Cell(1, 1).text, TSyntheticGridList::LineOf(1));
  }
}

TEST(GridCells, TweakAdjustsCellsBeforeDrawingAndCopying) {
  TSyntheticGridList list(3);
  TGridCellSource src;
  src.SetList(&list);
  src.SetTweak([](TGrid_data_rec& c) {
    if (c.col == 2 && c.row > 0) {
      c.has_text_colour = true;
      c.text_colour = 0x0000FF;
      c.number.value = -1;
    }
  });
  EXPECT_TRUE(src.Cell(1, 2).has_text_colour);
  const UString text = GridRowsAsText(src, {1}, false);
  EXPECT_NE(text.find(u"\t-1\t"), UString::npos);
}

TEST(GridCells, CellText) {
  struct Case { bool is_real; int decimals; float value; const char16_t* text; };
  const Case cases[] = {{false, 0, 42, u"42"}, {true, 0, 2.5f, u"2.50"}, {true, 3, 0.125f, u"0.125"},
                        {false, 1, 7, u"7.0"}, {false, 0, -3, u"-3"}};
  for (const auto& c : cases) {
    TGrid_data_rec cell;
    cell.has_number = true;
    cell.number.is_real = c.is_real;
    cell.number.value = c.value;
    cell.decimals = c.decimals;
    EXPECT_EQ(GridCellText(cell), UString(c.text));
  }
  TGrid_data_rec word;
  word.has_text = true;
  word.text = u"cat";
  word.prefix = u"the ";
  EXPECT_EQ(GridCellText(word), RelevantAffixesOfStringData(word));
  EXPECT_EQ(GridCellText(TGrid_data_rec()), u"");
}

TEST(GridCells, CopiedRowsAreTabSeparatedLines) {
  TSyntheticGridList list(2);
  list.SetHeadings({u"N", u"Concordance", u"Number 1"});
  TGridCellSource src;
  src.SetList(&list);
  EXPECT_EQ(GridRowsAsText(src, {2}, true),
            u"N\tConcordance\tNumber 1\r\n2\t" + TSyntheticGridList::LineOf(2) + u"\t40\r\n");  // (2 * 7 + 2 * 13) % 1000
}

// A column whose heading the list hides (statistics not computed) is not shown, with or without
// a layout of the user's; a column the list shows again comes back.
TEST(GridCells, ColumnsTheListHidesAreNotShown) {
  TSyntheticGridList list(10);
  list.hidden_columns = {3, 4, 9};
  TGridCellSource src;
  src.SetList(&list);
  std::vector<int> shown;
  for (int v = 0; v < src.ViewColumnCount(); ++v) shown.push_back(src.ListColumnOfView(v));
  std::vector<int> expected;
  for (int c = 1; c < 17; ++c)
    if (c != 3 && c != 4 && c != 9) expected.push_back(c);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(src.ViewOfListColumn(4), -1);

  EnsureGridHeadings(list);
  src.Invalidate();
  shown.clear();
  for (int v = 0; v < src.ViewColumnCount(); ++v) shown.push_back(src.ListColumnOfView(v));
  EXPECT_EQ(shown, expected);

  list.hidden_columns.clear();
  src.Invalidate();
  EXPECT_EQ(src.ViewColumnCount(), 16);
}
