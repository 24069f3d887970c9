// The program's windows in two processes, as File > New with results or a follow-up search makes
// them: the program itself started a second time with the same settings. The second window opens
// moved on from the first, each Windows menu lists both (choosing the other brings it to the front
// in its own process), Tile arranges both, and a window whose process ends drops out of the list.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QScreen>

#include "platform/settings/open_windows.h"
#include "shell/main_window/controller_messages.h"
#include "shell/qt/shared_windows.h"
#include "shell/qt/shell_menu_bar.h"
#include "window/main_road_support.h"
#include "window/window_test_support.h"

namespace {

constexpr int kTileVertically = 110;
constexpr int kTileHorizontally = 111;

class WindowsOfOtherProcesses : public MainRoadTest {
 protected:
  void TearDown() override {
    if (second.state() != QProcess::NotRunning) {
      second.kill();
      second.waitForFinished(10000);
    }
    MainRoadTest::TearDown();
  }
  // The program itself, with this test's settings and temporary folders, offscreen.
  void StartSecondProcess() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LINZORA_CONFIG_DIR"), QString::fromStdString(Utf16ToUtf8(dir.Path() + u"config")));
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(Utf16ToUtf8(dir.Path())));
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(LINZORA_PROGRAM), {});
    ASSERT_TRUE(second.waitForStarted(10000)) << second.errorString().toStdString();
  }
  static std::vector<TOpenMainWindow> Listed() { return TSharedMainWindows::Instance().Windows(); }
  // The window of the second process in the list (nullptr while there is none).
  std::optional<TOpenMainWindow> Second() const {
    for (const TOpenMainWindow& w : Listed())
      if (w.pid == static_cast<int32_t>(second.processId())) return w;
    return std::nullopt;
  }
  std::optional<TOpenMainWindow> LastActivated() const {
    std::optional<TOpenMainWindow> last;
    for (const TOpenMainWindow& w : Listed())
      if (!last || w.activated > last->activated) last = w;
    return last;
  }
  // The Windows menu of the main window, opened as a user opens it; its window items.
  QMenu* OpenWindowsMenu() {
    for (size_t i = 0; i < Main().MenuModel().TopMenus().size(); ++i)
      if (IsWindowsMenu(*Main().MenuModel().TopMenus()[i])) {
        QMenu* menu = Main().Menus()->TopMenu(static_cast<int>(i));
        if (menu) menu->popup(Main().mapToGlobal(QPoint(120, 30)));
        return menu;
      }
    return nullptr;
  }
  static std::vector<QAction*> WindowItems(QMenu& menu) {
    std::vector<QAction*> items;
    for (QAction* a : menu.actions())
      if (a->objectName() == QLatin1String("OpenWindowItem") && !a->isSeparator()) items.push_back(a);
    return items;
  }
  QProcess second;
};

QString PlaceText(const TWindowPlace& p) {
  return QStringLiteral("%1,%2 %3x%4").arg(p.left).arg(p.top).arg(p.width).arg(p.height);
}

