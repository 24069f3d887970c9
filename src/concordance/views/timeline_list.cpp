#include "concordance/views/timeline_list.h"

#include <algorithm>
#include <limits>

#include "concordance/views/derived_list_support.h"
#include "model/export/export_cells.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/text/text_services.h"

// --- rows -------------------------------------------------------------------------------------

void TTimeLineEntry::Clear() {
  rec.head = TTimeLineDataHead{};
  rec.segments.clear();
}

bool TTimeLineEntry::SaveToStream(TStream& s) {
  TTimeLineDataHead head = rec.head;
  head.segments = static_cast<int32_t>(rec.segments.size());
  if (!WriteI32(s, head.segments) || !WriteValue(s, head) || !WriteAString(s, rec.label)) return false;
  return s.WriteExact(rec.segments.data(), static_cast<int64_t>(rec.segments.size()) * 8);
}

bool TTimeLineEntry::ReadFromStream(TStream& s) {
  Clear();
  rec.label.clear();
  int32_t n = 0;
  if (!ReadI32(s, n) || !ReadValue(s, rec.head) || !ReadAString(s, rec.label)) return false;
  if (n < 0 || int64_t{n} * 8 > s.BytesLeft()) return false;
  rec.segments.resize(static_cast<size_t>(n));
  if (!s.ReadExact(rec.segments.data(), int64_t{n} * 8)) return false;
  // The headings and the cell walk the segments read, whatever the record said.
  rec.head.segments = n;
  return true;
}

std::vector<UString> TimeLineDataDateHeaders(const TTimeLineDataRec& rec) {
  std::vector<UString> out;
  out.reserve(rec.segments.size());
  for (size_t k = 0; k < rec.segments.size(); ++k)
    out.push_back(JulianDateStrFromTimelineData(rec.head.basis, rec.head.first_date, static_cast<int32_t>(k + 1)));
  return out;
}

// --- the list ---------------------------------------------------------------------------------

TTimelineList::TTimelineList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner)
    : TConcordanceDerivedList(holder, owner, &MakeEntry, 0, kListTimeline), overall(nullptr, holder) {
  SetHeadings(CopyOfBaseHeadings(kListTimeline));
  overall.rec.head.overall = 1;
  SetSortSettingsToDefault(true);
}

TVXBaseListObject* TTimelineList::MakeEntry(TVXBaseDataClass& list) {
  return new TTimeLineEntry(&list, list.Holder());
}

TTimeLineEntry* TTimelineList::Row(int i) const { return dynamic_cast<TTimeLineEntry*>(Get(i)); }

TTimeLineDataRec TTimelineList::TimeLineData(int i) const {
  TTimeLineDataRec r;
  if (Count() < 2) {
    if (const TTimeLineEntry* e = Row(i)) {
      r = e->rec;
      if (i == 0) r.head.overall = 1;
    }
    return r;
  }
  if (i == 0) {
    r = overall.rec;
    r.head.overall = 1;
  } else if (const TTimeLineEntry* e = Row(i - 1)) {
    r = e->rec;
    r.head.overall = 0;
  }
  return r;
}

void TTimelineList::SetTimeBasis(TTimeLinePlotbase basis) {
  overall.rec.head.basis = basis;
  for (int i = 0; i < Count(); ++i)
    if (TTimeLineEntry* e = Row(i)) e->rec.head.basis = basis;
}

namespace {

float DispersionOfSegments(const TTimeLineDataRec& rec) {
  // How hits spread over periods means nothing with fewer than two periods: no value.
  if (rec.segments.size() < 2) return std::numeric_limits<float>::quiet_NaN();
  std::vector<int32_t> hits;
  hits.reserve(rec.segments.size());
  for (const THitsAndWordCounts& s : rec.segments) hits.push_back(s.hits);
  return static_cast<float>(DispersionValue(hits));
}

}  // namespace

void TTimelineList::ComputeDispersion() {
  for (int i = 0; i < Count(); ++i)
    if (TTimeLineEntry* e = Row(i)) e->rec.head.dispersion = DispersionOfSegments(e->rec);
  overall.rec.head.dispersion = DispersionOfSegments(overall.rec);
}

std::vector<UString> TTimelineList::TimeLineDataDateHeaders() {
  return ::TimeLineDataDateHeaders(Count() >= 2 ? overall.rec : TimeLineData(0));
}

UString TTimelineList::TimeLineDataStringForLemmaShower(int column, int row) const {
  if (column != 6) return UString();
  const TTimeLineDataRec r = TimeLineData(row);
  const std::vector<UString> dates = ::TimeLineDataDateHeaders(r);
  UString out = r.label;
  for (size_t k = 0; k < r.segments.size(); ++k) {
    out += u'\t';
    out += VXResFmt(TVXRes::VXDateSegmentHitsWordCount,
                    {dates[k], IntToUStr(r.segments[k].hits), IntToUStr(r.segments[k].words)});
  }
  return out;
}

