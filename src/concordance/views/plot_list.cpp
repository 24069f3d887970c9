#include "concordance/views/plot_list.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "concordance/views/derived_list_support.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_resources.h"
#include "platform/text/text_services.h"

// --- rows -------------------------------------------------------------------------------------

void TConcordancePlotEntry::Clear() {
  plots.Clear();
  rec = TVersion21PlotEntryHead{};
}

bool TConcordancePlotEntry::SaveToStream(TStream& s) {
  return WriteValue(s, rec) && WriteAString(s, plot_filename) && WriteAString(s, plot_sw_string) &&
         plots.SaveToStream(s);
}

bool TConcordancePlotEntry::ReadFromStream(TStream& s) {
  const int32_t version = List() ? List()->GetVersionNumber() : kPlotListVersion;
  rec = TVersion21PlotEntryHead{};
  plot_filename.clear();
  plot_sw_string.clear();
  if (version < 15) {
    int32_t a = 0, b = 0, c = 0;
    if (!ReadI32(s, a) || !ReadI32(s, b) || !ReadI32(s, c)) return false;
    std::memcpy(&rec.dispersion_value, &a, 4);
    rec.hits = b;
    if (c >= 0) {
      rec.words_in_file = c;
      rec.plot_file_number = -1;
      rec.plot_search_word_number = -1;
    } else {
      if (c == INT32_MIN) return false;  // no word count has that magnitude
      rec.words_in_file = -c;
      if (!ReadI32(s, rec.plot_file_number) || !ReadI32(s, rec.plot_search_word_number)) return false;
    }
    rec.divisions = 8;
    if (version < 12) {
      std::string name;
      if (!ReadShortString(s, name)) return false;
      plot_filename = Latin1ToUtf16(name);
    } else if (!ReadAString(s, plot_filename)) {
      return false;
    }
    if (plot_filename == VXRes(TVXRes::VXOverall)) rec.IsOverallEntry = 1;
  } else {
    if (!ReadValue(s, rec) || !ReadAString(s, plot_filename)) return false;
    if (version >= 21 && !ReadAString(s, plot_sw_string)) return false;
  }
  if (!plots.ReadFromStream(s)) return false;
  // The plot data list carries its own scale and divisions (the overall row's scale is the
  // longest text, not its words); a list without them takes the row's.
  if (plots.Words() == 0) plots.SetWords(rec.words_in_file);
  if (plots.Divisions() == 0) plots.SetDivisions(rec.divisions);
  plots.SortByPosition();
  return true;
}

// --- the list ---------------------------------------------------------------------------------

TConcPlotList::TConcPlotList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner)
    : TConcordanceDerivedList(holder, owner, &MakeEntry, 0, kListPlot), overall(nullptr, holder) {
  SetVersionNumber(kPlotListVersion);
  SetHeadings(CopyOfBaseHeadings(kListPlot));
  overall.rec.IsOverallEntry = 1;
  SetSortSettingsToDefault(true);
}

TVXBaseListObject* TConcPlotList::MakeEntry(TVXBaseDataClass& list) {
  return new TConcordancePlotEntry(&list, list.Holder());
}

TConcordancePlotEntry* TConcPlotList::Row(int i) const { return dynamic_cast<TConcordancePlotEntry*>(Get(i)); }

const TConcordancePlotEntry* TConcPlotList::CPlotDatum(int row) const {
  if (show_overall) return row == 0 ? &overall : Row(row - 1);
  return Row(row);
}

UString TConcPlotList::FilenameWithSW(int i) const {
  const TConcordancePlotEntry* e = Row(i);
  if (!e) return UString();
  if (e->plot_sw_string.empty()) return e->plot_filename;
  return search_word_first ? e->plot_sw_string + u" " + e->plot_filename : e->plot_filename + u" " + e->plot_sw_string;
}

void TConcPlotList::RebuildOverall() {
  overall.Clear();
  overall.rec.IsOverallEntry = 1;
  overall.rec.plot_file_number = -1;
  overall.rec.plot_search_word_number = -1;
  total_words = 0;
  largest_words = 0;
  for (int i = 0; i < Count(); ++i)
    if (const TConcordancePlotEntry* e = Row(i)) {
      total_words += e->rec.words_in_file;
      largest_words = std::max(largest_words, int32_t{e->rec.words_in_file});
      overall.rec.hits += e->rec.hits;
    }
  overall.plots = TGeneralPlotDataList(largest_words, 8);
  for (int i = 0; i < Count(); ++i) {
    const TConcordancePlotEntry* e = Row(i);
    if (!e || e->rec.words_in_file <= 0) continue;
    const float scale = static_cast<float>(largest_words) / static_cast<float>(e->rec.words_in_file);
    for (const TV2GeneralPlotDataRec& p : e->plots.Plots())
      overall.plots.Add({static_cast<int32_t>(std::nearbyint(static_cast<float>(p.position) * scale)), p.context});
    overall.plots.SetDivisions(e->rec.divisions > 0 ? e->rec.divisions : 8);
  }
  overall.plots.SortByPosition();
  overall.rec.words_in_file = static_cast<int32_t>(std::min<int64_t>(total_words, INT32_MAX));
  overall.plot_filename = VXRes(TVXRes::VXOverall);
  overall.rec.dispersion_value = static_cast<float>(overall.plots.ComputedDispersion());
}

