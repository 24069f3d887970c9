// Making a word list from chosen texts: the document's side of a counting run (settings read
// once, texts counted on worker threads, merged in text order here, rows made once at the end);
// and a corpus index, whose texts are read the same way and committed to the index in text order.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <span>
#include <string_view>

#include "model/documents/batch_procedures.h"
#include "model/reading/worker_tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/runtime/job_token.h"
#include "platform/runtime/parallel_for.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/run_timing.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "wordlist/index_building.h"
#include "wordlist/run_in_order.h"
#include "wordlist/run_word_counter.h"
#include "wordlist/user_word_filter.h"
#include "wordlist/word_list_document.h"
#include "wordlist/wordlist_counting.h"
#include "wordlist/wordlist_indexer.h"

namespace {

void MergeTextStats(TOne_text_stats_rec& overall, const TOne_text_stats_rec& text) {
  TOne_text_stats_data& o = overall.data;
  const TOne_text_stats_data& t = text.data;
  for (int g = 0; g < 5; ++g) o.groups[g] = MergedTextStats(o.groups[g], t.groups[g]);
  o.ratio = MergedTextStats(o.ratio, t.ratio);
  o.ratio_basis = t.ratio_basis;
  o.running_words = static_cast<int32_t>(std::min<int64_t>(int64_t{o.running_words} + t.running_words, INT32_MAX));
  o.size_count = static_cast<int32_t>(std::min<int64_t>(int64_t{o.size_count} + t.size_count, INT32_MAX));
  for (int l = 0; l <= 50; ++l) o.word_lengths[l] += t.word_lengths[l];
}

TFileContentsSet KindOfText(const TTextWordCounts& r, const TChosenFileDetailsFullRec& d) {
  if (d.rec.zip_member > 0) return 32;
  if (r.handled.is_unicode) return 4;
  return 1;
}

// Whether text k is the last of its folder among the chosen texts.
bool EndsAFolder(const std::vector<TChosenFileDetailsFullRec>& texts, size_t k) {
  return k + 1 >= texts.size() || texts[k + 1].folder != texts[k].folder;
}

// Whether text k ends a result: with no batch the run is one result; in batch modes 1 and 2 each
// text is a result of its own, in mode 3 the texts of one folder.
bool EndsAResult(const std::vector<TChosenFileDetailsFullRec>& texts, size_t k, uint8_t batch_mode) {
  if (k + 1 >= texts.size() || batch_mode == 1 || batch_mode == 2) return true;
  return batch_mode == 3 && EndsAFolder(texts, k);
}

// Each text's place in its result: the texts of a result lie one after the other (by their chosen
// sizes), so that its dispersion spreads over its own texts.
std::vector<TTextPlace> PlacesInResults(const std::vector<TChosenFileDetailsFullRec>& texts, uint8_t batch_mode) {
  std::vector<TTextPlace> places(texts.size());
  size_t first = 0;
  int64_t offset = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    places[i].offset = offset;
    offset += std::max<int64_t>(0, texts[i].rec.size);
    if (!EndsAResult(texts, i, batch_mode)) continue;
    for (size_t j = first; j <= i; ++j) places[j].list_bytes = offset;
    first = i + 1;
    offset = 0;
  }
  return places;
}

// A run over texts: the document is busy for windows while its lists change (until the end, on
// every path); the failure message, the stop state and the stopwatch start afresh.
class TRunStart {
 public:
  explicit TRunStart(TTessorineholder& doc) : doc_(doc) {
    doc_.SetBusyDontShowData(true);
    Global_FailureMessage.clear();
    ClearStopStateForNewJob();
    StartTiming();
  }
  ~TRunStart() { doc_.SetBusyDontShowData(false); }
  TRunStart(const TRunStart&) = delete;
  TRunStart& operator=(const TRunStart&) = delete;

 private:
  TTessorineholder& doc_;
};

// The folder's own name, without the folders above it.
UString LastFolderName(UStringView folder) { return ExtractFileName(ExcludeTrailingPathDelimiter(folder)); }

// The frequencies and text counts a key needs to become a row.
struct TRowLimits {
  int32_t min_f, max_f, min_t, max_t;
  bool Keep(const TWordCounter::TKeyView& key) const {
    return key.frequency >= min_f && key.frequency <= max_f && key.texts >= min_t && key.texts <= max_t;
  }
};

