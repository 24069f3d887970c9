#include "model/documents/work_base.h"

#include <algorithm>
#include <unordered_map>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_engine.h"
#include "platform/search/search_items.h"
#include "platform/settings/settings_access.h"
#include "platform/zip/zip_forge.h"

namespace {

// Asks one search engine, item after item, whether an entry's text holds one of the items.
class TEngineProbe : public TListMatchProbe {
 public:
  explicit TEngineProbe(const TBaseSearchItems& items)
      : items_(items), engine_(true, true, items.TextOptions()) {}
  bool Found(UStringView buffer) override {
    TSearch_word_format_rec rec;
    for (int32_t i = 0; i < items_.Count(); ++i)
      if (items_.GetSWR(i, rec) && engine_.QuickSearchFoundIgnoringTags(buffer, rec)) return true;
    return false;
  }

 private:
  const TBaseSearchItems& items_;
  TSearchAndDoEngine engine_;
};

class TBusyGuard {
 public:
  TBusyGuard(TVXBaseDataClass& list, uint8_t action) : list_(list) { list_.SetListBusy(action); }
  ~TBusyGuard() { list_.SetListBusy(kBusyNone); }
  TBusyGuard(const TBusyGuard&) = delete;
  TBusyGuard& operator=(const TBusyGuard&) = delete;

 private:
  TVXBaseDataClass& list_;
};

int32_t PercentOf(int64_t done, int64_t total) { return total > 0 ? static_cast<int32_t>(done * 100 / total) : 0; }

// A head the list holds only through a form is spelt in the case the list holds the form in:
// in capitals in a list counted without case, in small letters in a list of small letters; a
// form of mixed case (or without letters) leaves the lemma file's spelling.
UString HeadInCaseOfForm(UStringView head, UStringView form, TLCID lcid) {
  const UString upper = UpperCaseU(form, lcid), lower = LowerCaseU(form, lcid);
  if (upper == lower) return UString(head);
  if (form == upper) return UpperCaseU(head, lcid);
  if (form == lower) return LowerCaseU(head, lcid);
  return UString(head);
}

}  // namespace

TSearchTextOptions SearchTextOptionsFromTextSettings(const TTextsett_rec32& settings) {
  const Tfixed_lang_details32 lang = settings.Language();
  TSearchTextOptions o;
  o.lcid = static_cast<uint32_t>(lang.LCID());
  o.hyphens_separate_words = lang.HyphenBreaksWord();
  o.in_word_symbols = lang.ExtraSymbols();
  o.symbols_at_start = lang.SymbolsAtWordStart();
  o.symbols_at_end = lang.SymbolsAtWordEnd();
  o.precomposed = settings.PrecomposedCharacters();
  return o;
}

int32_t LoadingCaptionThreshold(TTessorineList) { return 25000; }

// --- strings with integer lists --------------------------------------------------------------

struct TStringlistWithIntegerList::Index {
  std::unordered_map<UString, int> map;
};

TStringlistWithIntegerList::TStringlistWithIntegerList() : index_(std::make_unique<Index>()) {}
TStringlistWithIntegerList::~TStringlistWithIntegerList() = default;

void TStringlistWithIntegerList::Clear() {
  items_.clear();
  index_->map.clear();
}

int TStringlistWithIntegerList::IndexOf(UStringView text) const {
  auto it = index_->map.find(UString(text));
  return it == index_->map.end() ? -1 : it->second;
}

int TStringlistWithIntegerList::AddValue(UStringView text, int32_t value) {
  int i = IndexOf(text);
  if (i < 0) {
    i = Count();
    items_.emplace_back(UString(text), std::vector<int32_t>());
    index_->map.emplace(UString(text), i);
  }
  std::vector<int32_t>& v = items_[i].second;
  if (std::find(v.begin(), v.end(), value) == v.end()) v.push_back(value);
  return i;
}

// --- the list --------------------------------------------------------------------------------

TVXBaseLemmaMatchCapableList::TVXBaseLemmaMatchCapableList(TVXBaseHolder* holder, TEntryClass entry_class,
                                                           grid_alternatives grid_kind, TTessorineList list_type,
                                                           int32_t number)
    : TVXBaseDataClass(holder, entry_class, grid_kind, list_type, number) {}

