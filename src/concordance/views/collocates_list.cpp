#include "concordance/views/collocates_list.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "concordance/views/derived_list_support.h"
#include "concordance/lines/line_records.h"
#include "platform/rtl/streams.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"

namespace {
// The number display chosen in the View menu, as a share display kind.
uint8_t CollocateNumberDisplay() { return static_cast<uint8_t>(ShareDisplayOf(GetDisplayWordsPerMillion())); }
}  // namespace

namespace {

constexpr int kStatBlockOffset = 8;


}  // namespace

// --- rows -------------------------------------------------------------------------------------

float TCollocateEntryRec32::Statistic(int k) const {
  if (k < 0 || k >= kCollocateStatCount) return 0.0f;
  float v;
  std::memcpy(&v, block.data() + kStatBlockOffset + 4 * k, 4);
  return v;
}

void TCollocateEntryRec32::SetStatistic(int k, float v) {
  if (k < 0 || k >= kCollocateStatCount) return;
  std::memcpy(block.data() + kStatBlockOffset + 4 * k, &v, 4);
}

void TCollocateEntry::ClearLemmaData() {
  rec.lemma_freqs.clear();
  rec.lemma = TCollocateLemmaBlock{};
}

UString TCollocateEntry::GetAWordAsString(int column) const {
  if (column == 1) return MainWordOnly();
  if (column == 2) return rec.search_word;
  if (List() && column == List()->PredefinedSetColumnNumber()) return GetCategory();
  return UString();
}

void TCollocateEntry::SetAWordAsString(int column, UStringView text) {
  if (List() && column == List()->PredefinedSetColumnNumber()) SetCategoryText(text);
}

bool TCollocateEntry::SaveToStream(TStream& s) {
  if (!WriteValue(s, rec.head) || !WriteValue(s, rec.lemma) || !s.WriteExact(rec.block.data(), 200)) return false;
  if (!WriteTextInWidth(s, Holder(), rec.word) || !WriteTextInWidth(s, Holder(), rec.prefix) ||
      !WriteTextInWidth(s, Holder(), rec.suffix) || !WriteAString(s, rec.search_word))
    return false;
  if (!WriteI32(s, static_cast<int32_t>(rec.freqs.size())) ||
      !s.WriteExact(rec.freqs.data(), static_cast<int64_t>(rec.freqs.size()) * 4))
    return false;
  return WriteI32(s, static_cast<int32_t>(rec.lemma_freqs.size())) &&
         s.WriteExact(rec.lemma_freqs.data(), static_cast<int64_t>(rec.lemma_freqs.size()) * 4);
}

namespace {

bool ReadIntArray(TStream& s, std::vector<int32_t>& out) {
  int32_t n = 0;
  if (!ReadCount(s, n, 4)) return false;
  out.resize(static_cast<size_t>(n));
  return s.ReadExact(out.data(), static_cast<int64_t>(n) * 4);
}

}  // namespace

bool TCollocateEntry::ReadFromStream(TStream& s) {
  auto* list = dynamic_cast<TCollocateList*>(List());
  const int32_t version = List() ? List()->GetVersionNumber() : kCollocateListVersion;
  const bool unicode = Holder() ? Holder()->Unicode() : true;
  rec = TCollocateEntryRec32{};
  TCollocateListDocument* doc = list ? list->Document() : nullptr;
  if (version < 11) {
    TOldCollocateRow old;
    if (!ReadOldCollocateRow(s, unicode, doc ? doc->OldRowLevel() : 2, old)) return false;
    rec.head = {old.old_value, old.highest_position_count, old.total, old.total_left, old.total_right, old.n_texts,
                old.sw_number};
    if (old.word_wide) rec.word = *old.word_wide;
    if (old.word_narrow)
      rec.word = DecodeCodePage(reinterpret_cast<const uint8_t*>(old.word_narrow->data()), old.word_narrow->size(),
                                Holder() ? Holder()->CodePage() : 1252);
    rec.freqs = std::move(old.freqs);
    rec.lemma_freqs = std::move(old.lemma_freqs);
  } else {
    if (!ReadValue(s, rec.head)) return false;
    if (version >= 13 && (!ReadValue(s, rec.lemma) || !s.ReadExact(rec.block.data(), 200))) return false;
    if (!ReadTextInWidth(s, Holder(), rec.word) || !ReadTextInWidth(s, Holder(), rec.prefix) ||
        !ReadTextInWidth(s, Holder(), rec.suffix))
      return false;
    if (version >= 12 && !ReadAString(s, rec.search_word)) return false;
    if (!ReadIntArray(s, rec.freqs)) return false;
    if (version >= 13 && !ReadIntArray(s, rec.lemma_freqs)) return false;
  }
  // Rows before the search word was stored take it from the search items; a number that names
  // no item leaves it empty.
  if (version < 12 && doc) rec.search_word = doc->SearchItemWord(rec.head.sw_number);
  if (list) {
    if (rec.head.old_value != 0.0f) {
      list->fsettings.saved_relations_computed_before21_04_16 = true;
      list->fsettings.saved_relationships_computed = true;
    }
    for (int k = 0; k < kCollocateStatCount; ++k)
      if (rec.Statistic(k) != 0.0f) list->fsettings.saved_relationships_computed = true;
    list->WidenFrequencyRange(rec.head.total);
  }
  return true;
}

