#include "concordance/views/derived_views.h"

#include <algorithm>
#include <typeinfo>

#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/compute_clusters.h"
#include "concordance/views/compute_collocates.h"
#include "concordance/views/compute_patterns.h"
#include "concordance/views/compute_plot.h"
#include "concordance/views/compute_timeline.h"
#include "concordance/views/patterns_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/views/timeline_list.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

namespace {

enum : size_t { kFlagRelationships, kFlagClusters, kFlagCollocates, kFlagPatterns, kFlagPlot, kFlagTimeline };

std::function<bool(UStringView)> StopWords(const T_WholeLinzoraHolder& d) {
  if (!d.StopListLoaded() || !d.fSettings.CollocateStopList()) return {};
  return [](UStringView w) {
    const UString word(w);
    return FoundInTheList(current_tool_var, word.c_str(), 1, lmsStop) != 0;
  };
}

TDerivedCountSettings CountSettings(const T_WholeLinzoraHolder& d) {
  TDerivedCountSettings c;
  c.keep_case = d.fSettings.CollocatesCaseSensitive();
  c.lcid = d.LCID();
  c.min_word_length = d.fSettings.MinWordLength();
  c.min_frequency = d.fSettings.MinCollocateFrequency();
  c.is_stop_word = StopWords(d);
  return c;
}

std::vector<TSearch_word_format_rec> Items(const T_WholeLinzoraHolder& d) {
  std::vector<TSearch_word_format_rec> items;
  for (int32_t i = 0; i < d.fSearchWords.Count(); ++i) items.push_back(*d.fSearchWords.GetPtr(i));
  return items;
}

// What the collocate list asks of its document, answered from the owner.
struct TOwnerCollocateQuestions : TCollocateListDocument {
  explicit TOwnerCollocateQuestions(T_WholeLinzoraHolder* d) : doc(d) {}
  T_WholeLinzoraHolder* doc;
  int32_t SourceTextCount() const override { return doc->fTextFilesWithSearchWord->Count(); }
  int32_t ConcordanceLineCount() const override { return doc->fConcordanceList->Count(); }
  UString SearchItemWord(int32_t n) const override {
    const TSearch_word_format_rec* r = n >= 0 && n < doc->fSearchWords.Count() ? doc->fSearchWords.GetPtr(n) : nullptr;
    return r ? r->sw : UString();
  }
  bool ShowsZeroPositionCounts() const override { return doc->fSettings.CollocateExtraColumnsComputed(); }
};

class TDocumentCollocateList : public TCollocateList {
 public:
  explicit TDocumentCollocateList(T_WholeLinzoraHolder& owner)
      : TCollocateList(&owner, &questions_, &owner), questions_(&owner) {}
  void MoveToOwner(T_WholeLinzoraHolder& owner) override {
    TCollocateList::MoveToOwner(owner);
    questions_.doc = &owner;
  }

 private:
  TOwnerCollocateQuestions questions_;
};

}  // namespace

std::unique_ptr<TConcordanceDerivedList> MakeStandardDerivedList(T_WholeLinzoraHolder& owner,
                                                                 TTessorineList list_type) {
  switch (list_type) {
    case kListCollocates: return std::make_unique<TDocumentCollocateList>(owner);
    case kListPlot: return std::make_unique<TConcPlotList>(&owner, &owner);
    case kListClusters: return std::make_unique<TConcordanceClusterList>(&owner, &owner);
    case kListPatterns: return std::make_unique<TPatternsList>(&owner, &owner);
    case kListTimeline: return std::make_unique<TTimelineList>(&owner, &owner);
    default: return nullptr;
  }
}

// --- each view's computation from its document ---------------------------------------------------

