// What the lists show after a display choice: Settings > Font on every list, now and after the
// next run; View > "hide Tag file tags" / "hide Undefined ones" in the lines; View > Column Totals
// as a row below the data.
#include <QHeaderView>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include "concordance/document/concordance_document.h"
#include "model/export/export_cells.h"
#include "shell/qt/settings_dialogs.h"
#include "shell/qt/vx_grid.h"
#include "window/settings_dialog_road.h"
#include "window/window_test_support.h"

namespace {

constexpr int kFontMenuItem = 61;
constexpr int kHideTagFileTags = 100;
constexpr int kColumnTotals = 114;
constexpr int kTagsAsPrefix = 220;
constexpr int kFreezeTopRows = 195;

class ListDisplaySettings : public SettingsDialogRoad {
 protected:
  void Trigger(int tag) {
    QAction* item = Main().Menus()->ActionOfTag(tag);
    ASSERT_NE(item, nullptr);
    item->trigger();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  UString LineOfRow(int row) {
    TGrid_data_rec cell;
    Main().Doc()->fConcordanceList->DrawgridDataRec(1, row, cell, 0);
    return cell.text;
  }
};

TEST_F(ListDisplaySettings, TheChosenFontShowsInEveryListNowAndAfterTheNextRun) {
  ShowSampleRiverLines();
  TVX_Grid* lines = TurnTo("Concordance");
  ASSERT_NE(lines, nullptr);
  const int height_before = lines->verticalHeader()->defaultSectionSize();
  ASSERT_EQ(ThroughTheMenu<TFontSettingsDialog>(kFontMenuItem,
                                                [](TFontSettingsDialog& d) {
                                                  d.SizeBox()->setValue(16);
                                                  d.accept();
                                                }),
            int(QDialog::Accepted));
  struct Case {
    const char* when;
    std::function<void()> step;
  };
  const std::vector<Case> cases = {
      {"at once", [] {}},
      {"after a new run", [this] { RunFromWizard(u"river"); }},
  };
  for (const Case& c : cases) {
    c.step();
    for (const char* page : {"Concordance", "Collocates", "Filenames"}) {
      TVX_Grid* g = TurnTo(page);
      ASSERT_NE(g, nullptr) << page;
      EXPECT_EQ(g->font().pointSize(), 16) << c.when << ", " << page;
    }
    EXPECT_GT(TurnTo("Concordance")->verticalHeader()->defaultSectionSize(), height_before) << c.when;
  }
  SaveScreenshot(Main(), QStringLiteral("list_font_16"));
}

TEST_F(ListDisplaySettings, HidingTagsByKindTakesThemOutOfTheLines) {
  Start();
  const UString text = dir.Write(u"texts/tagged.txt", "<w>the</w> <x>river</x> <w>flows</w> by.\n");
  struct Case {
    const char* tag_file;
    int tag;
    const char16_t* gone;  // in the line before, no longer after
    const char16_t* kept;  // still there
  };
  // Tags outside the tag file do not reach the lines of a run (the reader leaves them out), so
  // "hide Undefined ones" changes nothing here; the line display's table covers it.
  const std::vector<Case> cases = {
      {"<w>\n", kHideTagFileTags, u"<w>", u"flows"},
  };
  for (const Case& c : cases) {
    if (*c.tag_file) UseTagFile(c.tag_file);
    HandOverTexts({text});
    RunFromWizard(u"river");
    ASSERT_NE(Main().Doc(), nullptr);
    Trigger(kTagsAsPrefix);  // tags shown in the lines, before their words
    EXPECT_NE(LineOfRow(1).find(c.gone), UString::npos) << c.tag << ": " << Utf16ToUtf8(LineOfRow(1));
    Trigger(c.tag);
    const UString line = LineOfRow(1);
    EXPECT_EQ(line.find(c.gone), UString::npos) << c.tag << ": " << Utf16ToUtf8(line);
    EXPECT_NE(line.find(c.kept), UString::npos) << c.tag << ": " << Utf16ToUtf8(line);
    EXPECT_EQ(line.find(u'<'), UString::npos) << c.tag << ": " << Utf16ToUtf8(line);
  }
}

// View > Tag display on a text whose tags (of the tag file) stand before their words: "tags
// hidden" takes them out; "tags as prefix" gives each tag the word after it, "tags as suffix" the
// word before it (with "words coloured" on, the words that own a tag take the tagged words'
// colour); "words hidden" leaves each tagged word out, its tag in its place, the search word
// staying, and no word takes over a tag whose word is gone.
TEST_F(ListDisplaySettings, TagDisplayHidesAndGivesTagsTheirWords) {
  Start();
  UseTagFile("<N>\n<V>\n");
  HandOverTexts({dir.Write(u"texts/tagged.txt", "A <N>boat and the <N>river <V>flows past the old <N>mill today.\n")});
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 1);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  grid->setColumnWidth(1, 700);
  constexpr int kWordsColoured = 165, kTagsHidden = 219, kTagsAsSuffix = 221, kWordsHidden = 223;
  if (!Main().Menus()->ActionOfTag(kWordsColoured)->isChecked()) Trigger(kWordsColoured);
  const uint32_t tagged_colour =
      static_cast<uint32_t>(GetWordHandling4ColourRecAndTypeface(GetGlobalStyleNumber(), 3).Foreground()) & 0xFFFFFF;
  // Whether the first stretch of the word in the line, as the grid shows it, has the tagged
  // words' colour.
  auto tagged = [&tagged_colour](const TGrid_data_rec& cell, const char16_t* word) {
    const size_t at = cell.text.find(word);
    const auto end = static_cast<int32_t>(at + UStringView(word).size());
    for (const auto& span : cell.spans)
      if (at != UString::npos && span.start <= static_cast<int32_t>(at) && span.start + span.length >= end)
        return span.fore == tagged_colour;
    return false;
  };
  struct Case {
    int tag;
    const char16_t* text;  // the line, trimmed
    std::vector<const char16_t*> owners, others;
  } const cases[] = {
      {kTagsHidden, u"A boat and the river flows past the old mill today.", {}, {}},
      {kTagsAsPrefix, u"A <N>boat and the <N>river <V>flows past the old <N>mill today.",
       {u"boat", u"river", u"flows", u"mill"}, {u"A", u"and", u"the", u"past", u"old"}},
      {kTagsAsSuffix, u"A <N>boat and the <N>river <V>flows past the old <N>mill today.",
       {u"A", u"the", u"river", u"old"}, {u"boat", u"and", u"flows", u"past", u"mill"}},
      {kWordsHidden, u"A <N> and the <N>river <V> past the old <N> today.", {u"river"},
       {u"A", u"and", u"the", u"past", u"old"}},
  };
  for (const Case& c : cases) {
    Trigger(c.tag);
    grid->Model().Source().Invalidate();
    const TGrid_data_rec cell = grid->Model().Source().Cell(1, 1);
    SCOPED_TRACE(std::to_string(c.tag) + ": " + Utf16ToUtf8(cell.text));
    EXPECT_EQ(TrimU(cell.text), c.text);
    for (const char16_t* w : c.owners) EXPECT_TRUE(tagged(cell, w)) << Utf16ToUtf8(w);
    for (const char16_t* w : c.others) EXPECT_FALSE(tagged(cell, w)) << Utf16ToUtf8(w);
    SaveScreenshot(*grid, QStringLiteral("commands/tag_display_") + QString::number(c.tag));
  }
}

TEST_F(ListDisplaySettings, ColumnTotalsAddARowOfSums) {
  ShowSampleRiverLines();
  TVX_Grid* files = TurnTo("Filenames");
  ASSERT_NE(files, nullptr);
  TVXBaseDataClass* list = files->List();
  const int rows = files->model()->rowCount();
  // The hits column, summed by hand over the texts.
  int hits_column = -1;
  for (int c = 0; c < list->HeadingCount() && hits_column < 0; ++c) {
    TGrid_data_rec cell;
    list->DrawgridDataRec(c, 1, cell, files->Alternative());
    if (cell.has_number && !cell.has_text) hits_column = c;
  }
  ASSERT_GE(hits_column, 0);
  double sum = 0;
  for (int r = 1; r <= list->TotalRowCount(); ++r) {
    TGrid_data_rec cell;
    list->DrawgridDataRec(hits_column, r, cell, files->Alternative());
    sum += cell.number.value;
  }
  dialogs.Script({mrYes});
  Trigger(kColumnTotals);
  EXPECT_TRUE(WasAsked(TVXDialog::ComputeColumnTotalsQ));
  ASSERT_EQ(files->model()->rowCount(), rows + 1);
  TGrid_data_rec total;
  list->GetColumnTotalDataForGrid(hits_column, 0, total);
  EXPECT_DOUBLE_EQ(total.number.value, sum);
  SaveScreenshot(Main(), QStringLiteral("column_totals"));
}

}  // namespace

