// Set columns and the cells a user may type into, without a window.
//
// A list's set columns are its own (PredefinedSetColumnNumber) and those added in the column
// editor; one of them is active (the menu's "active column"). A set column holds a category text
// per entry; the entry's colour category (ColourCategoryOf) is the category's colour when one
// was dragged onto the editor.
//
// Typing modes: 0 type-in (typing finds rows; no cell takes text), 1 set categories (the set
// columns take text), 2 editing data (the set columns and every column the list lets change,
// CanEdit). A written cell goes through the entry's SetAWordAsString, or the added column's
// texts.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/rtl/ustring.h"

inline constexpr int kTypingModeTypeIn = 0;
inline constexpr int kTypingModeSetCategories = 1;
inline constexpr int kTypingModeEditingData = 2;

bool IsSetColumn(TVXBaseDataClass& list, int column);
// The set column a command on the grid's current column means: that column when it is a set
// column, else the list's active one; -1 when the list has none.
int SetColumnOfCommand(TVXBaseDataClass& list, int current_column);
// Whether a cell of the column takes typed text in the typing mode.
bool CellEditableInTypingMode(TVXBaseDataClass& list, int column, int typing_mode);

// The category text of an entry (index from 0) in a set column.
UString CategoryOf(TVXBaseDataClass& list, int index, int column);
// Writes a cell the typing mode lets change: the set column's category, or the entry's word
// through SetAWordAsString. False, nothing written, for a column the mode keeps or an index
// outside the list.
bool WriteCell(TVXBaseDataClass& list, int index, int column, UStringView text, int typing_mode);

// Where the cursor goes after a category was typed into (row, set column): the next set column
// of the row in the order the grid shows them (shown_set_columns), else the first of them one row
// down; the row stays the last one at the end of the list.
struct TCellPlace {
  int row = 0;
  int column = 0;
  bool operator==(const TCellPlace&) const = default;
};
TCellPlace NextCategoryCell(const std::vector<int>& shown_set_columns, TCellPlace typed, int rows);

// Each entry (indices from 0) gets the category; with a colour (0x00BBGGRR) its colour category
// as well. Answers the entries changed.
int SetCategoryOfEntries(TVXBaseDataClass& list, const std::vector<int>& indices, int column, UStringView category,
                         std::optional<uint32_t> colour);
// Empties every category of the set column (the colour categories stay: they are the rows'
// colours); answers how many were not empty. Nothing happens for a column that is no set column.
int ClearCategories(TVXBaseDataClass& list, int column);