const TGeneralPlotDataList* TConcPlotList::NextGeneralPlotList(int step) {
  if (current_plot_row <= 0) current_plot_row = 1;
  int row = current_plot_row;
  int64_t index = int64_t{current_plot_index} + step;
  // Rows without hits (a stored list can hold them) are passed over in the step's direction.
  while (row >= 1 && row <= Count()) {
    const TConcordancePlotEntry* e = Row(row - 1);
    const int32_t n = e ? e->plots.Count() : 0;
    if (index >= 0 && index < n) {
      current_plot_row = row;
      current_plot_index = static_cast<int32_t>(index);
      return &e->plots;
    }
    if (index >= n) {
      ++row;
      index = 0;
    } else {
      --row;
      const TConcordancePlotEntry* prev = row >= 1 ? Row(row - 1) : nullptr;
      index = prev ? prev->plots.Count() - 1 : -1;
    }
  }
  return nullptr;
}

int32_t TConcPlotList::HeaderColumnToSortNeeded(int level, int column) {
  switch (column) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 4;
    case 5: return 3;
    case 6: return 6;
    default: return column > 6 ? 7 : TConcordanceDerivedList::HeaderColumnToSortNeeded(level, column);
  }
}

void TConcPlotList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TConcordanceDerivedList::NumericalData(column, index, result);
  const TConcordancePlotEntry* e = CPlotDatum(index);
  if (!e) return;
  switch (column) {
    case 0: result.value = static_cast<float>(index + 1); break;
    case 2: result.value = static_cast<float>(e->rec.words_in_file); break;
    case 3: result.value = static_cast<float>(e->rec.hits); break;
    case 4:
      result.kind = 1;
      result.is_real = true;
      result.caption = VXRes(TVXRes::VXTokens);
      result.value = e->rec.words_in_file > 0
                         ? static_cast<float>(double(e->rec.hits) * 1000.0 / e->rec.words_in_file)
                         : kMissingValue;
      break;
    case 5:
      result.kind = 1;
      result.is_real = true;
      result.value = e->rec.dispersion_value;
      break;
    default: break;
  }
}

void TConcPlotList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  // The overall row on top puts one grid row more than there are entries: every row is numbered.
  if (row > 0 && col == 0 && row <= TotalRowCount()) {
    ResetGridDataRec(cell);
    LeftmostColumnDataRec(row, cell);
    return;
  }
  if (row <= 0 || col == 0) {
    TConcordanceDerivedList::DrawgridDataRec(col, row, cell, kind_of_display);
    return;
  }
  cell = TGrid_data_rec();
  cell.col = col;
  cell.row = row;
  const TConcordancePlotEntry* e = CPlotDatum(row - 1);
  if (!e) return;
  if (col == 1) {
    cell.text = e->rec.IsOverallEntry ? e->plot_filename : FilenameWithSW(show_overall ? row - 2 : row - 1);
    cell.has_text = true;
  } else if (col == 6) {
    CopyPlotsToGridRec(cell, e->plots);
    cell.plot_scale = e->rec.IsOverallEntry ? overall.plots.Words() : e->rec.words_in_file;
    cell.plot_largest_words = largest_words;
    cell.plot_total_words = total_words;
  } else {
    NumericalData(col, row - 1, cell.number);
    cell.has_number = cell.number.value != kMissingValue || col == 4;
  }
}

bool TConcPlotList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kPlotListVersion));
  return TConcordanceDerivedList::SaveToStream(s) && overall.SaveToStream(s) &&
         s.WriteExact(plot_settings.data(), kPlotSettingsBytes);
}

