// The widths of the result pages after a run: the page on show fits to what it shows, the pages
// not looked at fit once the run's end is painted, or sooner when a command reads widths, and
// always as they would have fitted at the run's end, whatever became of the window since (its
// size, its font). A saved column layout stands over the fit.
#include <QHeaderView>
#include <QTabWidget>

#include "concordance/document/concordance_document.h"
#include "model/lists/grid_headings.h"
#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"
#include "window/test_tool_window.h"

namespace {

constexpr int kTagSave = 1;
constexpr int kTagLayout = 29;
constexpr int kTagDefaultWidths = 166;

// Every page's column widths (what print, the column editor and a saved layout read), by caption.
using TKeptWidths = std::vector<std::pair<QString, std::vector<int>>>;

class PageWidthsAfterRun : public MainRoadTest {
 protected:
  // The window at 1600 x 1000 with the sample texts handed over.
  void StartWithSamples() {
    Start();
    Main().resize(1600, 1000);
    Main().SetFileDialogs(&files);
    const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
    HandOverTexts({samples + u"river_spring.txt", samples + u"bridge_walk.txt", samples + u"hallam_mill.txt"});
  }
  // The wizard's OK for "the", then the loop's turns only until the run has ended: the work
  // posted for after its end is painted is still to come.
  void RunWithoutPainting() {
    Main().ShowStartDialog();
    Wizard().SearchBox()->setCurrentText(QStringLiteral("the"));
    const T_WholeLinzoraHolder* before = Main().Doc();
    Wizard().ButtonOKClick();
    QElapsedTimer waited;
    waited.start();
    while (!(Main().Doc() && Main().Doc() != before && Main().HasData() && !Main().RunActive()) && waited.elapsed() < 60000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_NE(Main().Doc(), nullptr);
  }
  std::vector<TVX_Grid*> Grids() {
    std::vector<TVX_Grid*> grids;
    for (int t = 0; t < Main().Pages()->Count(); ++t)
      if (TVX_Grid* g = Main().Pages()->GridOfTab(t); g && g->List()) grids.push_back(g);
    return grids;
  }
  int Owing() {
    int owing = 0;
    for (TVX_Grid* g : Grids()) owing += g->OwesFit() ? 1 : 0;
    return owing;
  }
  TKeptWidths Kept() {
    TKeptWidths kept;
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t)
      if (TVX_Grid* g = Main().Pages()->GridOfTab(t); g && g->List()) kept.emplace_back(tabs->tabText(t), Widths(*g));
    return kept;
  }
  static std::vector<int> Widths(TVX_Grid& g) {
    std::vector<int> widths;
    for (int c = 0; c < g.horizontalHeader()->count(); ++c) widths.push_back(g.columnWidth(c));
    return widths;
  }
  static const std::vector<int>& Of(const TKeptWidths& kept, const char* caption) {
    static const std::vector<int> none;
    for (const auto& [c, widths] : kept)
      if (c == QLatin1String(caption)) return widths;
    return none;
  }
  // Save through the menu under a new name; answers the widths once the command is done.
  TKeptWidths SaveThroughMenu(const UString& name) {
    files.answers.push_back(name);
    Main().HandleMenuCommand(kTagSave, u"");
    EXPECT_TRUE(FileExists(name));
    return Kept();
  }
  // The window made narrow and its font larger, as a user may do before saving.
  void ResizeAndRestyle() {
    Main().resize(700, 480);
    QFont bigger = Main().font();
    bigger.setPointSize(bigger.pointSize() + 6);
    Main().setFont(bigger);
  }
  TScriptedFileDialogs files;
};

}  // namespace

// Saved at once after the run, and saved after the window was resized and given a larger font:
// every page's widths alike, and each page with rows fitted (its widths not all the grid's
// default).
TEST_F(PageWidthsAfterRun, SavingRightAfterTheRunKeepsTheRunsEndWidthsWhateverBecameOfTheWindow) {
  StartWithSamples();
  RunWithoutPainting();
  EXPECT_GE(Owing(), 3);
  const TKeptWidths plain = SaveThroughMenu(dir.Path() + u"plain.cnc");
  EXPECT_EQ(Owing(), 0);

  StartWithSamples();
  RunWithoutPainting();
  EXPECT_GE(Owing(), 3);
  ResizeAndRestyle();
  const TKeptWidths changed = SaveThroughMenu(dir.Path() + u"changed.cnc");
  EXPECT_EQ(Owing(), 0);

  ASSERT_GE(plain.size(), 5u);
  ASSERT_EQ(changed.size(), plain.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    SCOPED_TRACE(plain[i].first.toStdString());
    EXPECT_EQ(changed[i].first, plain[i].first);
    EXPECT_EQ(changed[i].second, plain[i].second);
    // Fitted: not every column at the grid's first width.
    EXPECT_NE(std::count(plain[i].second.begin(), plain[i].second.end(), 80), static_cast<long>(plain[i].second.size()));
  }
  // The larger font gives other widths when fitted now: a fit made late would show.
  TVX_Grid* collocates = TurnTo("Collocates");
  ASSERT_NE(collocates, nullptr);
  DeliverPendingEvents();
  EXPECT_NE(Widths(*collocates), Of(plain, "Collocates"));
}