// --- the list ---------------------------------------------------------------------------------

TCollocateList::TCollocateList(TVXBaseHolder* holder, TCollocateListDocument* document, T_WholeLinzoraHolder* owner)
    : TConcordanceDerivedList(holder, owner, &MakeEntry, 0, kListCollocates),
      document_(document ? document : &default_document_) {
  SetVersionNumber(kCollocateListVersion);
  SetHeadings(CopyOfBaseHeadings(kListCollocates, fsettings.setting_of_spans.left, fsettings.setting_of_spans.right));
  Set1Sort(0, kCollocateSortTotal);
  SetSortAscending(0, false);
}

TVXBaseListObject* TCollocateList::MakeEntry(TVXBaseDataClass& list) {
  return new TCollocateEntry(&list, list.Holder());
}

TCollocateEntry* TCollocateList::Row(int i) const { return dynamic_cast<TCollocateEntry*>(Get(i)); }

void TCollocateList::ComputeLeftAndRightSpan(int32_t left_words, int32_t right_words) {
  fsettings.setting_of_spans = CollocSpan(left_words, right_words);
}

int TCollocateList::ColToSpan(int column) const {
  const int k = column - kCollocateStandardColumns;
  if (k < 0 || k >= SpanLength()) return 102;
  return fsettings.setting_of_spans.left + k;
}

bool TCollocateList::CollocateData(int i, TCollocateEntryRec32& out) const {
  const TCollocateEntry* e = Row(i);
  if (!e) return false;
  out = e->rec;
  return true;
}

void TCollocateList::DoPostJoinOrUnjoiningOperation() {
  for (int i = 0; i < Count(); ++i)
    if (TCollocateEntry* e = Row(i)) e->ClearLemmaData();
  for (int i = 0; i < Count(); ++i) {
    TCollocateEntry* e = Row(i);
    if (!e || e->JoinedCount() == 0) continue;
    TCollocateEntryRec32& r = e->rec;
    r.lemma = {r.head.total, r.head.total_left, r.head.total_right, r.head.texts, 0};
    r.lemma_freqs = r.freqs;
    for (TVXBaseListObject* j : e->JoinedEntries()) {
      const auto* form = dynamic_cast<TCollocateEntry*>(j);
      if (!form) continue;
      const TCollocateEntryRec32& f = form->rec;
      r.lemma.total += f.head.total;
      r.lemma.left += f.head.total_left;
      r.lemma.right += f.head.total_right;
      r.lemma.texts += f.head.texts;
      if (f.freqs.size() > r.lemma_freqs.size()) r.lemma_freqs.resize(f.freqs.size(), 0);
      for (size_t k = 0; k < f.freqs.size(); ++k) r.lemma_freqs[k] += f.freqs[k];
    }
    for (int32_t v : r.lemma_freqs) r.lemma.highest = std::max(int32_t{r.lemma.highest}, v);
  }
}