// The Delete key on a line deletes it as Edit > Deleting > Delete does (Restore brings it back);
// on a page that offers no Delete it deletes nothing.
TEST_F(ListDisplaySettings, TheDeleteKeyDeletesTheCurrentLine) {
  ShowSampleRiverLines();
  struct Case {
    const char* page;
    bool deletes;
  };
  const std::vector<Case> cases = {{"Concordance", true}, {"Collocates", true}, {"Filenames", false}};
  for (const Case& c : cases) {
    TVX_Grid* grid = TurnTo(c.page);
    ASSERT_NE(grid, nullptr) << c.page;
    for (int i = 0; i < 3; ++i) QApplication::processEvents();  // the page's menus fitted
    TVXBaseDataClass* list = grid->List();
    ASSERT_GT(list->Count(), 2) << c.page;
    auto deleted = [list] {
      int n = 0;
      for (int i = 0; i < list->Count(); ++i) n += list->GetDeleted(i) ? 1 : 0;
      return n;
    };
    const int before = deleted();
    grid->setFocus();
    grid->setCurrentIndex(grid->Model().index(1, 1));
    QTest::keyClick(grid, Qt::Key_Delete);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_EQ(deleted(), before + (c.deletes ? 1 : 0)) << c.page;
  }
}

// View > "Freeze top rows..." asks how many, and keeps those rows at the top of the grid while the
// others scroll under them; 0 frees them, and an answer that is no row count changes nothing.
TEST_F(ListDisplaySettings, FrozenTopRowsStayWhileTheOthersScroll) {
  ShowSampleRiverLines();
  TVX_Grid* grid = TurnTo("Plot");
  ASSERT_NE(grid, nullptr);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  QAction* item = Main().Menus()->ActionOfTag(kFreezeTopRows);
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->isVisible());
  UString answer;
  Main().SetInputBox([&answer](const UString&, const UString&, UString& value) {
    value = answer;
    return true;
  });
  answer = u"2";
  Trigger(kFreezeTopRows);
  ASSERT_EQ(grid->FrozenRows(), 2);
  QTableView* top = grid->FrozenView();
  ASSERT_NE(top, nullptr);
  ASSERT_TRUE(top->isVisible());
  EXPECT_EQ(top->height(), grid->rowHeight(0) + grid->rowHeight(1) + 2);

  // Tall rows, so that the texts' rows scroll; the frozen ones follow their heights.
  for (int r = 0; r < grid->Model().rowCount(); ++r) grid->setRowHeight(r, 200);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_EQ(top->height(), 2 * 200 + 2);
  grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_GT(grid->rowAt(0), 0);  // the grid itself scrolled down
  EXPECT_EQ(top->rowAt(1), 0);   // the first two lines still stand at the top
  EXPECT_EQ(top->rowAt(grid->rowHeight(0) + 1), 1);
  EXPECT_EQ(top->y(), grid->viewport()->y());
  // Across, the frozen rows scroll with the grid.
  grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
  EXPECT_EQ(top->horizontalScrollBar()->value(), grid->horizontalScrollBar()->value());
  SaveScreenshot(*grid, QStringLiteral("commands/frozen_top_rows"));

  struct Case {
    const char16_t* answer;
    int frozen;
    bool shown;
  };
  const std::vector<Case> cases = {{u"x", 2, true}, {u"100000", 2, true}, {u"0", 0, false}, {u"1", 1, true}};
  for (const Case& c : cases) {
    answer = c.answer;
    Trigger(kFreezeTopRows);
    EXPECT_EQ(grid->FrozenRows(), c.frozen) << Utf16ToUtf8(c.answer);
    EXPECT_EQ(top->isVisible(), c.shown) << Utf16ToUtf8(c.answer);
  }
}

