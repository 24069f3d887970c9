#include "concordance/document/concordance_document.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "concordance/views/derived_views.h"
#include "concordance/run/text_processor.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_reader.h"
#include "model/reading/tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/runtime/job_token.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

// --- derived lists --------------------------------------------------------------------------------

namespace {

TVXBaseListObject* MakeNoEntry(TVXBaseDataClass& list) { return new TVXBaseListObject(&list, list.Holder()); }

std::mutex g_factories_lock;
std::map<TTessorineList, TDerivedListFactory>& Factories() {
  static std::map<TTessorineList, TDerivedListFactory> factories;
  return factories;
}

grid_alternatives GridKindOf(TTessorineList type) { return type == kListClusters ? 1 : 0; }

}  // namespace

TConcordanceDerivedList::TConcordanceDerivedList(T_WholeLinzoraHolder* owner, grid_alternatives grid_kind,
                                                 TTessorineList list_type)
    : TVXBaseLemmaMatchCapableList(owner, &MakeNoEntry, grid_kind, list_type, 0), owner_(owner) {}

TConcordanceDerivedList::TConcordanceDerivedList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner,
                                                 TEntryClass entry_class, grid_alternatives grid_kind,
                                                 TTessorineList list_type)
    : TVXBaseLemmaMatchCapableList(holder, entry_class, grid_kind, list_type, 0), owner_(owner) {}

void TConcordanceDerivedList::MoveToOwner(T_WholeLinzoraHolder& owner) {
  owner_ = &owner;
  SetHolder(&owner);
}

void SetDerivedListFactory(TTessorineList list_type, TDerivedListFactory factory) {
  std::lock_guard<std::mutex> lock(g_factories_lock);
  if (factory) Factories()[list_type] = std::move(factory);
  else Factories().erase(list_type);
}

std::unique_ptr<TConcordanceDerivedList> MakeDerivedList(T_WholeLinzoraHolder& owner, TTessorineList list_type) {
  TDerivedListFactory factory;
  {
    std::lock_guard<std::mutex> lock(g_factories_lock);
    auto it = Factories().find(list_type);
    if (it != Factories().end()) factory = it->second;
  }
  if (factory)
    if (auto made = factory(owner)) return made;
  if (auto standard = MakeStandardDerivedList(owner, list_type)) return standard;
  return std::make_unique<TConcordanceDerivedList>(&owner, GridKindOf(list_type), list_type);
}

// --- option sets and menu tags ----------------------------------------------------------------------

int ConcDisplayOptionToTag(int option) {
  switch (option) {
    case 0: return 100;
    case 3: return 101;
    case 4: return 112;
    default: return 0;
  }
}

int ConcHideOptionToTag(int option) { return option >= 0 && option <= 4 ? 117 + option : 0; }

int ConcColouringOptionToTag(int option) { return option == 0 ? 138 : option == 1 ? 165 : 0; }

// --- the document ---------------------------------------------------------------------------------

T_WholeLinzoraHolder::T_WholeLinzoraHolder(TTessorineList list_kind, TCentreOfMainFormFunc centre,
                                           TEntriesReadEvent entries_read, TFailedReadEvent failed_read,
                                           bool stop_list_loaded, bool lemma_list_loaded, TTextTagHandler* tag_handler,
                                           TTagsToTranslateList* tags_to_translate)
    : TTessorineholder(GetTextSettings(), centre, std::move(entries_read), std::move(failed_read), stop_list_loaded,
                       lemma_list_loaded, tag_handler, tags_to_translate) {
  TagsVersion = 0;
  fAssociationParameter = -1;
  auto files = std::make_unique<TLinzoraFilenamelist>(this);
  fTextFilesWithSearchWord = files.get();
  SetVXBaseFilenames(std::move(files));
  // The stop state is the user's: a document made in the middle of a job (a merge, a re-link, a
  // request) must not undo a stop asked for meanwhile. Only job starters clear it.
  MainListType = list_kind;
  ListKind = list_kind;
  fSettings = GetConcSaveRec();
  fClusterList = MakeDerivedList(*this, kListClusters);
  fConcPlotList = MakeDerivedList(*this, kListPlot);
  fPatternsList = MakeDerivedList(*this, kListPatterns);
  fConcordanceList = std::make_unique<TConcordanceList>(this, this);
  if (list_kind != kListConcordance) fConcordanceList->ChangeListType(list_kind);
  fCollocateList = MakeDerivedList(*this, kListCollocates);
  fConcordanceList->colloc_horizons = CollocSpan(fSettings.CollocHorizonLeft(), fSettings.CollocHorizonRight());
  fTimeLineList = MakeDerivedList(*this, kListTimeline);
  fSearchWords.SetTextOptions(SearchTextOptionsFromTextSettings(TextSettings()));
  RegisterOwnedLists();
  CopyTagFileTagsToArrayOfSavedTagsDifferent();
}