// Fewer rows than this are put in order on the calling thread alone.
constexpr size_t kRowsWorthWorkers = 20000;

// A key of the run on its way to a row. Its collation key lies in its piece's arena; the first
// eight bytes, as a number, settle most comparisons without reading the arena.
struct TRowToBe {
  uint64_t head;
  const char* key;
  const char16_t* word;
  uint32_t key_length;
  uint32_t word_length;
  int32_t frequency;
  int32_t texts;
  float dispersion;
};

// Adds the run's keys as rows straight in the list's word order, making each collation key once
// and sorting once, on `threads` workers when the list is large: the order a stable sort by those
// keys of the keys in unit order gives (DoASort), the same on any number of workers. False, with
// no row added, when the list's first sort level is not the words' collation order or a key
// carries a tag (rows with prefixes sort by them too).
bool AddRowsInWordOrder(const TRunWordCounter& overall, TVXWordList& words, const TRowLimits& limits, int32_t threads) {
  if (words.SortLevel(0).key != kWLSortWords || words.HasAffixes() || words.ListBusy() != kBusyNone) return false;
  const TLCID lcid = words.SortLCID();
  const bool case_sensitive = words.SortLevel(0).case_sensitive;
  const bool ascending = words.SortLevel(0).ascending;
  const int32_t divisions = overall.Divisions();
  const std::vector<const TWordCounter*> counters = overall.Counters();
  size_t types = 0;
  for (const TWordCounter* c : counters) types += static_cast<size_t>(c->Types());
  const size_t pieces = types >= kRowsWorthWorkers ? ParallelPieces(threads, types, 1) : 1;

  // Piece p takes the p-th share of every counter's keys, each share read in the order its keys
  // were made, so that their counts come from memory in turn; the rows are made later, in word
  // order, from what is kept here alone.
  std::vector<std::string> arenas(pieces);
  std::vector<std::vector<TRowToBe>> piece_rows(pieces);
  std::vector<uint8_t> tagged(pieces, 0);
  ParallelForPieces(
      static_cast<int>(pieces), pieces,
      [&](size_t, size_t first, size_t last) {
        for (size_t p = first; p < last; ++p) {
          std::string& arena = arenas[p];
          std::vector<TRowToBe>& rows = piece_rows[p];
          rows.reserve(types / pieces + 16);
          for (const TWordCounter* c : counters) {
            const size_t n = static_cast<size_t>(c->Types());
            for (size_t i = n * p / pieces; i < n * (p + 1) / pieces; ++i) {
              const TWordCounter::TKeyView key = c->Key(static_cast<int32_t>(i));
              if (!limits.Keep(key)) continue;
              if (!key.tag.empty()) {
                tagged[p] = 1;
                return;
              }
              const std::string sort_key = CollationSortKey(lcid, case_sensitive, key.word);
              uint64_t head = 0;
              for (size_t b = 0; b < sort_key.size() && b < 8; ++b)
                head |= uint64_t{static_cast<uint8_t>(sort_key[b])} << (56 - 8 * b);
              const float dispersion = static_cast<float>(
                  DispersionValue(std::span<const int32_t>(key.bins, static_cast<size_t>(divisions))));
              rows.push_back(TRowToBe{head, reinterpret_cast<const char*>(arena.size()), key.word.data(),
                                      static_cast<uint32_t>(sort_key.size()), static_cast<uint32_t>(key.word.size()),
                                      key.frequency, key.texts, dispersion});
              arena += sort_key;
            }
          }
          // The arena is whole: offsets become addresses.
          for (TRowToBe& r : rows) r.key = arena.data() + reinterpret_cast<uintptr_t>(r.key);
        }
      },
      1);
  if (std::find(tagged.begin(), tagged.end(), 1) != tagged.end()) return false;

  std::vector<TRowToBe> rows;
  size_t kept = 0;
  for (const auto& r : piece_rows) kept += r.size();
  rows.reserve(kept);
  for (auto& r : piece_rows) {
    rows.insert(rows.end(), r.begin(), r.end());
    std::vector<TRowToBe>().swap(r);
  }
  // Keys tie only where the collation makes words equal; such words keep their order in units,
  // as the stable sort of keys in unit order keeps them. Words without tags are distinct, so the
  // order is total and any number of workers gives it.
  ParallelSort(rows, static_cast<int>(pieces), [ascending](const TRowToBe& a, const TRowToBe& b) {
    int c = a.head < b.head ? -1 : (a.head > b.head ? 1 : 0);
    if (c == 0) c = std::string_view(a.key, a.key_length).compare(std::string_view(b.key, b.key_length));
    if (c != 0) return ascending ? c < 0 : c > 0;
    return UStringView(a.word, a.word_length) < UStringView(b.word, b.word_length);
  });
  if (rows.size() >= 2 && !words.PrepareWordOrder()) return false;
  for (const TRowToBe& r : rows) {
    TWordlistData d;
    d.word.assign(r.word, r.word_length);
    d.frequency = r.frequency;
    d.n_texts = r.texts;
    d.dispersion = r.dispersion;
    words.AddRow(std::move(d));
  }
  words.TakeWordOrder();
  return true;
}

