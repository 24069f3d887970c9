// The source-text page on a real concordance: a line's text with its hit marked (also for a
// right-to-left language), the same text not read twice, Source text (40) on the page, the space
// bar on the concordance grid, a missing or changed text; the typing box on a found row.
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTextDocument>
#include <fstream>

#include "model/reading/tag_lists.h"
#include "concordance/lines/line_records.h"
#include "windows/tag_colour_chooser.h"

#include "window/result_pages_support.h"

using namespace result_pages;

namespace {

class SourceTextPage : public ResultPagesTest {
 protected:
  // The concordance row (from 1) of the first line of the named text.
  int RowOfText(const UString& name) {
    for (int i = 0; i < Lines().Count(); ++i)
      if (Lines().SourceFileName(Lines().Line(i)->Data().filename_num_original) == name) return i + 1;
    return -1;
  }
  bool SourcePageShown() {
    QWidget* page = Main().Pages()->Tabs()->currentWidget();
    return page && Main().SourceTextPage() && (page == Main().SourceTextPage() || page->isAncestorOf(Main().SourceTextPage()));
  }
  void DoubleClickLine(int row) {
    TurnToType(kListConcordance);
    SelectRow(Grid(), row, 1);
    Main().DDblClickCell(&Grid(), row);
    DeliverPendingEvents();
  }
};

}  // namespace

TEST_F(SourceTextPage, ADoubleClickedLineShowsItsTextWithTheHitMarked) {
  const UString text = corpus->folder + u"hallam_mill.txt";  // Windows-1252
  const int row = RowOfText(text);
  ASSERT_GT(row, 0);
  DoubleClickLine(row);
  ASSERT_TRUE(SourcePageShown());
  TSourceTextRichEdit& viewer = *Main().SourceTextPage();
  EXPECT_EQ(Main().ShownSourceLine().full_name, text);
  const TTextSpan hit = viewer.ShownHit();
  ASSERT_GE(hit.start, 0);
  const UString there = viewer.ShownText().substr(static_cast<size_t>(hit.start), static_cast<size_t>(hit.length));
  EXPECT_EQ(UpperCaseU(there), UpperCaseU(Main().ShownSourceLine().hit_text));
  EXPECT_NE(viewer.ShownText().find(u"\u00A3"), UString::npos);  // decoded as the reader decodes it
  // The cursor stands on the hit and panel 1 counts the highlighted words.
  EXPECT_EQ(viewer.textCursor().position(), hit.start);
  EXPECT_TRUE(Main().Status()->PanelText(kPanelRow).contains(QString::number(viewer.HighlightCount())));
  EXPECT_GT(viewer.HighlightCount(), 0);
  SaveShot(Main(), QStringLiteral("source_text_page"));

  // Another line of the same text: no second read; the mark moves.
  const int reads = Main().SourceTextReads();
  int other = -1;
  for (int i = row; i < Lines().Count() && other < 0; ++i)
    if (Lines().SourceFileName(Lines().Line(i)->Data().filename_num_original) == text) other = i + 1;
  ASSERT_GT(other, 0);
  DoubleClickLine(other);
  EXPECT_EQ(Main().SourceTextReads(), reads);
  EXPECT_NE(Main().SourceTextPage()->ShownHit().start, hit.start);

  // Source text (40) on the page shows the text of the hit on display, read no more.
  Fire(40);
  EXPECT_TRUE(SourcePageShown());
  EXPECT_EQ(Main().SourceTextReads(), reads);
}

TEST_F(SourceTextPage, ARightToLeftLanguageIsShownRightJustified) {
  TTextsett_rec32 settings = GetTextSettings();
  settings.SetLCID(0x0401);  // Arabic
  SetTextSettings(settings);
  DoubleClickLine(1);
  ASSERT_TRUE(SourcePageShown());
  const QTextOption option = Main().SourceTextPage()->document()->defaultTextOption();
  EXPECT_TRUE(option.alignment() & Qt::AlignRight);
  EXPECT_EQ(option.textDirection(), Qt::RightToLeft);
  SaveShot(Main(), QStringLiteral("source_text_page_right_to_left"));
  settings.SetLCID(0x0409);
  SetTextSettings(settings);
  DoubleClickLine(2);
  EXPECT_TRUE(Main().SourceTextPage()->document()->defaultTextOption().alignment() & Qt::AlignLeft);
}

