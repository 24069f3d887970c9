#include "model/export/list_export.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/lists/grid_headings.h"
#include "model/export/rtf_writer.h"
#include "model/documents/work_base.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/spreadsheet/spreadsheet.h"

namespace {

constexpr size_t kFlushBytes = 1 << 20;
constexpr int kMaxExportColumns = 16383;
constexpr TTessorineList kConcordanceListType = 10;
constexpr uint8_t kSentenceOnlyBit = 8;

// Collects bytes and hands them to the stream a megabyte at a time.
class TBufferedOut {
 public:
  explicit TBufferedOut(TStream& s) : s_(s) {}
  bool Put(const void* data, size_t n) {
    buf_.append(static_cast<const char*>(data), n);
    return buf_.size() < kFlushBytes || Flush();
  }
  bool PutUtf16(UStringView text) { return Put(text.data(), text.size() * sizeof(char16_t)); }
  bool PutUtf8(UStringView text) {
    const std::string s = Utf16ToUtf8(text);
    return Put(s.data(), s.size());
  }
  bool Flush() {
    const bool ok = buf_.empty() || s_.WriteExact(buf_.data(), static_cast<int64_t>(buf_.size()));
    buf_.clear();
    return ok;
  }

 private:
  TStream& s_;
  std::string buf_;
};

bool Contains(const std::vector<int32_t>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

// The list columns at their places; a list may give more cells than it has headings.
std::vector<int> ExportPlaces(TExportList& list, const std::vector<TGrid_data_rec>& heading_cells) {
  return LaidOutColumns(list, std::max(static_cast<int>(heading_cells.size()), list.HeadingCount()));
}

}  // namespace

bool RowExported(const TVXBaseHolder& holder, int row) {
  return holder.export_all_rows || Contains(holder.selected_rows, row);
}

bool ColumnExported(const TVXBaseHolder& holder, int place) {
  return holder.export_all_columns || Contains(holder.selected_columns, place);
}

std::vector<TExportColumn> ExportColumnList(TExportList& list, const TVXBaseHolder& holder) {
  std::vector<TGrid_data_rec> headings, first;
  list.EntryDetailsAsGridDataRecs(0, headings);
  if (list.TotalRowCount() > 0) list.EntryDetailsAsGridDataRecs(1, first);
  const std::vector<int> places = ExportPlaces(list, headings);
  std::vector<TExportColumn> out;
  TGrid_data_rec added;
  for (size_t p = 0; p < places.size(); ++p) {
    const int c = places[p];
    if (!ColumnExported(holder, static_cast<int>(p))) continue;
    TExportColumn col;
    col.column = c;
    col.place = static_cast<int>(p);
    col.laid_out = HeadingIndexOfColumn(list.grid_headings, c) >= 0;
    col.heading = list.HeadingSettings(c);
    col.holds_numbers = col.heading.numeric;
    if (TVXBaseDataClass::IsAddedColumnNumber(c)) {
      list.AddedColumnDataRec(c, 0, added);
      col.name = added.text;
      if (const auto* a = list.AddedColumn(c); a && !a->set_column) col.holds_numbers = true;
    } else {
      const size_t i = static_cast<size_t>(c);
      // A column whose heading the list hides (a statistic not computed) is not written.
      if (i < headings.size() && !headings[i].visible) continue;
      if (c < list.HeadingCount()) col.name = list.Headings()[i];
      // A list that makes its captions itself (the concordance) keeps no heading texts: the
      // heading row's cell names the column.
      if (col.name.empty() && i < headings.size()) col.name = CellTextAsShown(headings[i]);
      if (i < first.size() && first[i].has_number) col.holds_numbers = true;
    }
    out.push_back(std::move(col));
  }
  return out;
}

std::vector<int> ExportedColumns(TExportList& list, const TVXBaseHolder& holder) {
  std::vector<int> out;
  for (const TExportColumn& c : ExportColumnList(list, holder)) out.push_back(c.column);
  return out;
}

bool WalkExportedRows(TExportList& list, const TVXBaseHolder& holder, const std::vector<TExportColumn>& columns,
                      const std::function<bool(int row, std::vector<TGrid_data_rec*>& cells)>& each) {
  const int last = list.TotalRowCount();
  std::vector<TGrid_data_rec> row_cells;
  // Added columns' cells live here; own columns' cells are the list's row cells, pointed at.
  std::vector<TGrid_data_rec> added(columns.size());
  std::vector<TGrid_data_rec*> cells(columns.size());
  TGrid_data_rec missing;
  for (int r = 0; r <= last; ++r) {
    MyYieldProcess();
    if (StopRequested()) return false;
    if (!RowExported(holder, r)) continue;
    list.EntryDetailsAsGridDataRecs(r, row_cells);
    if (row_cells.empty()) continue;
    for (size_t k = 0; k < columns.size(); ++k) {
      const TExportColumn& col = columns[k];
      TGrid_data_rec* cell = &added[k];
      if (TVXBaseDataClass::IsAddedColumnNumber(col.column)) {
        list.AddedColumnDataRec(col.column, r, *cell);
      } else if (static_cast<size_t>(col.column) < row_cells.size()) {
        cell = &row_cells[static_cast<size_t>(col.column)];
      } else {
        ResetGridDataRec(missing);
        missing.visible = false;
        cell = &missing;
      }
      cell->row = r;
      if (col.laid_out && cell->visible) ApplyHeadingToValue(col.heading, *cell);
      cells[k] = cell;
    }
    if (!each(r, cells)) return false;
  }
  return true;
}

// --- text ------------------------------------------------------------------------------------

bool ExportListAsTXT(TExportList& list, TVXBaseHolder& holder, UStringView file_name) {
  holder.CheckExportSettings();
  const int32_t setting = GetConcCharactersForTextOnly();
  int lines = 0;
  const bool ok = SafeSaveToFile(file_name, [&](TStream& s) {
    TBufferedOut out(s);
    static constexpr char16_t kBom = 0xFEFF;
    if (!out.Put(&kBom, sizeof kBom)) return false;
    UString line;
    const std::vector<TExportColumn> columns = ExportColumnList(list, holder);
    const bool walked = WalkExportedRows(list, holder, columns, [&](int, std::vector<TGrid_data_rec*>& cells) {
      line.clear();
      for (size_t k = 0; k < cells.size(); ++k) {
        if (k > 0) line += u'\t';
        // A cell the list hides in a column the headings show keeps its place, empty.
        if (cells[k]->visible) AppendCellAsTXT(*cells[k], setting, line, holder.export_thousands_separator);
      }
      line += u'\n';
      ++lines;
      return out.PutUtf16(line);
    });
    // Without a line there is no file to write.
    return walked && lines > 0 && out.Flush();
  });
  return ok && lines > 0;
}

// --- XML -------------------------------------------------------------------------------------

bool ExportListAsXML(TExportList& list, TVXBaseHolder& holder, UStringView file_name) {
  holder.CheckExportSettings();
  const UString root = XMLElementName(TessorineControllerCaption(), 0);
  const UString list_name = XMLElementName(list_type_as_string(list.ListType()), 0);
  return SafeSaveToFile(file_name, [&](TStream& s) {
    TBufferedOut out(s);
    static constexpr unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};
    if (!out.Put(kBom, 3) || !out.PutUtf8(u"<" + root + u">\n<" + list_name + u">")) return false;
    UString text;
    const std::vector<TExportColumn> columns = ExportColumnList(list, holder);
    const bool walked = WalkExportedRows(list, holder, columns, [&](int r, std::vector<TGrid_data_rec*>& cells) {
      const UString row = u"Row" + IntToUStr(r);
      text = u"\n\t<" + row + u">";
      for (size_t k = 0; k < cells.size(); ++k)
        if (cells[k]->visible)
          text += u"\n\t\t" + DoExportaCellToXML(*cells[k], columns[k].name, columns[k].place);
      text += u"\n\t</" + row + u">";
      return out.PutUtf8(text);
    });
    return walked && out.PutUtf8(u"\n</" + list_name + u">\n</" + root + u">") && out.Flush();
  });
}

