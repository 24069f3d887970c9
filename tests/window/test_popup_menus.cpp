// The result grids' right-click menus, the tool bar, reading a row aloud, the Breakdown reports
// and the window size kept with a document, each reached as a user reaches it in the window
// `main` makes.
#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QTableWidget>
#include <QMenu>
#include <QToolButton>

#include "concordance/views/clusters_list.h"
#include "platform/settings/settings_records.h"
#include "shell/grid_tools/list_commands.h"
#include "shell/menus/menu_features.h"
#include "shell/menus/popup_items.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/speech_service.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"
#include "windows/general_input_dialog.h"
#include "windows/lemma_forms_window.h"

namespace {

class TRecordingSpeech : public TSpeechService {
 public:
  bool Speak(UStringView text) override {
    said.emplace_back(text);
    return true;
  }
  std::vector<UString> said;
};

class PopupMenuTest : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    // Clusters of the sample lines need only appear once.
    TConcSettingsRec32 rec = GetConcSaveRec();
    rec.SetMinCollocateFrequency(1);
    rec.SetMinCollocateTexts(1);
    rec.SetClusterSizeMin(2);
    rec.SetClusterSizeMax(3);
    rec.SetClusterMinFrequency(1);
    SetConcSaveRec(rec);
    ShowSampleRiverLines();
    ASSERT_NE(Main().Doc(), nullptr);
    Wizard().hide();
    Main().resize(1100, 700);
    // Delete goes to the grid only while the main window is the active one.
    Main().activateWindow();
    WaitUntil([this] { return Main().MainFormIsActive(); });
  }
  void TearDown() override {
    Main().SetSpeechService(nullptr);
    MainRoadTest::TearDown();
  }
  // A right-click on the grid's first row as the mouse gives it: the menu that opens (nullptr
  // when none did).
  QMenu* RightClick(TVX_Grid* grid) {
    grid->setCurrentIndex(grid->Model().index(0, 0));
    const QPoint at = grid->visualRect(grid->currentIndex()).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &click);
    auto* menu = Main().findChild<QMenu*>(QStringLiteral("PopupMenuForGrids"));
    return menu && menu->isVisible() ? menu : nullptr;
  }
  static QAction* Item(QMenu* menu, const QString& caption) {
    for (QAction* a : menu->actions())
      if (a->text().remove(QLatin1Char('&')) == caption) return a;
    return nullptr;
  }
  QString StatusMessage() { return Main().Status()->PanelText(kPanelMessage); }
  // The rows the small list viewer shows.
  std::vector<UString> ViewerRows() {
    std::vector<UString> rows;
    if (auto* viewer = qobject_cast<TFormLemmaShower*>(Main().ListViewer()))
      for (const TLemmaForm& f : viewer->Forms()) rows.push_back(f.form);
    return rows;
  }
};

// Every result page opens its right-click menu: commands its own menu offers (Join Clusters
// on the collocates and clusters pages too), then "Read row aloud".
TEST_F(PopupMenuTest, EveryResultPageHasItsRightClickMenu) {
  const std::pair<const char*, bool> pages[] = {{"Concordance", false}, {"Collocates", true}, {"Plot", false},
                                                {"Patterns", false},    {"Clusters", true},   {"Timeline", false},
                                                {"Filenames", false}};
  for (const auto& [caption, join_clusters] : pages) {
    TVX_Grid* grid = TurnTo(caption);
    ASSERT_NE(grid, nullptr) << caption;
    QMenu* menu = RightClick(grid);
    ASSERT_NE(menu, nullptr) << caption;
    SaveScreenshot(*menu, QStringLiteral("commands/right_click_") + QString::fromLatin1(caption).toLower());
    const TMenuFeatureSet offered = MenuFeaturesForListType(grid->ListType(), static_cast<uint8_t>(grid->Alternative()));
    int commands = 0;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator() || !a->data().isValid()) continue;
      const int tag = a->data().toInt();
      ++commands;
      EXPECT_TRUE(offered.test(static_cast<size_t>(tag)) || tag == kTagJoinClusters) << caption << " " << tag;
    }
    EXPECT_GT(commands, 0) << caption;
    EXPECT_EQ(Item(menu, QStringLiteral("Join Clusters")) != nullptr, join_clusters) << caption;
    EXPECT_EQ(menu->actions().back()->text(), QStringLiteral("Read row aloud")) << caption;
    menu->hide();
  }
}

