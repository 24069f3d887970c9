#include "wordlist/word_list.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <tuple>
#include <utility>

#include "model/reading/text_statistics.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/row_texts.h"

namespace {

constexpr int kLongListRows = 2048;

bool IsGappedCluster(const UString& w) {
  return w.find(u' ') != UString::npos && w.find(u'*') != UString::npos;
}

}  // namespace

UString WordlistSortKindName(int32_t kind) {
  static const TVXRes names[kWLSortKindCount] = {
      TVXRes::VXAlphabetical, TVXRes::VXCaseSensitive, TVXRes::VXReverseAlphabetical, TVXRes::VXWordLength,
      TVXRes::VXPrefix,       TVXRes::VXSuffix,        TVXRes::VXConsistency,         TVXRes::VXDispersion,
      TVXRes::VXSet,          TVXRes::VXLemmas,        TVXRes::VXComputed,            TVXRes::VXRelativeEntropy,
      TVXRes::VXNInCluster};
  if (kind < 0 || kind >= kWLSortKindCount) return UString();
  return VXRes(names[kind]);
}

std::vector<UString> WordListHeadings() {
  return {VXRes(TVXRes::VXN), u"Word", u"Freq.", u"%", VXRes(TVXRes::VXTextFiles), u"%",
          VXRes(TVXRes::VXDispersion), VXRes(TVXRes::VXLemmas), VXRes(TVXRes::VXSet)};
}

UString ShareHeadingForDisplay(UStringView heading) {
  size_t cut = heading.find(u'%');
  const size_t per = heading.find(u"per ");
  if (per != UStringView::npos && per < cut) cut = per;
  UString unit = ShareUnitText(ShareDisplayOf(GetDisplayWordsPerMillion()));
  if (unit.empty()) unit = u"%";  // shown as a percentage by default
  if (cut == UStringView::npos) return UString(heading);
  return UString(heading.substr(0, cut)) + unit;
}



TVXWordList::TVXWordList(TVXBaseHolder* holder, TTessorineList list_type)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, 6, list_type, 0) {
  StoredListInfo().SetHasDispersionData(list_type == kListWordlist);
  subtract_stoplist_wordlengths = GetStopListSettings(current_tool_var).AppliesToStatistics();
  SetSortSettingsToDefault(true);
}

TVXWordList::~TVXWordList() = default;

TVXBaseListObject* TVXWordList::MakeEntry(TVXBaseDataClass& list) { return new TWordlistEntry(&list); }

int TVXWordList::AddRow(const TWordlistData& d) { return AddRow(TWordlistData(d)); }

int TVXWordList::AddRow(TWordlistData&& d) {
  const bool affixes = !d.prefix.empty() || !d.suffix.empty();
  const int32_t frequency = d.frequency;
  auto* e = new TWordlistEntry(this, std::move(d));
  const int i = Add(e);
  if (i < 0) {
    delete e;
    return -1;
  }
  if (affixes) has_affixes_ = true;
  WidenFrequencyRange(frequency);
  return i;
}

// --- the frequency index ---------------------------------------------------------------------

namespace {

// Sorts distinct keys, largest first, eleven bits a round from the lowest; a round whose bits
// every key shares is passed over.
void RadixSortDescending(std::vector<uint64_t>& keys) {
  constexpr int kBits = 11;
  constexpr size_t kBuckets = size_t{1} << kBits;
  std::vector<uint64_t> other(keys.size());
  std::vector<size_t> at(kBuckets);
  for (int shift = 0; shift < 64; shift += kBits) {
    std::fill(at.begin(), at.end(), 0);
    // Complemented digits: the largest key's come first.
    for (const uint64_t k : keys) ++at[~k >> shift & (kBuckets - 1)];
    if (at[~keys[0] >> shift & (kBuckets - 1)] == keys.size()) continue;
    size_t sum = 0;
    for (size_t& a : at) sum += std::exchange(a, sum);
    for (const uint64_t k : keys) other[at[~k >> shift & (kBuckets - 1)]++] = k;
    keys.swap(other);
  }
}

}  // namespace

