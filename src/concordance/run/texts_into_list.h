// The concordance road from chosen texts to a concordance list, with the run's settings taken
// once: one read snapshot, the typed search words as items, a worker per text (reader, tag
// handler, engine of its own), the committer on the calling thread and the list as its sink.
// The concordance document's MakeConcordance drives this with its own settings and notes.
#pragma once

#include <cstdint>
#include <vector>

#include "concordance/lines/concordance_list.h"
#include "concordance/run/concordance_run.h"
#include "model/reading/chosen_texts.h"

struct TTextsIntoListChoices {
  int32_t threads = 1;
  int32_t texts_ahead = 0;         // how far workers read ahead; <= 0: the run's default
  int32_t lines_wanted_per_item = 0x7FFFFFFF;
  int32_t allowed_word_gap = -1;  // the gap rule is on when >= 0
  bool failure_ends_run = false;
  TJobToken* token = nullptr;      // nullptr: the run makes its own
};

TConcordanceRunResult RunTextsIntoList(const std::vector<TChosenFileDetailsFullRec>& texts, UStringView typed_items,
                                       TConcordanceList& list, const TTextsIntoListChoices& choices = {});
