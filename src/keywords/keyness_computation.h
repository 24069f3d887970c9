// Keywords of one or more study word lists against a reference word list.
//
// In order: the study lists are added up word by word (frequency and texts; on both sides a
// lemma's head counts with the forms joined under it, as CorrectFreq with full lemma processing
// gives, and the forms are no words of their own); each study word is
// looked up in the reference list without regard to case; its keyness (log-likelihood or
// chi-square of the 2x2 table, signed), BIC, log ratio, p, negative flag, reference frequency and
// reference texts are worked out against the running words of the two corpora; rows are kept
// when the frequency and texts reach the minimums, p is at most the maximum (0: any), and the
// keyword is positive or negatives are wanted; the strongest (by absolute keyness) are kept up to
// the maximum wanted (0: all), and the list is sorted by keyness, strongest positive first.
// The Dice coefficient of the study and reference vocabularies is worked out over every study
// word, kept or not.
#pragma once

#include <cstdint>
#include <vector>

#include "keywords/keyword_list.h"

class TVXWordList;

struct TKeynessCorpora {
  int64_t study_running_words = 0;
  int64_t reference_running_words = 0;
  int32_t study_texts = 0;
  int32_t reference_texts = 0;
};

struct TKeynessOutcome {
  bool success = false;
  int32_t study_types = 0;
  int32_t reference_types = 0;
  int32_t shared_types = 0;  // study words found in the reference list
  int32_t obtained = 0;      // rows that passed the filters before the maximum wanted
  UString message;           // why it failed
};

// Fills out (emptied first) only on success; on failure out is left as it was.
TKeynessOutcome ComputeKeywordList(const std::vector<TVXWordList*>& study, TVXWordList& reference,
                                   const TKeywordsSettingsRec32& settings, const TKeynessCorpora& corpora,
                                   TKeyWordList& out);
