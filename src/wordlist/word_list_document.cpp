#include "wordlist/word_list_document.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/settings/settings_access.h"
#include "wordlist/detailed_consist.h"
#include "wordlist/relationships_list.h"
#include "wordlist/wordlist_indexer.h"

namespace {

// Marks the document busy for windows while a read or save runs; cleared on every path.
class TBusyMark {
 public:
  explicit TBusyMark(TTessorineholder& doc) : doc_(doc) { doc_.SetBusyDontShowData(true); }
  ~TBusyMark() { doc_.SetBusyDontShowData(false); }

 private:
  TTessorineholder& doc_;
};

bool KindKeptHere(TTessorineList kind) {
  return kind == kListWordList || kind == kListKeywords || kind == kListDetailedConsistency ||
         kind == kListRelationships;
}

}  // namespace

T_WholeWordlistHolder::T_WholeWordlistHolder(TCentreOfMainFormFunc centre, TEntriesReadEvent entries_read,
                                             TFailedReadEvent dud_file, TTessorineList list_type,
                                             bool using_stoplist, bool using_lemma_list,
                                             TTextTagHandler* tag_handler, TTagsToTranslateList* tags_to_translate)
    : TTessorineholder(GetTextSettings(), centre, std::move(entries_read), std::move(dud_file), using_stoplist,
                       using_lemma_list, tag_handler, tags_to_translate),
      fStats(std::make_unique<TVXStatsList>(this)),
      fKeywordsList(std::make_unique<TKeyWordList>(this)),
      fIndexWords(std::make_unique<TVXWordList>(this, kListIndexWordlist)),
      fWLWords(std::make_unique<TVXWordList>(this, kListWordlist)),
      fDetailedConsistencyList(std::make_unique<TDetailedConsistencyList>(this)),
      fRelationshipsList(std::make_unique<TRelationshipsList>(this)) {
  // A reference corpus may be made in the middle of another job: the stop state is the job's.
  ListKind = list_type;
  WordlistSettings.Clear();
  LinkLists();
  RegisterOwnedLists();
  UpdateSettingsFromTextbuf(233, fWLWords.get(), 0);
}

T_WholeWordlistHolder::~T_WholeWordlistHolder() = default;

void T_WholeWordlistHolder::LinkLists() {
  fWLWords->fStatsList = fStats.get();
  fIndexWords->fStatsList = fStats.get();
}

TVXWordList* T_WholeWordlistHolder::GetWordlistByListType(TTessorineList list_type) const {
  return list_type == kListIndexWordlist ? fIndexWords.get() : fWLWords.get();
}

void T_WholeWordlistHolder::TakeKeywordList(std::unique_ptr<TKeyWordList> list) {
  if (!list) return;
  list->SetHolder(this);
  if (list->fKWStats) list->fKWStats->SetHolder(this);
  fKeywordsList = std::move(list);
  RegisterOwnedLists();
}

void T_WholeWordlistHolder::RegisterOwnedLists() {
  TTessorineholder::RegisterOwnedLists();
  Lists().Add(fWLWords.get(), CentreOfMainForm());
  Lists().Add(fIndexWords.get(), CentreOfMainForm());
  Lists().Add(fKeywordsList.get(), CentreOfMainForm());
  Lists().Add(fStats.get(), CentreOfMainForm());
  Lists().Add(fDetailedConsistencyList.get(), CentreOfMainForm());
  Lists().Add(&fDetailedConsistencyList->Relations(), CentreOfMainForm());
  Lists().Add(fRelationshipsList.get(), CentreOfMainForm());
}

void T_WholeWordlistHolder::ListKindsWithData(TListKindSet& kinds) {
  kinds.reset();
  for (TDocumentList* list :
       {static_cast<TDocumentList*>(fWLWords.get()), static_cast<TDocumentList*>(fIndexWords.get()),
        static_cast<TDocumentList*>(fStats.get()), static_cast<TDocumentList*>(fDetailedConsistencyList.get()),
        static_cast<TDocumentList*>(fRelationshipsList.get())})
    if (list->Count() > 0 && list->ListType() < kinds.size()) kinds.set(list->ListType());
}

