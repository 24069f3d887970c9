// What the batch runs decide without a window: the file name a search word's result takes, and
// the closing report of a batch (how many results were saved, where, and where it stopped).
#pragma once

#include "platform/rtl/ustring.h"

// The word as a file name: characters a file name cannot hold, and blanks, become "_"; an empty
// result becomes "search_word".
UString CleanedUpFilename(UStringView word);

struct TBatchOutcome {
  int saved = 0;         // results written
  int steps = 0;         // steps in the batch
  int steps_done = 0;    // steps run (with or without a result)
  UString folder;        // where the results are
  UString stopped_at;    // the step that failed, or "" when none did
  bool stopped_by_user = false;
};
UString BatchReport(const TBatchOutcome& outcome);
