// Ranked multi-level sort: the order of many lines on a few keys, each key collated once.
//
// Contract
//   The caller describes each level by one key per line: a string (a view into the caller's own
//   text, which must outlive the call) with a language, a case flag and a direction, or a number
//   (float, double or 64-bit integer) with a direction. RankedSort answers the permutation
//   `order`: order[k] is the index of the line that goes in place k.
//
//   The order is exactly that of a stable sort of the indices 0..n-1 that compares two lines
//   level by level: CompareStringsLocale(lcid, case_sensitive, a, b) for a string level, the
//   code-unit order a.compare(b) for an ordinal one, and the plain value order for a number
//   level (NaN below every number, NaN equal to NaN, -0 equal to +0); a descending level
//   reverses its comparison, and lines with equal keys on every level keep their index order.
//
// How
//   A level's distinct strings are found once (code-unit equality) and ranked once by their
//   collation keys (or code units), strings that collate equal sharing a rank; numbers become order-preserving
//   unsigned integers. The lines are then ordered by stable counting-sort passes over those
//   ranks, least significant level first, so no comparison calls back into the caller and the
//   collator is asked once per distinct string, not once per comparison.
//
//   With threads > 1 the ranking (finding distinct strings, making collation keys, ranking) is
//   split over that many threads. Ranks depend only on the set of distinct strings, never on
//   which thread met them first, so the answer is the same for any number of threads.
//
// Failures
//   A level whose key count differs from the line count, more lines than a 32-bit index holds,
//   or too little memory: RankedSort answers false, leaves `order` empty and says which level
//   and why in `message`. Nothing is thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/text/text_services.h"

enum class TRankedKeyKind : uint8_t { kString, kFloat, kDouble, kInt64 };

// One level of a ranked sort. Make it with one of the factories; the spans are not copied.
struct TRankedSortLevel {
  TRankedKeyKind kind = TRankedKeyKind::kInt64;
  bool ascending = true;
  // String levels only.
  TLCID lcid = kLCID_EnglishUS;
  bool case_sensitive = false;
  bool ordinal = false;  // code-unit order: no language, case always counts
  std::span<const UStringView> strings;
  std::span<const float> floats;
  std::span<const double> doubles;
  std::span<const int64_t> ints;

  static TRankedSortLevel Strings(std::span<const UStringView> keys, TLCID lcid, bool case_sensitive,
                                  bool ascending = true);
  static TRankedSortLevel OrdinalStrings(std::span<const UStringView> keys, bool ascending = true);
  static TRankedSortLevel Numbers(std::span<const float> keys, bool ascending = true);
  static TRankedSortLevel Numbers(std::span<const double> keys, bool ascending = true);
  static TRankedSortLevel Numbers(std::span<const int64_t> keys, bool ascending = true);

  size_t KeyCount() const;
};

struct TRankedSortResult {
  bool ok = true;
  std::string message;  // why the sort was refused; empty when ok
};

// Orders lines 0..line_count-1 on the levels (the first level is the main one). No levels: the
// identity order. threads < 1 counts as 1.
TRankedSortResult RankedSort(std::span<const TRankedSortLevel> levels, size_t line_count, std::vector<uint32_t>& order,
                             int threads = 1);
