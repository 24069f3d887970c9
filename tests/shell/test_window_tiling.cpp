// Tiling the main windows: the places cover the work area exactly, side by side or one above the
// other, the spare pixels going to the first windows.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/runtime/vx_tools.h"
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

TEST(WindowTiling, WindowsKeepTheirOrderAcrossTheScreen) {
  // Three windows as they stand: b left of a, c below a at a's left edge.
  const std::vector<TWindowRect> places = {{300, 40, 200, 200}, {10, 400, 200, 200}, {300, 500, 200, 200}};
  EXPECT_EQ(TilingOrder(places, TTiling::SideBySide), (std::vector<size_t>{1, 0, 2}));
  EXPECT_EQ(TilingOrder(places, TTiling::OneAboveTheOther), (std::vector<size_t>{0, 1, 2}));
  // Windows on one spot (a second one not yet moved) keep the order they were opened in.
  const std::vector<TWindowRect> same = {{50, 50, 100, 100}, {50, 50, 100, 100}, {20, 50, 100, 100}};
  EXPECT_EQ(TilingOrder(same, TTiling::SideBySide), (std::vector<size_t>{2, 0, 1}));
  EXPECT_TRUE(TilingOrder({}, TTiling::SideBySide).empty());
}

TEST(WindowTiling, TheWindowsMenuNumbersTheWindowsAndTicksItsOwn) {
  std::vector<TOpenMainWindow> windows;
  for (int i = 0; i < 11; ++i) {
    TOpenMainWindow w;
    w.pid = 1;  // another process's
    w.window = 0x1000 + static_cast<TWindowId>(i);
    w.tool = 1;
    w.caption = u"Concordance (" + IntToUStr(i) + u".cnc)";
    windows.push_back(w);
  }
  windows[0].caption = u"Concordance (R&D.cnc)";
  windows[1].caption.clear();
  windows[2].pid = static_cast<int32_t>(::getpid());
  windows[2].process_start = ProcessStartTicks(windows[2].pid);
  const std::vector<TOpenWindowItem> items = OpenWindowItems(windows, 0x1002);
  ASSERT_EQ(items.size(), 11u);
  EXPECT_EQ(items[0].caption, u"&1 Concordance (R&&D.cnc)");
  EXPECT_EQ(items[1].caption, u"&2 " + Tool_Name(1));
  EXPECT_EQ(items[8].caption, u"&9 Concordance (8.cnc)");
  EXPECT_EQ(items[9].caption, u"Concordance (9.cnc)");  // no number after the ninth
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].own, i == 2) << i;
  // The same id in another process is not this window.
  EXPECT_FALSE(OpenWindowItems(windows, 0x1000)[0].own);
}

}  // namespace
