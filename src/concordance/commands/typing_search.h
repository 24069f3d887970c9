// Finding a row by typing in the tool bar's typing box: each change of the typed text moves the
// current grid to the first row, from the current row on and wrapping round once, whose word
// begins with the text. A row's word is its main word (file names without their folder); a
// concordance line's is the word of the lines' first sort key, the key the lines stand in order
// of. Case counts only when the case box is ticked.
//
// The kind of a grid is its logical page: 0 concordance, 1 clusters, 2 plot, 3 patterns,
// 4 collocates, 9 file names, 10 time-line. Kinds 0 and 9 search from the current row, kind 1
// through the cluster list's own positional search, kinds 2-4 from the current row as well;
// the time-line is not searched.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/rtl/ustring.h"

class TVXBaseDataClass;
class TConcordanceList;

enum TTypingKind : int {
  kTypingConcordance = 0,
  kTypingClusters = 1,
  kTypingPlot = 2,
  kTypingPatterns = 3,
  kTypingCollocates = 4,
  kTypingFilenames = 9,
  kTypingTimeline = 10,
};
// The kind of a grid by the list type it shows; -1 for a list type of no result page.
int TypingKindOfListType(int list_type);

// The word a row is found by (see above); empty for an index that names no row.
UString TypedSearchWordOfRow(TVXBaseDataClass& list, int index);

// Kinds 0 and 9: from `row` (a list index), wrapping once. The row found, else `row` itself
// (the grid stays); -1 without a list or with an empty text.
int FindTypedTextFromRow(TVXBaseDataClass* list, bool case_sensitive, UStringView typed, int row);
// Kinds 2-4: the same search from the list's current row (the row the grid shows).
int FindTypedTextInList(TVXBaseDataClass* list, bool case_sensitive, UStringView typed, int current_row);
// Kind 1: the cluster list's positional search (a typed "*" at either end stands for any words
// there) from the first row; -1 when no cluster matches.
int FindTypedCluster(TVXBaseDataClass& clusters, bool case_sensitive, UStringView typed);

// The row a typed text moves a grid of that kind to; nullopt to leave the grid alone.
std::optional<int> TypedTextRow(int kind, TVXBaseDataClass* list, bool case_sensitive, UStringView typed,
                                int current_row);