// Delete on the right-click menu deletes the row its menu twin would: the same tag, the same
// handler; Restore deleted brings it back.
TEST_F(PopupMenuTest, RightClickDeleteAndRestoreActOnTheLinesAsTheMenuDoes) {
  TVX_Grid* grid = TurnTo("Concordance");
  TConcordanceList& lines = *Main().Doc()->fConcordanceList;
  ASSERT_GT(lines.Count(), 2);
  QMenu* menu = RightClick(grid);
  ASSERT_NE(menu, nullptr);
  QAction* del = Item(menu, QStringLiteral("Delete"));
  ASSERT_NE(del, nullptr);
  del->trigger();
  DeliverPendingEvents();
  EXPECT_TRUE(lines.GetDeleted(0));
  EXPECT_FALSE(lines.GetDeleted(1));
  // The menu twin on the second row: the same outcome.
  grid->setCurrentIndex(grid->Model().index(1, 0));
  Main().Menus()->ActionOfTag(12)->trigger();
  DeliverPendingEvents();
  EXPECT_TRUE(lines.GetDeleted(1));
  menu = RightClick(grid);
  ASSERT_NE(menu, nullptr);
  Item(menu, QStringLiteral("Restore deleted"))->trigger();
  DeliverPendingEvents();
  EXPECT_FALSE(lines.GetDeleted(0));
  EXPECT_TRUE(lines.GetDeleted(1));
}

// Join Clusters, which the clusters page's own menu does not show, is on its right-click menu
// and joins the clusters in the direction chosen.
TEST_F(PopupMenuTest, JoinClustersFromTheClustersPagesRightClickMenu) {
  TVX_Grid* grid = TurnTo("Clusters");
  ASSERT_NE(grid, nullptr);
  ASSERT_GT(grid->List()->Count(), 1);
  QMenu* menu = RightClick(grid);
  ASSERT_NE(menu, nullptr);
  QAction* join = Item(menu, QStringLiteral("Join Clusters"));
  ASSERT_NE(join, nullptr);
  EXPECT_TRUE(join->isEnabled());
  ActOnNextModal([](QDialog& d) { static_cast<TGeneralInputDlg&>(d).OptionButton(1)->click(); });
  join->trigger();
  EXPECT_TRUE(WaitUntil([this] { return StatusMessage().startsWith(QStringLiteral("Join Clusters:")); }))
      << StatusMessage().toStdString();
}

// "Read row aloud" speaks the current row's cells; a speech engine that is not there says so
// on the status bar and nothing is spoken.
TEST_F(PopupMenuTest, ReadRowAloudSpeaksTheRowOrSaysThereIsNoEngine) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  TRecordingSpeech speech;
  Main().SetSpeechService(&speech);
  QMenu* menu = RightClick(grid);
  ASSERT_NE(menu, nullptr);
  Item(menu, QStringLiteral("Read row aloud"))->trigger();
  const UString expected = RowTextToSpeak(*grid->List(), 1, grid->Alternative());
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(speech.said, std::vector<UString>{expected});

  TQtSpeechService none(QStringLiteral("no-such-engine"));
  Main().SetSpeechService(&none);
  menu = RightClick(grid);
  ASSERT_NE(menu, nullptr);
  Item(menu, QStringLiteral("Read row aloud"))->trigger();
  EXPECT_TRUE(StatusMessage().contains(QStringLiteral("needs a speech engine"))) << StatusMessage().toStdString();
}

