#include "concordance/views/derived_line_words.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <typeinfo>

#include "concordance/lines/concordance_line.h"
#include "concordance/lines/concordance_list.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/vx_runtime.h"

const TConcordanceEntry* LineOfList(const TConcordanceList& lines, int index) {
  const TVXBaseListObject* entry = lines.Get(index);
  if (!entry) return nullptr;
  if (typeid(*entry) == typeid(TConcordanceEntry)) return static_cast<const TConcordanceEntry*>(entry);
  return dynamic_cast<const TConcordanceEntry*>(entry);
}

TLinesAsTheyStood LinesAsTheyStand(const TConcordanceList& lines, int32_t threads) {
  TLinesAsTheyStood stood(static_cast<size_t>(std::max(0, lines.Count())));
  ParallelFor(threads, stood.size(), [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) stood[i] = LineAt(lines, nullptr, static_cast<int>(i), true);
  });
  return stood;
}

const TConcordanceEntry* LineAt(const TConcordanceList& lines, const TLinesAsTheyStood* stood, int index,
                                bool skip_deleted) {
  if (stood) return index >= 0 && static_cast<size_t>(index) < stood->size() ? (*stood)[static_cast<size_t>(index)] : nullptr;
  if (skip_deleted && lines.GetDeleted(index)) return nullptr;
  return LineOfList(lines, index);
}

namespace {

// Lines this far ahead have their records fetched into the cache, so that a line's reading
// rarely waits on memory for its record (the lines were made on many workers and lie scattered).
constexpr size_t kRecordsAhead = 16;
// Lines this far ahead (their records in the cache by then) have the characters around their
// search word fetched: where those lie is known only once the text's header is read, and that
// read, left to the processor, overlaps with the work on the lines before.
constexpr size_t kTextsAhead = 6;
// Characters fetched on each side of the search word: the words of the positions read lie there.
constexpr size_t kTextReachBytes = 128;

void FetchRecordAhead(const TVXBaseListObject* entry) {
  if (!entry) return;
  const char* at = reinterpret_cast<const char*>(entry);
  for (size_t b = 0; b < sizeof(TConcordanceEntry); b += 64) __builtin_prefetch(at + b);
}

void FetchTextAhead(const TConcordanceEntry* line) {
  if (!line) return;
  const TLineText text = line->Text();
  if (text.empty()) return;
  const size_t unit = text.OneByte() ? 1 : 2;
  const char* chars = text.OneByte() ? reinterpret_cast<const char*>(text.Bytes())
                                     : reinterpret_cast<const char*>(text.Units());
  const size_t bytes = text.size() * unit;
  const size_t middle = std::min(bytes, static_cast<size_t>(std::max<int>(0, line->Data().midpoint)) * unit);
  const size_t from = middle > kTextReachBytes * unit ? middle - kTextReachBytes * unit : 0;
  const size_t to = std::min(bytes, middle + kTextReachBytes * unit);
  for (size_t b = from; b < to; b += 64) __builtin_prefetch(chars + b);
}

// Lines [begin, end) into rows, read from `stood` when given; `yield`: the window's turns every
// 1,024 lines (the owner's thread on one worker). False when a stop ended it.
bool FetchPiece(const TConcordanceList& lines, const TLinesAsTheyStood* stood, size_t begin, size_t end, bool yield,
                TCountingWords& words, const TFillLineWords& fill, TLineWordRows& rows) {
  // Room for every line of the piece, so that no row is copied as the rows grow.
  rows.lines.reserve(rows.lines.size() + (end - begin));
  rows.ids.reserve(rows.ids.size() + (end - begin) * rows.width);
  rows.barriers.reserve(rows.barriers.size() + (end - begin) * rows.width);
  for (size_t i = begin; i < end; ++i) {
    const int index = static_cast<int>(i);
    if (i + kRecordsAhead < end)
      FetchRecordAhead(stood ? (*stood)[i + kRecordsAhead] : lines.Get(index + static_cast<int>(kRecordsAhead)));
    if (i + kTextsAhead < end)
      FetchTextAhead(stood ? (*stood)[i + kTextsAhead] : LineOfList(lines, index + static_cast<int>(kTextsAhead)));
    if (StopRequested(kPanicStopNow)) return false;
    const TConcordanceEntry* line = LineAt(lines, stood, index, true);
    if (!line || line->Text().empty()) continue;
    if (yield && (i & 1023) == 0) MyYieldProcess();
    const size_t at = rows.ids.size();
    rows.lines.push_back(index);
    rows.ids.resize(at + rows.width, -1);
    rows.barriers.resize(at + rows.width, 0);
    fill(*line, words, rows.ids.data() + at, rows.barriers.data() + at);
  }
  return true;
}

}  // namespace