// The frozen rows are the top rows whatever row is current: after a click on row 31 of a plot of
// 40 texts and a scroll, the band still shows the Overall row and the first text's.
TEST_F(ListDisplaySettings, FrozenRowsStayTheTopRowsAfterAClickLower) {
  Start();
  HandOverTexts(WriteRiverTexts(dir, 40, 2));
  RunFromWizard(u"river");
  TVX_Grid* grid = TurnTo("Plot");
  ASSERT_NE(grid, nullptr);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_GT(grid->Model().rowCount(), 35);
  Main().SetInputBox([](const UString&, const UString&, UString& value) {
    value = u"2";
    return true;
  });
  Trigger(kFreezeTopRows);
  QTableView* top = grid->FrozenView();
  ASSERT_NE(top, nullptr);
  ASSERT_TRUE(top->isVisible());
  auto top_rows_text = [&] {
    QStringList out;
    for (int r : {top->rowAt(1), top->rowAt(grid->rowHeight(0) + 1)})
      out << QString::number(r) + QStringLiteral(":") + grid->Model().index(std::max(r, 0), 1).data().toString();
    return out.join(QStringLiteral(" | ")).toStdString();
  };
  const std::string before = top_rows_text();

  // A click on row 31 as a user clicks it, then the grid scrolled by its scroll bar.
  const QModelIndex row31 = grid->Model().index(30, 1);
  grid->scrollTo(row31);
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(row31).center());
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_EQ(grid->currentIndex().row(), 30);
  grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() + 3 * grid->rowHeight(5));
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  SaveScreenshot(*grid, QStringLiteral("commands/frozen_top_rows_after_click"));
  EXPECT_EQ(top->verticalScrollBar()->value(), 0);
  EXPECT_EQ(top->rowAt(1), 0) << top_rows_text();
  EXPECT_EQ(top->rowAt(grid->rowHeight(0) + 1), 1) << top_rows_text();
  EXPECT_EQ(top_rows_text(), before);
  EXPECT_GT(grid->rowAt(grid->viewport()->height() / 2), 2);  // the grid itself scrolled on
}
