#include "concordance/views/patterns_list.h"

#include <algorithm>

#include "concordance/lines/line_records.h"
#include "concordance/views/derived_list_support.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/list_headings.h"
#include "platform/text/text_services.h"

// --- rows -------------------------------------------------------------------------------------

UString TPatternEntry::GetAWordAsString(int column) const {
  const auto* list = dynamic_cast<const TPatternsList*>(List());
  const int span = list ? list->PatternColToSpan(column - 1) : kPatternFirstSpan + column - 1;
  const int k = span - kPatternFirstSpan;
  if (k < 0 || k >= kPatternPositions) return UString();
  return rec.ws[static_cast<size_t>(k)].value_or(UString());
}

void TPatternEntry::SetAWordAsString(int column, UStringView text) {
  const int k = column - kPatternFirstSpan;
  if (k < 0 || k >= kPatternPositions) return;
  rec.ws[static_cast<size_t>(k)] = UString(text);
}

bool TPatternEntry::SaveToStream(TStream& s) {
  if (!s.WriteExact(rec.freqs.data(), 4 * kPatternPositions)) return false;
  for (const std::optional<UString>& w : rec.ws)
    if (!WriteTextInWidth(s, Holder(), w)) return false;
  return WriteI32(s, rec.sw_number);
}

bool TPatternEntry::ReadFromStream(TStream& s) {
  const int32_t version = List() ? List()->GetVersionNumber() : kPatternListVersion;
  rec = TPatternEntryRec{};
  if (!s.ReadExact(rec.freqs.data(), 4 * kPatternPositions)) return false;
  for (size_t k = 0; k < rec.ws.size(); ++k) {
    if (!ReadTextInWidth(s, Holder(), rec.ws[k])) return false;
    if (List()) List()->WidenFrequencyRange(rec.freqs[k]);
  }
  return version < 11 || ReadI32(s, rec.sw_number);
}

// --- the list ---------------------------------------------------------------------------------

TPatternsList::TPatternsList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner)
    : TConcordanceDerivedList(holder, owner, &MakeEntry, 0, kListPatterns) {
  SetVersionNumber(kPatternListVersion);
  SetHeadings(CopyOfBaseHeadings(kListPatterns));
}

TVXBaseListObject* TPatternsList::MakeEntry(TVXBaseDataClass& list) {
  return new TPatternEntry(&list, list.Holder());
}

TPatternEntry* TPatternsList::Row(int i) const { return dynamic_cast<TPatternEntry*>(Get(i)); }

bool TPatternsList::PatternData(int i, TPatternEntryRec& out) const {
  const TPatternEntry* e = Row(i);
  out = e ? e->rec : TPatternEntryRec{};
  return e != nullptr;
}

int TPatternsList::PatternColToSpan(int n) const {
  if (n < 0 || n >= kPatternPositions) return 102;
  const bool rtl = right_to_left || (Owner() && IsRightToLeftLCID(static_cast<TLCID>(Owner()->LCID())));
  return rtl ? PatternColToSpanRightToLeft(n) : ::PatternColToSpan(n);
}

bool TPatternsList::GetOneCloudDatum(int index, TCloudDatum& datum) {
  datum = TCloudDatum();
  const TPatternEntry* e = Row(index);
  const int k = PatternColToSpan(cloud_column - 1) - kPatternFirstSpan;
  if (!e || k < 0 || k >= kPatternPositions) return false;
  datum.word = e->rec.ws[static_cast<size_t>(k)].value_or(UString());
  datum.value = e->rec.freqs[static_cast<size_t>(k)];
  datum.index = index + 1;
  return true;
}

bool TPatternsList::GetNextCloudDatum(TCloudDatum& datum) {
  const int row = fCloudCursor++;
  if (row < 0 || row >= Count()) {
    datum = TCloudDatum();
    return false;
  }
  return GetOneCloudDatum(row, datum);
}

void TPatternsList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TConcordanceDerivedList::NumericalData(column, index, result);
  if (column < 1 || column > kPatternPositions) return;
  const TPatternEntry* e = Row(index);
  const int k = PatternColToSpan(column - 1) - kPatternFirstSpan;
  if (!e || k < 0 || k >= kPatternPositions) return;
  const int32_t f = e->rec.freqs[static_cast<size_t>(k)];
  result.value = f > 0 ? static_cast<float>(f) : kMissingValue;
}

void TPatternsList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TConcordanceDerivedList::DrawgridDataRec(col, row, cell, kind_of_display);
  // An empty lower cell shows nothing, neither word nor number.
  if (row > 0 && col >= 1 && col <= kPatternPositions && !cell.has_text) cell.has_number = false;
}

bool TPatternsList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kPatternListVersion));
  return TConcordanceDerivedList::SaveToStream(s);
}
