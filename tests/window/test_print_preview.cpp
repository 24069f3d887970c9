#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <functional>

#include "model/reading/chosen_texts_handover.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/grid_printing.h"
#include "shell/qt/print_preview.h"
#include "support/temp_folder.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"

namespace {

// A window with a document of n texts, its statistics grid previewed.
class PrintPreviewTest : public ToolWindowTest {
 protected:
  void TearDown() override {
    window.reset();
    ToolWindowTest::TearDown();
  }
  TVXFormPrintPreview& Previewed(int texts) {
    const UString name = dir.Path() + u"doc.cnc";
    EXPECT_TRUE(WriteTestDocument(name, texts));
    window = std::make_unique<TTestToolForm>();
    window->SetCommandLine({name});
    window->show();
    window->WaitForStartup();
    window->PreviewGrid(window->stats_grid);
    TVXFormPrintPreview* p = window->PrintPreview();
    EXPECT_NE(p, nullptr);
    QObject::connect(p->PreviewWidget(), &QPrintPreviewWidget::paintRequested, [this] { ++draws; });
    return *p;
  }
  std::unique_ptr<TTestToolForm> window;
  int draws = 0;
};

}  // namespace

// Next on the last page and previous on the first leave the page but draw it again; a command
// outside 256-260 only draws again; a command for another grid does nothing.
TEST_F(PrintPreviewTest, PageCommandsMoveWithinThePlanAndRedraw) {
  TVXFormPrintPreview& p = Previewed(200);
  TPrintPreviewHandler& h = window->PrintHandler();
  const int pages = p.PageCount();
  ASSERT_GE(pages, 3);
  struct Step {
    int command;
    int page_after;
  } steps[] = {{kPreviewPreviousPage, 0}, {kPreviewNextPage, 1}, {kPreviewNextPage, 2}, {300, 2},
               {kPreviewPreviousPage, 1}};
  for (const Step& s : steps) {
    const int before = draws;
    h.PrintThePages(s.command);
    EXPECT_EQ(p.CurrentPage(), s.page_after) << s.command;
    EXPECT_GT(draws, before) << s.command;
  }
  // The grid shows the page's first row at its top.
  EXPECT_EQ(window->stats_grid->TopRow(), static_cast<int>(p.Plan().FirstRowOf(1) + 1));
  p.SetCurrentPage(pages - 1);
  h.PrintThePages(kPreviewNextPage);
  EXPECT_EQ(p.CurrentPage(), pages - 1);

  TVX_Grid other;
  h.SetTheGrid(&other);
  const int before = draws;
  h.PrintThePages(kPreviewPreviousPage);
  EXPECT_EQ(p.CurrentPage(), pages - 1);
  EXPECT_EQ(draws, before);
  h.SetTheGrid(window->stats_grid);
  dialogs.Script({mrNo});
}

// Activation (258) and changed settings (260) put the preview's settings into the store and draw
// the page again; 260 also brings the grid to the page's first row.
TEST_F(PrintPreviewTest, ActivationAndSettingsCommandsStoreAndRedraw) {
  TVXFormPrintPreview& p = Previewed(200);
  TPrintPreviewHandler& h = window->PrintHandler();
  h.PrintThePages(kPreviewNextPage);
  window->stats_grid->SetTopRow(1);
  // Activation takes what is stored (Page Setup may have changed it); a change of the preview's
  // own settings is stored.
  struct Step {
    int command;
    const char16_t* header;
    bool grid_follows;
  } steps[] = {{kPreviewActivated, u"activated", false}, {kPreviewSettingsChanged, u"changed", true}};
  for (const Step& s : steps) {
    if (s.command == kPreviewActivated) {
      TPrintPageRec stored = GetPrintPageRec();
      stored.SetHeader(s.header);
      SetPrintPageRec(stored);
    } else {
      p.Settings().SetHeader(s.header);
    }
    const int before = draws;
    h.PrintThePages(s.command);
    EXPECT_EQ(GetPrintPageRec().Header(), s.header);
    EXPECT_EQ(p.Settings().Header(), s.header);
    EXPECT_GT(draws, before) << s.command;
    EXPECT_EQ(p.CurrentPage(), 1) << s.command;
    EXPECT_EQ(window->stats_grid->TopRow() == static_cast<int>(p.Plan().FirstRowOf(1) + 1), s.grid_follows)
        << s.command;
  }
  dialogs.Script({mrNo});
}

