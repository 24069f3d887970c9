// What the concordancer's window adds to the display: its own menu check marks, the toolbar's
// close button, stepping through plot hits from the status bar, the grids' wrapped hints and text
// output, and the wizard's Edit button for a search-word file.
#include <QApplication>
#include <fstream>
#include <iterator>
#include <QClipboard>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>

#include "concordance/views/plot_list.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/files/saved_texts.h"
#include "shell/qt/main_window_grid_tweaks.h"
#include "shell/qt/page_list.h"
#include "shell/qt/shell_menu_bar.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"

namespace {

TEST(HintLines, WrapAtBlanksAndCutLongWordsWhole) {
  auto units = [](UStringView s) { return static_cast<int>(s.size()); };
  struct Case {
    const char* name;
    UString text;
    int width;
    std::vector<UString> want;
  } cases[] = {
      {"empty", u"", 5, {}},
      {"fits", u"a b", 3, {u"a b"}},
      {"breaks at the blank", u"a b c", 3, {u"a b", u"c"}},
      {"blanks around go", u"  lead   trail ", 10, {u"lead trail"}},
      {"a long word is cut", u"abcdefgh", 3, {u"abc", u"def", u"gh"}},
      {"a pair stays whole", u"a\U0001D11Eb", 2, {u"a", u"\U0001D11E", u"b"}},
      {"narrower than one character", u"ab", 0, {u"a", u"b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(WrapHintLines(c.text, c.width, units), c.want) << c.name;
}

TEST(TextOutputTweaks, PlotPatternsAndGrouping) {
  struct Group {
    int64_t n;
    const char16_t* want;
  } groups[] = {{0, u"0"}, {999, u"999"}, {1000, u"1,000"}, {1234567, u"1,234,567"}, {-1234, u"-1,234"},
                {INT64_MIN, u"-9,223,372,036,854,775,808"}};
  for (const Group& g : groups) EXPECT_EQ(GroupedThousands(g.n), g.want) << g.n;

  TGrid_data_rec plot;
  plot.col = 6;
  plot.row = 2;
  for (const TV2GeneralPlotDataRec& hit : {TV2GeneralPlotDataRec{12, u"the river"}, {40, u""}, {3000, u"river bank"}})
    plot.plot_hits.Add(hit);
  TGrid_data_rec drawn = plot;
  TweakPlotCell(drawn, false);
  EXPECT_FALSE(drawn.has_text);  // a drawn plot keeps its marks only
  TweakPlotCell(plot, true);
  EXPECT_TRUE(plot.has_text);
  EXPECT_EQ(plot.text, u"12 (the river); 40; 3000 (river bank)");
  TGrid_data_rec other_column = plot;
  other_column.col = 5;
  other_column.text = u"x";
  TweakPlotCell(other_column, true);
  EXPECT_EQ(other_column.text, u"x");

  struct Pattern {
    const char* name;
    int col, row;
    bool text_output;
    const char16_t* want;
  } patterns[] = {
      {"text output", 3, 1, true, u"RIVER Frequency: 12,345"},
      {"drawn", 3, 1, false, u"RIVER"},
      {"row numbers", 0, 1, true, u"RIVER"},
      {"headings", 3, 0, true, u"RIVER"},
  };
  for (const Pattern& c : patterns) {
    TGrid_data_rec cell;
    cell.col = c.col;
    cell.row = c.row;
    cell.has_text = true;
    cell.text = u"RIVER";
    cell.has_number = true;
    cell.number.value = 12345;
    TweakPatternsCell(cell, c.text_output);
    EXPECT_EQ(cell.text, c.want) << c.name;
  }
}

class MainRoadDisplay : public MainRoadTest {
 protected:
  void ShowRiver() {
    ShowSampleRiverLines();
    ASSERT_NE(Main().Doc(), nullptr);
    dialogs.Clear();
  }
  // Turns to the plot page; answers its list (nullptr when there is none or it is empty).
  TConcPlotList* TurnToPlot(int& tab) {
    tab = TabOf("Plot");
    if (tab < 0) return nullptr;
    Main().Pages()->Tabs()->setCurrentIndex(tab);
    auto* plot = dynamic_cast<TConcPlotList*>(Main().Doc()->fConcPlotList.get());
    return plot && plot->Count() > 0 ? plot : nullptr;
  }
  int TabOf(const char* caption) {
    QTabWidget* tabs = Main().Pages()->Tabs();
    for (int t = 0; t < tabs->count(); ++t)
      if (tabs->tabText(t) == QString::fromLatin1(caption)) return t;
    return -1;
  }
};

TEST_F(MainRoadDisplay, OwnMenuItemsFollowTheirStoredChecks) {
  ShowRiver();
  const int tags[] = {81, 112, 101, 181, 87, 77, 100, 117, 118, 119, 120, 121};
  for (bool on : {true, false}) {
    for (int tag : tags) SetMenuItemChecked(tag, on);
    Main().SetMenuChecks();
    for (int tag : tags) {
      QAction* a = Main().Menus()->ActionOfTag(tag);
      ASSERT_NE(a, nullptr) << tag;
      EXPECT_EQ(a->isChecked(), on) << "tag " << tag;
    }
    EXPECT_EQ(Main().ToolbarPanel()->isVisible(), on);
  }
}

TEST_F(MainRoadDisplay, ToolbarCloseButtonHidesTheToolbarForGood) {
  ShowRiver();
  SetMenuItemChecked(81, true);
  Main().SetMenuChecks();
  ASSERT_TRUE(Main().ToolbarPanel()->isVisible());
  QToolButton* close = Main().ToolbarCloseButton();
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->parentWidget(), Main().ToolbarPanel());
  close->click();
  EXPECT_FALSE(Main().ToolbarPanel()->isVisible());
  EXPECT_FALSE(GetMenuItemChecked(81));
  EXPECT_FALSE(Main().Menus()->ActionOfTag(81)->isChecked());
  Main().SetMenuChecks();  // the store keeps it hidden
  EXPECT_FALSE(Main().ToolbarPanel()->isVisible());
}

TEST_F(MainRoadDisplay, PanelsSixAndSevenStepThroughPlotHits) {
  Start();
  EXPECT_FALSE(Main().StatusPanelClick(7));  // no document
  ShowRiver();
  EXPECT_FALSE(Main().StatusPanelClick(7));  // the concordance page
  int plot_tab = -1;
  TConcPlotList* plot = TurnToPlot(plot_tab);
  ASSERT_NE(plot, nullptr);
  EXPECT_FALSE(Main().StatusPanelClick(5));  // other panels do nothing
  TVX_Grid* grid = Main().Pages()->GridOfTab(plot_tab);
  ASSERT_NE(grid, nullptr);
  const int shift = plot->show_overall ? 1 : 0;
  // From the start, "next" twice goes to the first row's second hit (or the next row's first).
  ASSERT_TRUE(Main().StatusPanelClick(7));
  const int32_t first_row = plot->current_plot_row, first_index = plot->current_plot_index;
  TV2GeneralPlotDataRec hit;
  ASSERT_TRUE(plot->Row(first_row - 1)->plots.GetAPlot(first_index, hit));
  EXPECT_EQ(grid->CurrentRow(), first_row + shift);
  EXPECT_EQ(Main().Status()->PanelText(10),
            QStringLiteral("Hit %1 (%2): %3").arg(first_row).arg(hit.position).arg(ToQString(hit.context)));
  ASSERT_TRUE(Main().StatusPanelClick(7));
  const int32_t second_row = plot->current_plot_row, second_index = plot->current_plot_index;
  EXPECT_TRUE(second_row > first_row || second_index == first_index + 1);
  // "Previous" comes back to the first.
  ASSERT_TRUE(Main().StatusPanelClick(6));
  EXPECT_EQ(plot->current_plot_row, first_row);
  EXPECT_EQ(plot->current_plot_index, first_index);
  EXPECT_EQ(grid->CurrentRow(), first_row + shift);
}

TEST_F(MainRoadDisplay, GridHintShowsTheWholeCellWrappedAndWarnsOnceOfHiddenData) {
  ShowRiver();
  TVX_Grid* grid = Main().ConcordanceGrid();
  ASSERT_NE(grid, nullptr);
  grid->setColumnWidth(0, 80);
  const QRect cell = grid->visualRect(grid->Model().index(0, 0));
  for (int i = 0; i < 2; ++i) {
    QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
    QCoreApplication::sendEvent(grid->viewport(), &help);
  }
  const QString hint = QToolTip::text();
  ASSERT_FALSE(hint.isEmpty());
  EXPECT_TRUE(hint.contains(u'\n'));
  for (const QString& line : hint.split(u'\n')) {
    if (line.size() <= 1) continue;  // a character wider than the cell stands alone
    EXPECT_LE(grid->fontMetrics().horizontalAdvance(line), cell.width() + 10) << line.toStdString();
  }
  int warnings = 0;
  for (TVXDialog id : Asked())
    if (id == TVXDialog::DataPartlyObscured) ++warnings;
  EXPECT_EQ(warnings, 1);
}

TEST_F(MainRoadDisplay, CopiedPlotRowsGiveTheirHitsAndThePlotFollowsTheMouse) {
  ShowRiver();
  int plot_tab = -1;
  TConcPlotList* plot = TurnToPlot(plot_tab);
  ASSERT_NE(plot, nullptr);
  TVX_Grid* grid = Main().Pages()->GridOfTab(plot_tab);
  const int shift = plot->show_overall ? 1 : 0;
  const TConcordancePlotEntry* first = plot->Row(0);
  ASSERT_GT(first->plots.Count(), 0);

  // Copying is text output: the plot column holds the positions; painting afterwards does not.
  grid->setCurrentIndex(grid->Model().index(shift, 0));
  QApplication::clipboard()->clear();
  AnswerNextModal(true);  // the clipboard format dialog
  Main().HandleMenuCommand(22, u"");
  ASSERT_TRUE(WaitUntil([] { return !QApplication::clipboard()->text().isEmpty(); }));
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.contains(QString::number(first->plots.Plots()[0].position))) << copied.toStdString();
  EXPECT_FALSE(grid->Model().CellAt(grid->Model().index(shift, 5)).has_text);
  EXPECT_FALSE(Main().TextOutput());

  // Selecting a row makes it the plot's current row: the next step starts at its first hit.
  grid->setCurrentIndex(grid->Model().index(shift, 1));
  EXPECT_EQ(plot->current_plot_row, 1);

  // The mouse over the first hit of the row names it, once the plot keeps contexts.
  grid->setColumnWidth(5, 800);
  const QRect cell = grid->visualRect(grid->Model().index(shift, 5));
  const int32_t words = first->rec.words_in_file;
  ASSERT_GT(words, 0);
  const int32_t position = first->plots.Plots()[0].position;
  const QPoint at(cell.left() + static_cast<int>(int64_t{position} * cell.width() / words), cell.center().y());
  Main().Status()->SetPanelText(10, u"");
  plot->plot_settings[1] = 0;
  Main().PlotGridMouseMove(grid, at);
  EXPECT_TRUE(Main().Status()->PanelText(10).isEmpty());
  plot->plot_settings[1] = 1;
  Main().PlotGridMouseMove(grid, at);
  EXPECT_TRUE(Main().Status()->PanelText(10).startsWith(QStringLiteral("Hit 1 (%1)").arg(position)))
      << Main().Status()->PanelText(10).toStdString();
}

class TRecordingLauncher : public TFileLauncher {
 public:
  bool ShowFile(UStringView) override { return true; }
  bool EditFile(UStringView name) override {
    edited.emplace_back(name);
    return works;
  }
  std::vector<UString> edited;
  bool works = true;
};

TEST_F(MainRoadDisplay, WizardEditButtonOpensTheSearchWordFileInAnEditor) {
  Start();
  TRecordingLauncher editor;
  Wizard().SetFileLauncher(&editor);
  TempFolder user;
  SetUserReadWriteFolder(user.Path());
  const UString existing = user.Write(u"words.txt", "river\nbridge\n");
  struct Case {
    const char* name;
    UString typed;
    bool editor_works;
    UString edited;  // empty: no editor called
    bool says_so;
  } cases[] = {
      {"empty box", u"  ", true, u"", true},
      {"a full name", existing, true, existing, false},
      {"a bare name lies in the user's folder and is made", u"new_words.txt", true,
       IncludeTrailingPathDelimiter(user.Path()) + u"new_words.txt", false},
      {"no editor", existing, false, existing, true},
  };
  for (const Case& c : cases) {
    editor.edited.clear();
    editor.works = c.editor_works;
    dialogs.Clear();
    Wizard().FileNameBox()->setText(ToQString(c.typed));
    Wizard().EditButton()->click();
    if (c.edited.empty()) {
      EXPECT_TRUE(editor.edited.empty()) << c.name;
    } else {
      ASSERT_EQ(editor.edited.size(), 1u) << c.name;
      EXPECT_EQ(editor.edited[0], c.edited) << c.name;
      EXPECT_TRUE(FileExists(c.edited)) << c.name;
      EXPECT_EQ(Wizard().FileNameBox()->text(), ToQString(c.edited)) << c.name;
    }
    EXPECT_EQ(WasAsked(TVXDialog::InformationMessage), c.says_so) << c.name;
  }
  // The file that was there is not touched.
  std::ifstream in(ToFsPath(existing), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "river\nbridge\n");
}

TEST_F(MainRoadDisplay, WizardLoadOfAMissingSearchWordFileNamesIt) {
  Start();
  dialogs.Clear();
  Wizard().FileNameBox()->setText(QStringLiteral("/no/such/folder/words.txt"));
  Wizard().LoadButton()->click();
  EXPECT_TRUE(WasAsked(TVXDialog::FailedToFind));
  EXPECT_EQ(Wizard().LoadButton()->text(), QStringLiteral("Load"));
}

}  // namespace
