// The word-list document's analyses over its corpus index: clusters with their phrase frames,
// relationships and the moving window. Each works on lists of its own and hands them to the
// document only when it succeeded, so a failure or a stop leaves the document as it was.

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "model/documents/batch_procedures.h"
#include "model/documents/work_base.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/runtime/text_helpers.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "wordlist/combinations.h"
#include "wordlist/moving_window_plot_data.h"
#include "wordlist/multi_word_unit_processing.h"
#include "wordlist/relationships_list.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_indexer.h"

namespace {

// The stop list's words, as the moving window leaves them out of its windows.
void AddStopWord(void* context, UStringView word, bool, int32_t, int32_t, bool, bool) {
  static_cast<std::vector<UString>*>(context)->emplace_back(word);
}

}  // namespace

// --- the moving window -----------------------------------------------------------------------------

T_WholeWordlistHolder::TMovingWindowFNamesRec T_WholeWordlistHolder::MakeAndSaveMovingWindow(int32_t window_size,
                                                                                            int32_t planned_runs) {
  fLastFailure.clear();
  auto fail = [&](const UString& why) {
    fLastFailure = why;
    AddToLogFile(u"MakeAndSaveMovingWindow: " + why);
    return TMovingWindowFNamesRec{};
  };
  if (!fIndexHandler) return fail(u"moving window: no corpus index open");
  TIndexHandler& index = *fIndexHandler;
  // The windows hold every type but the stop list's: no word list's rows are followed apart, so
  // the moving-window settings' word count is offered nowhere.
  index.GrammarWordList.clear();
  if (StopListLoaded()) TraverseStopsDoing(current_tool_var, AddStopWord, &index.GrammarWordList);

  std::unique_ptr<TMovingWindow> mw = index.ComputeMovingWindow(window_size, planned_runs);
  if (!mw) return fail(index.LastFailure());
  int32_t most_windows = 0;
  for (int32_t r = 0; r < mw->NumberOfWindows(); ++r) most_windows = std::max(most_windows, mw->WindowsOfRun(r));
  if (most_windows < 2) return fail(u"moving window: too few windows (" + IntToUStr(most_windows) + u")");

  const UString base = SourceTextFilename.empty() ? index.fFilename : SourceTextFilename;
  TMovingWindowFNamesRec names;
  names.text_file = ChangeFileExt(FilenameWithInsertion(base, u"_moving_window"), u".txt");
  names.plot_file = ChangeFileExt(names.text_file, u".plotdata");
  UString why;
  if (!mw->SaveToFiles(names.text_file, names.plot_file, &why)) return fail(why);
  fNotes.Add(VXRes(TVXRes::VXComputed) + u": " + names.text_file + u", " + names.plot_file);
  fNotes.Add(u"\t" + (index.GrammarWordList.empty()
                          ? UString(u"no grammar words left out of the windows")
                          : IntToUStr(static_cast<int64_t>(index.GrammarWordList.size())) +
                                u" stop-list words left out of the windows"));
  return names;
}

// --- relationships -------------------------------------------------------------------------------

bool T_WholeWordlistHolder::ComputeMIAssociation() {
  fLastFailure.clear();
  if (!fIndexHandler) {
    fLastFailure = u"relationships: no corpus index open";
    AddToLogFile(fLastFailure);
    return false;
  }
  TIndexHandler& index = *fIndexHandler;
  index.ResetTheSettingsFromTextbuf();
  auto list = std::make_unique<TRelationshipsList>(this);
  if (!index.ComputeMIAssociation(*list) || !index.RelationshipsComputed) {
    fLastFailure = index.LastFailure().empty() ? UString(u"relationships: no pair passed the settings")
                                               : index.LastFailure();
    AddToLogFile(u"ComputeMIAssociation: " + fLastFailure);
    return false;
  }
  fRelationshipsList = std::move(list);
  RegisterOwnedLists();
  ListKind = kListRelationships;
  SaveAParentFilenameInExtraStuff(fRelationshipsList->SourceIndexFilename());
  fNotes.Add(VXRes(TVXRes::VXComputed) + u": " + VXResFmt(TVXRes::VXProcedureEquals, {VXRes(TVXRes::VXRelationships)}));
  AddNoteDetails(fRelationshipsList->DetailsOfCurrentSettings(), 2);
  if (index.stoplist_MI_words_found > 0)
    fNotes.Add(u"\t" + VXResFmt(TVXRes::VXNStoplistTokensRemo, {IntToUStr(index.stoplist_MI_words_found)}));
  return true;
}

// --- clusters and phrase frames ----------------------------------------------------------------------

struct T_WholeWordlistHolder::TClusterRun {
  TWordlistIndexSettingsRec settings{};
  int32_t n_lists = 1;
  std::vector<TFoundCluster> found;
  std::vector<std::unique_ptr<TVXWordList>> lists;
  UString failure;
};

