// Line helpers of the concordance run and display, on plain data (strings, positions):
//   - span positions: one byte per word around a hit, 50 the search word, 49 the first word to
//     its left (L1), 51 the first to its right (R1); CollocSpan turns horizons in words into the
//     pair of outermost positions, SortSpanFromSort gives the position a word sort key compares,
//     CollocateColToSpan the position of a collocate column;
//   - the coloured pieces of a shown line (TSortAndTagMergedList): words, highlighted words, the
//     search word and tags, put in text order and made non-overlapping before a grid draws them;
//   - a shown line cut into left context, search word and right context for export
//     (ConcLinein3Sections), as wide as the text-only export setting asks (ConcCharactersToExport).
// Nothing here reads a concordance line itself: callers hand over the text and positions.
#pragma once

#include <cstdint>
#include <vector>

#include "concordance/lines/line_records.h"
#include "model/export/export_cells.h"
#include "platform/rtl/ustring.h"
#include "platform/settings/settings_records.h"

// --- span positions -----------------------------------------------------------------------------

inline constexpr int32_t kSpanCentre = 50;
inline constexpr int32_t kSpanLowest = 0;
inline constexpr int32_t kSpanHighest = 101;

// The outermost span positions a pair of horizons reaches.
struct TLineSpanPair {
  uint8_t left = kSpanCentre;
  uint8_t right = kSpanCentre;
  // The horizons in words again.
  int32_t LeftWords() const { return kSpanCentre - left; }
  int32_t RightWords() const { return right - kSpanCentre; }
};

// Horizons in words (left, right) give positions 50 - left .. 50 + right; a negative horizon
// counts as 0 and a wider one is clipped to the positions a line keeps (0 .. 101).
TLineSpanPair CollocSpan(Tdouble_smallint_type horizons_in_words);
TLineSpanPair CollocSpan(int32_t left_words, int32_t right_words);

// CollocateColToSpan (the span position of a collocate column, given the left horizon in words)
// is in line_records.h.

// Sort keys 0..10 compare the words L5 .. search word .. R5: key k compares position 45 + k
// (key 5 is the search word, key 4 is L1). Any other key compares no word: -1.
int32_t SortSpanFromSort(int32_t key);

// --- coloured pieces of a shown line -------------------------------------------------------------

struct TSortAndTagMergedRec {
  int32_t start = 0;   // first character in the shown line (0-based)
  int32_t length = 0;  // characters; a piece of no length is dropped
  bool is_tag = false;
  bool highlighted = false;       // a word of the line's highlight set
  uint8_t span_pos = 0;           // a word's span position (50: the search word); 0 for a tag
  uint16_t tag_kind = 0;          // a tag's first flag word
  int16_t tag_number_1based = 0;  // a tag's number in the document's tag table, 0 none
};

// Where pieces overlap the one drawn is, in order: a tag (so that hidden or replaced mark-up is
// found whole), the search word, a highlighted word, any other word; between equals the one that
// starts first, then the one added first. A piece covered in part keeps what is left of it, in
// as many pieces as it takes.
class TSortAndTagMergedList {
 public:
  void Clear() { items_.clear(); }
  void Add(const TSortAndTagMergedRec& r) { items_.push_back(r); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TSortAndTagMergedRec& Get(int32_t i) const { return items_[static_cast<size_t>(i)]; }
  const std::vector<TSortAndTagMergedRec>& Items() const { return items_; }

  // Orders the pieces by start, the longer first at one start; otherwise keeps their order.
  void SortStringPosition();
  // Leaves pieces in text order that do not overlap and cover exactly the characters the
  // pieces covered before.
  void HandleAnyOverlaps();
  // Start of the search word's first piece that is no tag; -1 when there is none.
  int32_t CentreStart() const;

 private:
  std::vector<TSortAndTagMergedRec> items_;
};

// --- a line in three sections ---------------------------------------------------------------------
// TThreeSectionsOFConcLine and ConcCharactersToExport are the export's own (model/export_cells.h):
// a line is cut for the grid and for every export by the same code.

// Splits text at the centre (1-based start, length), both clipped to the text.
TThreeSectionsOFConcLine LineInThreeSections(UStringView text, int32_t centre_start_1based, int32_t centre_length);

// What a drawn concordance cell hands over for export.
struct TConcLineCell {
  UString text;                   // the line as shown
  int32_t sw_start_1based = 0;    // where the search word starts
  int32_t hit_width = 0;          // its length
  int32_t start_position = 0;     // above 1: show from there (a sentence-only view's start)
};

// The line as left context, search word and right context, cut as an export cuts it
// (ConcLineSectionViews). The search word starts where the merged pieces put it (when given and
// found), else where the cell says.
TThreeSectionsOFConcLine ConcLinein3Sections(const TConcLineCell& cell, const TSortAndTagMergedList* merged,
                                             int32_t export_setting);
// The same with the settings store's export setting.
TThreeSectionsOFConcLine ConcLinein3Sections(const TConcLineCell& cell, const TSortAndTagMergedList* merged);
