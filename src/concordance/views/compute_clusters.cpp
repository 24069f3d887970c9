#include "concordance/views/compute_clusters.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "concordance/views/clusters_list.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/work_vectors.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/lines/line_sections.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/vx_runtime.h"

void ClusterReachPositions(int16_t reach_left, int16_t reach_right, int& left_start, int& right_end) {
  const int l = static_cast<uint8_t>(reach_left & 0xFF), r = static_cast<uint8_t>(reach_right & 0xFF);
  left_start = std::clamp(kSpanCentre - l, kSpanLowest, kSpanHighest);
  right_end = std::clamp(kSpanCentre + r, kSpanLowest, kSpanHighest);
}

namespace {

// Every field is set where a row is made (no default: rows are made on the workers).
struct THolder {
  int32_t frequency;
  int32_t length;     // words of the text
  uint32_t ids_at;    // the cluster's word numbers: ids_count of them from here in the pool
  uint32_t ids_count;
};
using THolders = TWorkVector<THolder>;

// The rows' entries, in row order; each holds its row's text.
using TRowEntries = TWorkVector<TConcordanceClusterEntry*>;
struct TRowTexts {
  const TRowEntries& rows;
  const UString& operator[](size_t k) const { return *rows[k]->rec.line; }
};

constexpr int kPositions = kSpanHighest + 1;

// Counts runs of word numbers by sorting rather than by a table: the words and boundaries of
// every line are kept in rows; the runs of one size are noted as their hash and where their
// words lie, grouped by hash (a bucket pass on the top bits, then a small sort per bucket), and
// a group is one run once its members' words are compared (two different runs of one hash are
// told apart). Memory is read in order throughout, so millions of mostly distinct runs do not
// each wait on a random read. A run can only reach the minimum when the run one word shorter at
// its start did, so longer runs are noted only after those.
class TRunCounter {
 public:
  struct TNote {
    uint64_t hash;   // the key: the run's words when they fit, else their hash
    uint32_t line;   // row of the words table
    uint16_t start;  // position in the row
    uint16_t size;
  };
  // A distinct run: its first note and how often it was met.
  struct TFound {
    TNote first;
    int32_t count;
  };
  explicit TRunCounter(int width) : width_(static_cast<size_t>(width)) {}
  // Once every row is in: the number of distinct words, which decides whether a run's words
  // fit in its 64-bit key as they are (then the key is the run itself and needs no checking).
  void SetWordCount(int32_t words) {
    bits_ = 1;
    while (bits_ < 64 && (uint64_t{1} << bits_) <= static_cast<uint64_t>(words)) ++bits_;
  }
  bool Exact(int size) const { return bits_ * size <= 64; }
  // The key of the run of size words at ids: the words themselves (each + 1, so that no run is
  // 0 and runs of different sizes differ) when they fit, else their hash.
  uint64_t KeyOf(const int32_t* ids, int size) const {
    uint64_t key = 0;
    if (Exact(size)) {
      for (int k = 0; k < size; ++k) key = (key << bits_) | static_cast<uint64_t>(ids[k] + 1);
      return key;
    }
    for (int k = 0; k < size; ++k) key = Extend(key, ids[k]);
    return Final(key);
  }

  static uint64_t Extend(uint64_t hash, int32_t id) {
    return (hash ^ static_cast<uint32_t>(id)) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
  }
  static uint64_t Final(uint64_t hash) { return hash ^ (hash >> 29); }
  // Every line's row: width words (-1 where there is none) and the boundary after each.
  void TakeRows(TWorkVector<int32_t> words, TWorkVector<uint8_t> barriers) {
    words_ = std::move(words);
    barriers_ = std::move(barriers);
  }
  const int32_t* Words(const TNote& n) const { return words_.data() + n.line * width_ + n.start; }