TVXWordList* T_WholeWordlistHolder::TempClusterWordlist(int32_t i) const {
  return i >= 0 && i < TempClusterWordlistCount() ? fTempClusterWordlists[static_cast<size_t>(i)].get() : nullptr;
}

void T_WholeWordlistHolder::ClusterAddToWordlist(TClusterRun& run, const TNeighbourRec& cluster, int32_t file_number,
                                                 int32_t n_files) {
  // A cluster of a tree the run has no list for is not the run's: it is dropped.
  const int32_t list = n_files > 1 ? file_number : 0;
  if (list < 0 || list >= run.n_lists) return;
  TFoundCluster c;
  c.tree = list;
  c.types = cluster.types;
  c.frequency = cluster.frequency;
  c.texts = cluster.texts;
  if (run.settings.ClusterDispersion()) c.positions = cluster.positions;
  run.found.push_back(std::move(c));
}

bool T_WholeWordlistHolder::ClustersDoneFindPhrases(TClusterRun& run) {
  TIndexHandler& index = *fIndexHandler;
  const int32_t threads = index.fThreads > 0 ? index.fThreads : WordlistWorkerThreads(0);
  TClusterRowContext context;
  context.exclude_numbers = run.settings.ExcludeHashEntries();
  context.dispersion = run.settings.ClusterDispersion();
  context.divisions = GetWordListDispersionDivisions();
  for (int i = 0; i < fStats->Count(); ++i)
    context.text_bytes.push_back(fStats->Row(i) ? fStats->Row(i)->fdata.data.size_count : 0);
  context.render = [&index](const TTypeRecArray& types, UString& text) { return index.TypeRecArrayToString(types, text); };
  if (StopListLoaded() && run.settings.ClusterApplyStopList())
    context.dropped = [](const UString& text) { return PhraseHasAWordInList(text); };
  const std::vector<std::optional<TClusterRowText>> texts = MakeClusterRowTexts(run.found, context, threads);

  for (int32_t i = 0; i < run.n_lists; ++i) run.lists.push_back(std::make_unique<TVXWordList>(this, kListWordlist));
  std::vector<TPhraseFramesList> frames(static_cast<size_t>(run.n_lists));
  const bool with_frames = !run.settings.PhraseFramesOff();
  for (size_t k = 0; k < run.found.size(); ++k) {
    if (!texts[k]) continue;
    const TFoundCluster& c = run.found[k];
    TWordlistData d;
    d.n_texts = c.texts;
    d.frequency = c.frequency;
    d.dispersion = texts[k]->dispersion;
    d.word = texts[k]->text;
    TVXWordList& target = *run.lists[static_cast<size_t>(c.tree)];
    const int row = target.AddRow(d);
    if (row < 0) throw std::runtime_error("a cluster row could not be added");
    // A cluster's category is its length in words.
    target.Row(row)->SetCategoryString(IntToUStr(static_cast<int64_t>(c.types.size())));
    if (with_frames)
      frames[static_cast<size_t>(c.tree)].AddANeighbourRec(reinterpret_cast<void*>(static_cast<intptr_t>(row)),
                                                           c.frequency, c.types);
  }
  if (!with_frames) return true;
  // Frames are a list's own: each list's clusters give the frames of that list.
  const int32_t frame_texts = fStats->Count() == 1 ? 1 : 0;
  for (int32_t i = 0; i < run.n_lists; ++i) {
    TVXWordList& list = *run.lists[static_cast<size_t>(i)];
    TPhraseFramesList& fl = frames[static_cast<size_t>(i)];
    fl.min_freq = run.settings.PhraseFrameMinFrequency();
    auto add = [&](const TPhraseFrame_Rec& np) {
      TWordlistData d;
      if (!index.TypeRecArrayToString(np.pattern, d.word) || d.word.empty()) return true;
      d.n_texts = frame_texts;
      d.frequency = static_cast<int32_t>(std::min<int64_t>(np.frequency, INT32_MAX));
      const int head = list.AddRow(d);
      if (head < 0) throw std::runtime_error("a phrase-frame row could not be added");
      for (int32_t e : np.entries) list.Join(head, static_cast<int>(reinterpret_cast<intptr_t>(fl.Row(e))), false);
      return !StopRequested(kPanicEndOfText);
    };
    if (!fl.PhraseFrames(add, threads)) return false;
  }
  return true;
}

