// Windows > Tile Vertically and Tile Horizontally, fired from the main window's menu: the
// controller arranges the program's open main windows (the concordancer's and another tool's)
// side by side or one above the other over the screen's work area.
#include <QAction>
#include <QScreen>

#include "shell/qt/shell_menu_bar.h"
#include "window/main_road_support.h"
#include "window/test_tool_window.h"

namespace {

class WindowTiling : public MainRoadTest {};

TEST_F(WindowTiling, TheMenuTilesTheOpenMainWindows) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  TTestToolForm other;
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  const QRect work = Main().screen()->availableGeometry();
  // The test's screen is narrower than two status bars side by side: the windows may be as small
  // as a tile here.
  Main().setMinimumSize(200, 150);
  other.setMinimumSize(200, 150);
  // The other window starts to the left of the concordancer's, lower down.
  Main().setGeometry(work.left() + 200, work.top() + 20, 300, 200);
  other.setGeometry(work.left() + 10, work.top() + 150, 250, 180);
  QApplication::processEvents();
  struct Case {
    int tag;
    QRect other_place, main_place;  // left to right, or top to bottom as they stood
  } cases[] = {
      {110, QRect(work.left(), work.top(), work.width() / 2, work.height()),
       QRect(work.left() + work.width() / 2, work.top(), work.width() - work.width() / 2, work.height())},
      {111, QRect(work.left(), work.top(), work.width(), work.height() / 2),
       QRect(work.left(), work.top() + work.height() / 2, work.width(), work.height() - work.height() / 2)},
  };
  for (const Case& c : cases) {
    if (c.tag == 111) {
      // One above the other keeps the order from the top: the other window higher now.
      Main().setGeometry(work.left() + 40, work.top() + 300, 300, 200);
      other.setGeometry(work.left() + 400, work.top() + 10, 250, 180);
      QApplication::processEvents();
    }
    QAction* item = Main().Menus()->ActionOfTag(c.tag);
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isVisible() && item->isEnabled()) << c.tag;
    item->trigger();
    EXPECT_TRUE(WaitUntil([&] { return other.frameGeometry() == c.other_place; }))
        << c.tag << ": the other window at " << other.frameGeometry().x() << "," << other.frameGeometry().y() << " "
        << other.frameGeometry().width() << "x" << other.frameGeometry().height();
    EXPECT_EQ(Main().frameGeometry(), c.main_place) << c.tag;
  }
  other.close();
}

}  // namespace
