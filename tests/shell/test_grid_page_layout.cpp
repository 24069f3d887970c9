#include <gtest/gtest.h>

#include <random>

#include "shell/printing/grid_page_layout.h"

namespace {

int32_t HeightFromVector(const void* ctx, int64_t row) {
  return (*static_cast<const std::vector<int32_t>*>(ctx))[static_cast<size_t>(row)];
}

}  // namespace

TEST(GridPageLayout, PagesCountedByHand) {
  // 1000 high, header 40, footer 40, heading 20: 900 for rows; rows of 24 -> 37 a page.
  const TPrintPageGeometry page{800, 1000, 40, 40};
  const TGridPagePlan plan = PlanGridPagesUniform(100, 24, 20, {100, 200}, page);
  ASSERT_EQ(plan.PageCount(), 3);
  EXPECT_EQ(plan.FirstRowOf(1), 37);
  EXPECT_EQ(plan.FirstRowOf(2), 74);
  EXPECT_EQ(plan.EndRowOf(2), 100);
  EXPECT_EQ(plan.narrowed_column, -1);

  // No header or footer: 980 / 24 = 40 rows a page.
  EXPECT_EQ(PlanGridPagesUniform(80, 24, 20, {}, {800, 1000, 0, 0}).PageCount(), 2);
  EXPECT_EQ(PlanGridPagesUniform(81, 24, 20, {}, {800, 1000, 0, 0}).PageCount(), 3);
  EXPECT_EQ(PlanGridPagesUniform(0, 24, 20, {}, page).PageCount(), 0);
  EXPECT_EQ(PlanGridPagesUniform(5, 24, 20, {}, {800, 0, 0, 0}).PageCount(), 0);
}

TEST(GridPageLayout, TallRowsAndWideColumns) {
  // A row taller than the page gets a page of its own; printing still ends.
  const std::vector<int32_t> heights = {10, 5000, 10, 10};
  const TGridPagePlan plan = PlanGridPages(4, HeightFromVector, &heights, 20, {50, 900, 1200}, {800, 1000, 0, 0});
  ASSERT_EQ(plan.PageCount(), 3);
  EXPECT_EQ(plan.page_starts, (std::vector<int64_t>{0, 1, 2}));
  // Only the first column too wide is narrowed (once), to the printable width.
  EXPECT_EQ(plan.narrowed_column, 1);
  EXPECT_EQ(plan.narrowed_width, 800);
  EXPECT_EQ(plan.column_widths, (std::vector<int32_t>{50, 800, 1200}));

  // Rows per page follow each row's height: three-line rows take three times the room.
  std::vector<int32_t> mixed(30, 24);
  for (size_t i = 0; i < 10; ++i) mixed[i] = 72;
  const TGridPagePlan m = PlanGridPages(30, HeightFromVector, &mixed, 0, {}, {800, 240, 0, 0});
  // 240 high: three rows of 72, then 72 + 7 x 24, then ten rows of 24.
  EXPECT_EQ(m.page_starts, (std::vector<int64_t>{0, 3, 6, 9, 17, 27}));
}

TEST(GridPageLayout, UniformPlanEqualsRowByRowPlan) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 300; ++trial) {
    const int64_t rows = rng() % 500;
    int32_t h = 1 + static_cast<int32_t>(rng() % 80);
    const TPrintPageGeometry page{500, static_cast<int32_t>(rng() % 1200), static_cast<int32_t>(rng() % 50),
                                  static_cast<int32_t>(rng() % 50)};
    const int32_t heading = static_cast<int32_t>(rng() % 40);
    const std::vector<int32_t> heights(static_cast<size_t>(rows), h);
    const TGridPagePlan fast = PlanGridPagesUniform(rows, h, heading, {}, page);
    const TGridPagePlan slow = PlanGridPages(rows, HeightFromVector, &heights, heading, {}, page);
    ASSERT_EQ(fast.page_starts, slow.page_starts) << "trial " << trial;
  }
}

