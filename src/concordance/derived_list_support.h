// What the lists of a concordance's derived views (collocates, patterns, clusters, plot,
// time-line) share: texts in the document's character width, and float sort keys.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/rtl/ustring.h"
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
