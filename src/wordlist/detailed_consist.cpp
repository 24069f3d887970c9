#include "wordlist/detailed_consist.h"

#include <algorithm>
#include <unordered_map>

#include "model/export/export_cells.h"
#include "model/lists/entry_values.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/row_texts.h"

namespace {

int Sign(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

}  // namespace

std::vector<UString> DetailedConsistencyHeadings() {
  return {u"N", VXRes(TVXRes::VXWord), VXRes(TVXRes::VXTotal), VXRes(TVXRes::VXConsistency), VXRes(TVXRes::VXLemmas),
          VXRes(TVXRes::VXSet)};
}

std::vector<UString> DetailedConsistencyRelationsHeadings() {
  return {u"N", u"List 1", VXRes(TVXRes::VXWords), u"List 2", VXRes(TVXRes::VXWords), u"Shared", u"Dice",
          VXRes(TVXRes::VXSet)};
}

// --- rows ----------------------------------------------------------------------------------------

TDetailedConsistencyEntry::TDetailedConsistencyEntry(TVXBaseDataClass* list, TDetailedConsistency_rec d)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr), data(std::move(d)) {}

float TDetailedConsistencyEntry::GetAValueAsSingle(int column) const { return ValueOfEntry(*this, column); }

UString TDetailedConsistencyEntry::GetAWordAsString(int column) const {
  if (column == 1) return data.word;
  return column == kDCColCategory ? GetCategory() : UString();
}

void TDetailedConsistencyEntry::SetAWordAsString(int column, UStringView text) {
  // The category is set in the column that shows it.
  if (column == kDCColCategory) SetCategoryString(text);
  if (column != 1) return;
  if (List()) List()->NoteChange();
  data.word = UString(text);
}

bool TDetailedConsistencyEntry::SaveToStream(TStream& s) {
  const auto* list = static_cast<const TDetailedConsistencyList*>(List());
  const size_t n = list ? static_cast<size_t>(list->NLists()) : data.per_list.size();
  // A row always writes the list's number of frequencies, so that the list reads back whole.
  std::vector<int32_t> per_list(n, 0);
  std::copy_n(data.per_list.begin(), std::min(n, data.per_list.size()), per_list.begin());
  return WriteI32(s, data.most_used) && WriteI32(s, data.lemma_freq) && WriteI32(s, data.texts) &&
         WriteI32(s, data.total) && s.WriteExact(per_list.data(), static_cast<int64_t>(4 * n)) &&
         WriteRowText(s, Holder(), data.word);
}

bool TDetailedConsistencyEntry::ReadFromStream(TStream& s) {
  ZeroTheDataRec();
  auto* list = static_cast<TDetailedConsistencyList*>(List());
  const int32_t n = list ? list->NLists() : 0;
  if (!ReadI32(s, data.most_used) || !ReadI32(s, data.lemma_freq) || !ReadI32(s, data.texts) ||
      !ReadI32(s, data.total))
    return false;
  if (int64_t{4} * n > s.BytesLeft()) return false;
  data.per_list.assign(static_cast<size_t>(n), 0);
  if (!s.ReadExact(data.per_list.data(), int64_t{4} * n)) return false;
  if (list)
    for (int32_t f : data.per_list) list->WidenFrequencyRange(f);
  if (data.most_used >= n) data.most_used = -1;
  return ReadRowText(s, Holder(), data.word);
}

TDetailedConsistencyRelationsEntry::TDetailedConsistencyRelationsEntry(TVXBaseDataClass* list, TInterFileRelation d)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr), dcr_data(std::move(d)) {}

float TDetailedConsistencyRelationsEntry::GetAValueAsSingle(int column) const { return ValueOfEntry(*this, column); }

UString TDetailedConsistencyRelationsEntry::GetAWordAsString(int column) const {
  if (column == 1) return dcr_data.name1;
  if (column == 3) return dcr_data.name2;
  return UString();
}

void TDetailedConsistencyRelationsEntry::SetAWordAsString(int column, UStringView text) {
  if (column != 1 && column != 3) return;
  if (List()) List()->NoteChange();
  (column == 1 ? dcr_data.name1 : dcr_data.name2) = UString(text);
}

bool TDetailedConsistencyRelationsEntry::SaveToStream(TStream& s) {
  return WriteF32(s, dcr_data.dice) && WriteI32(s, dcr_data.shared) && WriteI32(s, dcr_data.words1) &&
         WriteI32(s, dcr_data.words2) && WriteAString(s, dcr_data.name1) && WriteAString(s, dcr_data.name2);
}

