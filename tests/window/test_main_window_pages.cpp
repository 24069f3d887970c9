// The main window's pages as a linguist reads them after a run, page by page: the file names, the
// window's title, the collocates under each number display, the widths of word, cluster and plot
// columns, the status bar's row, the time-line before and after it is computed, the save question
// and the counts in the status bar and notes.
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <set>

#include "concordance/document/source_files.h"
#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/runtime/julian_periods.h"
#include "platform/runtime/list_headings.h"
#include "shell/menus/menu_store.h"
#include "shell/qt/page_list.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "support/scoped_locale.h"
#include "window/modal_answers.h"
#include "window/real_corpus_support.h"

namespace {

// The title the desktop shows: the window's title, then the application's name unless the two
// are the same (as the window system writes it when the title is set).
class ShownTitles : public QObject {
 public:
  explicit ShownTitles(QWidget& w) { w.installEventFilter(this); }
  QString Last() const { return shown_.isEmpty() ? QString() : shown_.back(); }
  const QStringList& All() const { return shown_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::WindowTitleChange) {
      const QString title = static_cast<QWidget*>(watched)->windowTitle();
      const QString app = QGuiApplication::applicationDisplayName();
      shown_ << (app.isEmpty() || app == title ? title : title + QStringLiteral(" \u2014 ") + app);
    }
    return false;
  }

 private:
  QStringList shown_;
};

class MainWindowPages : public RealCorpusTest {
 protected:
  void ShowRiverAtFullSize() {
    ShowSampleRiverLines();
    ASSERT_NE(Main().Doc(), nullptr);
    Main().resize(kWidth, kHeight);
    DeliverPendingEvents();
    dialogs.Clear();
  }
  TVX_Grid* GridOf(const char* caption) {
    QWidget* page = TurnTo(QString::fromLatin1(caption));
    return page ? qobject_cast<TVX_Grid*>(page) : nullptr;
  }
  // The cell the grid shows at a grid row (from 1) and list column.
  // Cells and headings by list column, wherever the grid shows that column.
  static UString Shown(TVX_Grid& g, int row, int list_column) {
    return GridCellText(g.Model().CellAt(g.Model().index(row - 1, g.Model().Source().ViewOfListColumn(list_column))));
  }
  static UString Heading(TVX_Grid& g, int list_column) {
    const int view = g.Model().Source().ViewOfListColumn(list_column);
    return view < 0 ? UString() : FromQString(g.Model().headerData(view, Qt::Horizontal, Qt::DisplayRole).toString());
  }
  void Fire(int tag) {
    Main().HandleMenuCommand(tag, u"");
    DeliverPendingEvents();
  }
  QString Panel(int p) { return Main().Status()->PanelText(p); }
  // The document's notes hold each of `present` and none of `absent`.
  void ExpectNotes(std::initializer_list<const char*> present, std::initializer_list<const char*> absent) {
    const QString notes = NotesText(*Main().Doc());
    for (const char* p : present) EXPECT_TRUE(notes.contains(QString::fromUtf8(p))) << p << "\n" << notes.toStdString();
    for (const char* a : absent) EXPECT_FALSE(notes.contains(QString::fromUtf8(a))) << a << "\n" << notes.toStdString();
  }
};

// --- file names ---------------------------------------------------------------------------------

TEST_F(MainWindowPages, FilenamesPageShowsEveryTextWithItsHits) {
  ShowRiverAtFullSize();
  TVX_Grid* grid = GridOf("Filenames");
  ASSERT_NE(grid, nullptr);
  for (bool default_widths : {false, true}) {
    if (default_widths) Fire(166);
    ASSERT_EQ(grid->Model().columnCount(), 6) << default_widths;
    ASSERT_EQ(grid->Model().rowCount(), 3) << default_widths;
    EXPECT_EQ(Heading(*grid, 1), u"File name");
    EXPECT_EQ(Heading(*grid, 2), u"Hits");
    int hits = 0;
    for (int r = 1; r <= 3; ++r) {
      EXPECT_TRUE(EndsWithU(Shown(*grid, r, 1), u".txt")) << r;
      hits += std::stoi(Utf16ToUtf8(Shown(*grid, r, 2)));
      // The whole name is readable.
      EXPECT_GE(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(ToQString(Shown(*grid, r, 1)))) << r;
    }
    EXPECT_EQ(hits, Main().Doc()->fConcordanceList->Count());
  }
  EXPECT_EQ(Panel(kPanelEntries), QStringLiteral("3 entries"));
  // A text whose presence was not checked (as one on a network mount) is shown in italics.
  for (int r = 1; r <= 3; ++r) EXPECT_FALSE(grid->Model().Source().Cell(r, 1).display_flag) << r;
  Main().Doc()->fTextFilesWithSearchWord->SetFileStatus(1, false, kFileNotChecked);
  grid->ListChanged();
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(grid->Model().Source().Cell(r, 1).display_flag, r == 2) << r;
  EXPECT_FALSE(grid->Model().Source().Cell(2, 2).has_text && grid->Model().Source().Cell(2, 2).display_flag);
}

