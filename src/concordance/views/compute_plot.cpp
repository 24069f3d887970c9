#include "concordance/views/compute_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "concordance/lines/concordance_list.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/work_vectors.h"
#include "concordance/views/plot_list.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"

UString AddNameToGroupLabel(UStringView label, UStringView name, bool& full) {
  full = false;
  if (label.find(name) != UStringView::npos) return UString(label);
  if (label.size() >= 20) {
    full = true;
    return UString(label);
  }
  return AddToListWithSeparatorIfNeeded(label, name, u" ,");
}

namespace {

int32_t GroupIndexOf(const std::vector<std::vector<int32_t>>& groups, int32_t n) {
  for (size_t g = 0; g < groups.size(); ++g)
    if (std::find(groups[g].begin(), groups[g].end(), n) != groups[g].end()) return static_cast<int32_t>(g);
  return -1;
}

struct TRowDescriptor {
  UString text_label, sw_label;
  int32_t largest_words = 0;
  bool text_full = false, sw_full = false;
};

int32_t ScaledPosition(int32_t word_num, int32_t to_words, int32_t from_words) {
  const float scale = static_cast<float>(to_words) / static_cast<float>(from_words);
  return static_cast<int32_t>(std::nearbyint(static_cast<float>(word_num) * scale));
}

}  // namespace