int32_t TCollocateList::JoinLemmaPairs(const std::vector<std::pair<UString, UString>>& pairs, bool search_word_ignored) {
  // Rows by their word, case ignored, in row order: a pair costs two look-ups, not a walk.
  std::unordered_map<UString, std::vector<int>> rows_of;
  for (int i = 0; i < Count(); ++i)
    if (const TCollocateEntry* e = Row(i)) rows_of[FoldCaseU(e->MainWordOnly())].push_back(i);
  // A row's search word is what keys it: the search-word number and the search word as shown.
  auto same_search_word = [&](const TCollocateEntry& a, const TCollocateEntry& b) {
    return search_word_ignored || (a.rec.head.sw_number == b.rec.head.sw_number && a.rec.search_word == b.rec.search_word);
  };
  int32_t joins = 0;
  for (const auto& [head_word, form_word] : pairs) {
    const UString head_key = FoldCaseU(head_word), form_key = FoldCaseU(form_word);
    if (head_key == form_key) continue;
    const auto forms = rows_of.find(form_key);
    const auto heads = rows_of.find(head_key);
    if (forms == rows_of.end() || heads == rows_of.end()) continue;
    for (int f : forms->second) {
      TCollocateEntry* form = Row(f);
      if (!form || form->JoinedTo()) continue;
      for (int h : heads->second) {
        TCollocateEntry* head = Row(h);
        if (!head || head->JoinedTo() || !same_search_word(*head, *form)) continue;
        if (Join(h, f, false)) {
          ++joins;
          break;
        }
      }
    }
  }
  if (joins > 0) DoPostJoinOrUnjoiningOperation();
  return joins;
}

std::vector<UString> TCollocateList::LemmaListFromThisList() {
  std::vector<UString> lines = TVXBaseLemmaMatchCapableList::LemmaListFromThisList();
  for (int i = 0; i < Count(); ++i) {
    const TVXBaseListObject* e = Get(i);
    if (!e || e->JoinedTo()) continue;
    const std::vector<TVXBaseListObject*> forms = e->JoinedEntries();
    if (forms.empty()) continue;
    UString line = e->MainWordOnly() + u" -> ";
    for (size_t k = 0; k < forms.size(); ++k) line += (k ? u"," : u"") + forms[k]->MainWordOnly();
    lines.push_back(std::move(line));
  }
  return lines;
}

int32_t TCollocateList::CheckLemmas(bool) {
  if (ListBusy() != kBusyNone) {
    RefuseWhileBusy("apply the lemma list");
    return 0;
  }
  std::vector<std::pair<UString, UString>> pairs;
  TraverseLemmasDoing(
      current_tool_var,
      [](void* context, UStringView form, UStringView head, bool, int32_t, int32_t, bool, bool) {
        static_cast<std::vector<std::pair<UString, UString>>*>(context)->emplace_back(UString(head), UString(form));
      },
      &pairs);
  return JoinLemmaPairs(pairs, false);
}

void TCollocateList::RemoveStopWord(UStringView word, int32_t total, int32_t index, bool case_sensitive, bool, bool) {
  if (total > 0) DoProgressPercent(static_cast<int32_t>(int64_t{index} * 100 / total));
  // A word has a row per search word: every one of them goes.
  const TLCID lcid = SortLCID();
  auto matches = [&](int i) {
    const TCollocateEntry* e = Row(i);
    if (!e || GetDeleted(i)) return false;
    const UString w = e->MainWordOnly();
    return case_sensitive ? w == word : CompareStringsLocale(lcid, false, w, word) == 0;
  };
  auto remove = [&](int i) {
    ++stoplist_types;
    stoplist_tokens += Row(i)->MainWordFrequency();
    DeleteOne(i, true);
  };
  if (SortedAlphabetically()) {
    // Rows of one word stand together from the first found without case.
    for (int i = Find_WordStr(word, false); i >= 0 && i < Count(); ++i) {
      const TCollocateEntry* e = Row(i);
      if (!e || CompareStringsLocale(lcid, false, e->MainWordOnly(), word) != 0) break;
      if (matches(i)) remove(i);
    }
    return;
  }
  for (int i = 0; i < Count(); ++i)
    if (matches(i)) remove(i);
}

bool TCollocateList::CloudDataNeedsSorting() const { return SortLevel(0).key != kCollocateSortTotal; }

bool TCollocateList::GetNextCloudDatum(TCloudDatum& datum) {
  datum = TCloudDatum();
  const int row = fCloudCursor++;
  const TCollocateEntry* e = row >= 0 && row < Count() ? Row(row) : nullptr;
  if (!e) return false;
  datum.word = e->MainWordOnly();
  datum.index = row + 1;
  if (cloud_data_column <= 0) {
    datum.value = e->rec.head.total;
    return true;
  }
  // Another column's numbers, rounded (a missing value gives 0, which no cloud draws).
  TNumberDisplayAndSinglesRec n;
  NumericalData(cloud_data_column, row, n);
  datum.value = n.value == kMissingValue || !std::isfinite(n.value)
                    ? 0 : static_cast<int32_t>(std::clamp<double>(std::lround(n.value), INT32_MIN, INT32_MAX));
  return true;
}