T_WholeLinzoraHolder::~T_WholeLinzoraHolder() {
  fArrayOfSavedTags.clear();
  fTextsWithoutHits.clear();
  fUnusedFiles.Clear();
  Lists().Clear();
  fConcordanceList.reset();
  fCollocateList.reset();
  fClusterList.reset();
  fConcPlotList.reset();
  fPatternsList.reset();
  fReferenceCorpus.reset();
  fTimeLineList.reset();
}

// UTF-16 wins: a merge must never narrow text that the next save would then lose.
void T_WholeLinzoraHolder::PrepareForMergeWith(TTessorineholder& other) {
  if (other.Unicode() && !Unicode()) SetUnicode(true);
}

void T_WholeLinzoraHolder::ListKindsWithData(TListKindSet& kinds) {
  kinds.reset();
  const TDocumentList* lists[] = {fConcordanceList.get(), fClusterList.get(), fConcPlotList.get(),
                                  fPatternsList.get(),    fCollocateList.get(), fTimeLineList.get()};
  for (const TDocumentList* list : lists)
    if (list && list->ChangedEntries() != 0 && list->ListType() < kListTypeCount) kinds.set(list->ListType());
}

void T_WholeLinzoraHolder::RegisterOwnedLists() {
  TTessorineholder::RegisterOwnedLists();
  TDocumentList* lists[] = {fConcordanceList.get(), fCollocateList.get(), fConcPlotList.get(),
                            fPatternsList.get(),    fClusterList.get(),   fTimeLineList.get(),
                            fTextFilesWithSearchWord};
  for (TDocumentList* list : lists)
    if (list) Lists().Add(list, CentreOfMainForm());
  SetAllGridHeadings();
}

void T_WholeLinzoraHolder::CheckMenuItemsAfterLoadFromFile() {
  for (int o = 0; o <= 2; ++o)
    if (const int tag = ConcColouringOptionToTag(o)) TryToSetAMenuItemChecked(tag, OptionSet(fSettings.ColouringOptions(), o));
  for (int o = 0; o <= 4; ++o) {
    if (const int tag = ConcDisplayOptionToTag(o)) TryToSetAMenuItemChecked(tag, OptionSet(fSettings.DisplayOptions(), o));
    if (const int tag = ConcHideOptionToTag(o)) TryToSetAMenuItemChecked(tag, OptionSet(fSettings.HideOptions(), o));
  }
  SetMenuItemChecked(87, fSettings.SearchWordPadded());
  SetMenuItemChecked(181, fSettings.SearchWordHidden());
  TTessorineholder::CheckMenuItemsAfterLoadFromFile();
}

// Code 233 takes the user's new settings but keeps the facts of the run the lines were made in
// (words searched, lines wanted, counts, running words).
void T_WholeLinzoraHolder::UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag) {
  TTessorineholder::UpdateSettingsFromTextbuf(code, list, flag);
  const TConcSettingsRec32 current = GetConcSaveRec();
  if (code == 233) {
    TConcSettingsRec32 next = current;
    std::copy(fSettings.bytes, fSettings.bytes + 664, next.bytes);
    fSettings = next;
    fConcordanceList->colloc_horizons = CollocSpan(fSettings.CollocHorizonLeft(), fSettings.CollocHorizonRight());
    if (fConcordanceList->fHasTagFileData) TryToUpdateTags();
  }
  plot_options.order = current.PlotRowOrder();
  SetTextSettings_Language(GetTextSettings().Language());
}