bool TDetailedConsistencyRelationsEntry::ReadFromStream(TStream& s) {
  ZeroTheDataRec();
  return ReadF32(s, dcr_data.dice) && ReadI32(s, dcr_data.shared) && ReadI32(s, dcr_data.words1) &&
         ReadI32(s, dcr_data.words2) && ReadAString(s, dcr_data.name1) && ReadAString(s, dcr_data.name2);
}

// --- the relations list --------------------------------------------------------------------------

TDetailedConsistencyRelationsList::TDetailedConsistencyRelationsList(TVXBaseHolder* holder)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, 4, kListDetailedConsistency, 2) {
  SetHeadings(DetailedConsistencyRelationsHeadings());
  SetSortSettingsToDefault(true);
}

TVXBaseListObject* TDetailedConsistencyRelationsList::MakeEntry(TVXBaseDataClass& list) {
  return new TDetailedConsistencyRelationsEntry(&list);
}

// Kinds: 0 first name, 1 second name, 2 and 3 the word counts, 4 shared, 5 Dice.
void TDetailedConsistencyRelationsList::Set1Sort(int level, int32_t kind) {
  TLevelComparer base = nullptr;
  if (kind == 0) {
    TVXBaseLemmaMatchCapableList::Set1Sort(level, kSortAlphabetical);
    base = SortLevel(level).comparer;
  }
  TVXBaseLemmaMatchCapableList::Set1Sort(level, kind);
  if (kind == 0) SetSortComparer(level, base);
  else if (kind == 1) SetSortComparer(level, &CompareSecondNames);
  else if (kind >= 2 && kind <= 5) SetSortComparer(level, &CompareByNumber);
  else SetSortComparer(level, nullptr);
}

void TDetailedConsistencyRelationsList::SetSortSettingsToDefault(bool clearing) {
  TVXBaseLemmaMatchCapableList::SetSortSettingsToDefault(clearing);
  Set1Sort(0, 0);
  Set1Sort(1, 1);
  Set1Sort(2, kSortNone);
}

int32_t TDetailedConsistencyRelationsList::HeaderColumnToSortNeeded(int, int column) {
  switch (column) {
    case 3: return 1;
    case 2: return 2;
    case 4: return 3;
    case 5: return 4;
    case 6: return 5;
    default: return 0;
  }
}

void TDetailedConsistencyRelationsList::SetBase(TVXBaseListObject& entry, int level) {
  TVXBaseLemmaMatchCapableList::SetBase(entry, level);
  const int l = std::clamp(level, 0, 2);
  const auto& d = static_cast<const TDetailedConsistencyRelationsEntry&>(entry).dcr_data;
  switch (SortLevel(l).key) {
    case 1: pivot_[l].word = CollationSortKey(SortLCID(), SortLevel(l).case_sensitive, d.name2); break;
    case 2: pivot_[l].number = d.words1; break;
    case 3: pivot_[l].number = d.words2; break;
    case 4: pivot_[l].number = d.shared; break;
    case 5: pivot_[l].number = d.dice; break;
    default: break;
  }
}

int TDetailedConsistencyRelationsList::CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TDetailedConsistencyRelationsList&>(list);
  const auto& d = static_cast<const TDetailedConsistencyRelationsEntry&>(entry).dcr_data;
  double v = 0;
  switch (self.SortLevel(level).key) {
    case 2: v = d.words1; break;
    case 3: v = d.words2; break;
    case 4: v = d.shared; break;
    case 5: v = d.dice; break;
    default: break;
  }
  return Sign(v, self.pivot_[level].number);
}

int TDetailedConsistencyRelationsList::CompareSecondNames(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TDetailedConsistencyRelationsList&>(list);
  const auto& d = static_cast<const TDetailedConsistencyRelationsEntry&>(entry).dcr_data;
  return CompareWithCollatedPivot(self, level, d.name2, self.pivot_[level].word);
}

void TDetailedConsistencyRelationsList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  if (column == 0 || index < 0 || index >= Count() || !Get(index)) return;
  const TInterFileRelation& d = Row(index)->dcr_data;
  switch (column) {
    case 2: result.value = static_cast<float>(d.words1); break;
    case 4: result.value = static_cast<float>(d.words2); break;
    case 5: result.value = static_cast<float>(d.shared); break;
    case 6:
      result.kind = 1;
      result.is_real = true;
      result.value = d.dice;
      break;
    default: break;
  }
}

