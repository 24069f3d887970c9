// The columns a user adds to a list: set columns (a category text per row) and computed columns
// (a number per row). Values belong to entries, not to row indices, so they follow their rows
// through sorts, deletions and zaps: each entry that has a value carries a slot number and every
// added column keeps one value per slot.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "model/lists/grid_headings.h"
#include "model/lists/result_list_base.h"

namespace {
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
}

TGrid_head32 TVXBaseDataClass::HeadingSettings(int column) const {
  TGrid_head32 h;
  const int i = HeadingIndexOfColumn(grid_headings, column);
  if (i >= 0) h = grid_headings[static_cast<size_t>(i)];
  else if (column >= 0 && column < static_cast<int>(heading_settings.size())) h = heading_settings[static_cast<size_t>(column)];
  if (h.decimals > kMaxColumnDecimals) h.decimals = kMaxColumnDecimals;
  return h;
}

int32_t TVXBaseDataClass::AddedSlotOf(int index, bool create) {
  TVXBaseListObject* e = Get(index);
  if (!e) return -1;
  int32_t slot = e->AddedSlot();
  if (slot < 0 && create) {
    slot = added_slots_++;
    e->SetAddedSlot(slot);
  }
  return slot;
}

int TVXBaseDataClass::AddSetColumn() {
  TAddedColumn c;
  c.column_number = next_added_column_++;
  c.set_column = true;
  added_.push_back(std::move(c));
  RecomputeColumnSetnums();
  return added_.back().column_number;
}

int TVXBaseDataClass::AddComputedColumn(UStringView formula, const std::vector<double>& values, bool cumulative) {
  TAddedColumn c;
  c.column_number = next_added_column_++;
  c.formula = UString(formula);
  c.cumulative = cumulative;
  added_.push_back(std::move(c));
  const int number = added_.back().column_number;
  SetComputedValues(number, values);
  return number;
}

bool TVXBaseDataClass::SetComputedValues(int column, const std::vector<double>& values) {
  auto it = std::find_if(added_.begin(), added_.end(), [&](const TAddedColumn& c) { return c.column_number == column; });
  if (it == added_.end() || it->set_column) return false;
  const int n = std::min(Count(), static_cast<int>(values.size()));
  // Slots first (they may grow the count), then one pass over the values.
  for (int i = 0; i < n; ++i) AddedSlotOf(i, true);
  it->values.assign(static_cast<size_t>(added_slots_), kNoValue);
  for (int i = 0; i < n; ++i) {
    const int32_t slot = entries_[static_cast<size_t>(i)] ? entries_[static_cast<size_t>(i)]->AddedSlot() : -1;
    if (slot >= 0) it->values[static_cast<size_t>(slot)] = values[static_cast<size_t>(i)];
  }
  return true;
}

bool TVXBaseDataClass::DeleteAddedColumn(int column) {
  auto it = std::find_if(added_.begin(), added_.end(), [&](const TAddedColumn& c) { return c.column_number == column; });
  if (it == added_.end()) return false;
  added_.erase(it);
  std::erase_if(grid_headings, [&](const TGrid_head32& h) { return h.column_number == column; });
  RecomputeColumnSetnums();
  return true;
}

const TVXBaseDataClass::TAddedColumn* TVXBaseDataClass::AddedColumn(int column) const {
  for (const TAddedColumn& c : added_)
    if (c.column_number == column) return &c;
  return nullptr;
}

bool TVXBaseDataClass::AddedColumnsHoldValues() const {
  for (const TAddedColumn& c : added_) {
    if (std::any_of(c.texts.begin(), c.texts.end(), [](const UString& t) { return !t.empty(); })) return true;
    if (std::any_of(c.values.begin(), c.values.end(), [](double v) { return !std::isnan(v); })) return true;
  }
  return false;
}

UString TVXBaseDataClass::AddedCellText(int column, int index) const {
  const TAddedColumn* c = AddedColumn(column);
  const TVXBaseListObject* e = Get(index);
  if (!c || !e || e->AddedSlot() < 0) return UString();
  const size_t slot = static_cast<size_t>(e->AddedSlot());
  return slot < c->texts.size() ? c->texts[slot] : UString();
}

double TVXBaseDataClass::AddedCellValue(int column, int index) const {
  const TAddedColumn* c = AddedColumn(column);
  const TVXBaseListObject* e = Get(index);
  if (!c || !e || e->AddedSlot() < 0) return kNoValue;
  const size_t slot = static_cast<size_t>(e->AddedSlot());
  return slot < c->values.size() ? c->values[slot] : kNoValue;
}

void TVXBaseDataClass::SetAddedCellText(int column, int index, UStringView text) {
  auto it = std::find_if(added_.begin(), added_.end(), [&](const TAddedColumn& c) { return c.column_number == column; });
  if (it == added_.end() || !it->set_column) return;
  const int32_t slot = AddedSlotOf(index, true);
  if (slot < 0) return;
  if (it->texts.size() <= static_cast<size_t>(slot)) it->texts.resize(static_cast<size_t>(slot) + 1);
  it->texts[static_cast<size_t>(slot)] = UString(text);
  NoteChange();
}