void T_WholeLinzoraHolder::WriteSettingsToLog(bool success, UStringView caption) {
  AddToLogFile(VXRes(TVXRes::VXSettings) + UFormat(u": %s success: %s", {caption, success ? u"True" : u"False"}));
}

int32_t T_WholeLinzoraHolder::DerivedWorkers() const {
  return fDerivedWorkers > 0 ? fDerivedWorkers : JobWorkerThreads(0);
}

TConcordanceWorkDoneRec T_WholeLinzoraHolder::WorkDone() const {
  return {fComputed[0] != 0, fComputed[1] != 0, fComputed[2] != 0, fComputed[3] != 0, fComputed[4] != 0,
          fComputed[5] != 0};
}

void T_WholeLinzoraHolder::SetWorkDone(const TConcordanceWorkDoneRec& w) {
  fComputed = {w.relationships, w.clusters, w.collocates, w.patterns, w.plot, w.timeline};
}

const std::vector<uint8_t>* T_WholeLinzoraHolder::SearchWordTagTable() const {
  return fPairedTagTable.empty() ? nullptr : &fPairedTagTable;
}

// --- toggles --------------------------------------------------------------------------------------

void T_WholeLinzoraHolder::ToggleConcColouringSetting(int tag) {
  const int option = tag == 138 ? 0 : 1;
  fSettings.SetColouringOptions(ToggledOption(fSettings.ColouringOptions(), option));
  SetMenuItemChecked(tag, OptionSet(fSettings.ColouringOptions(), option));
  SetConcSaveRecColouringOptions(fSettings.ColouringOptions());
}

void T_WholeLinzoraHolder::ToggleHidetags(int tag) {
  if (tag == 100) {
    ToggleConcDisplay(tag);
    return;
  }
  if (tag < 117 || tag > 121) return;
  const int option = tag - 117;
  fSettings.SetHideOptions(ToggledOption(fSettings.HideOptions(), option));
  SetMenuItemChecked(tag, OptionSet(fSettings.HideOptions(), option));
  SetConcSaveRecHideOptions(fSettings.HideOptions());
  UpdateVXShell();
}

bool T_WholeLinzoraHolder::HideTagFileTags() const { return OptionSet(fSettings.DisplayOptions(), 0); }
bool T_WholeLinzoraHolder::HideUndefinedTags() const { return OptionSet(fSettings.HideOptions(), 0); }

int T_WholeLinzoraHolder::LineView() const {
  const uint8_t options = fSettings.DisplayOptions();
  if (OptionSet(options, 3)) return kLineViewSentence;
  if (OptionSet(options, 4)) return kLineViewTags;
  return kLineViewWhole;
}

bool T_WholeLinzoraHolder::TextMarkersOn() const {
  return text_output && (!GetConc_SW_TXT_Marker().empty() || !GetConc_Context_W_TXT_Marker().empty());
}

UString T_WholeLinzoraHolder::SentenceEndMarker() const {
  constexpr int kind = TTextsett_rec32::kSentenceEndMarker;
  UString marker = TextSettings().MarkerText(kind);
  if (TextSettings().MarkerAuto(kind) || marker == u"auto") marker.clear();
  return marker;
}

void T_WholeLinzoraHolder::ToggleConcDisplay(int tag) {
  const int option = tag == 100 ? 0 : tag == 101 ? 3 : tag == 112 ? 4 : -1;
  if (option < 0) return;
  fSettings.SetDisplayOptions(ToggledOption(fSettings.DisplayOptions(), option));
  SetConcSaveRecDisplayOptions(fSettings.DisplayOptions());
  SetMenuItemChecked(tag, OptionSet(fSettings.DisplayOptions(), option));
  UpdateVXShell();
}

// --- search items and texts -------------------------------------------------------------------------