UString TTimelineList::TimelineSpanText() const {
  // Before it is computed, and when nothing could be dated, there are no periods to name (a
  // record of zeros would read as the year -4713).
  if (Count() == 0) return u"not computed: Compute > Timeline";
  const TTimeLineDataRec r = TimeLineData(0);
  const UString basis = TimeLinePlotbaseStr(r.head.basis);
  if (r.segments.empty()) return u"no text is dated";
  if (r.segments.size() == 1) return u"one " + basis + u": " + ::TimeLineDataDateHeaders(r).front();
  // Dates within one year name the year in the heading.
  if (r.head.last_date - r.head.first_date >= kApproxDaysPerYear) return basis;
  return IntToUStr(YearOfJulian(r.head.last_date)) + u") (" + basis;
}

void TTimelineList::TopRowDataRec(int col, TGrid_data_rec& cell) {
  TConcordanceDerivedList::TopRowDataRec(col, cell);
  if (col != 6) return;
  cell.text += u" (" + TimelineSpanText() + u")";
  if (Count() > 0) cell.str_value = TimeLineData(0).label;
  cell.has_text = true;
}

void TTimelineList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  // The overall row on top puts one grid row more than there are entries: every row is numbered.
  if (row > 0 && col == 0 && row <= TotalRowCount()) {
    ResetGridDataRec(cell);
    LeftmostColumnDataRec(row, cell);
    return;
  }
  if (row <= 0 || col == 0) {
    TConcordanceDerivedList::DrawgridDataRec(col, row, cell, kind_of_display);
    // The plot column's heading names its periods too, for text that spreads them over columns.
    if (row == 0 && col == 6) {
      cell.export_kind = kExportKindTimeLine;
      cell.timeline_date_headings = TimeLineDataDateHeaders();
    }
    return;
  }
  cell = TGrid_data_rec();
  cell.col = col;
  cell.row = row;
  if (row > TotalRowCount()) return;
  const TTimeLineDataRec r = TimeLineData(row - 1);
  if (col == 1) {
    cell.text = r.label;
    cell.has_text = true;
  } else if (col == 6) {
    cell.kind = kCellTimeline;
    cell.export_kind = kExportKindTimeLine;
    cell.int_value = static_cast<int32_t>(r.segments.size());
    cell.str_value = r.label;
    cell.date = r.head.first_date;
    for (const THitsAndWordCounts& s : r.segments) cell.timeline_segments.push_back({s.hits, s.words});
    cell.timeline_date_headings = ::TimeLineDataDateHeaders(r);
    // In this order: the workbook's time-line sheet takes the words and hits from here.
    cell.ints = {r.head.basis, r.head.words, r.head.hits, r.head.highest_hits, r.head.highest_words};
  } else {
    NumericalData(col, row - 1, cell.number);
    cell.has_number = cell.number.value != kMissingValue;
  }
}

void TTimelineList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TConcordanceDerivedList::NumericalData(column, index, result);
  if (index < 0 || index >= TotalRowCount()) return;
  const TTimeLineDataRec r = TimeLineData(index);
  switch (column) {
    case 0: result.value = static_cast<float>(index + 1); break;
    case 2: result.value = static_cast<float>(r.head.words); break;
    case 3: result.value = static_cast<float>(r.head.hits); break;
    case 4:
      result.kind = 1;
      result.is_real = true;
      result.caption = VXRes(TVXRes::VXTokens);
      result.value = r.head.per_thousand;
      break;
    case 5:
      result.kind = 1;
      result.is_real = true;
      result.value = r.head.dispersion;
      break;
    default: break;
  }
}

int32_t TTimelineList::HeaderColumnToSortNeeded(int level, int column) {
  switch (column) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    case 5: return 4;
    default: return column >= 6 ? 5 : TConcordanceDerivedList::HeaderColumnToSortNeeded(level, column);
  }
}

void TTimelineList::Set1Sort(int level, int32_t key) {
  TConcordanceDerivedList::Set1Sort(level, key);
  SetSortComparer(level, &Compare);
}

void TTimelineList::SetSortSettingsToDefault(bool clearing) {
  Set1Sort(0, 0);
  Set1Sort(1, 2);
  if (clearing) {
    SetSortAscending(0, true);
    SetSortAscending(1, false);
  }
}

int TTimelineList::Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  auto& self = static_cast<TTimelineList&>(list);
  const auto* a = dynamic_cast<TTimeLineEntry*>(&e);
  const auto* b = dynamic_cast<TTimeLineEntry*>(self.SortPivot(level));
  if (!a || !b) return 0;
  const TTimeLineDataHead &x = a->rec.head, &y = b->rec.head;
  switch (self.SortLevel(level).key) {
    case 0: return CompareStringsLocale(self.SortLCID(), false, a->rec.label, b->rec.label);
    case 1: return CompareIntKeys(x.words, y.words);
    case 2: return CompareIntKeys(x.hits, y.hits);
    case 3: return CompareFloatKeys(x.per_thousand, y.per_thousand);
    case 4: return CompareFloatKeys(x.dispersion, y.dispersion);
    default: return 0;
  }
}

bool TTimelineList::SaveToStream(TStream& s) {
  return TConcordanceDerivedList::SaveToStream(s) && overall.SaveToStream(s);
}

bool TTimelineList::ReadFromStream(TStream& s) {
  overall.Clear();
  overall.rec.label.clear();
  if (!TConcordanceDerivedList::ReadFromStream(s) || !overall.ReadFromStream(s)) return false;
  overall.rec.head.overall = 1;
  return true;
}
