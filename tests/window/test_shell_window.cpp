#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "platform/runtime/vx_runtime.h"
#include "shell/qt/window_messages.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"
#include "window/shell_test_window.h"
#include "window/window_test_support.h"

namespace {

constexpr int kMillion = 1000000;

void ShowAndPaint(QWidget& w) {
  w.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
  DeliverPendingEvents();
}

// Rows the grid's viewport can show, plus the one cut at the bottom.
int VisibleRows(TVX_Grid& g) { return g.viewport()->height() / g.verticalHeader()->defaultSectionSize() + 2; }

}  // namespace

TEST(ShellWindow, GridOverAMillionRowsAsksOnlyForVisibleCells) {
  TShellTestWindow w(kMillion);
  ShowAndPaint(w);
  const int columns = w.grid->Model().columnCount();
  // One paint: the visible cells, the vertical header's row numbers and the headings.
  EXPECT_GT(w.lines.cell_calls, 0);
  EXPECT_LE(w.lines.cell_calls, (VisibleRows(*w.grid) + 1) * (columns + 2));
  EXPECT_EQ(w.grid->Model().rowCount(), kMillion);

  const QImage shot = SaveScreenshot(w, QStringLiteral("shell_grid"));
  EXPECT_GT(ColoursIn(shot), 20);
  const QRect first_cell = w.grid->visualRect(w.grid->Model().index(0, 0)).translated(
      w.grid->viewport()->mapTo(&w, QPoint(0, 0)));
  EXPECT_GT(InkPixelsIn(shot, first_cell), 40);  // a line's text is drawn where it belongs

  w.lines.cell_calls = 0;
  w.grid->scrollToBottom();
  QApplication::processEvents();
  w.grid->viewport()->repaint();
  EXPECT_LE(w.lines.cell_calls, (VisibleRows(*w.grid) + 1) * (columns + 2));
  EXPECT_EQ(w.grid->TopRow() + VisibleRows(*w.grid) - 3, kMillion);
  SaveScreenshot(w, QStringLiteral("shell_grid_end"));
}

TEST(ShellWindow, GridIsRightAfterZapAndSortWithoutRebuild) {
  TShellTestWindow w(1000);
  ShowAndPaint(w);
  TVX_Grid* before = w.grid;
  w.grid->scrollToBottom();
  QApplication::processEvents();
  w.lines.MarkDeleted(1000);
  w.lines.MarkDeleted(999);
  w.lines.ZapDeleted();
  w.lines.Reverse();
  w.grid->ListChanged();
  w.grid->viewport()->repaint();
  EXPECT_EQ(w.grid, before);
  EXPECT_EQ(w.grid->Model().rowCount(), 998);
  EXPECT_EQ(w.grid->Model().CellAt(w.grid->Model().index(0, 0)).text, TSyntheticGridList::LineOf(998));
  EXPECT_EQ(w.grid->Model().CellAt(w.grid->Model().index(997, 0)).text, TSyntheticGridList::LineOf(1));
}

// A job that changes the list pumps the loop while the list is busy: paints read nothing.
TEST(ShellWindow, PumpingJobNeverHasTheGridReadTheList) {
  TShellTestWindow w(500);
  ShowAndPaint(w);
  w.lines.SetListBusy(kBusySorting);
  w.lines.cell_calls = 0;
  w.lines.SetRows(10);  // entries gone while the grid still counts 500 rows
  for (int i = 0; i < 3; ++i) {
    w.grid->viewport()->update();
    MyYieldProcess();
  }
  w.grid->viewport()->repaint();
  EXPECT_EQ(w.lines.cell_calls, 0);
  w.lines.SetListBusy(kBusyNone);
  w.grid->ListChanged();
  EXPECT_EQ(w.grid->Model().rowCount(), 10);
}

TEST(ShellWindow, PageChangeShowsExactlyTheFeatureSet) {
  TShellTestWindow w(100);
  struct Case { int page; uint8_t list_type; };
  for (Case c : {Case{1, 19}, Case{2, 25}, Case{0, 10}}) {
    w.tabs->setCurrentIndex(c.page);
    const TMenuFeatureSet set = MenuFeaturesForListType(c.list_type, 0);
    w.model.Walk([&](TMenuNode& n) {
      if (n.IsCommand() && n.children.empty() && n.tag != kRecentFileTag) {
        EXPECT_EQ(w.menus->ActionOf(&n)->isVisible(), set.test(n.tag)) << "page " << c.page << " tag " << n.tag;
      }
    });
  }
}

