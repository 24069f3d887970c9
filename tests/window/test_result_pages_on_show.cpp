// Result pages given their rows when first shown, against pages filled at once: the same cells,
// headings, row numbers, widths and pixels, and the same widths kept for saving and exports
// before any page is turned to. A closed document is freed off the window's thread, and the
// next run's document loses nothing for it.
#include <QHeaderView>
#include <QTabWidget>
#include <thread>

#include "concordance/document/concordance_document.h"
#include "shell/qt/vx_grid.h"
#include "window/real_corpus_support.h"
#include "window/window_test_support.h"

namespace {

// What a page shows once turned to, and what its list keeps for saving before that.
struct TPageSeen {
  QString caption;
  int rows = 0, columns = 0, row_numbers_width = 0;
  std::vector<int> widths;
  std::vector<bool> hidden;
  QStringList headings, row_numbers, cells;
  QImage image;
};

bool operator==(const TPageSeen& a, const TPageSeen& b) {
  return a.caption == b.caption && a.rows == b.rows && a.columns == b.columns &&
         a.row_numbers_width == b.row_numbers_width && a.widths == b.widths && a.hidden == b.hidden &&
         a.headings == b.headings && a.row_numbers == b.row_numbers && a.cells == b.cells && a.image == b.image;
}

class ResultPagesOnShow : public RealCorpusTest {
 protected:
  void TearDown() override {
    TVX_Grid::SetPagesTakeRowsWhenShown(true);
    RealCorpusTest::TearDown();
  }
  // The widths every list keeps in its headings (saved with the document, used by exports).
  std::vector<int> KeptWidths() {
    std::vector<int> widths;
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t)
      if (TVX_Grid* g = Main().Pages()->GridOfTab(t); g && g->List())
        for (const TGrid_head32& h : g->List()->grid_headings) widths.push_back(h.width);
    return widths;
  }
  std::vector<TPageSeen> TurnToEveryPage(const QString& mode) {
    std::vector<TPageSeen> pages;
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t) {
      TVX_Grid* g = Main().Pages()->GridOfTab(t);
      if (!g) continue;
      TurnTo(tabs->tabText(t));
      TPageSeen p;
      p.caption = tabs->tabText(t);
      TVXGridModel& m = g->Model();
      p.rows = m.rowCount();
      p.columns = m.columnCount();
      p.row_numbers_width = g->verticalHeader()->width();
      for (int c = 0; c < p.columns; ++c) {
        p.widths.push_back(g->columnWidth(c));
        p.hidden.push_back(g->isColumnHidden(c));
        p.headings << m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      }
      for (int r = 0; r < p.rows; r += std::max(1, p.rows / 40)) {
        p.row_numbers << m.headerData(r, Qt::Vertical, Qt::DisplayRole).toString();
        for (int c = 0; c < p.columns; ++c) p.cells << ToQString(GridCellText(m.CellAt(m.index(r, c))));
      }
      p.image = g->grab().toImage();
      SaveScreenshot(*g, QStringLiteral("result_pages_on_show/") + mode + QStringLiteral("_") + p.caption);
      pages.push_back(std::move(p));
    }
    tabs->setCurrentIndex(0);
    DeliverPendingEvents();
    return pages;
  }
  void RunRiver() {
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    Main().resize(kWidth, kHeight);
    DeliverPendingEvents();
  }
};

}  // namespace

TEST_F(ResultPagesOnShow, PagesGivenTheirRowsWhenFirstShownEqualPagesFilledAtOnce) {
  Start().resize(kWidth, kHeight);
  const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
  HandOverTexts({samples + u"river_spring.txt", samples + u"bridge_walk.txt", samples + u"hallam_mill.txt"});

  // Filled at once, as before.
  TVX_Grid::SetPagesTakeRowsWhenShown(false);
  RunRiver();
  const std::vector<int> kept_at_once = KeptWidths();
  const std::vector<TPageSeen> at_once = TurnToEveryPage(QStringLiteral("at_once"));

  // Rows given when first shown: the pages not shown hold theirs back until turned to.
  TVX_Grid::SetPagesTakeRowsWhenShown(true);
  RunRiver();
  QTabWidget* tabs = Main().Pages()->Tabs();
  int held = 0;
  for (int t = 0; t < tabs->count(); ++t)
    if (TVX_Grid* g = Main().Pages()->GridOfTab(t)) {
      EXPECT_EQ(g->RowsShown(), t == tabs->currentIndex()) << tabs->tabText(t).toStdString();
      held += g->RowsShown() ? 0 : 1;
    }
  EXPECT_GE(held, 4);
  // Saving and exports read the widths from the lists: the same before any page is shown.
  EXPECT_EQ(KeptWidths(), kept_at_once);
  const std::vector<TPageSeen> on_show = TurnToEveryPage(QStringLiteral("on_show"));

  ASSERT_EQ(on_show.size(), at_once.size());
  ASSERT_GE(on_show.size(), 5u);
  int with_rows = 0;
  for (const TPageSeen& p : on_show) with_rows += p.rows > 0 ? 1 : 0;
  EXPECT_GE(with_rows, 5);
  for (size_t i = 0; i < on_show.size(); ++i) {
    const TPageSeen &a = at_once[i], &b = on_show[i];
    SCOPED_TRACE(a.caption.toStdString());
    EXPECT_EQ(b.rows, a.rows);
    EXPECT_EQ(b.widths, a.widths);
    EXPECT_EQ(b.hidden, a.hidden);
    EXPECT_EQ(b.row_numbers_width, a.row_numbers_width);
    EXPECT_EQ(b.headings, a.headings);
    EXPECT_EQ(b.row_numbers, a.row_numbers);
    EXPECT_EQ(b.cells, a.cells);
    EXPECT_EQ(b.image, a.image);
    EXPECT_TRUE(a == b);
  }
}

