// How a grid falls onto printed pages, and the small rules of the print preview's controls.
//
// A page holds the header text, the heading row (repeated on every page), as many data rows as
// fit, and the footer with the page number. Rows keep the heights the grid shows them at. A
// column wider than the printable width is narrowed to it once, and the plan says so, so the
// preview can tell the user. Units are the caller's (device pixels of the printer).
//
// Columns that do not fit side by side go on following sheets: the columns are cut into bands
// no wider than the page, the first column (the row numbers) repeated on each; every page of
// rows gives one sheet per band, across before down (sheet s: rows of page s / bands, band
// s % bands). A column wider than a band's room is drawn cut to it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rtl/ustring.h"

struct TPrintPageGeometry {
  int32_t printable_width = 0;
  int32_t printable_height = 0;
  int32_t header_height = 0;  // 0 when no header is wanted
  int32_t footer_height = 0;  // 0 when no footer is wanted
};

struct TGridPagePlan {
  // The first data row (0-based) of each page; empty when nothing can be printed.
  std::vector<int64_t> page_starts;
  int64_t row_count = 0;
  // The column narrowed to fit the page (-1: none) and its new width.
  int32_t narrowed_column = -1;
  int32_t narrowed_width = 0;
  std::vector<int32_t> column_widths;  // after narrowing
  // Drawn at this scale, so that the columns fit the page's width (see FitToWidthScale); the
  // plan's widths and rows are in the grid's units, the page's measured at the scale.
  double scale = 1.0;

  // The first column of each band after column 0; drawn widths cut to a band's room.
  std::vector<int32_t> band_starts;
  std::vector<int32_t> drawn_widths;

  // Pages of rows.
  int32_t PageCount() const { return static_cast<int32_t>(page_starts.size()); }
  // Data rows [first, end) of a page; an empty range for a page outside the plan.
  int64_t FirstRowOf(int32_t page) const;
  int64_t EndRowOf(int32_t page) const;

  // Sheets: every page of rows once per band.
  int32_t BandCount() const { return band_starts.empty() ? 1 : static_cast<int32_t>(band_starts.size()); }
  int32_t SheetCount() const { return PageCount() * BandCount(); }
  int32_t PageOfSheet(int32_t sheet) const { return sheet / BandCount(); }
  int32_t BandOfSheet(int32_t sheet) const { return sheet % BandCount(); }
  // The columns a sheet draws, in order: column 0, then its band's.
  std::vector<int32_t> ColumnsOfSheet(int32_t sheet) const;
};

// Cuts columns 1.. into bands that fit printable_width beside column 0 (widths[0]); fills the
// plan's band_starts and drawn_widths.
void PlanColumnBands(TGridPagePlan& plan, int32_t printable_width);

// row_height(i) gives data row i's height; heading_height is the heading row's. A row taller
// than a page still gets a page of its own (cut at the page's foot) so printing always ends.
TGridPagePlan PlanGridPages(int64_t row_count, int32_t (*row_height)(const void* ctx, int64_t row), const void* ctx,
                            int32_t heading_height, std::vector<int32_t> column_widths,
                            const TPrintPageGeometry& page);
// The same for rows of one height.
TGridPagePlan PlanGridPagesUniform(int64_t row_count, int32_t row_height, int32_t heading_height,
                                   std::vector<int32_t> column_widths, const TPrintPageGeometry& page);

// The scale at which columns of that total width fit the printable width side by side: 1 when
// they fit as they are, never below kSmallestPrintScale (beyond it text is too small to read, and
// the columns go on in bands).
inline constexpr double kSmallestPrintScale = 0.4;
double FitToWidthScale(int64_t total_width, int32_t printable_width);

// The page the preview shows, kept inside the plan after the grid's data shrank (0 when empty).
int32_t ClampPage(int32_t page, int32_t page_count);

// Pages from..to (0-based, inclusive) of a plan, as the print range counts them for the warning.
int32_t PagesInRange(int32_t from, int32_t to, int32_t page_count);
// Printing more than this many pages asks first.
inline constexpr int32_t kPagesBeforeAsking = 10;

// Zoom of the preview: the digits of the combo's text, bounded to 10-400 %; nothing when the
// text has no digits (the fit-to-page entry).
inline constexpr int32_t kMinZoom = 10;
inline constexpr int32_t kMaxZoom = 400;
std::optional<int32_t> ZoomFromText(UStringView text);
// The zoom list's entries as numbers: 20, 30 ... 150.
std::vector<int32_t> DefaultZoomEntries();
// Inserts n before the first larger entry when it is not there yet; returns its index.
size_t InsertZoomEntry(std::vector<int32_t>& entries, int32_t n);
// The entry selected for a zoom: the last one at most zoom + 5; -1 when none is (100 % then).
int32_t ZoomEntryFor(const std::vector<int32_t>& entries, int32_t zoom);
