#include "shell/qt/grid_printing.h"

#include <QHeaderView>
#include <QPainter>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <array>

#include "model/reading/chosen_texts_handover.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/settings/settings_access.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"

namespace {

constexpr double kScreenDpi = 96.0;
constexpr int kTextBandHeight = 24;

double Scale(QPrinter& printer) { return printer.resolution() / kScreenDpi; }

// The painter is scaled to screen units, so the font is sized in screen pixels: a size in points
// would be taken at the printer's resolution and then scaled a second time.
QFont ScreenPixelFont(const QFont& font) {
  QFont f(font);
  f.setPixelSize(std::max(1, QFontInfo(font).pixelSize()));
  return f;
}

// The page in the grid's units when drawn at `scale` (1: as the screen shows it).
TPrintPageGeometry PageGeometry(QPrinter& printer, const TGridPrintOptions& options, double scale = 1.0) {
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  TPrintPageGeometry g;
  g.printable_width = static_cast<int32_t>(page.width() / Scale(printer) / scale);
  g.printable_height = static_cast<int32_t>(page.height() / Scale(printer) / scale);
  g.header_height = options.header.empty() ? 0 : kTextBandHeight;
  // The footer carries the page number, so it is always there.
  g.footer_height = kTextBandHeight;
  return g;
}

std::vector<int32_t> ColumnWidths(TVX_Grid& grid) {
  std::vector<int32_t> widths;
  // The row numbers' column as wide as the largest number needs, also for a grid not laid out.
  const int numbers = QFontMetrics(grid.font()).horizontalAdvance(QString::number(grid.Model().rowCount())) + 12;
  widths.push_back(std::max(grid.verticalHeader()->width(), numbers));
  for (int c = 0; c < grid.Model().columnCount(); ++c) widths.push_back(grid.columnWidth(c));
  return widths;
}

// The grid's cells made for paper while it lives (a grid already being printed stays so), then
// for the screen again; the cells kept for the screen are not touched.
class TPrintKindScope {
 public:
  TPrintKindScope(TVX_Grid& grid, int kind) : grid_(grid), before_(grid.PrintKind()) {
    if (before_ == kGridOnScreen) grid_.SetPrintKind(kind);
  }
  ~TPrintKindScope() { grid_.SetPrintKind(before_); }
  TPrintKindScope(const TPrintKindScope&) = delete;
  TPrintKindScope& operator=(const TPrintKindScope&) = delete;

 private:
  TVX_Grid& grid_;
  int before_;
};

}  // namespace

TGridPagePlan PlanGridForPrinter(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options) {
  std::vector<int32_t> widths = ColumnWidths(grid);
  int64_t total = 0;
  for (int32_t w : widths) total += w;
  // The lines fit the page's width: the whole grid drawn smaller rather than cut into bands.
  const double scale = FitToWidthScale(total, PageGeometry(printer, options).printable_width);
  TGridPagePlan plan = PlanGridPagesUniform(grid.Model().rowCount(), grid.verticalHeader()->defaultSectionSize(),
                                            grid.horizontalHeader()->height(), std::move(widths),
                                            PageGeometry(printer, options, scale));
  plan.scale = scale;
  return plan;
}

