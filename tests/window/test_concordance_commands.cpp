// The concordancer's menu handler and window messages on a real concordance: each tag fired
// through the handler, its effect on the lines, the document's settings or the store checked.
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QTabWidget>
#include <cstring>

#include "platform/settings/window_registry.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/main_window_grid_tweaks.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/page_list.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/window_messages.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "platform/text/text_services.h"
#include "concordance/commands/collocate_highlight.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "windows/general_input_dialog.h"
#include "windows/lemma_forms_window.h"
#include "windows/tag_colour_chooser.h"
#include <QListWidget>
#include "shell/qt/vx_status_bar.h"
#include "windows/plot_view.h"

namespace {

class ConcordanceCommands : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    ShowSampleRiverLines();
    // A second instance (New with a document) is only counted, never started.
    windows->controller->SetStartSecondInstance([this] { ++instances_started; });
    ASSERT_NE(Main().Doc(), nullptr);
    ASSERT_GT(Lines().Count(), 3);
    Main().Pages()->Tabs()->setCurrentIndex(0);
    // Delete is left to the grid only while the main window is the active one.
    Wizard().hide();
    Main().activateWindow();
    WaitUntil([this] { return Main().MainFormIsActive(); });
  }
  TConcordanceList& Lines() { return *Main().Doc()->fConcordanceList; }
  TVX_Grid& Grid() { return *Main().ConcordanceGrid(); }
  void SelectRow(int row) { Grid().setCurrentIndex(Grid().Model().index(row - 1, 0)); }
  // Fires the tag and lets the posted grid message arrive.
  void Fire(int tag) {
    Main().HandleMenuCommand(tag, u"");
    DeliverPendingEvents();
  }
  int instances_started = 0;
  const std::vector<uint16_t>& Codes() { return windows->controller->CodesReceived(); }
  bool CodeSent(uint16_t code) { return std::find(Codes().begin(), Codes().end(), code) != Codes().end(); }
};

TEST_F(ConcordanceCommands, ListCommandsReachTheLinesThroughTheGrid) {
  struct TCase {
    int tag;
    int row;
    std::function<bool(TConcordanceList&)> effect;
    const char* what;
  };
  const TCase cases[] = {
      {12, 2, [](TConcordanceList& l) { return l.GetDeleted(1); }, "Delete marks the current line deleted"},
      {14, 2, [](TConcordanceList& l) { return !l.GetDeleted(1); }, "Restore takes the mark off"},
      {13, 3, [](TConcordanceList& l) { return !l.GetDeleted(1) && l.GetDeleted(2) && l.GetDeleted(l.Count() - 1); },
       "Delete to end marks from the current line to the last"},
      {15, 3, [](TConcordanceList& l) { return !l.GetDeleted(2) && !l.GetDeleted(l.Count() - 1); },
       "Restore to end takes them all back"},
      {18, 1, [](TConcordanceList& l) { return l.GetMatched(0); }, "Mark"},
      {167, 1, [](TConcordanceList& l) { return !l.GetMatched(0); }, "Unmark"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    SelectRow(c.row);
    Fire(c.tag);
    EXPECT_TRUE(c.effect(Lines()));
  }
}

TEST_F(ConcordanceCommands, WindowCommandsChangeTheDocumentAndTheStore) {
  T_WholeLinzoraHolder& doc = *Main().Doc();
  struct TCase {
    int tag;
    std::function<uint8_t()> read;
    uint8_t bit;
  };
  const TCase cases[] = {
      {101, [&] { return doc.fSettings.DisplayOptions(); }, 1u << 3},
      {112, [&] { return doc.fSettings.DisplayOptions(); }, 1u << 4},
      {138, [&] { return doc.fSettings.ColouringOptions(); }, 1u << 0},
      {165, [&] { return doc.fSettings.ColouringOptions(); }, 1u << 1},
      {117, [&] { return doc.fSettings.HideOptions(); }, 1u << 0},
      {121, [&] { return doc.fSettings.HideOptions(); }, 1u << 4},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.tag);
    const uint8_t before = c.read();
    Fire(c.tag);
    EXPECT_EQ(c.read(), before ^ c.bit);
    EXPECT_EQ(GetMenuItemChecked(c.tag), (c.read() & c.bit) != 0);
    Fire(c.tag);
    EXPECT_EQ(c.read(), before);
  }
  // Typing mode items.
  for (int mode : {2, 1, 0}) {
    Fire(176 + mode);
    EXPECT_TRUE(GetMenuItemChecked(176 + mode));
  }
  // Per million: the number display is stored and the grid is told too.
  Fire(107);
  EXPECT_EQ(GetDisplayWordsPerMillion(), NumberDisplayOfTag(107));
  Fire(108);
  EXPECT_EQ(GetDisplayWordsPerMillion(), 0);
  // New with a document asks the controller for another instance and leaves this one alone.
  Fire(8);
  EXPECT_TRUE(CodeSent(4602));
  EXPECT_EQ(instances_started, 1);
  EXPECT_NE(Main().Doc(), nullptr);
}