void TVXWordList::RebuildFrequencyIndex() {
  const int n = Count();
  const bool show = n > kLongListRows;
  if (show) {
    DoProgressPercent(0);
    DoProgressMessage(VXRes(TVXRes::VXFrequencyInput));
  }
  // One number a row, the frequency (an empty slot, taken out and not yet packed, as -1: last)
  // above the row number, so that larger frequencies come first and equal ones by descending row.
  freq_head_word_only_ = GetLemmaHeadWordFreqOnly();
  std::vector<uint64_t> keys(static_cast<size_t>(n));
  bool fits = true;
  for (int i = 0; i < n; ++i) {
    const int64_t f = Get(i) ? CountOf(i, !freq_head_word_only_) : -1;
    if (f + 1 < 0 || f + 1 > int64_t{UINT32_MAX}) fits = false;
    keys[static_cast<size_t>(i)] = (static_cast<uint64_t>(f + 1) << 32) | static_cast<uint32_t>(i);
  }
  if (show) DoProgressMessage(VXRes(TVXRes::VXFrequencySort));
  fFreqNums.assign(n, 0);
  if (fits) {
    if (n > 1) RadixSortDescending(keys);
    for (int k = 0; k < n; ++k) fFreqNums[k] = static_cast<int32_t>(keys[static_cast<size_t>(k)] & 0xFFFFFFFFu);
  } else {
    struct Pair {
      int64_t freq;
      int32_t row;
    };
    std::vector<Pair> pairs;
    pairs.reserve(n);
    for (int i = 0; i < n; ++i) pairs.push_back({Get(i) ? CountOf(i, !freq_head_word_only_) : -1, i});
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
      return a.freq != b.freq ? a.freq > b.freq : a.row > b.row;
    });
    for (int k = 0; k < n; ++k) fFreqNums[k] = pairs[k].row;
  }
  if (show) DoProgressMessage(VXRes(TVXRes::VXFrequencyOutput));
  freq_stale_ = false;
}

bool TVXWordList::FrequencyIndexStale() const {
  // A change of the head-word-only setting changes what every lemma is ranked by.
  return freq_stale_ || int(fFreqNums.size()) != Count() || freq_head_word_only_ != GetLemmaHeadWordFreqOnly();
}

const std::vector<int32_t>& TVXWordList::FreqNums() {
  if (FrequencyIndexStale()) RebuildFrequencyIndex();
  return fFreqNums;
}

void TVXWordList::AdjustEntryCount() { freq_stale_ = true; }

int TVXWordList::RowForDisplay(int index, int kind_of_display) {
  if (index < 0 || index >= Count()) return -1;
  return ConvertedForFrequency(index, kind_of_display);
}

int TVXWordList::ConvertedForFrequency(int index, int kind_of_display) const {
  if (kind_of_display != kDisplayByFrequency) return index;
  auto* self = const_cast<TVXWordList*>(this);
  const std::vector<int32_t>& f = self->FreqNums();
  return index >= 0 && index < int(f.size()) ? f[index] : index;
}

std::vector<int32_t> TVXWordList::ComputedRankOrdersOfWords() {
  const std::vector<int32_t>& f = FreqNums();
  const bool lemmas = !freq_head_word_only_;
  std::vector<int32_t> ranks(Count(), 0);
  int64_t last_freq = -1;
  int32_t rank = 0;
  for (size_t k = 0; k < f.size(); ++k) {
    const int row = f[k];
    const int64_t freq = Get(row) ? CountOf(row, lemmas) : -1;
    if (freq != last_freq) rank = static_cast<int32_t>(k + 1);
    last_freq = freq;
    ranks[row] = rank;
  }
  fRankOrders = ranks;
  return ranks;
}

bool TVXWordList::IndexIsPermutation() const {
  if (int(fFreqNums.size()) != Count()) return false;
  std::vector<uint8_t> seen(fFreqNums.size(), 0);
  for (int32_t r : fFreqNums) {
    if (r < 0 || r >= Count() || seen[r]) return false;
    seen[r] = 1;
  }
  return true;
}

// --- data accessors --------------------------------------------------------------------------

int32_t TVXWordList::ComputedCurrentTokens() const {
  int64_t sum = 0;
  for (int i = 0; i < Count(); ++i)
    if (Get(i)) sum += Row(i)->data.frequency;
  return static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX));
}

