// Making a concordance: the document's side of a run (settings copy, items, texts, notes, sorts,
// batch saves) around the concordance road (concordance_run.h, text_processor.h).
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "concordance/document/concordance_document.h"
#include "concordance/run/concordance_run.h"
#include "concordance/lines/list_line_sink.h"
#include "concordance/run/text_processor.h"
#include "concordance/run/user_filter.h"
#include "concordance/views/compute_clusters.h"
#include "concordance/views/derived_line_words.h"
#include "concordance/views/derived_views.h"
#include "concordance/views/patterns_list.h"
#include "model/documents/batch_procedures.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/run_timing.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/suite_services.h"

namespace {

UString JoinFirstFour(const TBaseSearchItems* items, UStringView separator) {
  UString label;
  if (!items) return label;
  for (int32_t i = 0; i < std::min<int32_t>(4, items->Count()); ++i) {
    if (!label.empty()) label += separator;
    label += items->GetPtr(i)->sw;
  }
  return label;
}

UString FullNameOf(const TChosenFileDetailsFullRec& d) { return IncludeTrailingPathDelimiter(d.folder) + d.rec.filename; }

int32_t ClampToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The lines sorted by the document's three keys on the run's workers; the next click on a
// heading then sorts the other way.
void SortLinesAfterRun(T_WholeLinzoraHolder& d) {
  TConcordanceList& lines = *d.fConcordanceList;
  lines.SetThreeSorts(d.fSettings.SortKey(0), d.fSettings.SortKey(1), d.fSettings.SortKey(2));
  lines.SetSortDirections();
  // The lines are sorted on the run's workers, as its derived lists were made.
  lines.SetSortWorkers(d.DerivedWorkers());
  lines.CompleteResort();
  for (int level = 0; level < 3; ++level) lines.ToggleSortDirection(level);
}

}  // namespace

void T_WholeLinzoraHolder::PrepareRun(const TMakeConcordanceArgs& args) {
  static_cast<TBaseSearchItems&>(fRunItems) = *args.search_items;
  fRunContext.Clear();
  fRunExclusion.Clear();
  if (args.context_items) static_cast<TBaseSearchItems&>(fRunContext) = *args.context_items;
  if (args.exclusion_items) static_cast<TBaseSearchItems&>(fRunExclusion) = *args.exclusion_items;
  fConvertChoice = nullptr;
  fConverted.clear();
  TTextReadSnapshot snapshot = TakeTextReadSnapshot(this);
  // The document asks about UTF-8 texts itself, before reading them (RunTexts): a text converted
  // is then read once, as it lies on disk afterwards, so its lines point at its new bytes.
  const uint32_t options = snapshot.conversion_options;
  if (args.convert_utf8_text && (options & 8) && (options & 4) && snapshot.messages_allowed)
    fConvertChoice = args.convert_utf8_text;
  snapshot.conversion_options &= ~uint32_t(8);
  fReadRun = std::make_unique<TTextReadRun>(std::move(snapshot));
  fRunSetup = std::make_unique<TTextWorkerSetup>();
  // Loaded once a run, so that a filter that keeps state sees all the run's lines.
  fRunFilter = std::make_shared<TUserLineFilter>();
  fRunFilter->LoadFromSettings();
  TTextWorkerSetup& setup = *fRunSetup;
  FillLineSetup(setup);
  setup.context_items = fRunContext.Count() > 0 ? &fRunContext : nullptr;
  setup.exclusion_items = fRunExclusion.Count() > 0 ? &fRunExclusion : nullptr;
  setup.context_stop = fSettings.ContextStop();
  // Random sampling: one hit in the range kept on average, drawn afresh each run.
  if (GetRandomising()) {
    setup.sampling_seed = NewSamplingSeed();
    setup.sampling_range = GetRandomRange();
  }
  setup.keeping_log = global_keeping_log;
  setup.chunk_done = args.chunk_done;
  fConcordanceList->window_reader = MakeLineWindowReader(setup, [this](int32_t file_num) {
    auto it = fRunTextOfFile.find(file_num);
    if (it == fRunTextOfFile.end() || it->second < 0 || it->second >= static_cast<int32_t>(fRunTexts.size()))
      return TChosenFileDetailsFullRec{};
    return fRunTexts[static_cast<size_t>(it->second)];
  });
}

