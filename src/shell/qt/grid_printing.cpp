#include "shell/qt/grid_printing.h"

#include <QHeaderView>
#include <QPainter>
#include <QPrinter>

#include "platform/runtime/vx_dialogs.h"
#include "shell/qt/qt_application.h"
#include "shell/qt/vx_grid.h"

namespace {

constexpr double kScreenDpi = 96.0;
constexpr int kTextBandHeight = 24;

double Scale(QPrinter& printer) { return printer.resolution() / kScreenDpi; }

TPrintPageGeometry PageGeometry(QPrinter& printer, const TGridPrintOptions& options) {
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  TPrintPageGeometry g;
  g.printable_width = static_cast<int32_t>(page.width() / Scale(printer));
  g.printable_height = static_cast<int32_t>(page.height() / Scale(printer));
  g.header_height = options.header.empty() ? 0 : kTextBandHeight;
  // The footer carries the page number, so it is always there.
  g.footer_height = kTextBandHeight;
  return g;
}

std::vector<int32_t> ColumnWidths(TVX_Grid& grid) {
  std::vector<int32_t> widths;
  widths.push_back(grid.verticalHeader()->width());
  for (int c = 0; c < grid.Model().columnCount(); ++c) widths.push_back(grid.columnWidth(c));
  return widths;
}

}  // namespace

TGridPagePlan PlanGridForPrinter(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options) {
  return PlanGridPagesUniform(grid.Model().rowCount(), grid.verticalHeader()->defaultSectionSize(),
                              grid.horizontalHeader()->height(), ColumnWidths(grid), PageGeometry(printer, options));
}

int32_t PrintGrid(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options) {
  const TGridPagePlan plan = PlanGridForPrinter(grid, printer, options);
  if (plan.PageCount() == 0) return 0;
  const int32_t first = ClampPage(options.first_page, plan.PageCount());
  const int32_t last = options.last_page < 0 ? plan.PageCount() - 1 : ClampPage(options.last_page, plan.PageCount());
  const int32_t pages = PagesInRange(first, last, plan.PageCount());
  if (pages <= 0) return 0;
  if (pages > kPagesBeforeAsking &&
      VXDialog(TVXDialog::OKToDoX, {u"print " + IntToUStr(pages) + u" pages"}) != mrYes)
    return 0;

  const TPrintPageGeometry geometry = PageGeometry(printer, options);
  const int row_height = grid.verticalHeader()->defaultSectionSize();
  const int heading_height = grid.horizontalHeader()->height();
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  painter.scale(Scale(printer), Scale(printer));
  QFont font = grid.font();
  painter.setFont(font);
  const QPalette palette = grid.palette();
  TVXGridModel& model = grid.Model();
  int32_t printed = 0;
  for (int32_t page = first; page <= last; ++page) {
    if (printed > 0) printer.newPage();
    int y = 0;
    if (geometry.header_height > 0) {
      painter.drawText(QRect(0, 0, geometry.printable_width, kTextBandHeight), Qt::AlignCenter,
                       ToQString(options.header));
      y += geometry.header_height;
    }
    // The heading row on every page.
    int x = 0;
    for (size_t c = 0; c < plan.column_widths.size(); ++c) {
      const QRect cell(x, y, plan.column_widths[c], heading_height);
      TGrid_data_rec rec;
      rec.has_text = true;
      if (c > 0) rec.text = FromQString(model.headerData(static_cast<int>(c) - 1, Qt::Horizontal, Qt::DisplayRole).toString());
      TVXGridCellHandler::PaintCell(&painter, cell, rec, false, palette, font);
      x += plan.column_widths[c];
    }
    y += heading_height;
    for (int64_t row = plan.FirstRowOf(page); row < plan.EndRowOf(page); ++row) {
      x = 0;
      for (size_t c = 0; c < plan.column_widths.size(); ++c) {
        const QRect cell(x, y, plan.column_widths[c], row_height);
        if (c == 0) {
          TGrid_data_rec number;
          number.has_text = true;
          number.text = IntToUStr(row + 1);
          TVXGridCellHandler::PaintCell(&painter, cell, number, false, palette, font);
        } else {
          const TGrid_data_rec& rec = model.CellAt(model.index(static_cast<int>(row), static_cast<int>(c) - 1));
          TVXGridCellHandler::PaintCell(&painter, cell, rec, false, palette, font);
        }
        x += plan.column_widths[c];
      }
      y += row_height;
    }
    const QRect foot(0, geometry.printable_height - kTextBandHeight, geometry.printable_width, kTextBandHeight);
    const QString footer = (options.footer.empty() ? QString() : ToQString(options.footer) + QStringLiteral("    ")) +
                           QString::number(page + 1) + QStringLiteral(" / ") + QString::number(plan.PageCount());
    painter.drawText(foot, Qt::AlignCenter, footer);
    ++printed;
  }
  painter.end();
  return printed;
}
