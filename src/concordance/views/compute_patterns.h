// Counts the patterns of a concordance from its lines: the word at each position 45..55 of every
// line that is not deleted and has text, one count per position; then row r of the list takes
// the r-th most frequent word of every position.
//
// A word gives a row cell when its count reaches the minimum frequency, it is longer than the
// minimum word length (strictly; collocates take a word of exactly that length) and, with a stop
// list in use, it is not on it. Equal frequencies are ordered by word, so that every run gives
// the same rows. A stop request (state 2 or more) leaves the remaining lines out; the rows are
// made from what was counted.
#pragma once

#include "concordance/views/derived_list_support.h"

class TConcordanceList;
class TPatternsList;
struct TRunLineWords;

// False (the list emptied) when there is no line; otherwise whether the list holds rows.
// threads: workers over the lines; any number gives the same rows. run_words: the run's words of
// the lines, when fetched once for every count; null, or not holding the positions: the lines are
// read here, from lines_as_they_stood when given (the list may then be sorted meanwhile).
bool ComputePatterns(const TConcordanceList& lines, const TDerivedCountSettings& settings, TPatternsList& list,
                     int32_t threads = 1, const TRunLineWords* run_words = nullptr,
                     const TLinesAsTheyStood* lines_as_they_stood = nullptr);