TEST_F(ResultPagesOnShow, RowsAskedForOnAPageNotYetShownAreThereAtOnce) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  QTabWidget* tabs = Main().Pages()->Tabs();
  for (int t = 0; t < tabs->count(); ++t) {
    TVX_Grid* g = Main().Pages()->GridOfTab(t);
    if (!g || g->RowsShown() || !g->List()) continue;
    SCOPED_TRACE(tabs->tabText(t).toStdString());
    // Going to a row (a double click elsewhere, a search) gives the page its rows first.
    const int rows = g->List()->TotalRowCount();
    if (rows == 0) continue;  // an empty list (the time-line here)
    g->SelectCell(rows, 1);
    EXPECT_TRUE(g->RowsShown());
    EXPECT_EQ(g->Model().rowCount(), rows);
    EXPECT_EQ(g->CurrentRow(), rows);
  }
}

TEST_F(ResultPagesOnShow, AClosedDocumentIsFreedOffTheWindowsThreadAndTheNextRunLosesNothing) {
  ShowSampleRiverLines();
  T_WholeLinzoraHolder* first = Main().Doc();
  ASSERT_NE(first, nullptr);
  std::vector<UString> lines;
  for (int i = 0; i < first->fConcordanceList->Count(); ++i) lines.emplace_back(first->fConcordanceList->Line(i)->Text());
  const int clusters = first->fClusterList ? first->fClusterList->Count() : -1;
  const int collocates = first->fCollocateList ? first->fCollocateList->Count() : -1;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(Main().ReleasedDocuments().ReleasedCount(), 0);

  // The second run closes the first document as a user's does: no close before it.
  RunFromWizard(u"river");
  T_WholeLinzoraHolder* second = Main().Doc();
  ASSERT_NE(second, nullptr);
  Main().ReleasedDocuments().WaitUntilReleased();
  EXPECT_EQ(Main().ReleasedDocuments().ReleasedCount(), 1);
  EXPECT_NE(Main().ReleasedDocuments().LastReleasedOn(), std::this_thread::get_id());
  ASSERT_EQ(second->fConcordanceList->Count(), static_cast<int>(lines.size()));
  for (int i = 0; i < second->fConcordanceList->Count(); ++i)
    EXPECT_EQ(UString(second->fConcordanceList->Line(i)->Text()), lines[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(second->fClusterList ? second->fClusterList->Count() : -1, clusters);
  EXPECT_EQ(second->fCollocateList ? second->fCollocateList->Count() : -1, collocates);

  // Closing from the menu hands the document over the same way; the window shows no data.
  Main().CloseData(true);
  Main().ReleasedDocuments().WaitUntilReleased();
  EXPECT_EQ(Main().ReleasedDocuments().ReleasedCount(), 2);
  EXPECT_FALSE(Main().HasData());
}

namespace {

// Counts the pages shown while it watches.
class ShowCounter : public QObject {
 public:
  int shown = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Show) ++shown;
    return false;
  }
};

}  // namespace

TEST_F(ResultPagesOnShow, ClosingTheDocumentShowsNoPageOnTheWayOut) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  QTabWidget* tabs = Main().Pages()->Tabs();
  // From the first page and from one in the middle.
  for (int from : {0, 2}) {
    SCOPED_TRACE(from);
    if (from > 0) RunFromWizard(u"river");
    ASSERT_GT(tabs->count(), from + 2);
    tabs->setCurrentIndex(from);
    DeliverPendingEvents();
    ShowCounter counter;
    for (int t = 0; t < tabs->count(); ++t) tabs->widget(t)->installEventFilter(&counter);
    Main().CloseData(true);
    EXPECT_EQ(counter.shown, 0);
    EXPECT_EQ(tabs->count(), 0);
    EXPECT_FALSE(Main().HasData());
  }
}