void TVXWordList::RecomputeTokens() {
  if (fStatsList) fStatsList->Overall_stats.data.running_words = ComputedCurrentTokens();
}

bool TVXWordList::BasedOnOneTextFile() const { return fStatsList && fStatsList->Count() == 1; }

int64_t TVXWordList::CountOf(int row, bool lemmas) const {
  const TWordlistData& d = Row(row)->data;
  return int64_t{d.frequency} + (lemmas && !IsGappedCluster(d.word) ? GetTotalJoinedFreq(row) : 0);
}

int32_t TVXWordList::CorrectFreq(int row, bool full_lemma_processing) const {
  if (row < 0 || row >= Count() || !Get(row)) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(CountOf(row, full_lemma_processing), INT32_MIN, INT32_MAX));
}

int32_t TVXWordList::RowFrequency(int row) const { return CorrectFreq(row, !GetLemmaHeadWordFreqOnly()); }

bool TVXWordList::WordlistData(bool by_frequency, int row, TWordlistData& d) {
  const int r = RowForDisplay(row, by_frequency ? kDisplayByFrequency : 0);
  if (r < 0 || !Get(r)) {
    d = TWordlistData();
    return false;
  }
  d = Row(r)->data;
  return true;
}

UString TVXWordList::CellText(int index, int column, int kind_of_display) {
  const int r = RowForDisplay(index, kind_of_display);
  return r >= 0 && Get(r) ? Row(r)->GetAWordAsString(column) : UString();
}

void TVXWordList::SetCellText(int index, int column, int kind_of_display, UStringView text) {
  const int r = RowForDisplay(index, kind_of_display);
  if (r < 0 || !Get(r)) return;
  int32_t typed = 0;
  if (column == kWLColFrequency && ParseRowInt(text, typed)) {
    // The number typed is the one the row is to show: a lemma's forms keep theirs, and its head
    // word takes the rest.
    const int64_t forms = int64_t{RowFrequency(r)} - Row(r)->data.frequency;
    Row(r)->SetAWordAsString(column, IntToUStr(std::clamp<int64_t>(typed - forms, INT32_MIN, INT32_MAX)));
  } else {
    Row(r)->SetAWordAsString(column, text);
  }
  if (column == kWLColFrequency) freq_stale_ = true;
}

void TVXWordList::MergeEqualWords(int first, int second) {
  if (first == second || first < 0 || second < 0 || first >= Count() || second >= Count()) return;
  if (!Get(first) || !Get(second)) return;
  fState |= kStateEntriesEdited;
  NoteChange();
  Row(second)->data.frequency += Row(first)->data.frequency;
  // The row's lemma goes with its frequency: its forms join the row that stays, a form that row
  // has already (the words compare equal) taking the other's frequency.
  const bool case_sensitive = OwnSettings().CaseSensitive();
  const TLCID lcid = SortLCID();
  MoveJoins(first, second, [case_sensitive, lcid](TVXBaseListObject& kept, TVXBaseListObject& form) {
    auto* k = dynamic_cast<TWordlistEntry*>(&kept);
    const auto* f = dynamic_cast<const TWordlistEntry*>(&form);
    if (!k || !f || k->data.prefix != f->data.prefix || k->data.suffix != f->data.suffix ||
        CompareStringsLocale(lcid, case_sensitive, k->data.word, f->data.word) != 0)
      return false;
    k->data.frequency += f->data.frequency;
    return true;
  });
  DeleteOne(first, true);
  freq_stale_ = true;
}

void TVXWordList::AddASpaceToWordNumber(int index) {
  if (index < 0 || index >= Count() || !Get(index)) return;
  Row(index)->SetAWordAsString(kWLColWord, Row(index)->data.word + u"\u200B");
}

void TVXWordList::DeleteAllTaggedWords(bool deleting_marked_words) {
  for (int i = 0; i < Count(); ++i) {
    if (!Get(i)) continue;
    const UString t = Row(i)->WordPlusAffixes();
    const bool tagged = t.find(u'<') != UString::npos && t.find(u'>') != UString::npos;
    DeleteOne(i, tagged ? deleting_marked_words : !deleting_marked_words);
    MyYieldProcess();
  }
}