void T_WholeLinzoraHolder::FillLineSetup(TTextWorkerSetup& setup) {
  setup.run = fReadRun.get();
  setup.search_items = &fRunItems;
  setup.text_options = SearchTextOptionsFromTextSettings(TextSettings());
  setup.context_left = fSettings.ContextHorizonLeft();
  setup.context_right = fSettings.ContextHorizonRight();
  setup.colloc_left = fSettings.CollocHorizonLeft();
  setup.colloc_right = fSettings.CollocHorizonRight();
  if (fSettings.CharactersPerLine() > 0)
    setup.line_width = std::min<int32_t>(fSettings.CharactersPerLine(), kMaxLineWidth);
  setup.line_owner = fConcordanceList.get();
}

void T_WholeLinzoraHolder::SetUpLineRereading() {
  // Made at the first widening, when the user's settings are those the lines are read with: a
  // document opened and never widened reads none of them.
  auto reader = std::make_shared<TLineWindowReader>();
  fConcordanceList->window_reader = [this, reader](TConcordanceEntry& line, int32_t width,
                                                   std::array<bool, 2>& at_edge) {
    if (!*reader) {
      static_cast<TBaseSearchItems&>(fRunItems) = fSearchWords;
      TTextReadSnapshot snapshot = TakeTextReadSnapshot(this);
      // A line re-read never asks about converting its text: the question belongs to a run.
      snapshot.conversion_options &= ~uint32_t(8);
      fReadRun = std::make_unique<TTextReadRun>(std::move(snapshot));
      fRunSetup = std::make_unique<TTextWorkerSetup>();
      FillLineSetup(*fRunSetup);
      *reader = MakeLineWindowReader(*fRunSetup, [this](int32_t file_num) {
        const TLinzoraFilenameEntry* row = file_num >= 1 ? fTextFilesWithSearchWord->Row(file_num - 1, true) : nullptr;
        return row ? row->DataAsChosenFileRec() : TChosenFileDetailsFullRec{};
      });
    }
    return (*reader)(line, width, at_edge);
  };
}

void T_WholeLinzoraHolder::RecordText(const TChosenFileDetailsFullRec& details, const TTextRunOutcome& outcome,
                                      TOneTextResult& out) {
  out.ok = outcome.read_ok;
  out.failure = outcome.failure;
  out.hits = outcome.lines;
  out.words = outcome.words;
  out.kind = outcome.kind;
  out.wanted = outcome.wanted;
  // The notes say how the texts were taken, and whether they were not all taken alike.
  UpdateAllFileHandledInfo(outcome.handled, outcome.text_index == 0);
  if (outcome.lines > 0) {
    auto* row = new TLinzoraFilenameEntry(fTextFilesWithSearchWord, fTextFilesWithSearchWord->Count(), details,
                                          outcome.fingerprint);
    row->fdata.head.words_in_source_file = outcome.words;
    row->fdata.other_data.hits_this_file = outcome.lines;
    row->fdata.other_data.StillInConcordance = 1;
    row->fdata.other_data.KindOfFile[0] = outcome.kind;
    fTextFilesWithSearchWord->Add(row);
    fRunTextOfFile[outcome.file_number] = outcome.text_index;
  } else if (outcome.read_ok && outcome.wanted == 1) {
    // A text read without lines (an empty one too) is an unused text; the run goes on.
    TUnusedFileRec rec;
    rec.old.Juliandate = details.rec.julian_date;
    rec.old.wordcount = outcome.words;
    rec.filename = FullNameOf(details);
    fUnusedFiles.Add(rec);
    if (fTextsWithoutHits.size() < 5) fTextsWithoutHits.push_back(details.rec.filename);
    else fTextsWithoutHitsMore = fUnusedFiles.Count();
  }
  out.converted = fConverted.count(outcome.text_index) > 0;
}

