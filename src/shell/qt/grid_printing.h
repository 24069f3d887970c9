// A grid on paper (or into a PDF file): the page plan of grid_page_layout.h for the printer's
// page, then per page the header text, the heading row, the page's rows drawn by the grid's cell
// handler, and the footer with the page number. Units are the screen's (96 per inch), scaled to
// the printer's resolution, so rows keep the heights the grid shows them at.
//
// More than kPagesBeforeAsking pages in the chosen range ask first (OKToDoX); No prints nothing.
#pragma once

#include "platform/rtl/ustring.h"
#include "shell/printing/grid_page_layout.h"

class QPrinter;
class TVX_Grid;

struct TGridPrintOptions {
  UString header;
  UString footer;
  int32_t first_page = 0;  // 0-based
  int32_t last_page = -1;  // -1: to the end
};

TGridPagePlan PlanGridForPrinter(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options);
// Pages printed (0 when nothing was, or the user declined).
int32_t PrintGrid(TVX_Grid& grid, QPrinter& printer, const TGridPrintOptions& options);