bool T_WholeWordlistHolder::ComputeClusters(const TOnTryToSaveBatchWdList& on_try_to_save_batch) {
  fLastFailure.clear();
  auto fail = [&](const UString& why) {
    fLastFailure = why;
    AddToLogFile(u"ComputeClusters: " + why);
    return false;
  };
  if (!fIndexHandler) return fail(u"clusters: no corpus index open");
  TIndexHandler& index = *fIndexHandler;
  index.ResetTheSettingsFromTextbuf();
  TClusterRun run;
  run.settings = index.IndexSettings;
  run.n_lists = run.settings.ClustersPerText() ? std::max(1, index.TextCount()) : 1;
  bool done = false;
  index.fOnClusterAddToWordlist = [&](TIndexHandler&, const TIndexTypeRec&, float, const TNeighbourRec& cluster,
                                      int32_t, int32_t, int32_t file_number, int32_t n_files) {
    ClusterAddToWordlist(run, cluster, file_number, n_files);
  };
  // Whatever goes wrong while rows are made ends the run with its reason: a list missing
  // clusters must not pass for complete.
  index.fOnClustersDoneFindPhrases = [&](TIndexHandler&) {
    try {
      done = ClustersDoneFindPhrases(run);
      if (!done) run.failure = VXRes(TVXRes::VXStopped);
    } catch (const std::exception& e) {
      run.failure = u"clusters: " + Utf8ToUtf16(e.what());
    } catch (...) {
      run.failure = u"clusters went wrong";
    }
  };
  bool ok = false;
  try {
    ok = index.ComputeClusters();
  } catch (const std::exception& e) {
    run.failure = u"clusters: " + Utf8ToUtf16(e.what());
  }
  index.fOnClusterAddToWordlist = nullptr;
  index.fOnClustersDoneFindPhrases = nullptr;
  if (!run.failure.empty()) return fail(run.failure);
  if (!ok || !done)
    return fail(index.LastFailure().empty() ? UString(VXRes(TVXRes::VXStopped)) : index.LastFailure());
  if (run.lists.empty()) return fail(u"clusters went wrong");

  fTempClusterWordlists = std::move(run.lists);
  const bool per_text = run.settings.ClustersPerText();
  if (per_text && fStats->Count() >= 2 && on_try_to_save_batch) return on_try_to_save_batch(*this);
  if (fTempClusterWordlists.front()->Count() == 0) return fail(u"clusters: none found as the settings ask");
  // The first list becomes the main word list; its slot stays empty.
  fWLWords = std::move(fTempClusterWordlists.front());
  LinkLists();
  RegisterOwnedLists();
  if (!per_text) {
    ListKind = kListWordList;
    fNotes.Add(VXRes(TVXRes::VXComputed) + u": " + VXResFmt(TVXRes::VXProcedureEquals, {VXRes(TVXRes::VXClusters)}));
    AddNoteDetails(index.DetailsOfCurrentSettings(true), 2);
  }
  return true;
}

int32_t T_WholeWordlistHolder::SaveTempClusterWordlists(UStringView) {
  const int32_t lists = TempClusterWordlistCount();
  int32_t saved = 0;
  for (int32_t i = 0; i < lists; ++i) {
    TVXWordList* list = TempClusterWordlist(i);
    if (!list || list->Count() == 0 || i >= fStats->Count() || !fStats->Row(i)) continue;
    T_WholeWordlistHolder one(CentreOfMainForm(), nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
    one.adding_cluster_wordlist_notes = true;
    one.SetTextSettings(TextSettings());
    one.WordlistSettings = WordlistSettings;
    one.SetUnicode(Unicode());
    one.fWLWords = std::move(fTempClusterWordlists[static_cast<size_t>(i)]);
    one.fWLWords->SetHolder(&one);
    one.fWLWords->SetSortSettingsToDefault(true);
    TOne_text_stats_rec row = fStats->Row(i)->fdata;
    row.name = fStats->GetEntryFullFilename(i);
    one.fStats->Overall_stats = row;
    one.fStats->Add(new TStatsEntry(row, false, one.fStats.get()));
    one.LinkLists();
    one.RegisterOwnedLists();
    one.StartStandardNotes(i + 1, kListWordlist, VXRes(TVXRes::VXWordList),
                           VXRes(TVXRes::VXWordList) + u" " + VXResFmt(TVXRes::VXBasedOnNmanyFiles, {IntToUStr(lists)}));
    const UString name = ChangeFileExt(ExtractFileName(row.name), u"") + u"_clusters.lst";
    if (one.BatchSaveToTempDir(name, i, Now(), lists)) ++saved;
    else AddToLogFile(u"SaveTempClusterWordlists: " + name + u" could not be saved");
    // The list stays with this document.
    one.fWLWords->SetHolder(this);
    fTempClusterWordlists[static_cast<size_t>(i)] = std::move(one.fWLWords);
    one.fWLWords = std::make_unique<TVXWordList>(&one, kListWordlist);
    one.LinkLists();
    one.RegisterOwnedLists();
  }
  if (saved > 0 && Global_BatchProcedures.Zip_Too && !BatchZipFromTempDir(u".lst", u"%s cluster lists", saved)) {
    fLastFailure = Global_BatchProcedures.BatchRootFolder + u": the cluster lists could not be zipped";
    AddToLogFile(u"SaveTempClusterWordlists: " + fLastFailure);
  }
  return saved;
}