void TVXBaseDataClass::AddedColumnDataRec(int column, int row, TGrid_data_rec& cell) {
  ResetGridDataRec(cell);
  cell.col = column;
  cell.row = row;
  const int hi = HeadingIndexOfColumn(grid_headings, column);
  if (row == 0) {
    if (hi >= 0) cell.text = grid_headings[static_cast<size_t>(hi)].heading;
    cell.has_text = !cell.text.empty();
    return;
  }
  const int index = row - 1;
  const TVXBaseListObject* e = Get(index);
  const TAddedColumn* c = AddedColumn(column);
  if (!e || !c) return;
  cell.deleted = e->HasMark(kMarkDeleted);
  cell.matched = e->HasMark(kMarkMatched);
  if (c->set_column) {
    cell.text = AddedCellText(column, index);
    cell.has_text = true;
    return;
  }
  const double v = AddedCellValue(column, index);
  if (std::isnan(v)) return;
  cell.has_number = true;
  cell.number.value = static_cast<float>(v);
  cell.number.is_real = v != std::floor(v) || std::fabs(v) > 16777216.0;
  cell.export_kind = 1;
  cell.decimals = hi >= 0 ? grid_headings[static_cast<size_t>(hi)].decimals : 2;
}

void TVXBaseDataClass::AnyColumnDataRec(int column, int row, TGrid_data_rec& cell, int kind_of_display) {
  if (IsAddedColumnNumber(column)) AddedColumnDataRec(column, row, cell);
  else DrawgridDataRec(column, row, cell, kind_of_display);
}

void TVXBaseDataClass::CellTextForSearch(int column, int index, TGrid_data_rec& scratch, UString& out) {
  AnyColumnDataRec(column, index + 1, scratch, 0);
  out.clear();
  if (!scratch.has_text) return;
  // Into the caller's buffer: a search over a million rows makes no string of its own per row.
  out += scratch.prefix;
  out += scratch.text;
  out += scratch.suffix;
}

void TVXBaseDataClass::RecomputeColumnSetnums() {
  const int32_t active = setnums_.CurrentValue();
  setnums_.items.clear();
  if (PredefinedSetColumnNumber() >= 0) setnums_.items.push_back(PredefinedSetColumnNumber());
  for (const TAddedColumn& c : added_)
    if (c.set_column) setnums_.items.push_back(c.column_number);
  setnums_.current = -1;
  for (size_t i = 0; i < setnums_.items.size(); ++i)
    if (setnums_.items[i] == active) setnums_.current = static_cast<int32_t>(i);
  if (setnums_.current < 0 && !setnums_.items.empty()) setnums_.current = 0;
}

void TVXBaseDataClass::ReorderEntries(const std::vector<int>& order) {
  std::vector<TVXBaseListObject*> sorted(order.size());
  for (size_t i = 0; i < order.size(); ++i) sorted[i] = entries_[static_cast<size_t>(order[i])];
  entries_ = std::move(sorted);
  alpha_sorted_ = false;
  SetSortsChanged(true);
}

bool TVXBaseDataClass::SortOnAddedColumn(int column, bool ascending) {
  const TAddedColumn* c = AddedColumn(column);
  if (!c || busy_ != kBusyNone) return false;
  const int n = Count();
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  if (c->set_column) {
    std::vector<UString> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = UpperCaseU(AddedCellText(column, i));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return ascending ? keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)]
                       : keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)];
    });
  } else {
    std::vector<double> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = AddedCellValue(column, i);
    // Rows without a value go last either way.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const double x = keys[static_cast<size_t>(a)], y = keys[static_cast<size_t>(b)];
      if (std::isnan(x) || std::isnan(y)) return !std::isnan(x) && std::isnan(y);
      return ascending ? x < y : y < x;
    });
  }
  ReorderEntries(order);
  return true;
}

uint32_t TVXBaseDataClass::ColourCategoryOf(int index) const {
  const TVXBaseListObject* e = Get(index);
  if (!e || e->AddedSlot() < 0) return kNoColourCategory;
  const size_t slot = static_cast<size_t>(e->AddedSlot());
  return slot < colour_categories_.size() ? colour_categories_[slot] : kNoColourCategory;
}

void TVXBaseDataClass::SetColourCategory(int index, uint32_t colour) {
  const int32_t slot = AddedSlotOf(index, colour != kNoColourCategory);
  if (slot < 0) return;
  if (colour_categories_.size() <= static_cast<size_t>(slot))
    colour_categories_.resize(static_cast<size_t>(slot) + 1, kNoColourCategory);
  colour_categories_[static_cast<size_t>(slot)] = colour;
}

int TVXBaseDataClass::ClearColourCategoryColours() {
  const int n = static_cast<int>(std::count_if(colour_categories_.begin(), colour_categories_.end(),
                                               [](uint32_t c) { return c != kNoColourCategory; }));
  colour_categories_.clear();
  return n;
}

bool TVXBaseDataClass::SortOnColourCategory(const std::vector<uint32_t>& colour_order) {
  if (busy_ != kBusyNone) return false;
  const int n = Count();
  auto rank = [&](int i) {
    const uint32_t c = ColourCategoryOf(i);
    if (c == kNoColourCategory) return static_cast<int>(colour_order.size()) + 1;
    const auto it = std::find(colour_order.begin(), colour_order.end(), c);
    return it == colour_order.end() ? static_cast<int>(colour_order.size()) : static_cast<int>(it - colour_order.begin());
  };
  std::vector<int> ranks(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) ranks[static_cast<size_t>(i)] = rank(i);
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ranks[static_cast<size_t>(a)] < ranks[static_cast<size_t>(b)]; });
  ReorderEntries(order);
  return true;
}
