#include "concordance/views/compute_patterns.h"

#include <algorithm>
#include <vector>

#include "concordance/lines/concordance_list.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/patterns_list.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/vx_runtime.h"

namespace {

struct TCounted {
  UString word;
  int32_t freq = 0;
};

}  // namespace

bool ComputePatterns(const TConcordanceList& lines, const TDerivedCountSettings& settings, TPatternsList& list,
                     int32_t threads, const TRunLineWords* run_words, const TLinesAsTheyStood* lines_as_they_stood) {
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
                   line_words, lines_as_they_stood);
  // Each position's words counted and put in order on a worker of its own (the positions are
  // apart).
  std::array<std::vector<TCounted>, kPatternPositions> holders;
  ParallelFor(
      threads, kPatternPositions,
      [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
          std::vector<int32_t>& c = counts[k];
          c.assign(static_cast<size_t>(words.Count()), 0);
          for (size_t row = 0; row < line_words.Count(); ++row)
            if (const int32_t id = line_words.Ids(row)[k]; id >= 0) ++c[static_cast<size_t>(id)];
          std::vector<TCounted>& h = holders[k];
          for (size_t id = 0; id < c.size(); ++id) {
            const int32_t freq = c[id];
            const UString& word = words.Word(static_cast<int32_t>(id));
            if (freq == 0 || freq < settings.min_frequency || word.size() <= settings.min_word_length) continue;
            h.push_back({word, freq});
          }
          std::sort(h.begin(), h.end(), [](const TCounted& a, const TCounted& b) {
            return a.freq != b.freq ? a.freq > b.freq : a.word < b.word;
          });
        }
      },
      1);
  // The stop list is asked on this thread only; leaving words out keeps the others' order.
  size_t rows = 0;
  for (std::vector<TCounted>& h : holders) {
    if (settings.is_stop_word)
      std::erase_if(h, [&](const TCounted& c) { return settings.is_stop_word(c.word); });
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