TEST_F(SourceTextPage, AMissingTextIsNamedAndThePageIsNotSwitched) {
  const UString text = corpus->folder + u"bridge_walk.txt";
  const int row = RowOfText(text);
  ASSERT_GT(row, 0);
  std::filesystem::remove(Utf16ToUtf8(text));
  dialogs.Clear();
  DoubleClickLine(row);
  EXPECT_TRUE(WasAsked(TVXDialog::SourceTextFileNotFound));
  EXPECT_NE(AllQuestionText().find(text), UString::npos);
  EXPECT_FALSE(SourcePageShown());
  EXPECT_EQ(ShownListType(), kListConcordance);
  EXPECT_FALSE(Main().ShownSourceLine().valid);
}

TEST_F(SourceTextPage, AChangedTextOpensAtItsTopAndSaysSo) {
  const UString text = corpus->folder + u"repeated.txt";
  const int row = RowOfText(text);
  ASSERT_GT(row, 0);
  // Same length, other words where the hits were.
  const auto size = std::filesystem::file_size(Utf16ToUtf8(text));
  std::ofstream(Utf16ToUtf8(text), std::ios::binary | std::ios::trunc) << std::string(size, 'x');
  DoubleClickLine(row);
  ASSERT_TRUE(SourcePageShown());
  EXPECT_LT(Main().SourceTextPage()->ShownHit().start, 0);
  EXPECT_EQ(Main().SourceTextPage()->textCursor().position(), 0);
  EXPECT_TRUE(StatusMessage().contains(QStringLiteral("changed")));
}

TEST_F(SourceTextPage, TheSpaceBarHidesTheSearchWordOnTheConcordanceGridOnly) {
  TurnToType(kListConcordance);
  SelectRow(Grid(), 1);
  Grid().setFocus();
  const bool before = Doc().fSettings.SearchWordHidden();
  QTest::keyClick(&Grid(), Qt::Key_Space);
  EXPECT_EQ(Doc().fSettings.SearchWordHidden(), !before);
  EXPECT_EQ(GetMenuItemChecked(181), !before);
  QTest::keyClick(&Grid(), Qt::Key_Space);
  EXPECT_EQ(Doc().fSettings.SearchWordHidden(), before);
  TVX_Grid* clusters = TurnToType(kListClusters);
  ASSERT_NE(clusters, nullptr);
  clusters->setFocus();
  QTest::keyClick(clusters, Qt::Key_Space);
  EXPECT_EQ(Doc().fSettings.SearchWordHidden(), before);
}

TEST_F(SourceTextPage, TypingFindsTheRowAndEnterGivesTheKeysBackToTheGrid) {
  TurnToType(kListConcordance);
  Lines().Set1Sort(0, kConcSortSearchWord);
  SelectRow(Grid(), Lines().Count());
  QComboBox* box = Main().TypingBox();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(Main().ToolbarPanel()->isVisible());
  // The first line whose search word begins with "ba".
  int expected = -1;
  for (int i = 0; i < Lines().Count() && expected < 0; ++i)
    if (UpperCaseU(Lines().WordAtSpan(*Lines().Line(i), kSpanCentre)).rfind(u"BA", 0) == 0) expected = i + 1;
  ASSERT_GT(expected, 0);
  ASSERT_NE(expected, Lines().Count());
  box->setFocus();
  QTest::keyClicks(box, QStringLiteral("ba"));
  EXPECT_EQ(Grid().CurrentRow(), expected);
  SaveShot(Main(), QStringLiteral("typing_box_found_row"));
  SetMenuItemChecked(81, true);
  QTest::keyClick(box->lineEdit(), Qt::Key_Return);
  EXPECT_TRUE(Main().ToolbarPanel()->isVisible());  // the main toolbar is kept
  EXPECT_TRUE(Grid().hasFocus());
  // The case box: "BA" in capitals finds nothing when case counts (the words are lower case).
  box->clearEditText();
  SelectRow(Grid(), 1);
  Main().CaseBox()->setChecked(true);
  box->setEditText(QStringLiteral("BANK"));
  EXPECT_EQ(Grid().CurrentRow(), 1);
}