std::vector<UString> NumberChunkWords(int threads, size_t chunks, const std::function<TChunkWords(size_t)>& words_of,
                                      const std::function<std::vector<int32_t>&(size_t)>& numbers_of) {
  // Each share of the words (by hash) finds, over the chunks in order, where each of its words is
  // first met; a share is one worker's, so no table is shared.
  struct TKey {
    uint64_t hash;
    UStringView text;
    bool operator==(const TKey& o) const { return hash == o.hash && text == o.text; }
  };
  struct TKeyHash {
    size_t operator()(const TKey& k) const { return static_cast<size_t>(k.hash); }
  };
  struct TPlace {
    uint32_t chunk, at;
  };
  const size_t shares = static_cast<size_t>(std::max(1, threads));
  auto share_of = [shares](uint64_t hash) { return static_cast<size_t>((hash >> 40) % shares); };
  std::vector<std::vector<TPlace>> first(chunks);
  // Each chunk's words by share, so that a share visits its own words alone.
  std::vector<std::vector<std::vector<uint32_t>>> in_share(chunks);
  ParallelFor(
      threads, chunks,
      [&](size_t from, size_t to) {
        for (size_t c = from; c < to; ++c) {
          const TChunkWords w = words_of(c);
          first[c].resize(w.met->size());
          in_share[c].resize(shares);
          for (size_t k = 0; k < w.hashes->size(); ++k) in_share[c][share_of((*w.hashes)[k])].push_back(static_cast<uint32_t>(k));
        }
      },
      1);
  ParallelFor(
      threads, shares,
      [&](size_t from, size_t to) {
        for (size_t share = from; share < to; ++share) {
          size_t words = 0;
          for (size_t c = 0; c < chunks; ++c) words += in_share[c][share].size();
          std::unordered_map<TKey, TPlace, TKeyHash> met_first;
          met_first.reserve(words);
          for (size_t c = 0; c < chunks; ++c) {
            const TChunkWords w = words_of(c);
            for (const uint32_t k : in_share[c][share]) {
              const TKey key{(*w.hashes)[k], w.table->Word((*w.met)[k])};
              first[c][k] = met_first.try_emplace(key, TPlace{static_cast<uint32_t>(c), k}).first->second;
            }
          }
        }
      },
      1);
  // The words new in each chunk are numbered after those new in the chunks before it.
  std::vector<size_t> new_before(chunks + 1, 0);
  for (size_t c = 0; c < chunks; ++c) {
    size_t fresh = 0;
    for (size_t k = 0; k < first[c].size(); ++k) fresh += first[c][k].chunk == c && first[c][k].at == k ? 1 : 0;
    new_before[c + 1] = new_before[c] + fresh;
  }
  std::vector<UString> in_order(new_before[chunks]);
  ParallelFor(
      threads, chunks,
      [&](size_t from, size_t to) {
        for (size_t c = from; c < to; ++c) {
          const TChunkWords w = words_of(c);
          std::vector<int32_t>& number = numbers_of(c);
          size_t next = new_before[c];
          for (size_t k = 0; k < first[c].size(); ++k)
            if (first[c][k].chunk == c && first[c][k].at == k) {
              number[k] = static_cast<int32_t>(next);
              in_order[next++] = w.table->Word((*w.met)[k]);
            }
        }
      },
      1);
  // A word met again takes the number of its first meeting (set above, in an earlier chunk).
  ParallelFor(
      threads, chunks,
      [&](size_t from, size_t to) {
        for (size_t c = from; c < to; ++c) {
          std::vector<int32_t>& number = numbers_of(c);
          for (size_t k = 0; k < first[c].size(); ++k)
            if (first[c][k].chunk != c) number[k] = numbers_of(first[c][k].chunk)[first[c][k].at];
        }
      },
      1);
  return in_order;
}

