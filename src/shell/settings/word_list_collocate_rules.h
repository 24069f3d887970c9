// The settings of collocates of a whole word list without a window: which words of the list get
// a file of collocates, which collocate rows go into it, and the association values a row must
// reach. The whole-word-list run (concordance/views/word_list_collocates.h) reads both records
// each time another tool starts it:
//   - the word filter: least and most word length, texts, frequency, collocate total and number
//     of collocates (each bound taken);
//   - the thresholds: per association measure, whether it is tested and its least value, and
//     whether a row must pass every measure tested or any one.
// ApplyWordListCollocates checks every field first; one bad value and nothing is written, and
// each problem names its field.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

inline constexpr int kWordListBounds = 5;  // word length, texts, frequency, collocate total, collocates

struct TWordListBound {
  int32_t least = 0;
  int32_t most = 0;
  bool operator==(const TWordListBound&) const = default;
};

struct TWordListCollocatesChoice {
  std::array<TWordListBound, kWordListBounds> bounds{};
  std::array<bool, TKollaxaMutualChecks::kStatistics> tested{};
  std::array<double, TKollaxaMutualChecks::kStatistics> thresholds{};
  bool all_must_pass = false;
  bool operator==(const TWordListCollocatesChoice&) const = default;
};

// "Word length", "Texts", "Frequency", "Collocate total", "Collocates".
UString WordListBoundCaption(int bound);

TWordListCollocatesChoice CurrentWordListCollocates();
// The problems, one line each naming its field; empty when everything was stored.
std::vector<UString> ApplyWordListCollocates(const TWordListCollocatesChoice& choice);
