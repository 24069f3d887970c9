// Which texts hold the search words and how often, without a window: every candidate text is
// counted into a word list (the word-list machinery that makes word lists from texts) and each
// search word looked up in it (case ignored; a word with "*" at either end counts every word it
// matches, as the text viewer highlights them). A text with at least one word found gives a file
// line and, under it, one hit line per word found, in the search words' order.
//
// Each count takes its own job token: a Stop ends that count at the next text and no later count.
// Missing texts are passed over; a text whose counting fails is left out and named in the
// outcome.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/runtime/job_token.h"

// One line of the result list; the file and the word travel with it, so that opening or
// highlighting never cuts them out of the shown text.
struct TExtraDetailsLine {
  enum TKind : uint8_t { kFile, kHit };
  TKind kind = kFile;
  UString text;  // as shown: the file's full name, or "  " + "word: n found"
  UString file;  // the text's full name (both kinds)
  UString word;  // the search word (hit lines)
  int64_t frequency = 0;
};

struct TExtraDetailsOutcome {
  bool counted = false;  // at least one text was counted
  bool stopped = false;
  std::vector<TExtraDetailsLine> lines;
  std::vector<UString> failed;  // texts whose counting failed
};

// How often the word (as typed, "*" allowed at either end) occurs among the counted words.
using TWordFrequencies = std::vector<std::pair<UString, int64_t>>;
int64_t FrequencyOfSearchWord(const TWordFrequencies& counted, UStringView search_word);

// Counts every candidate. progress(i, n) before text i; the token is polled between texts.
TExtraDetailsOutcome ComputeWordFrequencies(const std::vector<UString>& search_words,
                                            const std::vector<UString>& candidates, TJobToken& job,
                                            const std::function<void(int, int)>& progress = nullptr);

// The hit line shown for a word and its frequency.
UString ExtraDetailsHitText(UStringView word, int64_t frequency);

// The line a hit line belongs to: the nearest file line above it; -1 for none (or a file line).
int FileLineOfHit(const std::vector<TExtraDetailsLine>& lines, int hit_line);

// The first max_count words (at least one when there are any).
std::vector<UString> FirstHighlightWords(const std::vector<UString>& words, int max_count);
