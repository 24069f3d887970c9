// Context and exclusion words of a concordance run: whether one hit passes them.
//
// For each hit the caller gives the window of text around it (the line's characters) with the
// search word's place in it, and the hit's search item. Then, in order:
//   1. exclusion words: any one of them found within the horizons fails the hit;
//   2. context words: the item's own context words when it has any (with its own "all" and
//      exact-position choices), else the run's; none at all passes the hit. With "any", the
//      first one found passes; with "all", every item must be found; with an exact position, a
//      context word counts only at that signed distance in words, no nearer and no further.
// With a context stop (SetContextStop), a context word counts only when no boundary of at least
// that strength (1 punctuation, 2 sentence, 3 paragraph, 4 heading, 5 section) lies between it
// and the search word; the caller gives the boundary after each word of the line's span.
// Exclusion words are not stopped: they cover the whole horizon.
// Every verdict starts afresh: nothing found for one hit carries over to the next.
// The context words found for the last hit are kept for the line (ContextWordsFound).
#pragma once

#include <cstdint>
#include <memory>

#include "concordance/lines/line_records.h"
#include "platform/rtl/ustring.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"

class TContextWordCheck {
 public:
  // Either list may be nullptr or empty. Horizons in words to the left and right of the search
  // word (negative: no limit).
  TContextWordCheck(const TSearchTextOptions& options, const TContextWordItems* context,
                    const TExclusionWordItems* exclusion, int32_t left_horizon, int32_t right_horizon);
  ~TContextWordCheck();
  TContextWordCheck(const TContextWordCheck&) = delete;
  TContextWordCheck& operator=(const TContextWordCheck&) = delete;

  // Whether any check applies to hits of this item.
  bool Applies(const TSearch_word_format_rec& item) const;
  // barriers: the strength of the boundary after each span position (50 the search word, 49 the
  // word to its left, ...), kSpanPositions of them; nullptr when no context stop applies.
  bool Passes(UStringView window, int32_t sw_start, int32_t sw_length, const TSearch_word_format_rec& item,
              const uint8_t* barriers = nullptr);

  // The context-word blocker's choice: 0 no limit, 1..5 the weakest boundary that stops context
  // words (punctuation, sentence, paragraph, heading, section), 6 the end of the text (a line
  // never crosses it, so no limit either).
  void SetContextStop(uint8_t stop) { stop_level_ = stop >= 1 && stop <= 5 ? stop : 0; }
  bool StopsAtBoundaries() const { return stop_level_ > 0; }
  // Whether a boundary of the stop's strength lies between the search word and the word at
  // signed distance (left negative) in words.
  static bool Blocked(const uint8_t* barriers, int32_t distance, uint8_t stop_level);

  const TSearchFoundList& ContextWordsFound() const { return found_; }
  bool ExclusionWordFound() const { return exclusion_found_; }

 private:
  bool AnyExclusionWord(UStringView window, int32_t sw_start, int32_t sw_length);
  bool EnoughContextWords(UStringView window, int32_t sw_start, int32_t sw_length, TBaseSearchItems& items,
                          bool require_all, bool exact, int32_t distance);

  TSearchTextOptions options_;
  const TContextWordItems* context_;
  const TExclusionWordItems* exclusion_;
  int32_t left_, right_;
  TAdditionalSearchAndDoEngine engine_;
  TSearchFoundList found_;
  bool exclusion_found_ = false;
  uint8_t stop_level_ = 0;
  const uint8_t* barriers_ = nullptr;
};