TVXBaseLemmaMatchCapableList::~TVXBaseLemmaMatchCapableList() {
  TempLemmaAddList.Clear();
  items_matched.clear();
  excel_column_formats.clear();
}

bool TVXBaseLemmaMatchCapableList::DoProgressPercent(int32_t percent) {
  if (TProgressClass* p = GlobalProgress()) p->ThisPercent(percent);
  return true;
}

void TVXBaseLemmaMatchCapableList::DoProgressMessage(UStringView text) {
  if (TProgressClass* p = GlobalProgress()) p->ProgressShortMessage(text);
}

bool TVXBaseLemmaMatchCapableList::DoASort(int levels, int first, int last) {
  DoProgressPercent(0);
  return TVXBaseDataClass::DoASort(levels, first, last);
}

std::vector<UString> TVXBaseLemmaMatchCapableList::DetailsOfCurrentSettings() {
  return {VXResFmt(TVXRes::VXCurrentXSettings, {list_type_as_string(ListType())})};
}

// --- stream body -----------------------------------------------------------------------------

bool TVXBaseLemmaMatchCapableList::SaveToStream(TStream& s) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("save the list");
  TBusyGuard busy(*this, kBusySaving);
  try {
    return SaveBody(s);
  } catch (...) {
    AddToLogFile("a list could not be written: an entry failed");
    current_entry_saving = -1;
    return false;
  }
}

bool TVXBaseLemmaMatchCapableList::SaveBody(TStream& s) {
  current_entry_saving = -1;
  TStoredListSettingsRec& settings = StoredListInfo().settings;
  settings.list_type = ListType();
  settings.grid_kind = GridKind();
  settings.number = Number();
  if (!TVXBaseDataClass::SaveToStream(s)) return false;
  settings.version = std::max<int32_t>(settings.version, 1);
  settings.saved = 1;
  const bool unicode = Holder() ? Holder()->Unicode() : true;
  if (!WriteValue(s, settings) || !WriteU8(s, unicode ? 1 : 0) || !WriteU8(s, 0)) return false;

  const int32_t announced = StoredListInfo().info.entry_count;
  int32_t written = 0, not_for_saving = 0;
  bool ok = true;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    TVXBaseListObject* e = Get(i);
    if (!e) continue;
    TVXBaseListObject* head = e->JoinedTo();
    if (e->HasMark(kMarkNotForSaving) || (head && !head->HasMark(kMarkNotForSaving))) {
      ++not_for_saving;
      continue;
    }
    current_entry_saving = i;
    if ((i & 1023) == 0 && i > 0) DoProgressPercent(PercentOf(i, n));
    bool entry_ok = e->SaveToStream(s);
    const bool has_private = e->PrivateObjExists();
    entry_ok = WriteU8(s, has_private ? 1 : 0) && entry_ok;
    if (has_private) entry_ok = e->SavePrivateToStream(*this, s, StoredListInfo()) && entry_ok;
    const std::vector<TVXBaseListObject*> joined = e->JoinedEntries();
    entry_ok = WriteU8(s, joined.empty() ? 0 : 1) && entry_ok;
    if (!joined.empty()) {
      entry_ok = WriteI32(s, static_cast<int32_t>(joined.size())) && entry_ok;
      for (TVXBaseListObject* j : joined) entry_ok = j->SaveToStream(s) && entry_ok;
    }
    if (!entry_ok) ok = false;
    ++written;
  }
  current_entry_saving = -1;
  if (written != announced) {
    StoredListInfo().info.entry_count = written;
    StoredListInfo().info.not_for_saving = not_for_saving;
    if (!StoredListInfo().ResaveEntries(s)) ok = false;
  }
  if (ok) ClearChangedEntries();
  return ok;
}

