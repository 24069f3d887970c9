#include "concordance/views/compute_collocates.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "concordance/views/collocates_list.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/work_vectors.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/line_sections.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_records.h"
#include "platform/text/text_services.h"

namespace {

// Whether an item's search word as shown may be taken from a line (which then decides it).
bool ShownFormCanComeFromLine(const TSearch_word_format_rec& item, bool lemma_list_loaded) {
  return !lemma_list_loaded && item.sw != item.plain_sw && ContainsAlphanumCharacter(item.plain_sw);
}

}  // namespace

UString SearchWordAsShownInLine(const TConcordanceEntry& line, const TSearch_word_format_rec& item,
                                bool lemma_list_loaded) {
  const int64_t starts = line.Data().midpoint;
  UString text;
  if (starts >= 1 && ShownFormCanComeFromLine(item, lemma_list_loaded)) {
    const TLineText t = line.Text();
    const int64_t from = std::min<int64_t>(starts, static_cast<int64_t>(t.size()));
    const int64_t to = std::clamp<int64_t>(starts + line.HitWidthInLine(), from, static_cast<int64_t>(t.size()));
    text = t.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)).ToUString();
  } else {
    text = item.plain_sw;
  }
  return WithoutMarkup(text);
}

namespace {

constexpr int32_t kOwnSearchWordRow = -99;
constexpr int32_t kAllSearchWords = -2;

struct TNode {
  int32_t word = 0;   // counted word number
  int32_t group = 0;  // (search-word number, shown search word) number
  bool ignore_freq = false;
  int32_t first_row = 0;       // where the node's word was first met: its tag is the row's
  int32_t first_position = 0;
  std::vector<int32_t> freqs;
  int32_t last_text = -1;  // dense number of the last text the node was met in
};

// (word, group) keys to node numbers, open-addressed: a word met again costs one probe.
class TNodeTable {
 public:
  int32_t Find(uint64_t key) const {
    if (slots_.empty()) return -1;
    const size_t mask = slots_.size() - 1;
    for (size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
      if (slots_[i].node < 0) return -1;
      if (slots_[i].key == key) return slots_[i].node;
    }
  }
  void Insert(uint64_t key, int32_t node) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    size_t i = Mix(key) & mask;
    while (slots_[i].node >= 0) i = (i + 1) & mask;
    slots_[i] = {key, node};
    ++used_;
  }

 private:
  struct TSlot {
    uint64_t key = 0;
    int32_t node = -1;
  };
  static size_t Mix(uint64_t key) {
    key *= 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(key ^ (key >> 32));
  }
  void Grow() {
    std::vector<TSlot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(1024, old.size() * 2), TSlot());
    used_ = 0;
    for (const TSlot& s : old)
      if (s.node >= 0) Insert(s.key, s.node);
  }
  std::vector<TSlot> slots_;
  size_t used_ = 0;
};

struct TGroup {
  int32_t number;
  UString search_word;
};

// The positions of a line's span that count: from the search word outwards up to the horizons,
// each side ending before the first position that `stops` (no word, or a boundary at the stop
// level), as SpanLimitOfLine walks it.
template <class Stops>
std::pair<int, int> SpanOfLine(const TLineSpanPair& span, Stops stops) {
  int first = kSpanSearchWord, last = kSpanSearchWord;
  while (first > span.left && !stops(first - 1)) --first;
  while (last < span.right && !stops(last)) ++last;
  return {std::max<int>(first, span.left), std::min<int>(last, span.right)};
}

