// Lines for list tests: "left sw right" with the words at L1, the search word and R1.
#pragma once

#include <gtest/gtest.h>

#include "concordance/lines/concordance_list.h"

// Adds the line to the list (text number 1) and answers it.
inline TConcordanceEntry* AddWordsLine(TConcordanceList& list, UStringView left, UStringView sw, UStringView right) {
  auto line = list.NewLine();
  line->SetText(UString(left) + u" " + UString(sw) + u" " + UString(right));
  auto& d = line->Data();
  d.midpoint = static_cast<int16_t>(left.size() + 1);
  d.hit_characters = static_cast<int32_t>(sw.size());
  d.filename_num_original = 1;
  line->SetFixedWord(4, {static_cast<int16_t>(-int(left.size()) - 1), static_cast<int16_t>(left.size()), 0, 0});
  line->SetFixedWord(5, {0, static_cast<int16_t>(sw.size()), 0, 0});
  line->SetFixedWord(6, {static_cast<int16_t>(sw.size() + 1), static_cast<int16_t>(right.size()), 0, 0});
  TConcordanceEntry* raw = line.get();
  EXPECT_GE(list.Add(line.release()), 0);
  return raw;
}
