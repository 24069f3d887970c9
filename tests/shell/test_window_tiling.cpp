// Tiling the main windows: the places cover the work area exactly, side by side or one above the
// other, the spare pixels going to the first windows.
#include <gtest/gtest.h>

#include "shell/main_window/window_tiling.h"

namespace {

TEST(WindowTiling, CodesNameTheirTiling) {
  EXPECT_EQ(TilingOfCode(110), TTiling::SideBySide);
  EXPECT_EQ(TilingOfCode(111), TTiling::OneAboveTheOther);
  EXPECT_FALSE(TilingOfCode(112).has_value());
  EXPECT_FALSE(TilingOfCode(0).has_value());
}

TEST(WindowTiling, PlacesCoverTheWorkArea) {
  struct Case {
    TWindowRect area;
    int n;
    TTiling tiling;
    std::vector<TWindowRect> places;
  } cases[] = {
      {{0, 0, 800, 600}, 1, TTiling::SideBySide, {{0, 0, 800, 600}}},
      {{0, 0, 800, 600}, 1, TTiling::OneAboveTheOther, {{0, 0, 800, 600}}},
      {{0, 0, 800, 600}, 2, TTiling::SideBySide, {{0, 0, 400, 600}, {400, 0, 400, 600}}},
      {{0, 0, 800, 600}, 2, TTiling::OneAboveTheOther, {{0, 0, 800, 300}, {0, 300, 800, 300}}},
      // A work area below a panel, and 1001 pixels among three: 334, 334, 333.
      {{10, 30, 1001, 700}, 3, TTiling::SideBySide, {{10, 30, 334, 700}, {344, 30, 334, 700}, {678, 30, 333, 700}}},
      {{10, 30, 900, 301}, 3, TTiling::OneAboveTheOther, {{10, 30, 900, 101}, {10, 131, 900, 100}, {10, 231, 900, 100}}},
      // A second monitor to the left of the first.
      {{-1280, 0, 1280, 1024}, 2, TTiling::SideBySide, {{-1280, 0, 640, 1024}, {-640, 0, 640, 1024}}},
      {{0, 0, 800, 600}, 0, TTiling::SideBySide, {}},
      {{0, 0, 800, 600}, -1, TTiling::OneAboveTheOther, {}},
  };
  for (const Case& c : cases) {
    const std::vector<TWindowRect> got = TiledWindowRects(c.area, c.n, c.tiling);
    ASSERT_EQ(got.size(), c.places.size()) << c.n;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i], c.places[i]) << c.n << " windows, window " << i << ": " << got[i].left << "," << got[i].top
                                     << " " << got[i].width << "x" << got[i].height;
    }
  }
}

}  // namespace