void T_WholeLinzoraHolder::ConvertUtf8TextsBeforeReading(const std::vector<int32_t>& which, int32_t threads) {
  if (!fConvertChoice) return;
  // Which texts open with the signature is looked at on the workers (thousands of small texts
  // take a while one open at a time); the questions and the rewriting follow in text order here.
  std::vector<uint8_t> signed_utf8(which.size(), 0);
  constexpr size_t kTextsPerPiece = 64;
  ParallelFor(
      threads, which.size(),
      [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
          const int32_t t = which[i];
          const TChosenFileDetailsFullRec& d = fRunTexts[static_cast<size_t>(t)];
          if (d.rec.zip_member > 0 || fConverted.count(t)) continue;  // a zip member cannot be rewritten
          // The window has looked at the text's first bytes already, along with its binary check.
          const uint8_t head = fRunTextHeads[static_cast<size_t>(t)];
          if (head != kTextHeadNotSeen) {
            signed_utf8[i] = head == kTextHeadUtf8Signed;
            continue;
          }
          uint8_t mark[3] = {0, 0, 0};
          signed_utf8[i] = ReadPlainFileHead(FullNameOf(d), mark, 3) == 3 && mark[0] == 0xEF && mark[1] == 0xBB &&
                           mark[2] == 0xBF;
        }
      },
      kTextsPerPiece);
  for (size_t i = 0; i < which.size(); ++i) {
    if (!signed_utf8[i]) continue;
    const int32_t t = which[i];
    const UString full = FullNameOf(fRunTexts[static_cast<size_t>(t)]);
    if (!fConvertChoice(full)) continue;
    UString error;
    if (ConvertATextFileAnsiToUTF16(full, CodePage(), &error)) fConverted.insert(t);
    else AddToLogFile(u"text not converted: " + error);
  }
}

bool T_WholeLinzoraHolder::RunTexts(const std::vector<int32_t>& which, const TMakeConcordanceArgs& args,
                                    int32_t one_search_word, std::vector<TOneTextResult>& per_text) {
  const int32_t threads = JobWorkerThreads(args.threads);
  ConvertUtf8TextsBeforeReading(which, threads);
  fRunSetup->only_item = one_search_word;
  TConcordanceRunSettings settings = RunSettingsOfItems(static_cast<int32_t>(which.size()), threads);
  settings.one_item_at_a_time = one_search_word >= 0;
  fDerivedWorkers = settings.threads;
  settings.text_name = [&](int32_t k) {
    const TChosenFileDetailsFullRec& d = fRunTexts[static_cast<size_t>(which[static_cast<size_t>(k)])];
    return FullNameOf(d);
  };
  // Each text is recorded as the run judges it, while the workers read on.
  settings.text_judged = [&](const TTextRunOutcome& judged) {
    TTextRunOutcome outcome = judged;
    outcome.text_index = which[static_cast<size_t>(judged.text_index)];
    TOneTextResult one;
    RecordText(fRunTexts[static_cast<size_t>(outcome.text_index)], outcome, one);
    per_text.push_back(std::move(one));
  };
  TConcordanceListSink sink(*fConcordanceList);
  TJobToken token(args.texts_progress);
  const TTextWorkerSetup& setup = *fRunSetup;
  const TConcordanceRunResult result = RunConcordance(
      settings,
      [&](int32_t k) {
        const int32_t t = which[static_cast<size_t>(k)];
        const TChosenFileDetailsFullRec& d = fRunTexts[static_cast<size_t>(t)];
        TTextOutcome text = ReadTextForConcordance(setup, d, t);
        // The row of a text with lines records the text as it was read: looked at here, on the
        // worker, rather than by the committer.
        if (text.read_ok && !text.lines.empty()) text.fingerprint = FingerprintOfChosenText(d);
        return text;
      },
      sink, token, fRunFilter.get());
  fRunWorkers = result.workers;
  fReadRun->StoreAtRunEnd();
  fConcordanceList->sw_limit_reached = fConcordanceList->sw_limit_reached || result.sw_limit_reached;
  for (size_t i = 0; i < result.sws_found_counter.size(); ++i) {
    if (fConcordanceList->sws_found_counter.size() <= i) fConcordanceList->sws_found_counter.resize(i + 1, 0);
    fConcordanceList->sws_found_counter[i] += result.sws_found_counter[i];
  }
  for (const TTextRunOutcome& o : result.texts) {
    if (!o.read_ok && !Global_run_without_error_messages) {
      Global_FailureMessage = o.failure;
      AddToLogFile(o.failure);
      // The document's failed-read handler names the text (the window tells the user).
      if (OnDudFile && o.text_index >= 0 && static_cast<size_t>(o.text_index) < which.size())
        OnDudFile(fRunTexts[static_cast<size_t>(which[static_cast<size_t>(o.text_index)])]);
    }
  }
  fSettings.SetRunningWords(ClampToInt32(int64_t{fSettings.RunningWords()} + result.running_words));
  return result.all_read;
}