namespace {

bool RunJob(const TDerivedListJob& job) { return job.count && job.finish(job.count()); }

TDerivedListJob CollocatesJob(TCollocateList& list, const TLinesAsTheyStood* stood = nullptr) {
  T_WholeLinzoraHolder* d = list.Owner();
  if (!d) return {};
  const TConcSettingsRec32& s = d->fSettings;
  TCollocateRunSettings r;
  r.left_words = s.CollocHorizonLeft();
  r.right_words = s.CollocHorizonRight();
  r.keep_case = s.CollocatesCaseSensitive();
  r.lcid = d->LCID();
  r.keep_numbers = d->TextSettings().NumbersIncluded();
  r.search_words_together = s.CollocateSearchWordsTogether();
  r.min_word_length = s.MinWordLength();
  r.min_total = s.MinCollocateFrequency();
  r.min_texts = s.MinCollocateTexts();
  r.stop_at = GetConcSaveRec().StopAtLevel();
  r.lemma_list_loaded = d->LemmaListLoaded();
  r.is_stop_word = StopWords(*d);
  r.threads = d->DerivedWorkers();
  r.run_words = d->RunLineWords();
  r.lines_as_they_stood = stood;
  for (const TVisibleTagRec& t : d->fArrayOfSavedTags)
    r.visible_tags.push_back({t.tag, static_cast<uint32_t>(t.foreground_colour)});
  const TConcordanceList* lines = d->fConcordanceList.get();
  TDerivedListJob job;
  job.count = [&list, lines, r, items = Items(*d)] { return ComputeCollocates(*lines, items, r, list); };
  job.finish = [&list, d](bool ok) {
    if (ok) d->fComputed[kFlagCollocates] = 1;
    if (!ok) return false;
    // The rows come sorted by total, then word. Joining lemmas changes totals, and the stop list
    // sorts the rows by word: after either they are sorted again. Without them the rows are
    // already in that order, and the sort, being stable, would leave them as they are.
    const bool reordered = d->LemmaListLoaded() || d->StopListLoaded();
    if (d->LemmaListLoaded()) list.CheckLemmas();
    if (d->StopListLoaded()) {
      // The count left out stop words already; the check removes any a lemma join brought in.
      const int32_t types = list.stoplist_types, tokens = list.stoplist_tokens;
      list.CheckStops();
      list.stoplist_types += types;
      list.stoplist_tokens += tokens;
    }
    list.Set1Sort(0, kCollocateSortTotal);
    list.Set1Sort(1, 0);
    list.SetSortAscending(0, false);
    list.SetSortAscending(1, true);
    if (reordered && list.Count() > 1) list.DoASort(2, 0, list.Count() - 1);
    return list.Count() > 0;
  };
  return job;
}

TDerivedListJob PatternsJob(TPatternsList& list) {
  T_WholeLinzoraHolder* d = list.Owner();
  if (!d) return {};
  const TConcordanceList* lines = d->fConcordanceList.get();
  TDerivedListJob job;
  job.count = [&list, lines, settings = CountSettings(*d), threads = d->DerivedWorkers(), run = d->RunLineWords()] {
    return ComputePatterns(*lines, settings, list, threads, run);
  };
  job.finish = [d](bool ok) {
    if (d->fConcordanceList->Count() > 0) d->fComputed[kFlagPatterns] = 1;
    return ok;
  };
  return job;
}

TDerivedListJob ClustersJob(TConcordanceClusterList& list, bool keep_settings) {
  T_WholeLinzoraHolder* d = list.Owner();
  if (!d) return {};
  const TConcSettingsRec32 current = GetConcSaveRec();
  if (!keep_settings) {
    d->fSettings.SetClusterSizeMin(current.ClusterSizeMin());
    d->fSettings.SetClusterSizeMax(current.ClusterSizeMax());
  }
  d->fSettings.SetStopAtLevel(current.StopAtLevel());
  const TConcSettingsRec32& s = d->fSettings;
  TClusterRunSettings r;
  r.count = CountSettings(*d);
  r.count.min_frequency = s.ClusterMinFrequency();
  r.count.is_stop_word = {};
  r.smallest = s.ClusterSizeMin();
  r.largest = s.ClusterSizeMax();
  r.reach_left = s.ClusterReachLeft();
  r.reach_right = s.ClusterReachRight();
  r.stop_at = s.StopAtLevel();
  r.threads = d->DerivedWorkers();
  r.run_words = d->RunLineWords();
  const TConcordanceList* lines = d->fConcordanceList.get();
  // The highest frequency is handed to the document when the count is done, on its thread.
  auto highest = std::make_shared<int32_t>(d->fHighestClusterFrequency);
  TDerivedListJob job;
  job.count = [&list, lines, r, highest] { return ComputeClusters(*lines, r, list, *highest); };
  job.finish = [d, highest](bool ok) {
    d->fHighestClusterFrequency = *highest;
    d->fComputed[kFlagClusters] = 1;
    return ok;
  };
  return job;
}

TDerivedListJob PlotJob(TConcPlotList& list, bool grouped, const TLinesAsTheyStood* stood = nullptr) {
  T_WholeLinzoraHolder* d = list.Owner();
  if (!d) return {};
  std::vector<TPlotText> texts;
  const int n = d->fTextFilesWithSearchWord->Count();
  texts.reserve(static_cast<size_t>(std::max(n, 0)));
  // Each row's name and words read where they lie (a missing row gives an empty name and no
  // words): thousands of texts, each record copied whole, held up every list beside the plot.
  for (int t = 0; t < n; ++t) {
    const TLinzoraFilenameEntry* row = d->fTextFilesWithSearchWord->Row(t, true);
    if (row)
      texts.push_back({ChangeFileExt(ExtractFileName(row->fdata.full_filename), u""), row->fdata.head.words_in_source_file});
    else
      texts.push_back({UString(), 0});
  }
  std::vector<UString> words;
  for (const TSearch_word_format_rec& r : Items(*d)) words.push_back(r.plain_sw.empty() ? r.sw : r.plain_sw);
  TPlotGroupChoices choices;
  choices.order = d->plot_options.order;
  choices.text_groups = d->plot_options.text_groups;
  choices.search_word_groups = d->plot_options.sw_groups;
  TPlotRunSettings settings;
  settings.divisions = std::max(2, GetRulerPlotWordCloudFeatures().PlotDivisions());
  settings.keep_contexts = d->plot_settings.bytes[1] != 0;
  settings.context_chars = d->plot_settings.Get<int32_t, 12>();
  settings.context_line_limit = d->plot_settings.Get<int32_t, 16>();
  settings.threads = d->DerivedWorkers();
  settings.lines_as_they_stood = stood;
  std::copy(std::begin(d->plot_settings.bytes), std::end(d->plot_settings.bytes), list.plot_settings.begin());
  const TConcordanceList* lines = d->fConcordanceList.get();
  auto message = std::make_shared<UString>();
  const bool have_texts = !texts.empty();
  TDerivedListJob job;
  job.count = [&list, lines, texts = std::move(texts), words = std::move(words), choices = std::move(choices), settings,
               grouped, message] {
    return ComputePlot(*lines, texts, words, choices, settings, grouped, list, *message);
  };
  job.finish = [d, have_texts, message](bool ok) {
    if (have_texts && d->fConcordanceList->Count() > 0 && message->empty()) d->fComputed[kFlagPlot] = 1;
    return ok;
  };
  return job;
}

}  // namespace