// --- the page shown at the run's end --------------------------------------------------------------

namespace {

// What the window shows around a page: every menu item and tool bar control as it stands, the
// status bar's panels and the title.
QStringList WindowAroundThePage(TFormLinzora& main) {
  QStringList seen;
  for (const QAction* a : main.findChildren<QAction*>())
    seen << a->text() + QStringLiteral(" %1%2%3").arg(a->isEnabled()).arg(a->isChecked()).arg(a->isVisible());
  for (const QWidget* w : main.ToolbarPanel()->findChildren<QWidget*>())
    seen << w->objectName() + QStringLiteral(" %1%2").arg(w->isVisibleTo(&main)).arg(w->isEnabled());
  for (int p = 0; p < TVXStatusBar::kPanels; ++p) seen << main.Status()->PanelText(p);
  seen << main.windowTitle();
  return seen;
}

}  // namespace

// The pages are all made before the window handles the one it shows, once: menus, tool bar,
// status bar and title are then as turning to the lines' page from another page leaves them.
TEST_F(MainWindowPages, TheRunsEndLeavesTheLinesPageAsTurningToItDoes) {
  ShowRiverAtFullSize();
  ASSERT_EQ(Main().Pages()->Tabs()->currentIndex(), 0);
  const QStringList after_run = WindowAroundThePage(Main());
  ASSERT_NE(TurnTo(QStringLiteral("Filenames")), nullptr);
  EXPECT_NE(WindowAroundThePage(Main()), after_run);  // the look sees a page change
  ASSERT_NE(TurnTo(QStringLiteral("Concordance")), nullptr);
  EXPECT_EQ(WindowAroundThePage(Main()), after_run);
}

// While a set of pages is added no page change is told, yet the bookkeeping follows the current
// tab; afterwards a change of tab is told again.
TEST_F(MainWindowPages, PagesAddedTogetherTellNoPageChangeUntilAllAreIn) {
  QTabWidget tabs;
  TPageList pages(&tabs);
  int told = 0;
  QObject::connect(&pages, &TPageList::PageChanged, [&told](int) { ++told; });
  TVXBaseHolder holder;
  TLinzoraFilenamelist files(&holder);
  {
    TPageList::TAddingPages adding(pages);
    pages.AddGridPage(QStringLiteral("Filenames"), new TVX_Grid, kListSourceFiles, &files);
    pages.AddMemoPage(QStringLiteral("Notes"), new QPlainTextEdit, 26);
    EXPECT_EQ(told, 0);
    EXPECT_EQ(pages.CurrentListType(), kListSourceFiles);
    tabs.setCurrentIndex(1);
    EXPECT_EQ(told, 0);
    EXPECT_EQ(pages.CurrentListType(), 26);
  }
  tabs.setCurrentIndex(0);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(pages.CurrentListType(), kListSourceFiles);
  pages.ClearPages();
}

// --- the window's title ---------------------------------------------------------------------------