TEST_F(ConcordanceCommands, MovingTheSearchWordShiftsTheLinesAndToCentreBringsItBack) {
  auto centre_of_first_line = [this] { return Grid().Model().CellAt(Grid().Model().index(0, 0)).centre_start; };
  const int32_t centred = centre_of_first_line();
  ASSERT_GT(centred, 3 * TFormLinzora::kConcDisplacementStep);
  // Left, left, right: one step to the left in all.
  for (int tag : {182, 182, 183}) Fire(tag);
  EXPECT_EQ(Main().ConcDisplacement(), -1);
  EXPECT_EQ(centre_of_first_line(), centred - TFormLinzora::kConcDisplacementStep);
  Fire(183);
  Fire(183);
  EXPECT_EQ(centre_of_first_line(), centred + TFormLinzora::kConcDisplacementStep);
  Fire(197);
  EXPECT_EQ(Main().ConcDisplacement(), 0);
  EXPECT_EQ(centre_of_first_line(), centred);
}

TEST(CentreConcordanceCell, ShiftTakesContextFromOneSideAndGivesItToTheOther) {
  // "abcdefghij" with the hit "ef" at 4; two characters each side.
  struct TCase {
    int shift;
    const char16_t* text;
    int32_t centre;
  } cases[] = {
      {0, u"cdefgh", 2},
      {-1, u"defghi", 1},
      {-2, u"efghij", 0},
      {-5, u"efghij", 0},  // no context before, the after side ends with the line
      {1, u"bcdefg", 3},
      {6, u"    abcdef", 8},  // blanks make up what the line lacks before the hit
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.shift);
    TGrid_data_rec cell;
    cell.has_text = true;
    cell.text = u"abcdefghij";
    cell.centre_start = 4;
    cell.centre_length = 2;
    CentreConcordanceCell(cell, 2, c.shift);
    EXPECT_EQ(cell.text, UString(c.text));
    EXPECT_EQ(cell.centre_start, c.centre);
  }
}

TEST_F(ConcordanceCommands, CopyGoesThroughTheFormatDialogAndCancelCopiesNothing) {
  SelectRow(1);
  QApplication::clipboard()->clear();
  AnswerNextModal(false);
  Fire(22);
  DeliverPendingEvents();
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
  AnswerNextModal(true);
  Fire(22);
  ASSERT_TRUE(WaitUntil([] { return !QApplication::clipboard()->text().isEmpty(); }));
  EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("river")));
}

TEST_F(ConcordanceCommands, ClusterSettingsCancelChangesNothingOkRecomputes) {
  T_WholeLinzoraHolder& doc = *Main().Doc();
  const TConcSettingsRec32 before = doc.fSettings;
  AnswerNextModal(false);
  Fire(42);
  DeliverPendingEvents();
  EXPECT_EQ(std::memcmp(&before, &doc.fSettings, sizeof before), 0);
  doc.fComputed[1] = 0;
  AnswerNextModal(true);
  Fire(42);
  ASSERT_TRUE(WaitUntil([&] { return doc.fComputed[1] != 0; }));
}