bool TConcPlotList::ReadFromStream(TStream& s) {
  if (!TConcordanceDerivedList::ReadFromStream(s)) return false;
  const int32_t version = GetVersionNumber();
  if (version >= 16) {
    TConcordancePlotEntry row(this, Holder());
    if (!row.ReadFromStream(s)) return false;
    overall.rec = row.rec;
    overall.plot_filename = row.plot_filename;
    overall.plot_sw_string = row.plot_sw_string;
    overall.plots = row.plots;
    overall.rec.IsOverallEntry = 1;
  }
  if (version >= 22 && !s.ReadExact(plot_settings.data(), kPlotSettingsBytes)) return false;
  // A stored overall row is the computation's own (its words are the texts' words, which rows
  // of several search words over one text would count twice); only older lists rebuild it.
  if (version < 16 && Count() > 0) {
    RebuildOverall();
  } else {
    total_words = overall.rec.words_in_file;
    largest_words = overall.plots.Words();
  }
  // The overall row is shown only when the rows differ in text or search word.
  show_overall = false;
  for (int i = 1; i < Count(); ++i)
    if (Row(i)->rec.plot_file_number != Row(0)->rec.plot_file_number ||
        Row(i)->rec.plot_search_word_number != Row(0)->rec.plot_search_word_number)
      show_overall = true;
  return true;
}

void TConcPlotList::Set1Sort(int level, int32_t key) {
  TConcordanceDerivedList::Set1Sort(level, key);
  SetSortComparer(level, &Compare);
}

void TConcPlotList::SetSortSettingsToDefault(bool clearing) {
  Set1Sort(0, 0);
  Set1Sort(1, 2);
  if (clearing) {
    SetSortAscending(0, true);
    SetSortAscending(1, false);
  }
}

namespace {

// The place of the first or last hit as a percentage of the text; -1 without hits or words.
double PlaceKey(const TConcordancePlotEntry& e, bool last) {
  TV2GeneralPlotDataRec p;
  if (e.rec.words_in_file <= 0 || !(last ? e.plots.GetLastPlot(p) : e.plots.GetFirstPlot(p))) return -1.0;
  return double(p.position) * 100.0 / e.rec.words_in_file;
}

double PerThousandKey(const TConcordancePlotEntry& e) {
  return e.rec.words_in_file < 1 ? -1.0 : double(e.rec.hits) * 1000.0 / e.rec.words_in_file;
}

}  // namespace

int TConcPlotList::Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  auto& self = static_cast<TConcPlotList&>(list);
  const auto* a = dynamic_cast<TConcordancePlotEntry*>(&e);
  const auto* b = dynamic_cast<TConcordancePlotEntry*>(self.SortPivot(level));
  if (!a || !b) return 0;
  switch (self.SortLevel(level).key) {
    case 0: return CompareStringsLocale(self.SortLCID(), false, a->plot_filename + a->plot_sw_string,
                                        b->plot_filename + b->plot_sw_string);
    case 1: return CompareIntKeys(a->rec.words_in_file, b->rec.words_in_file);
    case 2: return CompareIntKeys(a->rec.hits, b->rec.hits);
    case 3: return CompareFloatKeys(a->rec.dispersion_value, b->rec.dispersion_value);
    case 4: return CompareFloatKeys(PerThousandKey(*a), PerThousandKey(*b));
    case 5: return CompareFloatKeys(PlaceKey(*a, false), PlaceKey(*b, false));
    case 6: return CompareFloatKeys(PlaceKey(*a, true), PlaceKey(*b, true));
    default: return 0;
  }
}

// --- plot cells and pointing --------------------------------------------------------------------

int32_t WordNumFromPlotPixelPosition(int32_t width, int32_t pixel, int32_t words) {
  if (width == 0) return 0;
  return static_cast<int32_t>(std::llround(double(pixel) * double(words) / std::fabs(double(width))));
}

bool NearestContextWord(const TGeneralPlotDataList& plots, int32_t span, int32_t position,
                        TV2GeneralPlotDataRec& found, int32_t& index) {
  const int64_t tolerance = span / 100;
  int64_t best = -1;
  index = -1;
  found = TV2GeneralPlotDataRec();
  for (int32_t i = 0; i < plots.Count(); ++i) {
    const TV2GeneralPlotDataRec& p = plots.Plots()[static_cast<size_t>(i)];
    if (p.position > position + tolerance) break;
    const int64_t d = std::llabs(int64_t{p.position} - position);
    if (d <= tolerance && (best < 0 || d < best)) {
      best = d;
      index = i;
      found = p;
    }
  }
  return index >= 0;
}

void CopyPlotsToGridRec(TGrid_data_rec& cell, const TGeneralPlotDataList& plots) {
  cell.kind = kCellPlot;
  cell.export_kind = 2;
  // The cell refers to the row's hits: a row may hold every hit of a frequent word.
  cell.plot_hits = plots;
  cell.int_value = plots.Count();
  cell.plot_divisions = plots.Divisions();
}