void TVXWordList::AdjustStopListWordLengths(TVXBaseListObject& entry) {
  if (!subtract_stoplist_wordlengths) return;
  const int32_t len = entry.MainWordLength();
  if (len >= 0 && len < int32_t(stoplist_wordlengths.size())) stoplist_wordlengths[len] += entry.MainWordFrequency();
}

void TVXWordList::Remove(int index) {
  TVXBaseLemmaMatchCapableList::Remove(index);
  freq_stale_ = true;
}

// --- stream ----------------------------------------------------------------------------------

bool TVXWordList::SaveToStream(TStream& s) {
  const TWordlistIndexSettingsRec index_settings = GetWordlistIndexSettings();
  const bool drop_plain = index_settings.DropPlainClusters();
  const bool drop_starred = index_settings.DropStarredClusters();
  if (drop_plain || drop_starred) {
    for (int i = Count() - 1; i >= 0; --i) {
      if (!Get(i)) continue;
      const UString t = Row(i)->WordPlusAffixes();
      if (t.find(u' ') == UString::npos) continue;
      const bool starred = t.find(u'*') != UString::npos;
      if ((starred && drop_starred) || (!starred && drop_plain)) SetNotForSaving(i, true);
    }
  }
  SetVersionNumber(std::max(GetVersionNumber(), kWordListVersion));
  // The flags describe the rows written, so that a reader need not scan them again.
  TStoredListInfoRec& info = StoredListInfo().info;
  info.has_words = info.has_affixes = info.based_on_clusters = 0;
  for (int i = 0; i < Count(); ++i) {
    const TWordlistEntry* e = Row(i);
    if (!e) continue;
    if (!e->data.word.empty()) info.has_words = 1;
    if (!e->data.prefix.empty() || !e->data.suffix.empty()) info.has_affixes = 1;
    if (e->WordsInEntry() > 1) info.based_on_clusters = 1;
  }
  const std::vector<int32_t>& index = FreqNums();
  bool ok = WriteU8(s, 0) && WriteI32(s, static_cast<int32_t>(index.size()));
  if (ok && !index.empty()) ok = s.WriteExact(index.data(), int64_t(index.size()) * 4);
  return ok && TVXBaseLemmaMatchCapableList::SaveToStream(s);
}

void TVXWordList::NoteAffixesAndWords() {
  TStoredListInfoRec& info = StoredListInfo().info;
  has_affixes_ = false;
  if (GetVersionNumber() < kWordListVersion || (!info.has_affixes && !info.has_words)) {
    for (int i = 0; i < Count(); ++i) {
      TWordlistEntry* e = Row(i);
      if (!e) continue;
      if (!e->data.prefix.empty() || !e->data.suffix.empty()) {
        info.has_affixes = 1;
        break;
      }
      if (!info.based_on_clusters && e->WordsInEntry() > 1) info.based_on_clusters = 1;
      if (!e->data.word.empty()) info.has_words = 1;
    }
  }
  for (int i = 0; i < Count() && !has_affixes_; ++i)
    if (Row(i) && (!Row(i)->data.prefix.empty() || !Row(i)->data.suffix.empty())) has_affixes_ = true;
}

bool TVXWordList::ReadFromStream(TStream& s) {
  StoredListInfo().SetHasDispersionData(false);
  uint8_t spare = 0;
  int32_t n = 0;
  if (!ReadU8(s, spare) || !ReadCount(s, n, 4)) return false;
  std::vector<int32_t> index(n);
  if (n > 0 && !s.ReadExact(index.data(), int64_t(n) * 4)) return false;
  const int before = Count();
  if (!TVXBaseLemmaMatchCapableList::ReadFromStream(s)) return false;
  fFreqNums = std::move(index);
  if (before != 0 || !IndexIsPermutation()) {
    // The rows are the truth; an index that does not fit them is made again.
    DoAlphabeticalAscendingSort();
    RebuildFrequencyIndex();
  }
  // Even one that fits is made again before it is read: it ranks the rows as the list that saved
  // it counted them, and the rows show how this one counts them.
  freq_stale_ = true;
  if (!StoredListInfo().HasDispersionData()) StoredListInfo().info.some_data_fields_missing = 1;
  NoteAffixesAndWords();
  fState = 0;
  return true;
}