bool TVXBaseLemmaMatchCapableList::ReadFromStream(TStream& s) {
  if (ListBusy() != kBusyNone) return RefuseWhileBusy("read the list");
  TVXBaseHolder* holder = Holder();
  TListWidthGuard width(holder);
  bool sort_after = false;
  try {
    if (!TVXBaseDataClass::ReadFromStream(s)) return false;
    TStoredListSettingsRec settings{};
    if (!ReadValue(s, settings)) return false;
    StoredListInfo().settings = settings;
    if (settings.version == 0)
      SetSortSettingsToDefault(true);
    else
      ApplyStoredSortSettings();
    uint8_t unicode = 0, spare = 0;
    if (!ReadU8(s, unicode) || !ReadU8(s, spare)) return false;
    // The entries read themselves in the width the list was stored in; it becomes the document's
    // only when the whole list was read.
    if (holder) {
      if (!holder->ListWidthAgrees(unicode != 0, list_type_as_string(ListType()))) return false;
      holder->SetListWidth({unicode != 0, holder->ListWidth().settled});
    }

    // Each entry takes at least its two flag bytes.
    const int32_t count = StoredListInfo().info.entry_count;
    if (count < 0 || int64_t(count) * 2 > s.BytesLeft()) return false;

    TProgressClass* progress = GlobalProgress();
    if (progress && !progress->Suspended() && progress->Where() != 0 && main_form_centre &&
        count >= LoadingCaptionThreshold(ListType()))
      progress->ClearAllAndShow(main_form_centre(), 0);

    {
      TBusyGuard busy(*this, kBusyReading);
      for (int32_t i = 0; i < count; ++i) {
        if (StopRequested(kPanicStopNow)) return false;
        current_entry_loading = i;
        if (count > 1023 && (i & 1023) == 0) DoProgressPercent(PercentOf(i, count));
        std::unique_ptr<TVXBaseListObject> e(NewEntry());
        if (!e || !e->ReadFromStream(s)) return false;
        uint8_t flag = 0;
        if (!ReadU8(s, flag) || flag > 1) return false;
        if (flag && !e->ReadPrivateFromStream(*this, s, StoredListInfo())) return false;
        if (!ReadU8(s, flag) || flag > 1) return false;
        if (flag) {
          int32_t n = 0;
          if (!ReadCount(s, n, 1)) return false;
          for (int32_t k = 0; k < n; ++k) {
            std::unique_ptr<TVXBaseListObject> j(NewEntry());
            if (!j || !j->ReadFromStream(s)) return false;
            e->AddPrivateJoinInstance(j.release());
          }
        }
        AddOwn(e.release());
      }
      current_entry_loading = -1;
    }
    sort_after = !StopRequested(kPanicEndOfText) && settings.saved == 0 && ListType() != 2 && ListType() != 19;
  } catch (...) {
    return false;
  }
  if (holder) holder->SetListWidth({holder->Unicode(), true});
  width.Keep();
  if (sort_after) SortAlphabeticallyAscending();
  return true;
}

// --- lemma, match and stop lists -------------------------------------------------------------

void TVXBaseLemmaMatchCapableList::LemmaPairThunk(void* self, UStringView a, UStringView b, bool case_sensitive,
                                                  int32_t total, int32_t index, bool whole_word, bool) {
  static_cast<TVXBaseLemmaMatchCapableList*>(self)->LemmaPair(a, b, case_sensitive, total, index, whole_word);
}

void TVXBaseLemmaMatchCapableList::LemmaPair(UStringView a, UStringView b, bool case_sensitive, int32_t total,
                                             int32_t index, bool whole_word) {
  DoProgressPercent(PercentOf(index, total));
  const int ia = Find_Word(a, case_sensitive, whole_word);
  if (ia < 0) return;
  const int ib = Find_Word(b, case_sensitive, whole_word);
  if (ib >= 0) {
    if (ib != ia && Join(ib, ia, false)) ++joined_count_;
    return;
  }
  // The head is missing: it is made after the walk, so that the indices noted stay valid.
  if (!GetJoinedElsewhere(ia) && !GetHasJoined(ia)) TempLemmaAddList.AddValue(b, ia);
}

