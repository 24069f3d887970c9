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

#include <memory>

#include "concordance/document/concordance_document.h"

std::unique_ptr<TConcordanceDerivedList> MakeStandardDerivedList(T_WholeLinzoraHolder& owner,
                                                                 TTessorineList list_type);