// --- sorting ---------------------------------------------------------------------------------

void TVXWordList::SetWordSortComparers() {
  // Word order with affixes compares prefixes and suffixes too; the base's faster word key
  // serves lists without them.
  for (int l = 0; l < 3; ++l)
    if (SortLevel(l).key == kWLSortWords) {
      const bool asc = SortLevel(l).ascending, cs = SortLevel(l).case_sensitive;
      Set1Sort(l, kWLSortWords);
      SetSortAscending(l, asc);
      SetSortCaseSensitive(l, cs);
    }
}

void TVXWordList::ShowSortProgress() {
  if (Count() <= kLongListRows) return;
  UString language;
  if (auto* doc = dynamic_cast<TTessorineholder*>(Holder())) language = doc->TextSettings().LanguageName();
  DoProgressMessage(VXRes(TVXRes::VXSort) + u": " + WordlistSortKindName(SortLevel(0).key) + u" (" + language + u")");
}

bool TVXWordList::DoASort(int levels, int first, int last) {
  SetWordSortComparers();
  ShowSortProgress();
  const bool ok = TVXBaseLemmaMatchCapableList::DoASort(levels, first, last);
  freq_stale_ = true;
  return ok;
}

bool TVXWordList::PrepareWordOrder() {
  if (SortLevel(0).key != kWLSortWords || has_affixes_ || ListBusy() != kBusyNone) return false;
  SetWordSortComparers();
  return SortsByWordKeys(0);
}

void TVXWordList::TakeWordOrder() {
  // A list of one row is never sorted, so it is never noted as sorted either.
  if (Count() < 2) return;
  ShowSortProgress();
  NoteSortedWhole();
  freq_stale_ = true;
}

void TVXWordList::Set1Sort(int level, int32_t kind) {
  TVXBaseLemmaMatchCapableList::Set1Sort(level, kind);
  switch (kind) {
    case kWLSortWords:
      if (has_affixes_) SetSortComparer(level, &CompareWords);
      break;
    case kWLSortSet: SetSortComparer(level, &CompareCategories); break;
    case kWLSortFirstCapital:
    case kWLSortLemmas:
    case kWLSortComputed:
    case kWLSortRelativeEntropy:
    case kWLSortWordsInEntry:
      SetSortComparer(level, &CompareByNumber);
      break;
    default: break;  // 2..7 are the base's
  }
}

void TVXWordList::SetSortSettingsToDefault(bool clearing) {
  TVXBaseLemmaMatchCapableList::SetSortSettingsToDefault(clearing);
  Set1Sort(0, kWLSortWords);
}

void TVXWordList::EnsureAlphabeticalAscendingSort() {
  Set1Sort(0, kWLSortWords);
  SetSortAscending(0, true);
}

double TVXWordList::NumberKey(int level, TWordlistEntry& e) {
  switch (SortLevel(level).key) {
    case kWLSortFirstCapital: return FirstLetterIsCaps(e.data.word) ? 1 : 0;
    case kWLSortLemmas: return e.JoinedCount();
    case kWLSortWordsInEntry: return e.WordsInEntry();
    case kWLSortRelativeEntropy: return RelativeEntropyOfForms(e);
    case kWLSortComputed: {
      // A row without a value sorts below every value.
      constexpr double kNone = -std::numeric_limits<double>::infinity();
      if (fChosenExtraColumn < 0) return kNone;
      if (const TAddedColumn* c = AddedColumn(fChosenExtraColumn)) {
        const int32_t slot = e.AddedSlot();
        const double v = slot >= 0 && size_t(slot) < c->values.size() ? c->values[size_t(slot)] : kNone;
        return std::isnan(v) ? kNone : v;
      }
      const int row = static_cast<int>(std::find(entries_.begin(), entries_.end(), &e) - entries_.begin());
      TNumberDisplayAndSinglesRec r;
      NumericalData(fChosenExtraColumn, row, r);
      return r.value == kMissingValue ? kNone : double(r.value);
    }
    default: return 0;
  }
}