TEST(ShellWindow, ClickReachesHandlerWithItsTag) {
  TShellTestWindow w(10);
  for (int tag : {69, 22, 185}) w.menus->ActionOfTag(tag)->trigger();
  EXPECT_EQ(w.chosen, (std::vector<int>{69, 22, 185}));
  EXPECT_EQ(w.menus->ActionOfTag(22)->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
  EXPECT_EQ(w.menus->ActionOfTag(199)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F8")));
  EXPECT_TRUE(w.menus->ActionOfTag(32)->shortcut().isEmpty());
}

TEST(ShellWindow, ViewMenuScreenshot) {
  TShellTestWindow w(100);
  ShowAndPaint(w);
  QMenu* view = w.menus->TopMenu(2);
  ASSERT_NE(view, nullptr);
  view->popup(w.mapToGlobal(QPoint(60, 30)));
  QApplication::processEvents();
  const QImage shot = SaveScreenshot(*view, QStringLiteral("menu_view"));
  EXPECT_GT(InkPixelsIn(shot, QRect(20, 0, shot.width() - 20, 60)), 50);
  view->hide();
}

TEST(ShellWindow, GridCommandsByMessage) {
  TShellTestWindow w(20);
  ShowAndPaint(w);
  w.grid->selectRow(1);
  QApplication::clipboard()->clear();
  PostWindowMessage(w.grid, kMsgGridCommand, 22 + kGridCommandOffset, 0);
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());  // posted: nothing before the loop runs
  QApplication::processEvents();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.startsWith(QStringLiteral("N\tConcordance\t")));
  EXPECT_TRUE(copied.contains(QStringLiteral("\r\n2\t")));
  const int height = w.grid->verticalHeader()->defaultSectionSize();
  PostWindowMessage(w.grid, kMsgGridCommand, 30 + kGridCommandOffset, 0);
  QApplication::processEvents();
  EXPECT_GT(w.grid->verticalHeader()->defaultSectionSize(), height);
}

TEST(ShellWindow, LocalProgressShowsInTheStatusBar) {
  CreateGlobalProgress();
  TShellTestWindow w(100);
  w.status->AttachToProgress();
  ShowAndPaint(w);
  TProgressClass& p = *GlobalProgress();
  p.SetThisBarStyle(true);
  p.ClearAllAndShow({}, kWhereLocal);
  p.ProgressShortMessage(u"Sorting");
  p.ProgressLongMessage(u"reading text 3 of 12: \u00e9t\u00e9.txt");
  p.ThisPercent(42);
  QApplication::processEvents();
  EXPECT_EQ(w.status->PanelText(kPanelShortMessage), QStringLiteral("Sorting"));
  EXPECT_TRUE(w.status->PanelText(kPanelLongMessage).contains(QStringLiteral("\u00e9t\u00e9")));
  EXPECT_EQ(w.status->PanelBarValue(kPanelThisPercent), 42);
  const QImage shot = SaveScreenshot(*w.status, QStringLiteral("status_progress"));
  EXPECT_GT(ColoursIn(shot), 5);
  FreeGlobalProgress();
}

TEST(ShellWindow, PanelClickSignalsItsIndex) {
  TShellTestWindow w(10);
  ShowAndPaint(w);
  std::vector<int> clicked;
  QObject::connect(w.status, &TVXStatusBar::PanelClicked, [&](int i) { clicked.push_back(i); });
  w.status->SetPanelText(3, u"x");
  const auto labels = w.status->findChildren<QLabel*>();
  QLabel* third = nullptr;
  for (QLabel* l : labels)
    if (l->text() == QStringLiteral("x")) third = l;
  ASSERT_NE(third, nullptr);
  QTest::mouseClick(third, Qt::LeftButton);
  EXPECT_EQ(clicked, std::vector<int>{3});
}