TConcordanceRunSettings T_WholeLinzoraHolder::RunSettingsOfItems(int32_t text_count, int32_t threads) const {
  TConcordanceRunSettings settings;
  settings.text_count = text_count;
  settings.lines_wanted_per_item = fSettings.WantedPerSearchWord();
  settings.item_count = fRunItems.SearchesPlannedCount();
  for (int32_t i = 0; i < fRunItems.Count(); ++i) {
    settings.instances_to_find.push_back(fRunItems.GetPtr(i)->instances_to_find);
    settings.item_words.push_back(fRunItems.GetPtr(i)->sw);
  }
  settings.allowed_word_gap = fSettings.AllowedLastWordGap();
  settings.failure_ends_run = true;
  settings.threads = threads;
  settings.first_file_number = fTextFilesWithSearchWord->Count() + 1;
  settings.lcid = LCID();
  return settings;
}

TOneTextResult T_WholeLinzoraHolder::MadeOneFileConcordance(int32_t file_index, int32_t file_count,
                                                            int32_t one_search_word,
                                                            const TChosenFileDetailsFullRec& details,
                                                            const TMakeConcordanceArgs& args) {
  if (global_keeping_log)
    AddToLogFile(VXRes(TVXRes::VXFolder) + u": " + details.folder + u" " + VXRes(TVXRes::VXFilename) + u": " +
                 details.rec.filename);
  if (!fRunSetup) {
    if (!args.search_items) return {};
    PrepareRun(args);
  }
  fRunTexts.push_back(details);
  fRunTextHeads.push_back(kTextHeadNotSeen);
  const int32_t t = static_cast<int32_t>(fRunTexts.size()) - 1;
  std::vector<TOneTextResult> per_text;
  const bool ok = RunTexts({t}, args, one_search_word, per_text);
  TOneTextResult result = per_text.empty() ? TOneTextResult{} : per_text.front();
  result.ok = ok && !per_text.empty();
  if (args.progress) args.progress(file_count > 0 ? (file_index + 1) * 100 / file_count : 100, details.rec.filename);
  // The run's own mode: a request's road comes here without MakeConcordance, and the global one
  // may be an earlier batch run's.
  if (MainListType == kListConcordance && args.batch_mode == 1) {
    fSettings.SetRunningWords(0);
    if (result.hits > 0) {
      ++fBatchCounter;
      StartStandardNotes(fBatchCounter, kListConcordance, details.rec.filename, VXRes(TVXRes::VXConcordanceList));
      if (result.ok) result.ok = BatchSaveToTempDir(details.rec.filename, fBatchCounter, details.rec.date, file_count);
    }
    fSearchWords.ClearHits();
    fConcordanceList->Clear();
    std::fill(fConcordanceList->sws_found_counter.begin(), fConcordanceList->sws_found_counter.end(), 0);
  }
  return result;
}