// The preview lets go of the grid before the document goes, on every road that frees or
// replaces it: closing the data, opening another document, a merge. Commands then do nothing.
TEST_F(PrintPreviewTest, PreviewLetsGoOfTheGridBeforeTheDocumentGoes) {
  const UString second = dir.Path() + u"second.cnc";
  ASSERT_TRUE(WriteTestDocument(second, 4, u"second", kTestTool, kListConcordance, u"/other/"));
  const std::vector<std::pair<const char*, std::function<void()>>> roads = {
      {"close", [&] { window->CloseData(true); }},
      {"open", [&] {
         window->NextFile = TVXStored_File_rec();
         window->NextFile.name = second;
         EXPECT_TRUE(window->OpenAFile());
       }},
      {"merge", [&] {
         window->dialogs.answers = {second};
         window->MergeWithAFile(window->stats_grid);
       }},
  };
  for (const auto& [what, road] : roads) {
    SCOPED_TRACE(what);
    TVXFormPrintPreview& p = Previewed(30);
    ASSERT_TRUE(p.isVisible());
    road();
    EXPECT_EQ(p.PreviewedGrid(), nullptr);
    EXPECT_FALSE(p.isVisible());
    EXPECT_EQ(window->PrintHandler().previewgrid, nullptr);
    const int before = draws;
    window->PrintHandler().PrintThePages(kPreviewNextPage);
    EXPECT_EQ(draws, before);
    dialogs.Script({mrNo});
    window.reset();
    dialogs.Clear();
  }
}

// After the grid's data shrank, the page shown lies beyond the plan: it is clamped first.
TEST_F(PrintPreviewTest, ShrunkDataClampsThePage) {
  TVXFormPrintPreview& p = Previewed(200);
  p.SetCurrentPage(p.PageCount() - 1);
  TVXStatsList& stats = *window->Document()->stats;
  std::vector<int32_t> all;
  for (int i = 5; i < stats.Count(); ++i) all.push_back(i);
  stats.DeleteARange(all, false, true);
  stats.Zap(false);
  window->stats_grid->ListChanged();
  window->PrintHandler().PrintThePages(kPreviewNextPage);
  EXPECT_EQ(p.PageCount(), 1);
  EXPECT_EQ(p.CurrentPage(), 0);
  dialogs.Script({mrNo});
}

// A shown preview follows its grid: when the list shrinks, the page shown is drawn again within
// the new plan; a change of another grid draws nothing; a hidden preview draws nothing.
TEST_F(PrintPreviewTest, GridChangeDrawsTheShownPageAgainClamped) {
  TVXFormPrintPreview& p = Previewed(200);
  TPrintPreviewHandler& h = window->PrintHandler();
  h.PrintThePages(kPreviewNextPage);
  h.PrintThePages(kPreviewNextPage);
  ASSERT_EQ(p.CurrentPage(), 2);
  QApplication::processEvents();

  TVX_Grid other;
  TVXStatsList other_list(nullptr);
  other.SetList(&other_list, kListStatistics, 0);
  int before = draws;
  other.ListChanged();
  QApplication::processEvents();
  EXPECT_EQ(draws, before) << "another grid";

  TVXStatsList& stats = *window->Document()->stats;
  std::vector<int32_t> all;
  for (int i = 5; i < stats.Count(); ++i) all.push_back(i);
  stats.DeleteARange(all, false, true);
  stats.Zap(false);
  before = draws;
  window->stats_grid->ListChanged();
  EXPECT_EQ(draws, before) << "drawn once the loop runs, not under the change";
  QApplication::processEvents();
  EXPECT_GT(draws, before);
  EXPECT_EQ(p.PageCount(), 1);
  EXPECT_EQ(p.CurrentPage(), 0);

  p.hide();
  before = draws;
  window->stats_grid->ListChanged();
  QApplication::processEvents();
  EXPECT_EQ(draws, before) << "hidden";
  dialogs.Script({mrNo});
}

TEST_F(PrintPreviewTest, PrintCommandPrintsEveryPageIntoAPdfFile) {
  TVXFormPrintPreview& p = Previewed(120);
  const UString pdf = dir.Path() + u"grid.pdf";
  window->dialogs.answers = {pdf};
  dialogs.Script({mrYes});  // when more than ten pages
  window->PrintHandler().PrintThePages(kPreviewPrint);
  EXPECT_EQ(PdfPageCount(ToQString(pdf)), p.PageCount());
  dialogs.Script({mrNo});
}