// --- rich text -------------------------------------------------------------------------------

bool ExportListAsRTF(TExportList& list, TVXBaseHolder& holder, UStringView file_name, UStringView document_name) {
  holder.CheckExportSettings();
  const TExportStyleColours style = ExportStyleColours();
  const int32_t setting = GetConcCharactersForTextOnly();
  TRtfWriter rtf(style.font_size, style.font_name);
  rtf.Insert(TessorineControllerCaption(), style.base_text);
  rtf.EndLine();
  rtf.Insert(list_type_as_string(list.ListType()), style.base_text);
  rtf.EndLine();
  rtf.Insert(document_name, style.base_text);
  rtf.EndLine();
  int rows = 0;
  const std::vector<TExportColumn> columns = ExportColumnList(list, holder);
  const bool walked = WalkExportedRows(list, holder, columns, [&](int, std::vector<TGrid_data_rec*>& cells) {
    // Cells are parted by a tab (a line brings its own), so that they do not run together.
    bool tab_due = false;
    for (TGrid_data_rec* cell : cells) {
      if (tab_due) rtf.Insert(u"\t", style.base_text);
      tab_due = true;
      if (!cell->visible) continue;
      FormatCellForExport(*cell);
      if (cell->kind == kCellConcordanceLine) {
        const TCellSections s = ConcLinein3Sections(*cell, setting);
        rtf.Insert(s.left, style.base_text);
        rtf.Insert(s.centre, style.search_word);
        rtf.Insert(s.right + u"\t", style.base_text);
        tab_due = false;
      } else {
        rtf.Insert(CellTextForExport(*cell, holder.export_thousands_separator), style.base_text);
      }
    }
    rtf.EndLine();
    ++rows;
    return true;
  });
  // The three heading lines alone are no export.
  if (!walked || rows == 0) return false;
  const std::string doc = rtf.Document();
  return SafeSaveBytes(file_name, doc.data(), static_cast<int64_t>(doc.size()));
}