// Left alone after the run, the pages fit once its end is painted: the same widths as a save at
// once, and a later resize or font changes none of them.
TEST_F(PageWidthsAfterRun, PagesNotShownFitOnceTheRunsEndIsPaintedAndStaySo) {
  StartWithSamples();
  RunWithoutPainting();
  const TKeptWidths saved_at_once = SaveThroughMenu(dir.Path() + u"at_once.cnc");

  StartWithSamples();
  RunWithoutPainting();
  QTabWidget* tabs = Main().Pages()->Tabs();
  for (int t = 0; t < tabs->count(); ++t) {
    if (TVX_Grid* g = Main().Pages()->GridOfTab(t); g && g->List() && g->List()->TotalRowCount() > 0) {
      EXPECT_EQ(g->OwesFit(), t != tabs->currentIndex()) << tabs->tabText(t).toStdString();
    }
  }
  DeliverPendingEvents();
  EXPECT_EQ(Owing(), 0);
  EXPECT_EQ(Kept(), saved_at_once);
  ResizeAndRestyle();
  DeliverPendingEvents();
  EXPECT_EQ(Kept(), saved_at_once);
}

// A page turned to fits to what it shows then (the larger font here), not to the run's end; its
// widths are those Default column widths gives it on screen.
TEST_F(PageWidthsAfterRun, APageFitsToWhatItShowsWhenFirstTurnedTo) {
  StartWithSamples();
  RunWithoutPainting();
  const TKeptWidths at_end = SaveThroughMenu(dir.Path() + u"at_end.cnc");

  StartWithSamples();
  RunWithoutPainting();
  QFont bigger = Main().font();
  bigger.setPointSize(bigger.pointSize() + 6);
  Main().setFont(bigger);
  TVX_Grid* g = TurnTo("Clusters");
  ASSERT_NE(g, nullptr);
  DeliverPendingEvents();
  EXPECT_FALSE(g->OwesFit());
  const std::vector<int> shown = Widths(*g);
  ASSERT_FALSE(shown.empty());
  EXPECT_NE(shown, Of(at_end, "Clusters"));
  Main().HandleMenuCommand(kTagDefaultWidths, u"");
  DeliverPendingEvents();
  EXPECT_EQ(Widths(*g), shown);
}

// A column layout saved from a page stands over the widths the page fits after the next run,
// though that page is never shown.
TEST_F(PageWidthsAfterRun, ASavedColumnLayoutStandsOverTheFitOfAPageNeverShown) {
  StartWithSamples();
  RunWithoutPainting();
  TVX_Grid* g = TurnTo("Collocates");
  ASSERT_NE(g, nullptr);
  DeliverPendingEvents();
  ASSERT_GE(g->Model().columnCount(), 2);
  const int list_column = g->ListColumnOfSection(1);
  const uint8_t list_type = g->ListType();
  g->horizontalHeader()->resizeSection(1, 333);
  // The column editor's Save.
  Main().HandleMenuCommand(kTagLayout, u"");
  DeliverPendingEvents();
  ASSERT_NE(Main().ColumnsForm(), nullptr);
  ASSERT_TRUE(Main().SaveHeadingsAsCustomised(g));
  Main().ColumnsForm()->hide();

  StartWithSamples();
  RunWithoutPainting();
  TVX_Grid* again = nullptr;
  for (TVX_Grid* grid : Grids())
    if (grid->ListType() == list_type) again = grid;
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(again->isVisible());
  SaveThroughMenu(dir.Path() + u"layout.cnc");
  // The width the document is saved with, and the one the page shows.
  const int i = HeadingIndexOfColumn(again->List()->grid_headings, list_column);
  ASSERT_GE(i, 0);
  EXPECT_EQ(again->List()->grid_headings[static_cast<size_t>(i)].width, 333);
  EXPECT_EQ(again->columnWidth(1), 333);
}

// A width set in the column editor of a page whose fit is still owed (its list came again while
// it was hidden) is kept when the editor applies it; the other columns take the fit.
TEST_F(PageWidthsAfterRun, AWidthSetWhileTheFitIsOwedStandsOverIt) {
  StartWithSamples();
  RunWithoutPainting();
  TVX_Grid* g = nullptr;
  for (TVX_Grid* grid : Grids())
    if (grid->OwesFit() && grid->Model().columnCount() >= 3) g = grid;
  ASSERT_NE(g, nullptr);
  TVXBaseDataClass& list = *g->List();
  EnsureGridHeadings(list);
  const int set_column = g->ListColumnOfSection(1), other_column = g->ListColumnOfSection(2);
  const int i = HeadingIndexOfColumn(list.grid_headings, set_column);
  ASSERT_GE(i, 0);
  ASSERT_NE(list.grid_headings[static_cast<size_t>(i)].width, 333);
  list.grid_headings[static_cast<size_t>(i)].width = 333;  // as the editor writes it
  g->ApplyHeadings();
  EXPECT_FALSE(g->OwesFit());
  EXPECT_EQ(g->columnWidth(1), 333);
  EXPECT_EQ(list.grid_headings[static_cast<size_t>(i)].width, 333);
  const int j = HeadingIndexOfColumn(list.grid_headings, other_column);
  ASSERT_GE(j, 0);
  EXPECT_EQ(list.grid_headings[static_cast<size_t>(j)].width, g->columnWidth(2));
}