void T_WholeWordlistHolder::UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag) {
  TTessorineholder::UpdateSettingsFromTextbuf(code, list, flag);
  if (code == 233) WordlistSettings = GetWordlistSettings();
}

void T_WholeWordlistHolder::WriteSettingsToLog(bool success, UStringView caption) {
  AddToLogFile(VXRes(TVXRes::VXSettings) + u": " + UString(caption) + u" success: " +
               (success ? u"True" : u"False"));
}

UString WordListTagTreatmentToString(uint8_t treatment) {
  switch (treatment) {
    case 0: return u"words alone";
    case 1: return u"each word with its tag";
    case 2: return u"tags alone";
    case 3: return u"only words with a tag, each with its tag";
    default: return IntToUStr(treatment);
  }
}

void T_WholeWordlistHolder::AddTextSettingsNotes() {
  TTessorineholder::AddTextSettingsNotes();
  AddNoteDetails(fWLWords->DetailsOfCurrentSettings(), 2);
  if (StopListLoaded()) {
    const TOne_text_stats_data& o = fStats->Overall_stats.data;
    fNotes.Add(u"\t" + VXResFmt(TVXRes::VXNStoplistTypesRemov, {IntToUStr(o.stop_types)}));
    fNotes.Add(u"\t" + VXResFmt(TVXRes::VXNStoplistTokensRemo, {IntToUStr(o.stop_tokens)}));
  }
  const uint8_t tags = TextSettings().TagTreatment();
  if (tags != 0) fNotes.Add(u"\t" + VXResFmt(TVXRes::VXTagTreatmentIs, {WordListTagTreatmentToString(tags)}));
  if (fIndexHandler) AddNoteDetails(fIndexHandler->DetailsOfCurrentSettings(false), 2);
  if (adding_cluster_wordlist_notes) {
    const TWordlistIndexSettingsRec index_settings =
        fIndexHandler ? fIndexHandler->IndexSettings : GetWordlistIndexSettings();
    AddOneLaterNote(VXResFmt(TVXRes::VXXtoYWordClusters, {IntToUStr(index_settings.ClusterSizeMin()),
                                                         IntToUStr(index_settings.ClusterSizeMax())}),
                    VXRes(TVXRes::VXComputed) + u":");
    if (fIndexHandler) AddNoteDetails(fIndexHandler->DetailsOfCurrentSettings(true), 2);
  }
}

// --- saving ----------------------------------------------------------------------------------

bool T_WholeWordlistHolder::SaveToStream(TStream& s) {
  TBusyMark busy(*this);
  try {
    if (!KindKeptHere(ListKind)) {
      AddToLogFile(u"a word-list document of list kind " + IntToUStr(ListKind) + u" is not kept: not saved");
      return false;
    }
    // A word list is the word lister's file whichever tool saves it, so that every tool reads it
    // as the word lister's.
    fCheck.signature = ToolSignature(kToolWordLister);
    int32_t main_count = fKeywordsList->Count();
    if (ListKind == kListWordList) main_count = fWLWords->Count();
    if (ListKind == kListDetailedConsistency) main_count = fDetailedConsistencyList->Count();
    if (ListKind == kListRelationships) {
      main_count = fRelationshipsList->Count();
      SaveAParentFilenameInExtraStuff(fRelationshipsList->SourceIndexFilename());
    }
    SetTessorineHolderMainListCount(main_count);
    bool ok = TTessorineholder::SaveToStream(s);
    ok = ok && s.WriteExact(WordlistSettings.bytes, sizeof WordlistSettings.bytes);
    ok = ok && fNotes.SaveToStream(s) && SavedTextSettings(s);
    if (!ok) return false;
    if (ListKind == kListDetailedConsistency) return fDetailedConsistencyList->SaveToStream(s) && fStats->SaveToStream(s);
    if (ListKind == kListRelationships) {
      if (!fRelationshipsList->SaveToStream(s)) return false;
      // The types the pairs' numbers refer to, when the index is open.
      if (!fIndexHandler) return true;
      if (fIndexHandler->SortedWords().empty()) fIndexHandler->SetupSortedWords();
      return fIndexHandler->SortedTypes().SaveToStream(s);
    }
    if (ListKind == kListWordList) {
      fWLWords->SetVersionNumber(std::max(11, fWLWords->GetVersionNumber()));
      ok = fWLWords->SaveToStream(s) && fStats->SaveToStream(s);
    }
    return ok && fKeywordsList->SaveToStream(s) && KWSettingsSaved(s, fKeywordsList->KWSettings) && SavedColours(s);
  } catch (...) {
    return false;
  }
}