void PaintGridPage(TVX_Grid& grid, QPainter& painter, QPrinter& printer, const TGridPagePlan& plan, int32_t sheet,
                   const TGridPrintOptions& options) {
  const TPrintKindScope paper(grid, kGridPreviewing);
  const TPrintPageGeometry geometry = PageGeometry(printer, options, plan.scale);
  const int row_height = grid.verticalHeader()->defaultSectionSize();
  const int heading_height = grid.horizontalHeader()->height();
  const QFont font = ScreenPixelFont(grid.font());
  painter.save();
  painter.scale(plan.scale, plan.scale);
  // Nothing of a sheet is drawn past its printable area.
  painter.setClipRect(QRect(0, 0, geometry.printable_width, geometry.printable_height));
  painter.setFont(font);
  const QPalette palette = grid.palette();
  TVXGridModel& model = grid.Model();
  const std::vector<int32_t> columns = plan.ColumnsOfSheet(sheet);
  auto width_of = [&](int32_t c) {
    const std::vector<int32_t>& w = plan.drawn_widths.empty() ? plan.column_widths : plan.drawn_widths;
    return static_cast<size_t>(c) < w.size() ? w[static_cast<size_t>(c)] : 0;
  };
  int y = 0;
  if (geometry.header_height > 0) {
    painter.drawText(QRect(0, 0, geometry.printable_width, kTextBandHeight), Qt::AlignCenter, ToQString(options.header));
    y += geometry.header_height;
  }
  // The heading row on every sheet.
  int x = 0;
  for (const int32_t c : columns) {
    const QRect cell(x, y, width_of(c), heading_height);
    TGrid_data_rec rec;
    rec.has_text = true;
    if (c > 0) rec.text = FromQString(model.headerData(c - 1, Qt::Horizontal, Qt::DisplayRole).toString());
    TVXGridCellHandler::PaintCell(&painter, cell, rec, false, palette, font);
    x += width_of(c);
  }
  y += heading_height;
  const int32_t page = plan.PageOfSheet(sheet);
  for (int64_t row = plan.FirstRowOf(page); row < plan.EndRowOf(page); ++row) {
    x = 0;
    for (const int32_t c : columns) {
      const QRect cell(x, y, width_of(c), row_height);
      if (c == 0) {
        TGrid_data_rec number;
        number.has_text = true;
        number.text = IntToUStr(row + 1);
        TVXGridCellHandler::PaintCell(&painter, cell, number, false, palette, font);
      } else {
        TGridCellSource& source = model.Source();
        const TGrid_data_rec rec = source.FreshCell(static_cast<int>(row) + 1, source.ListColumnOfView(c - 1));
        TVXGridCellHandler::PaintCell(&painter, cell, rec, false, palette, font);
      }
      x += width_of(c);
    }
    y += row_height;
  }
  const QRect foot(0, geometry.printable_height - kTextBandHeight, geometry.printable_width, kTextBandHeight);
  const QString footer = (options.footer.empty() ? QString() : ToQString(options.footer) + QStringLiteral("    ")) +
                         QString::number(sheet + 1) + QStringLiteral(" / ") + QString::number(plan.SheetCount());
  painter.drawText(foot, Qt::AlignCenter, footer);
  painter.restore();
}

int32_t PrintGrid(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options) {
  const TGridPagePlan plan = PlanGridForPrinter(grid, printer, options);
  const int32_t sheets = plan.SheetCount();
  if (sheets == 0) return 0;
  const int32_t first = ClampPage(options.first_page, sheets);
  const int32_t last = options.last_page < 0 ? sheets - 1 : ClampPage(options.last_page, sheets);
  const int32_t pages = PagesInRange(first, last, sheets);
  if (pages <= 0) return 0;
  if (pages > kPagesBeforeAsking &&
      VXDialog(TVXDialog::AreYouSureYouWantTo, {VXResFmt(TVXRes::VXPrintNPages, {IntToUStr(pages)})}) != mrYes)
    return 0;
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  painter.scale(Scale(printer), Scale(printer));
  const TPrintKindScope paper(grid, kGridPrinting);
  int32_t printed = 0;
  for (int32_t page = first; page <= last; ++page) {
    if (printed > 0) printer.newPage();
    PaintGridPage(grid, painter, printer, plan, page, options);
    ++printed;
  }
  painter.end();
  return printed;
}

TGridPrintOptions PrintOptionsFromRec(const TPrintPageRec& rec) {
  TGridPrintOptions o;
  if (rec.HeaderWanted()) o.header = rec.Header();
  if (rec.FooterWanted()) o.footer = rec.Footer();
  return o;
}

bool ChoosePdfFileForPrinter(QPrinter& printer, TFileDialogs& dialogs) {
  TFileDialogRequest r;
  r.folder = GetUserReadWriteFolder();
  r.filter = u"PDF files (*.pdf)";
  r.default_ext = u".pdf";
  UString name;
  if (!dialogs.ChooseFileToSave(r, name) || name.empty()) return false;
  printer.setOutputFileName(ToQString(name));
  return true;
}

