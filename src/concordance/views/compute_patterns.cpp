#include "concordance/views/compute_patterns.h"

#include <algorithm>
#include <vector>

#include "concordance/lines/concordance_list.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/patterns_list.h"
#include "platform/runtime/vx_runtime.h"

namespace {

struct TCounted {
  UString word;
  int32_t freq = 0;
};

}  // namespace

bool ComputePatterns(const TConcordanceList& lines, const TDerivedCountSettings& settings, TPatternsList& list,
                     int32_t threads, const TRunLineWords* run_words) {
  list.Clear();
  const int n_lines = lines.Count();
  if (n_lines == 0) return false;
  TCountingWords words(settings);
  std::array<std::vector<int32_t>, kPatternPositions> counts;  // by word number
  TLineWordRows line_words;
  if (run_words && run_words->Holds(kPatternFirstSpan, kPatternFirstSpan + kPatternPositions - 1))
    CountedLineWords(*run_words, kPatternFirstSpan, kPatternPositions, threads, words, {}, line_words);
  else
    FetchLineWords(lines, kPatternPositions, threads, words,
                   [](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t*) {
                     for (int k = 0; k < kPatternPositions; ++k) ids[k] = w.At(line, kPatternFirstSpan + k);
                   },
                   line_words);
  for (size_t row = 0; row < line_words.Count(); ++row) {
    const int32_t* ids = line_words.Ids(row);
    for (int k = 0; k < kPatternPositions; ++k) {
      const int32_t id = ids[k];
      if (id < 0) continue;
      std::vector<int32_t>& c = counts[static_cast<size_t>(k)];
      if (c.size() <= static_cast<size_t>(id)) c.resize(static_cast<size_t>(id) + 1, 0);
      ++c[static_cast<size_t>(id)];
    }
  }
  std::array<std::vector<TCounted>, kPatternPositions> holders;
  size_t rows = 0;
  for (int k = 0; k < kPatternPositions; ++k) {
    std::vector<TCounted>& h = holders[static_cast<size_t>(k)];
    const std::vector<int32_t>& c = counts[static_cast<size_t>(k)];
    for (size_t id = 0; id < c.size(); ++id) {
      const int32_t freq = c[id];
      const UString& word = words.Word(static_cast<int32_t>(id));
      if (freq == 0 || freq < settings.min_frequency || word.size() <= settings.min_word_length) continue;
      if (settings.is_stop_word && settings.is_stop_word(word)) continue;
      h.push_back({word, freq});
    }
    std::sort(h.begin(), h.end(), [](const TCounted& a, const TCounted& b) {
      return a.freq != b.freq ? a.freq > b.freq : a.word < b.word;
    });
    rows = std::max(rows, h.size());
  }
  for (size_t r = 0; r < rows; ++r) {
    auto* e = static_cast<TPatternEntry*>(list.NewEntry());
    for (size_t k = 0; k < holders.size(); ++k)
      if (holders[k].size() > r) {
        e->rec.freqs[k] = holders[k][r].freq;
        e->rec.ws[k] = std::move(holders[k][r].word);
      }
    list.Add(e);
  }
  return list.Count() > 0;
}