bool T_WholeLinzoraHolder::MakeConcordance(const TMakeConcordanceArgs& args) {
  Global_FailureMessage.clear();
  Global_Busy_Dont_Show_Data = true;
  SetBusyDontShowData(true);
  StartTiming();
  SetTimesEndOfTextHeaderCut(0);
  if (args.converted_count) *args.converted_count = 0;
  ClearStopStateForNewJob();
  Global_batch_mode = args.batch_mode;
  fBatchCounter = 0;
  TSharedChosenFilesClass* chosen = args.chosen;
  const int32_t n = chosen ? chosen->FileCount() : 0;
  if (global_keeping_log) AddToLogFile(VXResFmt(TVXRes::VXProcessingNmanyFiles, {IntToUStr(n)}));
  bool result = n > 0 && args.search_items != nullptr;
  if (result) {
    fTextsWithoutHits.clear();
    fTextsWithoutHitsMore = 0;
    fUnusedFiles.Clear();
    fSettings = GetConcSaveRec();
    // Counts of an earlier document (one read from disk, or merged) are no part of this run.
    fSettings.SetRunningWords(0);
    fSettings.SetMergedTotal(0);
    fSettings.SetMergedLineCount(0);
    args.search_items->SetLanguage(LCID());
    if (args.context_items) args.context_items->SetLanguage(LCID());
    if (args.exclusion_items) args.exclusion_items->SetLanguage(LCID());
    CopySearchWordItemsToFSWSEtc(*args.search_items);
    if (args.tag_context_items) args.tag_context_items->SetLanguage(LCID());
    MainListType = args.list_kind;
    ListKind = args.list_kind;
    StartProcessUsingTextTagHandler();
    NumberOfTextsToProcess = n;
    UString label = JoinFirstFour(args.search_items, u", ");
    const UString context = JoinFirstFour(args.context_items, u"-");
    if (!context.empty()) label += (label.empty() ? u"" : u" ") + context;
    SuggestedFilename = chosen->SuggestedFilename() + u"_" + label;
    if (global_keeping_log)
      AddToLogFile(UFormat(u"First search-word: \"%s\"", {args.search_items->Count() ? args.search_items->GetPtr(0)->sw
                                                                                      : UString()}));
    fConcordanceList->fsearch_words_to_seek = args.search_items->SearchesPlannedCount();
    fRunTexts.clear();
    fRunTextOfFile.clear();
    fRunTexts.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) fRunTexts.push_back(chosen->GetFullFileDetails(i));
    fRunTextHeads.assign(static_cast<size_t>(n), kTextHeadNotSeen);
    if (args.text_heads.size() == static_cast<size_t>(n)) fRunTextHeads = args.text_heads;
    PrepareRun(args);
    std::vector<TOneTextResult> per_text;
    if (args.batch_mode == 1) {
      for (int32_t i = 0; i < n && result; ++i) {
        if (StopRequested(kPanicEndOfText) || fConcordanceList->LimitReached()) break;
        std::vector<TOneTextResult> one;
        result = RunTexts({i}, args, -1, one);
        TOneTextResult r = one.empty() ? TOneTextResult{} : one.front();
        per_text.push_back(r);
        if (MainListType == kListConcordance) {
          fSettings.SetRunningWords(0);
          if (r.hits > 0) {
            ++fBatchCounter;
            StartStandardNotes(fBatchCounter, kListConcordance, fRunTexts[i].rec.filename,
                               VXRes(TVXRes::VXConcordanceList));
            if (result) result = BatchSaveToTempDir(fRunTexts[i].rec.filename, fBatchCounter, fRunTexts[i].rec.date, n);
          }
          fSearchWords.ClearHits();
          fConcordanceList->Clear();
          std::fill(fConcordanceList->sws_found_counter.begin(), fConcordanceList->sws_found_counter.end(), 0);
        }
      }
    } else {
      std::vector<int32_t> all(static_cast<size_t>(n));
      for (int32_t i = 0; i < n; ++i) all[static_cast<size_t>(i)] = i;
      per_text.reserve(all.size());
      result = RunTexts(all, args, -1, per_text);
    }
    for (size_t k = 0; k < per_text.size(); ++k) {
      const TOneTextResult& r = per_text[k];
      const int32_t i = static_cast<int32_t>(k);
      if (!r.ok) continue;
      chosen->SetFileHits(i, r.hits);
      chosen->SetFileWords(i, r.words);
      chosen->SetFileWanted(i, r.wanted);
      chosen->SetFileKind(i, r.kind);
      if (r.converted && args.converted_count) ++*args.converted_count;
    }
    if (args.list_kind == kListConcordance && args.batch_mode >= 1) {
      ComputeAfterConcordance(args.skip_plot);
      if (result && Global_BatchProcedures.Zip_Too)
        result = BatchZipFromTempDir(u".cnc", Global_BatchProcedures.zip_name, n);
    }
  }
  Global_Busy_Dont_Show_Data = false;
  SetBusyDontShowData(false);
  if (!result || args.list_kind != kListConcordance) return result;

  // Where nothing comes between the derived lists and the sort that touches the lines (a stop
  // list's check, removing duplicates, a batch), the lines are sorted while the lists count.
  const bool checks_stops = StopListLoaded() && LemmaMatchStopListActivated(2, current_tool_var);
  bool sorted_alongside = false;
  bool* sort_alongside = nullptr;
  if (args.batch_mode == 0 && !checks_stops && !GetRemoveDuplicatesAutomatically(current_tool_var)) {
    // The bars are cleared first, so that the sort's own reports of none done show nothing and
    // give the window no turn while the lists are half-made.
    if (TProgressClass* progress = GlobalProgress()) progress->ClearBarsOnly();
    sort_alongside = &sorted_alongside;
  }
  ComputeAfterConcordance(args.skip_plot, sort_alongside);
  if (checks_stops) fConcordanceList->CheckStops();
  if (GetRemoveDuplicatesAutomatically(current_tool_var)) {
    TDuplicatesResult dups;
    fConcordanceList->RemoveDuplicates(dups, args.duplicates_progress);
    if (dups.deleted > 0) fConcordanceList->Zap(false);
  }
  if (TProgressClass* progress = GlobalProgress()) {
    progress->ClearBarsOnly();
    progress->ProgressShortMessage(VXRes(TVXRes::VXDone));
  }
  if (args.batch_mode == 0) {
    fConcordanceList->NoteChange();
    const int32_t based_on = n - static_cast<int32_t>(fThirdStrings.size());
    StartStandardNotes(0, kListConcordance, VXRes(TVXRes::VXConcordanceList),
                       VXResFmt(TVXRes::VXBasedOnNmanyFiles, {IntToUStr(based_on)}));
    if (!fArrayOfSavedTags.empty())
      fNotes.Add(UString(1, u'\t') +
                 VXResFmt(TVXRes::VXDTagsHandled, {IntToUStr(static_cast<int32_t>(fArrayOfSavedTags.size()))}));
    AddNotesOnSWResults();
    if (!sorted_alongside) fUnusedFiles.SortAlphabetically();
    // The sort of the lines runs whole: the window gets its turn just before it.
    MyYieldProcess();
    if (!sorted_alongside) {
      StartTiming();
      SortLinesAfterRun(*this);
      Global_process_times[kSortingTimeEntry] = ElapsedTime(true);
    }
    AddATimingNote(kListConcordance);
    AddATimingNote(kSortingTimeEntry);
    if (!GetFastMinimalProcessing(current_tool_var))
      for (TTessorineList kind : {kListCollocates, kListClusters, kListPatterns, kListPlot, kListTimeline})
        AddATimingNote(kind);
    if (GetPostProcessSaveFilenames()) CopyFilenameDetailsToNotepad(u"", false);
  }
  if (fConcordanceList->Count() > 0 && args.batch_number > 0)
    result = BatchSaveToTempDir(SourceTextFilename, args.batch_number, Now(), n);
  return result;
}

