// The word list's operations on joined rows (lemmas, clusters), equal words and imported words.
#include <algorithm>
#include <map>

#include "model/reading/text_statistics.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/datetime.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/row_texts.h"
#include "wordlist/word_list.h"
#include "wordlist/word_list_document.h"

namespace {

UString TextWithAffixes(const TVXBaseListObject* e) {
  return e ? e->MainWordPrefix() + e->MainWordOnly() + e->MainWordSuffix() : UString();
}

}  // namespace

TWordlist_settings_rec TVXWordList::OwnSettings() const {
  if (auto* doc = dynamic_cast<T_WholeWordlistHolder*>(Holder())) return doc->WordlistSettings;
  return GetWordlistSettings();
}

int32_t TVXWordList::CheckLemmas(bool adjusting_frequencies_and_zapping) {
  const int32_t joins = TVXBaseLemmaMatchCapableList::CheckLemmas(false);
  if (!adjusting_frequencies_and_zapping) return joins;
  // The forms' frequencies stay theirs: a head's lemma adds them to its own wherever it is
  // counted, and a head that took them in as well would count every form twice.
  Zap(false);
  freq_stale_ = true;
  return joins;
}

std::vector<UString> TVXWordList::LemmaListFromThisList() {
  std::vector<UString> lines = TVXBaseLemmaMatchCapableList::LemmaListFromThisList();
  for (int i = 0; i < Count(); ++i) {
    const TWordlistEntry* e = Row(i);
    if (!e || e->JoinedTo()) continue;
    const std::vector<TVXBaseListObject*> joined = e->JoinedEntries();
    if (joined.empty()) continue;
    UString line = TextWithAffixes(e) + u" -> ";
    for (size_t k = 0; k < joined.size(); ++k) line += (k ? u"," : u"") + TextWithAffixes(joined[k]);
    lines.push_back(std::move(line));
  }
  return lines;
}

void TVXWordList::AddJoinedWordDataToStringlist(int row, std::vector<UString>& lines) {
  TVXBaseLemmaMatchCapableList::AddJoinedWordDataToStringlist(row, lines);
  if (row < 0 || row >= Count() || !Row(row)) return;
  for (const TVXBaseListObject* j : Row(row)->JoinedEntries()) lines.push_back(TextWithAffixes(j));
}

int32_t TVXWordList::JoinClusters(bool small_to_large) {
  const int32_t joins = TVXBaseLemmaMatchCapableList::JoinClusters(small_to_large);
  freq_stale_ = true;
  return joins;
}

std::vector<TVXWordList::TEqualPair> TVXWordList::CheckForEqualStrings() const {
  std::vector<TEqualPair> pairs;
  const bool case_sensitive = OwnSettings().CaseSensitive();
  const TLCID lcid = SortLCID();
  for (int i = 1; i < Count(); ++i) {
    const TWordlistEntry* a = Row(i - 1);
    const TWordlistEntry* b = Row(i);
    if (!a || !b || CompareStringsLocale(lcid, case_sensitive, a->data.word, b->data.word) != 0) continue;
    const bool b_first = b->data.frequency < a->data.frequency;
    TEqualPair p;
    p.first_row = b_first ? i : i - 1;
    p.second_row = b_first ? i - 1 : i;
    p.first_text = Row(p.first_row)->data.word;
    p.second_text = Row(p.second_row)->data.word;
    pairs.push_back(std::move(p));
  }
  return pairs;
}

int32_t TVXWordList::MergeEqualWords(const std::vector<TEqualPair>& pairs) {
  std::map<int, int> went_into;  // a row merged away -> the row that took its frequency
  auto now = [&](int row) {
    for (auto it = went_into.find(row); it != went_into.end(); it = went_into.find(row)) row = it->second;
    return row;
  };
  int32_t merged = 0;
  for (const TEqualPair& p : pairs) {
    const int a = now(p.first_row), b = now(p.second_row);
    // A form still in the list counts through its head: merged as a row it would count twice.
    if (a == b || !Row(a) || !Row(b) || Row(a)->JoinedTo() || Row(b)->JoinedTo()) continue;
    // As the pairs are made: the lower frequency goes into the higher, the earlier row on a tie.
    const bool b_first = Row(b)->data.frequency < Row(a)->data.frequency ||
                         (Row(b)->data.frequency == Row(a)->data.frequency && b < a);
    const int from = b_first ? b : a, into = b_first ? a : b;
    MergeEqualWords(from, into);
    went_into[from] = into;
    ++merged;
  }
  return merged;
}

