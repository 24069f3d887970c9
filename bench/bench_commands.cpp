// Grid commands of the concordancer on a big concordance: removing duplicate lines (and, apart,
// the alphabetical sort that pass begins with), sorting on a highlighted collocate (keys 28, 5,
// 5), copying each line's search word to the Set column, and hiding a kind of tag (the toggle
// and a screenful of lines drawn again).
//
//   bench_commands [--lines N] [--seed S]
//
// Lines are made up: eleven words from a vocabulary with Zipf frequencies around one of a few
// search words, one line in twenty a copy of an earlier one. The settings store is a folder of the
// bench's own, so the user's settings are never touched.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "concordance/commands/collocate_highlight.h"
#include "concordance/commands/concordance_commands.h"
#include "concordance/document/concordance_document.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/rtl/files.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

TPoint Centre() { return TPoint{0, 0}; }

std::vector<UString> Vocabulary(std::mt19937_64& rng, int n) {
  std::uniform_int_distribution<int> len(2, 9), letter(0, 25);
  std::vector<UString> words;
  for (int i = 0; i < n; ++i) {
    UString w;
    for (int k = len(rng); k > 0; --k) w.push_back(static_cast<char16_t>(u'a' + letter(rng)));
    words.push_back(std::move(w));
  }
  return words;
}

// Zipf draws: word k with weight 1 / (k + 1).
class Zipf {
 public:
  explicit Zipf(int n) {
    double sum = 0;
    for (int k = 0; k < n; ++k) cumulative_.push_back(sum += 1.0 / (k + 1));
  }
  int Draw(std::mt19937_64& rng) const {
    const double x = std::uniform_real_distribution<double>(0, cumulative_.back())(rng);
    return static_cast<int>(std::lower_bound(cumulative_.begin(), cumulative_.end(), x) - cumulative_.begin());
  }

 private:
  std::vector<double> cumulative_;
};

void AddLine(TConcordanceList& list, const std::vector<UString>& words, int32_t file, int32_t word_num) {
  auto line = list.NewLine();
  UString text;
  std::vector<std::pair<int32_t, int32_t>> at;
  for (const UString& w : words) {
    if (!text.empty()) text.push_back(u' ');
    at.emplace_back(static_cast<int32_t>(text.size()), static_cast<int32_t>(w.size()));
    text += w;
  }
  const int32_t mid = at[5].first;
  line->SetText(text);
  auto& d = line->Data();
  d.midpoint = static_cast<int16_t>(mid);
  d.hit_characters = at[5].second;
  d.filename_num_original = file;
  d.word_num = word_num;
  for (int k = 0; k < 11; ++k)
    line->SetFixedWord(k, {static_cast<int16_t>(at[k].first - mid), static_cast<int16_t>(at[k].second), 0, 0});
  list.Add(line.release());
}

}  // namespace

int main(int argc, char** argv) {
  int lines = 1000000;
  uint64_t seed = 42;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : "0"; };
    if (a == "--lines") lines = std::stoi(next());
    else if (a == "--seed") seed = std::stoull(next());
    else {
      std::cerr << "unknown argument " << a << "\n";
      return 2;
    }
  }
  const UString config = IncludeTrailingPathDelimiter(SystemTempFolder()) + u"bench_commands_settings";
  ForceDirectories(config);
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(config).c_str(), 1);
  THeadlessDialogService dialogs;
  SetDialogService(&dialogs);

  std::mt19937_64 rng(seed);
  const std::vector<UString> vocabulary = Vocabulary(rng, 20000);
  const Zipf zipf(static_cast<int>(vocabulary.size()));
  const std::vector<UString> search_words = {u"the", u"of", u"house", u"ran"};

  auto fill = [&](T_WholeLinzoraHolder& doc) {
    TConcordanceList& list = *doc.fConcordanceList;
    std::vector<std::vector<UString>> made;
    made.reserve(static_cast<size_t>(lines));
    std::uniform_int_distribution<int> pick_sw(0, 3), earlier(0, 1 << 30);
    for (int i = 0; i < lines; ++i) {
      std::vector<UString> words;
      if (i > 0 && i % 20 == 0) {
        words = made[static_cast<size_t>(earlier(rng) % i)];
      } else {
        for (int k = 0; k < 11; ++k)
          words.push_back(k == 5 ? search_words[static_cast<size_t>(pick_sw(rng))]
                                 : vocabulary[static_cast<size_t>(zipf.Draw(rng))]);
      }
      AddLine(list, words, 1 + i % 50, i);
      made.push_back(std::move(words));
    }
  };

  auto new_doc = [] {
    return std::make_unique<T_WholeLinzoraHolder>(kListConcordance, &Centre, nullptr, nullptr, false, false, nullptr,
                                                  nullptr);
  };

  {
    // What the duplicate pass must do first, alone: the alphabetical sort.
    auto doc = new_doc();
    fill(*doc);
    const auto t0 = Clock::now();
    doc->fConcordanceList->SortAlphabeticallyAscending();
    const auto t1 = Clock::now();
    std::printf("alphabetical sort      %d lines  %.3f s\n", lines, Seconds(t0, t1));
  }
  {
    auto doc = new_doc();
    fill(*doc);
    const auto t0 = Clock::now();
    const TDuplicatesOutcome d = RemoveDuplicateLines(*doc->fConcordanceList);
    const auto t1 = Clock::now();
    std::printf("remove duplicates      %d lines  %.3f s  (%d found)\n", lines, Seconds(t0, t1), d.found);
  }
  {
    auto doc = new_doc();
    fill(*doc);
    TConcordanceHighlightRec rec;
    rec.colloc_w = UpperCaseU(vocabulary[0]);
    rec.span_pos = kHighlightEverySpan;
    rec.all = true;
    const auto t0 = Clock::now();
    const std::optional<int> row = ShowHighlightInLines(*doc->fConcordanceList, rec);
    const auto t1 = Clock::now();
    std::printf("highlight sort 28,5,5  %d lines  %.3f s  (row %d)\n", lines, Seconds(t0, t1), row.value_or(-1));

    dialogs.Script({mrOK});
    const auto t2 = Clock::now();
    CopySearchWordsToSetColumn(*doc);
    const auto t3 = Clock::now();
    std::printf("copy to Set column     %d lines  %.3f s\n", lines, Seconds(t2, t3));

    const auto t4 = Clock::now();
    HideTagKind(*doc, 117);
    // A refresh draws the visible rows only.
    TGrid_data_rec cell;
    for (int r = 1; r <= 40 && r <= lines; ++r) doc->fConcordanceList->DrawgridDataRec(1, r, cell, 0);
    const auto t5 = Clock::now();
    std::printf("hide a tag kind        %d lines  %.3f s\n", lines, Seconds(t4, t5));
  }
  SetDialogService(nullptr);
  return 0;
}