void T_WholeLinzoraHolder::CopySearchWordItemsToFSWSEtc(const TBaseSearchItems& items) {
  fSearchWords.SetTextOptions(items.TextOptions());
  fSearchWords.Clear();
  for (const UString& typed : items.TypedInWordsAsStringlist()) {
    if (fSearchWords.TypeInIndexOf(typed) >= 0) continue;
    // Keep each item whole (its own limit and context words) rather than re-parse its text.
    const int32_t index = items.TypeInIndexOf(typed);
    const TSearch_word_format_rec* rec = index >= 0 ? items.GetPtr(index) : nullptr;
    fSearchWords.AddedSearchWords(typed, rec ? rec->instances_to_find : 0x7FFFFFFF);
  }
  const int32_t planned = items.SearchesPlannedCount();
  fConcordanceList->fsearch_words_to_seek = planned;
  if (static_cast<int32_t>(fConcordanceList->sws_found_counter.size()) < planned)
    fConcordanceList->sws_found_counter.resize(static_cast<size_t>(planned), 0);
}

bool T_WholeLinzoraHolder::CopyFilenamesToChosenTexts(TSharedChosenFilesClass& chosen) const {
  chosen.ClearThem();
  bool all = true;
  for (int i = 0; i < fTextFilesWithSearchWord->Count(); ++i) {
    MyYieldProcess();
    const UString name = fTextFilesWithSearchWord->GetFullFilename(i, false);
    if (!FileExists(name) || !chosen.ToolAddAFile(name)) all = false;
  }
  return all && chosen.FileCount() > 0;
}

// --- visible tags -------------------------------------------------------------------------------------

namespace {

constexpr int32_t kStyleTagText = 0x00800000;  // the current style's tag text colour
constexpr int32_t kStyleTagBack = 0x00FFFFFF;  // and background

}  // namespace

void T_WholeLinzoraHolder::RecomputeTagDerivedFields() {
  fMarkedTag = false;
  fConcordanceList->tag_string_only_on.clear();
  fConcordanceList->tag_string_only_off.clear();
  for (const TVisibleTagRec& t : fArrayOfSavedTags) {
    if (t.isMediaTag) fMarkedTag = true;
    if (!t.added.isTagForTagStringOnlyDisplay) continue;
    if (t.tag_type == on_tag) fConcordanceList->tag_string_only_on = t.tag;
    if (t.tag_type == off_tag) fConcordanceList->tag_string_only_off = t.tag;
  }
}

bool T_WholeLinzoraHolder::CopyTagFileTagsToArrayOfSavedTagsDifferent() {
  const std::vector<TStoredTagRec> file_tags =
      TextTagHandler ? TextTagHandler->TagfileTagsAsStoredArray() : std::vector<TStoredTagRec>{};
  if (fArrayOfSavedTags.empty()) {
    fStoredTagColoursDiffer = false;
    for (const TStoredTagRec& t : file_tags) {
      TVisibleTagRec v;
      static_cast<TStoredTagRec&>(v) = t;
      v.hidden = 0;
      if (t.foreground_colour != kStyleTagText || t.background_colour != kStyleTagBack) fStoredTagColoursDiffer = true;
      fArrayOfSavedTags.push_back(std::move(v));
    }
    RecomputeTagDerivedFields();
    return true;
  }
  for (TVisibleTagRec& v : fArrayOfSavedTags) {
    for (const TStoredTagRec& t : file_tags) {
      if (t.tag != v.tag) continue;
      const uint8_t hidden = v.hidden;
      const UString name = v.tag;
      static_cast<TStoredTagRec&>(v) = t;
      v.tag = name;
      v.hidden = hidden;
      break;
    }
  }
  return false;
}

bool T_WholeLinzoraHolder::TryToUpdateTags() {
  if (!TextTagHandler || TextTagHandler->TagfileTagsAsStoredArray().empty()) return false;
  std::vector<TForeBackColoursArray> colours;
  auto add = [&](const TStoredTagFixed& t) {
    TForeBackColoursArray c{};
    c.fore = t.foreground_colour;
    c.back = t.background_colour;
    colours.push_back(c);
  };
  if (CopyTagFileTagsToArrayOfSavedTagsDifferent()) {
    for (const TStoredTagRec& t : TextTagHandler->TagfileTagsAsStoredArray()) add(t);
  } else {
    for (const TVisibleTagRec& t : fArrayOfSavedTags) add(t);
  }
  fConcordanceList->ChangeTagColours(colours);
  return true;
}