void TDetailedConsistencyRelationsList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row > 0 && (col == 2 || col >= 4)) {
    cell.text.clear();
    cell.has_text = false;
  }
}

// --- the list ------------------------------------------------------------------------------------

TDetailedConsistencyList::TDetailedConsistencyList(TVXBaseHolder* holder)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, 4, kListDetailedConsistency, 1),
      fDetailedConsistencyRelationsList(std::make_unique<TDetailedConsistencyRelationsList>(holder)) {
  DetConsistSettings.Clear();
  SetHeadings(DetailedConsistencyHeadings());
  SetSortSettingsToDefault(true);
}

TDetailedConsistencyList::~TDetailedConsistencyList() = default;

TVXBaseListObject* TDetailedConsistencyList::MakeEntry(TVXBaseDataClass& list) {
  return new TDetailedConsistencyEntry(&list);
}

void TDetailedConsistencyList::SetNLists(int32_t n) {
  fN = std::max(0, n);
  DetConsistSettings.SetNLists(fN);
  fDetailedConsistencyRelationsList->square_n = fN;
  RunningWordTotals.resize(static_cast<size_t>(fN), 0);
  Column_totals.assign(static_cast<size_t>(fN), 0);
  for (int32_t& k : current_dc_freqnum) k = std::clamp(k, 0, std::max(0, fN - 1));
}

int TDetailedConsistencyList::AddRow(TDetailedConsistency_rec d) {
  d.per_list.resize(static_cast<size_t>(fN), 0);
  for (int32_t f : d.per_list) WidenFrequencyRange(f);
  auto* e = new TDetailedConsistencyEntry(this, std::move(d));
  const int i = Add(e);
  if (i < 0) delete e;
  return i;
}

void TDetailedConsistencyList::FinalUpdate() {
  Column_totals.resize(static_cast<size_t>(fN), 0);
  for (int i = 0; i < Count(); ++i) {
    TDetailedConsistencyEntry* e = Row(i);
    if (!e) continue;
    TDetailedConsistency_rec& d = e->data;
    d.per_list.resize(static_cast<size_t>(fN), 0);
    int64_t total = 0;
    double best = 0;
    d.most_used = -1;
    for (int32_t l = 0; l < fN; ++l) {
      const int32_t f = d.per_list[static_cast<size_t>(l)];
      total += f;
      const int32_t column_total = Column_totals[static_cast<size_t>(l)];
      const double share = column_total > 0 ? f * 100.0 / column_total : static_cast<double>(f);
      if (f > 0 && (d.most_used < 0 || share > best)) {
        best = share;
        d.most_used = l;
      }
    }
    d.total = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
  }
}

void TDetailedConsistencyList::ComputeColumnTotals() {
  std::vector<int64_t> sums(static_cast<size_t>(fN), 0);
  for (int i = 0; i < Count(); ++i)
    if (const TDetailedConsistencyEntry* e = Row(i))
      for (size_t l = 0; l < sums.size() && l < e->data.per_list.size(); ++l) sums[l] += e->data.per_list[l];
  Column_totals.resize(sums.size());
  for (size_t l = 0; l < sums.size(); ++l) Column_totals[l] = static_cast<int32_t>(std::min<int64_t>(sums[l], INT32_MAX));
  has_col_totals = std::any_of(Column_totals.begin(), Column_totals.end(), [](int32_t t) { return t > 0; });
  FinalUpdate();
}

void TDetailedConsistencyList::SetHeadingsForLists(const std::vector<UString>& list_names) {
  std::vector<UString> h = DetailedConsistencyHeadings();
  h.insert(h.end(), list_names.begin(), list_names.end());
  SetHeadings(std::move(h));
}

// --- merging -------------------------------------------------------------------------------------

UString TDetailedConsistencyList::ListName(int32_t l) const {
  const size_t column = static_cast<size_t>(kDCFirstListColumn + l);
  return column < Headings().size() ? Headings()[column] : IntToUStr(l + 1);
}

