// Set columns and typed cells without a window: which cells a typing mode lets change, the
// categories written, cleared and coloured, for the list's own set column and added ones.
#include <gtest/gtest.h>

#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/derived_test_support.h"
#include "model/work_test_list.h"
#include "shell/grid_tools/set_categories.h"

namespace {

// A word list whose column 1 (the word) can be changed and whose column 3 is its own set column.
class TEditableList : public TTestWordList {
 public:
  bool CanEdit(int column) const override { return column == 1; }
  int PredefinedSetColumnNumber() const override { return 3; }
};


}  // namespace

TEST(SetCategories, TypingModesDecideWhichCellsChange) {
  TEditableList l;
  l.Fill({{u"a", 1}, {u"b", 2}});
  const int added = l.AddSetColumn();
  struct Case {
    int column;
    int mode;
    bool editable;
  };
  const Case cases[] = {
      {1, kTypingModeTypeIn, false},          {added, kTypingModeTypeIn, false},
      {1, kTypingModeSetCategories, false},   {added, kTypingModeSetCategories, true},
      {3, kTypingModeSetCategories, true},    {2, kTypingModeSetCategories, false},
      {1, kTypingModeEditingData, true},      {added, kTypingModeEditingData, true},
      {2, kTypingModeEditingData, false},     {-1, kTypingModeEditingData, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CellEditableInTypingMode(l, c.column, c.mode), c.editable) << c.column << " mode " << c.mode;
  // A write the mode refuses changes nothing; one it allows goes through the entry.
  EXPECT_FALSE(WriteCell(l, 0, 1, u"x", kTypingModeSetCategories));
  EXPECT_EQ(l.WordAt(0), u"a");
  EXPECT_TRUE(WriteCell(l, 0, 1, u"apple", kTypingModeEditingData));
  EXPECT_EQ(l.WordAt(0), u"apple");
  EXPECT_TRUE(WriteCell(l, 1, added, u"noun", kTypingModeSetCategories));
  EXPECT_EQ(CategoryOf(l, 1, added), u"noun");
  EXPECT_FALSE(WriteCell(l, 5, added, u"noun", kTypingModeSetCategories));
}

TEST(SetCategories, CategoriesAreSetColouredAndClearedPerColumn) {
  TTestWordList l;
  l.Fill({{u"a", 1}, {u"b", 1}, {u"c", 1}});
  const int first = l.AddSetColumn();
  const int second = l.AddSetColumn();
  EXPECT_EQ(SetCategoryOfEntries(l, {0, 2}, first, u"verb", 0x0000FFu), 2);
  EXPECT_EQ(SetCategoryOfEntries(l, {1}, second, u"noun", std::nullopt), 1);
  EXPECT_EQ(l.ColourCategoryOf(0), 0x0000FFu);
  EXPECT_EQ(l.ColourCategoryOf(1), kNoColourCategory);
  EXPECT_EQ(l.ColourCategoryOf(2), 0x0000FFu);
  // A column that is no set column takes nothing.
  EXPECT_EQ(SetCategoryOfEntries(l, {0}, 1, u"x", std::nullopt), 0);
  EXPECT_EQ(l.WordAt(0), u"a");
  // Clearing one column leaves the other's categories.
  EXPECT_EQ(ClearCategories(l, first), 2);
  EXPECT_EQ(CategoryOf(l, 0, first), u"");
  EXPECT_EQ(CategoryOf(l, 1, second), u"noun");
  EXPECT_EQ(ClearCategories(l, first), 0);
  EXPECT_EQ(ClearCategories(l, 1), 0);
}

TEST(SetCategories, ACommandMeansTheCurrentSetColumnElseTheActiveOne) {
  TTestWordList l;
  l.Fill({{u"a", 1}});
  EXPECT_EQ(SetColumnOfCommand(l, 1), -1);
  const int first = l.AddSetColumn();
  const int second = l.AddSetColumn();
  EXPECT_EQ(SetColumnOfCommand(l, second), second);
  EXPECT_EQ(SetColumnOfCommand(l, 1), first);
  l.ColumnSetnums().SetCurrentItem(1);
  EXPECT_EQ(SetColumnOfCommand(l, 1), second);
}

TEST(SetCategories, TypingACategoryMovesToTheNextSetColumnThenDown) {
  struct Case {
    std::vector<int> shown;
    TCellPlace typed;
    int rows;
    TCellPlace next;
  };
  const Case cases[] = {
      {{2}, {1, 2}, 10, {2, 2}},                    // one set column: one row down
      {{2, 1000, 1001}, {4, 2}, 10, {4, 1000}},     // on to the next in the row
      {{2, 1000, 1001}, {4, 1001}, 10, {5, 2}},     // after the last, the first a row down
      {{1001, 2}, {3, 1001}, 10, {3, 2}},           // in the order the grid shows them
      {{2}, {10, 2}, 10, {10, 2}},                  // the last row stays
  };
  for (const Case& c : cases) EXPECT_EQ(NextCategoryCell(c.shown, c.typed, c.rows), c.next) << c.typed.row << "," << c.typed.column;
}

// The collocate and cluster lists' own Set columns show what is typed into them, or set with a
// colour, and take nothing into their other columns' text.
TEST(SetCategories, CollocateAndClusterRowsShowTheirOwnSetColumn) {
  TVXBaseHolder holder;
  TCollocateList collocates(&holder);
  derived_test::AddCollocateRows(collocates, {{u"RIVER", 0}, {u"MILL", 0}});
  TConcordanceClusterList clusters(&holder);
  for (const char16_t* line : {u"the river", u"by the mill"}) {
    auto* e = clusters.NewEntry();
    e->SetAWordAsString(1, line);
    clusters.Add(e);
  }
  struct Case {
    const char* name;
    TVXBaseDataClass& list;
    int set_column;
  } cases[] = {{"collocates", collocates, 14}, {"clusters", clusters, 3}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.list.PredefinedSetColumnNumber(), c.set_column);
    const UString word = CategoryOf(c.list, 0, 1);
    EXPECT_TRUE(WriteCell(c.list, 0, c.set_column, u"noun", kTypingModeSetCategories));
    EXPECT_EQ(CategoryOf(c.list, 0, c.set_column), u"noun");
    EXPECT_EQ(c.list.Get(0)->GetCategory(), u"noun");
    EXPECT_EQ(CategoryOf(c.list, 0, 1), word);
    EXPECT_EQ(SetCategoryOfEntries(c.list, {1}, c.set_column, u"verb", 0x00FF00u), 1);
    TGrid_data_rec cell;
    c.list.DrawgridDataRec(c.set_column, 2, cell, 0);
    EXPECT_EQ(cell.text, u"verb");
    // Cleared: the cell is empty again.
    EXPECT_TRUE(WriteCell(c.list, 0, c.set_column, u"", kTypingModeSetCategories));
    c.list.DrawgridDataRec(c.set_column, 1, cell, 0);
    EXPECT_EQ(cell.text, u"");
  }
}