  // Counts the runs of one size and answers, in pieces to be read in order, each distinct run
  // that may matter: every run met at least min_count times and, among the others, any that
  // raise the highest count below the minimum. A run fails at a position without a word or, but for its last
  // word, at a boundary at or above stop_at (stop_at 0: any boundary). filtered: only runs
  // whose start held a run one word shorter that reached the minimum are noted. Afterwards the
  // starts of the runs that reached it are marked for the next size. threads: the workers that
  // share the counting; any number reports the same runs in the same order.
  const std::vector<std::vector<TFound>>& CountSize(int size, uint8_t stop_at, bool filtered, int32_t min_count,
                                                   int threads) {
    if (reached_.size() != words_.size()) {
      reached_.resize(words_.size());
      Clear(reached_, threads);
    }
    // The runs are noted a stretch of rows at a time, a few stretches a worker taken in turn (so
    // that a worker slowed by the other lists' work beside this count takes fewer), and the
    // stretches' notes go into the first-pass buckets as one pass over the rows in order would
    // put them.
    const size_t rows = words_.size() / width_;
    const size_t usize = static_cast<size_t>(size);
    constexpr size_t kRowsPerStretch = 2048;
    const size_t runners = ParallelPieces(threads, rows, kRowsPerStretch);
    const size_t stretches = runners <= 1 ? 1 : std::min(runners * 4, rows / kRowsPerStretch);
    // The note buffers are kept from size to size.
    notes_.resize(std::max(notes_.size(), stretches));
    ForChunksInTurn(
        static_cast<int>(runners), stretches,
        [&](size_t piece, size_t) {
          const size_t r_from = rows * piece / stretches, r_to = rows * (piece + 1) / stretches;
          std::vector<TNote>& notes = notes_[piece];
          notes.clear();
          notes.reserve((r_to - r_from) * width_);
          for (size_t r = r_from; r < r_to; ++r) {
            const int32_t* ids = words_.data() + r * width_;
            const uint8_t* barriers = barriers_.data() + r * width_;
            for (size_t start = 0; start + usize <= width_; ++start) {
              if (filtered && !reached_[r * width_ + start]) continue;
              size_t k = 0;
              for (; k < usize; ++k) {
                if (ids[start + k] < 0) break;
                if (k + 1 < usize && barriers[start + k] != 0 && barriers[start + k] >= stop_at) break;
              }
              if (k < usize) continue;
              const uint64_t key = KeyOf(ids + start, size);
              notes.push_back({key, static_cast<uint32_t>(r), static_cast<uint16_t>(start), static_cast<uint16_t>(size)});
            }
          }
        });
    size_t noted = 0;
    for (size_t p = 0; p < stretches; ++p) noted += notes_[p].size();
    // Two bucket passes on a mix of the key's bits, to about sixteen notes a bucket: the first
    // writes to few enough places at once to stay in cache, the second works within a bucket
    // that fits in it; then each small bucket is sorted.
    const int bits = std::clamp(static_cast<int>(std::bit_width(noted / 16)), 8, 20);
    const int bits1 = std::min(bits, 10), bits2 = bits - bits1;
    auto mixed = [](uint64_t key) { return key * 0xD6E8FEB86659FD93ull; };
    auto bucket1 = [bits1, &mixed](uint64_t key) { return static_cast<size_t>(mixed(key) >> (64 - bits1)); };
    auto bucket2 = [bits1, bits2, &mixed](uint64_t key) {
      return static_cast<size_t>((mixed(key) << bits1) >> (64 - bits2)) & ((size_t{1} << bits2) - 1);
    };
    // Each stretch counts its notes per bucket; a stretch's notes of a bucket go after those of
    // the stretches before it, so the buckets hold their notes in row order.
    const size_t buckets1 = size_t{1} << bits1;
    std::vector<std::vector<uint32_t>> place(stretches, std::vector<uint32_t>(buckets1, 0));
    ForChunksInTurn(static_cast<int>(runners), stretches, [&](size_t p, size_t) {
      for (const TNote& n : notes_[p]) ++place[p][bucket1(n.hash)];
    });
    const std::vector<uint32_t> at1 = PlacesByPiece(place, buckets1);
    TWorkVector<TNote>& sorted = sorted_;
    sorted.resize(noted);
    ForChunksInTurn(static_cast<int>(runners), stretches, [&](size_t p, size_t) {
      for (const TNote& n : notes_[p]) sorted[place[p][bucket1(n.hash)]++] = n;
    });
    auto same = [&](const TNote& x, const TNote& y) { return std::equal(Words(x), Words(x) + x.size, Words(y)); };
    const bool exact = Exact(size);
    Clear(reached_, threads);
    // The first-pass buckets are shared among the workers a piece at a time, taken in turn, each
    // piece keeping the runs it found in bucket order; they are reported in piece order
    // afterwards, as one worker reports them. A run below the minimum only matters for the
    // highest count: a piece leaves out those no higher than its own highest so far, which
    // leaves the overall highest as it is.
    const size_t buckets = at1.size() - 1;
    const size_t bucket_runners = ParallelPieces(threads, buckets, 16);
    const size_t pieces = bucket_runners <= 1 ? 1 : std::min(bucket_runners * 4, buckets / 16);
    std::vector<std::vector<TFound>>& found = found_;
    found.assign(pieces, {});
    ForChunksInTurn(
        static_cast<int>(bucket_runners), pieces,
        [&](size_t piece, size_t) {
          const size_t b_from = buckets * piece / pieces, b_to = buckets * (piece + 1) / pieces;
          std::vector<TFound>& out = found[piece];
          int32_t highest_below = 0;
          // first..last: the notes of one run.
          auto report = [&](const TNote* first, const TNote* last) {
            const int32_t count = static_cast<int32_t>(last - first);
            if (count < min_count) highest_below = std::max(highest_below, count);
            else
              for (const TNote* n = first; n < last; ++n) reached_[n->line * width_ + n->start] = 1;
            out.push_back({*first, count});
          };
          auto one_bucket = [&](TNote* first, TNote* last) {
            std::sort(first, last, [](const TNote& x, const TNote& y) { return x.hash < y.hash; });
            for (TNote* g = first; g < last;) {
              TNote* end = g + 1;
              while (end < last && end->hash == g->hash) ++end;
              const int32_t n = static_cast<int32_t>(end - g);
              if (n < min_count && n <= highest_below) {
                // Neither a row nor a new highest count, whatever the group holds.
              } else if (n == 1 || exact || std::all_of(g + 1, end, [&](const TNote& x) { return same(x, *g); })) {
                report(g, end);
              } else {
                // Different runs of one hash: their words decide.
                std::sort(g, end, [&](const TNote& x, const TNote& y) {
                  return std::lexicographical_compare(Words(x), Words(x) + x.size, Words(y), Words(y) + y.size);
                });
                for (TNote* h = g; h < end;) {
                  TNote* h_end = h + 1;
                  while (h_end < end && same(*h_end, *h)) ++h_end;
                  report(h, h_end);
                  h = h_end;
                }
              }
              g = end;
            }
          };
          std::vector<TNote> part;
          std::vector<uint32_t> at2((size_t{1} << bits2) + 1);
          for (size_t b1 = b_from; b1 < b_to; ++b1) {
            TNote* from = sorted.data() + at1[b1];
            TNote* to = sorted.data() + at1[b1 + 1];
            if (bits2 == 0) {
              one_bucket(from, to);
              continue;
            }
            std::fill(at2.begin(), at2.end(), 0);
            for (TNote* n = from; n < to; ++n) ++at2[bucket2(n->hash) + 1];
            for (size_t b = 1; b < at2.size(); ++b) at2[b] += at2[b - 1];
            part.resize(static_cast<size_t>(to - from));
            std::vector<uint32_t> fill(at2.begin(), at2.end() - 1);
            for (TNote* n = from; n < to; ++n) part[fill[bucket2(n->hash)]++] = *n;
            for (size_t b = 0; b + 1 < at2.size(); ++b) one_bucket(part.data() + at2[b], part.data() + at2[b + 1]);
          }
        });
    return found;
  }