bool ComputePlot(const TConcordanceList& lines, const std::vector<TPlotText>& texts,
                 const std::vector<UString>& search_words, const TPlotGroupChoices& choices,
                 const TPlotRunSettings& settings, bool grouped, TConcPlotList& plot, UString& message) {
  message.clear();
  const int32_t divisions = std::max(2, settings.divisions);
  plot.Clear();
  const int32_t n_texts = static_cast<int32_t>(texts.size());
  const int32_t n_sw = static_cast<int32_t>(search_words.size());
  const int32_t n_lines = lines.Count();
  if (n_texts == 0 || n_lines == 0) return false;
  if (n_sw == 0) {
    message = u"ComputePlot error: no search-words";
    AddToLogFile(message);
    return false;
  }
  // In a grouped plot the numbers of groups (never more than the texts or search words) stand
  // in for the numbers of texts and search words.
  const int32_t dim_texts = grouped ? std::min<int32_t>(static_cast<int32_t>(choices.text_groups.size()), n_texts) : n_texts;
  const int32_t dim_sw =
      grouped ? std::min<int32_t>(static_cast<int32_t>(choices.search_word_groups.size()), n_sw) : n_sw;
  const int64_t n_rows = int64_t{dim_texts} * dim_sw;
  auto row_index = [&](int32_t a, int32_t b) -> int64_t {
    return choices.order == 0 ? a + int64_t{dim_texts} * b : b + int64_t{dim_sw} * a;
  };
  auto row_for_hit = [&](int32_t t, int32_t b) -> int64_t {
    if (!grouped) return row_index(t, b);
    const int32_t gt = GroupIndexOf(choices.text_groups, t), gb = GroupIndexOf(choices.search_word_groups, b);
    // A group beyond the rows (more groups than texts or search words) has no row of its own.
    if (gt < 0 || gb < 0 || gt >= dim_texts || gb >= dim_sw) return -1;
    return row_index(gt, gb);
  };

  // The totals are the texts' of this run alone: a recompute (after Reduce, Zap or a new
  // grouping) starts them again.
  plot.total_words = 0;
  plot.largest_words = 0;
  std::vector<int32_t> words(static_cast<size_t>(n_texts));
  for (int32_t t = 0; t < n_texts; ++t) {
    words[t] = std::abs(texts[t].words_in_source_file == INT32_MIN ? 0 : texts[t].words_in_source_file);
    plot.total_words += words[t];
    plot.largest_words = std::max(plot.largest_words, words[t]);
  }
  std::vector<TRowDescriptor> desc(static_cast<size_t>(n_rows));
  // What the walks need of each line, read on the workers: its text, search word and word
  // number (text -1: deleted, no line or no text).
  struct TLineHit {
    int32_t text = -1, sw = 0, word_num = 0, file_num = 0;
  };
  std::vector<TLineHit> hits(static_cast<size_t>(n_lines));
  ParallelFor(settings.threads, static_cast<size_t>(n_lines), [&](size_t from, size_t to) {
    for (size_t j = from; j < to; ++j) {
      const int i = static_cast<int>(j);
      const TConcordanceEntry* line = LineAt(lines, settings.lines_as_they_stood, i, true);
      if (!line) continue;
      hits[j] = {line->SourceTextIndex(), line->Data().sw_number, line->Data().word_num,
                 line->Data().filename_num_original};
    }
  });
  // Each line's row, on the workers: kLeftOut for a line the plot leaves out (deleted, no text,
  // a text or search word it does not have, or read after a stop), kNoRow for one that counts in
  // the overall row only. On one worker the window has its turns.
  constexpr int64_t kLeftOut = -1, kNoRow = -2;
  constexpr size_t kLinesPerPiece = 4096;
  const bool alone = ParallelPieces(settings.threads, static_cast<size_t>(n_lines), kLinesPerPiece) <= 1;
  TWorkVector<int64_t> row_of_line(static_cast<size_t>(n_lines));
  ParallelFor(
      settings.threads, static_cast<size_t>(n_lines),
      [&](size_t from, size_t to) {
        for (size_t j = from; j < to; ++j) {
          if (alone && (j & 255) == 0) MyYieldProcess();
          const TLineHit& h = hits[j];
          if (StopRequested(kPanicStopNow) || h.text < 0 || h.text >= n_texts || h.sw < 0 || h.sw >= n_sw) {
            row_of_line[j] = kLeftOut;
            continue;
          }
          const int64_t r = row_for_hit(h.text, h.sw);
          row_of_line[j] = r < 0 || r >= n_rows ? kNoRow : r;
        }
      },
      kLinesPerPiece);
  // The lines of each row in line order: each row is then made on its own, as one pass over the
  // lines in order makes it.
  std::vector<uint32_t> row_start(static_cast<size_t>(n_rows) + 1, 0);
  for (const int64_t r : row_of_line)
    if (r >= 0) ++row_start[static_cast<size_t>(r) + 1];
  for (size_t r = 1; r < row_start.size(); ++r) row_start[r] += row_start[r - 1];
  TWorkVector<int32_t> row_lines(row_start.back());
  {
    std::vector<uint32_t> fill(row_start.begin(), row_start.end() - 1);
    for (int32_t j = 0; j < n_lines; ++j)
      if (const int64_t r = row_of_line[static_cast<size_t>(j)]; r >= 0) row_lines[fill[static_cast<size_t>(r)]++] = j;
  }

  TConcordancePlotEntry& overall = plot.overall;
  overall.Clear();
  overall.rec.IsOverallEntry = 1;
  overall.rec.divisions = divisions;
  std::vector<std::unique_ptr<TConcordancePlotEntry>> rows(static_cast<size_t>(n_rows));
  const bool contexts = settings.keep_contexts && settings.context_line_limit >= n_lines;
  // A row's entry, made for the first of its lines that counts.
  auto make_row = [&](int64_t r, int32_t j) {
    const TLineHit& h = hits[static_cast<size_t>(j)];
    const TRowDescriptor& d = desc[static_cast<size_t>(r)];
    auto row = std::make_unique<TConcordancePlotEntry>(&plot, plot.Holder());
    if (!grouped) {
      row->rec.plot_file_number = h.file_num;
      row->rec.plot_search_word_number = h.sw;
      row->rec.words_in_file = words[h.text];
      row->plot_sw_string = search_words[h.sw];
      row->plot_filename = texts[h.text].short_name;
    } else {
      row->rec.plot_file_number = -2;
      row->rec.plot_search_word_number = -2;
      row->rec.words_in_file = d.largest_words;
      row->plot_sw_string = d.sw_label;
      row->plot_filename = d.text_label;
    }
    row->rec.divisions = divisions;
    row->plots = TGeneralPlotDataList(row->rec.words_in_file, divisions);
    return row;
  };
  auto position_in_row = [&](int64_t r, int32_t j) {
    const TLineHit& h = hits[static_cast<size_t>(j)];
    return grouped ? ScaledPosition(h.word_num, desc[static_cast<size_t>(r)].largest_words, words[h.text]) : h.word_num;
  };
  // Each row's labels, then (without contexts) its hits in order and its dispersion, on the
  // workers: the rows are apart. Two hits at one position are alike without contexts, so a
  // row's positions are sorted as plain numbers.
  constexpr size_t kRowsPerPiece = 64;
  const bool rows_alone = ParallelPieces(settings.threads, rows.size(), kRowsPerPiece) <= 1;
  ParallelFor(
      settings.threads, rows.size(),
      [&](size_t from, size_t to) {
        std::vector<int32_t> positions;
        for (size_t r = from; r < to; ++r) {
          if (rows_alone && (r & 63) == 0) MyYieldProcess();
          const int32_t* first = row_lines.data() + row_start[r];
          const int32_t* last = row_lines.data() + row_start[r + 1];
          TRowDescriptor& d = desc[r];
          for (const int32_t* j = first; j < last; ++j) {
            const int32_t t = hits[static_cast<size_t>(*j)].text, b = hits[static_cast<size_t>(*j)].sw;
            // A row's label already holding the name stays as it is (most lines add nothing).
            if (n_texts >= 2 && !d.text_full && d.text_label.find(texts[t].short_name) == UString::npos) {
              d.text_label = AddNameToGroupLabel(d.text_label, texts[t].short_name, d.text_full);
              const int32_t g = GroupIndexOf(choices.text_groups, t);
              if (d.text_full && g >= 0)
                d.text_label = VXResFmt(TVXRes::VXTextsNString, {HumanAbbreviatedNumberListString(choices.text_groups[g], 1)});
            }
            if (n_sw >= 2 && !d.sw_full && d.sw_label.find(search_words[b]) == UString::npos) {
              d.sw_label = AddNameToGroupLabel(d.sw_label, search_words[b], d.sw_full);
              const int32_t g = GroupIndexOf(choices.search_word_groups, b);
              if (d.sw_full && g >= 0)
                d.sw_label = VXResFmt(TVXRes::VXSearchWordsNString,
                                      {HumanAbbreviatedNumberListString(choices.search_word_groups[g], 1)});
            }
            d.largest_words = std::max(d.largest_words, words[t]);
          }
          // With contexts the rows are made below, in line order with the overall row's.
          if (contexts) continue;
          positions.clear();
          for (const int32_t* j = first; j < last; ++j) {
            if (words[hits[static_cast<size_t>(*j)].text] <= 0) continue;
            if (!rows[r]) rows[r] = make_row(static_cast<int64_t>(r), *j);
            positions.push_back(position_in_row(static_cast<int64_t>(r), *j));
          }
          TConcordancePlotEntry* row = rows[r].get();
          if (!row) continue;
          row->rec.hits = static_cast<int32_t>(positions.size());
          std::sort(positions.begin(), positions.end());
          row->plots.Reserve(positions.size());
          for (const int32_t p : positions) row->plots.Add({p, UString()});
          row->rec.dispersion_value = static_cast<float>(row->plots.ComputedDispersion());
        }
      },
      kRowsPerPiece);
  overall.plots = TGeneralPlotDataList(plot.largest_words, divisions);
  if (!contexts) {
    std::vector<int32_t> overall_positions;
    for (int32_t j = 0; j < n_lines; ++j) {
      const TLineHit& h = hits[static_cast<size_t>(j)];
      if (row_of_line[static_cast<size_t>(j)] == kLeftOut || words[h.text] <= 0) continue;
      overall_positions.push_back(ScaledPosition(h.word_num, plot.largest_words, words[h.text]));
    }
    overall.rec.hits = static_cast<int32_t>(overall_positions.size());
    ParallelSort(overall_positions, settings.threads, std::less<int32_t>());
    overall.plots.Reserve(overall_positions.size());
    for (const int32_t p : overall_positions) overall.plots.Add({p, UString()});
  } else {
    for (int32_t j = 0; j < n_lines; ++j) {
      const TLineHit& h = hits[static_cast<size_t>(j)];
      const int64_t r = row_of_line[static_cast<size_t>(j)];
      if (r == kLeftOut || words[h.text] <= 0) continue;
      if ((j & 255) == 0) MyYieldProcess();
      const UString context = LineAt(lines, settings.lines_as_they_stood, j, false)->ConcordanceCharactersAroundMidpoint(settings.context_chars);
      overall.plots.Add({ScaledPosition(h.word_num, plot.largest_words, words[h.text]), context});
      ++overall.rec.hits;
      if (r < 0) continue;
      std::unique_ptr<TConcordancePlotEntry>& row = rows[static_cast<size_t>(r)];
      if (!row) row = make_row(r, j);
      ++row->rec.hits;
      row->plots.Add({position_in_row(r, j), context});
    }
    ParallelFor(
        settings.threads, rows.size(),
        [&](size_t from, size_t to) {
          for (size_t r = from; r < to; ++r)
            if (TConcordancePlotEntry* row = rows[r].get()) {
              row->plots.SortByPosition();
              row->rec.dispersion_value = static_cast<float>(row->plots.ComputedDispersion());
            }
        },
        kRowsPerPiece);
  }

  overall.rec.words_in_file = static_cast<int32_t>(std::min<int64_t>(plot.total_words, INT32_MAX));
  if (contexts) overall.plots.SortByPosition();
  overall.rec.plot_file_number = -1;
  overall.rec.plot_search_word_number = -1;
  overall.plot_filename = n_sw == 1 ? search_words[0] + u" (" + VXRes(TVXRes::VXOverall) + u")" : VXRes(TVXRes::VXOverall);
  overall.rec.dispersion_value = static_cast<float>(overall.plots.ComputedDispersion());
  for (std::unique_ptr<TConcordancePlotEntry>& row : rows)
    if (row && plot.Add(row.get()) >= 0) row.release();
  plot.SetVersionNumber(std::max(plot.GetVersionNumber(), 21));
  plot.show_overall = n_texts >= 2 || n_sw >= 2;
  return plot.Count() > 0;
}
