// What the lists show after a display choice: Settings > Font on every list, now and after the
// next run; View > "hide Tag file tags" / "hide Undefined ones" in the lines; View > Column Totals
// as a row below the data.
#include <QHeaderView>
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
