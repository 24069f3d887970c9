// What the start wizard decides, without a window: the span captions and the three span lists,
// the exact-position arithmetic, the lines of the chosen-items list, the run request OK posts,
// the recent-word history files, the checks every road into a run makes on the typed words, the
// user's dead keys and the paste-character items.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/search/search_items.h"
#include "platform/settings/settings_records.h"

// --- spans ---------------------------------------------------------------------------------------

// Span type 50 is the search word's own place, 50 - n n words to the left, 50 + n n to the right.
UString ConcordanceSpanStr(int span_type);
// Captions of the left list (index = words to the left, 31 entries) and the right list.
std::vector<UString> LeftSpanCaptions();
std::vector<UString> RightSpanCaptions();
// The exact list: span types 20..49 then 51..80, each carrying 550 - span type.
struct TExactSpanEntry {
  int span_type = 0;
  int number = 0;
  int Position() const { return 500 - number; }
};
std::vector<TExactSpanEntry> ExactSpanEntries();
// The exact list's entry selected at first (the middle one).
int ExactListStartIndex();
// The exact list's entry of a position (-3: three words to the left); -1 for 0 or one beyond the list.
int ExactListIndexOfPosition(int position);
// An exact position chosen: the position at 668 and the horizons it implies.
void ApplyExactPosition(TConcSettingsRec32& rec, int position);
// "a span" chosen again on OK: no exact position.
void ClearExactPosition(TConcSettingsRec32& rec);

// --- chosen items --------------------------------------------------------------------------------

// A context word's line: the word and the exact caption, or the two span captions joined by "/".
UString ContextItemLine(UStringView word, bool exact, UStringView exact_caption, int left, int right);
UString ExclusionItemLine(UStringView word);
// The lines of the chosen-items list: the search items, then the context items, then (when
// there are exclusion items) "Excluding:" and each exclusion item in brackets.
std::vector<UString> ChosenItemsLines(const TBaseSearchItems& search, const TBaseSearchItems& context,
                                      const TBaseSearchItems& exclusion, bool exact, UStringView exact_caption,
                                      int left, int right);

// --- the run request -----------------------------------------------------------------------------

enum class TRunChoice : uint8_t { kOne = 0, kTextBatch = 1, kSearchWordBatch = 2 };
struct TRunRequestMessage {
  uint32_t msg = 0x56F;
  uint64_t wparam = 0;
  int64_t lparam = 10;
  bool sw_batch = false;
};
TRunRequestMessage RunRequestFor(TRunChoice choice);

// --- history -------------------------------------------------------------------------------------

inline constexpr int kHistoryFiles = 3;
// "recent_search_words.txt", "recent_context_words.txt", "recent_exclusion_words.txt".
UString HistoryFileName(int index);
// The typed text (trimmed) goes to the top unless it is already among the items.
void AddTypedToHistory(std::vector<UString>& items, UStringView typed);
// UTF-16 with a byte-order mark, one entry a line; false when the file could not be written.
bool SaveHistoryFile(UStringView file_name, const std::vector<UString>& items);
// nullopt when the file is missing or unreadable (the box keeps its items).
std::optional<std::vector<UString>> LoadHistoryFile(UStringView file_name);

// --- checks before a run -------------------------------------------------------------------------

enum class TSearchInputProblem : uint8_t { kNone = 0, kNothingToSearchFor, kWildcardsOnly };
struct TSearchInputCheck {
  TSearchInputProblem problem = TSearchInputProblem::kNone;
  UString item;  // the item refused
  UString Message() const;
};
// The typed search words (one item a line, alternatives split by "/"): nothing at all (blanks,
// "====") or an item of wildcards only ("*", "* *", "*/*") is refused.
TSearchInputCheck CheckSearchInput(UStringView typed);

// --- dead keys -----------------------------------------------------------------------------------

// Lines "dead key, letter, result" (UTF-16 with its mark); each dead key followed by the letter
// becomes the result.
struct TDeadKeyTable {
  struct TEntry {
    char32_t dead = 0, letter = 0, result = 0;
  };
  std::vector<TEntry> entries;
  bool Load(UStringView file_name);
  // The text with every dead key + letter pair replaced by its result.
  UString Applied(UStringView text) const;
};

// --- paste characters ----------------------------------------------------------------------------

// The paste items of the word boxes' menu, newest first, each holding its code point whole.
struct TPasteCharacterItems {
  static constexpr size_t kKept = 14;
  std::vector<char32_t> items;
  // Adds c at the top unless it is 0 or offered already; at most kKept are kept.
  bool Offer(char32_t c);
  static UString Caption(char32_t c);
  static UString AsText(char32_t c);
};