// --- spreadsheet -----------------------------------------------------------------------------

void DefineExcelFormats(TExportList& list, const TVXBaseHolder& holder, bool set_widths) {
  const TExportStyleColours style = ExportStyleColours();
  list.excel_standard_2DecPLaces_format = DefaultNumberFormat();
  list.excel_header_format_str = u"excelheader";
  list.excel_header_int_format =
      DefinedFormatNum0Based(u"#,##0", kExcelAlignLeft, true, -1, 0x1FFFFFFF, style.background, style.heading, true);
  list.excel_header_format =
      DefinedFormatNum0Based(u"@", kExcelAlignLeft, true, -1, 0x1FFFFFFF, style.background, style.heading, true);
  const std::vector<TExportColumn> columns = ExportColumnList(list, holder);
  const int places = columns.empty() ? 0 : columns.back().place + 1;
  list.excel_column_formats.assign(static_cast<size_t>(places) + 1, list.excel_standard_2DecPLaces_format);
  for (const TExportColumn& col : columns) {
    if (col.place >= kMaxExportColumns) break;
    list.excel_column_formats[static_cast<size_t>(col.place) + 1] = DefinedFormatForGridDataRec(col.heading);
    if (!set_widths) continue;
    const bool empty = !TVXBaseDataClass::IsAddedColumnNumber(col.column) && list.IsEmptyDataColumn(col.column);
    SetAColumnWidth(col.place + 1, empty ? 2.0 : AColumnWidthInChars(col.heading.width));
  }
}

int EnsureSecondSheet(UStringView title) {
  const UString clean = CleanSheetName(title);
  for (int s = 2; s <= ExcelSheetCount(); ++s)
    if (ExcelSheetName(s) == clean) return s;
  const int n = ExcelSheetCount() + 1;
  return AddAnExcelSheet(n <= 2 ? UString(title) : UString(title) + u"(" + IntToUStr(n) + u")");
}

