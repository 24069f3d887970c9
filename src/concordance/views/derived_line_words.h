// The counted words of every line at chosen positions, fetched on several workers: the costly
// part of counting collocates, clusters and patterns (finding each word and its counted form),
// done per piece of the lines and joined in line order, so that rows and word numbers come out
// as one pass over the lines would give them.
//
// After a run the three counts share one fetch: FetchRunLineWords reads every line's words once,
// at every position any of them reaches, as found (case kept); each count then takes its own
// positions and counted forms from that (CountedLineWords) without reading a line again, and gets
// the rows and word numbers its own FetchLineWords would give. A count whose positions the fetch
// does not hold fetches for itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "concordance/views/derived_list_support.h"
#include "concordance/views/work_vectors.h"

class TConcordanceList;
class TConcordanceEntry;

struct TLineWordRows {
  size_t width = 0;
  TWorkVector<int32_t> lines;     // the list's line of each row
  TWorkVector<int32_t> ids;       // width a row: counted word numbers, -1 where none
  TWorkVector<uint8_t> barriers;  // width a row: the boundary after each position (0: none)
  size_t Count() const { return lines.size(); }
  const int32_t* Ids(size_t row) const { return ids.data() + row * width; }
  const uint8_t* Barriers(size_t row) const { return barriers.data() + row * width; }
};

// The list's line at index (nullptr where it holds none), read from any worker. Every line of a
// concordance list is a TConcordanceEntry: the type is checked by identity, which costs one
// compare, and only an entry of another type goes through the full cast.
const TConcordanceEntry* LineOfList(const TConcordanceList& lines, int index);

// The list's lines by index as they stood when a run's counts began (TLinesAsTheyStood).
TLinesAsTheyStood LinesAsTheyStand(const TConcordanceList& lines, int32_t threads);
// The line at index: from `stood` when given, else from the list (nullptr where it holds none
// or, with skip_deleted, a deleted one).
const TConcordanceEntry* LineAt(const TConcordanceList& lines, const TLinesAsTheyStood* stood, int index,
                                bool skip_deleted);

// Fills one row from a line: ids (set to -1 beforehand) and barriers (set to 0), numbering the
// words in `words`: it looks them up in position order and writes each one it looks up (a word's
// number then follows from where the rows first hold it). Called on any worker: it may read the
// line and its settings only.
using TFillLineWords = std::function<void(const TConcordanceEntry& line, TCountingWords& words, int32_t* ids,
                                          uint8_t* barriers)>;

// A row for every line that is not deleted and has a text, in line order, its words numbered in
// `words` (nothing counted on entry) as one pass in line order numbers them. On one worker the
// window has its turns between lines; on more it has none until every piece is done. False when
// a stop ended the fetch (the rows are then those fetched). stood (given): the lines are read
// there instead of the list, which may then be sorted meanwhile.
bool FetchLineWords(const TConcordanceList& lines, size_t width, int32_t threads, TCountingWords& words,
                    const TFillLineWords& fill, TLineWordRows& rows, const TLinesAsTheyStood* stood = nullptr);

// The words pieces of the lines met, each piece's in the order it met them first (`met`: their
// numbers in the piece's own `table`, `hashes`: TCountingWords::HashOf of each).
struct TChunkWords {
  const std::vector<int32_t>* met;
  const std::vector<uint64_t>* hashes;
  const TCountingWords* table;
};
// Numbers the words of `chunks` pieces, taken in order, as one pass over them numbers them: a
// word takes the number of its first meeting. Fills each piece's numbers (numbers_of(c), sized as
// its `met`) and answers the words by number. Done on `threads` workers, none waiting on a table
// of another's.
std::vector<UString> NumberChunkWords(int threads, size_t chunks, const std::function<TChunkWords(size_t)>& words_of,
                                      const std::function<std::vector<int32_t>&(size_t)>& numbers_of);

// Every line's words at span positions first..last as found, fetched once for all the counts of
// a run. A row's id at a position: the number of the word's text in `found` (numbered as met, in
// line order), kNoWordThere where the line has no word there (length 0: the span ends), -1 where
// its word lies outside the line's text; its barrier: the boundary after the position.
struct TRunLineWords {
  static constexpr int32_t kNoWordThere = -2;
  static TDerivedCountSettings AsFound() {
    TDerivedCountSettings s;
    s.keep_case = true;
    return s;
  }
  int first = 0, last = -1;
  TCountingWords found{AsFound()};
  TLineWordRows rows;
  bool Holds(int from, int to) const { return from >= first && to <= last && from <= to; }
  int32_t At(size_t row, int position) const { return rows.Ids(row)[position - first]; }
  uint8_t BarrierAt(size_t row, int position) const { return rows.Barriers(row)[position - first]; }
};

// `run` is a fresh one. False when a stop ended the fetch (the words are then not to be used).
// stood (given): as FetchLineWords reads it.
bool FetchRunLineWords(const TConcordanceList& lines, int first, int last, int32_t threads, TRunLineWords& run,
                       const TLinesAsTheyStood* stood = nullptr);

// The positions [from, to] of a row that a count takes; the others give no word.
using TRowPositions = std::function<std::pair<int, int>(const TRunLineWords& run, size_t row)>;

// The rows FetchLineWords gives for positions first..first+width-1 read with TCountingWords::At or
// AtRecord (barriers copied too), taken from the run's words: `positions` (when given) narrows
// each row, as a fill that reads only those positions. `words` has nothing counted on entry.
// run.Holds(first, first + width - 1) must hold.
void CountedLineWords(const TRunLineWords& run, int first, size_t width, int32_t threads, TCountingWords& words,
                      const TRowPositions& positions, TLineWordRows& rows);