// --- reading ---------------------------------------------------------------------------------

bool T_WholeWordlistHolder::ReadBodyInPlace(TStream& s) {
  if (!TTessorineholder::ReadWholeFromStream(s)) return false;
  if (!KindKeptHere(ListKind)) {
    AddToLogFile(u"a word-list document of list kind " + IntToUStr(ListKind) + u" is not kept: not read");
    return false;
  }
  if (!s.ReadExact(WordlistSettings.bytes, sizeof WordlistSettings.bytes)) return false;
  if (!fNotes.ReadFromStream(s) || !ReadTextSettings(s)) return false;
  SetVXBaseListsLCIDToTextSettingsLCID();
  if (ListKind == kListRelationships) {
    if (!fRelationshipsList->ReadFromStream(s)) {
      fReadRefusal = fRelationshipsList->ReadRefusal();
      return false;
    }
    // A file saved without the index open ends here.
    fIndexTypes.Clear();
    if (s.BytesLeft() == 0) return true;
    if (!fIndexTypes.ReadFromStream(s)) return false;
    WordsOfIndexTypesFromPairs();
    return true;
  }
  if (ListKind == kListDetailedConsistency)
    return fDetailedConsistencyList->ReadFromStream(s) && fStats->ReadFromStream(s);
  if (ListKind == kListWordList) {
    if (!fWLWords->ReadFromStream(s)) return false;
    ReadComplete = !fWLWords->StoredListInfo().info.some_data_fields_missing;
    if (!fStats->ReadFromStream(s)) return false;
    // A word list stored without a version carries no keyword block.
    if (fWLWords->GetVersionNumber() <= 0) return true;
  }
  TKeywordsSettingsRec32 kw_settings = fKeywordsList->KWSettings;
  if (!fKeywordsList->ReadFromStream(s) || !KWSettingsRead(s, kw_settings) || !ReadColours(s)) return false;
  fKeywordsList->KWSettings = kw_settings;
  return true;
}

bool T_WholeWordlistHolder::ReadWholeFromStream(TStream& s) {
  if (RefusedReadWhileBusy()) return false;
  TBusyMark busy(*this);
  // The file is read into a fresh document that starts from this one's state; only a whole read
  // is taken over, so a refused file leaves language, code page, text width and lists as they were.
  auto fresh = std::make_unique<T_WholeWordlistHolder>(CentreOfMainForm(), OnMainEntriesKnown, OnDudFile, ListKind,
                                                       StopListLoaded(), LemmaListLoaded(), TextTagHandler,
                                                       TagsToTranslate);
  fresh->CopyReadStateFrom(*this);
  fresh->fSecondaryRead = fSecondaryRead;
  bool ok = false;
  try {
    ok = fresh->ReadBodyInPlace(s);
  } catch (...) {
    ok = false;
  }
  fReadRefusal = ok ? UString() : fresh->fReadRefusal;
  if (ok) {
    CopyReadStateFrom(*fresh);
    fWLWords.swap(fresh->fWLWords);
    fStats.swap(fresh->fStats);
    fKeywordsList.swap(fresh->fKeywordsList);
    // Every list a read fills is the file's: those its kind does not keep are empty.
    fDetailedConsistencyList.swap(fresh->fDetailedConsistencyList);
    fRelationshipsList.swap(fresh->fRelationshipsList);
    std::swap(fIndexTypes, fresh->fIndexTypes);
    WordlistSettings = fresh->WordlistSettings;
    AdoptOwnLists();
    fresh->AdoptOwnLists();
  }
  if (global_keeping_log) WriteSettingsToLog(ok, u"ReadWholeFromStream");
  return ok;
}

