// File > Page Setup through the program's menu: the stand-in's dialog shows the stored page, and
// the next print of the concordance (into a PDF file, as no printer is installed) takes the
// paper, orientation and margins chosen there. Cancel and refused values change nothing.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>

#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/qt/page_setup_dialog.h"
#include "shell/qt/print_preview.h"
#include "window/settings_dialog_road.h"
#include "window/test_tool_window.h"

namespace {

constexpr int kPageSetupMenuItem = 84;
constexpr int kPrintMenuItem = 4;

// The first page's size in points (width, height), from its MediaBox; {0, 0} when there is none.
QSizeF PdfPageSize(const UString& name) {
  QFile f(ToQString(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const auto m = QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)"))
                     .match(QString::fromLatin1(f.readAll()));
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

class PageSetupRoad : public SettingsDialogRoad {
 protected:
  void SetUp() override {
    SettingsDialogRoad::SetUp();
    Start();
    HandOverTexts(WriteRiverTexts(dir, 2, 3));
    Main().SetFileDialogs(&files);
  }
  int ThroughTheMenu(const std::function<void(TPageSetupDialog&)>& fill) {
    return SettingsDialogRoad::ThroughTheMenu<TPageSetupDialog>(kPageSetupMenuItem, fill);
  }
  // File > Print of the concordance into the PDF file `name`.
  QSizeF PrintedPage(const UString& name) {
    TurnTo("Concordance");
    files.answers = {dir.Path() + name};
    Main().HandleMenuCommand(kPrintMenuItem, u"");
    return PdfPageSize(dir.Path() + name);
  }
  TScriptedFileDialogs files;
};

}  // namespace

TEST_F(PageSetupRoad, ThePaperChosenIsThePaperPrinted) {
  ASSERT_EQ(LinesFor(u"river"), 6);
  const QSizeF a4 = PrintedPage(u"a4.pdf");
  EXPECT_NEAR(a4.width(), 595.0, 2.0);  // 210 x 297 mm in points
  EXPECT_NEAR(a4.height(), 842.0, 2.0);
  ASSERT_EQ(ThroughTheMenu([](TPageSetupDialog& d) {
              EXPECT_EQ(d.Printer()->currentIndex(), 0);  // a PDF file
              EXPECT_DOUBLE_EQ(d.PaperWidth()->value(), 210.0);
              EXPECT_DOUBLE_EQ(d.Margin(0)->value(), 15.0);
              d.PaperWidth()->setValue(148.0);  // A5
              d.PaperHeight()->setValue(210.0);
              d.Orientation()->setCurrentIndex(1);
              d.Margin(0)->setValue(10.0);
              d.show();
              SettingsShot(d, "page_setup");
              d.accept();
            }),
            int(QDialog::Accepted));
  const QSizeF a5 = PrintedPage(u"a5.pdf");
  EXPECT_NEAR(a5.width(), 595.0, 2.0);  // A5 lying: 210 x 148 mm
  EXPECT_NEAR(a5.height(), 420.0, 2.0);
  // The printer record describes the printable part for the word cloud: 210 - 10 - 15 mm across.
  const TPrinterRec printer = GetPrinterRec();
  EXPECT_NEAR(printer.PageWidth() / printer.PageMeasure(), 185.0 / 25.4, 0.01);
  EXPECT_NEAR(printer.PageHeight() / printer.PageMeasure(), 118.0 / 25.4, 0.01);
  // Inches: the same page shown in the other unit, and shown so again when the dialog reopens.
  ThroughTheMenu([](TPageSetupDialog& d) {
    d.Unit()->setCurrentIndex(1);
    EXPECT_NEAR(d.PaperWidth()->value(), 5.83, 0.01);
    EXPECT_NEAR(d.Margin(0)->value(), 0.39, 0.01);
    d.accept();
  });
  ThroughTheMenu([](TPageSetupDialog& d) {
    EXPECT_EQ(d.Unit()->currentIndex(), 1);
    EXPECT_NEAR(d.PaperHeight()->value(), 8.27, 0.01);
    d.reject();
  });
  EXPECT_EQ(GetPrinterPrefs().MeasurementUnit(), 1);
}

TEST_F(PageSetupRoad, CancelAndRefusedValuesChangeNothing) {
  const TPrintPageRec page = GetPrintPageRec();
  const TPrinterRec printer = GetPrinterRec();
  ThroughTheMenu([](TPageSetupDialog& d) {
    d.Orientation()->setCurrentIndex(1);
    d.reject();
  });
  const std::pair<std::function<void(TPageSetupDialog&)>, const char16_t*> cases[] = {
      {[](TPageSetupDialog& d) { d.PaperWidth()->setValue(20.0); }, u"Paper width: not from 50 mm to 1200 mm"},
      {[](TPageSetupDialog& d) {
         d.Margin(0)->setValue(100.0);
         d.Margin(2)->setValue(100.0);
       },
       u"Left margin: with the right margin it leaves less than 20 mm of the page's width"},
  };
  for (const auto& [change, said] : cases)
    ExpectRefused<TPageSetupDialog>([this](const auto& fill) { return ThroughTheMenu(fill); }, change, said);
  EXPECT_TRUE(GetPrintPageRec().SameBytes(page));
  EXPECT_TRUE(GetPrinterRec().SameBytes(printer));
}

// A preview on show takes the page chosen at once: its printer's page turns, and so do its sheets.
TEST_F(PageSetupRoad, AShownPreviewTakesTheNewPage) {
  ASSERT_EQ(LinesFor(u"river"), 6);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  Main().PreviewGrid(grid);
  TVXFormPrintPreview* preview = Main().PrintPreview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->Printer().pageLayout().orientation(), QPageLayout::Portrait);
  ASSERT_EQ(ThroughTheMenu([](TPageSetupDialog& d) {
              d.Orientation()->setCurrentIndex(1);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetPrintPageRec().Landscape());
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->Printer().pageLayout().orientation(), QPageLayout::Landscape);
  const QRectF page = preview->Printer().pageLayout().fullRectPoints();
  EXPECT_GT(page.width(), page.height());
  preview->close();
}