// Adds the rows (made in word order) in the order the list's default sort gives them: the
// greatest total first, equal totals in the collation order of their words, and rows equal in
// both in the order made, as the stable DoASort(2, ...) of the rows in that order leaves them.
// The words' collation keys are made and the rows sorted on the workers; the order is the same
// on any number of them. Under other sort settings the rows go in as made and the list sorts them.
void AddCollocatesInListOrder(TCollocateList& list, const std::vector<TCollocateEntry*>& made, int threads) {
  const bool default_sort = list.SortLevel(0).key == kCollocateSortTotal && !list.SortLevel(0).ascending &&
                            list.SortsByWordKeys(1) && list.SortLevel(1).ascending;
  if (!default_sort || made.size() < 2) {
    for (TCollocateEntry* e : made) list.Add(e);
    if (list.Count() > 1) list.DoASort(2, 0, list.Count() - 1);
    return;
  }
  struct TRowKey {
    int32_t total;
    std::string word;
  };
  const TLCID lcid = list.SortLCID();
  const bool case_sensitive = list.SortLevel(1).case_sensitive;
  std::vector<TRowKey> keys(made.size());
  constexpr size_t kRowsPerPiece = 512;
  ParallelFor(
      threads, made.size(),
      [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
          const TCollocateEntryRec32& r = made[k]->rec;
          // As the list's comparer reads a row's total: the lemma's, once there is one.
          keys[k] = {r.lemma.total != 0 ? r.lemma.total : r.head.total,
                     CollationSortKey(lcid, case_sensitive, made[k]->MainWordOnly())};
        }
      },
      kRowsPerPiece);
  std::vector<int32_t> rows(made.size());
  for (size_t k = 0; k < rows.size(); ++k) rows[k] = static_cast<int32_t>(k);
  ParallelSort(rows, threads, [&keys](int32_t a, int32_t b) {
    const TRowKey &x = keys[static_cast<size_t>(a)], &y = keys[static_cast<size_t>(b)];
    if (x.total != y.total) return x.total > y.total;
    if (const int c = x.word.compare(y.word); c != 0) return c < 0;
    return a < b;
  }, kRowsPerPiece);
  for (const int32_t k : rows) list.Add(made[static_cast<size_t>(k)]);
  list.NoteSortedWhole();
}

}  // namespace

