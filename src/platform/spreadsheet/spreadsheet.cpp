#include "platform/spreadsheet/spreadsheet.h"

#include <xlsxwriter.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "platform/rtl/files.h"
#include "platform/rtl/safe_save.h"
#include "platform/runtime/vx_runtime.h"

namespace {

struct TPendingMerge {
  int first_row = 0, first_col = 0, last_row = 0, last_col = 0;
  int32_t format = -1;
};

struct TSheet {
  lxw_worksheet* ws = nullptr;
  UString name;
  int last_row = 0;  // highest row written (1-based), 0 none
  std::vector<TPendingMerge> merges;
};

struct TFormatInfo {
  lxw_format* format = nullptr;
  bool style_colour = false;
  int32_t text_colour = -1;
  UString number_format;
  int32_t alignment = 0;
};

struct TBook {
  lxw_workbook* wb = nullptr;
  std::vector<TSheet> sheets;
  std::vector<TFormatInfo> formats;
  std::map<std::tuple<int32_t, bool, int32_t>, lxw_format*> run_formats;  // colour, bold, base
  std::map<std::tuple<int, int, int>, int32_t> pending_cell_formats;       // sheet, row, col
  int active = 1;
  int refused = 0;
  UString error;
};

TBook g_book;

bool ValidColour(int32_t c) { return c >= 0 && c <= 0xFFFFFF; }

void Fail(UStringView what) {
  g_book.error = UString(what);
  AddToLogFile(u"spreadsheet: " + g_book.error);
}

// Makes the library's sheets up to and including the active one, in their order, so that a
// name can still change until a sheet is first used.
bool Materialise(int upto) {
  for (int i = 0; i < upto; ++i) {
    TSheet& s = g_book.sheets[static_cast<size_t>(i)];
    if (s.ws) continue;
    s.ws = workbook_add_worksheet(g_book.wb, Utf16ToUtf8(s.name).c_str());
    if (!s.ws) {
      Fail(u"the library refused the sheet " + s.name);
      return false;
    }
  }
  return true;
}

TSheet* Active() {
  if (!g_book.wb || g_book.active < 1 || g_book.active > static_cast<int>(g_book.sheets.size())) return nullptr;
  if (!Materialise(g_book.active)) return nullptr;
  return &g_book.sheets[static_cast<size_t>(g_book.active - 1)];
}

lxw_format* FormatOf(int32_t f) {
  if (f < 0 || f >= static_cast<int32_t>(g_book.formats.size())) return nullptr;
  return g_book.formats[static_cast<size_t>(f)].format;
}

// A cell's text as the library takes it: cut to the cell limit, never inside a pair.
std::string CellText(UStringView text, int row, int col) {
  if (text.size() <= static_cast<size_t>(kExcelMaxCellChars)) return Utf16ToUtf8(text);
  size_t n = kExcelMaxCellChars;
  if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  AddToLogFile(u"spreadsheet: cell text cut to " + IntToUStr(static_cast<int64_t>(n)) + u" characters at row " +
               IntToUStr(row) + u", column " + IntToUStr(col));
  return Utf16ToUtf8(text.substr(0, n));
}

// Checks that the cell lies on the sheet and its row has not been passed; counts a refusal.
bool Writable(TSheet*& sheet, int row, int col) {
  sheet = Active();
  if (!sheet) {
    Fail(u"no workbook is open");
    return false;
  }
  if (row < 1 || row > kExcelMaxRows || col < 1 || col > kExcelMaxColumns || row < sheet->last_row) {
    ++g_book.refused;
    g_book.error = u"cell (" + IntToUStr(row) + u", " + IntToUStr(col) + u") refused on sheet " + sheet->name;
    return false;
  }
  return true;
}

void Wrote(TSheet& sheet, int row) {
  if (row > sheet.last_row) sheet.last_row = row;
}

// The format a write uses: a pending one for the cell wins over the caller's.
lxw_format* CellFormat(int row, int col, int32_t format) {
  auto it = g_book.pending_cell_formats.find({g_book.active, row, col});
  if (it != g_book.pending_cell_formats.end()) {
    format = it->second;
    g_book.pending_cell_formats.erase(it);
  }
  return FormatOf(format);
}

bool Checked(lxw_error e, const char* what) {
  if (e == LXW_NO_ERROR) return true;
  Fail(Utf8ToUtf16(std::string(what) + ": " + lxw_strerror(e)));
  return false;
}

// Writes a string, merging first when a merge waits for this cell.
bool WriteString(int row, int col, UStringView text, int32_t format) {
  TSheet* sheet = nullptr;
  if (!Writable(sheet, row, col)) return false;
  lxw_format* f = CellFormat(row, col, format);
  const std::string s = CellText(text, row, col);
  for (size_t i = 0; i < sheet->merges.size(); ++i) {
    const TPendingMerge m = sheet->merges[i];
    if (m.first_row != row || m.first_col != col) continue;
    sheet->merges.erase(sheet->merges.begin() + static_cast<std::ptrdiff_t>(i));
    lxw_format* mf = f ? f : FormatOf(m.format);
    const bool ok = Checked(worksheet_merge_range(sheet->ws, static_cast<lxw_row_t>(m.first_row - 1),
                                                  static_cast<lxw_col_t>(m.first_col - 1),
                                                  static_cast<lxw_row_t>(m.last_row - 1),
                                                  static_cast<lxw_col_t>(m.last_col - 1), s.c_str(), mf),
                            "merge");
    Wrote(*sheet, m.last_row);
    return ok;
  }
  const bool ok = Checked(worksheet_write_string(sheet->ws, static_cast<lxw_row_t>(row - 1),
                                                 static_cast<lxw_col_t>(col - 1), s.c_str(), f),
                          "string");
  Wrote(*sheet, row);
  return ok;
}

UString UniqueSheetName(UStringView wanted) {
  UString base = CleanSheetName(wanted);
  if (base.empty()) base = u"Sheet";
  auto taken = [](const UString& n) {
    const UString ln = AsciiLower(n);
    for (const TSheet& s : g_book.sheets)
      if (AsciiLower(s.name) == ln) return true;
    return false;
  };
  UString name = base;
  for (int k = 2; taken(name); ++k) {
    const UString suffix = u"(" + IntToUStr(k) + u")";
    name = base.substr(0, static_cast<size_t>(kExcelMaxSheetNameChars) - suffix.size()) + suffix;
  }
  return name;
}

void FreeBook() {
  if (g_book.wb) lxw_workbook_free(g_book.wb);
  g_book = TBook();
}

}  // namespace

