// Counts the clusters of a concordance: every run of words around the search word, from the
// smallest to the largest cluster size, that recurs in the lines.
//
// Per line (not deleted, with text): the words at span positions 0..101 (in capitals unless case
// is kept) and the boundary after each. A cluster starts at any position from 50 - left reach
// and its last word lies before 50 + right reach (both clamped to 0..101), so the word at
// 50 + right reach is never in one. A run fails at a position with no word, or at a position
// other than its last whose boundary is at or above the stop-at level (stop-at 0: any boundary).
// A cluster's length is the number of words of its text (a search word of several words counts
// each of them).
//
// Rows: clusters reaching the minimum frequency, the most frequent first, equal frequencies by
// text. When the smallest and largest sizes differ, each cluster lists the clusters that contain
// it and that it contains, word-bounded ("OF THE" is not in "OF THEM ALL"), as "text (n)"
// separated by ",", in row order; a stop request of 2 or more leaves the relations out.
#pragma once

#include <cstdint>

#include "concordance/views/derived_list_support.h"

class TConcordanceList;
class TConcordanceClusterList;

struct TRunLineWords;

struct TClusterRunSettings {
  TDerivedCountSettings count;  // case, minimum frequency (length and stop list are not used)
  int16_t smallest = 3;
  int16_t largest = 3;
  int16_t reach_left = 5;   // only the low byte counts
  int16_t reach_right = 5;
  uint8_t stop_at = 0;
  int32_t threads = 1;  // workers over the lines; any number gives the same rows
  // The run's words of the lines, when fetched once for every count (not owned); null, or not
  // holding the reaches: the lines are read here.
  const TRunLineWords* run_words = nullptr;
  // Given: the lines as they stood when the run's counts began, read instead of the list (which
  // may be sorted meanwhile).
  const TLinesAsTheyStood* lines_as_they_stood = nullptr;
};

// Answers whether the list holds rows; highest gets the greatest frequency of any cluster met
// (also of those below the minimum frequency).
bool ComputeClusters(const TConcordanceList& lines, const TClusterRunSettings& settings,
                     TConcordanceClusterList& list, int32_t& highest);
// The start and end positions (0..101) of the reaches.
void ClusterReachPositions(int16_t reach_left, int16_t reach_right, int& left_start, int& right_end);
