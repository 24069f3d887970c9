// A grid on paper (or into a PDF file): the page plan of grid_page_layout.h for the printer's
// page, then per sheet the header text, the heading row, the sheet's rows and columns drawn by
// the grid's cell handler, and the footer with the sheet's number. Pages here are sheets: a page
// of rows too wide for the paper is printed on as many sheets as it has column bands. Units are
// the screen's (96 per inch), scaled to the printer's resolution, so rows keep the heights the
// grid shows them at.
//
// More than kPagesBeforeAsking pages in the chosen range ask first (AreYouSureYouWantTo); No
// prints nothing. The print preview draws one page at a time through PaintGridPage. While pages
// are drawn the grid's cells are made for paper (its print kind kGridPrinting, or kGridPreviewing
// for the preview), and for the screen again afterwards.
//
// The store's printer record names the printer and its print-page record (main_window_rules.h)
// says how; an empty printer name, or a printer no longer installed, prints into a PDF file.
#pragma once

class QString;
class QTextDocument;

#include "platform/rtl/ustring.h"
#include "shell/files/file_dialogs.h"
#include "shell/main_window/main_window_rules.h"
#include "shell/printing/grid_page_layout.h"

class QFont;
class QPainter;
class QPrinter;
class TVX_Grid;
struct TChosenTextsPrintTable;

struct TGridPrintOptions {
  UString header;
  UString footer;
  int32_t first_page = 0;  // 0-based
  int32_t last_page = -1;  // -1: to the end
};

// The header and footer the record wants.
TGridPrintOptions PrintOptionsFromRec(const TPrintPageRec& rec);
// The printer named when it is installed, else the PDF file printer (answers false then); page
// size, orientation, margins and colour mode of the record.
bool ApplyPrintPageRec(QPrinter& printer, const UString& printer_name, const TPrintPageRec& rec);
// The PDF file a printer without a real one writes into, chosen by the user (false: cancelled).
bool ChoosePdfFileForPrinter(QPrinter& printer, TFileDialogs& dialogs);
// The installed printer of that name.
bool PrinterInstalled(const UString& name);
// A text printed whole under the title: on the stored printer with the stored page set-up, or
// into a PDF file the user names when no printer is installed (false: none named, or no dialogs).
bool PrintTextDocument(QTextDocument& text, const QString& title, TFileDialogs* dialogs);
// The stored printer with the stored page set-up, or a PDF file the user names when no printer
// is installed; false when none was named or there are no dialogs to ask with.
bool StoredPrinterOrPdf(QPrinter& printer, TFileDialogs* dialogs);

TGridPagePlan PlanGridForPrinter(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options);
// Draws one sheet of the plan on a painter already scaled to screen units.
void PaintGridPage(TVX_Grid& grid, QPainter& painter, QPrinter& printer, const TGridPagePlan& plan, int32_t sheet,
                   const TGridPrintOptions& options);
// Pages printed (0 when nothing was, or the user declined).
int32_t PrintGrid(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options);

// The chosen texts' table: the heading, the column headings and the rows, columns as wide as
// their widest text (the first left-aligned, the others right-aligned, each clipped to its cell),
// a new page when the next row would pass the page's foot. Pages printed.
int32_t PrintChosenTexts(const TChosenTextsPrintTable& table, QPrinter& printer, const QFont& font);
