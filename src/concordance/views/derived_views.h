// The concordance document's five derived views as the document makes and computes them: the
// standard list of each type (collocates 5, plot 12, clusters 13, patterns 14, time-line 20) and
// each list's Compute, which takes its inputs from the owning document (lines, search items,
// source texts, unused texts, the settings copy and the settings store) and sets the document's
// computed flag as the view's own rules say:
//   collocates: when rows were made;  clusters: always;  patterns: when there were lines;
//   plot: after a run with texts, lines and search items (no search item: false, logged, the
//   other views still computed);  time-line: when there were lines, the procedure is switched on
//   and the time basis is defined (basis 0 computes nothing).
#pragma once

#include <functional>
#include <memory>

#include "concordance/document/concordance_document.h"
#include "concordance/views/derived_list_support.h"

// Index of the derived lists' time as a whole (from the fetch of the lines' words to the last
// list made) in the process times, beside each list's own.
inline constexpr int kDerivedListsTimeEntry = 41;

std::unique_ptr<TConcordanceDerivedList> MakeStandardDerivedList(T_WholeLinzoraHolder& owner,
                                                                 TTessorineList list_type);

// A derived list's computation cut in three: made on the document's thread (every setting, search
// word and text it needs read there), `count` (reads only the lines, the shared words of the run
// and what was read at the making, and fills the list: it may run on any thread beside the other
// lists' counts, while the document's thread sorts the lines, but before they are reordered), then
// `finish` back on the document's thread (flags, lemmas, stop list). Compute is the three in turn.
struct TDerivedListJob {
  std::function<bool()> count;
  std::function<bool(bool counted)> finish;
};

// The job of a standard collocate, cluster, pattern or plot list (the flag as Compute takes it);
// none (an empty count) for any other list, or where a count would ask the stop list, which is
// asked on the document's thread only: such a list is computed alone.
// Whether DerivedListJob gives the list a job (without making it).
bool HasDerivedListJob(const TConcordanceDerivedList& list);
// stood (given): the lines as they stood when the counts began, which the count reads instead of
// the list, so that the list's lines may be sorted meanwhile (the run's shared words must then
// hold every position the count takes).
TDerivedListJob DerivedListJob(TConcordanceDerivedList& list, bool flag, const TLinesAsTheyStood* stood = nullptr);