int32_t TVXBaseLemmaMatchCapableList::CheckLemmas(bool) {
  if (ListBusy() != kBusyNone) {
    RefuseWhileBusy("apply the lemma list");
    return 0;
  }
  DoProgressPercent(0);
  TempLemmaAddList.Clear();
  SortAlphabeticallyAscending();
  joined_count_ = 0;
  {
    TBusyGuard busy(*this, kBusyLemmas);
    TraverseLemmasDoing(current_tool_var, &LemmaPairThunk, this);
    for (int k = 0; k < TempLemmaAddList.Count(); ++k) {
      std::vector<int32_t> forms;
      for (int32_t i : TempLemmaAddList.Values(k))
        if (!GetJoinedElsewhere(i) && !GetHasJoined(i)) forms.push_back(i);
      if (forms.empty()) continue;
      TVXBaseListObject* made = NewEntry();
      if (!made) continue;
      made->SetAWordAsString(MainWordColumn(), HeadInCaseOfForm(TempLemmaAddList.Text(k),
                                                                Get(forms.front())->MainWordOnly(), SortLCID()));
      const int head = AddOwn(made);
      if (head < 0) continue;
      for (int32_t i : forms)
        if (Join(head, i, false)) ++joined_count_;
    }
  }
  if (joined_count_ > 0) {
    DoProgressPercent(0);
    SortAlphabeticallyAscending();
  }
  return joined_count_;
}

void TVXBaseLemmaMatchCapableList::MatchWordThunk(void* self, UStringView word, bool case_sensitive, int32_t total,
                                                  int32_t index, bool whole_word, bool) {
  static_cast<TVXBaseLemmaMatchCapableList*>(self)->MatchWord(word, case_sensitive, total, index, whole_word);
}

void TVXBaseLemmaMatchCapableList::TreatMatch(int index) {
  if (index < 0 || index >= static_cast<int>(matched_this_run_.size()) || matched_this_run_[index]) return;
  matched_this_run_[index] = 1;
  items_matched.push_back(index);
  ++fmatch_words_found;
  switch (fmatch_settings.Action()) {
    case 0:
      if (SetMatched(index, true)) changed_this_run_.push_back(index);
      break;
    case 1:
      if (DeleteOne(index, true)) changed_this_run_.push_back(index);
      break;
    case 2:
      DeleteOne(index, false);  // keep it: everything else was marked deleted first
      break;
    default:
      break;
  }
}

void TVXBaseLemmaMatchCapableList::MatchWord(UStringView word, bool case_sensitive, int32_t total, int32_t index,
                                             bool whole_word) {
  DoProgressPercent(PercentOf(index, total));
  if (word.empty()) return;
  const bool leading = word.front() == u'*';
  const bool trailing = word.back() == u'*';
  const bool number = word.front() == u'#';
  if (leading || trailing || number) {
    UStringView pattern = word;
    while (!pattern.empty() && pattern.front() == u'*') pattern.remove_prefix(1);
    while (!pattern.empty() && pattern.back() == u'*') pattern.remove_suffix(1);
    int i = -1;
    while ((i = Find_PosWord(pattern, case_sensitive, leading, trailing, number, i + 1)) >= 0) TreatMatch(i);
  } else {
    TreatMatch(Find_Word(word, case_sensitive, whole_word));
  }
}

