// What the grid column editor does to a grid's layout, without a window.
//
// The editor works on the grid's own heading array (edits show in the grid at once) and keeps a
// snapshot made when it was given the grid: Changed compares the two, Restore copies the snapshot
// back. Every edit applies to each selected heading (the selection may hold hidden ones) and
// answers whether anything changed, so that the window sends its change notice and redraws only
// then. The window asks Controls for what to enable and show after a selection or an edit.
#pragma once

#include <cstdint>
#include <vector>

#include "model/lists/grid_headings.h"

inline constexpr double kInchToCm = 2.54;

// What the editor's controls show for the current heading.
struct TColumnEditorControls {
  bool have_current = false;
  bool alignment_enabled = false;  // the alignment bar and the typeface group
  bool move_enabled = false;
  bool case_enabled = false;
  bool numeric = false;            // threshold, decimals and the decimal button
  bool computed_buttons = false;   // re-edit and delete computed column
  bool visible = true;
  uint8_t alignment = 0;
  uint8_t typeface = 0;
  uint8_t letter_case = 0;
  int32_t decimals = 0;
  double width_shown = 0;          // in the units chosen
  UString threshold_text;          // empty for text columns
};

class TColumnEditorModel {
 public:
  // The grid's array (shared: edits change it at once) and the snapshot taken now.
  void AssignDetails(TGrid_header_array* working, uint8_t units, double pixels_per_inch);
  TGrid_header_array* Working() const { return working_; }
  const TGrid_header_array& Snapshot() const { return snapshot_; }
  uint8_t Units() const { return units_; }
  void SetUnits(uint8_t units) { units_ = units; }

  // Selection: the indices chosen in the heading list, and the item with the focus.
  void Select(std::vector<int> indices, int item_index);
  const std::vector<int>& Selected() const { return selected_; }
  int ItemIndex() const { return item_index_; }

  // The heading list's items: "( heading )" for a hidden column.
  std::vector<UString> HeadingItems() const;
  // The calculator's column list: the numeric columns, a computed one as "#" and its number;
  // with each, its list column.
  std::vector<std::pair<UString, int>> CalculatorItems() const;
  // The threshold combo's items with the decimal separator given.
  static std::vector<UString> ThresholdItems(char16_t separator);

  TColumnEditorControls Controls() const;
  double WidthShown(const TGrid_head32& h) const;

  // Edits; each answers whether a record changed.
  bool SetAlignment(uint8_t alignment);
  bool SetTypeface(uint8_t bit, bool on);
  bool SetWidthShown(double value);
  bool SetDecimals(int32_t decimals);
  // A text that is not a number leaves the thresholds as they were.
  bool SetThresholdText(UStringView text);
  bool SetLetterCase(uint8_t letter_case);
  bool SetVisible(bool visible);
  // own colour is set when the colour is valid and not the style's background.
  bool SetColour(int32_t colour, int32_t style_background);
  bool SetVisibleAt(int index, bool visible);
  bool RenameHeading(int index, UStringView heading);
  // Moves the one selected heading by -1 or +1; refused at the ends.
  bool Move(int step);
  // Takes the computed column at index out of the array (its formula answered in formula).
  bool DeleteComputed(int index, UString& formula);

  bool Changed() const;
  void Restore();
  // The set columns offered for deletion: record index and heading.
  std::vector<std::pair<int, UString>> SetColumnsToDelete() const;

 private:
  template <class F>
  bool EachSelected(F f);
  TGrid_header_array* working_ = nullptr;
  TGrid_header_array snapshot_;
  std::vector<int> selected_;
  int item_index_ = -1;
  uint8_t units_ = 0;
  double ppi_ = 96;
};