bool FetchLineWords(const TConcordanceList& lines, size_t width, int32_t threads, TCountingWords& words,
                    const TFillLineWords& fill, TLineWordRows& rows, const TLinesAsTheyStood* stood) {
  rows = TLineWordRows();
  rows.width = width;
  const size_t n = stood ? stood->size() : static_cast<size_t>(std::max(0, lines.Count()));
  // A few hundred lines of words outweigh starting a thread.
  constexpr size_t kGrain = 256;
  const size_t runners = ParallelPieces(threads, n, kGrain);
  if (runners <= 1) return FetchPiece(lines, stood, 0, n, true, words, fill, rows);
  // The lines are cut into a few chunks a runner, taken in turn, so that runners slowed by other
  // lists' work beside them take fewer. A runner numbers the words of all its chunks in a table
  // of its own; each chunk lists its table's numbers in the order it met them first.
  const size_t chunks = std::min(runners * 4, std::max<size_t>(1, n / kGrain));
  struct TChunk {
    TLineWordRows rows;
    size_t runner = 0;
    std::vector<int32_t> met;
    std::vector<uint64_t> hashes;  // of the words met, in the same order
    std::vector<int32_t> number;   // the number each word met takes in `words`
    char finished = 0;
  };
  std::vector<TChunk> chunk(chunks);
  std::vector<std::unique_ptr<TCountingWords>> tables(runners);
  std::vector<std::vector<uint32_t>> met_in(runners);  // per table word: the last chunk (+ 1) that met it
  for (auto& t : tables) t = std::make_unique<TCountingWords>(words.Settings(), words.NumbersAsHash());
  ForChunksInTurn(static_cast<int>(runners), chunks, [&](size_t c, size_t runner) {
    TChunk& out = chunk[c];
    TCountingWords& table = *tables[runner];
    out.runner = runner;
    out.rows.width = width;
    out.finished = FetchPiece(lines, stood, n * c / chunks, n * (c + 1) / chunks, false, table, fill, out.rows);
    std::vector<uint32_t>& seen = met_in[runner];
    seen.resize(static_cast<size_t>(table.Count()), 0);
    const uint32_t mark = static_cast<uint32_t>(c + 1);
    for (const int32_t id : out.rows.ids) {
      if (id < 0 || seen[static_cast<size_t>(id)] == mark) continue;
      seen[static_cast<size_t>(id)] = mark;
      out.met.push_back(id);
      out.hashes.push_back(TCountingWords::HashOf(table.Word(id)));
    }
    out.number.assign(out.met.size(), -1);
  });
  std::vector<UString> in_order = NumberChunkWords(
      static_cast<int>(runners), chunks, [&](size_t c) -> TChunkWords {
        const TChunk& k = chunk[c];
        return {&k.met, &k.hashes, tables[k.runner].get()};
      },
      [&](size_t c) -> std::vector<int32_t>& { return chunk[c].number; });
  // A table that held words already numbers the new ones after its own (and knows some of them).
  const std::vector<int32_t> renumbered = words.TakeCountedInOrder(std::move(in_order));
  // Each runner's table numbers to the numbers in `words`.
  std::vector<std::vector<int32_t>> to_global(runners);
  ParallelFor(
      static_cast<int>(runners), runners,
      [&](size_t from, size_t to) {
        for (size_t r = from; r < to; ++r) {
          to_global[r].assign(static_cast<size_t>(tables[r]->Count()), -1);
          for (size_t c = 0; c < chunks; ++c)
            if (chunk[c].runner == r)
              for (size_t k = 0; k < chunk[c].met.size(); ++k)
                to_global[r][static_cast<size_t>(chunk[c].met[k])] =
                    renumbered.empty() ? chunk[c].number[k] : renumbered[static_cast<size_t>(chunk[c].number[k])];
        }
      },
      1);
  std::vector<size_t> row_at(chunks + 1, 0);
  for (size_t c = 0; c < chunks; ++c) row_at[c + 1] = row_at[c] + chunk[c].rows.Count();
  rows.lines.resize(row_at[chunks]);
  rows.ids.resize(row_at[chunks] * width);
  rows.barriers.resize(row_at[chunks] * width);
  ParallelForPieces(
      static_cast<int>(runners), chunks,
      [&](size_t, size_t b, size_t e) {
        for (size_t c = b; c < e; ++c) {
          const TLineWordRows& from = chunk[c].rows;
          const std::vector<int32_t>& global = to_global[chunk[c].runner];
          std::copy(from.lines.begin(), from.lines.end(), rows.lines.begin() + static_cast<ptrdiff_t>(row_at[c]));
          std::copy(from.barriers.begin(), from.barriers.end(),
                    rows.barriers.begin() + static_cast<ptrdiff_t>(row_at[c] * width));
          std::transform(from.ids.begin(), from.ids.end(), rows.ids.begin() + static_cast<ptrdiff_t>(row_at[c] * width),
                         [&](int32_t id) { return id < 0 ? id : global[static_cast<size_t>(id)]; });
          // Freed here, on the workers: the counts wait for this thread, not for the frees.
          chunk[c].rows = TLineWordRows();
          chunk[c].met = std::vector<int32_t>();
          chunk[c].hashes = std::vector<uint64_t>();
          chunk[c].number = std::vector<int32_t>();
        }
      },
      1);
  const bool finished = std::all_of(chunk.begin(), chunk.end(), [](const TChunk& k) { return k.finished != 0; });
  // The runners' tables, each a few hundred thousand small strings, are freed on the workers too.
  ParallelFor(
      static_cast<int>(runners), tables.size(),
      [&](size_t from, size_t to) {
        for (size_t r = from; r < to; ++r) tables[r].reset();
      },
      1);
  return finished;
}

