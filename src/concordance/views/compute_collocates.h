// Counts the collocates of a concordance: every word within the collocate horizons of every
// line, per span position, per search word.
//
// Per line (not deleted, with text): the span is clipped to the line (from the search word
// outwards it stops where the line has no word and, with a stop-at level, at a boundary of that
// level or above); each word of the clipped span is counted at its position under the key
// (word, search-word number, search word as shown in the line), or under the word alone when
// the search words are counted together (number -2). The word at the search word's own position
// is its own row (number -99) and passes the minimum filters. A word holding a digit counts as
// "#" unless numbers are kept; words are in capitals unless case is kept.
//
// Rows: a counted word gives a row unless it is on the stop list (when one is in use), or,
// failing the minimum texts, total or word length (a word of exactly the minimum length
// passes). Totals left and right leave out position 50. The rows are sorted by total,
// highest first, then by word. A row whose word, where the lines first met it, came under one
// of the visible tags takes that tag's category, colour and number.
#pragma once

#include <cstdint>
#include <vector>

#include "concordance/views/derived_list_support.h"

class TConcordanceList;
class TConcordanceEntry;
class TCollocateList;
struct TSearch_word_format_rec;

struct TRunLineWords;

// A visible tag of the document as a collocate row shows it: its text and its text colour.
struct TCollocateTag {
  UString category;
  uint32_t colour = 0;
};

struct TCollocateRunSettings {
  int32_t left_words = 5;       // horizons in words
  int32_t right_words = 5;
  bool keep_case = false;
  TLCID lcid = kLCID_EnglishUS;
  bool keep_numbers = false;
  bool search_words_together = false;  // one row per word for all search words
  uint8_t min_word_length = 0;
  int32_t min_total = 1;
  int32_t min_texts = 1;
  uint8_t stop_at = 0;          // boundary level that ends the span; 0 none
  bool lemma_list_loaded = false;
  std::function<bool(UStringView)> is_stop_word;  // empty: no stop list
  int32_t threads = 1;          // workers over the lines; any number gives the same rows
  // The run's words of the lines, when fetched once for every count (not owned); null, or not
  // holding the span: the lines are read here.
  const TRunLineWords* run_words = nullptr;
  // Given: the lines as they stood when the run's counts began, read instead of the list (which
  // may be sorted meanwhile). rows of run_words number lines in that order.
  const TLinesAsTheyStood* lines_as_they_stood = nullptr;
  // The document's visible tags, tag number 1 first; empty: no row gets a tag.
  std::vector<TCollocateTag> visible_tags;
};

// False when there is no line (the list then as it was); otherwise whether the list holds rows.
bool ComputeCollocates(const TConcordanceList& lines, const std::vector<TSearch_word_format_rec>& items,
                       const TCollocateRunSettings& settings, TCollocateList& list);

// The search word of a line as shown: the line's own characters of the hit (clamped to the
// text) when the item's typed and shown forms differ and the shown one has a letter or digit,
// the hit does not start the line and no lemma list is loaded; otherwise the item's shown form.
// Mark-up is taken out.
UString SearchWordAsShownInLine(const TConcordanceEntry& line, const TSearch_word_format_rec& item,
                                bool lemma_list_loaded);