int32_t TCollocateList::HeaderColumnToSortNeeded(int level, int column) {
  last_message.clear();
  if (column == 1) return 20;
  if (column == 2) return 2;
  if (column >= 3 && column <= 13) {
    if (fsettings.saved_relationships_computed) return column;
    last_message = u"Association values have not been computed for these collocates.";
    return TConcordanceDerivedList::HeaderColumnToSortNeeded(level, column);
  }
  if (column >= 14 && column <= 18) return column;
  if (column >= kCollocateStandardColumns + SpanLength()) return 14;  // a Set column
  if (column >= kCollocateStandardColumns) {
    fsettings.Current_CollocFreqnum = column - kCollocateStandardColumns;
    return kCollocateSortPosition;
  }
  return TConcordanceDerivedList::HeaderColumnToSortNeeded(level, column);
}

void TCollocateList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  NumericalDataOf(column, index, false, result);
}

void TCollocateList::NumericalDataOf(int column, int index, bool lemma, TNumberDisplayAndSinglesRec& result) {
  TConcordanceDerivedList::NumericalData(column, index, result);
  const TCollocateEntry* e = Row(index);
  if (!e) return;
  const TCollocateEntryRec32& r = e->rec;
  // The texts, totals and position counts are shown as the number display asks: the counts
  // themselves, or each as a share of its whole (a share of a whole of 0 has no value).
  const uint8_t display = CollocateNumberDisplay();
  auto count_or_share = [&](int64_t part, int64_t total) {
    result.part = part;
    result.total = total;
    if (display == kShareDefault) {
      result.kind = 0;
      result.is_real = false;
      result.value = static_cast<float>(part);
      return;
    }
    result.kind = 2;
    result.is_real = true;
    result.value = total > 0 ? static_cast<float>(AsPercentOrPPMOfTotal(static_cast<double>(total), display,
                                                                         static_cast<double>(part)))
                             : kMissingValue;
  };
  if (column == 0) {
    result.value = static_cast<float>(index + 1);
  } else if (column == 1 || column == 2 || column == 14) {
    result.value = 1;
  } else if (column >= 3 && column <= 13) {
    result.kind = 1;
    result.is_real = true;
    result.value = r.Statistic(column - 3);
  } else if (column >= 15 && column <= 18 && lemma) {
    const int32_t v[4] = {r.lemma.texts, r.lemma.total, r.lemma.left, r.lemma.right};
    result.value = static_cast<float>(v[column - 15]);
  } else if (column == 15) {
    count_or_share(r.head.texts, document_->SourceTextCount());
  } else if (column == 16) {
    count_or_share(r.head.total, document_->ConcordanceLineCount());
  } else if (column == 17 || column == 18) {
    count_or_share(column == 17 ? r.head.total_left : r.head.total_right, r.head.total);
  } else if (column >= kCollocateStandardColumns && column < kCollocateStandardColumns + SpanLength()) {
    // A stored row may be shorter than the list's span: a column on either side of its array
    // has no value.
    const std::vector<int32_t>& f = lemma ? r.lemma_freqs : r.freqs;
    const int64_t k = column - kCollocateStandardColumns;
    if (k < 0 || k >= static_cast<int64_t>(f.size())) {
      result.value = kMissingValue;
      return;
    }
    const int32_t v = f[static_cast<size_t>(k)];
    if (v == 0 && !(document_ && document_->ShowsZeroPositionCounts())) {
      result.value = -999998.0f;
      return;
    }
    count_or_share(v, lemma ? r.lemma.total : r.head.total);
    fsettings.current_most_frequent = v == (lemma ? r.lemma.highest : r.head.highest);
  }
}

bool TCollocateList::ColumnShowsCounts(int column) const {
  return (column >= 15 && column <= 18) ||
         (column >= kCollocateStandardColumns && column < kCollocateStandardColumns + SpanLength());
}

void TCollocateList::TopRowDataRec(int col, TGrid_data_rec& cell) {
  TConcordanceDerivedList::TopRowDataRec(col, cell);
  // The heading says what the cells hold: the counts, or their shares in the display's unit.
  const uint8_t display = CollocateNumberDisplay();
  if (display == kShareDefault || !ColumnShowsCounts(col) || cell.text.empty()) return;
  cell.text += u" " + ShareUnitText(display);
}

