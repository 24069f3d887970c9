// A search-and-replace run over the cells of one column, without a window or an event loop.
//
// The run goes rows → cell texts (asked of the owner) → the search engine's hits in each text →
// the user's answers → replacement texts (handed to the owner). The dialog drives it: Start, then
// Advance, which runs until it must wait for an answer (a hit to show) or a pass has ended; the
// dialog shows the hit and calls Yes, Skip, YesAll, SkipAll or Cancel, then Advance again.
//
// Replacing makes one pass over the rows. Each accepted hit is applied to a working copy of the
// cell's text, in order, later hits of that cell shifted by what the earlier replacements changed,
// and the owner gets the whole new text of the cell. It waits at every hit while "Confirm each" is
// on; YesAll turns it off and replaces the rest of the pass without stopping.
// Only searching waits once per row (at its first hit) and keeps wrapping round the rows while a
// pass finds more than one hit; a pass with one hit asks whether to go on (PassEnded), one with
// none ends the run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/search/search_records.h"
#include "shell/files/word_hits.h"

// A new search's items against the last search's item: true when the grid's display of the last
// one should be offered for clearing first, that is when the last one holds a word and an item of
// the new search differs from it in its word or its format.
bool SearchDiffersFromLast(UStringView last, const std::vector<UString>& items);

struct TSearchReplaceOwner {
  std::function<int()> rows;
  // The cell text as the grid shows it; false: the row gives no text and is passed over.
  std::function<bool(int row, UString& text)> cell_text;
  // The whole new text of the cell; false when the owner cannot change it.
  std::function<bool(int row, const UString& text)> replace;
};

struct TSearchHit {
  int32_t row = -1;
  int32_t offset = 0;  // in the working copy of the cell text
  int32_t length = 0;
};

enum class TSearchState : uint8_t {
  kIdle,
  kWaiting,    // a hit waits for an answer
  kPassEnded,  // only searching: a pass found one hit; ContinueAfterPass decides
  kFinished,
};

class TSearchReplaceRun {
 public:
  TSearchReplaceRun();
  ~TSearchReplaceRun();

  // The hits of one-word items (letters and digits, "*" at either end) in a plain ASCII text, found
  // without the engine: false when the items or the text need the engine's rules (other
  // characters, mark-up, apostrophes, hyphens, numbers with points). Hits in text order.
  static bool PlainWordHits(UStringView text, const std::vector<UString>& items,
                            std::vector<std::pair<int32_t, int32_t>>& hits);
  // A search item that can match an empty stretch (empty, only blanks or punctuation, an empty
  // alternative as in "cat/"): the item named, else empty.
  static UString BadSearchItem(UStringView typed);

  // False when there is no item (nothing searched).
  bool Start(const std::vector<UString>& items, bool replacing, UStringView replacement, bool confirm_each,
             TSearchReplaceOwner owner, const TSearchTextOptions& options = {});
  TSearchState Advance();
  TSearchState State() const { return state_; }

  void Yes();
  void Skip();
  void YesAll();
  void SkipAll();
  void Cancel();
  void ContinueAfterPass(bool go_on);

  const TSearchHit& Current() const { return hit_; }
  // "Row N: " and the cell text (the working copy) as the context edit shows it.
  UString ContextText() const;
  // Where the hit lies in ContextText.
  int32_t ContextOffset() const;
  // The working copy with the current hit replaced.
  UString PreviewText() const;
  bool ConfirmEach() const { return confirm_each_; }
  int32_t HitsThisPass() const { return hits_this_pass_; }
  int32_t TotalHits() const { return total_hits_; }
  int32_t Replaced() const { return replaced_; }
  int32_t Passes() const { return passes_; }
  // The first pass found nothing (the dialog suggests a wildcard).
  bool FoundNothing() const { return state_ == TSearchState::kFinished && total_hits_ == 0 && !cancelled_; }

 private:
  void Answer(bool yes);
  void Flush();
  bool LoadRow();
  struct Impl;
  std::unique_ptr<Impl> d_;
  TSearchState state_ = TSearchState::kIdle;
  TSearchHit hit_;
  bool confirm_each_ = true;
  bool replacing_ = false;
  bool cancelled_ = false;
  int32_t hits_this_pass_ = 0, total_hits_ = 0, replaced_ = 0, passes_ = 0;
};