namespace {

// Writes on another sheet and comes back to the main one.
template <typename F>
void OnSheet(int sheet, const TExcelExportState& state, F&& f) {
  SetActiveExcelSheet(sheet);
  f();
  SetActiveExcelSheet(state.main_sheet);
}

// The note stands in the plot's own column, once: the columns beside it keep their values.
void NoteNextWorksheet(int row, int col, TExcelExportState& state) {
  if (state.note_written) return;
  state.note_written = true;
  if (!SetACellString(row, col, VXResFmt(TVXRes::VXNextWorksheet, {VXRes(TVXRes::VXPlotDetails)}))) state.failed = true;
}

void WritePositionsCell(TExportList& list, TGrid_data_rec& cell, TExcelExportState& state) {
  if (state.positions_sheet == 0) {
    state.positions_sheet = EnsureSecondSheet(VXRes(TVXRes::VXPositions));
    OnSheet(state.positions_sheet, state, [&] {
      MergeCells(1, 1, 1, 20, list.excel_header_format);
      SetACellStringWithFormat(1, 1, TitleCasedString(VXRes(TVXRes::VXPositions)), list.excel_header_format);
      SetACellStringWithFormat(3, 1, VXRes(TVXRes::VXN), list.excel_header_format);
      SetACellStringWithFormat(3, 2, VXRes(TVXRes::VXFilename), list.excel_header_format);
    });
  }
  const int row = ++state.positions_row;
  OnSheet(state.positions_sheet, state, [&] {
    bool ok = SetACellDouble(row, 1, cell.int_value) && SetACellString(row, 2, cell.str_value);
    const std::vector<TV2GeneralPlotDataRec>& hits = cell.plot_hits.Plots();
    const size_t n = std::min(hits.size(), static_cast<size_t>(kExcelMaxColumns - 2));
    for (size_t i = 0; i < n; ++i) ok = SetACellDouble(row, static_cast<int>(i) + 3, hits[i].position) && ok;
    if (!ok) state.failed = true;
  });
}

constexpr int kTimeLineFirstDateColumn = 6;

void WriteTimeLineCell(TExportList& list, TGrid_data_rec& cell, TExcelExportState& state) {
  if (state.time_line_sheet == 0) {
    state.time_line_sheet = EnsureSecondSheet(VXRes(TVXRes::VXTimeLineList));
    const std::vector<UString> dates = list.TimeLineDataDateHeaders();
    const int room = kExcelMaxColumns - kTimeLineFirstDateColumn + 1;
    state.time_line_dates = std::min(static_cast<int>(dates.size()), room);
    OnSheet(state.time_line_sheet, state, [&] {
      if (static_cast<int>(dates.size()) > room) {
        const UString note = IntToUStr(static_cast<int64_t>(dates.size()) - room) + u" of " +
                             IntToUStr(static_cast<int64_t>(dates.size())) +
                             u" dates are beyond the last column of the sheet and are not shown";
        SetACellString(1, 1, note);
        AddToLogFile(u"time-line export: " + note);
      }
      const UString heads[5] = {VXRes(TVXRes::VXN), VXRes(TVXRes::VXSearchWord), UString(), VXRes(TVXRes::VXWords),
                                VXRes(TVXRes::VXHits)};
      for (int k = 0; k < 5; ++k)
        if (!heads[k].empty()) SetACellStringWithFormat(3, k + 1, heads[k], list.excel_header_format);
      const double width = AColumnWidthInChars(144);
      for (int d = 0; d < state.time_line_dates; ++d) {
        SetAColumnWidth(kTimeLineFirstDateColumn + d, width);
        SetACellStringWithFormat(3, kTimeLineFirstDateColumn + d, dates[static_cast<size_t>(d)],
                                 list.excel_header_format);
      }
    });
  }
  // The row's number, its label, its words and hits under their headings, then each period's
  // hits under its date.
  const int row = ++state.time_line_row;
  OnSheet(state.time_line_sheet, state, [&] {
    bool ok = SetACellDoubleWithFormat(row, 1, cell.row, state.int_format) && SetACellString(row, 2, cell.str_value);
    if (cell.ints.size() >= 3)
      ok = SetACellDoubleWithFormat(row, 4, cell.ints[1], state.int_format) &&
           SetACellDoubleWithFormat(row, 5, cell.ints[2], state.int_format) && ok;
    const size_t n = std::min(cell.timeline_segments.size(), static_cast<size_t>(state.time_line_dates));
    for (size_t d = 0; d < n; ++d)
      ok = SetACellDoubleWithFormat(row, kTimeLineFirstDateColumn + static_cast<int>(d), cell.timeline_segments[d].first,
                                    state.int_format) && ok;
    if (!ok) state.failed = true;
  });
}

// The first day a sheet shows as a date (1900-03-01; before it the sheet's calendar is off by the
// day it takes 1900 for a leap year): earlier dates go as their text.
constexpr double kFirstSheetDate = 61.0;

// The column's format with that many decimals for a number, right-aligned whatever the column's
// kind: made once per column and decimals.
int32_t NumberFormatFor(const TExportColumn& column, int32_t decimals, TExcelExportState& state) {
  auto [it, added] = state.number_formats.try_emplace({column.place, decimals}, 0);
  if (added) {
    TGrid_head32 with_decimals = column.heading;
    with_decimals.decimals = decimals;
    it->second = DefinedFormatForGridDataRec(with_decimals, true);
  }
  return it->second;
}

// The decimals a number of the column is written with: those the column was given, else those the
// grid shows the cell with.
int32_t DecimalsOf(const TExportColumn& column, const TGrid_data_rec& cell) {
  return column.heading.decimals > 0 ? column.heading.decimals : CellShownDecimals(cell);
}

}  // namespace