bool T_WholeLinzoraHolder::WordsForCountsReach(int& first, int& last) const {
  // Every position the collocates' span, the clusters' reaches and the patterns take.
  first = kSpanHighest + 1;
  last = kSpanLowest - 1;
  auto take = [&](int from, int to) {
    if (from > to) return;
    first = std::min(first, from);
    last = std::max(last, to);
  };
  if (fCollocateList) {
    const TLineSpanPair span = CollocSpan(fSettings.CollocHorizonLeft(), fSettings.CollocHorizonRight());
    take(span.left, span.right);
  }
  if (fClusterList) {
    int left_start = 0, right_end = 0;
    ClusterReachPositions(fSettings.ClusterReachLeft(), fSettings.ClusterReachRight(), left_start, right_end);
    take(left_start, right_end - 1);
  }
  if (fPatternsList) take(kPatternFirstSpan, kPatternFirstSpan + kPatternPositions - 1);
  return first <= last && fConcordanceList->Count() > 0;
}

std::shared_ptr<const TRunLineWords> T_WholeLinzoraHolder::FetchWordsForCounts() const {
  int first = 0, last = -1;
  if (!WordsForCountsReach(first, last)) return nullptr;
  auto words = std::make_shared<TRunLineWords>();
  // A stop ends the fetch: the counts then read the lines themselves and see the stop too.
  if (!FetchRunLineWords(*fConcordanceList, first, last, DerivedWorkers(), *words)) return nullptr;
  return words;
}