int32_t TVXBaseLemmaMatchCapableList::CheckMatches(int tag) {
  if (ListBusy() != kBusyNone) {
    RefuseWhileBusy("apply the match list");
    return 0;
  }
  DoProgressPercent(0);
  SortAlphabeticallyAscending();
  fmatch_words_found = 0;
  const int action = TagToMatchAction(tag);
  if (action < 0 || action > 3) {
    AddToLogFile("match run: no match action for that command");
    return 0;
  }
  fmatch_settings = GetMatchListSettings(current_tool_var);
  fmatch_settings.SetAction(static_cast<uint8_t>(action));
  if (action == 3) {
    UnmatchAll();
    return 0;
  }
  TBusyGuard busy(*this, kBusyMatches);
  changed_this_run_.clear();
  T1LongintList deleted_first;
  if (action == 2)
    for (int i = 0; i < Count(); ++i)
      if (SetDeleted(i, true)) deleted_first.push_back(i);
  items_matched.clear();
  // Without match words nothing may stay deleted by the run.
  auto nothing_to_match = [&](const char* why) {
    for (int32_t i : deleted_first) SetDeleted(i, false);
    AddToLogFile(why);
    return 0;
  };
  if (fmatch_settings.Kind() == 0) {
    matched_this_run_.assign(Count(), 0);
    const bool walked = TraverseMatchesDoing(current_tool_var, &MatchWordThunk, this);
    matched_this_run_.clear();
    if (!walked) return nothing_to_match("match run: no match list loaded");
    if (action == 0) AddItemsToUndoList(kUndoMatch, changed_this_run_);
    if (action == 1) AddItemsToUndoList(kUndoDelete, changed_this_run_);
  } else {
    TSearchWordItems items(SearchTextOptionsFromTextSettings(GetTextSettings()));
    // The typed words are separated by commas (or line breaks); blanks make a phrase.
    UString typed = fmatch_settings.TypedWords();
    for (char16_t& c : typed)
      if (c == u',') c = u'\n';
    items.AddedSearchWords(typed);
    if (items.Count() == 0) {
      return nothing_to_match("match run: no typed match words");
    } else {
      items_matched = ItemsWhichMatch(items, 0, MainWordColumn(), true);
      fmatch_words_found += static_cast<int32_t>(items_matched.size());
      if (!items_matched.empty()) {
        if (action == 0) MatchARange(items_matched, true, true);
        if (action == 1) DeleteARange(items_matched, true, true);
        if (action == 2) DeleteARange(items_matched, false, false);
      }
    }
  }
  if (action == 2) {
    // One undo step gives back what this run deleted.
    T1LongintList still;
    for (int32_t i : deleted_first)
      if (GetDeleted(i)) still.push_back(i);
    AddItemsToUndoList(kUndoDelete, still);
  }
  changed_this_run_.clear();
  return fmatch_words_found;
}

void TVXBaseLemmaMatchCapableList::StopWordThunk(void* self, UStringView word, bool case_sensitive, int32_t total,
                                                 int32_t index, bool whole_word, bool unicode) {
  static_cast<TVXBaseLemmaMatchCapableList*>(self)->RemoveStopWord(word, total, index, case_sensitive, whole_word,
                                                                   unicode);
}

void TVXBaseLemmaMatchCapableList::RemoveStopWord(UStringView word, int32_t total, int32_t index,
                                                  bool case_sensitive, bool whole_word, bool) {
  DoProgressPercent(PercentOf(index, total));
  const int i = Find_Word(word, case_sensitive, whole_word);
  if (i < 0 || GetDeleted(i)) return;
  TVXBaseListObject* e = Get(i);
  ++stoplist_types;
  AdjustStopListWordLengths(*e);
  stoplist_tokens += e->MainWordFrequency();
  DeleteOne(i, true);
}

int32_t TVXBaseLemmaMatchCapableList::CheckStops() {
  if (ListBusy() != kBusyNone) {
    RefuseWhileBusy("apply the stop list");
    return 0;
  }
  DoProgressPercent(0);
  SortAlphabeticallyAscending();
  stoplist_types = 0;
  stoplist_tokens = 0;
  stoplist_wordlengths.fill(0);
  {
    TBusyGuard busy(*this, kBusyStops);
    TraverseStopsDoing(current_tool_var, &StopWordThunk, this);
  }
  Zap(true);
  return stoplist_types;
}

// --- duplicates, matching, merging -----------------------------------------------------------

void TVXBaseLemmaMatchCapableList::RemoveDuplicates(TDuplicatesResult& result, const TDuplicatesProgress& progress) {
  result = TDuplicatesResult();
  if (ListBusy() != kBusyNone) {
    RefuseWhileBusy("remove duplicates");
    return;
  }
  SortAlphabeticallyAscending();
  TBusyGuard busy(*this, kBusyDuplicates);
  const int n = Count();
  const int step = n / 100;
  int i = 0;
  while (i < n - 1) {
    TVXBaseListObject* e = Get(i);
    if (!e || GetDeleted(i) || global_panic_state != kPanicNone) {
      ++i;
      continue;
    }
    if (step > 0 && progress && i % step == 0) progress(PercentOf(i, n), true);
    int j = i + 1;
    for (; j < n; ++j) {
      TVXBaseListObject* other = Get(j);
      if (!other || !other->IsDuplicateOf(*e)) break;
      if (SetDeleted(j, true)) {
        ++result.deleted;
        if (result.first_index < 0) result.first_index = i;
      }
    }
    i = j;
  }
}

