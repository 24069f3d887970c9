// Fills a concordance's time-line from its lines and the dates of its texts.
//
// Order: the first and last dates of the texts that gave lines (texts without a date are passed
// over); the periods of the basis from the start of the first date's period to the end of the
// last one's; one row per search item and an overall row, all on those periods; every text's
// running words (their absolute value: an uncounted text, -1, adds 1) go to the overall words
// and, when its date falls in a period, to that period of the overall row and of every row; each
// line adds a hit to its search item's row and the overall row in its text's period; the texts
// read that gave no line add their words to the overall row only; hits per 1,000 words (-1
// without words) and the dispersions close the run.
//
// Basis 0 (undefined) computes nothing and answers false, the list as it was. With no line the
// list is emptied and the answer is false. When no text is dated there are no periods: every row
// has 0 segments and no hit is counted. Periods are capped at 100,000 (logged).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/runtime/julian_periods.h"

class TConcordanceList;
class TTimelineList;

struct TTimelineText {
  int32_t words_in_source_file = 0;  // -1 when not counted
  double julian_date = 0;            // 0: no date
};

struct TTimelineUnusedText {
  double julian_date = 0;
  int32_t wordcount = 0;
};

// texts by original file number - 1; labels one per search item.
bool ComputeTimeline(const TConcordanceList& lines, const std::vector<TTimelineText>& texts,
                     const std::vector<TTimelineUnusedText>& unused, const std::vector<UString>& labels,
                     TTimeLinePlotbase basis, TTimelineList& list);