TEST_F(MainWindowPages, TitleIsTheCurrentPagesCaptionAlone) {
  ShowRiverAtFullSize();
  ShownTitles titles(Main());
  const struct {
    const char* tab;
    const char* title;
  } pages[] = {{"Collocates", "Collocates (unsaved)"}, {"Concordance", "Concordance (unsaved)"},
               {"Notes", "Notes (unsaved)"},           {"Timeline", "Time-line (unsaved)"},
               {"Filenames", "Filenames (unsaved)"},   {"Concordance", "Concordance (unsaved)"}};
  for (const auto& p : pages) {
    ASSERT_NE(TurnTo(QString::fromLatin1(p.tab)), nullptr) << p.tab;
    EXPECT_EQ(titles.Last(), QString::fromLatin1(p.title)) << p.tab;
  }
  // A saved document is named by its file.
  const UString file = dir.Path() + u"river.cnc";
  ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), file));
  TurnTo(QStringLiteral("Notes"));
  EXPECT_EQ(titles.Last(), QStringLiteral("Notes (river.cnc)"));
}

// --- collocates -----------------------------------------------------------------------------------

TEST_F(MainWindowPages, CollocatesShowCountsOrSharesAsTheNumberDisplaySays) {
  ShowRiverAtFullSize();
  TVX_Grid* grid = GridOf("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* list = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
  ASSERT_TRUE(list && list->Count() > 0);
  const TCollocateEntryRec32& top = list->Row(0)->rec;
  const int lines = Main().Doc()->fConcordanceList->Count();
  const int position = kCollocateStandardColumns;  // the first position column, L5
  // Shares are kept as 32-bit floats.
  auto share = [](double part, double whole, double scale) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(static_cast<float>(part * scale / whole)));
    return Utf8ToUtf16(buf);
  };
  const struct {
    int tag;
    const char16_t* unit;  // appended to the heading
    double scale;          // 0: counts
  } displays[] = {{108, u"", 0}, {105, u" %", 100}, {106, u" per 1,000", 1000}, {107, u" per million", 1e6},
                  {108, u"", 0}};
  grid->setCurrentIndex(grid->Model().index(0, 0));
  for (const auto& d : displays) {
    Fire(d.tag);
    EXPECT_EQ(Heading(*grid, 15), UString(u"Texts") + d.unit) << d.tag;
    EXPECT_EQ(Heading(*grid, 16), UString(u"Total") + d.unit) << d.tag;
    EXPECT_EQ(Heading(*grid, 17), UString(u"Left") + d.unit) << d.tag;
    EXPECT_EQ(Heading(*grid, position), UString(u"L5") + d.unit) << d.tag;
    EXPECT_EQ(grid->Model().Source().ViewOfListColumn(3), -1) << "statistics not computed are not shown";
    if (d.scale == 0) {
      EXPECT_EQ(Shown(*grid, 1, 16), IntToUStr(top.head.total)) << d.tag;
      EXPECT_EQ(Shown(*grid, 1, 17), IntToUStr(top.head.total_left)) << d.tag;
    } else {
      EXPECT_EQ(Shown(*grid, 1, 16), share(top.head.total, lines, d.scale)) << d.tag;
      EXPECT_EQ(Shown(*grid, 1, 17), share(top.head.total_left, top.head.total, d.scale)) << d.tag;
    }
    // What is copied (and exported) is what the grid shows.
    EXPECT_NE(grid->CopySelectedRows().find(Shown(*grid, 1, 16)), UString::npos) << d.tag;
  }
}

// --- clusters, patterns and plot --------------------------------------------------------------------

TEST_F(MainWindowPages, WordColumnsFitTheirWordsAndThePlotTakesTheFreeWidth) {
  ShowRiverAtFullSize();
  auto widest = [](TVX_Grid& g, int list_column) {
    int w = 0;
    const int rows = std::min(g.Model().rowCount(), 30);
    for (int r = 1; r <= rows; ++r)
      w = std::max(w, g.fontMetrics().horizontalAdvance(ToQString(Shown(g, r, list_column))));
    return w;
  };
  TVX_Grid* clusters = GridOf("Clusters");
  ASSERT_NE(clusters, nullptr);
  ASSERT_GT(clusters->Model().rowCount(), 1);
  EXPECT_GE(clusters->columnWidth(0), widest(*clusters, 1));
  // Set and Related hold texts: blank while nothing is set or related.
  for (int r = 1; r <= clusters->Model().rowCount(); ++r) {
    EXPECT_EQ(Shown(*clusters, r, 3), u"") << r;
    EXPECT_EQ(Shown(*clusters, r, 5), u"") << r;
    EXPECT_EQ(Shown(*clusters, r, 4), IntToUStr(ClusterWordCount(Shown(*clusters, r, 1)))) << r;
  }
  TVX_Grid* patterns = GridOf("Patterns");
  ASSERT_NE(patterns, nullptr);
  for (int c = 1; c <= 11; ++c) EXPECT_GE(patterns->columnWidth(c - 1), widest(*patterns, c)) << c;
  TVX_Grid* plot = GridOf("Plot");
  ASSERT_NE(plot, nullptr);
  int others = 0;
  for (int c = 0; c < 5; ++c) others += plot->columnWidth(c);
  EXPECT_GE(plot->columnWidth(5), plot->viewport()->width() - others - 2);
  EXPECT_GT(plot->columnWidth(5), kWidth / 2);
  // The window made narrower: the plot follows.
  Main().resize(1000, kHeight);
  DeliverPendingEvents();
  EXPECT_LE(others + plot->columnWidth(5), plot->viewport()->width() + 1);
}