bool HasDerivedListJob(const TConcordanceDerivedList& list) {
  const T_WholeLinzoraHolder* d = list.Owner();
  // The stop list is asked only on the document's thread.
  if (!d || StopWords(*d)) return false;
  const std::type_info& type = typeid(list);
  return type == typeid(TDocumentCollocateList) || type == typeid(TPatternsList) ||
         type == typeid(TConcordanceClusterList) || type == typeid(TConcPlotList);
}

TDerivedListJob DerivedListJob(TConcordanceDerivedList& list, bool flag, const TLinesAsTheyStood* stood) {
  if (!HasDerivedListJob(list)) return {};
  const std::type_info& type = typeid(list);
  if (type == typeid(TDocumentCollocateList)) return CollocatesJob(static_cast<TCollocateList&>(list), stood);
  if (type == typeid(TPatternsList)) return PatternsJob(static_cast<TPatternsList&>(list));
  if (type == typeid(TConcordanceClusterList)) return ClustersJob(static_cast<TConcordanceClusterList&>(list), flag);
  if (type == typeid(TConcPlotList)) return PlotJob(static_cast<TConcPlotList&>(list), flag, stood);
  return {};
}

bool TCollocateList::Compute(bool) { return RunJob(CollocatesJob(*this)); }

bool TPatternsList::Compute(bool) { return RunJob(PatternsJob(*this)); }

bool TConcordanceClusterList::Compute(bool keep_settings) { return RunJob(ClustersJob(*this, keep_settings)); }

bool TConcPlotList::Compute(bool grouped) { return RunJob(PlotJob(*this, grouped)); }

bool TTimelineList::Compute(bool) {
  T_WholeLinzoraHolder* d = Owner();
  if (!d || !GetCarryoutProcedureTagBoolean(58)) return false;
  const TTimeLinePlotbase basis = GetTimeLinePlotBase();
  if (basis == kTimeBaseUndefined) return false;
  std::vector<TTimelineText> texts;
  const int n = d->fTextFilesWithSearchWord->Count();
  for (int t = 0; t < n; ++t) {
    const TLinzoraFilenameEntryRecPlus rec = d->fTextFilesWithSearchWord->GetEntryRecPlus(t, true);
    texts.push_back({rec.head.words_in_source_file, rec.other_data.TextualDateAndTime});
  }
  std::vector<TTimelineUnusedText> unused;
  for (int32_t i = 0; i < d->fUnusedFiles.Count(); ++i) {
    const TUnusedFileRec u = d->fUnusedFiles.Record(i);
    unused.push_back({u.old.Juliandate, u.old.wordcount});
  }
  std::vector<UString> labels;
  for (const TSearch_word_format_rec& r : Items(*d)) labels.push_back(r.sw);
  const bool ok = ComputeTimeline(*d->fConcordanceList, texts, unused, labels, basis, *this);
  if (d->fConcordanceList->Count() > 0) d->fComputed[kFlagTimeline] = 1;
  return ok;
}