void TCollocateList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TConcordanceDerivedList::DrawgridDataRec(col, row, cell, kind_of_display);
  // Statistics not computed are hidden on every row, the headings too: exports then leave out
  // the whole column.
  if (col >= 3 && col <= 13 && !fsettings.saved_relationships_computed) cell.visible = false;
  if (row <= 0 || col == 0) return;
  // Word, search word and Set are texts: their placeholder value is no number to show.
  if (col == 1 || col == 2 || col == 14) {
    cell.has_number = false;
    return;
  }
  cell.has_number = cell.number.value != kMissingValue && cell.number.value != -999998.0f;
}

bool TCollocateList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kCollocateListVersion));
  return TConcordanceDerivedList::SaveToStream(s);
}

bool TCollocateList::ReadFromStream(TStream& s) {
  fsettings.saved_relationships_computed = false;
  fsettings.saved_relations_computed_before21_04_16 = false;
  if (!TConcordanceDerivedList::ReadFromStream(s)) return false;
  if (fsettings.saved_relations_computed_before21_04_16) {
    // An old single value goes to the slot of the measure the settings chose; a measure outside
    // the eleven (damaged settings) has no slot.
    const int32_t m = document_->ChosenAssociationMeasure();
    if (m >= 0 && m < kCollocateStatCount)
      for (int i = 0; i < Count(); ++i)
        if (TCollocateEntry* e = Row(i)) e->rec.SetStatistic(m, e->rec.head.old_value);
  }
  if (GetVersionNumber() < kCollocateListVersion) {
    std::vector<UString> h = Headings();
    EnsureMIHeadingsIncludeAllStats(h);
    SetHeadings(std::move(h));
  }
  return true;
}

void TCollocateList::Set1Sort(int level, int32_t key) {
  if (key == 0 || key == 20) {
    TConcordanceDerivedList::Set1Sort(level, kSortAlphabetical);
  } else if (key == 21) {
    TConcordanceDerivedList::Set1Sort(level, kSortFrequency);
  } else {
    TConcordanceDerivedList::Set1Sort(level, key);
    SetSortComparer(level, &Compare);
  }
}

void TCollocateList::SetSortSettingsToDefault(bool clearing) {
  Set1Sort(0, kCollocateSortTotal);
  Set1Sort(1, 0);
  if (clearing) {
    SetSortAscending(0, false);
    SetSortAscending(1, true);
  }
}

int TCollocateList::Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  auto& self = static_cast<TCollocateList&>(list);
  const auto* a = dynamic_cast<TCollocateEntry*>(&e);
  const auto* b = dynamic_cast<TCollocateEntry*>(self.SortPivot(level));
  if (!a || !b) return 0;
  const TCollocateEntryRec32& x = a->rec;
  const TCollocateEntryRec32& y = b->rec;
  const int32_t key = self.SortLevel(level).key;
  // Lemma values stand in for the row's own once lemma data is present.
  const bool lx = x.lemma.total != 0, ly = y.lemma.total != 0;
  switch (key) {
    case 1: {
      auto capital = [](const TCollocateEntryRec32& r) {
        const UString w = r.word.value_or(UString());
        return !w.empty() && (CharKindOf(w[0]) & C1_UPPER) != 0;
      };
      return CompareIntKeys(capital(x), capital(y));
    }
    case 2: return CompareStringsLocale(self.SortLCID(), false, x.search_word, y.search_word);
    case 15: return CompareIntKeys(lx ? x.lemma.texts : x.head.texts, ly ? y.lemma.texts : y.head.texts);
    case 16: return CompareIntKeys(lx ? x.lemma.total : x.head.total, ly ? y.lemma.total : y.head.total);
    case 17: return CompareIntKeys(lx ? x.lemma.left : x.head.total_left, ly ? y.lemma.left : y.head.total_left);
    case 18: return CompareIntKeys(lx ? x.lemma.right : x.head.total_right, ly ? y.lemma.right : y.head.total_right);
    case kCollocateSortPosition: {
      const int32_t k = self.fsettings.Current_CollocFreqnum;
      auto at = [k](const std::vector<int32_t>& f) {
        return k >= 0 && k < static_cast<int32_t>(f.size()) ? f[static_cast<size_t>(k)] : 0;
      };
      return CompareIntKeys(at(lx ? x.lemma_freqs : x.freqs), at(ly ? y.lemma_freqs : y.freqs));
    }
    default:
      if (key >= 3 && key <= 13) return CompareFloatKeys(x.Statistic(key - 3), y.Statistic(key - 3));
      return 0;
  }
}