void TVXWordList::SetBase(TVXBaseListObject& entry, int level) {
  TVXBaseLemmaMatchCapableList::SetBase(entry, level);
  const int l = std::clamp(level, 0, 2);
  auto& e = static_cast<TWordlistEntry&>(entry);
  const TLCID lcid = SortLCID();
  const bool cs = SortLevel(l).case_sensitive;
  TPivot& p = pivot_[l];
  if (SortLevel(l).comparer == &CompareWords) {
    p.word = CollationSortKey(lcid, cs, e.data.word);
    p.prefix = CollationSortKey(lcid, cs, e.data.prefix);
    p.suffix = CollationSortKey(lcid, cs, e.data.suffix);
  } else if (SortLevel(l).comparer == &CompareByNumber) {
    p.number = NumberKey(l, e);
  }
}

int TVXWordList::CompareWords(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TVXWordList&>(list);
  auto& e = static_cast<TWordlistEntry&>(entry);
  const TLCID lcid = self.SortLCID();
  const bool cs = self.SortLevel(level).case_sensitive;
  const TPivot& p = self.pivot_[level];
  int r = CollationSortKey(lcid, cs, e.data.word).compare(p.word);
  if (r == 0) r = CollationSortKey(lcid, cs, e.data.prefix).compare(p.prefix);
  if (r == 0) r = CollationSortKey(lcid, cs, e.data.suffix).compare(p.suffix);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int TVXWordList::CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TVXWordList&>(list);
  const double a = self.NumberKey(level, static_cast<TWordlistEntry&>(entry)), b = self.pivot_[level].number;
  return a < b ? -1 : (a > b ? 1 : 0);
}

int32_t TVXWordList::HeaderColumnToSortNeeded(int level, int column) {
  const int32_t base = TVXBaseLemmaMatchCapableList::HeaderColumnToSortNeeded(level, column);
  if (column == PredefinedSetColumnNumber()) return kWLSortSet;
  if (level == 0) {
    // A computed column the user added sorts by its values, and becomes the column they come from.
    const TAddedColumn* added = AddedColumn(column);
    if (added && !added->set_column) {
      fChosenExtraColumn = column;
      return kWLSortComputed;
    }
  }
  if (column == LemmaWordColumn()) return kWLSortLemmas;
  if (level == 0 && fRelativeEntropyColumn >= 0 && column == fRelativeEntropyColumn) return kWLSortRelativeEntropy;
  if (level > 0) return kWLSortWords;
  switch (column) {
    case 1:
      switch (fWordSortStyle) {
        case 1: return kWLSortReverse;
        case 2: return fMultiWordUnits ? kWLSortWordsInEntry : kWLSortLength;
        case 3: return kWLSortFirstCapital;
        case 4: return kWLSortPrefix;
        case 5: return kWLSortSuffix;
        default: return kWLSortWords;
      }
    case 4:
    case 5: return kWLSortTexts;
    case 6: return kWLSortDispersion;
    default: return base;
  }
}

int TVXWordList::Find_Word(UStringView word, UStringView prefix, UStringView suffix, bool case_sensitive) {
  const TLCID lcid = SortLCID();
  for (int i = 0; i < Count(); ++i) {
    TWordlistEntry* e = Row(i);
    if (!e || e->data.prefix != prefix || e->data.suffix != suffix) continue;
    if (case_sensitive ? e->data.word == word : CompareStringsLocale(lcid, false, e->data.word, word) == 0) return i;
  }
  return -1;
}

// --- columns ---------------------------------------------------------------------------------

