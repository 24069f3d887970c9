// The base grid headings of the derived-view lists (collocates 5, plot 12, clusters 13,
// patterns 14, time-line 20) and of the source files (17), and the standard column count of each
// derived view.
//
// Collocates: 0 N, 1 word, 2 search word, 3-13 the eleven association measures, 14 Set,
//   15 texts, 16 total, 17 total left, 18 total right, then one column per span position.
// Plot: 0 N, 1 file, 2 words, 3 hits, 4 per 1,000, 5 dispersion, 6 plot.
// Clusters: 0 N, 1 cluster, 2 frequency, 3 Set, 4 length, 5 related.
// Patterns: 0 N, 1-11 positions L5 .. R5.
// Time-line: 0 N, 1 label, 2 words, 3 hits, 4 per 1,000, 5 dispersion, 6 time-line.
// Source files: 0 N, 1 file name, 2 hits, 3 hits as % of all, 4 words, 5 size, 6 date.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/runtime/julian_periods.h"
#include "platform/runtime/vx_tools.h"

inline constexpr int kCollocateFirstStatColumn = 3;
inline constexpr int kCollocateStandardColumns = 19;
inline constexpr int kPlotStandardColumns = 7;
inline constexpr int kClusterStandardColumns = 6;
inline constexpr int kPatternStandardColumns = 12;
inline constexpr int kTimelineStandardColumns = 7;

// The standard number of columns of a list type (0 for a type not listed above).
int StandardColumnCount(TTessorineList type);
// The base headings of a list type. For collocates the position columns follow the standard
// ones, L<n> .. R<n> for the span pair (left, right) of span positions (50 the search word "*").
std::vector<UString> CopyOfBaseHeadings(TTessorineList type, uint8_t left_span = 45, uint8_t right_span = 55);
// Makes sure the eleven association headings stand in columns 3 to 13 of a collocate heading
// list (a list from an older document may lack them): missing or wrong ones are put right.
void EnsureMIHeadingsIncludeAllStats(std::vector<UString>& headings);
// The heading of a collocate position column for span position p: "L3", "*", "R2".
UString CollocatePositionHeading(int p);
