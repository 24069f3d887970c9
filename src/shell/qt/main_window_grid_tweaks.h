// What the concordancer's result pages change in a cell before it is drawn or written out (the
// grids' tweak hooks), and the coloured spans a line's marks give. Plain rules over the cell
// record: nothing here yields to the event loop, so no message can change the list mid-draw.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/settings/settings_records.h"

// --- coloured spans of a concordance line ---------------------------------------------------------

// One mark of a line: 0 a tag, 1-6 word handling (4 with first character '2' counts as 3).
struct TLineMark {
  uint8_t kind = 0;
  int32_t position = 1;  // 1-based in the line
  int32_t tag_length = 0;
  int32_t word_length = 0;
  int32_t tag_number = 0;  // 1-based in the tag colour table; 0 none
  bool hidden = false;
  bool force_tag = false;
  char16_t first_char = 0;
  bool operator==(const TLineMark&) const = default;
};
struct TTagColour {
  uint32_t text = 0, background = 0;
  bool no_colour = false;
};
struct TMarkSpan {
  int32_t start = 0;  // 0-based
  int32_t end = 0;    // past the last character
  // The word-handling colour record used, or -1 for the tag colour table's entry tag_number.
  int32_t colour_record = 0;
  int32_t tag_number = 0;
  bool operator==(const TMarkSpan&) const = default;
};
// The spans in start order. tags_coloured and words_coloured are the colouring options; no
// spans at all for a printed grid when the printer preferences say so (no_spans). A tag is
// coloured only while tags are (or its mark forces it), also the tag a kind 3 mark carries.
std::vector<TMarkSpan> ColouredMarkSpans(const std::vector<TLineMark>& marks, bool tags_coloured, bool words_coloured,
                                         const std::vector<TTagColour>& tag_colours, bool no_spans = false);

// A marked word's kind by its side of the search word: 1 left gives 5, 2 right 6, any other 4.
uint8_t MarkKindOfSide(uint8_t side);

// The marks of a shown line, from the coloured pieces its list gave the cell (non-overlapping, in
// text order), positions 1-based in the cell text:
//   - a tag is a kind 0 mark, its length the tag length; a tag inside the search word's own
//     stretch (the hit holds mark-up) is always coloured as a tag (force_tag);
//   - a tag followed at once by a word piece (not a highlighted one), when tags go before their
//     words, is that word's tag: one kind 3 mark from the tag's start, tag and word length given;
//   - a word: a highlighted collocate is kind 1; a word with its tag just before it kind 3; a word
//     whose tag stands elsewhere (after it, or hidden) kind 2; any other word by its side
//     (MarkKindOfSide), carrying its span position as first character (so the search word, span
//     position 50, is the character '2').
std::vector<TLineMark> LineMarksOfCell(const TGrid_data_rec& cell, bool tags_as_suffixes, bool tags_hidden);

// Puts the spans into a concordance line cell in start order, each in its colours: a tag's from
// the tag colour table (text colour on its background), any other from the word-handling colour
// record it names (record(i) answers record i of the current style); the cell's two mark counters
// say how many spans the marks gave and how many of them are tags in their own colours.
void PutMarkSpansInCell(TGrid_data_rec& cell, const std::vector<TMarkSpan>& spans,
                        const std::vector<TTagColour>& tag_colours,
                        const std::function<TWordHandlingColourRec(int32_t)>& record);

// --- cell rules ---------------------------------------------------------------------------------

// Concordance columns 2 and 3: the text of a tag-coloured cell takes its tag's second colour
// (the one a tag is drawn on in the lines; 1-based index within the table); index 0 or beyond
// the table leaves the cell as it is. In text output with
// the highlighted-collocate main key an empty cell shows the line's count instead.
void TweakConcordanceTagCell(TGrid_data_rec& cell, const std::vector<TTagColour>& tag_colours, bool text_output,
                             uint8_t main_sort_key, int32_t highlight_count);
// Collocate cells: numeric 0.0 in columns 3-13 is not applicable while uncomputed ones are not
// shown (in text output it says "not yet computed").
void TweakCollocateCell(TGrid_data_rec& cell, int column, bool show_uncomputed, bool text_output);
// Plot column 6 in text output: the row's hits as text (PlotCellText); drawn plots are left alone.
void TweakPlotCell(TGrid_data_rec& cell, bool text_output);
// A plot cell's hits as text: each word position, with its context in brackets when one was kept,
// separated by "; ".
UString PlotCellText(const TGrid_data_rec& cell);
// Pattern cells (columns above 0, data rows) in text output: the word gets " Frequency: n"
// (n the cell's value without decimals, thousands grouped with commas).
void TweakPatternsCell(TGrid_data_rec& cell, bool text_output);
// A whole number with its thousands grouped by commas ("-1,234,567").
UString GroupedThousands(int64_t n);
// A concordance line shown with "Sentence only" (display option 3) is marked when its sentence
// was not found at both ends.
bool SentenceIncomplete(uint8_t display_options, bool found_both_ends);
// File names: status 0 sets the display flag.
bool FileNameDisplayFlag(uint8_t file_status);
// The percent of a source text loaded so far; 0 for an empty text (nothing to divide by).
int LoadedPercent(int64_t loaded, int64_t length);

// A concordance line cut to the characters a column shows, with the search word in its middle:
// each_side characters before the hit (blanks make up a short left context) and as many after.
// shift moves the search word off the middle by that many characters (below 0 to the left: less
// context before it, more after); neither side goes below nothing. The centre and the coloured
// stretches move with the cut.
void CentreConcordanceCell(TGrid_data_rec& cell, int each_side, int shift = 0);

// A grid cell's hint in lines no wider than max_width (width_of measures a piece of text):
// broken at blanks, a word too wide on its own broken between characters (never inside a
// surrogate pair). An empty text gives no lines.
std::vector<UString> WrapHintLines(UStringView text, int max_width, const std::function<int(UStringView)>& width_of);
