#include "shell/grid_tools/set_categories.h"

#include <algorithm>

bool IsSetColumn(TVXBaseDataClass& list, int column) {
  if (column < 0) return false;
  if (column == list.PredefinedSetColumnNumber()) return true;
  const auto* added = list.AddedColumn(column);
  return added && added->set_column;
}

int SetColumnOfCommand(TVXBaseDataClass& list, int current_column) {
  if (IsSetColumn(list, current_column)) return current_column;
  list.RecomputeColumnSetnums();
  return list.ColumnSetnums().CurrentValue(-1);
}

bool CellEditableInTypingMode(TVXBaseDataClass& list, int column, int typing_mode) {
  if (typing_mode == kTypingModeSetCategories) return IsSetColumn(list, column);
  if (typing_mode == kTypingModeEditingData) return IsSetColumn(list, column) || list.CanEdit(column);
  return false;
}

UString CategoryOf(TVXBaseDataClass& list, int index, int column) {
  if (TVXBaseDataClass::IsAddedColumnNumber(column)) return list.AddedCellText(column, index);
  const TVXBaseListObject* e = list.Get(index);
  return e ? e->GetAWordAsString(column) : UString();
}

namespace {

bool WriteCategory(TVXBaseDataClass& list, int index, int column, UStringView text) {
  if (index < 0 || index >= list.Count()) return false;
  if (TVXBaseDataClass::IsAddedColumnNumber(column)) {
    list.SetAddedCellText(column, index, text);
  } else {
    TVXBaseListObject* e = list.Get(index);
    if (!e) return false;
    e->SetAWordAsString(column, text);
  }
  list.NoteChange();
  return true;
}

}  // namespace

bool WriteCell(TVXBaseDataClass& list, int index, int column, UStringView text, int typing_mode) {
  if (!CellEditableInTypingMode(list, column, typing_mode)) return false;
  return WriteCategory(list, index, column, text);
}

int SetCategoryOfEntries(TVXBaseDataClass& list, const std::vector<int>& indices, int column, UStringView category,
                         std::optional<uint32_t> colour) {
  if (!IsSetColumn(list, column)) return 0;
  int changed = 0;
  for (int i : indices) {
    if (!WriteCategory(list, i, column, category)) continue;
    if (colour) list.SetColourCategory(i, *colour);
    ++changed;
  }
  return changed;
}

int ClearCategories(TVXBaseDataClass& list, int column) {
  if (!IsSetColumn(list, column)) return 0;
  int cleared = 0;
  for (int i = 0; i < list.Count(); ++i) {
    if (CategoryOf(list, i, column).empty()) continue;
    WriteCategory(list, i, column, u"");
    ++cleared;
  }
  return cleared;
}

TCellPlace NextCategoryCell(const std::vector<int>& shown_set_columns, TCellPlace typed, int rows) {
  const auto at = std::find(shown_set_columns.begin(), shown_set_columns.end(), typed.column);
  if (at != shown_set_columns.end() && at + 1 != shown_set_columns.end()) return {typed.row, *(at + 1)};
  const int first = shown_set_columns.empty() ? typed.column : shown_set_columns.front();
  return {std::min(typed.row + 1, std::max(rows, typed.row)), first};
}