void TVXWordList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  if (column == 0 || index < 0 || index >= Count() || !Get(index)) return;
  const TWordlistData& d = Row(index)->data;
  switch (column) {
    // The frequency, its share and the lemma's number are one number: the one the row ranks by.
    case 2:
    case 7: result.value = static_cast<float>(RowFrequency(index)); break;
    case 3: {
      const int64_t total = fStatsList ? fStatsList->Overall_stats.data.running_words : 0;
      const int32_t frequency = RowFrequency(index);
      if (total > 0) {
        result.kind = GetDisplayWordsPerMillion();
        result.caption = VXRes(TVXRes::VXTokens);
        result.part = frequency;
        result.total = total;
        result.is_real = true;
        result.value = static_cast<float>(AsPercentOrPPMOfTotal(double(total), result.kind, frequency));
      } else {
        result.value = static_cast<float>(frequency);
      }
      break;
    }
    case 4: result.value = NFilesCorrected(d.n_texts, BasedOnOneTextFile()); break;
    case 5: {
      result.kind = kSharePercent;
      result.value = NFilesCorrected(d.n_texts, BasedOnOneTextFile());
      const int texts = fStatsList ? fStatsList->Count() : 0;
      if (result.value != kMissingValue && texts >= 1) {
        result.caption = VXRes(TVXRes::VXTextFiles);
        result.part = d.n_texts;
        result.total = texts;
        result.is_real = true;
        result.value = static_cast<float>(AsPercentOrPPMOfTotal(texts, kSharePercent, result.value));
      }
      break;
    }
    case 6:
      if (ListType() == kListWordlist && StoredListInfo().HasDispersionData()) {
        result.kind = 1;
        result.is_real = true;
        result.value = d.dispersion;
      }
      break;
    default:
      if (fRelativeEntropyColumn >= 0 && column == fRelativeEntropyColumn) {
        result.kind = 1;
        result.is_real = true;
        result.value = static_cast<float>(RelativeEntropyOfForms(*Row(index)));
      }
      break;
  }
}

void TVXWordList::CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) {
  if (column_kind != 3) return;
  cell.text = ShareHeadingForDisplay(cell.text);
  cell.has_text = !cell.text.empty();
}

int TVXWordList::ShowRelativeEntropyColumn() {
  if (fRelativeEntropyColumn < 0) {
    fRelativeEntropyColumn = PredefinedSetColumnNumber() + 1;
    std::vector<UString> headings = Headings();
    if (int(headings.size()) <= fRelativeEntropyColumn) headings.resize(size_t(fRelativeEntropyColumn) + 1);
    headings[size_t(fRelativeEntropyColumn)] = VXRes(TVXRes::VXRelativeEntropy);
    SetHeadings(std::move(headings));
  }
  return fRelativeEntropyColumn;
}

void TVXWordList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  if (row == 0 || col == 0) {
    TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
    return;
  }
  const int r = RowForDisplay(row - 1, kind_of_display);
  if (r < 0) {
    cell = TGrid_data_rec();
    cell.col = col;
    cell.row = row;
    return;
  }
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, r + 1, cell, 0);
  cell.row = row;
  if (cell.final || !Get(r)) return;
  const TWordlistData& d = Row(r)->data;
  switch (col) {
    case 1:
      cell.text = d.word;
      cell.prefix = d.prefix;
      cell.suffix = d.suffix;
      break;
    case 7: {
      cell.text.clear();
      const std::vector<TVXBaseListObject*> joined = GetJoinListAndDetails(r);
      if (!joined.empty()) {
        UString text;
        if (!GetLemmaOmitHeadWordInWordlist()) text = u"[" + IntToUStr(d.frequency) + u"] " + d.word + u" ";
        for (TVXBaseListObject* j : joined)
          text += u"[" + IntToUStr(j->MainWordFrequency()) + u"] " + j->MainWordOnly() + u" ";
        cell.text = TrimU(text);
      }
      break;
    }
    default:
      if (col >= 2 && col <= 6) cell.text.clear();  // numbers, not text
      break;
  }
  cell.has_text = !cell.text.empty();
  if ((col == 3 || col == 5) && cell.has_number && GetShouldColourPercentages()) {
    cell.has_colour = true;
    cell.colour = GetAPercentageColour(static_cast<int32_t>(cell.number.value));
  }
}

bool TVXWordList::GetNextCloudDatum(TCloudDatum& datum) {
  datum = TCloudDatum();
  const int cursor = fCloudCursor++;
  const int r = RowForDisplay(cursor, kDisplayByFrequency);
  if (r < 0 || !Get(r)) return false;
  datum.word = Row(r)->data.word;
  datum.value = RowFrequency(r);
  datum.index = cursor + 1;
  return true;
}

