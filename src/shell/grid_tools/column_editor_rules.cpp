#include "shell/grid_tools/column_editor_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void TColumnEditorModel::AssignDetails(TGrid_header_array* working, uint8_t units, double pixels_per_inch) {
  working_ = working;
  snapshot_ = working ? *working : TGrid_header_array();
  units_ = units;
  ppi_ = pixels_per_inch > 0 ? pixels_per_inch : 96;
  selected_.clear();
  item_index_ = -1;
}

void TColumnEditorModel::Select(std::vector<int> indices, int item_index) {
  const int n = working_ ? static_cast<int>(working_->size()) : 0;
  std::erase_if(indices, [n](int i) { return i < 0 || i >= n; });
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  selected_ = std::move(indices);
  item_index_ = item_index >= 0 && item_index < n ? item_index : -1;
}

std::vector<UString> TColumnEditorModel::HeadingItems() const {
  std::vector<UString> out;
  if (!working_) return out;
  for (const TGrid_head32& h : *working_) out.push_back(h.visible ? h.heading : u"( " + h.heading + u" )");
  return out;
}

std::vector<std::pair<UString, int>> TColumnEditorModel::CalculatorItems() const {
  std::vector<std::pair<UString, int>> out;
  if (!working_) return out;
  for (const TGrid_head32& h : *working_) {
    if (!h.numeric || h.column_number == 0) continue;
    out.emplace_back(h.IsComputed() ? u"#" + IntToUStr(h.column_number) : h.heading, h.column_number);
  }
  return out;
}

std::vector<UString> TColumnEditorModel::ThresholdItems(char16_t sep) {
  std::vector<UString> out;
  out.push_back(u"-999999" + UString(1, sep) + u"0");
  out.push_back(u"0" + UString(1, sep) + u"0");
  for (int k = 0; k <= 12; ++k) out.push_back(u"0" + UString(1, sep) + UString(static_cast<size_t>(k), u'0') + u"1");
  return out;
}

double TColumnEditorModel::WidthShown(const TGrid_head32& h) const {
  const double inches = std::fabs(h.width / ppi_);
  const double v = units_ == 0 ? inches : inches * kInchToCm;
  const double scale = units_ == 0 ? 100.0 : 10.0;
  return std::round(v * scale) / scale;
}

TColumnEditorControls TColumnEditorModel::Controls() const {
  TColumnEditorControls c;
  if (!working_ || item_index_ < 0) return c;
  const TGrid_head32& h = (*working_)[static_cast<size_t>(item_index_)];
  c.have_current = true;
  c.alignment_enabled = h.alignment < kAlignFixed || h.alignment == kAlignLeft2;
  c.move_enabled = selected_.size() == 1 && item_index_ > 0;
  c.case_enabled = h.case_allowed != 0;
  c.letter_case = h.letter_case;
  c.visible = h.visible;
  c.computed_buttons = h.IsComputed();
  c.width_shown = WidthShown(h);
  c.numeric = h.numeric;
  c.alignment = h.alignment;
  c.typeface = h.typeface;
  if (h.numeric) {
    c.decimals = h.decimals;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3g", static_cast<double>(h.threshold));
    c.threshold_text = Latin1ToUtf16(buf);
  }
  return c;
}

template <class F>
bool TColumnEditorModel::EachSelected(F f) {
  if (!working_) return false;
  bool changed = false;
  for (int i : selected_) {
    if (i < 0 || i >= static_cast<int>(working_->size())) continue;
    TGrid_head32& h = (*working_)[static_cast<size_t>(i)];
    const TGrid_head32 before = h;
    f(h);
    changed = changed || !(before == h);
  }
  return changed;
}

bool TColumnEditorModel::SetAlignment(uint8_t alignment) {
  return EachSelected([&](TGrid_head32& h) {
    if (h.alignment < kAlignFixed) h.alignment = alignment;
  });
}

bool TColumnEditorModel::SetTypeface(uint8_t bit, bool on) {
  return EachSelected([&](TGrid_head32& h) {
    if (on) h.typeface = static_cast<uint8_t>(h.typeface | bit);
    else h.typeface = static_cast<uint8_t>(h.typeface & ~bit);
  });
}