void T_WholeWordlistHolder::AdoptOwnLists() {
  fWLWords->SetHolder(this);
  fStats->SetHolder(this);
  fKeywordsList->SetHolder(this);
  if (fKeywordsList->fKWStats) fKeywordsList->fKWStats->SetHolder(this);
  fDetailedConsistencyList->SetHolder(this);
  fDetailedConsistencyList->Relations().SetHolder(this);
  fRelationshipsList->SetHolder(this);
  LinkLists();
  RegisterOwnedLists();
}

T2_BooleanRec T_WholeWordlistHolder::ReadWholeFromOpenFile(TStream& file, UStringView file_name, uint8_t tool_type) {
  T2_BooleanRec result = TTessorineholder::ReadWholeFromOpenFile(file, file_name, tool_type);
  // Files saved as the word lister's are read by every tool (a failed read changed nothing).
  if (!result.first && tool_type != kToolWordLister && file.SetPosition(0))
    result = TTessorineholder::ReadWholeFromOpenFile(file, file_name, kToolWordLister);
  if (result.first) {
    fLastFailure.clear();
  } else {
    fLastFailure = VXResFmt(TVXRes::VXFailedToReadX, {file_name});
    if (!fReadRefusal.empty()) fLastFailure += u": " + fReadRefusal;
    AddToLogFile(fLastFailure);
  }
  return result;
}

// --- merging ---------------------------------------------------------------------------------

bool T_WholeWordlistHolder::MergeWith(TTessorineholder& other_doc, UStringView caption) {
  auto* other = dynamic_cast<T_WholeWordlistHolder*>(&other_doc);
  // Every check first: a refused merge changes neither document.
  if (!other || other == this || ListKind != other->ListKind || !KindKeptHere(ListKind)) return false;
  for (T_WholeWordlistHolder* doc : {this, other})
    for (TDocumentList* list :
         {static_cast<TDocumentList*>(doc->fWLWords.get()), static_cast<TDocumentList*>(doc->fStats.get()),
          static_cast<TDocumentList*>(doc->fKeywordsList.get()),
          static_cast<TDocumentList*>(doc->fDetailedConsistencyList.get()),
          static_cast<TDocumentList*>(doc->fRelationshipsList.get())})
      if (list->ListBusy() != kBusyNone) return list->RefuseWhileBusy("merge word lists");
  if (ListKind == kListRelationships) {
    // Pairs are numbered by the types of their index: only pairs of one index go together.
    const UString a = fRelationshipsList->SourceIndexFilename(), b = other->fRelationshipsList->SourceIndexFilename();
    if (FoldCaseU(a) != FoldCaseU(b)) {
      fLastFailure = u"relationships of " + b + u" cannot join those of " + a + u": another index";
      AddToLogFile(fLastFailure);
      return false;
    }
    if (!fRelationshipsList->MergeWith(other->fRelationshipsList.get())) return false;
    fRelationshipsList->SortAll();
    MergeIndexTypes(other->IndexTypes());
    return TTessorineholder::MergeWith(other_doc, caption);
  }
  if (int64_t{fDetailedConsistencyList->NLists()} + other->fDetailedConsistencyList->NLists() >
      kMaxDetailedConsistencyLists)
    return false;
  // The statistics rows move first (they cannot fail once both lists are free), then the lists.
  for (int i = 0; i < other->fStats->Count(); ++i) {
    TVXBaseListObject* e = other->fStats->Get(i);
    if (!e) continue;
    other->fStats->Put(i, nullptr);
    if (fStats->Add(e) < 0) delete e;
  }
  other->fStats->Pack();
  fStats->Overall_stats.data.running_words += other->fStats->Overall_stats.data.running_words;
  if (!fWLWords->MergeWith(other->fWLWords.get())) return false;
  if (!fDetailedConsistencyList->MergeWith(other->fDetailedConsistencyList.get())) return false;
  if (other->fKeywordsList->Count() > 0) fKeywordsList->MergeWith(other->fKeywordsList.get());
  WordlistCounts.a += other->WordlistCounts.a;
  WordlistCounts.b += other->WordlistCounts.b;
  WordlistCounts.rows = fWLWords->Count();
  return TTessorineholder::MergeWith(other_doc, caption);
}

