// What the lists of a concordance's derived views (collocates, patterns, clusters, plot,
// time-line) share: texts in the document's character width, and float sort keys.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "concordance/lines/line_text.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/parallel_for.h"
#include "platform/text/text_services.h"

class TStream;
class TVXBaseHolder;

// A text stored as the runtime's pointer framing in the holder's width (UTF-16, or 8-bit in the
// holder's code page); nullopt is a nil pointer.
bool WriteTextInWidth(TStream& s, const TVXBaseHolder* holder, const std::optional<UString>& text);
bool ReadTextInWidth(TStream& s, const TVXBaseHolder* holder, std::optional<UString>& text);

// Orders two float keys with a stored NaN below every number (two NaNs are equal), so that a
// damaged value cannot break the sort's ordering.
inline int CompareFloatKeys(double a, double b) {
  const bool na = std::isnan(a), nb = std::isnan(b);
  if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
  return a < b ? -1 : (a > b ? 1 : 0);
}
inline int CompareIntKeys(int64_t a, int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// --- counting words of the lines ------------------------------------------------------------------

class TConcordanceEntry;
struct TSortInfoRec;

// The list's lines by index as they stood when a run's counts began (nullptr where the list holds
// no line, or a deleted one). Counts that go on while the list's lines are put in their sorted
// order read their lines here, never through the list, and so see the order they began with.
using TLinesAsTheyStood = std::vector<const TConcordanceEntry*>;

// What the pattern and cluster counts take from the document's settings.
struct TDerivedCountSettings {
  bool keep_case = false;          // otherwise words are counted in capitals
  TLCID lcid = kLCID_EnglishUS;    // for the capitals
  uint8_t min_word_length = 0;     // patterns: a word must be longer than this
  int32_t min_frequency = 1;       // fewer occurrences give no row
  // Words of the stop list; empty: no stop list in use.
  std::function<bool(UStringView)> is_stop_word;
};

// The word of a line at a span position as counted: in capitals unless case is kept (only the
// word is capitalised, which gives what capitalising the whole line would); empty when none.
UString CountingWordAt(const TConcordanceEntry& line, int span_position, const TDerivedCountSettings& settings);

// True when the text holds a letter or a digit (surrogate pairs read as one character).
bool ContainsAlphanumCharacter(UStringView text);
// True when the text holds a digit.
bool ContainsDigit(UStringView text);

// The words of one count, each distinct counted form numbered once: a word met again costs one
// probe of an open-addressed table over the line's own characters (no allocation), and capitals
// (and "#" for numbers) are worked out once per distinct word.
class TCountingWords {
 public:
  explicit TCountingWords(const TDerivedCountSettings& settings, bool numbers_as_hash = false)
      : settings_(settings), numbers_as_hash_(numbers_as_hash) {}
  // The number of the counted form of the word at a span position; -1 when the line has none.
  int32_t At(const TConcordanceEntry& line, int span_position);
  // The same for the position's record (WordAtSpanPosition), when the caller has it already.
  int32_t AtRecord(const TConcordanceEntry& line, const TSortInfoRec& record);
  // The number of a text's counted form (as At would give it).
  int32_t Of(UStringView raw);
  const UString& Word(int32_t id) const { return words_[static_cast<size_t>(id)]; }
  int32_t Count() const { return static_cast<int32_t>(words_.size()); }
  // The number of a form already counted elsewhere (another count's Word), numbered next when new:
  // counts over pieces of the lines are joined in line order so, and number words as one would.
  int32_t OfCounted(const UString& counted);
  // The counted forms given (each once), numbered as OfCounted in that order would number them.
  // A table with nothing counted yet numbers them 0, 1, ... without a lookup each (words numbered
  // on several workers join it so; they are looked up by their texts only when something is next
  // counted) and answers nothing; one that holds words answers the number each took.
  std::vector<int32_t> TakeCountedInOrder(std::vector<UString> in_order);
  // The counted form of a text as Of counts it (read only: any worker may ask).
  UString CountedForm(UStringView raw) const;
  const TDerivedCountSettings& Settings() const { return settings_; }
  bool NumbersAsHash() const { return numbers_as_hash_; }
  // A 64-bit hash of UTF-16 text (not kept anywhere: only for tables in memory).
  static uint64_t HashOf(UStringView text);

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(UStringView s) const { return std::hash<UStringView>()(s); }
  };
  struct TSlot {
    uint64_t hash = 0;
    uint32_t offset = 0;  // into raw_chars_
    uint32_t length = 0;
    int32_t id = -1;      // -1: an empty slot
  };
  int32_t Counted(UStringView raw);
  // Puts the words taken in order and not yet looked up into the lookup of counted forms.
  void IndexTakenWords();
  void Grow();
  // The number of a word of a line's text (as Of gives it for its characters). A short word kept
  // a byte a character is looked up by its bytes alone: most words of a count are such words met
  // again, and then cost one probe with no copy or hash of their characters.
  int32_t OfLineWord(TLineText word);
  struct TShortSlot {
    uint64_t key = 0;  // the bytes and the length (never 0); 0: an empty slot
    int32_t id = -1;
  };
  static constexpr size_t kShortWordBytes = 7;
  std::vector<TShortSlot> short_slots_;
  size_t short_used_ = 0;
  TDerivedCountSettings settings_;
  bool numbers_as_hash_;
  std::vector<TSlot> slots_;
  size_t used_ = 0;
  std::u16string raw_chars_;
  std::unordered_map<UString, int32_t, Hash, std::equal_to<>> counted_;
  std::vector<UString> words_;
  // Every word of words_ came through Of (none through OfCounted or TakeCountedInOrder).
  bool all_through_of_ = true;
  TLineTextWide wide_;  // the word being looked up, where its line keeps a byte a character
};
