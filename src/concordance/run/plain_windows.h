// Whether line windows of a chunk the fast first pass judged are plain (no character of a hidden
// tag, nothing beyond ASCII), answered from where the next hidden tag and the next block beyond
// ASCII lie. A pass over a chunk asks for its hits' windows in text order, and a frequent word's
// windows overlap most of their width: each answer then costs a comparison or two instead of a
// walk over the window's sixteen blocks of masks. The answers are those of AnyHiddenTag and
// AllAsciiBetween, asked in any order.
#pragma once

#include <cstdint>

#include "platform/search/fast_first_pass.h"

class TPlainWindows {
 public:
  // Forgets what was found (a new chunk, or new results of the pass).
  void Reset() { tag_ = wide_ = TNext{}; }
  // Whether characters [from, to) hold no character of a hidden tag and none beyond ASCII.
  bool Plain(const TFastPassResult& found, int32_t from, int32_t to);

 private:
  // The first mark at or after `from` lies at `at` (at the stretch's end or beyond: none), so it
  // is the first at or after any place from `from` up to `at`.
  struct TNext {
    int64_t from = INT64_MAX;
    int64_t at = 0;
  };
  TNext tag_;   // in characters from the pass's first
  TNext wide_;  // in blocks of 64 characters from the pass's first
};