std::vector<UString> TVXWordList::DetailsOfCurrentSettings() {
  std::vector<UString> lines = TVXBaseLemmaMatchCapableList::DetailsOfCurrentSettings();
  const TWordlist_settings_rec ws = OwnSettings();
  const auto add = [&](TVXRes which, TVXRes what, int64_t v) {
    lines.push_back(VXResFmt(which, {VXRes(what), IntToUStr(v)}));
  };
  add(TVXRes::VXMinimumXIs, TVXRes::VXFrequency, ws.MinFrequency());
  add(TVXRes::VXMaximumXIs, TVXRes::VXFrequency, ws.MaxFrequency());
  add(TVXRes::VXMinimumXIs, TVXRes::VXTexts, ws.MinTexts());
  add(TVXRes::VXMaximumXIs, TVXRes::VXTexts, ws.MaxTexts());
  add(TVXRes::VXMinimumXIs, TVXRes::VXWordLength, ws.MinWordLength());
  add(TVXRes::VXMaximumXIs, TVXRes::VXWordLength, ws.MaxWordLength());
  lines.push_back(VXRes(TVXRes::VXCaseSensitive) + u": " + (ws.CaseSensitive() ? u"True" : u"False"));
  return lines;
}

bool TVXWordList::MergeWith(TVXBaseLemmaMatchCapableList* other_list) {
  auto* other = dynamic_cast<TVXWordList*>(other_list);
  if (!other || other == this) return false;
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("merge");
  if (other->ListBusy() != kBusyNone) return other->RefuseWhileBusy("merge");
  // Words are found by (word, prefix, suffix) in a map, so that a list growing unsorted is never
  // walked; words that differ only in case are one word unless the settings say otherwise. The
  // map holds this list's rows and the forms joined under them, so that a lemma's forms meet
  // theirs wherever they are.
  const bool case_sensitive = GetWordlistSettings().CaseSensitive();
  const TLCID lcid = SortLCID();
  auto key = [&](const TWordlistData& d) {
    return std::make_tuple(case_sensitive ? d.word : UpperCaseU(d.word, lcid), d.prefix, d.suffix);
  };
  std::map<std::tuple<UString, UString, UString>, TWordlistEntry*> words;
  auto note = [&](TVXBaseListObject* e) {
    if (auto* we = dynamic_cast<TWordlistEntry*>(e)) words.emplace(key(we->data), we);
  };
  for (int i = 0; i < Count(); ++i)
    if (Row(i)) {
      note(Row(i));
      for (TVXBaseListObject* j : Row(i)->JoinedEntries()) note(j);
    }
  auto add_counts = [](TWordlistEntry& to, const TWordlistData& d) {
    to.data.frequency = static_cast<int32_t>(std::min<int64_t>(int64_t{to.data.frequency} + d.frequency, INT32_MAX));
    to.data.n_texts = static_cast<int32_t>(std::min<int64_t>(int64_t{to.data.n_texts} + d.n_texts, INT32_MAX));
  };
  for (int i = 0; i < other->Count(); ++i) {
    const TWordlistEntry* e = other->Row(i);
    if (!e || e->JoinedTo()) continue;  // forms joined under a head come with their head
    TWordlistEntry* head = nullptr;
    if (const auto found = words.find(key(e->data)); found != words.end()) {
      head = found->second;
      add_counts(*head, e->data);
    } else {
      const int row = AddRow(e->data);
      if (row < 0) continue;
      head = Row(row);
      head->CopyCategoryFrom(*e);
      words.emplace(key(head->data), head);
    }
    // A form that this list has (under a head or as a row of its own) takes its counts; one it
    // has not joins the head, as a lemma list would have joined it under a list of both.
    for (TVXBaseListObject* j : e->JoinedEntries()) {
      const auto* form = dynamic_cast<const TWordlistEntry*>(j);
      if (!form) continue;
      if (const auto found = words.find(key(form->data)); found != words.end()) {
        add_counts(*found->second, form->data);
      } else if (!head->JoinedTo()) {
        auto* joined = new TWordlistEntry(this, form->data);
        head->AddPrivateJoinInstance(joined);
        words.emplace(key(joined->data), joined);
      } else if (const int row = AddRow(form->data); row >= 0) {
        words.emplace(key(form->data), Row(row));
      }
    }
  }
  other->Clear();
  has_affixes_ = has_affixes_ || other->has_affixes_;
  DoAlphabeticalAscendingSort();
  freq_stale_ = true;
  return true;
}
