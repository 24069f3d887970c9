// Fills a concordance's plot list from its lines: one row per text and search word (or per
// group of texts and group of search words), each with the word positions of its hits, and the
// overall row that puts every hit on the scale of the longest text.
//
// Order: the texts' words and short names; a first walk over the lines for group labels and
// each row's largest words; a second walk adds each hit to the overall row (scaled in 32-bit
// floats, halves to even) and to its own row; rows come in row-index order, rows without hits
// give none. Lines outside the texts or search words, of a text with no words, or (grouped)
// of a text or search word in no group or in a group beyond the rows, are left out of the rows.
#pragma once

#include <cstdint>
#include <vector>

#include "concordance/views/derived_list_support.h"
#include "platform/rtl/ustring.h"

class TConcordanceList;
class TConcPlotList;

struct TPlotText {
  UString short_name;           // file name without folder and extension
  int32_t words_in_source_file = 0;  // -1 when not counted: its absolute value is used
};

struct TPlotGroupChoices {
  std::vector<std::vector<int32_t>> text_groups;         // 0-based text numbers
  std::vector<std::vector<int32_t>> search_word_groups;  // 0-based search-item numbers
  uint8_t order = 0;  // 0: the rows of one search word follow each other
};

struct TPlotRunSettings {
  int32_t divisions = 8;           // at least 2 is used
  bool keep_contexts = false;
  int32_t context_chars = 0;
  int32_t context_line_limit = 0;  // contexts only when the lines are no more than this
  int32_t threads = 1;             // workers for the sorts; any number gives the same rows
  // Given: the lines as they stood when the run's counts began, read instead of the list (which
  // may be sorted meanwhile).
  const TLinesAsTheyStood* lines_as_they_stood = nullptr;
};

// False with message set when there are lines but no search word (nothing changes then but the
// list's being cleared); false without a message when there are no texts or lines.
bool ComputePlot(const TConcordanceList& lines, const std::vector<TPlotText>& texts,
                 const std::vector<UString>& search_words, const TPlotGroupChoices& choices,
                 const TPlotRunSettings& settings, bool grouped, TConcPlotList& plot, UString& message);

// The label of a group: the name is added (after " ,") unless the label already holds it; a
// label of 20 characters or more is full and not extended.
UString AddNameToGroupLabel(UStringView label, UStringView name, bool& full);