// --- the status bar ---------------------------------------------------------------------------------

TEST_F(MainWindowPages, StatusBarRowFollowsTheCurrentRowOnEveryPage) {
  ShowRiverAtFullSize();
  ASSERT_NE(GridOf("Patterns"), nullptr);
  EXPECT_EQ(Panel(kPanelRow), QStringLiteral("Row 1"));
  for (const char* page : {"Concordance", "Collocates", "Plot", "Clusters", "Filenames"}) {
    TVX_Grid* grid = GridOf(page);
    ASSERT_NE(grid, nullptr) << page;
    ASSERT_GE(grid->Model().rowCount(), 3) << page;
    EXPECT_EQ(Panel(kPanelRow), QStringLiteral("Row 1")) << page;
    grid->setCurrentIndex(grid->Model().index(2, 0));
    EXPECT_EQ(Panel(kPanelRow), QStringLiteral("Row 3")) << page;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(Panel(kPanelRow), QStringLiteral("Row 2")) << page;
    // A refresh of the list keeps the place and the panel.
    Fire(33);
    EXPECT_EQ(grid->CurrentRow(), 2) << page;
    EXPECT_EQ(Panel(kPanelRow), QStringLiteral("Row 2")) << page;
  }
  // A page of no rows names no row, the notes neither entries nor rows.
  ASSERT_NE(TurnTo(QStringLiteral("Timeline")), nullptr);
  EXPECT_EQ(Panel(kPanelEntries), QStringLiteral("0 entries"));
  EXPECT_EQ(Panel(kPanelRow), QString());
  ASSERT_NE(TurnTo(QStringLiteral("Notes")), nullptr);
  EXPECT_EQ(Panel(kPanelEntries), QString());
  EXPECT_EQ(Panel(kPanelRow), QString());
}

TEST_F(MainWindowPages, CountsAreGroupedInThousands) {
  ScopedLocale english("en_US.UTF-8");
  Start();
  TempFolder texts;
  HandOverTexts(WriteRiverTexts(texts, 4, 300));  // 1,200 lines
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 1200);
  TurnTo(QStringLiteral("Concordance"));
  EXPECT_EQ(Panel(kPanelEntries), QStringLiteral("1,200 entries"));
  ExpectNotes({"Concordance: 1,200 found", "1,000 characters saved per entry", "Minimum texts: 1",
               "Paragraph start not marked"},
              {"marked by not marked"});
}

// --- the time-line --------------------------------------------------------------------------------

