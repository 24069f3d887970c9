#include "keywords/keyword_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "model/lists/entry_values.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/row_texts.h"
#include "wordlist/word_list.h"

namespace {

UString FloatText(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return Utf8ToUtf16(buf);
}

// A share column's value: over tokens (the running words of the study, which 0, or of the
// reference, 1) or, when the settings say so, over texts.
void ShareValue(const TKeywordsSettingsRec32& k, int which, int32_t freq, int32_t texts,
                TNumberDisplayAndSinglesRec& result) {
  result.kind = kSharePercent;
  const bool over_texts = k.SharesOverTexts();
  result.caption = VXRes(over_texts ? TVXRes::VXTextFiles : TVXRes::VXTokens);
  result.total = over_texts ? k.Texts(which) : k.RunningWords(which);
  result.part = over_texts ? texts : freq;
  result.value = static_cast<float>(result.part);
  if (result.total > 0) {
    result.is_real = true;
    result.value = static_cast<float>(
        AsPercentOrPPMOfTotal(double(result.total), GetDisplayWordsPerMillion(), double(result.part)));
  }
}

UString BareName(UStringView file) { return ChangeFileExt(ExtractFileName(file), u""); }

UString FrequencyHeading(UStringView file) {
  return file.empty() ? UString(u"Freq.") : VXResFmt(TVXRes::VXFreqInX, {BareName(file)});
}

}  // namespace

std::vector<UString> KeywordListHeadings(UStringView study, UStringView reference) {
  return {VXRes(TVXRes::VXN),  u"Word",   FrequencyHeading(study), u"%",
          VXRes(TVXRes::VXTextFiles), FrequencyHeading(reference), u"%", u"BIC",
          u"Keyness", VXRes(TVXRes::VXLogRatio), u"p", VXRes(TVXRes::VXLemmas), VXRes(TVXRes::VXSet)};
}


// --- rows ------------------------------------------------------------------------------------

TKeyWordEntry::TKeyWordEntry(TVXBaseDataClass* list) : TVXBaseListObject(list, list ? list->Holder() : nullptr) {}

TKeyWordEntry::TKeyWordEntry(TVXBaseDataClass* list, const TKeywordRecord& rec, UString w, UString p, UString s)
    : TVXBaseListObject(list, list ? list->Holder() : nullptr),
      data(rec),
      word(std::move(w)),
      prefix(std::move(p)),
      suffix(std::move(s)) {}

void TKeyWordEntry::ZeroTheDataRec() {
  data = TKeywordRecord{};
  details.Clear();
  word.clear();
  prefix.clear();
  suffix.clear();
}

float TKeyWordEntry::GetAValueAsSingle(int column) const { return ValueOfEntry(*this, column); }

UString TKeyWordEntry::GetAWordAsString(int column) const {
  switch (column) {
    case kKWColWord: return word;
    case kKWColFrequency: return IntToUStr(data.frequency);
    case kKWColTexts: return IntToUStr(data.n_texts);
    case kKWColRefFrequency: return IntToUStr(data.rc_frequency);
    case kKWColCategory: return GetCategory();
    default: return TVXBaseListObject::GetAWordAsString(column);
  }
}

void TKeyWordEntry::SetAWordAsString(int column, UStringView text) {
  if (List()) List()->NoteChange();
  if (column == kKWColWord) word = UString(text);
  if (column == kKWColFrequency) ParseRowInt(text, data.frequency);
  if (column == kKWColCategory) SetCategoryString(text);
}

void TKeyWordEntry::SetAPrefixAsString(int column, UStringView text) {
  if (column == 1) prefix = UString(text);
}

void TKeyWordEntry::SetASuffixAsString(int column, UStringView text) {
  if (column == 1) suffix = UString(text);
}

TJoinedWordDatum TKeyWordEntry::JoinedWordDatum() const {
  TJoinedWordDatum d;
  d.frequency = data.frequency;
  d.n_texts = data.n_texts;
  d.word = word;
  d.prefix = prefix;
  d.suffix = suffix;
  return d;
}

bool TKeyWordEntry::WriteText(TStream& s, const UString& text) const { return WriteRowText(s, Holder(), text); }

bool TKeyWordEntry::ReadText(TStream& s, UString& text) const { return ReadRowText(s, Holder(), text); }