bool FetchRunLineWords(const TConcordanceList& lines, int first, int last, int32_t threads, TRunLineWords& run,
                       const TLinesAsTheyStood* stood) {
  run.first = first;
  run.last = last;
  if (last < first) {
    run.rows = TLineWordRows();
    return true;
  }
  return FetchLineWords(lines, static_cast<size_t>(last - first + 1), threads, run.found,
                        [first, last](const TConcordanceEntry& line, TCountingWords& w, int32_t* ids, uint8_t* barriers) {
                          for (int p = first; p <= last; ++p) {
                            const TSortInfoRec r = WordAtSpanPosition(line, p);
                            ids[p - first] = r.coll_length == 0 ? TRunLineWords::kNoWordThere : w.AtRecord(line, r);
                            barriers[p - first] = r.barrier;
                          }
                        },
                        run.rows, stood);
}

void CountedLineWords(const TRunLineWords& run, int first, size_t width, int32_t threads, TCountingWords& words,
                      const TRowPositions& positions, TLineWordRows& rows) {
  const size_t n = run.rows.Count();
  const int last = first + static_cast<int>(width) - 1;
  rows = TLineWordRows();
  rows.width = width;
  // Filled on the workers below.
  rows.lines.resize(n);
  rows.ids.resize(n * width);
  rows.barriers.resize(n * width);
  struct TTaken {
    int16_t first, last;
  };
  TWorkVector<TTaken> taken(n);
  // Each piece lists the texts it meets before any other piece could: joined in piece order,
  // those lists give the order one pass over the rows meets the texts in, which numbers the
  // counted forms. A few pieces a worker, taken in turn, so that a worker slowed by the other
  // counts beside this one takes fewer.
  constexpr size_t kGrain = 4096;
  const size_t runners = std::max<size_t>(1, ParallelPieces(threads, n, kGrain));
  const size_t pieces = runners <= 1 ? 1 : std::min(runners * 4, n / kGrain);
  std::vector<std::vector<int32_t>> met(pieces);
  const size_t found = static_cast<size_t>(run.found.Count());
  std::vector<std::vector<uint32_t>> met_in(runners);  // per text of the run: the last piece (+ 1) that met it
  ForChunksInTurn(static_cast<int>(runners), pieces, [&](size_t p, size_t runner) {
    std::vector<uint32_t>& seen = met_in[runner];
    seen.resize(found, 0);
    const uint32_t mark = static_cast<uint32_t>(p + 1);
    for (size_t row = n * p / pieces, e = n * (p + 1) / pieces; row < e; ++row) {
      std::pair<int, int> span{first, last};
      if (positions) {
        span = positions(run, row);
        span = {std::max(span.first, first), std::min(span.second, last)};
      }
      taken[row] = {static_cast<int16_t>(span.first), static_cast<int16_t>(span.second)};
      rows.lines[row] = run.rows.lines[row];
      std::copy_n(run.rows.Barriers(row) + (first - run.first), width, rows.barriers.data() + row * width);
      for (int at = span.first; at <= span.second; ++at) {
        const int32_t id = run.At(row, at);
        if (id < 0 || seen[static_cast<size_t>(id)] == mark) continue;
        seen[static_cast<size_t>(id)] = mark;
        met[p].push_back(id);
      }
    }
  });
  // The counted form of every text met (capitals, numbers), worked out on the workers; only
  // their numbering, in the order met, is left to this thread.
  std::vector<char> any_met(found, 0);
  for (const std::vector<uint32_t>& seen : met_in)
    for (size_t id = 0; id < seen.size(); ++id)
      if (seen[id] != 0) any_met[id] = 1;
  // Their hashes too, so that this thread only puts the forms in order of meeting, each once
  // (words of the run may share a counted form), on a table of its own, and hands them to the
  // count's table in one go.
  std::vector<UString> form(found);
  std::vector<uint64_t> form_hash(found);
  ParallelFor(threads, found, [&](size_t from, size_t to) {
    for (size_t id = from; id < to; ++id) {
      if (!any_met[id]) continue;
      form[id] = words.CountedForm(run.found.Word(static_cast<int32_t>(id)));
      form_hash[id] = TCountingWords::HashOf(form[id]);
    }
  });
  std::vector<int32_t> counted(found, -1);  // first the place of the word's form among those met
  std::vector<UString> forms_met;
  std::vector<uint64_t> hashes_met;
  size_t slots = 16;
  while (slots < found * 2) slots *= 2;
  std::vector<int32_t> slot_of(slots, -1);  // a place among the forms met; -1: an empty slot
  for (const std::vector<int32_t>& piece : met)
    for (const int32_t id : piece) {
      const size_t i = static_cast<size_t>(id);
      if (counted[i] >= 0) continue;
      const uint64_t hash = form_hash[i];
      for (size_t s = hash & (slots - 1);; s = (s + 1) & (slots - 1)) {
        const int32_t at = slot_of[s];
        if (at < 0) {
          slot_of[s] = counted[i] = static_cast<int32_t>(forms_met.size());
          forms_met.push_back(std::move(form[i]));
          hashes_met.push_back(hash);
          break;
        }
        if (hashes_met[static_cast<size_t>(at)] == hash && forms_met[static_cast<size_t>(at)] == form[i]) {
          counted[i] = at;
          break;
        }
      }
    }
  // A count's table with nothing in it numbers the forms as they were met; one that holds words
  // answers each form's number.
  const std::vector<int32_t> numbers = words.TakeCountedInOrder(std::move(forms_met));
  if (!numbers.empty())
    for (int32_t& c : counted)
      if (c >= 0) c = numbers[static_cast<size_t>(c)];
  ForChunksInTurn(static_cast<int>(runners), pieces, [&](size_t p, size_t) {
    for (size_t row = n * p / pieces, to = n * (p + 1) / pieces; row < to; ++row) {
      std::fill_n(rows.ids.data() + row * width, width, -1);
      int32_t* out = rows.ids.data() + row * width - first;
      for (int at = taken[row].first; at <= taken[row].last; ++at) {
        const int32_t id = run.At(row, at);
        if (id >= 0) out[at] = counted[static_cast<size_t>(id)];
      }
    }
  });
}