// Adds the run's keys as rows in the order of their units, the user's filter changing and joining
// them, then sorts the rows.
void AddRowsInUnitOrder(const TRunWordCounter& overall, TVXWordList& words, const TRowLimits& limits,
                        const TUserWordFilter& filter, TLCID lcid, bool unicode) {
  // A word the filter changes joins the row of the word it became, wherever that row is.
  std::map<std::pair<UString, UString>, int> rows;
  for (const TWordCounter::TKeyView& key : overall.OrderedKeys()) {
    if (!limits.Keep(key)) continue;
    TWordlistData d;
    d.word = UString(key.word);
    d.prefix = UString(key.tag);
    d.frequency = key.frequency;
    d.n_texts = key.texts;
    d.dispersion = static_cast<float>(
        DispersionValue(std::span<const int32_t>(key.bins, static_cast<size_t>(overall.Divisions()))));
    if (filter.Active()) {
      std::optional<UString> changed = filter.Change(d.word, lcid, unicode);
      if (!changed) continue;
      d.word = std::move(*changed);
      auto it = rows.find({d.word, d.prefix});
      if (it != rows.end()) {
        TWordlistEntry* row = words.Row(it->second);
        row->data.frequency =
            static_cast<int32_t>(std::min<int64_t>(int64_t{row->data.frequency} + d.frequency, INT32_MAX));
        continue;
      }
    }
    const int i = words.AddRow(d);
    if (filter.Active() && i >= 0) rows.emplace(std::make_pair(d.word, d.prefix), i);
  }
  if (words.Count() > 1) words.DoASort(1, 0, words.Count() - 1);
}

}  // namespace

int32_t WordlistWorkerThreads(int32_t requested) { return JobWorkerThreads(requested); }

bool T_WholeWordlistHolder::MakeWordlist(TSharedChosenFilesClass& texts, uint8_t batch_mode, TTessorineList type_of_list,
                                         int32_t& converted, const TMakeWordlistOptions& options) {
  converted = 0;
  fLastFailure.clear();
  const UString kind_name = VXRes(TVXRes::VXWordList);
  const bool index = type_of_list == kListIndexWordlist;
  if ((type_of_list != kListWordlist && !index) || batch_mode > 3 || (index && batch_mode != 0)) {
    fLastFailure = VXResFmt(TVXRes::VXProblemMakingX,
                            {kind_name, batch_mode > 0 ? u"no such batch mode" : u"no such kind of list"});
    AddToLogFile(u"MakeWordlist: " + fLastFailure);
    return false;
  }
  std::vector<TChosenFileDetailsFullRec> list;
  list.reserve(static_cast<size_t>(std::max(0, texts.FileCount())));
  for (int32_t i = 0; i < texts.FileCount(); ++i) list.push_back(texts.GetFullFileDetails(i));
  if (!list.empty() && SuggestedFilename.empty()) SuggestedFilename = texts.SuggestedFilename();
  if (index) return MakeIndexFromTexts(list, &texts, converted, options);
  Global_batch_mode = batch_mode;
  Global_BatchProcedures.mode = batch_mode;
  return MakeFromTexts(list, &texts, batch_mode, converted, options);
}

bool T_WholeWordlistHolder::MadeOneFileWordlist(const TChosenFileDetailsFullRec& text,
                                                const TMakeWordlistOptions& options) {
  int32_t converted = 0;
  return MakeFromTexts({text}, nullptr, 0, converted, options);
}

