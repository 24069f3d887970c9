// Saving a result list as tab-separated text, XML, rich text or an .xlsx workbook.
//
// Every export walks the grid rows 0 (headings) .. TotalRowCount under the holder's export
// choices: a row is taken when all rows are exported or it is selected and the list gives it
// cells; a column likewise, and an invisible cell is never written. Each walk gives way to the
// message loop per row and stops (false, nothing written) when a stop at once is asked for.
// The columns are the grid's: in the order of its layout (model/grid_headings.h), those it hides
// left out, the columns the user added among them, each cell's value as the grid shows it.
//
// Files are written to a temporary sibling renamed over the target when complete, so a stop
// or a failure leaves the previous file as it was.
//   Text: UTF-16LE with a byte-order mark, one line per row with cells, each ended by LF; one
//         tab between consecutive exported cells (an empty cell keeps its place).
//   XML:  UTF-8 with a byte-order mark; root and list elements, "\t<RowN>" per row with
//         "\t\t<Heading[col]>text</...>" per cell, lines joined by LF.
//   RTF:  the caption, list name and file name, then one paragraph per row.
//   .xlsx: title merged over A1:G3, column totals from row 4, the heading row and the data
//         below; the column at place p of the layout is spreadsheet column p + 1 for cells,
//         formats, widths and totals alike (a column not chosen, or one the list hides, leaves
//         its spreadsheet column empty). Totals go under the columns whose heading is numeric.
//         Plot positions and time-lines go to sheets of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "model/export/export_cells.h"
#include "model/lists/result_list_base.h"
#include "platform/rtl/ustring.h"

class TVXBaseLemmaMatchCapableList;
using TExportList = TVXBaseLemmaMatchCapableList;

bool RowExported(const TVXBaseHolder& holder, int row);
// place: a column's place among the grid's columns (LaidOutColumns).
bool ColumnExported(const TVXBaseHolder& holder, int place);

// One grid column as an export writes it.
struct TExportColumn {
  int column = 0;         // the list column (an added column's number for an added one)
  int place = 0;          // in the layout's order (0 the row numbers); a workbook's column is place + 1
  bool laid_out = false;  // heading is the grid layout's record, whose decimals, threshold and letter
                          // case the values are written with, as the grid shows them
  // Otherwise the list's settings for the column.
  TGrid_head32 heading;
  // The heading says so, or the first data row holds a number there (as a grid finds it when it
  // lays the list out): a workbook writes the column's totals.
  bool holds_numbers = false;
  UString name;           // the heading text (an XML element is named from it)
};
// The columns an export writes, in the grid's layout order: those chosen (by place), shown by the
// layout, and whose heading cell the list shows; added columns among them. The heading row and
// every data row take their fields from this one list: a cell the list hides in such a column keeps
// its place, empty (text), or is left out (XML, workbook).
std::vector<TExportColumn> ExportColumnList(TExportList& list, const TVXBaseHolder& holder);
// Their list columns.
std::vector<int> ExportedColumns(TExportList& list, const TVXBaseHolder& holder);

// Calls each(row, cells) for every exported row with cells; cells[k] is the cell of columns[k] as
// the grid shows it (visible false: the list hides it in this row), valid during the call. False
// when stopped.
bool WalkExportedRows(TExportList& list, const TVXBaseHolder& holder, const std::vector<TExportColumn>& columns,
                      const std::function<bool(int row, std::vector<TGrid_data_rec*>& cells)>& each);

bool ExportListAsTXT(TExportList& list, TVXBaseHolder& holder, UStringView file_name);
bool ExportListAsXML(TExportList& list, TVXBaseHolder& holder, UStringView file_name);
// document_name: the document's file, shown in the third heading line.
bool ExportListAsRTF(TExportList& list, TVXBaseHolder& holder, UStringView file_name, UStringView document_name);

// --- spreadsheet ---------------------------------------------------------------------------

// Where the extra sheets of one workbook export stand.
struct TExcelExportState {
  int main_sheet = 1;
  int positions_sheet = 0;
  int time_line_sheet = 0;
  int positions_row = 3;
  int time_line_row = 3;
  int time_line_dates = 0;
  bool note_written = false;
  int32_t wrap_format = -1;
  int32_t int_format = -1;
  int32_t date_format = -1;    // a text's date and time, right-aligned
  int32_t export_setting = 0;  // characters of a concordance line (0: whole)
  int32_t run_colour = -1;     // the search word's colour as a line's runs carry it
  std::vector<TSpreadsheetRun> runs;  // a line's runs, their room reused line after line
  bool failed = false;         // a cell write failed
  UString title;               // the sheet title extra sheets are named from
  std::map<int, int> overflow_sheets;  // ExcelFileCell's sheet -> workbook sheet
  std::map<std::pair<int, int32_t>, int32_t> number_formats;  // (column, decimals) -> format
};

// Registers the list's formats (excel_column_formats by workbook column); with set_widths also the
// widths of the exported columns.
void DefineExcelFormats(TExportList& list, const TVXBaseHolder& holder, bool set_widths);
// Answers the sheet titled title, adding it (named title, or title + "(n)" past the second).
int EnsureSecondSheet(UStringView title);
// A data cell of column (its excel_row and excel_col set).
void DoExportaCellToExcel(TExportList& list, TGrid_data_rec& cell, const TExportColumn& column,
                          TExcelExportState& state);
// Starts the workbook, names its sheet, writes the title and the column totals.
bool StartAndDefineHeaderExcelFile(TExportList& list, const TVXBaseHolder& holder, UStringView document_name,
                                   TExcelExportState& state);
bool ExportListAsExcel(TExportList& list, TVXBaseHolder& holder, UStringView file_name, UStringView document_name);