TEST_F(ConcordanceCommands, UnknownCodesAndHeadersChangeNothing) {
  const int count = Lines().Count();
  PostWindowMessage(&Grid(), kMsgGridCommand, 5000 + 231, 0);
  PostWindowMessage(&Grid(), kMsgGridCommand, 0xFFFFFFFFull, 0);
  Fire(-999);
  DeliverPendingEvents();
  EXPECT_EQ(Lines().Count(), count);
  for (int i = 0; i < count; ++i) EXPECT_FALSE(Lines().GetDeleted(i));
  EXPECT_NE(Main().Doc(), nullptr);
}

TEST_F(ConcordanceCommands, GrowAndShrinkStepTheLinesARowHoldsByTwoWithinTheirBounds) {
  // A grid starts with one line a row; Grow adds two lines while it holds fewer than ten (so 9
  // grows to 11 and stops there), Shrink takes two off while it holds more than two.
  EXPECT_EQ(Grid().PreferredLinesPerRow(), 1);
  const int one_line = Grid().rowHeight(0);
  const int grown[] = {3, 5, 7, 9, 11, 11};
  for (int lines : grown) {
    Fire(30);
    EXPECT_EQ(Grid().PreferredLinesPerRow(), lines);
  }
  EXPECT_GT(Grid().rowHeight(0), one_line * 5) << "eleven lines need a row far taller than one";
  const int shrunk[] = {9, 7, 5, 3, 1, 1};
  for (int lines : shrunk) {
    Fire(31);
    EXPECT_EQ(Grid().PreferredLinesPerRow(), lines);
  }
  EXPECT_EQ(Grid().rowHeight(0), one_line);
}

TEST_F(ConcordanceCommands, MessagesOfTheMainWindow) {
  T_WholeLinzoraHolder& doc = *Main().Doc();
  doc.fArrayOfSavedTags.resize(3);
  auto post = [&](uint32_t msg, uint64_t w, int64_t l) {
    PostWindowMessage(&Main(), msg, w, l);
    DeliverPendingEvents();
  };
  auto hidden = [&] {
    std::vector<int> v;
    for (const TVisibleTagRec& t : doc.fArrayOfSavedTags) v.push_back(t.hidden);
    return v;
  };
  post(0x140D, 0x7FFFFFFF, 0);
  EXPECT_EQ(hidden(), (std::vector<int>{1, 1, 1}));
  post(0x140D, 1, 1);
  EXPECT_EQ(hidden(), (std::vector<int>{1, 0, 1}));
  // An index beyond the tags (an unsigned 32-bit -1 too) only repaints.
  post(0x140D, 3, 1);
  post(0x140D, 0xFFFFFFFFull, 1);
  EXPECT_EQ(hidden(), (std::vector<int>{1, 0, 1}));
  post(0x140D, 0x7FFFFFFF, 1);
  EXPECT_EQ(hidden(), (std::vector<int>{0, 0, 0}));

  const size_t sent = Codes().size();
  post(0x7B9, 0, 0);
  post(0x7B9, 0x80000000ull, 0);
  post(0x55E, 7, 7);
  ASSERT_EQ(Codes().size(), sent + 2);
  EXPECT_EQ(Codes()[sent], 4600);
  EXPECT_EQ(Codes()[sent + 1], 4601);

  post(0x4E5, 0xABCD0000ull + 1234, 77);
  EXPECT_EQ(Codes().back(), 1234);
  EXPECT_EQ(GetActiveMainToolWindow(kToolConcordancer), WindowIdOf(&Main()));
  EXPECT_EQ(GetActiveChildToolWindow(kToolConcordancer), 77u);
}

