// Export speed: generated concordance lines (~120 characters, a file name, numbers) saved as
// text and as .xlsx with plain and with coloured centres. Best of 3, ns per line, and for
// .xlsx the split between building cells, the library's writing and closing the workbook.
// Usage: bench_export [lines (default 1000000)] [folder (default the system's temporary one)]
//        [text | xlsx (default both)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "model/export/export_cells.h"
#include "model/export/list_export.h"
#include "model/documents/work_base.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "platform/spreadsheet/spreadsheet.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Decimal digits of v appended to out.
void AppendInt(UString& out, int64_t v) {
  char16_t digits[24];
  int n = 0;
  const bool negative = v < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  do {
    digits[n++] = static_cast<char16_t>(u'0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (negative) out += u'-';
  while (n > 0) out += digits[--n];
}

// A line of about 120 characters with "HIT" in it, into out (its room reused).
void LineText(int i, UString& out) {
  out.assign(u"the quick brown fox number ");
  AppendInt(out, i % 977);
  out.append(u" jumps over the lazy dog and HIT along the riverbank while ");
  AppendInt(out, i);
  out.append(u" birds sing in the tall trees");
}

class TBenchList : public TVXBaseLemmaMatchCapableList {
 public:
  TBenchList(TVXBaseHolder* holder, int lines, bool coloured)
      : TVXBaseLemmaMatchCapableList(holder, nullptr, 6, 10, 0), lines_(lines), coloured_(coloured) {
    SetHeadings({u"N", u"Concordance", u"Set", u"Word #", u"File", u"Position"});
  }
  int TotalRowCount() const override { return lines_; }
  using TVXBaseLemmaMatchCapableList::EntryDetailsAsGridDataRecs;
  void EntryDetailsAsGridDataRecs(int row, std::vector<TGrid_data_rec>& cells) override {
    cells.resize(6);
    for (int c = 0; c < 6; ++c) {
      ResetGridDataRec(cells[static_cast<size_t>(c)]);
      cells[static_cast<size_t>(c)].col = c;
      cells[static_cast<size_t>(c)].row = row;
    }
    if (row == 0) {
      for (int c = 0; c < 6; ++c) cells[static_cast<size_t>(c)].text = Headings()[static_cast<size_t>(c)];
      return;
    }
    auto number = [](TGrid_data_rec& cell, int v) {
      cell.has_number = true;
      cell.number.value = static_cast<float>(v);
      cell.export_kind = 1;
      cell.text.clear();
      AppendInt(cell.text, v);
    };
    number(cells[0], row);
    TGrid_data_rec& line = cells[1];
    LineText(row, line.text);
    const int32_t at = static_cast<int32_t>(line.text.find(u"HIT"));
    if (coloured_) {
      line.kind = kCellConcordanceLine;
      line.sw_start = at + 1;
      line.centre_start = at;
      line.centre_length = 3;
    }
    number(cells[3], row * 7 % 100000);
    cells[4].text.assign(u"corpus/texts/file_");
    AppendInt(cells[4].text, row % 500);
    cells[4].text.append(u".txt");
    cells[4].has_text = true;
    number(cells[5], row % 100);
  }

 private:
  int lines_;
  bool coloured_;
};

double BestOf3(const std::function<void()>& f) {
  double best = 1e99;
  for (int i = 0; i < 3; ++i) {
    const auto a = Clock::now();
    f();
    best = std::min(best, Seconds(a, Clock::now()));
  }
  return best;
}

// The text export's own steps, timed apart: the list filling its rows (the list's own work, not
// the export's), the export's cells and line, and what is left for the whole export (the UTF-16
// bytes, the buffer and the file).
void SplitTxt(int lines) {
  TVXBaseHolder holder;
  TBenchList list(&holder, lines, true);
  std::vector<TGrid_data_rec> cells;
  const double rows = BestOf3([&] {
    for (int r = 0; r <= lines; ++r) list.EntryDetailsAsGridDataRecs(r, cells);
  });
  UString line;
  size_t total = 0;
  const double built = BestOf3([&] {
    for (int r = 0; r <= lines; ++r) {
      list.EntryDetailsAsGridDataRecs(r, cells);
      line.clear();
      for (size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += u'\t';
        AppendCellAsTXT(cells[c], 0, line);
      }
      total += line.size();
    }
  });
  std::printf("  split (text): the list's rows %.0f ns/line, the export's cells and line %.0f ns/line (%zu)\n",
              rows * 1e9 / lines, (built - rows) * 1e9 / lines, total % 10);
}

// The .xlsx export's own steps, timed apart: cells built (rows, sections, runs), the library's
// writing, the closing (compression of the sheet into the file).
void SplitXlsx(int lines, bool coloured, const UString& name) {
  TVXBaseHolder holder;
  TBenchList list(&holder, lines, coloured);
  double build = 0, write = 0;
  StartAnExcelFile(1);
  std::vector<TSpreadsheetRun> runs;
  std::vector<TGrid_data_rec> cells;
  const int32_t run_colour = ConcLineRunColour(0x0000FF);
  for (int r = 1; r <= lines; ++r) {
    const auto a = Clock::now();
    list.EntryDetailsAsGridDataRecs(r, cells);
    if (coloured) ConcLineRuns(ConcLineSectionViews(cells[1], 0), run_colour, runs);
    const auto b = Clock::now();
    SetACellDouble(r, 1, cells[0].number.value);
    if (coloured)
      SetACellRich(r, 2, runs, -1);
    else
      SetACellString(r, 2, cells[1].text);
    SetACellDouble(r, 4, cells[3].number.value);
    SetACellString(r, 5, cells[4].text);
    SetACellDouble(r, 6, cells[5].number.value);
    const auto c = Clock::now();
    build += Seconds(a, b);
    write += Seconds(b, c);
  }
  const auto a = Clock::now();
  SaveAnExcelFile(name);
  const double close = Seconds(a, Clock::now());
  std::printf("  split (%s): cells %.0f ns/line, library writing %.0f ns/line, closing %.0f ns/line\n",
              coloured ? "coloured" : "plain", build * 1e9 / lines, write * 1e9 / lines, close * 1e9 / lines);
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
  const UString folder = argc > 2 ? IncludeTrailingPathDelimiter(Utf8ToUtf16(argv[2])) : SystemTempFolder();
  const std::string what = argc > 3 ? argv[3] : "";
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  SetConcCharactersForTextOnly(0);
  std::printf("%d lines\n", lines);
  if (what != "xlsx") {
    TVXBaseHolder holder;
    TBenchList list(&holder, lines, true);
    const UString name = folder + u"bench_export.txt";
    const double t = BestOf3([&] { ExportListAsTXT(list, holder, name); });
    std::printf("text: %.0f ns/line, %.0f lines/s (%lld bytes)\n", t * 1e9 / lines, lines / t,
                static_cast<long long>(FileSizeU(name)));
    SplitTxt(lines);
    DeleteFileU(name);
  }
  for (bool coloured : {false, true}) {
    if (what == "text") break;
    TVXBaseHolder holder;
    TBenchList list(&holder, lines, coloured);
    const UString name = folder + u"bench_export.xlsx";
    const double t = BestOf3([&] { ExportListAsExcel(list, holder, name, u""); });
    std::printf("xlsx %s: %.0f ns/line, %.0f lines/s (%lld bytes)\n", coloured ? "coloured centre" : "plain cells",
                t * 1e9 / lines, lines / t, static_cast<long long>(FileSizeU(name)));
    SplitXlsx(lines, coloured, name);
    DeleteFileU(name);
  }
  return 0;
}