bool T_WholeWordlistHolder::MakeFromTexts(const std::vector<TChosenFileDetailsFullRec>& texts,
                                          TSharedChosenFilesClass* chosen, uint8_t batch_mode, int32_t& converted,
                                          const TMakeWordlistOptions& options) {
  const UString kind_name = VXRes(TVXRes::VXWordList);
  const TRunStart run_start(*this);
  TBatchProceduresRec& batch = Global_BatchProcedures;
  if (texts.empty()) {
    fLastFailure = VXResFmt(TVXRes::VXProblemMakingX, {kind_name, u""});
    AddToLogFile(u"MakeWordlist: " + fLastFailure + u": no texts");
    return false;
  }
  ListKind = kListWordlist;
  // Everything the workers read is taken here, before they start.
  EnsureSettingsStoreReady();
  TTextReadRun run(TakeTextReadSnapshot(this), options.ask);
  TWordCountSetup setup = MakeWordCountSetup(&run, TextSettings(), WordlistSettings, options.stop_words);
  const std::vector<TTextPlace> places = PlacesInResults(texts, batch_mode);
  NumberOfTextsToProcess = static_cast<int32_t>(texts.size());
  const int32_t count = static_cast<int32_t>(texts.size());
  if (batch_mode != 0 && batch.OnBatchFileNameAndMaxN)
    batch.OnBatchFileNameAndMaxN(LastFolderName(batch.BatchRootFolder) + u".zip", VXRes(TVXRes::VXCreating), count);

  const int32_t threads = WordlistWorkerThreads(options.threads);
  TRunWordCounter overall(setup.divisions, threads > 1 && count > 1);
  std::unique_ptr<TVXStatsList> stats;
  std::map<UString, int32_t> tag_numbers;
  auto new_result = [&] {
    overall.Clear();
    tag_numbers.clear();
    stats = std::make_unique<TVXStatsList>(this);
    stats->Overall_stats.data.ratio_basis = setup.ratio_basis;
  };
  new_result();
  bool unicode = Unicode();
  auto finish_result = [&] {
    if (unicode != Unicode()) SetUnicode(unicode);
    FillWordList(overall, setup, *stats, threads, tag_numbers);
    fStats = std::move(stats);
    LinkLists();
    RegisterOwnedLists();
  };
  int32_t read = 0, read_in_result = 0, saved_in_folder = 0, saved = 0;
  bool batch_ok = true;
  UString last_failed;
  // Saves the result that text k ends (modes 1 and 2: the text's own; mode 3: its folder's) and
  // zips a finished folder's results when asked; then the document is empty for the next result.
  auto save_result = [&](int32_t k) {
    const TChosenFileDetailsFullRec& d = texts[static_cast<size_t>(k)];
    if (read_in_result > 0) {
      finish_result();
      StartStandardNotes(k + 1, kListWordlist, kind_name,
                         VXResFmt(TVXRes::VXBasedOnNmanyFiles, {IntToUStr(read_in_result)}));
      const UString name =
          batch_mode == 3 ? VXResFmt(TVXRes::VXTheseFiles, {LastFolderName(d.folder)}) : d.rec.filename;
      if (BatchSaveToTempDir(name, k, d.rec.date, count)) {
        ++saved;
        ++saved_in_folder;
      } else {
        batch_ok = false;
        last_failed = name;
        AddToLogFile(u"MakeWordlist: the result for " + name + u" could not be saved in " + batch.BatchRootFolder);
      }
      fWLWords->Clear();
      fStats = std::make_unique<TVXStatsList>(this);
      LinkLists();
      RegisterOwnedLists();
    }
    if (batch.Zip_Too && batch_mode >= 2 && EndsAFolder(texts, static_cast<size_t>(k)) && saved_in_folder > 0) {
      if (!BatchZipFromTempDir(u".lst", LastFolderName(d.folder) + u".zip", count)) {
        batch_ok = false;
        last_failed = d.folder;
      }
      saved_in_folder = 0;
    }
    read_in_result = 0;
    new_result();
    return batch_ok;
  };
  auto count_text = [&](int32_t k) {
    const TChosenFileDetailsFullRec& d = texts[static_cast<size_t>(k)];
    const TTextPlace place = places[static_cast<size_t>(k)];
    return options.count_text ? options.count_text(setup, d, k, place) : CountTextWords(setup, d, k, place);
  };
  auto commit = [&](int32_t k, TTextWordCounts& r) {
    const TChosenFileDetailsFullRec& d = texts[static_cast<size_t>(k)];
    // A text the run said to convert (the UTF-8 question answered yes) was read as it was: it is
    // converted on disk and read once more; one that cannot be converted keeps that reading.
    if (r.convert_asked && r.stop_state < kPanicStopNow && d.rec.zip_member <= 0) {
      // One conversion and one more reading; then the text is a dud like any other.
      UString error;
      const UString full = IncludeTrailingPathDelimiter(d.folder) + d.rec.filename;
      if (ConvertATextFileAnsiToUTF16(full, CodePage(), &error)) {
        ++converted;
        r = count_text(k);
      } else {
        AddToLogFile(u"text not converted: " + error);
      }
    }
    if (r.read_ok && r.stop_state < kPanicStopNow) {
      ++read;
      ++read_in_result;
      overall.MergeText(std::move(r.counter));
      tag_numbers.merge(r.tag_numbers);
      r.stats.data.julian_date = d.rec.julian_date;
      MergeTextStats(stats->Overall_stats, r.stats);
      stats->Add(new TStatsEntry(r.stats, batch_mode == 1 || batch_mode == 2, stats.get()));
      if (NeedsUnicodeDocument(r.handled)) unicode = true;
      if (chosen) {
        chosen->SetFileWords(k, r.running_words);
        chosen->SetFileWanted(k, r.handled.excluded ? 2 : 1);
        chosen->SetFileKind(k, KindOfText(r, d));
      }
    } else if (!r.read_ok) {
      last_failed = d.rec.filename;
      AddToLogFile(r.failure);
      if (OnDudFile) OnDudFile(d);
    }
    if (options.after_text) options.after_text(k, overall.Types());
    if (options.progress) options.progress((k + 1) * 100 / count);
    const bool stopping = StopRequested(kPanicEndOfText) || r.stop_state >= kPanicStopNow;
    if (batch_mode != 0 && !stopping && EndsAResult(texts, static_cast<size_t>(k), batch_mode) && !save_result(k))
      return false;
    // Any stop ends the run after this text.
    return !stopping;
  };
  RunInTextOrder<TTextWordCounts>(count, threads, count_text, commit);
  run.StoreAtRunEnd();

  if (read == 0 || !batch_ok || StopRequested(kPanicStopAndQuit)) {
    fLastFailure = VXResFmt(TVXRes::VXProblemMakingX, {kind_name, last_failed});
    Global_FailureMessage = fLastFailure;
    AddToLogFile(u"MakeWordlist: " + fLastFailure);
    return false;
  }
  if (batch_mode == 1 && batch.Zip_Too && saved > 0 &&
      !BatchZipFromTempDir(u".lst", LastFolderName(batch.BatchRootFolder) + u".zip", count)) {
    fLastFailure = VXResFmt(TVXRes::VXProblemMakingX, {kind_name, batch.BatchRootFolder});
    Global_FailureMessage = fLastFailure;
    AddToLogFile(u"MakeWordlist: " + fLastFailure);
    return false;
  }
  // A batch stopped part way keeps the texts of its unsaved result in the document.
  if (batch_mode != 0 && read_in_result == 0) return true;
  finish_result();
  AddATimingNote(kListWordlist);
  StartStandardNotes(0, kListWordlist, kind_name,
                     VXResFmt(TVXRes::VXBasedOnNmanyFiles, {IntToUStr(batch_mode != 0 ? read_in_result : read)}));
  return true;
}

