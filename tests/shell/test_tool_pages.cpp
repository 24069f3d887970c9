#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "shell/menus/tool_pages.h"

namespace {

using text_reader_test::ScopedSettings;

TOneToolWindowDataRec Page(int index, uint8_t type, uint8_t list_type, void* object) {
  TOneToolWindowDataRec r;
  r.page_index = index;
  r.datatype = type;
  r.ListType = list_type;
  r.the_object = object;
  return r;
}

TMenuFitInputs Inputs(uint8_t list_type, uint8_t alt) {
  TMenuFitInputs in;
  in.list_type = list_type;
  in.alternative = alt;
  return in;
}

}  // namespace

TEST(ToolPages, CurrentPageAndQueries) {
  int grid_a = 0, memo = 0, grid_b = 0;
  TOneToolWindowList pages;
  pages.AddPage(Page(1, kPageGrid, 10, &grid_a));
  pages.AddPage(Page(2, kPageMemo, 25, &memo));
  pages.AddPage(Page(3, kPageGrid, 5, &grid_b));
  EXPECT_EQ(pages.CurrentGrid(), nullptr);
  EXPECT_EQ(pages.SetCurrentGridToTab(3), kPageGrid);
  EXPECT_EQ(pages.CurrentGrid(), &grid_b);
  EXPECT_EQ(pages.SetCurrentGridToTab(2), kPageMemo);
  EXPECT_EQ(pages.CurrentGrid(), &grid_a);  // a memo page: the first grid
  EXPECT_EQ(pages.SetCurrentGridToTab(9), kPageNone);
  EXPECT_EQ(pages.Current(), nullptr);
  struct Case { int entry; int page_index; uint8_t list_type; void* grid; };
  for (Case c : {Case{0, 0, 0, nullptr}, Case{1, 1, 10, &grid_a}, Case{2, 2, 25, nullptr},
                 Case{4, -2, 25, nullptr}, Case{-1, -2, 25, nullptr}}) {
    EXPECT_EQ(pages.PageIndexOfEntry(c.entry), c.page_index) << c.entry;
    EXPECT_EQ(pages.ListTypeOfEntry(c.entry), c.list_type) << c.entry;
    EXPECT_EQ(pages.GridOfPage(c.entry), c.grid) << c.entry;
  }
}

TEST(ToolPages, LemmatiserLinesNeverDivideByZero) {
  TOneToolWindowList pages;
  pages.SetNLines(0);
  EXPECT_EQ(pages.DLLN_Lines, 1);
  pages.SetNLines(400);
  EXPECT_EQ(pages.PercentOfLine(100), 25);
}

// The same list type and alternative again, but a set column added: the menu must follow.
TEST(ToolPages, MenuFitSkipsOnlyWhenNothingChanged) {
  ScopedSettings settings;
  TMenuModel menu;
  TOneToolWindowList pages;
  TMenuFitInputs in = Inputs(10, 0);
  EXPECT_TRUE(pages.FitMenuToListType(menu, in));
  EXPECT_FALSE(menu.FindByTag(207)->visible);
  EXPECT_FALSE(pages.FitMenuToListType(menu, in));

  in.set_columns = {{3, u"Set"}, {5, u"Genre"}};
  in.current_set_column = 1;
  EXPECT_TRUE(pages.FitMenuToListType(menu, in));
  EXPECT_TRUE(menu.FindByTag(207)->visible);
  EXPECT_EQ(menu.FindByTag(207)->caption, u"active column 6 (Genre)");

  EXPECT_FALSE(menu.FindByTag(75)->visible);
  in.show_related = true;  // another document of the same type, with related texts
  EXPECT_TRUE(pages.FitMenuToListType(menu, in));
  EXPECT_TRUE(menu.FindByTag(75)->visible);
}

TEST(ToolPages, SpecialItems) {
  ScopedSettings settings;
  TMenuModel menu;
  TOneToolWindowList pages;
  struct Case { uint8_t tool, list_type; int tag; bool visible; };
  const Case cases[] = {
      {0, 10, 42, false}, {0, 23, 42, true},  {1, 10, 42, true},   // Clusters
      {0, 0, 175, false}, {0, 23, 175, true}, {1, 0, 175, true},   // Export data
      {1, 0, 151, false},                                          // Moving window needs next version
  };
  for (const Case& c : cases) {
    TMenuFitInputs in = Inputs(c.list_type, 0);
    in.tool = c.tool;
    pages.FitMenuToListType(menu, in);
    EXPECT_EQ(menu.FindByTag(c.tag)->visible, c.visible) << int(c.tool) << " " << int(c.list_type) << " " << c.tag;
  }
  TMenuFitInputs in = Inputs(13, 0);
  pages.FitMenuToListType(menu, in);
  EXPECT_EQ(menu.FindByTag(79)->caption, list_type_as_string(10));
  in = Inputs(12, 0);
  pages.FitMenuToListType(menu, in);
  EXPECT_TRUE(pages.RulerFeatureFound());
}