bool TKeyWordEntry::SaveToStream(TStream& s) {
  return WriteValue(s, data) && details.SaveToStream(s) && WriteText(s, prefix) && WriteText(s, suffix) &&
         WriteText(s, word);
}

bool TKeyWordEntry::ReadFromStream(TStream& s) {
  ZeroTheDataRec();
  TVXBaseDataClass* list = List();
  const int32_t version = list ? list->GetVersionNumber() : kKeywordListVersion;
  uint8_t raw[48] = {};
  const int64_t record_bytes = version <= 10 ? 12 : (version <= 22 ? 48 : 44);
  if (!s.ReadExact(raw, record_bytes)) return false;
  std::memcpy(&data, raw, std::min<int64_t>(record_bytes, sizeof data));
  if (version <= 10) {
    data.negative = 0;
  } else if (version <= 21) {
    data.negative = data.keyness < 0.0f ? 1 : 0;
  }
  if (version >= 23 && !details.ReadFromStream(s)) return false;
  if (list) list->WidenFrequencyRange(data.frequency);
  if (version >= 11) {
    if (!ReadText(s, prefix) || !ReadText(s, suffix)) return false;
    if (list && (!prefix.empty() || !suffix.empty())) list->StoredListInfo().info.has_affixes = 1;
  }
  return ReadText(s, word);
}

// --- the list --------------------------------------------------------------------------------

TKeyWordList::TKeyWordList(TVXBaseHolder* holder)
    : TVXBaseLemmaMatchCapableList(holder, &MakeEntry, 11, kListKeywords, 1),
      fKWStats(std::make_unique<TVXStatsList>(holder)) {
  KWSettings.Clear();
  SetSortSettingsToDefault(true);
}

TKeyWordList::~TKeyWordList() = default;

TVXBaseListObject* TKeyWordList::MakeEntry(TVXBaseDataClass& list) { return new TKeyWordEntry(&list); }

int TKeyWordList::AddRow(const TKeywordRecord& rec, UStringView word) {
  auto* e = new TKeyWordEntry(this, rec, UString(word));
  const int i = Add(e);
  if (i < 0) delete e;
  return i;
}

bool TKeyWordList::KeywordData(int row, TKeywordRecord& rec) const {
  if (row < 0 || row >= Count() || !Get(row)) {
    rec = TKeywordRecord{};
    return false;
  }
  rec = Row(row)->data;
  return true;
}

bool TKeyWordList::LimitReached() const {
  const int32_t wanted = KWSettings.MaxKeywordsWanted();
  return wanted > 0 && Count() >= wanted;
}

UString TKeyWordList::WordTextOfRow(int row) const {
  return row >= 0 && row < Count() && Get(row) ? Row(row)->word : UString();
}

std::vector<UString> TKeyWordList::AllWordsAsStringList() const {
  std::vector<UString> out;
  for (int i = 0; i < Count(); ++i) out.push_back(WordTextOfRow(i));
  return out;
}

double TKeyWordList::LowestBICScore() const {
  double lowest = 2147483648.0;
  for (int i = 0; i < Count(); ++i)
    if (Get(i)) lowest = std::min<double>(lowest, Row(i)->data.bic_score);
  return lowest;
}

bool TKeyWordList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kKeywordListVersion));
  return WriteU8(s, 0) && TVXBaseLemmaMatchCapableList::SaveToStream(s) && fKWStats->SaveToStream(s);
}

bool TKeyWordList::ReadFromStream(TStream& s) {
  uint8_t spare = 0;
  if (!ReadU8(s, spare) || !TVXBaseLemmaMatchCapableList::ReadFromStream(s)) return false;
  if (!fKWStats->ReadFromStream(s)) return false;
  has_BIC_Scores = has_LOGR_scores = false;
  bool all_without_texts = true;
  for (int i = 0; i < Count(); ++i) {
    const TKeyWordEntry* e = Row(i);
    if (!e) continue;
    if (e->data.bic_score != 0.0f) has_BIC_Scores = true;
    if (e->data.log_ratio != 0.0f) has_LOGR_scores = true;
    if (e->data.n_texts != 0) all_without_texts = false;
  }
  StoredListInfo().info.some_data_fields_missing = all_without_texts ? 1 : 0;
  return true;
}

// --- sorting ---------------------------------------------------------------------------------