void DoExportaCellToExcel(TExportList& list, TGrid_data_rec& cell, const TExportColumn& column,
                          TExcelExportState& state) {
  const int row = cell.excel_row;
  const int col = cell.excel_col;
  bool ok = true;
  // A number the grid shows without a text of its own is a number here too.
  const bool number = cell.export_kind == kExportKindNumber ||
                      (cell.export_kind == 0 && !cell.has_text && cell.has_number && cell.kind != kCellConcordanceLine);
  switch (number ? kExportKindNumber : cell.export_kind) {
    case kExportKindNumber: {
      if (!cell.has_number || !std::isfinite(cell.number.value) || cell.number.value == kMissingValue) break;
      const int32_t decimals = DecimalsOf(column, cell);
      ok = SetACellDoubleWithFormat(row, col, CellValueToStore(cell), NumberFormatFor(column, decimals, state));
      break;
    }
    case 2:
      ok = SetACellString(row, col, RelevantAffixesOfStringData(cell));
      NoteNextWorksheet(row, col, state);
      WritePositionsCell(list, cell, state);
      break;
    case 4:
      ok = SetACellString(row, col, RelevantAffixesOfStringData(cell));
      NoteNextWorksheet(row, col, state);
      WriteTimeLineCell(list, cell, state);
      break;
    default:
      if (const double day = cell.date != 0.0 && std::isfinite(cell.date) ? JulianToDateTimeRemovingConst(cell.date) : 0.0;
          day >= kFirstSheetDate && cell.prefix.empty() && cell.suffix.empty()) {
        // A date the sheet can hold is a date there, not its text.
        ok = SetACellDoubleWithFormat(row, col, day, state.date_format);
      } else if (cell.kind == kCellConcordanceLine) {
        ConcLineRuns(ConcLineSectionViews(cell, state.export_setting), state.run_colour, state.runs);
        ok = SetACellRich(row, col, state.runs, state.wrap_format);
      } else if (!cell.has_colour && cell.prefix.empty() && cell.suffix.empty()) {
        // One segment in the base colour: a plain string says the same.
        if (!cell.text.empty()) ok = SetACellString(row, col, cell.text);
      } else {
        ok = SetACellRich(row, col, HtmlCellToRuns(ColouredSegmentsAsHTML(cell)), -1);
      }
      break;
  }
  if (!ok) state.failed = true;
}