namespace {

// Rows counted under a tag get that tag's category, colour and number.
void SetTagCategories(TVXWordList& words, const TWordCountSetup& setup, const std::map<UString, int32_t>& tag_numbers) {
  if (setup.tag_treatment == 0 || tag_numbers.empty() || (!setup.make_tag_handler && !setup.run)) return;
  // A handler made as the workers' are, so that its tags are numbered as theirs were.
  const std::unique_ptr<TTextTagHandler> made =
      setup.make_tag_handler ? setup.make_tag_handler() : MakeWorkerTagHandler(setup.run->Settings());
  if (!made) return;
  TTextTagHandler& tags = *made;
  tags.fUse_Unicode = true;  // the display form as UTF-16
  for (int i = 0; i < words.Count(); ++i) {
    TWordlistEntry* row = words.Row(i);
    if (!row) continue;
    const auto it = tag_numbers.find(setup.tag_treatment == 2 ? row->data.word : row->data.prefix);
    if (it == tag_numbers.end() || it->second <= 0) continue;
    const TPointerAnd3Integersrec shown = tags.TagToDisplay(it->second - 1, false);
    if (!shown.text) continue;  // not one of the handler's tags
    row->SetACategoryAndColourAndTagnumber(
        UStringView(static_cast<const char16_t*>(shown.text), static_cast<size_t>(shown.length)),
        static_cast<uint32_t>(shown.foreground_colour), it->second);
  }
}

}  // namespace