TEST(GridPageLayout, PreviewControls) {
  EXPECT_EQ(ClampPage(7, 3), 2);  // the data shrank under the preview
  EXPECT_EQ(ClampPage(-1, 3), 0);
  EXPECT_EQ(ClampPage(4, 0), 0);
  EXPECT_EQ(PagesInRange(0, 10, 11), 11);
  EXPECT_EQ(PagesInRange(3, 100, 11), 8);
  EXPECT_EQ(PagesInRange(5, 2, 11), 0);

  for (const auto& [text, zoom] : std::initializer_list<std::pair<UString, std::optional<int32_t>>>{
           {u"85%", 85}, {u"Fit to page", std::nullopt}, {u"0%", 10}, {u"5", 10}, {u"400", 400},
           {u"99999999999999%", 400}, {u"1 5 0", 150}}) {
    EXPECT_EQ(ZoomFromText(text), zoom) << Utf16ToUtf8(text);
  }
  std::vector<int32_t> entries = DefaultZoomEntries();
  ASSERT_EQ(entries.size(), 14u);
  EXPECT_EQ(InsertZoomEntry(entries, 85), 7u);  // after 80, before 90
  EXPECT_EQ(entries[7], 85);
  EXPECT_EQ(InsertZoomEntry(entries, 85), 7u);  // not twice
  EXPECT_EQ(entries.size(), 15u);
  EXPECT_EQ(ZoomEntryFor(DefaultZoomEntries(), 50), 3);   // 50
  EXPECT_EQ(ZoomEntryFor(DefaultZoomEntries(), 46), 3);   // 50 is within 5
  EXPECT_EQ(ZoomEntryFor(DefaultZoomEntries(), 10), -1);  // none: 100 % is shown
}

// Columns that do not fit side by side go to following sheets, the row numbers' column on each;
// no sheet's columns are wider than its page. Sheets go across a page of rows before down.
TEST(GridPageLayout, ColumnsBeyondThePageGoToFollowingSheets) {
  struct Case {
    const char* what;
    std::vector<int32_t> widths;
    int32_t page_width;
    std::vector<int32_t> band_starts;
    std::vector<int32_t> drawn;
  } cases[] = {
      {"all fit", {40, 100, 200, 300}, 800, {1}, {40, 100, 200, 300}},
      {"exactly full", {40, 380, 380}, 800, {1}, {40, 380, 380}},
      {"one over", {40, 380, 381}, 800, {1, 2}, {40, 380, 381}},
      {"three bands", {40, 300, 300, 300, 300, 300}, 700, {1, 3, 5}, {40, 300, 300, 300, 300, 300}},
      // The line column narrowed to the page, then cut to the room beside the numbers.
      {"a line wider than the page", {40, 760, 100}, 718, {1, 2}, {40, 678, 100}},
      {"numbers take at most half", {500, 100, 250}, 600, {1, 2}, {300, 100, 250}},
      {"no page width", {40, 100}, 0, {1}, {40, 100}},
  };
  for (const Case& c : cases) {
    const TGridPagePlan plan = PlanGridPagesUniform(100, 20, 20, c.widths, {c.page_width, 1000, 0, 0});
    EXPECT_EQ(plan.band_starts, c.band_starts) << c.what;
    EXPECT_EQ(plan.drawn_widths, c.drawn) << c.what;
    EXPECT_EQ(plan.SheetCount(), plan.PageCount() * static_cast<int32_t>(c.band_starts.size())) << c.what;
    std::vector<int32_t> every;
    for (int32_t sheet = 0; sheet < plan.BandCount(); ++sheet) {
      const std::vector<int32_t> columns = plan.ColumnsOfSheet(sheet);
      ASSERT_FALSE(columns.empty()) << c.what;
      EXPECT_EQ(columns.front(), 0) << c.what;
      int32_t width = 0;
      for (int32_t col : columns) width += plan.drawn_widths[static_cast<size_t>(col)];
      if (c.page_width > 0) {
        EXPECT_LE(width, c.page_width) << c.what << " sheet " << sheet;
      }
      every.insert(every.end(), columns.begin() + 1, columns.end());
    }
    // Every column on exactly one band, in order.
    std::vector<int32_t> all(c.widths.size() - 1);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int32_t>(i) + 1;
    EXPECT_EQ(every, all) << c.what;
  }
  // 100 rows of 20 on pages of 980 (49 rows): 3 pages of rows, 2 bands: 6 sheets, across first.
  const TGridPagePlan plan = PlanGridPagesUniform(100, 20, 20, {40, 500, 500}, {800, 1000, 0, 0});
  ASSERT_EQ(plan.SheetCount(), 6);
  EXPECT_EQ(plan.PageOfSheet(3), 1);
  EXPECT_EQ(plan.BandOfSheet(3), 1);
  EXPECT_EQ(plan.ColumnsOfSheet(3), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(plan.FirstRowOf(plan.PageOfSheet(5)), 98);
}

TEST(GridPageLayout, ColumnsFitThePageWidthBySmallerDrawing) {
  struct Case {
    int64_t total;
    int32_t printable;
    double scale;
  } cases[] = {
      {700, 700, 1.0},   {300, 700, 1.0},   {1400, 700, 0.5},  {1000, 700, 0.7},
      {7000, 700, kSmallestPrintScale},  // too small to read: bands instead
      {0, 700, 1.0},     {1400, 0, 1.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(FitToWidthScale(c.total, c.printable), c.scale) << c.total;
}