 private:
  static void Clear(TWorkVector<uint8_t>& v, int threads) {
    ParallelFor(threads, v.size(), [&](size_t from, size_t to) { std::fill(v.begin() + from, v.begin() + to, 0); },
                size_t{1} << 16);
  }
  size_t width_;
  int bits_ = 64;
  TWorkVector<int32_t> words_;
  TWorkVector<uint8_t> barriers_;
  std::vector<std::vector<TNote>> notes_;  // a stretch of rows each
  TWorkVector<TNote> sorted_;
  std::vector<std::vector<TFound>> found_;
  TWorkVector<uint8_t> reached_;  // per word of the rows: a run of the last size counted reached the minimum there
};

// The cluster's words joined by blanks, written into a text of the exact length: one allocation
// a row (rows are made by the hundred thousand), not one each time a joined text outgrows itself.
UString TextOf(const TCountingWords& words, const int32_t* ids, size_t count) {
  if (count == 0) return UString();
  size_t length = count - 1;
  for (size_t k = 0; k < count; ++k) length += words.Word(ids[k]).size();
  UString t(length, u' ');
  char16_t* out = t.data();
  for (size_t k = 0; k < count; ++k) {
    if (k) ++out;  // the blank is there already
    const UString& w = words.Word(ids[k]);
    out = std::copy(w.begin(), w.end(), out);
  }
  return t;
}

// Each pair where one cluster's words are a run of the other's is related, once: every longer
// cluster looks its shorter runs up. A word of the counted form may hold blanks (a search word
// of several words), so containment is checked on the texts' words as well as the runs.
// Related pairs (row, row), each pair both ways, appended to pairs.
void FindRelatedClusters(const THolders& holders, const TRowTexts& texts, int threads,
                         std::vector<std::pair<int32_t, int32_t>>& pairs) {
  // Texts by hash in an open-addressed table of row numbers: a look-up makes no string.
  std::vector<int32_t> slots(std::max<size_t>(1024, std::bit_ceil(holders.size() * 2)), -1);
  const size_t mask = slots.size() - 1;
  auto find = [&](UStringView t) -> int32_t {
    for (size_t i = TCountingWords::HashOf(t) & mask;; i = (i + 1) & mask) {
      const int32_t k = slots[i];
      if (k < 0 || texts[static_cast<size_t>(k)] == t) return k;
    }
  };
  // A text of n blank-separated pieces can only equal a text of as many: runs of fewer pieces
  // than the shortest text are not looked up.
  size_t fewest_pieces = SIZE_MAX;
  for (size_t k = 0; k < holders.size(); ++k) {
    size_t i = TCountingWords::HashOf(texts[k]) & mask;
    while (slots[i] >= 0) i = (i + 1) & mask;
    slots[i] = static_cast<int32_t>(k);
    fewest_pieces = std::min(fewest_pieces, 1 + static_cast<size_t>(std::count(texts[k].begin(), texts[k].end(), u' ')));
  }
  // The rows are looked at a stretch per worker, each stretch's pairs in row order; joined in
  // stretch order they are the pairs one pass gives. A stretch that saw a stop ends the pairs.
  constexpr size_t kRowsPerStretch = 4096;
  const size_t stretches = ParallelPieces(threads, holders.size(), kRowsPerStretch);
  std::vector<std::vector<std::pair<int32_t, int32_t>>> found(stretches);
  std::vector<char> stopped(stretches, 0);
  ParallelForPieces(
      threads, holders.size(),
      [&](size_t piece, size_t from, size_t to) {
        std::vector<std::pair<int32_t, int32_t>>& out = stretches == 1 ? pairs : found[piece];
        std::vector<size_t> starts;
        for (size_t j = from; j < to; ++j) {
          if (StopRequested(kPanicStopNow)) {
            stopped[piece] = 1;
            return;
          }
          if (stretches == 1 && (j & 1023) == 0) MyYieldProcess();
          const UStringView t = texts[j];
          starts.clear();
          starts.push_back(0);
          for (size_t c = 0; c < t.size(); ++c)
            if (t[c] == u' ') starts.push_back(c + 1);
          const size_t n = starts.size();
          for (size_t a = 0; a < n; ++a)
            for (size_t b = a + fewest_pieces; b <= n; ++b) {
              if (a == 0 && b == n) continue;
              const size_t from_c = starts[a];
              const size_t to_c = b < n ? starts[b] - 1 : t.size();
              const int32_t i = find(t.substr(from_c, to_c - from_c));
              if (i < 0) continue;
              if (holders[static_cast<size_t>(i)].length >= holders[j].length) continue;
              out.emplace_back(i, static_cast<int32_t>(j));
              out.emplace_back(static_cast<int32_t>(j), i);
            }
        }
      },
      kRowsPerStretch);
  if (stretches == 1) return;
  for (size_t p = 0; p < stretches; ++p) {
    pairs.insert(pairs.end(), found[p].begin(), found[p].end());
    if (stopped[p]) return;
  }
}

// related..related_end: the rows related to one row (sorted and made unique here).
UString RelatedLine(const THolders& holders, const TRowTexts& texts, int32_t* related_begin,
                    int32_t* related_end) {
  std::sort(related_begin, related_end);
  const std::span<int32_t> related(related_begin, std::unique(related_begin, related_end));
  if (related.empty()) return UString();
  // Written straight into a text of the exact length: "text (n)" joined by ",".
  char digits[12];
  auto frequency_digits = [&](size_t k) {
    return static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, holders[k].frequency).ptr - digits);
  };
  size_t length = related.size() - 1;
  for (int32_t k : related) length += texts[static_cast<size_t>(k)].size() + 3 + frequency_digits(static_cast<size_t>(k));
  UString line(length, u' ');
  char16_t* out = line.data();
  for (size_t r = 0; r < related.size(); ++r) {
    const size_t k = static_cast<size_t>(related[r]);
    if (r) *out++ = u',';
    out = std::copy(texts[k].begin(), texts[k].end(), out);
    *out++ = u' ';
    *out++ = u'(';
    const size_t n = frequency_digits(k);
    for (size_t d = 0; d < n; ++d) *out++ = static_cast<char16_t>(digits[d]);
    *out++ = u')';
  }
  return line;
}

}  // namespace

