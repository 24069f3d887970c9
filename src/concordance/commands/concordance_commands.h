// Grid commands of the concordancer that need no window: removing duplicate lines, copying each
// line's search word into its Set column, hiding a kind of tag, and growing or shrinking the rows.
// Each works on the document or list it is given, asks its questions through the dialog service
// and answers what the window is to show (a top row, button captions); refreshing the grid and
// marking the page changed are the window's.
#pragma once

#include <cstdint>
#include <optional>

#include "model/documents/work_base.h"
#include "platform/rtl/ustring.h"

class T_WholeLinzoraHolder;

// --- remove duplicates --------------------------------------------------------------------------

struct TDuplicatesOutcome {
  int32_t found = 0;                  // lines newly marked deleted
  std::optional<int> first_row;       // grid row (from 1) of the first line that had a duplicate
  std::optional<int> top_row;         // five rows above it, at least 1; none when nothing was found
};

// Marks every later copy of a line deleted (the list's own duplicate rule), then tells the user
// how many were found and where to read about near duplicates. The count is told even when it
// is 0.
TDuplicatesOutcome RemoveDuplicateLines(TVXBaseLemmaMatchCapableList& list,
                                        const TDuplicatesProgress& progress = nullptr);

// --- after lines went or came back -------------------------------------------------------------

// Whether each text's hit count is still the number of its lines not deleted: false once lines
// were deleted, zapped, reduced or brought back.
bool TextHitsMatchLines(const T_WholeLinzoraHolder& doc);
// After the lines changed: each text's hits are counted again from its lines not deleted, and the
// views made from the lines (clusters, collocates, patterns, plot, time-line) are marked not made,
// so that the window makes them again from the lines as they stand when their page is turned to.
void RecountAfterLinesChanged(T_WholeLinzoraHolder& doc);

// --- copy the search word to the Set column -----------------------------------------------------

// "Copy Search word to Set column now?"
UString CopyToSetColumnQuestion();
// Asks (OKToDoX); on OK every line's search word, as shown, becomes its Set text. True when
// copied.
bool CopySearchWordsToSetColumn(T_WholeLinzoraHolder& doc);

// --- hide a kind of tag -------------------------------------------------------------------------

// Captions of the two tag buttons: "Show ..." while that kind is hidden, "Hide ..." otherwise.
struct TTagButtonCaptions {
  UString tag_file_tags;
  UString undefined_tags;
};

inline constexpr int kTagHideTagFileTags = 100;
inline constexpr int kTagHideUndefined = 117;   // 117-121: undefined, sentence, paragraph,
inline constexpr int kTagHideSection = 121;     // heading, section
inline bool IsHideTagKindTag(int tag) { return tag == kTagHideTagFileTags || (tag >= kTagHideUndefined && tag <= kTagHideSection); }

// Turns the hiding of the menu tag's kind over (any other tag changes nothing) and answers the
// buttons' captions as they now stand.
TTagButtonCaptions HideTagKind(T_WholeLinzoraHolder& doc, int tag);
TTagButtonCaptions TagButtonCaptions(const T_WholeLinzoraHolder& doc);
// Whether any of the document's tags is drawn in a colour of its own (text or background
// other than a tag's default ones).
bool DataHasColourTags(const T_WholeLinzoraHolder& doc);

// --- row height ---------------------------------------------------------------------------------

// Lines per grid row after grow (+2 while below 10) or shrink (-2 while above 2).
int GrownOrShrunkLinesPerRow(int lines_per_row, bool grow);