uint32_t BgrToRgb(uint32_t bgr) {
  return ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

UString CleanSheetName(UStringView name) {
  UString out;
  for (char16_t c : name)
    if (UStringView(u"[]:*?/\\").find(c) == UStringView::npos && c >= 0x20) out += c;
  while (!out.empty() && out.front() == u'\'') out.erase(0, 1);
  while (!out.empty() && out.back() == u'\'') out.pop_back();
  if (out.size() > static_cast<size_t>(kExcelMaxSheetNameChars)) {
    size_t n = kExcelMaxSheetNameChars;
    if (out[n - 1] >= 0xD800 && out[n - 1] <= 0xDBFF) --n;
    out.resize(n);
  }
  return out;
}

bool StartAnExcelFile(int sheets) {
  FreeBook();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  // The real name is given when the file is saved.
  g_book.wb = workbook_new_opt("unsaved.xlsx", &options);
  if (!g_book.wb) {
    Fail(u"the library could not start a workbook");
    return false;
  }
  for (int i = 0; i < std::max(sheets, 1); ++i)
    if (AddAnExcelSheet(u"Sheet" + IntToUStr(i + 1)) == 0) return false;
  g_book.active = 1;
  return true;
}

bool ExcelFileOpen() { return g_book.wb != nullptr; }
int ExcelSheetCount() { return static_cast<int>(g_book.sheets.size()); }

int AddAnExcelSheet(UStringView name) {
  if (!g_book.wb) return 0;
  TSheet sheet;
  sheet.name = UniqueSheetName(name);
  g_book.sheets.push_back(std::move(sheet));
  return ExcelSheetCount();
}

bool SetAnActiveSheetname(int sheet, UStringView name) {
  if (!g_book.wb || sheet < 1 || sheet > ExcelSheetCount()) return false;
  TSheet& s = g_book.sheets[static_cast<size_t>(sheet - 1)];
  // The library fixes a sheet's name when the sheet is made, which is at its first write.
  if (s.ws) return false;
  s.name.clear();
  s.name = UniqueSheetName(name);
  return true;
}

UString ExcelSheetName(int sheet) {
  if (sheet < 1 || sheet > ExcelSheetCount()) return UString();
  return g_book.sheets[static_cast<size_t>(sheet - 1)].name;
}

void SetActiveExcelSheet(int sheet) {
  if (sheet >= 1 && sheet <= ExcelSheetCount()) g_book.active = sheet;
}

int ActiveExcelSheet() { return g_book.active; }

int32_t DefinedFormatNum0Based(UStringView number_format, int32_t alignment, bool style_colour,
                               int32_t /*unchanged_a*/, int32_t /*unchanged_b*/, int32_t background,
                               int32_t text_colour, bool bold, bool wrap) {
  if (!g_book.wb) return -1;
  lxw_format* f = workbook_add_format(g_book.wb);
  if (!f) return -1;
  if (!number_format.empty()) format_set_num_format(f, Utf16ToUtf8(number_format).c_str());
  if (alignment == kExcelAlignLeft) format_set_align(f, LXW_ALIGN_LEFT);
  if (alignment == kExcelAlignRight) format_set_align(f, LXW_ALIGN_RIGHT);
  if (ValidColour(text_colour)) format_set_font_color(f, BgrToRgb(static_cast<uint32_t>(text_colour)));
  // White is the sheet's own background: a fill of it would only hide the grid lines.
  if (ValidColour(background) && background != 0xFFFFFF) {
    format_set_pattern(f, LXW_PATTERN_SOLID);
    format_set_bg_color(f, BgrToRgb(static_cast<uint32_t>(background)));
  }
  if (bold) format_set_bold(f);
  if (wrap) format_set_text_wrap(f);
  TFormatInfo info;
  info.format = f;
  info.style_colour = style_colour;
  info.text_colour = text_colour;
  info.number_format = UString(number_format);
  info.alignment = alignment;
  g_book.formats.push_back(std::move(info));
  return static_cast<int32_t>(g_book.formats.size()) - 1;
}

bool ExcelFormatUsesStyleColour(int32_t format) {
  return format >= 0 && format < static_cast<int32_t>(g_book.formats.size()) &&
         g_book.formats[static_cast<size_t>(format)].style_colour;
}

bool MergeCells(int first_row, int first_col, int last_row, int last_col, int32_t format) {
  TSheet* sheet = Active();
  if (!sheet || first_row < 1 || first_col < 1 || last_row < first_row || last_col < first_col ||
      last_row > kExcelMaxRows || last_col > kExcelMaxColumns || first_row < sheet->last_row)
    return false;
  sheet->merges.push_back({first_row, first_col, last_row, last_col, format});
  return true;
}

bool SetACellStringWithFormat(int row, int col, UStringView text, int32_t format) {
  return WriteString(row, col, text, format);
}

bool SetACellString(int row, int col, UStringView text) { return WriteString(row, col, text, -1); }

bool SetACellDoubleWithFormat(int row, int col, double value, int32_t format) {
  TSheet* sheet = nullptr;
  if (!Writable(sheet, row, col)) return false;
  lxw_format* f = CellFormat(row, col, format);
  const bool ok = Checked(
      worksheet_write_number(sheet->ws, static_cast<lxw_row_t>(row - 1), static_cast<lxw_col_t>(col - 1), value, f),
      "number");
  Wrote(*sheet, row);
  return ok;
}

bool SetACellDouble(int row, int col, double value) { return SetACellDoubleWithFormat(row, col, value, -1); }

bool SetACellRich(int row, int col, const std::vector<TSpreadsheetRun>& runs, int32_t format) {
  std::vector<const TSpreadsheetRun*> kept;
  size_t total = 0;
  for (const TSpreadsheetRun& r : runs)
    if (!r.text.empty()) {
      kept.push_back(&r);
      total += r.text.size();
    }
  // The library wants two stretches at least; the cell limit counts the whole text.
  if (kept.size() < 2 || total > static_cast<size_t>(kExcelMaxCellChars)) {
    UString all;
    for (const TSpreadsheetRun* r : kept) all += r->text;
    return WriteString(row, col, all, format);
  }
  TSheet* sheet = nullptr;
  if (!Writable(sheet, row, col)) return false;
  lxw_format* cell_format = CellFormat(row, col, format);
  const int32_t base_colour =
      format >= 0 && format < static_cast<int32_t>(g_book.formats.size()) ? g_book.formats[size_t(format)].text_colour : -1;
  std::vector<std::string> texts(kept.size());
  std::vector<lxw_rich_string_tuple> tuples(kept.size());
  std::vector<lxw_rich_string_tuple*> list(kept.size() + 1, nullptr);
  for (size_t i = 0; i < kept.size(); ++i) {
    const TSpreadsheetRun& r = *kept[i];
    const int32_t colour = ValidColour(r.colour) ? r.colour : base_colour;
    lxw_format* f = nullptr;
    if (ValidColour(colour) || r.bold) {
      lxw_format*& cached = g_book.run_formats[{colour, r.bold, 0}];
      if (!cached) {
        cached = workbook_add_format(g_book.wb);
        if (ValidColour(colour)) format_set_font_color(cached, BgrToRgb(static_cast<uint32_t>(colour)));
        if (r.bold) format_set_bold(cached);
      }
      f = cached;
    }
    texts[i] = Utf16ToUtf8(r.text);
    tuples[i].format = f;
    tuples[i].string = texts[i].data();
    list[i] = &tuples[i];
  }
  const bool ok = Checked(worksheet_write_rich_string(sheet->ws, static_cast<lxw_row_t>(row - 1),
                                                      static_cast<lxw_col_t>(col - 1), list.data(), cell_format),
                          "rich string");
  Wrote(*sheet, row);
  return ok;
}

bool FormatACellDefinedFormatNum(int32_t format, int row, int col) {
  if (!Active() || !FormatOf(format)) return false;
  g_book.pending_cell_formats[{g_book.active, row, col}] = format;
  return true;
}

bool SetAColumnWidth(int col, double chars, bool hidden) {
  TSheet* sheet = Active();
  if (!sheet || col < 1 || col > kExcelMaxColumns) return false;
  lxw_row_col_options options{};
  options.hidden = hidden ? 1 : 0;
  return Checked(worksheet_set_column_opt(sheet->ws, static_cast<lxw_col_t>(col - 1),
                                          static_cast<lxw_col_t>(col - 1), chars, nullptr, &options),
                 "column width");
}

double AColumnWidthInChars(int pixels) {
  // The default font's digit is 7 pixels wide with 5 pixels of padding.
  if (pixels <= 12) return std::max(pixels, 0) / 12.0;
  return std::round((pixels - 5) / 7.0 * 100.0) / 100.0;
}

int RefusedExcelCellWrites() { return g_book.refused; }
UString LastExcelError() { return g_book.error; }

bool SaveAnExcelFile(UStringView file_name) {
  if (!g_book.wb) {
    Fail(u"no workbook to save");
    return false;
  }
  if (!Materialise(ExcelSheetCount())) {
    FreeBook();
    return false;
  }
  const int refused = g_book.refused;
  if (refused > 0) AddToLogFile(u"spreadsheet: " + IntToUStr(refused) + u" cell writes refused");
  // The library writes the book to a file name of its own choosing: it gets the temporary file.
  TSafeSave save(file_name);
  UString error;
  if (!save.Begin(&error)) {
    FreeBook();
    Fail(error);
    return false;
  }
  const std::string temp8 = Utf16ToUtf8(save.TemporaryName());
  char* copy = static_cast<char*>(std::malloc(temp8.size() + 1));
  if (!copy) {
    FreeBook();
    return false;
  }
  std::memcpy(copy, temp8.c_str(), temp8.size() + 1);
  std::free(g_book.wb->filename);
  g_book.wb->filename = copy;
  // The library frees the workbook whatever the outcome, so it is forgotten here first.
  lxw_workbook* wb = g_book.wb;
  g_book.wb = nullptr;
  const lxw_error e = workbook_close(wb);
  g_book.sheets.clear();
  g_book.formats.clear();
  g_book.run_formats.clear();
  g_book.pending_cell_formats.clear();
  if (e != LXW_NO_ERROR) {
    save.Abandon();
    Fail(u"could not write " + UString(file_name) + u": " + Utf8ToUtf16(lxw_strerror(e)));
    return false;
  }
  if (!save.Commit(&error)) {
    Fail(error);
    return false;
  }
  g_book.error.clear();
  return true;
}

void CloseAnExcelFile() { FreeBook(); }