bool TKeyWordList::HasAffixes() const {
  for (int i = 0; i < Count(); ++i)
    if (Get(i) && (!Row(i)->prefix.empty() || !Row(i)->suffix.empty())) return true;
  return false;
}

void TKeyWordList::Set1Sort(int level, int32_t kind) {
  // The base's comparers are bound by the base's own key numbers; this list's numbers differ.
  TLevelComparer base = nullptr;
  const int32_t base_key = kind == kKWSortWords       ? kSortAlphabetical
                           : kind == kKWSortReverse   ? kSortReverseAlphabetical
                           : kind == kKWSortLength    ? kSortWordLength
                           : kind == kKWSortPrefix    ? kSortPrefix
                           : kind == kKWSortSuffix    ? kSortSuffix
                                                      : kSortNone;
  if (base_key != kSortNone) {
    TVXBaseLemmaMatchCapableList::Set1Sort(level, base_key);
    base = SortLevel(level).comparer;
  }
  TVXBaseLemmaMatchCapableList::Set1Sort(level, kind);  // keeps the kind; compares nothing yet
  switch (kind) {
    case kKWSortWords: SetSortComparer(level, HasAffixes() ? &CompareWords : base); break;
    case kKWSortReverse:
    case kKWSortLength:
    case kKWSortPrefix:
    case kKWSortSuffix: SetSortComparer(level, base); break;
    case kKWSortSet: SetSortComparer(level, &CompareCategories); break;
    default: SetSortComparer(level, &CompareByNumber); break;
  }
}

void TKeyWordList::SetSortSettingsToDefault(bool clearing) {
  TVXBaseLemmaMatchCapableList::SetSortSettingsToDefault(clearing);
  for (int l = 1; l < 3; ++l) TVXBaseLemmaMatchCapableList::Set1Sort(l, kSortNone);
  Set1Sort(0, kKWSortKeyness);
  if (clearing) SetSortAscending(0, false);
}

void TKeyWordList::EnsureAlphabeticalAscendingSort() {
  Set1Sort(0, kKWSortWords);
  SetSortAscending(0, true);
}

double TKeyWordList::NumberKey(int level, TKeyWordEntry& e) const {
  const TKeywordRecord& d = e.data;
  switch (SortLevel(level).key) {
    case kKWSortFirstCapital: return FirstLetterIsCaps(e.word) ? 1 : 0;
    case kKWSortFrequency: return d.frequency;
    case kKWSortRefFrequency: return d.rc_frequency;
    case kKWSortKeyness: return d.keyness;
    case kKWSortAbsKeyness: return std::fabs(d.keyness);
    case kKWSortBIC: return FloatCorrectedIfBelowZero(d.bic_score, d.negative != 0);
    case kKWSortLogRatio: return d.log_ratio;
    case kKWSortTexts: return d.n_texts;
    case kKWSortLemmas: return e.JoinedCount();
    case kKWSortRelativeEntropy: return RelativeEntropyOfForms(e);
    default: return 0;
  }
}

void TKeyWordList::SetBase(TVXBaseListObject& entry, int level) {
  TVXBaseLemmaMatchCapableList::SetBase(entry, level);
  const int l = std::clamp(level, 0, 2);
  auto& e = static_cast<TKeyWordEntry&>(entry);
  if (SortLevel(l).comparer == &CompareByNumber) {
    pivot_[l].number = NumberKey(l, e);
  } else if (SortLevel(l).comparer == &CompareWords) {
    const bool cs = SortLevel(l).case_sensitive;
    pivot_[l].word = CollationSortKey(SortLCID(), cs, e.word);
    pivot_[l].prefix = CollationSortKey(SortLCID(), cs, e.prefix);
    pivot_[l].suffix = CollationSortKey(SortLCID(), cs, e.suffix);
  }
}

int TKeyWordList::CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TKeyWordList&>(list);
  const double a = self.NumberKey(level, static_cast<TKeyWordEntry&>(entry)), b = self.pivot_[level].number;
  return a < b ? -1 : (a > b ? 1 : 0);
}