void T_WholeLinzoraHolder::ComputeAfterConcordance(bool skip_plot, bool* sorted_alongside) {
  for (double& t : Global_process_times) t = 0;
  Global_process_times[kListConcordance] = ElapsedTime(true);
  if (GetFastMinimalProcessing(current_tool_var)) return;
  const auto derived_start = std::chrono::steady_clock::now();
  auto run = [&](TConcordanceDerivedList* list, int flag_index, TTessorineList kind) {
    if (!list) return;
    // Between whole views the window may repaint and see a stop; no list is half-made there.
    MyYieldProcess();
    if (list->Compute(false)) fComputed[static_cast<size_t>(flag_index)] = 1;
    Global_process_times[kind] = ElapsedTime(true);
  };
  struct TListTurn {
    TConcordanceDerivedList* list;
    int flag_index;
    TTessorineList kind;
  };
  std::vector<TListTurn> turns{{fCollocateList.get(), 2, kListCollocates},
                               {fClusterList.get(), 1, kListClusters},
                               {fPatternsList.get(), 3, kListPatterns}};
  if (!skip_plot) turns.push_back({fConcPlotList.get(), 4, kListPlot});
  // On several workers the lists count side by side, each spreading its own parts over the
  // workers, so that none waits while another's part that cannot spread runs. A list that must
  // count alone (another maker's, or one asking the stop list) comes after them, in turn.
  std::vector<TListTurn> alone;
  bool timeline_made = false;
  if (DerivedWorkers() > 1) {
    MyYieldProcess();
    // The lines may be sorted while the lists count when every list counts side by side, reading
    // the lines as they stand now instead of the list.
    bool sort_too = sorted_alongside != nullptr;
    for (const TListTurn& t : turns)
      if (t.list && !HasDerivedListJob(*t.list)) sort_too = false;
    const TLinesAsTheyStood stood =
        sort_too ? LinesAsTheyStand(*fConcordanceList, DerivedWorkers()) : TLinesAsTheyStood();
    // The three counts read the lines' words once between them. The words are fetched before the
    // sort and the plot, which need none of them, and the counts begin once they are in; until
    // then they hold no position, so a count made without them reads the lines itself.
    int first = 0, last = -1;
    std::shared_ptr<TRunLineWords> words;
    if (WordsForCountsReach(first, last)) words = std::make_shared<TRunLineWords>();
    fRunLineWords = words;
    std::vector<TDerivedListJob> jobs;
    std::vector<TListTurn> side;
    for (const TListTurn& t : turns) {
      if (!t.list) continue;
      TDerivedListJob job = DerivedListJob(*t.list, false, sort_too ? &stood : nullptr);
      if (!job.count) {
        alone.push_back(t);
        continue;
      }
      jobs.push_back(std::move(job));
      side.push_back(t);
    }
    std::vector<char> counted(jobs.size(), 0);
    std::vector<double> seconds(jobs.size(), 0);
    double sort_seconds = 0, fetch_seconds = 0;
    auto count_task = [&](size_t k) {
      return [&, k] {
        const auto start = std::chrono::steady_clock::now();
        counted[k] = jobs[k].count();
        seconds[k] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      };
    };
    // The counts that take the lines' words, side by side once the words are fetched.
    std::vector<std::function<void()>> word_counts;
    // The document's thread counts none itself: it would give the window its turns while the
    // other lists are half-made. It sorts the lines meanwhile, where it may.
    std::vector<std::function<void()>> tasks{{}};
    if (sort_too)
      tasks[0] = [&] {
        const auto start = std::chrono::steady_clock::now();
        SortLinesAfterRun(*this);
        sort_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The texts without lines are put in order here too, off the window's own time after the
        // lists: nothing reads them while the lists count (the time-line, which does, is made).
        fUnusedFiles.SortAlphabetically();
      };
    for (size_t k = 0; k < jobs.size(); ++k) {
      if (side[k].kind == kListPlot) tasks.push_back(count_task(k));
      else word_counts.push_back(count_task(k));
    }
    auto fetch = [&] {
      if (!words) return;
      const auto start = std::chrono::steady_clock::now();
      // A stop ends the fetch: the counts then read the lines themselves and see the stop too.
      if (!FetchRunLineWords(*fConcordanceList, first, last, DerivedWorkers(), *words, sort_too ? &stood : nullptr)) {
        words->first = 0;
        words->last = -1;
      }
      fetch_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // The words are fetched first, on every worker: the counts wait for them and the sort and
    // the plot do not, so the fetch, shared with those, held the counts back longest.
    fetch();
    if (!word_counts.empty()) tasks.push_back([&] { RunSideBySide(DerivedWorkers(), word_counts); });
    ElapsedTime(true);
    // The time-line reads the list itself: where the lines are sorted meanwhile, it is made first.
    if (sort_too) {
      run(fTimeLineList.get(), 5, kListTimeline);
      timeline_made = true;
    }
    RunSideBySide(DerivedWorkers(), tasks);
    for (size_t k = 0; k < jobs.size(); ++k) {
      if (jobs[k].finish(counted[k] != 0)) fComputed[static_cast<size_t>(side[k].flag_index)] = 1;
      // Each list's own time; the fetch's counts as the collocates', as it does one after another.
      Global_process_times[side[k].kind] = seconds[k] + (side[k].kind == kListCollocates ? fetch_seconds : 0);
    }
    if (sort_too) {
      Global_process_times[kSortingTimeEntry] = sort_seconds;
      *sorted_alongside = true;
    }
    ElapsedTime(true);
  } else {
    // The three counts read the lines' words once between them (its time is the collocates').
    fRunLineWords = FetchWordsForCounts();
    alone = turns;
  }
  for (const TListTurn& t : alone) run(t.list, t.flag_index, t.kind);
  fRunLineWords.reset();
  if (!timeline_made) run(fTimeLineList.get(), 5, kListTimeline);
  Global_process_times[kDerivedListsTimeEntry] =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - derived_start).count();
}