TEST_F(ConcordanceCommands, PlotAndTimelinePagesArePaintedAndThePlotNamesTheHitUnderTheMouse) {
  TVX_Grid* timeline = TurnTo("Timeline");
  ASSERT_NE(timeline, nullptr);
  EXPECT_NE(dynamic_cast<TResultPlotDelegate*>(timeline->itemDelegateForColumn(5)), nullptr);
  TVX_Grid* grid = TurnTo("Plot");
  ASSERT_NE(grid, nullptr);
  EXPECT_NE(dynamic_cast<TResultPlotDelegate*>(grid->itemDelegateForColumn(5)), nullptr);
  auto* plot = dynamic_cast<TConcPlotList*>(Main().Doc()->fConcPlotList.get());
  ASSERT_TRUE(WaitUntil([&] { return plot && plot->Count() > 0; }));
  const int row = plot->show_overall ? 1 : 0;  // the first text's row
  const TConcordancePlotEntry* first = plot->Row(0);
  ASSERT_GT(first->plots.Count(), 0);
  // The columns before the plot are made narrow, so that the whole strip is on the page whatever
  // the list's font makes of their widths.
  for (int c = 0; c < 5; ++c) grid->setColumnWidth(c, 30);
  grid->setColumnWidth(5, 600);
  grid->clearSelection();
  const QModelIndex index = grid->Model().index(row, 5);
  const QRect cell = grid->visualRect(index);
  const QRect strip = cell.adjusted(1, 2, -1, -2);

  // Each hit's mark stands in the pixel column its position gives; a column without one is bare.
  const QImage page = grid->viewport()->grab().toImage();
  const TGrid_data_rec& data = grid->Model().CellAt(index);
  const std::vector<int> marks = PlotMarkColumns(data, strip.width());
  ASSERT_FALSE(marks.empty());
  const QColor mark = StoredPlotMarkColour();
  for (int x : marks) EXPECT_EQ(page.pixelColor(strip.left() + x, strip.center().y()), mark) << x;
  int bare = 0;
  while (std::find(marks.begin(), marks.end(), bare) != marks.end()) ++bare;
  EXPECT_NE(page.pixelColor(strip.left() + bare, strip.center().y()), mark);

  // The mouse over the first mark names its hit only while the plot keeps its hits' contexts.
  const int32_t position = first->plots.Plots()[0].position;
  const QPoint at(cell.left() + static_cast<int>(int64_t{position} * cell.width() / first->rec.words_in_file),
                  cell.center().y());
  auto move_to = [&](QPoint p) {
    QMouseEvent move(QEvent::MouseMove, QPointF(p), grid->viewport()->mapToGlobal(QPointF(p)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
  };
  Main().Status()->SetPanelText(kPanelMessage, u"");
  plot->plot_settings[1] = 0;
  move_to(at);
  EXPECT_TRUE(Main().Status()->PanelText(kPanelMessage).isEmpty());
  plot->plot_settings[1] = 1;
  move_to(at);
  EXPECT_TRUE(Main().Status()->PanelText(kPanelMessage).startsWith(QStringLiteral("Hit 1 (%1)").arg(position)))
      << Main().Status()->PanelText(kPanelMessage).toStdString();
}

TEST_F(ConcordanceCommands, RemoveDuplicatesMarksTheRepeatedLineOnly) {
  // A copy of the first line, added at the end.
  auto copy = Lines().NewLine();
  copy->SetText(UString(Lines().Line(0)->Text()));
  copy->Data() = Lines().Line(0)->Data();
  copy->SetUnitStats(Lines().Line(0)->UnitStats());
  for (int k = 0; k < kSpanFixedCount; ++k) copy->SetFixedWord(k, Lines().Line(0)->FixedWord(k));
  ASSERT_GE(Lines().Add(copy.release()), 0);
  Grid().ListChanged();
  const int count = Lines().Count();
  dialogs.Clear();
  dialogs.Script({mrOK, mrOK});
  Fire(86);
  int deleted = 0;
  for (int i = 0; i < count; ++i) deleted += Lines().GetDeleted(i) ? 1 : 0;
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(Lines().Count(), count);
  EXPECT_TRUE(WasAsked(TVXDialog::N_DuplicatesFound));
  // Run again: nothing more is found, and the count is still told.
  dialogs.Clear();
  dialogs.Script({mrOK, mrOK});
  Fire(86);
  deleted = 0;
  for (int i = 0; i < count; ++i) deleted += Lines().GetDeleted(i) ? 1 : 0;
  EXPECT_EQ(deleted, 1);
  EXPECT_TRUE(WasAsked(TVXDialog::N_DuplicatesFound));
}

TEST_F(ConcordanceCommands, CopyToSetColumnAsksFirstAndCancelCopiesNothing) {
  auto set_texts = [this] {
    std::vector<UString> v;
    for (int i = 0; i < Lines().Count(); ++i) v.emplace_back(Lines().Line(i)->SetText());
    return v;
  };
  const std::vector<UString> before = set_texts();
  dialogs.Script({mrCancel});
  Fire(154);
  EXPECT_EQ(set_texts(), before);
  dialogs.Script({mrOK});
  Fire(154);
  for (const UString& t : set_texts()) EXPECT_EQ(UpperCaseU(t), u"RIVER");
}

TEST_F(ConcordanceCommands, HidingATagKindTurnsTheButtonCaptionsOver) {
  Fire(100);
  EXPECT_EQ(Main().TagButtons().tag_file_tags.rfind(u"Show", 0), 0u);
  Fire(117);
  EXPECT_EQ(Main().TagButtons().undefined_tags.rfind(u"Show", 0), 0u);
  Fire(100);
  Fire(117);
  EXPECT_EQ(Main().TagButtons().tag_file_tags.rfind(u"Hide", 0), 0u);
  EXPECT_EQ(Main().TagButtons().undefined_tags.rfind(u"Hide", 0), 0u);
}

TEST_F(ConcordanceCommands, HighlightingACollocateSortsItsLinesFirstOnlyWhenShowIsChosen) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates && collocates->Count() > 0; }));
  // The total column, wherever the grid shows it.
  const int total = grid->Model().Source().ViewOfListColumn(16) + 1;
  grid->setCurrentIndex(grid->Model().index(0, total - 1));
  const UString word = UpperCaseU(collocates->Row(0)->rec.word.value_or(UString()));

  // Cancel at the choice: no highlight, the collocate page stays.
  const QWidget* page = Main().Pages()->Tabs()->currentWidget();
  AnswerNextModal(false);
  Fire(150);
  DeliverPendingEvents();
  EXPECT_FALSE(Lines().HighlightRec.active);
  EXPECT_EQ(Main().Pages()->Tabs()->currentWidget(), page);

  grid->setCurrentIndex(grid->Model().index(0, total - 1));
  AnswerNextModal(true, [](QDialog& d) { static_cast<TGeneralInputDlg&>(d).OptionButton(1)->click(); });
  Fire(150);
  ASSERT_TRUE(WaitUntil([&] { return Lines().HighlightRec.active; }));
  EXPECT_EQ(Lines().HighlightRec.colloc_w, word);
  EXPECT_TRUE(Lines().HighlightRec.all);
  EXPECT_EQ(Lines().SortLevel(0).key, 28);
  EXPECT_TRUE(Main().Pages()->Tabs()->currentWidget()->isAncestorOf(&Grid()) ||
              Main().Pages()->Tabs()->currentWidget() == &Grid());
  EXPECT_GE(Grid().CurrentRow(), 1);
}

