// What the lists of a concordance's derived views (collocates, patterns, clusters, plot,
// time-line) share: texts in the document's character width, and float sort keys.
#pragma once

#include <cmath>
#include <optional>

#include "platform/rtl/ustring.h"

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
