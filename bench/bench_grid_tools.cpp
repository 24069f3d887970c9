// The grid tools on big lists: a computed column, conditions (find all), search and replace with
// "yes All", and a breakdown of concordance lines by file.
//
//   bench_grid_tools [--rows N] [--seed S] [--export FILE] [--replaced FILE WORD REPLACEMENT]
//
// Rows are made up, lower-case: a word, a text of eight words (some of them forms of "walk"), two
// numbers and a file name. --export writes them as tab-separated text (word, text, a, b, file) for
// the peers of compare_grid_tools.sh; --replaced writes each row's text after replacing WORD with
// REPLACEMENT through the search-and-replace run, one line a row, for comparing with sed.
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
#include "model/lists/column_formula.h"
#include "model/lists/grid_headings.h"
#include "model/lists/search_conditions.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/grid_tools/breakdown_rules.h"
#include "shell/grid_tools/search_replace_rules.h"

namespace {

// The time the process had the core for: on a machine others share, the wall clock also counts
// the time it waited for the core.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};
double Seconds(double a, double b) { return b - a; }

class TBenchRow : public TVXBaseListObject {
 public:
  using TVXBaseListObject::TVXBaseListObject;
  UString word, text, file;
  float a = 0, b = 0;
};

class TBenchList : public TVXBaseDataClass {
 public:
  TBenchList() : TVXBaseDataClass(nullptr, &Make, 0, 5, 0) { SetHeadings({u"N", u"Word", u"Text", u"A", u"B", u"File"}); }
  static TVXBaseListObject* Make(TVXBaseDataClass& l) { return new TBenchRow(&l, nullptr); }
  TBenchRow* Row(int i) const { return static_cast<TBenchRow*>(Get(i)); }
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind) override {
    TVXBaseDataClass::DrawgridDataRec(col, row, cell, kind);
    const TBenchRow* r = row > 0 ? Row(row - 1) : nullptr;
    if (!r || col < 1 || col > 5) return;
    if (col == 3 || col == 4) {
      cell.has_number = true;
      cell.number.value = col == 3 ? r->a : r->b;
      return;
    }
    cell.text = col == 1 ? r->word : col == 2 ? r->text : r->file;
    cell.has_text = true;
  }
};

const char16_t* const kWords[] = {u"the",   u"old",  u"man",      u"walk",  u"walks", u"walked", u"walking",
                                  u"river", u"mill", u"sidewalk", u"dog",   u"and",   u"to",     u"bridge",
                                  u"over",  u"a",    u"walkers",  u"water", u"slow",  u"green"};

void Fill(TBenchList& list, int rows, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int> word(0, 19), a(1, 1000), b(1, 100), file(0, 49);
  for (int i = 0; i < rows; ++i) {
    auto* r = new TBenchRow(&list, nullptr);
    r->word = kWords[word(rng)];
    for (int k = 0; k < 8; ++k) {
      if (k) r->text += u' ';
      r->text += kWords[word(rng)];
    }
    r->a = static_cast<float>(a(rng));
    r->b = static_cast<float>(b(rng));
    r->file = u"text" + IntToUStr(file(rng)) + u".txt";
    list.Add(r);
  }
}

TPoint Centre() { return TPoint{0, 0}; }

}  // namespace