TEST_F(SourceTextPage, TheHitIsDrawnOverTheHighlightOfItsWord) {
  DoubleClickLine(1);
  ASSERT_TRUE(SourcePageShown());
  TSourceTextRichEdit& viewer = *Main().SourceTextPage();
  DeliverPendingEvents();
  const TTextSpan hit = viewer.ShownHit();
  ASSERT_GE(hit.start, 0);
  QTextCursor at(viewer.document());
  at.setPosition(static_cast<int>(hit.start));
  const QRect first = viewer.cursorRect(at);
  at.setPosition(static_cast<int>(hit.End()));
  const QRect last = viewer.cursorRect(at);
  const QImage shot = viewer.viewport()->grab().toImage();
  int blue = 0;
  for (int x = first.left() + 1; x < last.left(); ++x) {
    const QColor c = shot.pixelColor(x, first.center().y());
    blue += (c.blue() > 120 && c.red() < 80) ? 1 : 0;
  }
  EXPECT_GT(blue, (last.left() - first.left()) / 3);  // the hit's dark blue, not the highlight's yellow
}

TEST_F(SourceTextPage, ChangedTextSettingsSizeTheTagChoosersList) {
  // A coloured tag of the document for the chooser to show.
  std::vector<TVisibleTagRec>& tags = Main().Doc()->fArrayOfSavedTags;
  tags.resize(1);
  tags[0].tag = u"<p>";
  tags[0].foreground_colour = 0x0000FF;
  tags[0].background_colour = DefaultTagBackgroundColour();
  Fire(77);
  auto* chooser = qobject_cast<TFormTagColourChooser*>(Main().TagColourChooser());
  ASSERT_NE(chooser, nullptr);
  ASSERT_TRUE(chooser->isVisible());
  TTextsett_rec32 settings = GetTextSettings();
  Tfixed_lang_details32 language = settings.Language();
  language.SetFontSize(20);
  settings.SetLanguage(language);
  SetTextSettings(settings);
  const int before = chooser->ItemHeight();
  Main().ApplyTextSettings(233);
  EXPECT_GT(chooser->ItemHeight(), before);
  chooser->hide();
}

namespace {

class OneTextConcordance : public MainRoadTest {};

}  // namespace

TEST_F(OneTextConcordance, OneTextAndOneSearchWordArePlottedWithoutAsking) {
  Start();
  HandOverTexts({Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/river_spring.txt"});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  Main().Pages()->Tabs()->setCurrentIndex(0);
  Main().Doc()->fComputed[4] = 0;
  bool asked = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      asked = true;
      d->reject();
    }
  });
  watch.start(5);
  Main().HandleMenuCommand(39, u"");
  DeliverPendingEvents();
  EXPECT_FALSE(asked);
  EXPECT_EQ(Main().Doc()->fComputed[4], 1);
}

