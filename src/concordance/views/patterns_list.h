// The patterns of a concordance: for each of the eleven positions from five words left of the
// search word (span position 45) to five words right (55), the words found there in order of
// frequency. Row 1 holds the most frequent word of every position, row 2 the second, and so on;
// a position with fewer words than rows leaves its lower cells empty.
//
// Contract
//   Rows are TPatternEntry; ComputePatterns (compute_patterns.h) fills the list, a document
//   read refills it. Grid column n (1..11) shows position 45 + n - 1, or 55 - (n - 1) when the
//   concordance's language is written right to left. Columns 1..11 give their frequency as the
//   cell's number; set columns start at 12.
//
// Stream (per row, after the list version):
//   written: eleven int32 frequencies (44 bytes); the eleven words of positions 45..55, each in
//     the pointer framing of the holder's width (nil where the row has no word); int32
//     search-word number.
//   read: the 44 bytes; the eleven words; from version 11 the search-word number. The list writes
//     version 11 or above.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "concordance/document/concordance_document.h"
#include "platform/rtl/ustring.h"

inline constexpr int32_t kPatternListVersion = 11;
inline constexpr int kPatternPositions = 11;
inline constexpr int kPatternFirstSpan = 45;

struct TPatternEntryRec {
  std::array<int32_t, kPatternPositions> freqs{};     // positions 45..55
  std::array<std::optional<UString>, kPatternPositions> ws;  // nullopt: no word there
  int32_t sw_number = 0;
};

class TPatternsList;

class TPatternEntry : public TVXBaseListObject {
 public:
  TPatternEntry(TVXBaseDataClass* list, TVXBaseHolder* holder) : TVXBaseListObject(list, holder) {}
  TPatternEntryRec rec;

  // The word of a grid column's position; empty when none or outside the positions.
  UString GetAWordAsString(int column) const override;
  // Stores text as the word of span position `column` (45..55); others are ignored.
  void SetAWordAsString(int column, UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
};

class TPatternsList : public TConcordanceDerivedList {
 public:
  explicit TPatternsList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner = nullptr);
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  TPatternEntry* Row(int i) const;
  bool PatternData(int i, TPatternEntryRec& out) const;
  // The concordance's language is written right to left: the first column shows position 55. A
  // list of a document follows the document's language; one without is set here.
  bool right_to_left = false;
  // The span position of position column n (from 0); 102 outside 0..10.
  int PatternColToSpan(int n) const;
  // Counts the owner's lines (derived_views.cpp); false without an owner.
  bool Compute(bool flag) override;

  // --- the base list's operations ---
  bool CloudDataNeedsSorting() const override { return true; }
  // Row index's word and frequency at the position of the current sort column.
  bool GetOneCloudDatum(int index, TCloudDatum& datum) override;
  bool GetNextCloudDatum(TCloudDatum& datum) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  bool SaveToStream(TStream& s) override;
  // The position column the cloud reads (1..11).
  int cloud_column = 1;

 private:
};