T1LongintList TVXBaseLemmaMatchCapableList::ItemsWhichMatchProbe(TListMatchProbe& probe, int column,
                                                                 bool include_deleted) {
  T1LongintList found;
  const int n = Count();
  for (int i = 0; i < n && i < Count(); ++i) {
    TVXBaseListObject* e = Get(i);
    if (!e || (!include_deleted && GetDeleted(i))) continue;
    if ((i & 1023) == 0) DoProgressPercent(PercentOf(i, n));
    if (probe.Found(e->GetAWordAsString(column) + u' ')) found.push_back(i);
  }
  return found;
}

T1LongintList TVXBaseLemmaMatchCapableList::ItemsWhichMatchBreakdownProbe(TListMatchProbe& probe, int search_column,
                                                                          int key_column, UStringView key) {
  T1LongintList found;
  const int n = Count();
  for (int i = 0; i < n && i < Count(); ++i) {
    TVXBaseListObject* e = Get(i);
    if (!e || e->GetAWordAsString(key_column) != key) continue;
    if ((i & 1023) == 0) DoProgressPercent(PercentOf(i, n));
    if (probe.Found(e->GetAWordAsString(search_column) + u' ')) found.push_back(i);
  }
  return found;
}

T1LongintList TVXBaseLemmaMatchCapableList::ItemsWhichMatch(const TBaseSearchItems& items, uint32_t engine_setting,
                                                            int column, bool include_deleted) {
  TEngineProbe probe(items);
  return ItemsWhichMatchProbe(probe, column, include_deleted);
}

T1LongintList TVXBaseLemmaMatchCapableList::ItemsWhichMatchBreakdown(const TBaseSearchItems& items,
                                                                     uint32_t engine_setting, int search_column,
                                                                     int key_column, UStringView key) {
  TEngineProbe probe(items);
  return ItemsWhichMatchBreakdownProbe(probe, search_column, key_column, key);
}

bool TVXBaseLemmaMatchCapableList::MergeWith(TVXBaseLemmaMatchCapableList* other) {
  if (!other || other == this) return false;
  if (ListBusy() != kBusyNone || other->ListBusy() != kBusyNone) return RefuseWhileBusy("merge");
  if (!DonePreMergeChecks(*other)) return false;
  TBusyGuard busy_this(*this, kBusyMerging);
  TBusyGuard busy_other(*other, kBusyMerging);
  ClearUndoList();
  other->ClearUndoList();
  const int n = other->Count();
  Grow();
  for (int i = 0; i < n; ++i) {
    TVXBaseListObject* e = other->Get(i);
    if (!e) continue;
    other->PutOwn(i, nullptr);
    e->SetParentAs(this);
    AddOwn(e);
  }
  other->Pack();
  return true;
}

// --- free routines ---------------------------------------------------------------------------

bool PhraseHasAWordInList(UStringView phrase) {
  size_t begin = 0;
  for (size_t i = 0; i <= phrase.size(); ++i) {
    if (i == phrase.size() || phrase[i] == u' ') {
      const UString word(phrase.substr(begin, i - begin));
      if (!word.empty() && FoundInTheList(current_tool_var, word.c_str(), 1, lmsStop) != 0) return true;
      begin = i + 1;
    }
  }
  return false;
}

int32_t ZipEntryCount(UStringView file_name) {
  if (!FileExists(file_name)) return 0;
  TZipForge zip;
  zip.SetBaseDir(GetTempZipFolder());
  zip.SetFileName(file_name);
  if (!zip.OpenArchive(TZipOpenMode::Read)) return 0;
  const int32_t n = zip.GetEntryCount();
  zip.CloseArchive();
  return n;
}
