// The breakdown window's counting and its result text, without a window.
//
// BreakdownSummary is the summary routine behind the window's Count: for each search string, the
// rows of the list whose cell in the search column holds it (the search engine's word rules:
// whole words, "*" wildcards, case ignored unless "==word=="), the total of a numeric column over
// those rows, and the rows broken down by the value of another column. BreakdownResultLines then
// writes what the results memo shows.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/ustring.h"

class TVXBaseDataClass;

struct TBreakdownRecord {
  UString value;
  // One number: the rows found with that value. Two (several search strings): those rows and
  // every row with that value.
  std::vector<int32_t> counts;
};

struct TSummaryArrays {
  std::vector<int32_t> counts;      // per search string
  std::vector<double> cumulative;   // per search string: total of the cumulative column
  std::vector<TBreakdownRecord> breakdown;
  int32_t breakdown_values = 0;     // different values of the breakdown column among all rows
  bool stopped = false;
};

struct TBreakdownRequest {
  std::vector<UString> searches;
  int search_column = 1;
  int cumulative_column = -1;  // -1: none
  int breakdown_column = -1;   // -1: none
};

// The memo's search list: its lines trimmed, blank ones left out.
std::vector<UString> BreakdownSearchLines(UStringView memo_text);
// stop is asked every 1,024 rows; a stop keeps what was counted.
TSummaryArrays BreakdownSummary(TVXBaseDataClass& list, const TBreakdownRequest& request,
                                const std::function<bool()>& stop = {});

struct TBreakdownText {
  bool breakdown = false;
  bool cumulative = false;
  UString breakdown_heading;   // the breakdown column's heading
  bool count_files = false;    // the file-name column of concordance lines: the number of files
};
// The result lines; with stop (asked before each line) the lines written so far.
std::vector<UString> BreakdownResultLines(const std::vector<UString>& searches, const TSummaryArrays& a,
                                          const TBreakdownText& how, const std::function<bool()>& stop = {});
// The breakdown combo's item for "per file" of a concordance: the item whose column is 13; -1 none.
int BreakdownFilesItem(const std::vector<int>& item_columns);
// The window's help page for the running tool: the word-list tool's, the concordancer's, the
// suite's general one for any other tool.
int BreakdownHelpContext(uint8_t tool);
