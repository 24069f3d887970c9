#include <gtest/gtest.h>

#include <QFile>
#include <QHeaderView>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>

#include "platform/runtime/vx_dialogs.h"
#include "shell/grid_test_list.h"
#include "shell/qt/grid_printing.h"
#include "shell/qt/vx_grid.h"
#include "support/temp_folder.h"
#include "window/window_test_support.h"
#include "shell/qt/qt_application.h"

namespace {

void PdfPrinter(QPrinter& p, const UString& name) {
  p.setOutputFormat(QPrinter::PdfFormat);
  p.setOutputFileName(ToQString(name));
  p.setPageSize(QPageSize(QPageSize::A4));
  p.setPageOrientation(QPageLayout::Portrait);
  p.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

}  // namespace

// A4 less 30 mm of margins is 267 mm high: 1009 screen pixels. Less the header and footer bands
// (24 each) and the heading row, rows of 24 pixels fill whole pages.
TEST(GridPrinting, PdfHasThePlannedPagesWithHeaderAndFooter) {
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  TempFolder dir;
  TSyntheticGridList list(200);
  TVX_Grid grid;
  grid.SetList(&list, 10, 0);
  grid.resize(800, 600);
  // Columns narrow enough for one sheet across: a page of rows is one sheet.
  for (int c = 0; c < grid.Model().columnCount(); ++c) grid.setColumnWidth(c, 35);
  QPrinter printer(QPrinter::HighResolution);
  const UString pdf = dir.Path() + u"grid.pdf";
  PdfPrinter(printer, pdf);
  TGridPrintOptions options;
  options.header = u"Concordance of test lines";
  options.footer = u"Linzora";
  const TGridPagePlan plan = PlanGridForPrinter(grid, printer, options);
  const int usable = 1009 - 24 - 24 - grid.horizontalHeader()->height();
  const int per_page = usable / 24;
  EXPECT_EQ(plan.PageCount(), (200 + per_page - 1) / per_page);
  EXPECT_EQ(plan.SheetCount(), plan.PageCount());
  ASSERT_LE(plan.PageCount(), 10);
  EXPECT_EQ(PrintGrid(grid, printer, options), plan.PageCount());
  EXPECT_EQ(PdfPageCount(ToQString(pdf)), plan.PageCount());
  EXPECT_TRUE(dialogs.Asked().empty());
  SetDialogService(nullptr);
}

TEST(GridPrinting, MoreThanTenPagesAskFirst) {
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  TempFolder dir;
  TSyntheticGridList list(2000);
  TVX_Grid grid;
  grid.SetList(&list, 10, 0);
  QPrinter printer(QPrinter::HighResolution);
  PdfPrinter(printer, dir.Path() + u"declined.pdf");
  EXPECT_EQ(PrintGrid(grid, printer, {}), 0);  // the safe answer is No
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].id, TVXDialog::AreYouSureYouWantTo);
  // Pages 3 to 5 only: no question, three pages.
  const UString pdf = dir.Path() + u"range.pdf";
  PdfPrinter(printer, pdf);
  TGridPrintOptions range;
  range.first_page = 2;
  range.last_page = 4;
  EXPECT_EQ(PrintGrid(grid, printer, range), 3);
  EXPECT_EQ(PdfPageCount(ToQString(pdf)), 3);
  EXPECT_EQ(dialogs.Asked().size(), 1u);
  SetDialogService(nullptr);
}

// A concordance as the window lays it out (a line column of a wide window and fifteen number
// columns) prints its lines fitted to the page's width: every column on each page, no sheets of
// columns beyond it, and far fewer pages for its 999 lines.
TEST(GridPrinting, AConcordanceFitsThePageWidth) {
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);
  TempFolder dir;
  TSyntheticGridList list(999);
  TVX_Grid grid;
  grid.SetList(&list, 10, 0);
  grid.resize(1600, 900);
  grid.setColumnWidth(0, 1100);  // the line column
  for (int c = 1; c < grid.Model().columnCount(); ++c) grid.setColumnWidth(c, 45);
  QPrinter printer(QPrinter::HighResolution);
  const UString pdf = dir.Path() + u"lines.pdf";
  PdfPrinter(printer, pdf);
  printer.setPageOrientation(QPageLayout::Landscape);
  const TGridPagePlan plan = PlanGridForPrinter(grid, printer, {});
  EXPECT_LT(plan.scale, 1.0);
  EXPECT_EQ(plan.BandCount(), 1);
  EXPECT_EQ(plan.SheetCount(), plan.PageCount());
  EXPECT_LT(plan.PageCount(), 30);
  EXPECT_EQ(plan.narrowed_column, -1);
  // What a page holds, drawn as it is printed, to look at.
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  QImage image(QSize(int(page.width() / 4), int(page.height() / 4)), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(printer.resolution() / 96.0 / 4, printer.resolution() / 96.0 / 4);
    PaintGridPage(grid, painter, printer, plan, 0, {});
  }
  image.save(ScreenshotFile(QStringLiteral("printed_concordance_page.png")));
  // The right-most column's numbers reach the page, left of its edge.
  int ink_right = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = image.width() - 1; x > ink_right; --x)
      if (qGray(image.pixel(x, y)) < 128) ink_right = x;
  EXPECT_GT(ink_right, image.width() * 3 / 4);
  dialogs.Script({mrYes});
  EXPECT_EQ(PrintGrid(grid, printer, {}), plan.PageCount());
  EXPECT_EQ(PdfPageCount(ToQString(pdf)), plan.PageCount());
  SetDialogService(nullptr);
}
