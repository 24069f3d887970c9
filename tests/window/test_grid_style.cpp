#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <memory>

#include "platform/settings/settings_access.h"
#include "shell/grid_test_list.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"
#include "model/text_reader_test_support.h"
#include "window/window_test_support.h"

namespace {

// Pixels of exactly this colour in a region.
int PixelsOf(const QImage& img, QColor colour, QRect r = {}) {
  if (r.isNull()) r = img.rect();
  r = r.intersected(img.rect());
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y).rgb() == colour.rgb()) ++n;
  return n;
}

QColor FromBGR(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The viewport's picture, where the cells are.
QImage Cells(TVX_Grid& grid) {
  QApplication::processEvents();
  return grid.viewport()->grab().toImage();
}

}  // namespace

TEST(GridStyle, EveryGridTakesANewStyleAndDrawsInItsColours) {
  ApplyStyleNumber(0);
  TSyntheticGridList list(40);
  TVX_Grid shown, other;
  for (TVX_Grid* g : {&shown, &other}) {
    g->SetList(&list, 10, 0);
    g->resize(1000, 300);
  }
  shown.SetTweak([](TGrid_data_rec& cell) { cell.matched = cell.row == 2; });
  shown.show();
  const TGridStyleColours light = GridColoursForStyle(0), dark = GridColoursForStyle(1);
  const QRect matched_number = shown.visualRect(shown.Model().index(1, 3)).adjusted(2, 2, -40, -2);
  QImage img = Cells(shown);
  EXPECT_EQ(PixelsOf(img, FromBGR(light.matched_back), matched_number), matched_number.width() * matched_number.height());
  EXPECT_GT(PixelsOf(img, FromBGR(light.centre_fore)), 50);

  other.SetStyleNumber(1);
  ApplyStyleNumber(1);  // as message 703 does
  EXPECT_EQ(shown.StyleNumber(), 1);
  EXPECT_EQ(SetAllGridsToStyle(1), 0);  // all in the style already
  img = Cells(shown);
  EXPECT_EQ(PixelsOf(img, FromBGR(dark.matched_back), matched_number), matched_number.width() * matched_number.height());
  EXPECT_GT(PixelsOf(img, FromBGR(dark.centre_fore)), 50);
  EXPECT_EQ(PixelsOf(img, FromBGR(light.centre_fore)), 0);
  SaveScreenshot(shown, QStringLiteral("grid_dark_style"));
  TVX_Grid later;
  EXPECT_EQ(later.StyleNumber(), 1);  // made in the style of the moment

  ApplyStyleNumber(0);
  EXPECT_EQ(shown.StyleNumber(), 0);
  EXPECT_EQ(later.StyleNumber(), 0);
}

TEST(GridStyle, TheRulerFollowsTheStoreForItsAlternatives) {
  text_reader_test::ScopedSettings settings;
  ApplyStyleNumber(0);
  TRulerPlotWordCloudFeaturesRec features = GetRulerPlotWordCloudFeatures();
  features.SetRulerColour(0x0000FF);  // red
  SetRulerPlotWordCloudFeatures(features);
  const QColor red(255, 0, 0);

  TSyntheticGridList list(20);
  TVX_Grid grid;
  grid.resize(900, 260);
  grid.show();
  struct Case { int alternative; bool checked; bool before, after; };
  const Case cases[] = {
      {10, true, false, true},  {10, false, true, false}, {2, true, false, true},
      {16, true, false, true},  {0, true, false, false},  // not a ruler display: left as it was
      {0, false, true, true},
  };
  for (const Case& c : cases) {
    grid.SetList(&list, 10, c.alternative);
    grid.SetRuler(c.before, 0x0000FF);
    SetMenuItemChecked(46, c.checked);
    FitGridRuler(&grid, true);
    EXPECT_EQ(grid.RulerShown(), c.after) << c.alternative << " " << c.checked;
    const int red_pixels = PixelsOf(Cells(grid), red);
    if (c.after) EXPECT_GT(red_pixels, 3 * grid.rowHeight(0)) << c.alternative;  // a line per column
    else EXPECT_EQ(red_pixels, 0) << c.alternative;
  }
  grid.SetList(&list, 10, 10);
  SetMenuItemChecked(46, true);
  FitGridRuler(&grid, true);
  SaveScreenshot(grid, QStringLiteral("grid_ruler"));
}

// Every row of a list takes the height of its alternative, whichever list the grid held before
// (the height is set before the rows are made, so a row made afterwards must still have it).
TEST(GridStyle, EveryRowTakesItsListsHeightWhateverTheGridHeldBefore) {
  TSyntheticGridList small(40), big(5000), other(3000);
  TVX_Grid grid;
  grid.resize(600, 400);
  struct Step {
    TSyntheticGridList* list;
    int alternative;
  } const steps[] = {{&big, 0}, {&other, kGridAlternativeLines}, {&small, 0}, {&big, kGridAlternativeLines}, {&big, 0}};
  int one_line = 0;
  for (const Step& s : steps) {
    grid.SetList(s.list, 10, s.alternative);
    const int rows = grid.model()->rowCount();
    ASSERT_EQ(rows, s.list->TotalRowCount());
    const int height = grid.verticalHeader()->defaultSectionSize();
    if (s.alternative == 0) one_line = height;
    else EXPECT_GT(height, one_line);
    for (int r : {0, 1, rows / 2, rows - 1}) EXPECT_EQ(grid.rowHeight(r), height) << "row " << r << " of " << rows;
    EXPECT_EQ(grid.verticalHeader()->length(), rows * height);
  }
}