void T_WholeWordlistHolder::WordsOfIndexTypesFromPairs() {
  std::unordered_map<uint32_t, UString> words;
  for (int i = 0; i < fRelationshipsList->Count(); ++i)
    if (const TRelationshipEntry* e = fRelationshipsList->Row(i)) {
      words.try_emplace(static_cast<uint32_t>(e->data.type1), e->word1);
      words.try_emplace(static_cast<uint32_t>(e->data.type2), e->word2);
    }
  fIndexTypes.SetWords(
      [&](uint32_t t) {
        const auto it = words.find(t);
        return it == words.end() ? UString() : it->second;
      },
      static_cast<uint32_t>(TextSettings().LCID()), WordlistSettings.CaseSensitive());
}

void T_WholeWordlistHolder::MergeIndexTypes(const TIndexTypeList& other) {
  // Both lists are of one index: a type either has is one type.
  std::vector<TIndexTypeRec> types;
  std::unordered_map<uint32_t, bool> seen;
  for (const TIndexTypeList* list : {static_cast<const TIndexTypeList*>(&fIndexTypes), &other})
    for (int32_t k = 0; k < list->Count(); ++k)
      if (seen.try_emplace(list->Item(k).rec.word_type_num, true).second) types.push_back(list->Item(k));
  fIndexTypes.Build(std::move(types), static_cast<uint32_t>(TextSettings().LCID()), WordlistSettings.CaseSensitive());
  WordsOfIndexTypesFromPairs();
}

bool T_WholeWordlistHolder::ComputedRankOrdersOfWords() {
  fWLWords->ComputedRankOrdersOfWords();
  return true;
}

// --- the corpus index ----------------------------------------------------------------------------

bool T_WholeWordlistHolder::StartAnIndexHandler(UStringView index_name, int32_t mode, bool replacing) {
  // The index is made beside a statistics list of its own; both become the document's only when
  // the files were found as the mode needs.
  auto stats = std::make_unique<TVXStatsList>(this);
  auto index = std::make_unique<TIndexHandler>(this, stats.get(), index_name, mode, replacing);
  if (!index->LoadedTheFiles()) {
    fLastFailure = index->LastFailure();
    return false;
  }
  fLastFailure = index->LastFailure();
  if (mode != kIndexCreate) {
    SetTextSettings(index->TextSettingsOfIndex());
    WordlistSettings = index->WordlistSettingsOfIndex();
  }
  fIndexHandler = std::move(index);
  fStats = std::move(stats);
  LinkLists();
  RegisterOwnedLists();
  return true;
}

bool T_WholeWordlistHolder::FillIndexWords(TIndexHandler& index, TVXWordList& words) {
  words.Clear();
  for (int32_t t = 0; t < index.TypeCount(); ++t) {
    const TIndexTypeFileRec* r = index.PointerFromWordType(t);
    if (!r) continue;
    const UString text = index.WordFromWordType(t);
    if (StopListLoaded() && FoundInTheList(current_tool_var, text.c_str(), 1, lmsStop) != 0) continue;
    TWordlistData d;
    const int32_t tag_units = r->tag_units;  // a copy: the record is packed, and a reference to its field may sit unaligned
    d.prefix = text.substr(0, static_cast<size_t>(std::clamp<int32_t>(tag_units, 0, static_cast<int32_t>(text.size()))));
    d.word = text.substr(d.prefix.size());
    d.frequency = r->freq;
    d.n_texts = r->n_texts;
    if (words.AddRow(d) < 0) return false;
  }
  // The lemma list joins the index's forms under their heads, as in a word list made of texts.
  if (LemmaListLoaded()) words.CheckLemmas();
  words.RebuildFrequencyIndex();
  return true;
}

bool T_WholeWordlistHolder::LoadedIndexData() {
  if (!fIndexHandler) return false;
  auto words = std::make_unique<TVXWordList>(this, kListIndexWordlist);
  if (!FillIndexWords(*fIndexHandler, *words)) return false;
  fIndexWords = std::move(words);
  LinkLists();
  RegisterOwnedLists();
  return true;
}

