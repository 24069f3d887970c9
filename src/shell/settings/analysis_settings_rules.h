// What the cluster, time-line and plot-set dialogs decide, without a window.
//
// Clusters: the dialog's controls stand for fields of the concordance settings record; OK keeps
// the largest size at least the smallest, leaves a horizon alone when none is selected, and the
// minimum frequency fits the record's 16-bit field. CopyClusterChoices carries every field the
// dialog sets (the case flag too) from the store's record into a document's.
//
// Time-line: the combo offers the named plot bases; an item stands for its basis, so storing and
// selecting go through the same mapping.
//
// Plot sets: items are labelled "NN name" with their number from 1, zero-padded to the digits of
// the item count; a set is a number-range text of item numbers. The plot choices hold 0-based
// numbers; labels, set texts and the rebuild on reopen count from 1 with one width throughout.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/runtime/julian_periods.h"
#include "platform/settings/settings_records.h"

// --- clusters ---------------------------------------------------------------------------------

inline constexpr int kClusterHorizonItems = 26;  // 0 to 25 words
inline constexpr int kClusterSizeLowest = 2;
inline constexpr int kClusterSizeHighest = 8;
inline constexpr int32_t kClusterMinFreqHighest = 65535;

struct TClusterChoices {
  int smallest = 3;
  int largest = 3;
  int32_t min_frequency = 1;
  int left = -1;  // horizon list position; -1 nothing selected
  int right = -1;
  bool case_sensitive = false;
};
TClusterChoices ClusterChoicesOf(const TConcSettingsRec32& rec);
// OK: the choices into the record (largest raised to the smallest; an unselected horizon left).
void PutClusterChoices(TClusterChoices choices, TConcSettingsRec32& rec);
// The cluster fields the dialog edits, copied from the store's record into a document's.
void CopyClusterChoices(const TConcSettingsRec32& from, TConcSettingsRec32& to);

// --- time-line basis --------------------------------------------------------------------------

// The bases offered, in combo order.
const std::vector<TTimeLinePlotbase>& OfferedTimelineBases();
TTimeLinePlotbase TimelineBasisOfItem(int item);  // 0 (undefined) outside the list
// The item to select for a stored basis: its own item, else the item of the largest offered
// basis below it.
int TimelineItemOfBasis(TTimeLinePlotbase basis);

// --- plot sets --------------------------------------------------------------------------------

int DigitsOf(int count);
// "007 name" for item 7 of 120.
UString PlotItemLabel(int number, int count, UStringView name);
// The number a label begins with; -1 when it has none.
int PlotItemNumber(UStringView label);
// The set text of the chosen item numbers (from 1): "1-3, 5".
UString PlotSetText(const std::vector<int32_t>& numbers);

struct TPlotSetsResult {
  bool ok = false;
  UString message;
  std::vector<std::vector<int32_t>> file_sets;  // 0-based item numbers
  std::vector<std::vector<int32_t>> word_sets;
};
// OK: both kinds need at least one set; each set text becomes its 0-based numbers.
TPlotSetsResult ReadPlotSets(const std::vector<UString>& file_set_texts, const std::vector<UString>& word_set_texts);
// Reopening: the stored 0-based sets as set texts over `count` items; numbers outside the items
// are skipped, and a set left with none is dropped.
std::vector<UString> RebuildPlotSetTexts(const std::vector<std::vector<int32_t>>& sets, int count);