TEST_F(OneTextConcordance, MovingPastALinesStoredContextReadsItAgainFromItsText) {
  // Lines of 100 characters keep about 50 each side of the hit: less than the column shows once
  // the search word moves.
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetCharactersPerLine(100);
  SetConcSaveRec(rec);
  Start();
  HandOverTexts({Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/river_spring.txt"});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  TConcordanceList& lines = *Main().Doc()->fConcordanceList;
  TVX_Grid& grid = *Main().ConcordanceGrid();
  Main().Pages()->Tabs()->setCurrentIndex(0);
  grid.setColumnWidth(0, 900);
  DeliverPendingEvents();
  const int32_t stored = lines.Line(0)->Data().conc_line_chars;
  ASSERT_LT(stored, 200);
  for (int step = 0; step < 4; ++step) Main().HandleMenuCommand(183, u"");
  DeliverPendingEvents();
  EXPECT_GT(lines.Line(0)->Data().conc_line_chars, stored);
  EXPECT_EQ(lines.last_filename_to_reread, Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/river_spring.txt");
  // The line as shown still has its hit in the middle of the column.
  const TGrid_data_rec& cell = grid.Model().CellAt(grid.Model().index(0, 0));
  EXPECT_EQ(UpperCaseU(cell.text.substr(static_cast<size_t>(cell.centre_start), 5)), u"RIVER");
}

TEST_F(SourceTextPage, TheSharedCommandsWorkOnTheSourceTextPageToo) {
  DoubleClickLine(1);
  ASSERT_TRUE(SourcePageShown());
  // The settings commands and About reach the controller (whose windows are closed as they come),
  // Help opens the page's help.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  closer.start(5);
  const std::pair<int, uint16_t> posted[] = {{60, 1260}, {64, 1790}, {66, 66}, {69, 1240},
                                             {71, 4440}, {72, 72}, {145, 951}};
  for (const auto& [tag, code] : posted) {
    SCOPED_TRACE(tag);
    Fire(tag);
    EXPECT_TRUE(CodeSent(code));
    EXPECT_TRUE(SourcePageShown());
  }
  Fire(144);
  EXPECT_NE(Main().LastHelpContext(), 0);
  // The status bar item hides and shows the bar.
  QAction* bar = Main().Menus()->ActionOfTag(80);
  ASSERT_NE(bar, nullptr);
  const bool shown = Main().Status()->isVisible();
  bar->setChecked(!shown);
  Fire(80);
  EXPECT_EQ(Main().Status()->isVisible(), !shown);
  bar->setChecked(shown);
  Fire(80);
  EXPECT_EQ(Main().Status()->isVisible(), shown);
  // Plain Text saves the text on show, without its marks.
  const UString saved = dir.Path() + u"source_page.txt";
  file_dialogs.answers.push_back(saved);
  dialogs.Clear();
  Fire(2);
  EXPECT_TRUE(WasAsked(TVXDialog::SavedOK));
  ASSERT_TRUE(std::filesystem::exists(Utf16ToUtf8(saved)));
  EXPECT_GE(std::filesystem::file_size(Utf16ToUtf8(saved)),
            static_cast<uintmax_t>(Main().SourceTextPage()->toPlainText().size()));
}

TEST_F(OneTextConcordance, TheHitStandsInTheMiddleOfTheSourceTextPage) {
  // A text of many lines with its one hit half-way down: the view must scroll to it.
  std::string text;
  for (int i = 0; i < 300; ++i) text += i == 150 ? "The boat came down the river at noon.\n" : "Grey clouds over the quay.\n";
  const UString name = dir.Write(u"long_text.txt", text);
  Start();
  HandOverTexts({name});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  Main().resize(1000, 700);
  Main().Pages()->Tabs()->setCurrentIndex(0);
  TVX_Grid& grid = *Main().ConcordanceGrid();
  grid.SelectCell(1, 1);
  Main().DDblClickCell(&grid, 1);
  DeliverPendingEvents();
  TSourceTextRichEdit& viewer = *Main().SourceTextPage();
  ASSERT_GE(viewer.ShownHit().start, 0);
  ASSERT_GT(viewer.verticalScrollBar()->value(), 0);
  const int middle = viewer.viewport()->height() / 2;
  const QRect at = viewer.cursorRect();
  EXPECT_LE(std::abs(at.center().y() - middle), at.height()) << "hit at " << at.center().y() << " of "
                                                             << viewer.viewport()->height();
}
