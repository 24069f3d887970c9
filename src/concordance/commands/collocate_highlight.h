// Going back from a collocate or pattern cell to the concordance: what the cell stands for (the
// highlight record), showing it in the lines by sorting them on it, and asking for a follow-up
// concordance of the search word with the collocate as its context word.
//
// Protocol of the window
//   1. HighlightOfCollocateCell / HighlightOfPatternCell with the cell the user chose: kNothing
//      ends; kLemmaForms shows the forms; kHighlight asks the user "show" or "compute";
//   2. show: ShowHighlightInLines (the lines sorted with the highlighted ones first, and the
//      grid row to move to); compute: SendFollowUpRequest with FollowUpPositionOf(record).
//
// Collocate grid columns (as the list lays them out): 0 row number, 1 word, 2 search word, 3-13
// statistics, 14 Set, 15 texts, 16 total, 17 left, 18 right, 19 on the span positions from the
// left horizon. These are the list's columns: a grid that hides the Set column, or whose layout
// moved its columns, still hands over the column of the list.
//
// Span positions are bytes: 50 the search word, 45 five words left, 55 five right; 101 ('e')
// every position within the collocate horizons.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "concordance/lines/concordance_list.h"
#include "platform/rtl/ustring.h"

class TCollocateList;
class TPatternsList;
class T_WholeLinzoraHolder;
class TSourceFileProbe;

enum class THighlightCellKind : uint8_t { kNothing, kLemmaForms, kHighlight };

struct THighlightCell {
  THighlightCellKind kind = THighlightCellKind::kNothing;
  // Filled for kHighlight; active stays false until the highlight is shown.
  TConcordanceHighlightRec rec;
  // "Total", "Left" or "Right" for the total columns; empty for a span position (the window
  // names the position).
  UString label;
  // kLemmaForms: each joined form, a tab, its frequency.
  std::vector<UString> lemma_forms;
};

// The cell of list row `row` (from 0) and list column `column` of the collocate list.
THighlightCell HighlightOfCollocateCell(const TCollocateList& list, int row, int column);
// The cell of list row `row` (from 0) and grid column `column` (1..11 the positions) of the
// pattern list.
THighlightCell HighlightOfPatternCell(const TPatternsList& list, int row, int column);

// Makes rec the list's highlight (active), sorts every line on the highlighted-collocate count
// (descending), then on the search word twice, and answers the grid row to move to: the last
// line whose count is level with the top line's (1 when none is), at most the last line. No row
// when the list holds no lines (the sort is still set up) or the sort was refused.
std::optional<int> ShowHighlightInLines(TConcordanceList& list, const TConcordanceHighlightRec& rec);

// --- follow-up concordance ----------------------------------------------------------------------

// Where the context word of a follow-up is to be sought.
struct TFollowUpPosition {
  uint8_t span_pos = kHighlightEverySpan;  // 50 the search word; 101 anywhere in the horizons
  bool only_left = false;   // with 101: only left of the search word
  bool only_right = false;  // with 101: only right of it
  UString context_word;     // empty: none
};

// A highlight's place: its span, its side flags (the total column: neither) and its word as the
// context word.
TFollowUpPosition FollowUpPositionOf(const TConcordanceHighlightRec& rec);

// The request's context horizons (left, right, words) for the document's collocate horizons and a
// position; exact_gap gets the request's gap (0: none).
std::pair<int16_t, int16_t> FollowUpHorizons(std::pair<int16_t, int16_t> document_horizons,
                                             const TFollowUpPosition& position, int32_t& exact_gap);

// Writes a request of this tool to itself for a concordance of word in the document's texts
// that still exist (the hand-over file of tell_list.h), stores the document's text settings and
// posts code 50 to the controller. False, nothing posted, when no text exists any more (the
// existence check tells the user) or the request file could not be written (FailedToSave names
// it); failure gets why.
bool SendFollowUpRequest(T_WholeLinzoraHolder& doc, const TFollowUpPosition& position, UStringView word,
                         UString* failure = nullptr, TSourceFileProbe* probe = nullptr);

inline constexpr uint16_t kCodeFollowUpRequest = 50;
inline constexpr int32_t kPatternCollocateNumber = 0x7FFFFFFF;
