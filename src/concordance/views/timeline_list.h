// The time-line of a concordance: the dates of the texts cut into periods of a time basis, and
// per row (one per search word) the hits and the running words of each period, with totals,
// hits per 1,000 words and a dispersion; an overall row sums the rows when there are two or
// more.
//
// Contract
//   Rows are TTimeLineEntry, filled by ComputeTimeline (compute_timeline.h) or a document read.
//   With two or more rows, grid row 1 (TimeLineData(0)) is the overall row and row i + 1 entry
//   i - 1; with fewer, row i is entry i, marked overall.
//   Columns: 0 N, 1 label, 2 words, 3 hits, 4 per 1,000, 5 dispersion, 6 the time-line (a kind-4
//   cell carrying the record, its segments and each segment's date heading), 7 on set columns.
//   Sort keys: 0 label, 1 words, 2 hits, 3 per 1,000, 4 dispersion (NaN lowest), 5 category.
//
// Stream (per row): int32 number of segments; the 109-byte record head; the label (runtime
//   string); 8 bytes per segment (hits, running words). A read checks the count against the
//   bytes left and takes the record's segment count from the segments read. The list: the base
//   list, then the overall row.
#pragma once

#include <cstdint>
#include <vector>

#include "concordance/document/concordance_document.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/julian_periods.h"

inline constexpr uint8_t kCellTimeline = 4;

#pragma pack(push, 1)
struct TTimeLineDataHead {
  uint8_t basis;          // 0
  double first_date;      // 1: Julian day of the first period's start
  double last_date;       // 9: Julian day of the last period's end
  int32_t words;          // 17
  int32_t hits;           // 21
  int32_t segments;       // 25: number of periods
  int32_t highest_hits;   // 29: most hits in one period
  int32_t highest_words;  // 33: most running words in one period
  float per_thousand;     // 37: hits per 1,000 words, -1 without words
  float dispersion;       // 41
  uint8_t overall;        // 45
  uint8_t spare[63];      // 46..108, kept as read
};
#pragma pack(pop)
static_assert(sizeof(TTimeLineDataHead) == 109);

struct THitsAndWordCounts {
  int32_t hits = 0;
  int32_t words = 0;
};

struct TTimeLineDataRec {
  TTimeLineDataHead head{};
  std::vector<THitsAndWordCounts> segments;
  UString label;
};

class TTimeLineEntry : public TVXBaseListObject {
 public:
  TTimeLineEntry(TVXBaseDataClass* list, TVXBaseHolder* holder) : TVXBaseListObject(list, holder) {}
  TTimeLineDataRec rec;

  void Clear();
  UString MainWordOnly() const override { return rec.label; }
  UString GetAWordAsString(int column) const override { return column == 1 ? rec.label : UString(); }
  int32_t MainWordFrequency() const override { return rec.head.hits; }
  float GetDispersion() const override { return rec.head.dispersion; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
};

// One heading per segment of a record (segments 1..N), on its basis from its first date.
std::vector<UString> TimeLineDataDateHeaders(const TTimeLineDataRec& rec);

class TTimelineList : public TConcordanceDerivedList {
 public:
  explicit TTimelineList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner = nullptr);
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);
  // The overall row goes with the list.
  void MoveToOwner(T_WholeLinzoraHolder& owner) override {
    TConcordanceDerivedList::MoveToOwner(owner);
    overall.SetHolderOutsideLists(Holder());
  }

  TTimeLineEntry overall;
  TTimeLineEntry* Row(int i) const;
  // Grid data row i (from 0); a zeroed record outside the list.
  TTimeLineDataRec TimeLineData(int i) const;
  // Every row's and the overall row's basis; the date headings follow it.
  void SetTimeBasis(TTimeLinePlotbase basis);
  // Each row's (and the overall row's) dispersion of its hits per segment.
  void ComputeDispersion();
  // Dates the owner's lines (derived_views.cpp); false without an owner.
  bool Compute(bool flag) override;
  // The label, then per segment "date: hits in words" (tab-separated); plot column only.
  UString TimeLineDataStringForLemmaShower(int column, int row) const;

  // --- the base list's operations ---
  bool OverallCount() const override { return Count() >= 2; }
  int TotalRowCount() const override { return Count() + (OverallCount() ? 1 : 0); }
  std::vector<UString> TimeLineDataDateHeaders() override;
  // What the time-line's heading says of its periods: not computed, no text dated, the one
  // period there is, or the basis (with the year when the dates fall within one year).
  UString TimelineSpanText() const;
  void TopRowDataRec(int col, TGrid_data_rec& cell) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void Set1Sort(int level, int32_t key) override;
  void SetSortSettingsToDefault(bool clearing) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;

 private:
  static int Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
};