int TKeyWordList::CompareWords(TVXBaseDataClass& list, int level, TVXBaseListObject& entry) {
  auto& self = static_cast<TKeyWordList&>(list);
  auto& e = static_cast<TKeyWordEntry&>(entry);
  const bool cs = self.SortLevel(level).case_sensitive;
  const TLCID lcid = self.SortLCID();
  int r = CollationSortKey(lcid, cs, e.word).compare(self.pivot_[level].word);
  if (r == 0) r = CollationSortKey(lcid, cs, e.prefix).compare(self.pivot_[level].prefix);
  if (r == 0) r = CollationSortKey(lcid, cs, e.suffix).compare(self.pivot_[level].suffix);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int32_t TKeyWordList::HeaderColumnToSortNeeded(int level, int column) {
  const int32_t base = TVXBaseLemmaMatchCapableList::HeaderColumnToSortNeeded(level, column);
  if (level > 0) {
    if (column == 1) return fWordSortStyle == 3 ? kKWSortWords : base;
    if (column == PredefinedSetColumnNumber() || (column >= 2 && column <= 6)) return base;
    return kKWSortWords;
  }
  if (column == PredefinedSetColumnNumber()) return kKWSortSet;
  switch (column) {
    case 1:
      switch (fWordSortStyle) {
        case 0: return kKWSortWords;
        case 1: return kKWSortReverse;
        case 2: return kKWSortLength;
        case 3: return kKWSortFirstCapital;
        default: return base;
      }
    case 2:
    case 3: return kKWSortFrequency;
    case 4: return kKWSortTexts;
    case 5:
    case 6: return kKWSortRefFrequency;
    case 7: return kKWSortBIC;
    case 9: return kKWSortLogRatio;
    case 11: return kKWSortLemmas;
    case 8:
    case 10: return base;
    default: return kKWSortWords;
  }
}

// --- columns ---------------------------------------------------------------------------------

void TKeyWordList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TVXBaseLemmaMatchCapableList::NumericalData(column, index, result);
  if (column == 0 || index < 0 || index >= Count() || !Get(index)) return;
  const TKeywordRecord& d = Row(index)->data;
  switch (column) {
    case 2: result.value = static_cast<float>(d.frequency); break;
    case 3: ShareValue(KWSettings, 0, d.frequency, d.n_texts, result); break;
    case 4: result.value = NFilesCorrected(d.n_texts, BasedOnOneTextFile()); break;
    case 5: result.value = static_cast<float>(d.rc_frequency); break;
    case 6: ShareValue(KWSettings, 1, d.rc_frequency, d.rc_n_texts, result); break;
    case 7:
      result.kind = 1;
      result.is_real = true;
      result.value = has_BIC_Scores ? d.bic_score : kMissingValue;
      break;
    case 8:
      result.kind = 1;
      result.is_real = true;
      result.value = d.keyness;
      break;
    case 9:
      result.kind = 1;
      result.is_real = true;
      result.value = has_LOGR_scores ? d.log_ratio : kMissingValue;
      break;
    case 10:
      result.kind = 1;
      result.is_real = true;
      result.value = static_cast<float>(KeynessProbability(d.keyness));
      break;
    case 11:
      result.value = static_cast<float>(GetTotalJoinedFreq(index) + (GetLemmaHeadWordFreqOnly() ? 0 : d.frequency));
      break;
    default: break;
  }
}

void TKeyWordList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TVXBaseLemmaMatchCapableList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row == 0 || col == 0 || cell.final) return;
  const int r = row - 1;
  if (r < 0 || r >= Count() || !Get(r)) return;
  const TKeyWordEntry& e = *Row(r);
  if (col == 11) {
    UString text;
    const std::vector<TVXBaseListObject*> joined = GetJoinListAndDetails(r);
    if (!joined.empty()) {
      if (!GetLemmaOmitHeadWordInWordlist()) text = u"[" + IntToUStr(e.data.frequency) + u"] " + e.word + u" ";
      for (TVXBaseListObject* j : joined)
        text += u"[" + IntToUStr(j->MainWordFrequency()) + u"] " + j->MainWordOnly() + u" ";
    }
    cell.text = TrimU(text);
  } else if (col >= 2 && col <= 10) {
    cell.text.clear();
    // The scores with the decimals that tell them apart; p with enough to show a small one.
    if (col >= 7 && cell.has_number) cell.decimals = col == 10 ? 6 : 3;
  }
  cell.has_text = !cell.text.empty();
  if ((col == 3 || col == 6) && cell.has_number && GetShouldColourPercentages()) {
    cell.has_colour = true;
    cell.colour = GetAPercentageColour(static_cast<int32_t>(cell.number.value));
  }
}