TEST_F(ConcordanceCommands, AWordWithLemmaFormsOpensTheFormsWindowAndHighlightsNothing) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates && collocates->Count() > 2; }));
  const UString form = collocates->Row(1)->rec.word.value_or(UString());
  ASSERT_TRUE(collocates->Join(0, 1, false));
  grid->ListChanged();
  const int word_column = grid->Model().Source().ViewOfListColumn(1) + 1;
  grid->setCurrentIndex(grid->Model().index(0, word_column - 1));
  Fire(150);
  auto* forms = qobject_cast<TFormLemmaShower*>(Main().LemmaFormsWindow());
  ASSERT_NE(forms, nullptr);
  EXPECT_TRUE(forms->isVisible());
  ASSERT_EQ(forms->Forms().size(), 1u);
  EXPECT_EQ(forms->Forms()[0].form, form);
  EXPECT_GT(forms->Forms()[0].frequency, 0);
  EXPECT_FALSE(Lines().HighlightRec.active);
}

TEST_F(ConcordanceCommands, UnjoinTakesTheSelectedHeadsFormsOutAndUnjoinAllEveryJoin) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates && collocates->Count() > 3; }));
  ASSERT_TRUE(collocates->Join(0, 1, false) && collocates->Join(0, 2, false));
  grid->ListChanged();
  grid->setCurrentIndex(grid->Model().index(0, 0));
  Fire(20);
  EXPECT_FALSE(collocates->GetHasJoined(0));
  EXPECT_FALSE(collocates->GetJoinedElsewhere(1));
  ASSERT_TRUE(collocates->Join(0, 1, false) && collocates->Join(2, 3, false));
  grid->ListChanged();
  Fire(47);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(collocates->GetHasJoined(i)) << i;
    EXPECT_FALSE(collocates->GetJoinedElsewhere(i)) << i;
  }
}