bool ComputeCollocates(const TConcordanceList& lines, const std::vector<TSearch_word_format_rec>& items,
                       const TCollocateRunSettings& settings, TCollocateList& list) {
  const int n_lines = lines.Count();
  if (n_lines == 0) return false;
  list.Clear();
  list.ComputeLeftAndRightSpan(settings.left_words, settings.right_words);
  const TLineSpanPair span{list.fsettings.setting_of_spans.left, list.fsettings.setting_of_spans.right};
  list.SetHeadings(CopyOfBaseHeadings(kListCollocates, span.left, span.right));
  list.fsettings.saved_relationships_computed = false;
  list.fsettings.saved_relations_computed_before21_04_16 = false;
  const size_t span_length = static_cast<size_t>(span.right - span.left + 1);

  TDerivedCountSettings count;
  count.keep_case = settings.keep_case;
  count.lcid = settings.lcid;
  TCountingWords words(count, !settings.keep_numbers);
  std::vector<TGroup> groups;
  std::map<std::pair<int32_t, UString>, int32_t> group_of;
  auto group_for = [&](int32_t number, const UString& shown) {
    auto [it, added] = group_of.try_emplace({number, shown}, static_cast<int32_t>(groups.size()));
    if (added) groups.push_back({number, shown});
    return it->second;
  };
  // Where the search word as shown does not depend on the line, an item's two groups are worked
  // out once: (around, own) per item, -1 until needed.
  std::vector<std::pair<int32_t, int32_t>> item_groups(items.size() + 1, {-1, -1});
  // Texts are numbered densely as met; the (node, text) pairs are counted per text at the end.
  std::unordered_map<int32_t, int32_t> text_index;
  int32_t last_file = INT32_MIN, last_text = -1;
  const TSearch_word_format_rec no_item;
  // Each line's words within its clipped span, fetched over the workers; counted in line order.
  TLineWordRows rows;
  if (settings.run_words && settings.run_words->Holds(span.left, span.right)) {
    // The span ends, as SpanLimitOfLine finds them, read from the run's words.
    CountedLineWords(*settings.run_words, span.left, span_length, settings.threads, words,
                     [&span, &settings](const TRunLineWords& run, size_t row) {
                       return SpanOfLine(span, [&](int p) {
                         return run.At(row, p) == TRunLineWords::kNoWordThere ||
                                (settings.stop_at != 0 && run.BarrierAt(row, p) >= settings.stop_at);
                       });
                     },
                     rows);
  } else {
    FetchLineWords(lines, span_length, settings.threads, words,
                   [&span, &settings](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t*) {
                     const auto [first, last] = SpanOfLine(span, [&](int p) {
                       const TSortInfoRec r = WordAtSpanPosition(line, p);
                       return r.coll_length == 0 || (settings.stop_at != 0 && r.barrier >= settings.stop_at);
                     });
                     for (int p = first; p <= last; ++p) ids[p - span.left] = w.At(line, p);
                   },
                   rows, settings.lines_as_they_stood);
  }
  // Each row's groups and text, in line order: groups and texts are numbered as met. What that
  // needs of each line is read on the workers first.
  const size_t n_rows = rows.Count();
  struct TRowLine {
    int32_t item, file;
    bool hit_inside;  // the hit does not start the line
  };
  TWorkVector<TRowLine> row_lines(n_rows);
  ParallelFor(settings.threads, n_rows, [&](size_t from, size_t to) {
    for (size_t row = from; row < to; ++row) {
      const TConcordanceLineData& d = LineAt(lines, settings.lines_as_they_stood, rows.lines[row], false)->Data();
      row_lines[row] = {d.sw_number, d.filename_num_original, d.midpoint >= 1};
    }
  });
  // Whether each item's search word as shown may come from its lines (the last: no item's).
  std::vector<char> item_shown_from_line(items.size() + 1, 0);
  for (size_t i = 0; i < items.size(); ++i)
    item_shown_from_line[i] = ShownFormCanComeFromLine(items[i], settings.lemma_list_loaded);
  item_shown_from_line[items.size()] = ShownFormCanComeFromLine(no_item, settings.lemma_list_loaded);
  TWorkVector<int32_t> row_around(n_rows), row_own(n_rows), row_text(n_rows);
  size_t counted = n_rows;
  for (size_t row = 0; row < n_rows; ++row) {
    if (StopRequested(kPanicStopNow)) {
      counted = row;
      break;
    }
    if ((row & 1023) == 0) MyYieldProcess();
    const int32_t item = row_lines[row].item;
    const bool known_item = item >= 0 && item < static_cast<int32_t>(items.size());
    const TSearch_word_format_rec& rec = known_item ? items[static_cast<size_t>(item)] : no_item;
    int32_t around = 0, own = 0;
    if (settings.search_words_together) {
      around = own = group_for(kAllSearchWords, UString());
    } else {
      const size_t item_at = known_item ? static_cast<size_t>(item) : items.size();
      const bool shown_from_line = row_lines[row].hit_inside && item_shown_from_line[item_at];
      auto& cached = item_groups[item_at];
      if (!shown_from_line && cached.first >= 0 && (known_item || groups[static_cast<size_t>(cached.first)].number == item)) {
        around = cached.first;
        own = cached.second;
      } else {
        const UString shown = SearchWordAsShownInLine(*LineAt(lines, settings.lines_as_they_stood, rows.lines[row], false), rec, settings.lemma_list_loaded);
        around = group_for(item, shown);
        own = group_for(kOwnSearchWordRow, shown);
        if (!shown_from_line) cached = {around, own};
      }
    }
    const int32_t file = row_lines[row].file;
    if (file != last_file) {
      last_file = file;
      last_text = text_index.try_emplace(file, static_cast<int32_t>(text_index.size())).first->second;
    }
    row_around[row] = around;
    row_own[row] = own;
    row_text[row] = last_text;
  }
  // The words are counted a stretch of rows per worker, each into nodes of its own. The
  // stretches' nodes are then joined in stretch order, so that every node keeps the number of
  // its first meeting, as one pass over the rows numbers them.
  struct TStretchCount {
    std::vector<TNode> nodes;
    TNodeTable node_of;
    std::vector<std::pair<int32_t, int32_t>> node_texts;  // (text, node), each node once per run of a text
  };
  constexpr size_t kRowsPerStretch = 4096;
  const size_t stretches = ParallelPieces(settings.threads, counted, kRowsPerStretch);
  std::vector<TStretchCount> counts(stretches);
  ParallelForPieces(
      settings.threads, counted,
      [&](size_t piece, size_t begin, size_t end) {
        TStretchCount& c = counts[piece];
        for (size_t row = begin; row < end; ++row) {
          // Alone, the count gives the window its turns; beside others it gives none.
          if (stretches == 1 && (row & 1023) == 0) MyYieldProcess();
          const int32_t* row_ids = rows.Ids(row);
          const int32_t text = row_text[row];
          for (int p = span.left; p <= span.right; ++p) {
            const int32_t word = row_ids[p - span.left];
            if (word < 0) continue;
            const int32_t group = p == kSpanCentre ? row_own[row] : row_around[row];
            const uint64_t key = (uint64_t(uint32_t(word)) << 32) | uint32_t(group);
            int32_t id = c.node_of.Find(key);
            if (id < 0) {
              id = static_cast<int32_t>(c.nodes.size());
              c.node_of.Insert(key, id);
              TNode n;
              n.word = word;
              n.group = group;
              n.first_row = static_cast<int32_t>(row);
              n.first_position = p;
              n.freqs.assign(span_length, 0);
              c.nodes.push_back(std::move(n));
            }
            TNode& n = c.nodes[static_cast<size_t>(id)];
            if (p == kSpanCentre) n.ignore_freq = true;
            ++n.freqs[static_cast<size_t>(p - span.left)];
            if (text != n.last_text) {
              n.last_text = text;
              c.node_texts.emplace_back(text, id);
            }
          }
        }
      },
      kRowsPerStretch);
  std::vector<TNode> nodes;
  // Each stretch's nodes as joined: the number each has among all the stretches' nodes.
  std::vector<std::vector<int32_t>> joined(stretches);
  if (stretches == 1) {
    nodes = std::move(counts[0].nodes);
    joined[0].resize(nodes.size());
    for (size_t k = 0; k < nodes.size(); ++k) joined[0][k] = static_cast<int32_t>(k);
  } else {
    TNodeTable node_of;  // (word, group) -> node
    for (size_t p = 0; p < stretches; ++p) {
      TStretchCount& c = counts[p];
      joined[p].resize(c.nodes.size());
      for (size_t k = 0; k < c.nodes.size(); ++k) {
        TNode& local = c.nodes[k];
        const uint64_t key = (uint64_t(uint32_t(local.word)) << 32) | uint32_t(local.group);
        int32_t id = node_of.Find(key);
        if (id < 0) {
          id = static_cast<int32_t>(nodes.size());
          node_of.Insert(key, id);
          nodes.push_back(std::move(local));
        } else {
          TNode& n = nodes[static_cast<size_t>(id)];
          n.ignore_freq = n.ignore_freq || local.ignore_freq;
          for (size_t f = 0; f < span_length; ++f) n.freqs[f] += local.freqs[f];
        }
        joined[p][k] = id;
      }
    }
  }
  // Per text, each node met in it counts the text once (a node may be met in a text twice: in two
  // stretches, or in two runs of the text's lines). The stretches' (text, node) pairs are put in
  // text order on the workers, then the texts are shared among the workers, each counting into
  // numbers of its own that are added up at the end.
  std::vector<int32_t> texts(nodes.size(), 0);
  {
    const size_t n_texts = text_index.size();
    std::vector<std::vector<uint32_t>> place(stretches, std::vector<uint32_t>(n_texts, 0));
    ParallelForPieces(
        static_cast<int>(stretches), stretches,
        [&](size_t, size_t from, size_t to) {
          for (size_t p = from; p < to; ++p)
            for (const auto& [t, node] : counts[p].node_texts) ++place[p][static_cast<size_t>(t)];
        },
        1);
    const std::vector<uint32_t> at = PlacesByPiece(place, n_texts);
    TWorkVector<int32_t> by_text(at[n_texts]);
    ParallelForPieces(
        static_cast<int>(stretches), stretches,
        [&](size_t, size_t from, size_t to) {
          for (size_t p = from; p < to; ++p)
            for (const auto& [t, node] : counts[p].node_texts)
              by_text[place[p][static_cast<size_t>(t)]++] = joined[p][static_cast<size_t>(node)];
        },
        1);
    constexpr size_t kTextsPerPiece = 256;
    const size_t pieces = ParallelPieces(settings.threads, n_texts, kTextsPerPiece);
    std::vector<std::vector<int32_t>> piece_texts(pieces);
    ParallelForPieces(
        settings.threads, n_texts,
        [&](size_t piece, size_t from, size_t to) {
          std::vector<int32_t>& counted_texts = pieces == 1 ? texts : piece_texts[piece];
          counted_texts.assign(nodes.size(), 0);
          std::vector<int32_t> seen(nodes.size(), -1);
          for (size_t t = from; t < to; ++t)
            for (size_t k = at[t]; k < at[t + 1]; ++k) {
              const int32_t node = by_text[k];
              if (seen[static_cast<size_t>(node)] == static_cast<int32_t>(t)) continue;
              seen[static_cast<size_t>(node)] = static_cast<int32_t>(t);
              ++counted_texts[static_cast<size_t>(node)];
            }
        },
        kTextsPerPiece);
    if (pieces > 1)
      for (const std::vector<int32_t>& piece : piece_texts)
        for (size_t k = 0; k < piece.size(); ++k) texts[k] += piece[k];
  }

  // Rows come in word order (then the greater search-word number, then the search word), so
  // that equal totals keep one order from run to run.
  std::vector<int32_t> order(nodes.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int32_t>(k);
  // A few thousand nodes a piece: string compares cost more than the ints a sort's grain is set for.
  constexpr size_t kNodesPerSortPiece = 4096;
  // No two nodes compare equal (each is one word's text in one group, and each group one search
  // word number with one search word as shown), so the sort on the workers gives one worker's order.
  ParallelSort(order, settings.threads, [&](int32_t a, int32_t b) {
    const TNode &x = nodes[static_cast<size_t>(a)], &y = nodes[static_cast<size_t>(b)];
    if (x.word != y.word) return words.Word(x.word) < words.Word(y.word);
    const TGroup &gx = groups[static_cast<size_t>(x.group)], &gy = groups[static_cast<size_t>(y.group)];
    if (gx.number != gy.number) return gx.number > gy.number;
    return gx.search_word < gy.search_word;
  }, kNodesPerSortPiece);
  int32_t stop_types = 0, stop_tokens = 0;
  // The rows in word order, as made; they go into the list once they are in the list's order.
  std::vector<TCollocateEntry*> made;
  made.reserve(order.size());
  for (int32_t id : order) {
    TNode& n = nodes[static_cast<size_t>(id)];
    const UString& word = words.Word(n.word);
    int32_t total = 0, left = 0, right = 0, highest = 0;
    for (size_t k = 0; k < n.freqs.size(); ++k) {
      const int32_t f = n.freqs[k];
      const int position = span.left + static_cast<int>(k);
      if (position < kSpanCentre) left += f;
      else if (position > kSpanCentre) right += f;
      total += f;
      highest = std::max(highest, f);
    }
    const int32_t n_texts = texts[static_cast<size_t>(id)];
    if (settings.is_stop_word && settings.is_stop_word(word)) {
      ++stop_types;
      stop_tokens += total;
      continue;
    }
    if (!n.ignore_freq && (n_texts < settings.min_texts || total < settings.min_total ||
                           static_cast<int64_t>(word.size()) < settings.min_word_length))
      continue;
    const TGroup& g = groups[static_cast<size_t>(n.group)];
    auto* e = static_cast<TCollocateEntry*>(list.NewEntry());
    e->rec.head = {0.0f, highest, total, left, right, n_texts, g.number};
    e->rec.word = word;
    e->rec.prefix = UString();
    e->rec.suffix = UString();
    e->rec.search_word = g.search_word;
    e->rec.freqs = std::move(n.freqs);
    if (!settings.visible_tags.empty()) {
      const TConcordanceEntry* line =
          LineAt(lines, settings.lines_as_they_stood, rows.lines[static_cast<size_t>(n.first_row)], false);
      const int tag = line ? WordAtSpanPosition(*line, n.first_position).Tag_number_1Based : 0;
      if (tag >= 1 && tag <= static_cast<int>(settings.visible_tags.size())) {
        const TCollocateTag& t = settings.visible_tags[static_cast<size_t>(tag - 1)];
        e->SetACategoryAndColourAndTagnumber(t.category, t.colour, tag);
      }
    }
    made.push_back(e);
  }
  // The stretches' own nodes (those joined into others still hold their counts) are freed on the
  // workers.
  ParallelForPieces(
      static_cast<int>(stretches), stretches,
      [&](size_t, size_t from, size_t to) {
        for (size_t p = from; p < to; ++p) counts[p] = TStretchCount();
      },
      1);
  // The stop words left out, as the list's own stop check counts those it removes.
  list.stoplist_types = stop_types;
  list.stoplist_tokens = stop_tokens;
  list.Set1Sort(0, kCollocateSortTotal);
  list.Set1Sort(1, 0);
  list.SetSortAscending(0, false);
  list.SetSortAscending(1, true);
  AddCollocatesInListOrder(list, made, settings.threads);
  return list.Count() > 0;
}
