#include "concordance/run/context_words.h"

#include <algorithm>

TContextWordCheck::TContextWordCheck(const TSearchTextOptions& options, const TContextWordItems* context,
                                     const TExclusionWordItems* exclusion, int32_t left_horizon,
                                     int32_t right_horizon)
    : options_(options),
      context_(context),
      exclusion_(exclusion),
      left_(left_horizon),
      right_(right_horizon),
      engine_(true, true, options) {}

TContextWordCheck::~TContextWordCheck() = default;

bool TContextWordCheck::Applies(const TSearch_word_format_rec& item) const {
  return !item.context_words.empty() || (context_ && context_->Count() > 0) || (exclusion_ && exclusion_->Count() > 0);
}

bool TContextWordCheck::Blocked(const uint8_t* barriers, int32_t distance, uint8_t stop_level) {
  if (barriers == nullptr || stop_level == 0 || distance == 0) return false;
  // The barrier of a position is the boundary after its word: to the left the context word's
  // own up to the search word's neighbour, to the right the search word's up to the word
  // before the context word.
  const int32_t from = distance < 0 ? kSpanSearchWord + distance : kSpanSearchWord;
  const int32_t to = distance < 0 ? kSpanSearchWord - 1 : kSpanSearchWord + distance - 1;
  for (int32_t p = std::max(from, 0); p <= std::min(to, kSpanPositions - 1); ++p)
    if (barriers[p] >= stop_level) return true;
  return false;
}

bool TContextWordCheck::Passes(UStringView window, int32_t sw_start, int32_t sw_length,
                               const TSearch_word_format_rec& item, const uint8_t* barriers) {
  barriers_ = stop_level_ > 0 ? barriers : nullptr;
  found_.Clear();
  exclusion_found_ = false;
  if (exclusion_ && exclusion_->Count() > 0 && AnyExclusionWord(window, sw_start, sw_length)) return false;
  if (!item.context_words.empty()) {
    TContextWordItems own(options_);
    own.AddedSearchWords(item.context_words);
    return EnoughContextWords(window, sw_start, sw_length, own, item.context_require_all, item.context_exact,
                              item.context_distance);
  }
  if (!context_ || context_->Count() == 0) return true;
  // The engine searches item records in place (it counts their hits): work on a copy.
  TContextWordItems run_items(*context_);
  return EnoughContextWords(window, sw_start, sw_length, run_items, context_->require_all, context_->exact_position,
                            context_->required_distance);
}

bool TContextWordCheck::AnyExclusionWord(UStringView window, int32_t sw_start, int32_t sw_length) {
  engine_.SetContext_exact_gap_required(0);
  engine_.PrepareFirst(
      window, sw_start, sw_length,
      [this](TSearchAndDoEngine& sender, TSearchFound_Rec&) {
        exclusion_found_ = true;
        sender.FoundEnough();
        return true;
      });
  engine_.SetHorizons(left_, right_);
  TExclusionWordItems items(*exclusion_);
  for (int32_t i = 0; i < items.Count() && !exclusion_found_; ++i) engine_.SearchAndDo(*items.GetPtr(i), i);
  return exclusion_found_;
}

bool TContextWordCheck::EnoughContextWords(UStringView window, int32_t sw_start, int32_t sw_length,
                                           TBaseSearchItems& items, bool require_all, bool exact, int32_t distance) {
  bool this_item_found = false;
  engine_.SetContext_exact_gap_required(exact ? distance : 0);
  engine_.PrepareFirst(window, sw_start, sw_length, [&](TSearchAndDoEngine& sender, TSearchFound_Rec& f) {
    if (Blocked(barriers_, f.context_distance, stop_level_)) return false;
    this_item_found = true;
    found_.Add(f);
    // One place of each item is enough to know it is there.
    sender.FoundEnough();
    return true;
  });
  engine_.SetHorizons(left_, right_);
  int32_t found_items = 0;
  for (int32_t i = 0; i < items.Count(); ++i) {
    this_item_found = false;
    engine_.SearchAndDo(*items.GetPtr(i), i);
    if (this_item_found) {
      ++found_items;
      if (!require_all) return true;
    } else if (require_all) {
      return false;
    }
  }
  return require_all ? found_items == items.Count() && found_items > 0 : found_items > 0;
}