bool StartAndDefineHeaderExcelFile(TExportList& list, const TVXBaseHolder& holder, UStringView document_name,
                                   TExcelExportState& state) {
  if (!StartAnExcelFile(1)) return false;
  DefineExcelFormats(list, holder, false);
  const UString list_name = list_type_as_string(list.ListType());
  state.title = VXResFmt(TVXRes::VXTessorineList, {list_name});
  SetAnActiveSheetname(1, state.title);
  DefineExcelFormats(list, holder, true);
  state.wrap_format = DefinedFormatNum0Based(u"", kExcelAlignLeft, true, -1, 0x1FFFFFFF, -1,
                                             ExportStyleColours().base_text, false, true);
  state.int_format = DefinedFormatNum0Based(u"#,##0", kExcelAlignRight, true, -1, 0x1FFFFFFF, -1, -1);
  state.date_format = DefinedFormatNum0Based(u"yyyy-mm-dd hh:mm:ss", kExcelAlignRight, true, -1, 0x1FFFFFFF, -1, -1);
  state.export_setting = GetConcCharactersForTextOnly();
  state.run_colour = ConcLineRunColour(ExportStyleColours().search_word);
  const int totals = list.ColumnTotalRowCount();
  UString title = totals > 0 ? UFormat(u"%s (%s)", {list_name, VXRes(TVXRes::VXWithColumnTotals)})
                             : UFormat(u"%s: %s", {TessorineControllerCaption(), list_name});
  if (!ExtractFileName(document_name).empty())
    title += u" " + BracketedWith(ExtractFileName(document_name), u"(", u")");
  bool ok = MergeCells(1, 1, 3, 7, -1) && SetACellStringWithFormat(1, 1, title, list.excel_header_format);
  if (list.ListType() == kConcordanceListType) {
    const bool sentence_only = (GetConcSaveRec().DisplayOptions() & kSentenceOnlyBit) != 0;
    // 0 characters exports the lines whole, and the note says so.
    const int32_t characters = state.export_setting;
    const UString x = sentence_only   ? VXRes(TVXRes::VXSentenceOnly)
                      : characters == 0 ? VXRes(TVXRes::VXWholeLinesSavedPerEntry)
                                        : VXResFmt(TVXRes::VXNmanyCharactersSavedPerEntry, {IntToUStr(characters)});
    ok = SetACellString(3, 8, u"(" + x + u")") && ok;
  }
  const std::vector<TExportColumn> columns = ExportColumnList(list, holder);
  // The label goes to the main word column's place, wherever the layout put it.
  const std::vector<int> places = ExportPlaces(list, list.EntryDetailsAsGridDataRecs(0));
  const auto main = std::find(places.begin(), places.end(), list.MainWordColumn());
  const int label_column = main == places.end() ? 1 : static_cast<int>(main - places.begin()) + 1;
  for (int t = 1; t <= totals; ++t) {
    const int row = t + 3;
    for (const TExportColumn& col : columns) {
      if (col.place >= kMaxExportColumns) break;
      TGrid_data_rec total;
      list.GetColumnTotalDataForGrid(col.column, t, total);
      if (col.column == 0) {
        ok = SetACellString(row, label_column, RelevantAffixesOfStringData(total) + u": ") && ok;
      } else if (col.holds_numbers && total.has_number && std::isfinite(total.number.value) &&
                 total.number.value != kMissingValue) {
        const int32_t decimals = DecimalsOf(col, total);
        FormatACellDefinedFormatNum(NumberFormatFor(col, decimals, state), row, col.place + 1);
        ok = SetACellDouble(row, col.place + 1, CellValueToStore(total)) && ok;
      }
    }
  }
  if (!ok) state.failed = true;
  return true;
}

bool ExportListAsExcel(TExportList& list, TVXBaseHolder& holder, UStringView file_name, UStringView document_name) {
  holder.CheckExportSettings();
  TExcelExportState state;
  if (!StartAndDefineHeaderExcelFile(list, holder, document_name, state)) return false;
  const int first_data_row = 3 + list.ColumnTotalRowCount();
  int running = first_data_row + 1;
  const std::vector<TExportColumn> columns = ExportColumnList(list, holder);
  const bool walked = WalkExportedRows(list, holder, columns, [&](int r, std::vector<TGrid_data_rec*>& cells) {
    // Past the sheet's last row the rows go on on a sheet of their own.
    if (running + 1 > kExcelMaxRows) {
      state.main_sheet = AddAnExcelSheet(state.title + u"(" + IntToUStr(ExcelSheetCount() + 1) + u")");
      if (state.main_sheet == 0) return false;
      SetActiveExcelSheet(state.main_sheet);
      running = 0;
      state.overflow_sheets.clear();
    }
    for (size_t k = 0; k < cells.size(); ++k) {
      TGrid_data_rec& cell = *cells[k];
      if (!cell.visible) continue;
      // The logical column is the place: the workbook's columns follow the layout.
      cell.col = static_cast<int32_t>(columns[k].place);
      cell.row = r;
      cell.excel_row = running + 1;
      list.ExcelFileCell(cell);
      int sheet = state.main_sheet;
      if (cell.sheet > 1) {
        int& extra = state.overflow_sheets[cell.sheet];
        if (extra == 0) extra = AddAnExcelSheet(state.title + u"(" + IntToUStr(ExcelSheetCount() + 1) + u")");
        sheet = extra;
      }
      SetActiveExcelSheet(sheet);
      if (r == 0) {
        if (!SetACellStringWithFormat(cell.excel_row, cell.excel_col, TitleCasedString(cell.text),
                                      list.excel_header_format))
          state.failed = true;
      } else {
        DoExportaCellToExcel(list, cell, columns[k], state);
      }
      SetActiveExcelSheet(state.main_sheet);
    }
    ++running;
    return true;
  });
  if (!walked) {
    CloseAnExcelFile();
    return false;
  }
  const int refused = RefusedExcelCellWrites();
  const bool saved = SaveAnExcelFile(file_name);
  if (refused > 0) AddToLogFile(u"spreadsheet export: " + IntToUStr(refused) + u" cells refused in " + UString(file_name));
  return saved && !state.failed && refused == 0;
}