// The tool bar's buttons are the customisable items with a picture; Join rows shows only where
// rows join as lemmas, and a button does what its item does (Close closes the data).
TEST_F(PopupMenuTest, ToolBarButtonsFollowThePageAndRunTheirItems) {
  auto button_of = [this](int tag) -> QToolButton* {
    for (QToolButton* b : Main().ToolbarPanel()->findChildren<QToolButton*>())
      if (b->property("lz_tag").toInt() == tag && b->defaultAction()) return b;
    return nullptr;
  };
  ASSERT_NE(button_of(19), nullptr);
  TurnTo("Concordance");
  EXPECT_TRUE(button_of(19)->isHidden());
  EXPECT_FALSE(button_of(22)->isHidden());
  TurnTo("Collocates");
  EXPECT_FALSE(button_of(19)->isHidden());
  SaveScreenshot(Main(), QStringLiteral("commands/tool_bar_collocates"));
  // No tags in the sample lines: no tag buttons.
  EXPECT_TRUE(Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonUndefinedTags"))->isHidden());
  EXPECT_TRUE(Main().findChild<QToolButton*>(QStringLiteral("AdvGlowButtonTagFileTags"))->isHidden());
  dialogs.Script({mrNo});
  button_of(26)->click();
  EXPECT_TRUE(WaitUntil([this] { return !Main().HasData(); }));
}

// Breakdown on the plot page counts the hits by section of the texts, on the text-name page the
// lines by search word; both end in a total of every line.
TEST_F(PopupMenuTest, BreakdownReportsOnThePlotAndFileNamePages) {
  const int lines = Main().Doc()->fConcordanceList->Count();
  const UString total = u"Total\t" + IntToUStr(lines) + u"\t100.00%";
  TurnTo("Plot");
  Main().Menus()->ActionOfTag(37)->trigger();
  DeliverPendingEvents();
  ASSERT_NE(Main().ListViewer(), nullptr);
  EXPECT_TRUE(Main().ListViewer()->isVisible());
  SaveScreenshot(*Main().ListViewer(), QStringLiteral("commands/plot_sections"));
  std::vector<UString> rows = ViewerRows();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows.back(), total);
  EXPECT_TRUE(rows.front().starts_with(u"Section 1\t")) << Utf16ToUtf8(rows.front());
  TurnTo("Filenames");
  Main().Menus()->ActionOfTag(37)->trigger();
  DeliverPendingEvents();
  EXPECT_EQ(ViewerRows(), (std::vector<UString>{u"river\t" + IntToUStr(lines) + u"\t100.00%", total}));
}

// The list viewer's right-click Print writes the report, titled, into the PDF file named when
// no printer is installed.
TEST_F(PopupMenuTest, TheReportViewerPrintsItsRows) {
  TScriptedFileDialogs files;
  const UString pdf = dir.Path() + u"sections.pdf";
  files.answers.push_back(pdf);
  Main().SetFileDialogs(&files);
  TurnTo("Plot");
  Main().Menus()->ActionOfTag(37)->trigger();
  DeliverPendingEvents();
  auto* viewer = qobject_cast<TFormLemmaShower*>(Main().ListViewer());
  ASSERT_NE(viewer, nullptr);
  QAction* print = nullptr;
  for (QAction* a : viewer->Grid()->actions())
    if (a->text() == QStringLiteral("Print")) print = a;
  ASSERT_NE(print, nullptr);
  print->trigger();
  EXPECT_EQ(files.save_requests, 1);
  EXPECT_GE(PdfPageCount(ToQString(pdf)), 1);
  viewer->hide();
}

// The main window's own controls take the keyboard and control set-up every form of the program
// takes: its labels draw on the window's background.
TEST_F(PopupMenuTest, TheMainWindowsControlsAreSetUpAsEveryFormsAre) {
  const QList<QLabel*> labels = Main().findChildren<QLabel*>();
  ASSERT_FALSE(labels.isEmpty());
  for (QLabel* label : labels)
    if (label->window() == &Main()) {
      EXPECT_TRUE(label->testAttribute(Qt::WA_TranslucentBackground));
    }
}

// The window's size saved with a concordance comes back when the concordance is opened.
TEST_F(PopupMenuTest, WindowSizeSavedWithTheDocumentIsRestoredOnOpening) {
  Main().resize(900, 520);
  DeliverPendingEvents();
  const QSize client = Main().centralWidget()->size();
  const UString name = dir.Path() + u"sized.cnc";
  ASSERT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), name));
  Start({name});
  ASSERT_TRUE(WaitUntil([this] { return Main().HasData(); }));
  // The width cannot go below what the tool bar needs; the height is the saved one.
  EXPECT_EQ(Main().centralWidget()->height(), client.height());
  EXPECT_GE(Main().centralWidget()->width(), client.width());
}

}  // namespace