TEST_F(PrintPreviewTest, ZoomListTakesTypedValuesInOrderAndBounded) {
  TVXFormPrintPreview& p = Previewed(20);
  EXPECT_EQ(p.ZoomPercent(), 50);
  struct Case {
    const char* typed;
    bool fit;
    int zoom;
  } cases[] = {{"85%", false, 85}, {"0%", false, 10}, {"99999", false, 400}, {"Fit to page", true, 400},
               {"120 %", false, 120}};
  for (const Case& c : cases) {
    p.ComboBoxZoomChange(QString::fromLatin1(c.typed));
    EXPECT_EQ(p.FitToPage(), c.fit) << c.typed;
    EXPECT_EQ(p.ZoomPercent(), c.zoom) << c.typed;
    if (!c.fit) {
      EXPECT_EQ(p.PreviewWidget()->zoomMode(), QPrintPreviewWidget::CustomZoom);
      EXPECT_DOUBLE_EQ(p.PreviewWidget()->zoomFactor(), c.zoom / 100.0);
    } else {
      EXPECT_EQ(p.PreviewWidget()->zoomMode(), QPrintPreviewWidget::FitInView);
    }
  }
  const std::vector<int32_t> expected = {10, 20, 30, 40, 50, 60, 70, 80, 85, 90, 100, 110, 120, 130, 140, 150, 400};
  EXPECT_EQ(p.ZoomEntries(), expected);
  EXPECT_EQ(p.ComboBoxZoom()->count(), static_cast<int>(expected.size()) + 1);
  EXPECT_EQ(p.ComboBoxZoom()->itemText(9), QStringLiteral("85%"));
  // The 100 % toggle and back.
  p.Toggle100();
  EXPECT_EQ(p.ZoomPercent(), 100);
  p.Toggle100();
  EXPECT_EQ(p.ZoomPercent(), 120);
  dialogs.Script({mrNo});
}

// The footer's check box changes the footer, not the header; settings reach the store.
TEST_F(PrintPreviewTest, HeaderAndFooterEachFollowTheirOwnControls) {
  TVXFormPrintPreview& p = Previewed(20);
  p.EditHeader()->setText(QStringLiteral("Statistics of the test corpus"));
  p.EditHeaderChanged();
  p.EditFooter()->setText(QStringLiteral("Linzora"));
  p.EditFooterChanged();
  EXPECT_TRUE(GetPrintPageRec().HeaderWanted());
  EXPECT_TRUE(GetPrintPageRec().FooterWanted());
  p.CheckBoxFooterVisible()->setChecked(false);
  p.CheckBoxFooterVisibleClick();
  const TPrintPageRec stored = GetPrintPageRec();
  EXPECT_TRUE(stored.HeaderWanted());
  EXPECT_EQ(stored.Header(), u"Statistics of the test corpus");
  EXPECT_FALSE(stored.FooterWanted());
  EXPECT_EQ(stored.Footer(), u"Linzora");
  EXPECT_TRUE(p.CheckBoxHeaderVisible()->isChecked());

  p.SetLandscape(true);
  EXPECT_TRUE(GetPrintPageRec().Landscape());
  EXPECT_TRUE(p.windowTitle().contains(QStringLiteral("landscape")));
  p.ToggleColour();
  EXPECT_TRUE(GetPrintPageRec().Monochrome());
  EXPECT_EQ(p.Printer().colorMode(), QPrinter::GrayScale);
  const QImage shot = SaveScreenshot(p, QStringLiteral("print_preview"));
  EXPECT_GT(ColoursIn(shot), 10);
  dialogs.Script({mrNo});
}

TEST(PrintSettings, PrintPageRecordKeepsItsFieldsAndFallsBackWithoutAPage) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  EXPECT_EQ(GetPrintPageRec().PageWidth(), 21000);
  TPrintPageRec r = DefaultPrintPageRec();
  r.SetHeader(u"\u00e9t\u00e9");
  r.SetFooter(u"page");
  r.SetPageSize(21590, 27940);
  r.SetMargins({1000, 1200, 1400, 1600});
  r.SetLandscape(true);
  r.SetFooterWanted(true);
  SetPrintPageRec(r);
  ResetSettingsStoreForTests();
  EXPECT_TRUE(GetPrintPageRec().SameBytes(r));
  r.SetPageSize(0, 0);
  SetPrintPageRec(r);
  EXPECT_EQ(GetPrintPageRec().PageHeight(), 29700);
  unsetenv("LINZORA_CONFIG_DIR");
  ResetSettingsStoreForTests();
}

// The chosen texts' table runs over several pages: 200 texts.
TEST(PrintSettings, ChosenTextsOf200TextsPrintSeveralPages) {
  TempFolder dir;
  TVXFileDetails set(false, 1);
  for (int i = 0; i < 200; ++i) set.ToolAddAFile(dir.Write(u"texts/text" + IntToUStr(i) + u".txt", "some words"));
  const TChosenTextsPrintTable table = set.PrintTable(1);
  ASSERT_EQ(table.rows.size(), 200u);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const UString pdf = dir.Path() + u"texts.pdf";
  printer.setOutputFileName(ToQString(pdf));
  printer.setPageSize(QPageSize(QPageSize::A4));
  const int32_t pages = PrintChosenTexts(table, printer, QFont(QStringLiteral("DejaVu Sans"), 9));
  EXPECT_GE(pages, 3);
  EXPECT_EQ(PdfPageCount(ToQString(pdf)), pages);
}
