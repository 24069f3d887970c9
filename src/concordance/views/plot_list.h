// The dispersion plot of a concordance: one row per text and search word (or per group of
// each), holding the word positions of its hits, and an overall row that puts every hit on the
// scale of the longest text.
//
// Stream
//   row, written: bytes 0..51 of the row record; the file name and the search word (runtime
//     strings); the row's plot data list (general_plot_data.h).
//   row, read by list version: below 15 three int32 (dispersion bits, hits, c; c >= 0 is the
//     words with no file or search-word number, c < 0 gives |c| words and 8 more bytes with the
//     two numbers; INT_MIN has no |c| and fails), divisions 8, the name as a short string below
//     12, else a runtime string; 15-20 the 52 bytes and the file name; 21 on the 52 bytes and
//     both strings. Then the plot data list.
//   list: version raised to 22; the base list; the overall row; the 60-byte plot settings.
//   Read: from 16 the overall row, from 22 the settings.
// Sort keys: 0 name, 1 words, 2 hits, 3 dispersion, 4 hits per 1,000 (-1 without words),
//   5/6 the first/last hit as a percentage of the text (-1 for a row without hits or words).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "concordance/document/concordance_document.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/general_plot_data.h"

inline constexpr int32_t kPlotListVersion = 22;
inline constexpr int32_t kPlotSettingsBytes = 60;

#pragma pack(push, 1)
struct TVersion21PlotEntryHead {
  float dispersion_value;            // 0
  int32_t divisions;                 // 4
  int32_t hits;                      // 8
  int32_t words_in_file;             // 12
  int32_t plot_file_number;          // 16: the text's file number + 1
  int32_t plot_search_word_number;   // 20: -1 none, -2 a group
  uint8_t spare[24];                 // 24
  uint8_t IsOverallEntry;            // 48
  uint8_t spareB2, spareB3, spareB4; // 49
};
#pragma pack(pop)
static_assert(sizeof(TVersion21PlotEntryHead) == 52);

class TConcordancePlotEntry : public TVXBaseListObject {
 public:
  TConcordancePlotEntry(TVXBaseDataClass* list, TVXBaseHolder* holder) : TVXBaseListObject(list, holder) {}
  TVersion21PlotEntryHead rec{};
  UString plot_filename;
  UString plot_sw_string;
  TGeneralPlotDataList plots;

  void Clear();
  UString MainWordOnly() const override { return plot_filename; }
  int32_t MainWordFrequency() const override { return rec.hits; }
  float GetDispersion() const override { return rec.dispersion_value; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
};

class TConcPlotList : public TConcordanceDerivedList {
 public:
  explicit TConcPlotList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner = nullptr);
  // Plots the owner's lines, grouped or not (derived_views.cpp); false without an owner.
  bool Compute(bool grouped) override;
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);
  // The overall row goes with the list.
  void MoveToOwner(T_WholeLinzoraHolder& owner) override {
    TConcordanceDerivedList::MoveToOwner(owner);
    overall.SetHolderOutsideLists(Holder());
  }

  TConcordancePlotEntry* Row(int i) const;
  TConcordancePlotEntry overall;
  bool show_overall = false;
  int64_t total_words = 0;
  int32_t largest_words = 0;
  bool search_word_first = false;  // the row's name: search word before file name
  std::array<uint8_t, kPlotSettingsBytes> plot_settings{};

  // Row 0 is the overall row while it is shown.
  const TConcordancePlotEntry* CPlotDatum(int row) const;
  UString FilenameWithSW(int i) const;
  // The overall row rebuilt from the rows: every hit scaled to the longest text.
  void RebuildOverall();
  bool OverallCount() const override { return show_overall; }
  // The overall row comes on top of the texts' rows.
  int TotalRowCount() const override { return Count() + (show_overall ? 1 : 0); }
  // Steps through the hits of every row (1-based rows): rows without hits are passed over.
  // Answers the row's plot data list, nullptr once the hits run out.
  const TGeneralPlotDataList* NextGeneralPlotList(int step);
  int32_t current_plot_row = 0;
  int32_t current_plot_index = 0;

  // --- the base list's operations ---
  bool CloudDataNeedsSorting() const override { return true; }
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  void Set1Sort(int level, int32_t key) override;
  void SetSortSettingsToDefault(bool clearing) override;

 private:
  static int Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
};

// The word a pixel of a plot of `width` pixels points at: round(pixel x words / |width|); 0 for
// a width of 0.
int32_t WordNumFromPlotPixelPosition(int32_t width, int32_t pixel, int32_t words);
// The hit nearest to position within span / 100 words (the earlier on equal distance); false
// when none is that near.
bool NearestContextWord(const TGeneralPlotDataList& plots, int32_t span, int32_t position,
                        TV2GeneralPlotDataRec& found, int32_t& index);
// A plot cell (kind 2): every position with its context, the scale, the list's largest and
// total words and the divisions.
inline constexpr uint8_t kCellPlot = 2;
void CopyPlotsToGridRec(TGrid_data_rec& cell, const TGeneralPlotDataList& plots);