int32_t TDetailedConsistencyList::WordsInList(int32_t l) const {
  for (int i = 0; i < fDetailedConsistencyRelationsList->Count(); ++i) {
    const TDetailedConsistencyRelationsEntry* r = fDetailedConsistencyRelationsList->Row(i);
    if (!r) continue;
    if (r->dcr_data.name1 == ListName(l)) return r->dcr_data.words1;
    if (r->dcr_data.name2 == ListName(l)) return r->dcr_data.words2;
  }
  // No relation names the list (it was compared alone): the rows it has words in.
  int32_t n = 0;
  for (int i = 0; i < Count(); ++i)
    if (Row(i) && size_t(l) < Row(i)->data.per_list.size() && Row(i)->data.per_list[size_t(l)] > 0) ++n;
  return n;
}

bool TDetailedConsistencyList::MergeWith(TVXBaseLemmaMatchCapableList* other_list) {
  auto* other = dynamic_cast<TDetailedConsistencyList*>(other_list);
  if (!other || other == this) return false;
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("merge");
  if (other->ListBusy() != kBusyNone) return other->RefuseWhileBusy("merge");
  if (int64_t{fN} + other->fN > kMaxDetailedConsistencyLists) return false;
  const int32_t n1 = fN, n2 = other->fN, n = n1 + n2;
  if (n2 == 0) return true;
  std::vector<UString> names;
  std::vector<int32_t> words;
  for (int32_t l = 0; l < n1; ++l) {
    names.push_back(ListName(l));
    words.push_back(WordsInList(l));
  }
  for (int32_t l = 0; l < n2; ++l) {
    names.push_back(other->ListName(l));
    words.push_back(other->WordsInList(l));
  }
  // The other's lists become columns n1 .. n - 1; a word both have is one row.
  std::unordered_map<UString, int> row_of;
  for (int i = 0; i < Count(); ++i)
    if (Row(i)) {
      Row(i)->data.per_list.resize(static_cast<size_t>(n), 0);
      row_of.emplace(Row(i)->data.word, i);
    }
  fN = n;
  for (int i = 0; i < other->Count(); ++i) {
    const TDetailedConsistencyEntry* e = other->Row(i);
    if (!e) continue;
    const TDetailedConsistency_rec& d = e->data;
    const auto found = row_of.find(d.word);
    if (found == row_of.end()) {
      TDetailedConsistency_rec added = d;
      added.per_list.assign(static_cast<size_t>(n), 0);
      std::copy_n(d.per_list.begin(), std::min<size_t>(d.per_list.size(), size_t(n2)), added.per_list.begin() + n1);
      const int row = AddRow(std::move(added));
      if (row >= 0) Row(row)->CopyCategoryFrom(*e);
      continue;
    }
    TDetailedConsistency_rec& here = Row(found->second)->data;
    for (size_t l = 0; l < d.per_list.size() && l < size_t(n2); ++l) here.per_list[size_t(n1) + l] = d.per_list[l];
    here.lemma_freq += d.lemma_freq;
    here.texts = here.texts < 0 || d.texts < 0 ? static_cast<int32_t>(kMissingValue) : here.texts + d.texts;
  }
  for (int i = 0; i < Count(); ++i)
    if (Row(i))
      for (int32_t f : Row(i)->data.per_list) WidenFrequencyRange(f);
  RunningWordTotals.resize(static_cast<size_t>(n1), 0);
  std::vector<int32_t> other_totals = other->RunningWordTotals;
  other_totals.resize(static_cast<size_t>(n2), 0);
  RunningWordTotals.insert(RunningWordTotals.end(), other_totals.begin(), other_totals.end());
  SetNLists(n);
  // Every pair of lists again, its shared words counted in the merged rows.
  TDetailedConsistencyRelationsList& relations = *fDetailedConsistencyRelationsList;
  relations.Clear();
  for (int32_t a = 0; a < n; ++a)
    for (int32_t b = a + 1; b < n; ++b) {
      TInterFileRelation r;
      for (int i = 0; i < Count(); ++i)
        if (Row(i) && Row(i)->data.per_list[size_t(a)] > 0 && Row(i)->data.per_list[size_t(b)] > 0) ++r.shared;
      r.words1 = words[size_t(a)];
      r.words2 = words[size_t(b)];
      r.name1 = names[size_t(a)];
      r.name2 = names[size_t(b)];
      r.dice = static_cast<float>(Dice_Coefficient(r.shared, r.words1, r.words2));
      auto* e = new TDetailedConsistencyRelationsEntry(&relations, std::move(r));
      if (relations.Add(e) < 0) delete e;
    }
  FinalUpdate();
  SetHeadingsForLists(names);
  other->Clear();
  other->SetNLists(0);
  other->Relations().Clear();
  if (Count() > 1) DoASort(3, 0, Count() - 1);
  return true;
}