TEST_F(MainWindowPages, TimelineSaysWhenItIsEmptyOrOnePeriodAndTheNotesAgree) {
  Start();
  TempFolder texts;
  const std::vector<UString> names = WriteRiverTexts(texts, 3, 4);
  // Every text dated the same day.
  for (const UString& n : names) {
    std::error_code ec;
    std::filesystem::last_write_time(
        ToFsPath(n),
        std::filesystem::file_time_type::clock::from_sys(
            std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2020) / 5 / 17)) + std::chrono::hours(12)),
        ec);
  }
  HandOverTexts(names);
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  Main().resize(kWidth, kHeight);
  auto* grid = qobject_cast<TVX_Grid*>(TurnTo(QStringLiteral("Timeline")));
  ASSERT_NE(grid, nullptr);
  // Not computed yet (no basis chosen): said in words, no year -4713.
  EXPECT_EQ(Heading(*grid, 6), u"Time-lines (not computed: Compute > Timeline)");
  EXPECT_EQ(Panel(kPanelRow), QString());

  // Compute > Time-line with no basis chosen says so.
  AnswerNextModal(true);
  Fire(58);
  EXPECT_TRUE(WasAsked(TVXDialog::UndefinedTimeLineBasis));
  EXPECT_EQ(Main().Doc()->fTimeLineList->Count(), 0);

  // By year: one period, said so; no dispersion over one period; the notes agree.
  SetTimeLinePlotBase(kTimeBaseYear);
  AnswerNextModal(true, [](QDialog& d) { static_cast<void>(d); });
  Fire(58);
  ASSERT_GT(Main().Doc()->fTimeLineList->Count(), 0);
  EXPECT_EQ(Main().Pages()->Tabs()->tabText(Main().Pages()->Tabs()->currentIndex()), QStringLiteral("Timeline"));
  EXPECT_EQ(Heading(*grid, 6), u"Time-lines (one year: 2020)");
  EXPECT_EQ(Shown(*grid, 1, 5), u"");
  EXPECT_EQ(Shown(*grid, 1, 3), IntToUStr(Main().Doc()->fConcordanceList->Count()));
  EXPECT_EQ(Panel(kPanelRow), QStringLiteral("Row 1"));
  ExpectNotes({"Time-lines: 1 found", "Time-line periods: year, by each text's date"}, {"Time-lines: 0 found"});
  const QString notes = NotesText(*Main().Doc());
  EXPECT_TRUE(notes.endsWith(QStringLiteral("\tProcedure = Time-lines"))) << notes.toStdString();
  auto* memo = qobject_cast<QPlainTextEdit*>(Main().Pages()->Tabs()->widget(Main().Pages()->Tabs()->count() - 1));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->toPlainText(), notes);
}

// --- the save question ------------------------------------------------------------------------------

TEST_F(MainWindowPages, SaveQuestionNamesAnUnsavedDocumentAsSuch) {
  ShowRiverAtFullSize();
  dialogs.Script({mrCancel});
  EXPECT_FALSE(Main().CanCloseData());
  ASSERT_TRUE(WasAsked(TVXDialog::DoYouWantToSave));
  EXPECT_EQ(AllQuestionText(), u"Save the unsaved concordance before closing?\n");
}

}  // namespace

// The grids of a run's pages are made ahead, while the window is idle after a page is painted.
// Run after run, each page's grid is its own (none shared between pages), shows its
// list's rows when turned to, and is in the style of the moment though the style changed after
// the grid was made.
TEST_F(MainWindowPages, GridsMadeAheadShowEachRunsListsInTheStyleOfTheMoment) {
  ShowRiverAtFullSize();
  const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
  for (const int style : {1, 0}) {
    SCOPED_TRACE(style);
    DeliverPendingEvents();  // the window idle: the next run's grids are made
    // The style stored and applied, as the controller's style message does: the main window,
    // active again after the wizard, applies the stored one.
    SetGlobalStyleNumber(style);
    ApplyStyleNumber(style);
    HandOverTexts({samples + u"river_spring.txt", samples + u"hallam_mill.txt"});
    RunFromWizard(u"mill");
    ASSERT_NE(Main().Doc(), nullptr);
    std::set<const TVX_Grid*> seen;
    for (int t = 0; t < Main().Pages()->Count(); ++t) {
      const TVX_Grid* grid = Main().Pages()->GridOfTab(t);
      if (!grid) continue;
      EXPECT_TRUE(seen.insert(grid).second) << "tab " << t << ": the grid of another page";
      EXPECT_EQ(grid->StyleNumber(), style) << "tab " << t;
    }
    for (int t = 0; t < Main().Pages()->Count(); ++t) {
      TVX_Grid* grid = Main().Pages()->GridOfTab(t);
      if (!grid) continue;
      Main().Pages()->Tabs()->setCurrentIndex(t);
      DeliverPendingEvents();
      ASSERT_NE(grid->List(), nullptr);
      EXPECT_GE(grid->Model().rowCount(), grid->List()->Count()) << "tab " << t;  // a page may add a totals row
    }
    EXPECT_GE(seen.size(), 7u);
  }
}
