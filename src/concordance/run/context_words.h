// Context and exclusion words of a concordance run: whether one hit passes them.
//
// For each hit the caller gives the window of text around it (the line's characters) with the
// search word's place in it, and the hit's search item. Then, in order:
//   1. exclusion words: any one of them found within the horizons fails the hit;
//   2. context words: the item's own context words when it has any (with its own "all" and
//      exact-position choices), else the run's; none at all passes the hit. With "any", the
//      first one found passes; with "all", every item must be found; with an exact position, a
//      context word counts only at that signed distance in words, or one word either side.
// Every verdict starts afresh: nothing found for one hit carries over to the next.
// The context words found for the last hit are kept for the line (ContextWordsFound).
#pragma once

#include <cstdint>
#include <memory>

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
  bool Passes(UStringView window, int32_t sw_start, int32_t sw_length, const TSearch_word_format_rec& item);

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
};