void TKeyWordList::CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) {
  if (column_kind != 3 && column_kind != 6) return;
  cell.text = ShareHeadingForDisplay(cell.text);
  cell.has_text = !cell.text.empty();
}

void TKeyWordList::NumericalDataAndNegative(int column, int index, TNumberDisplayAndSinglesRec& result,
                                            bool& negative) {
  NumericalData(column, index, result);
  negative = index >= 0 && index < Count() && Get(index) && Row(index)->data.negative != 0;
}

void TKeyWordList::SetSourceNames(UStringView study, UStringView reference) {
  fStudyName = UString(study);
  fReferenceName = UString(reference);
  SetHeadings(KeywordListHeadings(study, reference));
}

bool TKeyWordList::GetNextCloudDatum(TCloudDatum& datum) {
  datum = TCloudDatum();
  const int cursor = fCloudCursor++;
  if (cursor < 0 || cursor >= Count() || !Get(cursor)) return false;
  datum.word = Row(cursor)->word;
  datum.value = static_cast<int32_t>(std::lround(Row(cursor)->data.keyness));
  datum.index = cursor + 1;
  return true;
}

std::vector<UString> TKeyWordList::LemmaListFromThisList() {
  std::vector<UString> lines = TVXBaseLemmaMatchCapableList::LemmaListFromThisList();
  for (int i = 0; i < Count(); ++i) {
    const std::vector<TVXBaseListObject*> joined = GetJoinListAndDetails(i);
    if (!Get(i) || joined.empty()) continue;
    UString line = Row(i)->GetAWordPlusAffixesAsString(1) + u" -> ";
    for (size_t k = 0; k < joined.size(); ++k) {
      const TJoinedWordDatum d = joined[k]->JoinedWordDatum();
      line += (k ? u"," : u"") + d.prefix + d.word + d.suffix;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<UString> TKeyWordList::DetailsOfCurrentSettings() {
  std::vector<UString> lines = TVXBaseLemmaMatchCapableList::DetailsOfCurrentSettings();
  const TKeywordsSettingsRec32& k = KWSettings;
  lines.push_back(VXResFmt(TVXRes::VXSourceFilename, {VXRes(TVXRes::VXStudyWordlist), fStudyName}));
  lines.push_back(VXResFmt(TVXRes::VXSourceFilename, {VXRes(TVXRes::VXReferenceCorpus), fReferenceName}));
  lines.push_back(VXResFmt(TVXRes::VXProcedureEquals,
                           {k.KeynessProcedure() == kKeynessChiSquare ? UString(u"chi-square")
                                                                      : UString(u"log-likelihood")}));
  lines.push_back(VXResFmt(TVXRes::VXPValueIs, {FloatText(k.KeywordMaxP(), 6)}));
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXTexts), IntToUStr(k.KeywordMinTexts())}));
  lines.push_back(VXResFmt(TVXRes::VXMinimumXIs, {VXRes(TVXRes::VXFrequency), IntToUStr(k.KeywordMinFrequency())}));
  lines.push_back(VXResFmt(TVXRes::VXMaxWantedIs, {IntToUStr(k.MaxKeywordsWanted())}));
  lines.push_back(VXResFmt(TVXRes::VXNegativeKWsExcludedIs,
                           {k.IncludeNegativeKeywords() ? UString(u"False") : UString(u"True")}));
  // A share, not the Dice coefficient (the notes give that on a line of its own).
  if (fPercentFoundInReference >= 0)
    lines.push_back(VXResFmt(TVXRes::VXPercentWordsFoundInRefCorpus, {FloatText(fPercentFoundInReference, 2)}));
  if (LimitReached())
    lines.push_back(u"***! " + VXResFmt(TVXRes::VXXReachedYourPresetLimitsY,
                                        {VXRes(TVXRes::VXKeywords), IntToUStr(k.MaxKeywordsWanted())}));
  lines.push_back(VXResFmt(TVXRes::VXNmanyEntriesFound, {IntToUStr(Count())}));
  if (has_BIC_Scores && Count() > 0)
    lines.push_back(VXResFmt(TVXRes::VXNmanyRemovedBelowBIC,
                             {IntToUStr(std::max(0, n_actually_obtained - Count())), FloatText(LowestBICScore(), 3)}));
  return lines;
}
