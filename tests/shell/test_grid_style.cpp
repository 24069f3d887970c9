#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "shell/grid_tools/grid_cells.h"

namespace {

// Relative luminance (0..1) of a 0x00BBGGRR colour, and the contrast ratio of two colours.
double Luminance(uint32_t bgr) {
  auto channel = [](uint32_t c) {
    const double v = c / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(bgr & 0xFF) + 0.7152 * channel((bgr >> 8) & 0xFF) + 0.0722 * channel((bgr >> 16) & 0xFF);
}
double Contrast(uint32_t a, uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

// Text must stay readable on the style's own backgrounds: the palette's text on a matched row,
// the centre and struck-through rows on the plain background (light: white on black text; dark:
// light grey text on a near-black base).
TEST(GridStyle, EachStylesColoursAreReadableOnItsBackgrounds) {
  struct Case { int style; uint32_t base, text; };
  for (Case c : {Case{0, 0xFFFFFF, 0x000000}, Case{2, 0xFFFFFF, 0x000000}, Case{1, 0x1E1E1E, 0xE6E6E6},
                 Case{3, 0x1E1E1E, 0xE6E6E6}}) {
    const TGridStyleColours k = GridColoursForStyle(c.style);
    EXPECT_GT(Contrast(k.matched_back, c.text), 4.5) << c.style;
    EXPECT_GT(Contrast(k.centre_fore, c.base), 4.5) << c.style;
    EXPECT_GT(Contrast(k.deleted_fore, c.base), 2.5) << c.style;
    // A line whose sentence runs past its edge: readable, and told apart from plain and matched rows.
    EXPECT_GT(Contrast(k.incomplete_back, c.text), 4.5) << c.style;
    EXPECT_NE(k.incomplete_back, c.base) << c.style;
    EXPECT_NE(k.incomplete_back, k.matched_back) << c.style;
  }
  EXPECT_NE(GridColoursForStyle(0), GridColoursForStyle(1));
}

TEST(GridStyle, TheRulerBelongsToAlternatives2_10And16) {
  struct Case { bool shown, grid; int alternative; bool checked; TRulerOption want; };
  const Case cases[] = {
      {true, true, 2, true, TRulerOption::On},     {true, true, 10, true, TRulerOption::On},
      {true, true, 16, true, TRulerOption::On},    {true, true, 10, false, TRulerOption::Off},
      {true, true, 0, true, TRulerOption::Leave},  {true, true, 3, false, TRulerOption::Leave},
      {false, true, 10, true, TRulerOption::Leave}, {true, false, 10, true, TRulerOption::Leave},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RulerOptionAfterFit(c.shown, c.grid, c.alternative, c.checked), c.want)
        << c.shown << c.grid << " alternative " << c.alternative << " checked " << c.checked;
}