void T_WholeWordlistHolder::FillWordList(const TRunWordCounter& overall, const TWordCountSetup& setup,
                                         TVXStatsList& stats, int32_t threads,
                                         const std::map<UString, int32_t>& tag_numbers) {
  TVXWordList& words = *fWLWords;
  words.Clear();
  TUserWordFilter filter;
  filter.LoadFromSettings();
  const int32_t min_f = std::max<int32_t>(1, WordlistSettings.MinFrequency());
  const int32_t max_f = WordlistSettings.MaxFrequency() > 0 ? WordlistSettings.MaxFrequency() : INT32_MAX;
  const int32_t min_t = std::max<int32_t>(1, WordlistSettings.MinTexts());
  const int32_t max_t = WordlistSettings.MaxTexts() > 0 ? WordlistSettings.MaxTexts() : INT32_MAX;
  const TRowLimits limits{min_f, max_f, min_t, max_t};
  if (filter.Active() || !AddRowsInWordOrder(overall, words, limits, threads))
    AddRowsInUnitOrder(overall, words, limits, filter, setup.lcid, Unicode());
  SetTagCategories(words, setup, tag_numbers);
  if (LemmaListLoaded()) words.CheckLemmas();
  stats.SetOverallEntries(words.Count());
  stats.ComputeTotalWordStats();
  // After the totals: the stop list takes its words out of them only when its settings say so.
  if (StopListLoaded()) words.RemoveStopWords(stats);
  words.RebuildFrequencyIndex();
  WordlistCounts.a = stats.Overall_stats.data.running_words;
  WordlistCounts.b = words.Count();
  WordlistCounts.rows = words.Count();
  if (global_keeping_log && words.Count() > 0) {
    const int shown = std::min(50, words.Count());
    UString line = VXResFmt(TVXRes::VXFirstNWords, {IntToUStr(shown)});
    AddToLogFile(line);
    line.clear();
    for (int i = 0; i < shown; ++i) {
      line += VXResFmt(TVXRes::VXWordNIs, {IntToUStr(i + 1), words.Row(i)->data.word}) + u"; ";
      if ((i + 1) % 10 == 0 || i + 1 == shown) {
        AddToLogFile(line);
        line.clear();
      }
    }
  }
}

// --- a corpus index ------------------------------------------------------------------------------