// --- streams -------------------------------------------------------------------------------------

bool TDetailedConsistencyList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max({GetVersionNumber(), int32_t{11}, kDetailedConsistencyListVersion}));
  DetConsistSettings.SetNLists(fN);
  RunningWordTotals.resize(static_cast<size_t>(fN), 0);
  return WriteI32(s, fN) && TVXBaseLemmaMatchCapableList::SaveToStream(s) &&
         s.WriteExact(DetConsistSettings.bytes, sizeof DetConsistSettings.bytes) &&
         s.WriteExact(RunningWordTotals.data(), int64_t{4} * fN) && fDetailedConsistencyRelationsList->SaveToStream(s);
}

bool TDetailedConsistencyList::ReadFromStream(TStream& s) {
  int32_t n = 0;
  if (!ReadI32(s, n) || n < 0 || n > kMaxDetailedConsistencyLists) return false;
  SetNLists(n);
  if (!TVXBaseLemmaMatchCapableList::ReadFromStream(s)) return false;
  const int32_t version = GetVersionNumber();
  if (version > 10 && !s.ReadExact(DetConsistSettings.bytes, sizeof DetConsistSettings.bytes)) return false;
  DetConsistSettings.SetNLists(n);
  RunningWordTotals.assign(static_cast<size_t>(n), 0);
  if (version >= 22 && !s.ReadExact(RunningWordTotals.data(), int64_t{4} * n)) return false;
  Column_totals.assign(static_cast<size_t>(n), 0);
  FinalUpdate();
  if (version >= 10 && !fDetailedConsistencyRelationsList->ReadFromStream(s)) return false;
  fDetailedConsistencyRelationsList->square_n = n;
  return true;
}

// --- sorting -------------------------------------------------------------------------------------

void TDetailedConsistencyList::Set1Sort(int level, int32_t kind) {
  // Words, reversed words and length are the base's (keys worked out once per row); texts and
  // total are the row's own texts and frequency.
  const int32_t base_key = kind == kDCSortWords     ? kSortAlphabetical
                           : kind == kDCSortReverse ? kSortReverseAlphabetical
                           : kind == kDCSortLength  ? kSortWordLength
                           : kind == kDCSortTexts   ? kSortTexts
                           : kind == kDCSortTotal   ? kSortFrequency
                                                    : kSortNone;
  TLevelComparer base = nullptr;
  if (base_key != kSortNone) {
    TVXBaseLemmaMatchCapableList::Set1Sort(level, base_key);
    base = SortLevel(level).comparer;
  }
  TVXBaseLemmaMatchCapableList::Set1Sort(level, kind);
  if (base) SetSortComparer(level, base);
  else if (kind == kDCSortSet) SetSortComparer(level, &CompareCategories);
  else if (kind == kDCSortFirstCapital || kind == kDCSortListFrequency || kind == kDCSortLemmas)
    SetSortComparer(level, &CompareByNumber);
  else SetSortComparer(level, nullptr);
}

void TDetailedConsistencyList::SetThreeSorts(int32_t, int32_t main, int32_t second, int32_t third) {
  Set1Sort(0, main);
  Set1Sort(1, second);
  Set1Sort(2, third);
}

void TDetailedConsistencyList::SetSortSettingsToDefault(bool clearing) {
  TVXBaseLemmaMatchCapableList::SetSortSettingsToDefault(clearing);
  Set1Sort(0, kDCSortWords);
  Set1Sort(1, kSortNone);
  Set1Sort(2, kSortNone);
  SetSortsChanged(true);
}

void TDetailedConsistencyList::EnsureAlphabeticalAscendingSort() {
  SetSortSettingsToDefault(false);
  Set1Sort(0, kDCSortWords);
  SetSortAscending(0, true);
}

int32_t TDetailedConsistencyList::IntegerToDCSort(int column, int level) {
  switch (column) {
    case 0:
    case 1: return kDCSortWords;
    case 2: return kDCSortTotal;
    case 3: return kDCSortTexts;
    case 4: return kDCSortLemmas;
    case 5: return kDCSortSet;
    default: break;
  }
  const int list = column - kDCFirstListColumn;
  if (list >= 0 && list < fN) current_dc_freqnum[std::clamp(level, 0, 2)] = list;
  return kDCSortListFrequency;
}

