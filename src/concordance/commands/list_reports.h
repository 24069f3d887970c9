// Two short reports of a concordance's results, each a list of tab-separated lines (label,
// count, share of the whole as "%3.2f%%") ending in a total line; the window shows them in the
// small list viewer.
//
// PlotStatisticsText counts the plot's hits by section of the texts: the sections are the
// divisions the plot rows measure their dispersion by, so section n of every text is added up.
// BreakdownOfList counts the lines made from each search word, most lines first (equal counts
// in the order the words were typed); deleted lines are not counted.
#pragma once

#include <vector>

#include "platform/rtl/ustring.h"

class TConcPlotList;
class TConcordanceList;

// "12.50%" for 1 of 8; 0.00% when the whole is 0.
UString ShareOfWhole(int64_t part, int64_t whole);
std::vector<UString> PlotStatisticsText(const TConcPlotList& plot);
std::vector<UString> BreakdownOfList(const TConcordanceList& lines, const std::vector<UString>& search_words);
