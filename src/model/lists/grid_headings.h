// A grid's layout: one TGrid_head32 per column, in display order, kept by the list it shows
// (TVXBaseDataClass::grid_headings) and edited by the column editor.
//
// When the layout is made and read:
//   EnsureGridHeadings runs whenever a grid takes a list or the list's own columns change: it makes
//   a record for each own column the layout lacks (heading text, numbers or text from the first
//   row) and drops records of own columns that went; records of added columns stay while their
//   column exists. The grid then shows the visible records in array order (VisibleListColumns),
//   so the display position of a column and the list column behind it differ once the user has
//   moved or hidden columns: Original_Column turns one into the other.
//   Each cell, as it is drawn or copied, passes through ApplyHeadingToCell (threshold, decimals,
//   letter case, colour, alignment, typeface).
//
// " customised.dat" (the user's default layout of a list type, SaveHeadingsAsCustomised and
//   ReadCustomisedHeadings): "LZGH", uint16 format (1), uint16 0, uint8 list type, int32 record
//   count, then per record its fields in declaration order (heading as an int32-counted UTF-16
//   string). A grid of that list type made later takes it through MergeCustomisedHeadings.
#pragma once

#include <cstdint>
#include <vector>

#include "model/lists/result_list_base.h"

using TGrid_header_array = std::vector<TGrid_head32>;

// Makes or refreshes the list's layout (see above). A grid keeps the layout its list has and only
// follows changes of the list's own columns (probe false): a list whose layout nobody asked for
// is shown column by column at no cost. The grid tools ask with probe, which also finds the
// number columns of a list that had no rows when its layout was made.
void EnsureGridHeadings(TVXBaseDataClass& list, bool probe = true);
// The list columns shown, in display order, the row-number column left out.
std::vector<int> VisibleListColumns(const TGrid_header_array& heads);
// Display column (0 the row numbers, then 1 .. the shown columns) to list column; -1 when there is
// no such display column.
int Original_Column(const TGrid_header_array& heads, int display_column);
// The display column a list column has now (1-based among the shown ones, 0 for the row numbers);
// -1 when hidden or absent.
int CurrentColumnNumber(const TGrid_header_array& heads, int list_column);
// Index of the record of a list column, -1 when none.
int HeadingIndexOfColumn(const TGrid_header_array& heads, int list_column);
// The heading text of a list column (empty when none).
UString GetDatum(const TGrid_header_array& heads, int list_column);
void ExchangeTwoHeadings(TGrid_header_array& heads, int a, int b);

// The list columns in the order the layout shows them, those it hides left out: column 0 (the row
// numbers) first, then the layout's shown records, then own and added columns it holds no record of
// yet. A list without a layout gives its own columns in order (those its heading settings hide left
// out), then its added columns. Exports and the save-as dialog number the columns by their place in
// this order; a column whose heading the list itself hides keeps its place. own_columns: how many
// own columns the list has when its cells say more than its headings (-1: as many as headings).
std::vector<int> LaidOutColumns(const TVXBaseDataClass& list, int own_columns = -1);

// The cell as its column's record says it is shown: its value (ApplyHeadingToValue), alignment,
// typeface and the column's own colour.
void ApplyHeadingToCell(const TGrid_head32& head, TGrid_data_rec& cell);
// The value alone, as exports write it: a number below the threshold left blank, a number with the
// column's decimals, a text in the column's letter case.
void ApplyHeadingToValue(const TGrid_head32& head, TGrid_data_rec& cell);
// Letter case: 0 UPPER, 1 Title, 2 lower, 3 as it is.
UString ApplyLetterCase(UStringView text, uint8_t letter_case);

// " customised.dat" of a list type in the user's folder.
UString CustomisedHeadingsFileName(UStringView user_folder, TTessorineList list_type);
bool SaveHeadingsToStream(TStream& s, TTessorineList list_type, const TGrid_header_array& heads);
// False (heads untouched, message naming the file and what was wrong) for a damaged file.
bool ReadHeadingsFromStream(TStream& s, TTessorineList list_type, TGrid_header_array& heads, UString& message);
bool SaveHeadingsAsCustomised(UStringView file_name, TTessorineList list_type, const TGrid_header_array& heads,
                              UString* error = nullptr);
bool ReadCustomisedHeadings(UStringView file_name, TTessorineList list_type, TGrid_header_array& heads,
                            UString& message);
// Lays a saved layout over the list's: own columns take the saved records in the saved order
// (their column numbers kept); own columns the file lacks follow in their order; records of
// added columns in the file are answered in added (the caller re-adds what it can).
void MergeCustomisedHeadings(TVXBaseDataClass& list, const TGrid_header_array& saved, TGrid_header_array& added);

// A number as typed: "." or "," as the decimal point, an optional sign and exponent. False for
// anything else (blank included).
bool ParseDecimalNumber(UStringView text, double& value);
