// What a double-click on a result cell of the concordancer opens, decided without a window, and
// the texts the small viewers show: related clusters, a time-line row's data, and excerpts of
// same-named texts (parallel texts such as subtitles in other languages).
//
// List types of the grids: 5 collocates, 10 concordance, 12 plot, 13 clusters, 14 patterns,
// 17 source-file names, 20 time-line. Columns are the list's own (the grid's column translated).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rtl/ustring.h"

enum class TDoubleClickAction : uint8_t {
  kNothing,
  kHighlightCollocate,  // the collocate or pattern highlight
  kEditSetValue,        // the set-column editor on the cell's text
  kShowSource,          // the source text of the selected lines
  kEditSetRecord,       // the set-column editor on the cell's record (concordance column 2)
  kPlayMedia,           // the line's media
  kOpenCellFile,        // the file named by the cell (full names shown for the moment)
  kOpenPlotFile,        // the text of the plot row, when it has a name
  kPlotDetails,         // the plot row's details as text
  kRelatedClusters,     // the related clusters in the small viewer
  kTimelineData,        // the time-line row's data in the small viewer
};

// row 0 (the header) is never acted on. set_column: the column is a Set column of its list;
// collocate_set_shown: the collocate grid shows its Set column (column 14).
TDoubleClickAction DoubleClickActionOf(int list_type, int row, int column, bool set_column,
                                       bool collocate_set_shown);

// The related clusters of a cluster cell: the text upper-cased and cut at each ",", the empty
// pieces left out, sorted.
std::vector<UString> RelatedClustersOfCell(UStringView text);

// A time-line row's data for the viewer: one line per period (the data's tab-separated pieces),
// empty pieces left out.
std::vector<UString> TimelineDataLines(UStringView text);

// A plot row's details for the viewer: its name, words, hits and dispersion on the first line,
// then each hit's word position and its place in the text ("%3.2f%%" of the words).
std::vector<UString> PlotRowDetailsLines(UStringView name, int32_t words, int32_t hits, float dispersion,
                                         const std::vector<int32_t>& positions);

// Whether a file name's extension is that of a same-named parallel text (".??_srt", any case).
bool IsParallelTextName(UStringView file_name);

// The excerpt of a text around the first occurrence of what (none when absent): from up to 200
// characters before it (20 at a time while the start is beyond 21, 1-based), 400 characters,
// with the time mark-up shortened ("<***><start=" to "<", then "<start=" to ">").
std::optional<UString> ParallelTextExcerpt(UStringView text, UStringView what);

// A viewer line of a parallel text: its extension upper-cased with its dot (".EN_SRT"), a tab,
// the excerpt. The extra text grid reads the line's language from characters 2-3 ("EN").
UString ParallelTextLine(UStringView file_name, UStringView excerpt);

// The texts a line's text has beside it under the same name: the text itself first, then every
// "<name>.??_srt" in its folder (in name order). Empty when the text does not exist.
std::vector<UString> SameNamedTexts(UStringView full_name);
// Whether any of the texts has such a same-named text beside it (a text that does not exist has
// none). Each folder is listed once, however many of the texts it holds; the folders and the
// texts are looked at on `threads` workers.
bool AnyTextHasSameNamedTexts(const std::vector<UString>& full_names, int32_t threads);
// Each of those texts that holds `what`: its name and its viewer line (ParallelTextLine of its
// excerpt). Texts that cannot be read are passed over.
std::vector<std::pair<UString, UString>> SameNamedTextExcerpts(UStringView full_name, UStringView what);