TEST_F(ConcordanceCommands, WordSortsReorderTheCollocates) {
  TVX_Grid* grid = TurnTo("Collocates");
  ASSERT_NE(grid, nullptr);
  auto* collocates = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
  ASSERT_TRUE(WaitUntil([&] { return collocates && collocates->Count() > 2; }));
  auto words = [&] {
    std::vector<UString> v;
    for (int i = 0; i < collocates->Count(); ++i) v.push_back(collocates->Row(i)->rec.word.value_or(UString()));
    return v;
  };
  grid->setCurrentIndex(grid->Model().index(0, 0));
  Fire(98);
  const std::vector<UString> by_length = words();
  for (size_t i = 1; i < by_length.size(); ++i) EXPECT_LE(by_length[i - 1].size(), by_length[i].size()) << i;
  Fire(97);
  const std::vector<UString> reversed = words();
  EXPECT_NE(reversed, by_length);
  // Every word is still there, only the order changed.
  std::vector<UString> a = by_length, b = reversed;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
  // Alphabetical order is not the reverse-word order.
  Fire(96);
  EXPECT_NE(words(), reversed);
}

TEST_F(ConcordanceCommands, TheTagColourChooserListsTheDocumentsTagsAndItsTicksHideThem) {
  T_WholeLinzoraHolder& doc = *Main().Doc();
  doc.fArrayOfSavedTags.resize(3);
  const char16_t* names[] = {u"<p>", u"<s>", u"<h>"};
  for (size_t i = 0; i < 3; ++i) {
    doc.fArrayOfSavedTags[i].tag = names[i];
    doc.fArrayOfSavedTags[i].hidden = 0;
  }
  Fire(77);
  auto* chooser = qobject_cast<TFormTagColourChooser*>(Main().TagColourChooser());
  ASSERT_NE(chooser, nullptr);
  ASSERT_EQ(chooser->List()->count(), 3);
  EXPECT_EQ(chooser->List()->item(1)->text(), QStringLiteral("<s>"));
  // The second box unticked, with the first entry selected: the second tag is hidden.
  chooser->List()->setCurrentRow(0);
  chooser->List()->item(1)->setCheckState(Qt::Unchecked);
  ASSERT_TRUE(WaitUntil([&] { return doc.fArrayOfSavedTags[1].hidden == 1; }));
  EXPECT_EQ(doc.fArrayOfSavedTags[0].hidden, 0);
  EXPECT_EQ(doc.fArrayOfSavedTags[2].hidden, 0);
  chooser->hide();
}

// Exit comes last: the window closes.
TEST_F(ConcordanceCommands, ExitClosesTheWindow) {
  ASSERT_TRUE(Main().isVisible());
  dialogs.Script({mrNo, mrNo});  // not saved
  Fire(91);
  DeliverPendingEvents();
  EXPECT_FALSE(Main().isVisible());
}

}  // namespace