int main(int argc, char** argv) {
  int rows = 1000000;
  uint64_t seed = 7;
  std::string export_file, replaced_file, replace_word, replacement;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--rows") rows = std::stoi(next());
    else if (a == "--seed") seed = std::stoull(next());
    else if (a == "--export") export_file = next();
    else if (a == "--replaced") {
      replaced_file = next();
      replace_word = next();
      replacement = next();
    } else {
      std::cerr << "unknown argument " << a << "\n";
      return 2;
    }
  }
  const UString config = IncludeTrailingPathDelimiter(SystemTempFolder()) + u"bench_grid_tools_settings";
  ForceDirectories(config);
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(config).c_str(), 1);
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);

  TBenchList list;
  Fill(list, rows, seed);
  EnsureGridHeadings(list);

  if (!export_file.empty()) {
    std::ofstream out(export_file, std::ios::binary);
    for (int i = 0; i < list.Count(); ++i) {
      const TBenchRow* r = list.Row(i);
      out << Utf16ToUtf8(r->word) << '\t' << Utf16ToUtf8(r->text) << '\t' << r->a << '\t' << r->b << '\t'
          << Utf16ToUtf8(r->file) << '\n';
    }
    return 0;
  }

  if (!replaced_file.empty()) {
    std::vector<UString> texts(static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) texts[static_cast<size_t>(i)] = list.Row(i)->text;
    TSearchReplaceOwner owner{[&] { return list.Count(); },
                              [&](int row, UString& t) {
                                t = texts[static_cast<size_t>(row)];
                                return true;
                              },
                              [&](int row, const UString& t) {
                                texts[static_cast<size_t>(row)] = t;
                                return true;
                              }};
    TSearchReplaceRun run;
    const auto t0 = Clock::now();
    run.Start({Utf8ToUtf16(replace_word)}, true, Utf8ToUtf16(replacement), false, owner);
    run.Advance();
    const auto t1 = Clock::now();
    std::printf("replace %-8s yes All   %d rows  %.3f s  (%d replaced, %d passes)\n", replace_word.c_str(), rows,
                Seconds(t0, t1), run.Replaced(), run.Passes());
    std::ofstream out(replaced_file, std::ios::binary);
    for (const UString& t : texts) out << Utf16ToUtf8(t) << '\n';
    return 0;
  }

  {
    UString message;
    const auto t0 = Clock::now();
    const int column = AddFormulaColumn(list, u"SQRT(COL(\"A\") / COL(\"B\"))", message);
    const auto t1 = Clock::now();
    double sum = 0;
    for (int i = 0; i < list.Count(); ++i) sum += list.AddedCellValue(column, i);
    std::printf("computed column SQRT(A / B)  %d rows  %.3f s  (sum %.1f)\n", rows, Seconds(t0, t1), sum);
  }
  auto find_all = [&](TSearchRequirement r, const char* what) {
    r.valid = true;
    PrepareRequirement(r);
    std::vector<TDoubleSearchCategoryRec> recs(1);
    recs[0].req[0] = r;
    const auto t0 = Clock::now();
    const TConditionOutcome out = list.CheckAllForCondition(recs, 0, 170, false, false);
    const auto t1 = Clock::now();
    std::printf("condition %-28s %d rows  %.3f s  (%d found)\n", what, rows, Seconds(t0, t1), out.hits);
  };
  {
    TSearchRequirement text;
    text.data_column = 2;
    text.seek = kSeekContains;
    text.text1 = u"walking";
    find_all(text, "text: holds the word walking");
    TSearchRequirement number;
    number.data_column = 3;
    number.data_type = kDataNumber;
    number.seek = kSeekGreater;
    number.text1 = u"500";
    find_all(number, "number: A > 500");
  }
  {
    // Concordance lines, one of fifty files each.
    T_WholeLinzoraHolder doc(kListConcordance, &Centre, nullptr, nullptr, false, false, nullptr, nullptr);
    TLinzoraFilenamelist& files = *doc.fTextFilesWithSearchWord;
    for (int f = 0; f < 50; ++f) {
      TChosenFileDetailsFullRec details;
      details.folder = u"/corpus/";
      auto* e = new TLinzoraFilenameEntry(&files, f + 1, details);
      e->fdata.full_filename = u"/corpus/text" + IntToUStr(f) + u".txt";
      files.Add(e);
    }
    TConcordanceList& lines = *doc.fConcordanceList;
    for (int i = 0; i < rows; ++i) {
      auto line = lines.NewLine();
      const TBenchRow* r = list.Row(i);
      line->SetText(r->text);
      auto& d = line->Data();
      const size_t mid = r->text.find(u' ', r->text.size() / 2);
      d.midpoint = static_cast<int16_t>(mid == UString::npos ? 0 : mid + 1);
      d.hit_characters = 3;
      d.filename_num_original = 1 + i % 50;
      d.word_num = i;
      lines.Add(line.release());
    }
    TBreakdownRequest q;
    q.searches = {u"walk*"};
    q.search_column = 1;
    q.breakdown_column = 13;
    const auto t0 = Clock::now();
    const TSummaryArrays a = BreakdownSummary(lines, q);
    const auto t1 = Clock::now();
    std::printf("breakdown walk* by file      %d lines  %.3f s  (%d found, %d files)\n", rows, Seconds(t0, t1),
                a.counts[0], a.breakdown_values);
  }
  return 0;
}