bool TColumnEditorModel::SetWidthShown(double value) {
  if (!std::isfinite(value) || value < 0) return false;
  const int32_t width = static_cast<int32_t>(std::lround(units_ == 0 ? value * ppi_ : value * ppi_ / kInchToCm));
  // A hidden column keeps its width.
  return EachSelected([&](TGrid_head32& h) {
    if (h.visible) h.width = width;
  });
}

bool TColumnEditorModel::SetDecimals(int32_t decimals) {
  const int32_t d = std::clamp(decimals, 0, kMaxColumnDecimals);
  return EachSelected([&](TGrid_head32& h) { h.decimals = d; });
}

bool TColumnEditorModel::SetThresholdText(UStringView text) {
  if (TrimU(text).empty()) return false;
  double v = 0;
  if (!ParseDecimalNumber(text, v)) return false;
  return EachSelected([&](TGrid_head32& h) { h.threshold = static_cast<float>(v); });
}

bool TColumnEditorModel::SetLetterCase(uint8_t letter_case) {
  if (letter_case > kCaseSource) return false;
  return EachSelected([&](TGrid_head32& h) {
    if (h.case_allowed) h.letter_case = letter_case;
  });
}

bool TColumnEditorModel::SetVisible(bool visible) {
  return EachSelected([&](TGrid_head32& h) { h.visible = visible; });
}

bool TColumnEditorModel::SetColour(int32_t colour, int32_t style_background) {
  const bool valid = colour >= 0 && colour <= 0xFFFFFF;
  return EachSelected([&](TGrid_head32& h) {
    if (!h.visible) return;
    h.background = colour;
    h.own_colour = valid && colour != style_background ? 1 : 0;
  });
}

bool TColumnEditorModel::SetVisibleAt(int index, bool visible) {
  if (!working_ || index < 0 || index >= static_cast<int>(working_->size())) return false;
  TGrid_head32& h = (*working_)[static_cast<size_t>(index)];
  if (h.visible == visible) return false;
  h.visible = visible;
  return true;
}

bool TColumnEditorModel::RenameHeading(int index, UStringView heading) {
  if (!working_ || index < 0 || index >= static_cast<int>(working_->size())) return false;
  TGrid_head32& h = (*working_)[static_cast<size_t>(index)];
  if (h.heading == heading) return false;
  h.heading = UString(heading);
  h.heading_edited = 1;
  return true;
}

bool TColumnEditorModel::Move(int step) {
  if (!working_ || selected_.size() != 1 || (step != -1 && step != 1)) return false;
  const int i = selected_.front();
  const int n = static_cast<int>(working_->size());
  if ((step < 0 && i < 1) || (step > 0 && i >= n - 1)) return false;
  ExchangeTwoHeadings(*working_, i, i + step);
  selected_ = {i + step};
  item_index_ = i + step;
  return true;
}

bool TColumnEditorModel::DeleteComputed(int index, UString& formula) {
  if (!working_ || index < 0 || index >= static_cast<int>(working_->size())) return false;
  if (!(*working_)[static_cast<size_t>(index)].IsComputed()) return false;
  formula = (*working_)[static_cast<size_t>(index)].heading;
  ExchangeTwoHeadings(*working_, index, static_cast<int>(working_->size()) - 1);
  working_->pop_back();
  selected_.clear();
  item_index_ = -1;
  return true;
}

bool TColumnEditorModel::Changed() const { return working_ && *working_ != snapshot_; }

void TColumnEditorModel::Restore() {
  if (!working_) return;
  *working_ = snapshot_;
  std::erase_if(selected_, [&](int i) { return i >= static_cast<int>(working_->size()); });
  if (item_index_ >= static_cast<int>(working_->size())) item_index_ = -1;
}

std::vector<std::pair<int, UString>> TColumnEditorModel::SetColumnsToDelete() const {
  std::vector<std::pair<int, UString>> out;
  if (!working_) return out;
  for (size_t i = 0; i < working_->size(); ++i)
    if ((*working_)[i].added && (*working_)[i].set_column) out.emplace_back(static_cast<int>(i), (*working_)[i].heading);
  return out;
}