bool T_WholeWordlistHolder::MakeIndexFromTexts(const std::vector<TChosenFileDetailsFullRec>& texts,
                                               TSharedChosenFilesClass* chosen, int32_t& converted,
                                               const TMakeWordlistOptions& options) {
  const UString kind_name = VXRes(TVXRes::VXIndex);
  const TRunStart run_start(*this);
  TIndexHandler* index = fIndexHandler.get();
  auto fail = [&](UString why) {  // a copy: the reason may live in the build dropped here
    if (index) index->DropBuild();
    fLastFailure = VXResFmt(TVXRes::VXProblemMakingX, {kind_name, why});
    Global_FailureMessage = fLastFailure;
    AddToLogFile(u"MakeWordlist: " + fLastFailure);
    return false;
  };
  if (!index || !index->ReadyToStartComputing()) return fail(u"no corpus index ready (StartAnIndexHandler first)");
  if (texts.empty()) return fail(u"no texts");
  // The records keep a byte in 32 bits: a text past that is refused before anything is read.
  for (const TChosenFileDetailsFullRec& d : texts)
    if (d.rec.size > INT32_MAX)
      return fail(IncludeTrailingPathDelimiter(d.folder) + d.rec.filename + u": a text over 2 GiB, too big for an index");
  ListKind = kListIndexWordlist;
  EnsureSettingsStoreReady();
  // The texts are read with the index's settings (a new index's are the document's).
  SetTextSettings(index->TextSettingsOfIndex());
  TTextReadRun run(TakeTextReadSnapshot(this), options.ask);
  TWordCountSetup setup =
      MakeWordCountSetup(&run, TextSettings(), index->WordlistSettingsOfIndex(), options.stop_words);
  setup.exact_word_length = index->ExactWordLengthOfIndex();
  setup.divisions = 0;
  setup.keep_tokens = true;
  TIndexBuild& build = *index->Build();
  TVXStatsList& stats = *fStats;
  stats.Overall_stats.data.ratio_basis = setup.ratio_basis;
  const int32_t count = static_cast<int32_t>(texts.size());
  NumberOfTextsToProcess = count;
  int32_t read = 0;
  bool build_failed = false;
  UString last_failed;
  auto yielded = std::chrono::steady_clock::now();
  auto read_text = [&](int32_t k) {
    const TChosenFileDetailsFullRec& d = texts[static_cast<size_t>(k)];
    return options.count_text ? options.count_text(setup, d, k, TTextPlace{}) : CountTextWords(setup, d, k, TTextPlace{});
  };
  auto batch = [&](int32_t, TTokenBatch& b) {
    if (!build.AddBatch(b)) return !(build_failed = true);
    // The window stays alive while the committer works: a yield every 50 ms or so.
    const auto now = std::chrono::steady_clock::now();
    if (now - yielded > std::chrono::milliseconds(50)) {
      yielded = now;
      MyYieldProcess();
    }
    return true;
  };
  auto end = [&](int32_t k, TTextWordCounts& r) {
    const TChosenFileDetailsFullRec& d = texts[static_cast<size_t>(k)];
    const UString full = IncludeTrailingPathDelimiter(d.folder) + d.rec.filename;
    if (r.convert_asked && r.stop_state < kPanicStopNow && d.rec.zip_member <= 0) {
      // One conversion and one more reading, from the text's start.
      build.DropText();
      build.StartText();
      UString error;
      if (ConvertATextFileAnsiToUTF16(full, CodePage(), &error)) {
        ++converted;
        r = read_text(k);
      } else {
        AddToLogFile(u"text not converted: " + error);
      }
    }
    TTokenBatch rest;
    rest.TakeFrom(r, true);
    if (r.read_ok && r.stop_state < kPanicStopNow) {
      if (!build.AddBatch(rest) || !build.EndText()) return !(build_failed = true);
      ++read;
      index->UpdatedMarkupSections(r.sections);
      r.stats.data.text_number = build.Texts();
      r.stats.data.julian_date = d.rec.julian_date;
      TIndexHandler::NoteTextFileFigures(r.stats, full, d.rec.zip_member);
      r.stats.data.found = 1;
      MergeTextStats(stats.Overall_stats, r.stats);
      stats.Add(new TStatsEntry(r.stats, false, &stats));
      if (chosen) {
        chosen->SetFileWords(k, r.running_words);
        chosen->SetFileWanted(k, r.handled.excluded ? 2 : 1);
        chosen->SetFileKind(k, KindOfText(r, d));
      }
    } else {
      build.DropText();
      if (!r.read_ok) {
        last_failed = d.rec.filename;
        AddToLogFile(r.failure);
        if (OnDudFile) OnDudFile(d);
      }
    }
    build.StartText();
    if (options.after_text) options.after_text(k, build.TypeCount());
    if (options.progress) options.progress((k + 1) * 100 / count);
    return !(StopRequested(kPanicEndOfText) || r.stop_state >= kPanicStopNow);
  };
  build.StartText();
  RunTextsIntoIndexInOrder(count, WordlistWorkerThreads(options.threads), setup, read_text, batch, end);
  run.StoreAtRunEnd();
  if (build_failed) return fail(build.Error());
  if (StopRequested(kPanicEndOfText)) return fail(u"stopped; the index that was there stays as it was");
  if (read == 0) return fail(last_failed);
  stats.SetOverallEntries(build.TypeCount());
  stats.ComputeTotalWordStats();
  WordlistCounts.a = stats.Overall_stats.data.running_words;
  WordlistCounts.b = WordlistCounts.rows = build.TypeCount();
  fIndexWords->fHasIndex = true;
  AddATimingNote(kListIndexWordlist);
  StartStandardNotes(0, kListIndexWordlist, kind_name, VXResFmt(TVXRes::VXBasedOnNmanyFiles, {IntToUStr(build.Texts())}));
  AddNoteDetails(index->DetailsOfCurrentSettings(false), 2);
  return true;
}
