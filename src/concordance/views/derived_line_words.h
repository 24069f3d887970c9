// The counted words of every line at chosen positions, fetched on several workers: the costly
// part of counting collocates, clusters and patterns (finding each word and its counted form),
// done per piece of the lines and joined in line order, so that rows and word numbers come out
// as one pass over the lines would give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "concordance/views/derived_list_support.h"

class TConcordanceList;
class TConcordanceEntry;

struct TLineWordRows {
  size_t width = 0;
  std::vector<int32_t> lines;     // the list's line of each row
  std::vector<int32_t> ids;       // width a row: counted word numbers, -1 where none
  std::vector<uint8_t> barriers;  // width a row: the boundary after each position (0: none)
  size_t Count() const { return lines.size(); }
  const int32_t* Ids(size_t row) const { return ids.data() + row * width; }
  const uint8_t* Barriers(size_t row) const { return barriers.data() + row * width; }
};

// Fills one row from a line: ids (set to -1 beforehand) and barriers (set to 0), numbering the
// words in `words`. Called on any worker: it may read the line and its settings only.
using TFillLineWords = std::function<void(const TConcordanceEntry& line, TCountingWords& words, int32_t* ids,
                                          uint8_t* barriers)>;

// A row for every line that is not deleted and has a text, in line order, its words numbered in
// `words` (nothing counted on entry) as one pass in line order numbers them. On one worker the
// window has its turns between lines; on more it has none until every piece is done. False when
// a stop ended the fetch (the rows are then those fetched).
bool FetchLineWords(const TConcordanceList& lines, size_t width, int32_t threads, TCountingWords& words,
                    const TFillLineWords& fill, TLineWordRows& rows);