TEST_F(WindowsOfOtherProcesses, TheSecondIsMovedOnListedBroughtToTheFrontAndTiled) {
  // The first window holds results (its Windows menu then offers Tile), the second none.
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Main()));
  ASSERT_EQ(Listed().size(), 1u);
  const TOpenMainWindow first = Listed()[0];
  EXPECT_TRUE(first.OfThisProcess());

  StartSecondProcess();
  ASSERT_TRUE(WaitUntil([&] { return Second().has_value(); }, 60000)) << "the second process never showed a window";
  const TOpenMainWindow other = *Second();
  // Moved on by a quarter inch from the first, as a second window of the tool is placed.
  TScreenFacts facts;
  facts.pixels_per_inch = static_cast<int>(Main().screen()->logicalDotsPerInch());
  const int step = PlaceNewMainWindow(facts, kToolConcordancer, 1).left - PlaceNewMainWindow(facts, kToolConcordancer, 0).left;
  ASSERT_GT(step, 0);
  EXPECT_EQ(other.place.left, first.place.left + step) << PlaceText(first.place).toStdString() << " / "
                                                      << PlaceText(other.place).toStdString();
  EXPECT_EQ(other.place.top, first.place.top + step);

  // Both in this window's Windows menu, this window's ticked.
  QMenu* menu = OpenWindowsMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return WindowItems(*menu).size() == 2; }, 3000)) << WindowItems(*menu).size();
  std::vector<QAction*> items = WindowItems(*menu);
  EXPECT_TRUE(items[0]->isChecked());
  EXPECT_FALSE(items[1]->isChecked());
  EXPECT_TRUE(items[0]->text().startsWith(QStringLiteral("&1 ")));
  EXPECT_TRUE(items[1]->text().startsWith(QStringLiteral("&2 ")));
  const QImage menu_shot = menu->grab().toImage();
  const QPoint menu_at = Main().menuBar()->mapTo(&Main(), Main().menuBar()->actionGeometry(menu->menuAction()).bottomLeft());
  // This window chosen: it is the one turned to last; then the other, in its own process.
  items[0]->trigger();
  menu->hide();
  ASSERT_TRUE(WaitUntil([&] { return LastActivated() && LastActivated()->SameWindow(first); }, 3000));
  menu = OpenWindowsMenu();
  items = WindowItems(*menu);
  ASSERT_EQ(items.size(), 2u);
  items[1]->trigger();
  menu->hide();
  EXPECT_TRUE(WaitUntil([&] { return LastActivated() && LastActivated()->SameWindow(other); }, 10000))
      << "the other process did not bring its window to the front";

  // Windows > Tile: the two windows side by side, the first on the left, then one above the other,
  // the first on top. A window takes no less than its least width (the status bar's panels are
  // wider than half this test's small screen).
  const QRect work = Main().screen()->availableGeometry();
  struct Tiling {
    int tag;
    TTiling tiling;
  } tilings[] = {{kTileVertically, TTiling::SideBySide}, {kTileHorizontally, TTiling::OneAboveTheOther}};
  TWindowPlace theirs_now;
  for (const Tiling& t : tilings) {
    SCOPED_TRACE(t.tag);
    const std::vector<TWindowRect> tiles =
        TiledWindowRects({work.left(), work.top(), work.width(), work.height()}, 2, t.tiling);
    QAction* item = Main().Menus()->ActionOfTag(t.tag);
    ASSERT_TRUE(item && item->isVisible() && item->isEnabled());
    item->trigger();
    const auto at_tile = [](const TWindowPlace& p, const TWindowRect& tile) { return p.left == tile.left && p.top == tile.top; };
    EXPECT_TRUE(WaitUntil([&] { return Second() && at_tile(Second()->place, tiles[1]); }, 10000))
        << (Second() ? PlaceText(Second()->place).toStdString() : std::string("gone")) << " not at " << tiles[1].left
        << "," << tiles[1].top;
    const QRect own = Main().frameGeometry();
    EXPECT_EQ(own.topLeft(), QPoint(tiles[0].left, tiles[0].top));
    theirs_now = Second() ? Second()->place : TWindowPlace{};
    EXPECT_EQ(own.height(), tiles[0].height);
    EXPECT_EQ(theirs_now.height, tiles[1].height);
    EXPECT_GE(own.width(), tiles[0].width);
    EXPECT_GE(theirs_now.width, tiles[1].width);
  }

  // The screen as the two processes share it, one above the other: this window as it paints, the
  // other's place and caption as the register gives them (it paints in its own process), and this
  // window's Windows menu as it listed both.
  QImage screen(work.size(), QImage::Format_RGB32);
  screen.fill(QColor(96, 96, 110));
  {
    QPainter p(&screen);
    p.drawImage(Main().geometry().topLeft() - work.topLeft(), Main().grab().toImage());
    const QRect theirs =
        QRect(theirs_now.left, theirs_now.top, theirs_now.width, theirs_now.height).translated(-work.topLeft()).adjusted(2, 2, -2, -2);
    p.fillRect(theirs, QColor(235, 235, 240));
    p.setPen(QPen(QColor(40, 40, 160), 3));
    p.drawRect(theirs);
    p.drawText(theirs.adjusted(12, 12, -12, -12), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("%1: the window of process %2 (another process), at %3 as the register of open windows "
                              "keeps it")
                   .arg(ToQString(theirs_now.width ? Second()->caption : UString()))
                   .arg(second.processId())
                   .arg(PlaceText(theirs_now)));
    // The menu as it opened under its title in the menu bar.
    p.drawImage(menu_at + Main().geometry().topLeft() - work.topLeft(), menu_shot);
  }
  screen.save(ScreenshotFile(QStringLiteral("windows_of_two_processes_tiled.png")));
  EXPECT_GT(ColoursIn(screen), 8);

  // The second process ends (as a crash would end it): its window drops out of the list.
  second.kill();
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_TRUE(WaitUntil([&] { return Listed().size() == 1; }, 5000));
  menu = OpenWindowsMenu();
  EXPECT_EQ(WindowItems(*menu).size(), 1u);
  menu->hide();
}

}  // namespace