T2_BooleanRec T_WholeWordlistHolder::OpenAnIndexAndLoadWords(UStringView index_name) {
  auto stats = std::make_unique<TVXStatsList>(this);
  auto index = std::make_unique<TIndexHandler>(this, stats.get(), index_name, kIndexReadOnly);
  if (!index->LoadedTheFiles()) {
    fLastFailure = index->LastFailure();
    return {false, false};
  }
  // The words come from the new handler; when they cannot be loaded the old one is put back.
  std::unique_ptr<TIndexHandler> previous = std::exchange(fIndexHandler, std::move(index));
  if (!LoadedIndexData()) {
    fLastFailure = fIndexHandler->LastFailure();
    fIndexHandler = std::move(previous);
    return {false, false};
  }
  TIndexHandler* const opened = fIndexHandler.get();
  fLastFailure = opened->LastFailure();
  ListKind = kListIndexWordlist;
  SetTextSettings(opened->TextSettingsOfIndex());
  SetVXBaseListsLCIDToTextSettingsLCID();
  WordlistSettings = opened->WordlistSettingsOfIndex();
  SourceTextFilename = UString(index_name);
  fNotes.Clear();
  for (const UString& line : opened->fTail.notes) fNotes.Add(line);
  TVXWordList& words = *fIndexWords;
  if (!opened->fTail.headings.empty()) words.SetHeadings(opened->fTail.headings);
  if (words.Count() > 1) words.DoASort(1, 0, words.Count() - 1);
  previous.reset();  // before the statistics it was given
  fStats = std::move(stats);
  words.fHasIndex = true;
  LinkLists();
  RegisterOwnedLists();
  return {true, false};
}

bool T_WholeWordlistHolder::CopyLemmasToIndex() {
  if (!fIndexHandler) return false;
  TVXWordList& words = *fIndexWords;
  for (int i = 0; i < words.Count(); ++i) {
    const TWordlistEntry* e = words.Row(i);
    if (!e || e->JoinedTo() || !words.GetHasJoined(i)) continue;
    const int32_t head = fIndexHandler->AddHeadWordToExtras(e->data.word, words.GetTotalJoinedFreq(i));
    for (const TVXBaseListObject* form : e->JoinedEntries())
      fIndexHandler->AddVariantToExtras(form->MainWordOnly(), head, 0);
  }
  return true;
}

bool T_WholeWordlistHolder::CheckLemmasForConsistency(UStringView index_name) {
  if (!StartAnIndexHandler(index_name, kIndexReadOnly)) return false;
  TVXWordList& words = *fWLWords;
  for (int i = 0; i < words.Count(); ++i) {
    TWordlistEntry* e = words.Row(i);
    if (!e || e->JoinedTo() || !words.GetHasJoined(i)) continue;
    std::vector<int32_t> texts;
    auto gather = [&](UStringView word) {
      const auto contexts = fIndexHandler->ListOfAllContextsToAWord(word);
      for (const TTokenAndPlaceRec& c : contexts->items) texts.push_back(c.data.file_number);
    };
    gather(e->data.word);
    for (const TVXBaseListObject* form : e->JoinedEntries()) gather(form->MainWordOnly());
    std::sort(texts.begin(), texts.end());
    e->data.n_texts = static_cast<int32_t>(std::unique(texts.begin(), texts.end()) - texts.begin());
  }
  // The numbers of texts now count whole lemmas; the dispersion values do not.
  words.StoredListInfo().info.has_dispersion_data = 0;
  return true;
}

bool T_WholeWordlistHolder::SaveToFile(UStringView file_name, int32_t client_height, int32_t client_width,
                                       int32_t saved_dpi) {
  if (ListKind != kListIndexWordlist || !fIndexHandler)
    return TTessorineholder::SaveToFile(file_name, client_height, client_width, saved_dpi);
  TBusyMark busy(*this);
  fIndexHandler->SetFileNames(file_name);
  CopyLemmasToIndex();
  // A build's notes go after those the index had (and the adding note); a read index keeps its own.
  const bool ok = fIndexHandler->Build()
                      ? fIndexHandler->ProcessAfterWordHandling(fIndexHandler->TextCount(), fNotes.Lines())
                      : fIndexHandler->Save(fNotes.Lines(), fIndexWords->Headings());
  fLastFailure = fIndexHandler->LastFailure();
  if (ok) SourceTextFilename = UString(file_name);
  return ok;
}