int32_t TDetailedConsistencyList::HeaderColumnToSortNeeded(int level, int column) {
  return IntegerToDCSort(column, level) & 127;
}

double TDetailedConsistencyList::NumberKey(int level, const TDetailedConsistencyEntry& e) const {
  const int l = std::clamp(level, 0, 2);
  switch (SortLevel(l).key) {
    case kDCSortFirstCapital: return FirstLetterIsCaps(e.data.word) ? 1 : 0;
    case kDCSortListFrequency: {
      const size_t k = static_cast<size_t>(current_dc_freqnum[l]);
      return k < e.data.per_list.size() ? e.data.per_list[k] : 0;
    }
    case kDCSortLemmas: return e.JoinedCount();
    default: return 0;
  }
}

void TDetailedConsistencyList::SetBase(TVXBaseListObject& entry, int level) {
  TVXBaseLemmaMatchCapableList::SetBase(entry, level);
  const int l = std::clamp(level, 0, 2);
  if (SortLevel(l).comparer == &CompareByNumber)
    pivot_[l] = NumberKey(l, static_cast<const TDetailedConsistencyEntry&>(entry));
}

int TDetailedConsistencyList::CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TDetailedConsistencyList&>(list);
  return Sign(self.NumberKey(level, static_cast<const TDetailedConsistencyEntry&>(entry)), self.pivot_[level]);
}

// --- columns -------------------------------------------------------------------------------------

void TDetailedConsistencyList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  most_frequent = false;
  if (column == 0 || index < 0 || index >= Count() || !Get(index)) return;
  const TDetailedConsistency_rec& d = Row(index)->data;
  switch (column) {
    case 2: result.value = static_cast<float>(d.total); return;
    case 3: result.value = d.texts > 0 ? static_cast<float>(d.texts) : kMissingValue; return;
    case 4: result.value = static_cast<float>(d.lemma_freq + Get(index)->JoinedCount()); return;
    default: break;
  }
  const int list = column - kDCFirstListColumn;
  if (list < 0 || list >= fN || static_cast<size_t>(list) >= d.per_list.size()) return;
  const int32_t f = d.per_list[static_cast<size_t>(list)];
  most_frequent = list == d.most_used;
  result.value = static_cast<float>(f);
  const int display = ShareDisplayOf(GetDisplayWordsPerMillion());
  if (display == kShareDefault) return;
  const int32_t column_total = static_cast<size_t>(list) < Column_totals.size() ? Column_totals[static_cast<size_t>(list)] : 0;
  const int32_t running = static_cast<size_t>(list) < RunningWordTotals.size() ? RunningWordTotals[static_cast<size_t>(list)] : 0;
  result.kind = static_cast<uint8_t>(display == kSharePerMillion ? 3 : 2);
  result.part = f;
  result.total = column_total > 0 ? column_total : running;
  result.caption = VXRes(TVXRes::VXTokens);
  if (result.total > 0) {
    result.is_real = true;
    result.value = static_cast<float>(AsPercentOrPPMOfTotal(double(result.total), display, double(f)));
  }
  has_col_totals = column_total > 0;
}

void TDetailedConsistencyList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row == 0 || col < 2 || col == 5) return;
  cell.text.clear();
  cell.has_text = false;
  if (col >= kDCFirstListColumn && cell.has_number && cell.number.is_real && GetShouldColourPercentages()) {
    cell.has_colour = true;
    cell.colour = GetAPercentageColour(static_cast<int32_t>(cell.number.value + 0.5f));
  }
}

void TDetailedConsistencyList::CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) {
  const int list = column_kind - kDCFirstListColumn;
  if (list >= 0 && list < fN) {
    const int display = ShareDisplayOf(GetDisplayWordsPerMillion());
    if (display != kShareDefault) cell.text += u" " + ShareUnitText(display);
  } else {
    cell.text = TitleCasedString(cell.text);
  }
  cell.has_text = !cell.text.empty();
}

bool TDetailedConsistencyList::GetNextCloudDatum(TCloudDatum& datum) {
  datum = TCloudDatum();
  while (fCloudCursor < Count()) {
    const int i = fCloudCursor++;
    if (!Get(i)) continue;
    datum.word = Row(i)->data.word;
    datum.value = Row(i)->data.total;
    datum.index = i + 1;
    return true;
  }
  return false;
}
