#include <gtest/gtest.h>

#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/grid_tools/grid_cells.h"
#include "model/lists/grid_headings.h"
#include "shell/grid_test_list.h"
#include "model/work_test_list.h"

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

// A fresh cell is asked of the list each time, after the tweak as a kept one, and changes nothing
// kept; rows outside the list and unknown columns answer an empty cell of that place.
TEST(GridCells, FreshCellsAreMadeEachTimeAndNotKept) {
  TSyntheticGridList list(100);
  TGridCellSource src;
  src.SetList(&list);
  int tweaks = 0;
  src.SetTweak([&](TGrid_data_rec& cell) {
    ++tweaks;
    cell.matched = cell.row == 7;
  });
  const TGrid_data_rec* kept = &src.Cell(7, 1);
  const int calls = list.cell_calls;
  for (int i = 0; i < 3; ++i) {
    const TGrid_data_rec fresh = src.FreshCell(7, 1);
    EXPECT_EQ(fresh.text, TSyntheticGridList::LineOf(7));
    EXPECT_TRUE(fresh.matched);
  }
  EXPECT_EQ(list.cell_calls - calls, 3);
  EXPECT_EQ(tweaks, 4);
  EXPECT_EQ(src.CachedRowCount(), 1u);
  EXPECT_EQ(&src.Cell(7, 1), kept);
  EXPECT_EQ(list.cell_calls - calls, 3);
  for (const auto& [row, col] : {std::pair{1000, 1}, std::pair{-1, 1}, std::pair{3, 99}}) {
    const TGrid_data_rec outside = src.FreshCell(row, col);
    EXPECT_FALSE(outside.has_text || outside.has_number) << row << " " << col;
    EXPECT_EQ(outside.row, row);
    EXPECT_EQ(outside.col, col);
  }
  EXPECT_EQ(src.CachedRowCount(), 1u);
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

// The clipboard's heading-row and number-column choices, each on and off.
TEST(GridCells, CopiedRowsFollowTheHeadingAndNumberChoices) {
  TSyntheticGridList list(3);
  list.SetHeadings({u"N", u"Concordance", u"Number 1"});
  TGridCellSource src;
  src.SetList(&list);
  const UString line2 = TSyntheticGridList::LineOf(2), line3 = TSyntheticGridList::LineOf(3);
  struct Case {
    bool headings, numbers;
    UString want;
  } cases[] = {
      {true, true, u"N\tConcordance\tNumber 1\r\n2\t" + line2 + u"\t40\r\n3\t" + line3 + u"\t47\r\n"},
      {false, true, u"2\t" + line2 + u"\t40\r\n3\t" + line3 + u"\t47\r\n"},
      {true, false, u"Concordance\tNumber 1\r\n" + line2 + u"\t40\r\n" + line3 + u"\t47\r\n"},
      {false, false, line2 + u"\t40\r\n" + line3 + u"\t47\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GridRowsAsText(src, {2, 3}, c.headings, c.numbers), c.want) << c.headings << c.numbers;
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

// A search's words are shown in the cells of its column only, as coloured bold spans counted
// from the start of the cell's text (after any prefix); later searches add to them until cleared.
TEST(GridCells, SearchDisplayColoursTheHitsOfItsColumn) {
  TTestWordList list;
  list.SetHeadings({u"N", u"Word"});
  list.Fill({{u"cat", 5}, {u"catalogue", 3}, {u"dog", 2}});
  const int set = list.AddSetColumn();
  list.SetAddedCellText(set, 0, u"a cat and a cat");
  list.SetAddedCellText(set, 2, u"Cat, again");
  TGridCellSource src;
  src.SetList(&list);
  // The word column's cells come with a prefix of two characters.
  src.SetTweak([](TGrid_data_rec& c) {
    if (c.col == 1 && c.row > 0) c.prefix = u"> ";
  });
  using TSpans = std::vector<std::pair<int32_t, int32_t>>;
  auto spans = [&src](int row, int col) {
    TSpans out;
    for (const auto& s : src.Cell(row, col).spans) out.emplace_back(s.start, s.length);
    return out;
  };
  src.ShowSearchFormat(set, {u"cat"}, 0x0000FF);
  const struct {
    int row, col;
    TSpans spans;
  } first[] = {{1, set, {{2, 3}, {12, 3}}}, {2, set, {}}, {3, set, {{0, 3}}}, {0, set, {}}, {1, 1, {}}};
  for (const auto& c : first) EXPECT_EQ(spans(c.row, c.col), c.spans) << c.row << " " << c.col;
  const auto& span = src.Cell(1, set).spans.at(0);
  EXPECT_EQ(span.fore, 0x0000FFu);
  EXPECT_TRUE(span.bold);
  EXPECT_EQ(span.back, 0xFFFFFFFFu);

  // A second search of the column adds its word; one of the word column has its own display.
  src.ShowSearchFormat(set, {u"cat", u"and"}, 0x0000FF);
  src.ShowSearchFormat(1, {u"cat*"}, 0x00FF00);
  EXPECT_EQ(src.SearchDisplayItems(set), (std::vector<UString>{u"cat", u"and"}));
  const struct {
    int row, col;
    TSpans spans;
  } second[] = {{1, set, {{2, 3}, {6, 3}, {12, 3}}}, {1, 1, {{0, 3}}}, {2, 1, {{0, 9}}}, {3, 1, {}}};
  for (const auto& c : second) EXPECT_EQ(spans(c.row, c.col), c.spans) << c.row << " " << c.col;
  EXPECT_EQ(GridCellText(src.Cell(1, 1)), u"> cat");

  src.ClearSearchDisplay();
  EXPECT_TRUE(src.SearchDisplayItems(set).empty());
  EXPECT_TRUE(spans(1, set).empty());
  EXPECT_TRUE(spans(1, 1).empty());

  // Another list does not inherit the display; the same list given again keeps it.
  src.ShowSearchFormat(set, {u"cat"}, 0x0000FF);
  src.SetList(&list);
  EXPECT_EQ(spans(1, set), (TSpans{{2, 3}, {12, 3}}));
  TTestWordList other;
  src.SetList(&other);
  src.SetList(&list);
  EXPECT_TRUE(spans(1, set).empty());
}

// The user's default visibility of a list type's columns 2 to 20 goes into a list's layout when
// the list has none yet and rows to lay out, and only where it hides a column; a layout the list
// has already is the user's and stays.
TEST(GridCells, DefaultColumnVisibilityStartsALayoutOnlyWhereItHides) {
  struct Restore {
    ~Restore() {
      SetDefaultColumnsVisible(10, {{1, true}, {3, true}, {16, true}});
    }
  } restore;
  auto shown = [](TVXBaseDataClass& list) {
    TGridCellSource src;
    src.SetList(&list);
    std::vector<int> out;
    for (int v = 0; v < src.ViewColumnCount(); ++v) out.push_back(src.ListColumnOfView(v));
    return out;
  };
  std::vector<int> all;
  for (int c = 1; c <= 16; ++c) all.push_back(c);

  TSyntheticGridList plain(10);
  ASSERT_EQ(plain.ListType(), 10);
  EXPECT_FALSE(ApplyDefaultColumnVisibilityToList(plain));  // every default shows: no layout
  EXPECT_TRUE(plain.grid_headings.empty());
  EXPECT_EQ(shown(plain), all);

  // Column 1 is never touched; 3 and the last column (16, the 17th heading) are hidden.
  SetDefaultColumnsVisible(10, {{1, false}, {3, false}, {16, false}});
  TSyntheticGridList empty(0);
  EXPECT_FALSE(ApplyDefaultColumnVisibilityToList(empty));  // no rows to lay out yet
  EXPECT_TRUE(empty.grid_headings.empty());

  TSyntheticGridList list(10);
  std::vector<int> expected;
  for (int c : all)
    if (c != 3 && c != 16) expected.push_back(c);
  EXPECT_EQ(shown(list), expected);  // the grid applies them as it takes the list
  ASSERT_EQ(list.grid_headings.size(), 17u);
  EXPECT_TRUE(list.grid_headings[static_cast<size_t>(HeadingIndexOfColumn(list.grid_headings, 1))].visible);

  // The layout is the list's now: shown again by the user, it is not hidden again.
  list.grid_headings[static_cast<size_t>(HeadingIndexOfColumn(list.grid_headings, 3))].visible = true;
  EXPECT_FALSE(ApplyDefaultColumnVisibilityToList(list));
  expected.insert(expected.begin() + 2, 3);
  EXPECT_EQ(shown(list), expected);
}