bool ComputeClusters(const TConcordanceList& lines, const TClusterRunSettings& settings,
                     TConcordanceClusterList& list, int32_t& highest) {
  list.Clear();
  highest = 0;
  int left_start = 0, right_end = 0;
  ClusterReachPositions(settings.reach_left, settings.reach_right, left_start, right_end);
  const int n_lines = lines.Count();
  if (n_lines == 0) return false;
  TCountingWords words(settings.count);
  TRunCounter counts(right_end - left_start);
  {
    // Only the positions a cluster can reach are fetched.
    TLineWordRows rows;
    if (settings.run_words && settings.run_words->Holds(left_start, right_end - 1))
      CountedLineWords(*settings.run_words, left_start, static_cast<size_t>(right_end - left_start), settings.threads,
                       words, {}, rows);
    else
      FetchLineWords(lines, static_cast<size_t>(right_end - left_start), settings.threads, words,
                     [left_start, right_end](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids,
                                             uint8_t* barriers) {
                       for (int p = left_start; p < right_end; ++p) {
                         const TSortInfoRec r = WordAtSpanPosition(line, p);
                         ids[p - left_start] = w.AtRecord(line, r);
                         barriers[p - left_start] = r.barrier;
                       }
                     },
                     rows, settings.lines_as_they_stood);
    counts.TakeRows(std::move(rows.ids), std::move(rows.barriers));
  }
  counts.SetWordCount(words.Count());
  THolders holders;
  TWorkVector<int32_t> id_pool;
  const int smallest = std::max<int>(1, settings.smallest), largest = settings.largest;
  const int32_t min_count = settings.count.min_frequency;
  // With a minimum of 1 every run is a row, and nothing can be left out.
  for (int size = smallest; size <= largest && size <= right_end - left_start; ++size) {
    if (StopRequested(kPanicStopNow)) break;
    MyYieldProcess();
    const bool filtered = size > smallest && min_count > 1;
    const std::vector<std::vector<TRunCounter::TFound>>& found =
        counts.CountSize(size, settings.stop_at, filtered, min_count, settings.threads);
    // The rows of the runs that reach the minimum, in the order they were found, made on the
    // workers: each piece's rows go after those of the pieces before it.
    const size_t pieces = found.size();
    std::vector<size_t> rows_at(pieces + 1, 0);
    std::vector<int32_t> piece_highest(pieces, 0);
    ParallelForPieces(
        settings.threads, pieces,
        [&](size_t, size_t from, size_t to) {
          for (size_t p = from; p < to; ++p)
            for (const TRunCounter::TFound& r : found[p]) {
              piece_highest[p] = std::max(piece_highest[p], r.count);
              if (r.count >= min_count) ++rows_at[p + 1];
            }
        },
        1);
    for (size_t p = 0; p < pieces; ++p) {
      highest = std::max(highest, piece_highest[p]);
      rows_at[p + 1] += rows_at[p];
    }
    const size_t first_row = holders.size(), first_id = id_pool.size(), usize = static_cast<size_t>(size);
    holders.resize(first_row + rows_at[pieces]);
    id_pool.resize(first_id + rows_at[pieces] * usize);
    ParallelForPieces(
        settings.threads, pieces,
        [&](size_t, size_t from, size_t to) {
          for (size_t p = from; p < to; ++p) {
            size_t row = rows_at[p];
            for (const TRunCounter::TFound& r : found[p]) {
              if (r.count < min_count) continue;
              THolder& h = holders[first_row + row];
              h.ids_at = static_cast<uint32_t>(first_id + row * usize);
              h.ids_count = r.first.size;
              h.frequency = r.count;
              h.length = 0;
              const int32_t* w = counts.Words(r.first);
              std::copy(w, w + r.first.size, id_pool.begin() + static_cast<ptrdiff_t>(h.ids_at));
              ++row;
            }
          }
        },
        1);
  }
  // Each row's entry with its text, and the key the rows are sorted by, made on the workers.
  // The entries share one block; until the list takes them they are this count's: a piece clears
  // its share first, so that whatever happens the rows made so far can be given back.
  const size_t n_rows = holders.size();
  TClusterEntryStore store(n_rows);
  TRowEntries made(n_rows);
  struct TGiveBack {
    TRowEntries& rows;
    ~TGiveBack() {
      for (TConcordanceClusterEntry*& e : rows) delete std::exchange(e, nullptr);
    }
  } give_back{made};
  // Most frequent first, then by text: the first sixteen characters of each text are compared as
  // four numbers, the rest only when those are equal. Rows of one frequency and text (a word of the
  // count may hold a blank) keep the order they were counted in, whatever the workers.
  struct TOrderKey {
    uint64_t head[4];
    const char16_t* text;  // the whole text, read where the heads are equal (it stays where it is)
    uint32_t length;
    int32_t frequency;
    uint32_t index;
  };
  TWorkVector<TOrderKey> keys(n_rows);
  const TRowTexts texts{made};
  // A few stretches a worker, taken in turn: the entries are made while the other lists count.
  // The counter's buffers (tens of megabytes, no longer read) are given back meanwhile on a thread
  // of their own, instead of after the rows, where this count is the last of the lists to end.
  const size_t entry_runners = ParallelPieces(settings.threads, n_rows);
  const size_t entry_stretches = entry_runners <= 1 ? 1 : std::min(entry_runners * 4, n_rows / 4096);
  auto make_entries = [&] {
    ForChunksInTurn(static_cast<int>(entry_runners), entry_stretches, [&](size_t stretch, size_t) {
      const size_t from = n_rows * stretch / entry_stretches, to = n_rows * (stretch + 1) / entry_stretches;
      store.MakeEntries(from, to, list, made.data() + from);
      for (size_t k = from; k < to; ++k) {
        THolder& h = holders[k];
        TClusterEntryRec& rec = made[k]->rec;
        const UString& t = rec.line.emplace(TextOf(words, id_pool.data() + h.ids_at, h.ids_count));
        h.length = ClusterWordCount(t);
        rec.frequency = h.frequency;
        rec.cluster_length = h.length;
        uint64_t head[4] = {0, 0, 0, 0};
        for (size_t c = 0; c < 16; ++c) head[c / 4] = (head[c / 4] << 16) | (c < t.size() ? t[c] : 0);
        keys[k] = {{head[0], head[1], head[2], head[3]}, t.data(), static_cast<uint32_t>(t.size()), h.frequency,
                   static_cast<uint32_t>(k)};
      }
    });
  };
  RunSideBySide(settings.threads, {make_entries, [&counts] {
                  TRunCounter gone(1);
                  std::swap(gone, counts);
                }});
  ParallelSort(keys, settings.threads, [&](const TOrderKey& a, const TOrderKey& b) {
    if (a.frequency != b.frequency) return a.frequency > b.frequency;
    for (int w = 0; w < 4; ++w)
      if (a.head[w] != b.head[w]) return a.head[w] < b.head[w];
    if (const int c = UStringView(a.text, a.length).compare(UStringView(b.text, b.length)); c != 0) return c < 0;
    return a.index < b.index;
  });
  {
    // Rows in their order from here on, so that what follows reads them in turn.
    THolders h2(n_rows);
    TRowEntries m2(n_rows);
    ParallelFor(settings.threads, n_rows, [&](size_t from, size_t to) {
      for (size_t k = from; k < to; ++k) {
        h2[k] = holders[keys[k].index];
        m2[k] = made[keys[k].index];
      }
    });
    holders = std::move(h2);
    // m2 goes with the old order; it only points at the entries, which `made` gives back.
    made.swap(m2);
  }
  // The related rows of each row, gathered from the pairs by a counting pass.
  std::vector<std::pair<int32_t, int32_t>> pairs;
  if (smallest != largest) FindRelatedClusters(holders, texts, settings.threads, pairs);
  std::vector<uint32_t> related_at(n_rows + 1, 0);
  for (const auto& [a, b] : pairs) ++related_at[static_cast<size_t>(a) + 1];
  for (size_t k = 1; k < related_at.size(); ++k) related_at[k] += related_at[k - 1];
  std::vector<int32_t> related(pairs.size());
  {
    std::vector<uint32_t> fill(related_at.begin(), related_at.end() - 1);
    for (const auto& [a, b] : pairs) related[fill[static_cast<size_t>(a)]++] = b;
  }
  // Each row's related line, on the workers: a row sorts only its own part of `related`, and
  // reads the other rows' texts, which no longer change.
  // The rows are in their sorted order now, not the order they were made in: entries a little
  // ahead are fetched into the cache meanwhile.
  constexpr size_t kAhead = 8;
  ParallelFor(settings.threads, n_rows, [&](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) {
      if (k + kAhead < to) __builtin_prefetch(made[k + kAhead]);
      made[k]->rec.related_line =
          RelatedLine(holders, texts, related.data() + related_at[k], related.data() + related_at[k + 1]);
    }
  });
  // The list looks at each entry it takes, which a worker made last: entries ahead are fetched
  // into the cache meanwhile, so that the rows are not taken one wait at a time.
  for (size_t k = 0; k < n_rows; ++k) {
    if (k + 2 * kAhead < n_rows) __builtin_prefetch(made[k + 2 * kAhead]);
    if (list.Add(made[k]) >= 0) made[k] = nullptr;
  }
  if (list.Count() > 0) list.change_state |= 8;
  return list.Count() > 0;
}