bool StoredPrinterOrPdf(QPrinter& printer, TFileDialogs* dialogs) {
  return ApplyPrintPageRec(printer, GetPrinterRec().PrinterName(), GetPrintPageRec()) ||
         (dialogs && ChoosePdfFileForPrinter(printer, *dialogs));
}

bool PrintTextDocument(QTextDocument& text, const QString& title, TFileDialogs* dialogs) {
  QPrinter printer(QPrinter::HighResolution);
  if (!StoredPrinterOrPdf(printer, dialogs)) return false;
  printer.setDocName(title);
  text.print(&printer);
  return true;
}

bool PrinterInstalled(const UString& name) {
  return !name.empty() && QPrinterInfo::availablePrinterNames().contains(ToQString(name));
}

bool ApplyPrintPageRec(QPrinter& printer, const UString& printer_name, const TPrintPageRec& rec) {
  const bool installed = PrinterInstalled(printer_name);
  if (installed) {
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(ToQString(printer_name));
  } else {
    printer.setOutputFormat(QPrinter::PdfFormat);
  }
  printer.setPageSize(QPageSize(QSizeF(rec.PageWidth() / 100.0, rec.PageHeight() / 100.0), QPageSize::Millimeter));
  printer.setPageOrientation(rec.Landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
  const auto m = rec.Margins();
  printer.setPageMargins(QMarginsF(m[0] / 100.0, m[1] / 100.0, m[2] / 100.0, m[3] / 100.0), QPageLayout::Millimeter);
  printer.setColorMode(rec.Monochrome() ? QPrinter::GrayScale : QPrinter::Color);
  return installed;
}

int32_t PrintChosenTexts(const TChosenTextsPrintTable& table, QPrinter& printer, const QFont& font) {
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  painter.scale(Scale(printer), Scale(printer));
  const QFont screen_font = ScreenPixelFont(font);
  painter.setFont(screen_font);
  const QFontMetrics metrics(screen_font);
  const double scale = Scale(printer);
  auto width_of = [&](const UString& s) { return metrics.horizontalAdvance(ToQString(s)) + 1; };
  const int gap = 12;
  const int line = metrics.height() + 4;
  std::array<int, TChosenTextsPrintTable::kColumns> widths{};
  for (int c = 0; c < TChosenTextsPrintTable::kColumns; ++c) {
    widths[c] = width_of(table.column_headings[c]);
    for (const auto& row : table.rows) widths[c] = std::max(widths[c], width_of(row[c]));
  }
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  const int page_width = static_cast<int>(page.width() / scale);
  const int page_height = static_cast<int>(page.height() / scale);
  // The first column gives way when the others and it do not fit the page.
  int others = 0;
  for (int c = 1; c < TChosenTextsPrintTable::kColumns; ++c) others += widths[c] + gap;
  widths[0] = std::max(40, std::min(widths[0], page_width - others));
  auto draw_row = [&](const std::array<UString, TChosenTextsPrintTable::kColumns>& cells, int y) {
    int x = 0;
    for (int c = 0; c < TChosenTextsPrintTable::kColumns; ++c) {
      const QRect cell(x, y, widths[c], line);
      painter.save();
      painter.setClipRect(cell);
      painter.drawText(cell, (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, ToQString(cells[c]));
      painter.restore();
      x += widths[c] + gap;
    }
  };
  int32_t pages = 1;
  painter.drawText(QRect(0, 0, page_width, line), Qt::AlignLeft | Qt::AlignVCenter, ToQString(table.heading));
  int y = line * 2;
  draw_row(table.column_headings, y);
  y += line;
  for (const auto& row : table.rows) {
    if (y + line > page_height) {
      printer.newPage();
      ++pages;
      y = 0;
    }
    draw_row(row, y);
    y += line;
  }
  painter.end();
  return pages;
}
