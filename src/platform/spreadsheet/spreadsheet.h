// One current workbook, written as an .xlsx file.
//
// Protocol: StartAnExcelFile(n) opens a workbook with n sheets; formats are registered with
// DefinedFormatNum0Based (answers a format number); cells are written by row and column,
// counted from 1, on the active sheet; SaveAnExcelFile(name) writes the file and frees the
// workbook; CloseAnExcelFile frees a workbook that was never saved (nothing is written) and
// does nothing after a save.
//
// Rows stream: each sheet keeps only its current row in memory, so a sheet's rows must come in
// ascending order. A write to a row the sheet has passed is refused (false) and counted
// (RefusedExcelCellWrites). Columns within a row may come in any order.
//
// Texts: a cell holds at most 32,767 characters (the rest is cut, never inside a surrogate
// pair, and the cut logged). Colours are the platform's BGR values (0x00BBGGRR); a value
// outside 0..0xFFFFFF means "none". Sheet names lose []:*?/\ and leading or trailing
// apostrophes, are cut to 31 characters and made unique.
//
// Saving goes to a temporary sibling of the target that replaces it only when the library
// wrote the whole file; a failed save leaves the target as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

inline constexpr int32_t kExcelMaxRows = 1048576;
inline constexpr int32_t kExcelMaxColumns = 16384;
inline constexpr int32_t kExcelMaxCellChars = 32767;
inline constexpr int32_t kExcelMaxSheetNameChars = 31;

// A stretch of a rich cell.
struct TSpreadsheetRun {
  UString text;
  int32_t colour = -1;  // BGR; -1: the cell format's colour
  bool bold = false;
};

// Alignment numbers of DefinedFormatNum0Based.
enum : int32_t { kExcelAlignLeft = 1, kExcelAlignRight = 2 };

bool StartAnExcelFile(int sheets);
bool ExcelFileOpen();
int ExcelSheetCount();
// Adds a sheet named name (cleaned and made unique); answers its number, 0 when none is open.
int AddAnExcelSheet(UStringView name);
bool SetAnActiveSheetname(int sheet, UStringView name);
UString ExcelSheetName(int sheet);
void SetActiveExcelSheet(int sheet);
int ActiveExcelSheet();
// The name a sheet would get (without the uniqueness suffix).
UString CleanSheetName(UStringView name);

// Registers a cell format: number format text ("#,##0.00"), alignment (1 left, 2 right,
// anything else general), whether its colours come from the visual style (kept for the
// caller), two values the caller leaves unchanged (-1, 0x1FFFFFFF), background and text
// colour (BGR; invalid: none). Answers the format number (0-based), -1 when no workbook is
// open.
int32_t DefinedFormatNum0Based(UStringView number_format, int32_t alignment, bool style_colour,
                               int32_t unchanged_a, int32_t unchanged_b, int32_t background,
                               int32_t text_colour, bool bold = false, bool wrap = false);
bool ExcelFormatUsesStyleColour(int32_t format);

// Merges the range once its top-left cell is written (the title comes after the merge call).
bool MergeCells(int first_row, int first_col, int last_row, int last_col, int32_t format);
bool SetACellStringWithFormat(int row, int col, UStringView text, int32_t format);
bool SetACellString(int row, int col, UStringView text);
bool SetACellDouble(int row, int col, double value);
bool SetACellDoubleWithFormat(int row, int col, double value, int32_t format);
// Runs with no text are skipped; a cell of one run is a plain string in that run's font.
bool SetACellRich(int row, int col, const std::vector<TSpreadsheetRun>& runs, int32_t format);
// The format the next value written to the cell takes.
bool FormatACellDefinedFormatNum(int32_t format, int row, int col);
bool SetAColumnWidth(int col, double chars, bool hidden = false);
// The width in characters (default font) of a column of the given pixels.
double AColumnWidthInChars(int pixels);

int RefusedExcelCellWrites();
// Why the last call failed (empty when it did not).
UString LastExcelError();

bool SaveAnExcelFile(UStringView file_name);
void CloseAnExcelFile();

// BGR to the RRGGBB value the file stores.
uint32_t BgrToRgb(uint32_t bgr);