void T_WholeLinzoraHolder::AddNotesOnSWResults() {
  const std::vector<int32_t>& hits = SWSFoundCounter();
  for (int32_t i = 0; i < fSearchWords.Count(); ++i)
    fSearchWords.GetPtr(i)->hits = static_cast<size_t>(i) < hits.size() ? hits[static_cast<size_t>(i)] : 0;
  const int32_t n = fConcordanceList->Count();
  // The stop list's check of the lines counts the lines it removed.
  int32_t removed = 0;
  if (StopListLoaded() && LemmaMatchStopListActivated(2, current_tool_var)) {
    removed = fConcordanceList->stoplist_tokens;
    AddOneDuringMainComputationNote(
        VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXStopListItems), IntToUStr(removed)}));
  }
  AddOneDuringMainComputationNote(VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXConcordance), IntToUStr(n)}));
  if (n <= 0) return;
  // Only a limit that was actually met is claimed: the list's limit, or a search word's.
  if (fConcordanceList->LimitReached() || fConcordanceList->sw_limit_reached)
    AddOneDuringMainComputationNote(
        VXResFmt(TVXRes::VXXReachedYourPresetLimitsY, {VXRes(TVXRes::VXEntries), IntToUStr(n)}));
  // The hits were counted as the lines were found, the stop list's lines among them: the shares
  // are of every line found, and the notes say so when the stop list removed some.
  if (removed > 0)
    AddOneDuringMainComputationNote(
        VXResFmt(TVXRes::VXPercentsOfLinesFoundBeforeStopList, {IntToUStr(n + removed), IntToUStr(removed)}));
  for (int32_t i = 0; i < fSearchWords.Count(); ++i) {
    const TSearch_word_format_rec* rec = fSearchWords.GetPtr(i);
    const int32_t percent = SearchWordPercentOfLinesFound(rec->hits, n, removed);
    AddOneDuringMainComputationNote(VXResFmt(TVXRes::VXNmanyXFoundForXPercent,
                                             {IntToUStr(rec->hits), VXRes(TVXRes::VXEntries), rec->sw,
                                              IntToUStr(percent)}));
  }
}

UString FailedTextMessageArgument(UStringView full_name, UStringView why) {
  UString out(full_name);
  if (!why.empty()) out += u" (" + UString(why) + u")";
  return out;
}

int32_t SearchWordPercentOfLinesFound(int32_t hits, int32_t lines_left, int32_t stop_list_removed) {
  const int64_t found = int64_t{lines_left} + std::max(stop_list_removed, 0);
  if (found <= 0) return 0;
  return static_cast<int32_t>(int64_t{hits} * 100 / found);
}