int32_t TVXWordList::KeepEqualWordsApart(const std::vector<TEqualPair>& pairs) {
  // Pairs of neighbours that share a row chain into one run of equal words.
  std::vector<std::vector<int>> runs;
  for (const TEqualPair& p : pairs) {
    const int lo = std::min(p.first_row, p.second_row), hi = std::max(p.first_row, p.second_row);
    if (runs.empty() || runs.back().back() != lo) runs.push_back({lo});
    runs.back().push_back(hi);
  }
  int32_t changed = 0;
  for (const std::vector<int>& run : runs) {
    // As in a pair: the more frequent keeps its word, the later one on a tie.
    int keep = -1;
    for (int r : run)
      if (Row(r) && (keep < 0 || Row(r)->data.frequency >= Row(keep)->data.frequency)) keep = r;
    int32_t spaces = 0;
    for (int r : run) {
      if (r == keep || !Row(r)) continue;
      ++spaces;
      for (int32_t k = 0; k < spaces; ++k) AddASpaceToWordNumber(r);
      ++changed;
    }
  }
  return changed;
}

bool TVXWordList::ImportDataFromStringList(const std::vector<UString>& lines, int64_t total) {
  std::vector<std::pair<UString, int32_t>> rows;
  rows.reserve(lines.size());
  for (const UString& line : lines) {
    const size_t tab = line.rfind(u'\t');
    int32_t f = 1;
    if (tab != UString::npos && !ParseRowInt(UStringView(line).substr(tab + 1), f)) f = 1;
    rows.emplace_back(tab == UString::npos ? line : line.substr(0, tab), f);
  }
  return ImportWords(rows, total);
}

void TVXWordList::RemoveStopWords(TVXStatsList& stats) {
  auto tokens = [this] {
    int64_t t = 0;
    for (int i = 0; i < Count(); ++i)
      if (Row(i)) t += Row(i)->data.frequency;
    return t;
  };
  const int32_t types_before = Count();
  const int64_t tokens_before = tokens();
  CheckStops();
  Zap(false);
  stats.SetStopListInfo(types_before - Count(), static_cast<int32_t>(std::min<int64_t>(tokens_before - tokens(), INT32_MAX)),
                        stoplist_wordlengths);
  freq_stale_ = true;
}

bool TVXWordList::ImportWords(const std::vector<std::pair<UString, int32_t>>& rows, int64_t total) {
  if (!Clear()) return false;
  const TWordlist_settings_rec ws = OwnSettings();
  const int32_t min_length = ws.MinWordLength(), max_length = ws.MaxWordLength();
  TOne_text_stats_rec* overall = fStatsList ? &fStatsList->Overall_stats : nullptr;
  if (overall) std::fill(std::begin(overall->data.word_lengths), std::end(overall->data.word_lengths), 0);
  int64_t running = 0;
  double length_sum = 0;  // word length times frequency
  for (size_t i = 0; i < rows.size(); ++i) {
    if ((i & 0xFF) == 0) MyYieldProcess();
    UString word = rows[i].first;
    const int32_t f = std::max(0, rows[i].second);
    if (static_cast<int32_t>(word.size()) < min_length) continue;
    if (max_length > 0 && static_cast<int32_t>(word.size()) > max_length) {
      word.resize(static_cast<size_t>(max_length));
      word.back() = u'+';
    }
    const size_t length = word.size();
    if (overall && length <= 50) overall->data.word_lengths[length] += f;
    length_sum += static_cast<double>(length) * f;
    running += f;
    TWordlistData d;
    d.frequency = f;
    d.word = std::move(word);
    AddRow(d);
  }
  if (total > 0) running = total;
  if (overall && running > 0 && Count() > 0) {
    overall->data.groups[0].count = Count();
    overall->data.groups[0].mean = static_cast<float>(length_sum / static_cast<double>(running));
    overall->data.running_words = static_cast<int32_t>(std::min<int64_t>(running, INT32_MAX));
    overall->data.types = Count();
    overall->name = VXRes(TVXRes::VXimported);
  }
  auto* doc = dynamic_cast<TTessorineholder*>(Holder());
  if (doc && running > 0 && Count() > 0) {
    // The document's stop and lemma lists apply to imported words as to counted ones.
    if (doc->StopListLoaded() && fStatsList) RemoveStopWords(*fStatsList);
    if (doc->LemmaListLoaded()) CheckLemmas(true);
  }
  if (doc) {
    doc->fNotes.Clear();
    doc->fNotes.Add(VXResFmt(TVXRes::VXImportedByUser, {VXRes(TVXRes::VXWordList), Utf8ToUtf16(std::getenv("USER") ? std::getenv("USER") : "")}) +
                    u" " + DateTimeToUStr(Now()));
    doc->fNotes.Add(VXResFmt(TVXRes::VXLanguageUsed, {doc->TextSettings().LanguageName()}));
  }
  SetSortSettingsToDefault(false);
  if (Count() > 1) DoASort(1, 0, Count() - 1);
  freq_stale_ = true;
  return true;
}
