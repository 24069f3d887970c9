#include "concordance/views/word_list_collocates.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

#include "concordance/views/collocate_association.h"
#include "concordance/views/collocates_list.h"
#include "concordance/document/concordance_document.h"
#include "concordance/document/source_files.h"
#include "concordance/lines/list_line_sink.h"
#include "concordance/run/concordance_run.h"
#include "concordance/run/sampling.h"
#include "concordance/run/text_processor.h"
#include "concordance/run/user_filter.h"
#include "concordance/views/reference_corpus.h"
#include "model/reading/chosen_texts.h"
#include "model/export/export_cells.h"
#include "model/reading/text_statistics.h"
#include "model/reading/tag_handler.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/runtime/list_headings.h"
#include "platform/runtime/vx_maths.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_items.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_services.h"
#include "shell/services/progress.h"
#include "wordlist/run_in_order.h"
#include "wordlist/word_list.h"

bool WordPassesScriptLimits(const TCollocateScriptSettingsRec& limits, UStringView word, int32_t frequency,
                            int32_t texts) {
  if (global_panic_state != kPanicNone) return false;
  using R = TCollocateScriptSettingsRec;
  auto within = [&](int64_t v, int min_field, int max_field) {
    return v >= limits.Field(min_field) && v <= limits.Field(max_field);
  };
  return within(static_cast<int64_t>(word.size()), R::kMinWordLength, R::kMaxWordLength) &&
         within(texts, R::kMinTexts, R::kMaxTexts) && within(frequency, R::kMinFrequency, R::kMaxFrequency);
}

UString RelationshipRequirements(const TKollaxaMutualChecks& checks) {
  UString text;
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    if (!checks.Tested(k)) continue;
    AddToListWithSeparatorIfNeeded(text, UpperCaseU(RelationshipAsString(k)) + u" >= " +
                                             FormattedWithDecimals(checks.Threshold(k), 3),
                                   checks.AllMustPass() ? u" and " : u" or ");
  }
  return text;
}

bool PassesRelationshipThresholdTests(const TKollaxaMutualChecks& checks, const float (&values)[11]) {
  bool any_tested = false, any_passed = false, all_passed = true;
  for (int k = 0; k < TKollaxaMutualChecks::kStatistics; ++k) {
    if (!checks.Tested(k)) continue;
    any_tested = true;
    const bool passed = values[k] >= checks.Threshold(k);  // false for NaN
    any_passed = any_passed || passed;
    all_passed = all_passed && passed;
  }
  if (!any_tested) return true;
  return checks.AllMustPass() ? all_passed : any_passed;
}

UString AcceptableFilename(UStringView word) {
  UString name(word);
  for (char16_t& c : name)
    if (c < 0x20 || c == 0x7F || UStringView(u"/\\:*?\"<>|").find(c) != UStringView::npos) c = u'_';
  if (name.empty() || name == u"." || name == u"..") name = u"_" + name;
  return name;
}

namespace {

// A cell as the file shows it: a share of a count shows the count, a position without the
// collocate 0, other numbers with three decimals when real; an empty field for anything else,
// so that the fields stay under their headings.
UString CellForFile(const TGrid_data_rec& cell) {
  if (cell.has_text) return RelevantAffixesOfStringData(cell);
  if (cell.number.value == -999998.0f) return u"0";
  if (!cell.has_number || !std::isfinite(cell.number.value)) return UString();
  if (cell.number.kind == 2) return IntToUStr(static_cast<int64_t>(cell.number.part));
  if (!cell.number.is_real) return IntToUStr(std::llround(cell.number.value));
  return FormattedWithDecimals(cell.number.value, 3);
}

void AddWithTab(UString& line, UStringView value, bool first) {
  if (!first) line += u'\t';
  line += value;
}

// The lines of one word's file: title, requirements, headings, passing collocates.
std::vector<UString> WordFileLines(TCollocateList& list, UStringView word, const UString& requirements,
                                   const TCollocateScriptSettingsRec& limits, const TKollaxaMutualChecks& checks) {
  std::vector<UString> lines;
  lines.push_back(VXResFmt(TVXRes::VXCollocatesOfX, {word}));
  if (!requirements.empty()) lines.push_back(VXResFmt(TVXRes::VXRequirementsEqX, {requirements}));
  const int columns = list.HeadingCount();
  for (int r = 0; r <= list.Count(); ++r) {
    if (r > 0) {
      const TCollocateEntry* e = list.Row(r - 1);
      if (!e || !list.fsettings.saved_relationships_computed) continue;
      if (CompareStringsLocale(list.SortLCID(), false, e->MainWordOnly(), word) == 0) continue;
      if (e->rec.head.total > limits.Field(TCollocateScriptSettingsRec::kMaxCollocateTotal) ||
          e->rec.head.total < limits.Field(TCollocateScriptSettingsRec::kMinCollocateTotal))
        continue;
      float values[11];
      for (int k = 0; k < 11; ++k) values[k] = e->rec.Statistic(k);
      if (!PassesRelationshipThresholdTests(checks, values)) continue;
    }
    UString line;
    bool first = true;
    for (int c = 1; c < columns; ++c) {
      if (c == 2) continue;
      TGrid_data_rec cell;
      list.DrawgridDataRec(c, r, cell, 0);
      AddWithTab(line, r == 0 ? cell.text : CellForFile(cell), first);
      first = false;
    }
    for (int k = 0; k < kRelationshipStatsCount; ++k) {
      AddWithTab(line, r == 0 ? RelationshipAsString(k) : FormattedWithDecimals(list.Row(r - 1)->rec.Statistic(k), 3),
                 first);
      first = false;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// While it lives, a text written for the user is not opened in an editor: the runs of a whole
// word list show nothing.
class TNoEditorWhileRunning {
 public:
  TNoEditorWhileRunning() : saved_(DocumentHooks()) {
    TDocumentHooks quiet = saved_;
    quiet.try_to_edit = nullptr;
    SetDocumentHooks(quiet);
  }
  ~TNoEditorWhileRunning() { SetDocumentHooks(saved_); }
  TNoEditorWhileRunning(const TNoEditorWhileRunning&) = delete;
  TNoEditorWhileRunning& operator=(const TNoEditorWhileRunning&) = delete;

 private:
  TDocumentHooks saved_;
};

bool SaveUtf16Lines(UStringView file, const std::vector<UString>& lines) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (const UString& l : lines)
    for (char16_t c : l + u"\n") {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
  return SafeSaveBytes(file, bytes.data(), static_cast<int64_t>(bytes.size()));
}

// A text's bytes as read once, read again from the start by one word's reader: the bytes are
// shared by every word and thread, the position is the reader's own.
class TTextBytesView : public TStream {
 public:
  explicit TTextBytesView(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::clamp<int64_t>(Size() - pos_, 0, std::max<int64_t>(count, 0));
    if (n > 0) std::memcpy(buffer, bytes_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? pos_ : Size();
    if (base + offset < 0) return -1;
    pos_ = base + offset;
    return pos_;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  const std::vector<uint8_t>& bytes_;
  int64_t pos_ = 0;
};

// Texts are read into memory once for all the words while they take no more than this; a text
// beyond it is read from its file by each word, as is a member of a zip archive.
constexpr int64_t kTextsHeldBytes = int64_t{1} << 30;
// Longest run of letters the texts' words are kept by.
constexpr size_t kLongestIndexedWord = 64;

bool AsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

}  // namespace

// Which of the call's texts can hold a word at all, so that a word's run reads only those. A
// text is "plain" when each of its bytes is printable ASCII or a line or tab character and none
// can open mark-up: what the reader makes of it is then its bytes, and a word of ASCII letters
// the search finds in it stands there as a run of letters between non-letters (a word character
// is at least a letter), the same letters in some case. So a plain text none of whose runs of
// letters is the word, case aside, gives the word no line and need not be read: its run gives the
// lines, and so the collocates, of a run over every text. Any other text is read for every word,
// and every text for a word of other characters (a phrase, a wildcard, a number, an apostrophe).
class TTextsOfWords {
 public:
  // Whether any reading setting could make a plain text read as something else than its bytes
  // (a header cut, marked, kept or hidden tags, entities, text markers, sampled hits, lemma forms
  // sought for a word): then every word reads every text.
  static bool Applies(const TTextReadSnapshot& r, bool lemma_list, bool randomising) {
    const TTagReadSettings& t = r.tags;
    bool markers = false;
    for (const UString& m : t.marker_texts) markers = markers || !m.empty();
    return !lemma_list && !randomising && r.end_of_header.empty() && !r.translating_tags && !r.keeping_tags &&
           !r.excluding_spans && r.cluster_tag.empty() && !t.select_within && t.tags_wanted <= 0 &&
           t.tags_exclude_wanted <= 0 && t.tags_translate_wanted <= 0 && !markers;
  }

  void Build(const std::vector<std::vector<uint8_t>>& bytes, const std::vector<uint8_t>& held,
             const TIgnore_tag_type& brackets) {
    on_ = true;
    count_ = static_cast<int32_t>(bytes.size());
    for (int32_t t = 0; t < count_; ++t) {
      const std::vector<uint8_t>& b = bytes[static_cast<size_t>(t)];
      if (!held[static_cast<size_t>(t)] || !Plain(b, brackets)) {
        always_.push_back(t);
        continue;
      }
      std::string run;
      auto close = [&] {
        if (run.empty() || run.size() > kLongestIndexedWord) {
          run.clear();
          return;
        }
        std::vector<int32_t>& texts = texts_of_[run];
        if (texts.empty() || texts.back() != t) texts.push_back(t);
        run.clear();
      };
      for (uint8_t c : b) {
        if (AsciiLetter(c)) run.push_back(static_cast<char>(c | 0x20));
        else close();
      }
      close();
    }
  }

  // The texts a run of the word reads, in the call's order.
  std::vector<int32_t> TextsFor(UStringView word) const {
    std::vector<int32_t> all;
    bool letters = on_ && !word.empty() && word.size() <= kLongestIndexedWord;
    for (char16_t c : word) letters = letters && AsciiLetter(c);
    if (!letters) {
      all.resize(static_cast<size_t>(count_));
      for (int32_t t = 0; t < count_; ++t) all[static_cast<size_t>(t)] = t;
      return all;
    }
    std::string key;
    for (char16_t c : word) key.push_back(static_cast<char>(c | 0x20));
    const auto it = texts_of_.find(key);
    if (it == texts_of_.end()) return always_;
    std::merge(always_.begin(), always_.end(), it->second.begin(), it->second.end(), std::back_inserter(all));
    return all;
  }
  void SetAllTexts(int32_t count) { count_ = count; }

 private:
  static bool Plain(const std::vector<uint8_t>& b, const TIgnore_tag_type& brackets) {
    bool forbidden[128] = {};
    forbidden[u'<'] = forbidden[u'>'] = forbidden[u'&'] = true;
    for (int i = 0; i < 6; ++i) {
      if (brackets.openers[i] > 0 && brackets.openers[i] < 128) forbidden[brackets.openers[i]] = true;
      if (brackets.closers[i] > 0 && brackets.closers[i] < 128) forbidden[brackets.closers[i]] = true;
    }
    for (uint8_t c : b)
      if (c >= 127 || (c < 32 && c != u'\t' && c != u'\n' && c != u'\r') || forbidden[c]) return false;
    return true;
  }

  bool on_ = false;
  int32_t count_ = 0;
  std::vector<int32_t> always_;
  std::unordered_map<std::string, std::vector<int32_t>> texts_of_;
};

namespace {

// Whether a file name ends as a repeated name is numbered: " (2)", " (3)" ...
bool NumberedName(UStringView name) {
  if (name.size() < 4 || name.back() != u')') return false;
  size_t i = name.size() - 1;
  while (i > 0 && name[i - 1] >= u'0' && name[i - 1] <= u'9') --i;
  return i < name.size() - 1 && i >= 2 && name[i - 1] == u'(' && name[i - 2] == u' ';
}

// Reads each plain text of the call once; a text left to its file has held[t] 0.
void ReadTextsOnce(const std::vector<TChosenFileDetailsFullRec>& texts, std::vector<std::vector<uint8_t>>& bytes,
                   std::vector<uint8_t>& held) {
  bytes.assign(texts.size(), {});
  held.assign(texts.size(), 0);
  int64_t total = 0;
  for (size_t t = 0; t < texts.size(); ++t) {
    const TChosenFileDetailsFullRec& d = texts[t];
    if (d.rec.zip_member > 0 || IsOurTemporaryName(d.rec.filename)) continue;
    const UString name = IncludeTrailingPathDelimiter(d.folder) + d.rec.filename;
    std::error_code ec;
    // Only a plain file: anything else goes the reader's own way, which names what is wrong.
    if (!std::filesystem::is_regular_file(ToFsPath(name), ec)) continue;
    const int64_t size = FileSizeU(name);
    if (size < 0 || total + size > kTextsHeldBytes) continue;
    TMemoryStream m;
    if (!m.LoadFromFile(name)) continue;
    total += static_cast<int64_t>(m.Data().size());
    bytes[t] = std::move(m.Data());
    held[t] = 1;
  }
}

}  // namespace

// What the words of one call share: made once on the calling thread before the first word, and
// only read by the words' steps, on whichever worker runs them.
struct TWordListCollocatesRun {
  std::vector<TChosenFileDetailsFullRec> texts;
  std::vector<std::vector<uint8_t>> bytes;  // each text as read once (held[t] set)
  std::vector<uint8_t> held;
  // Each text as it lay when it was read once: a word's source-file row records it unlooked.
  std::vector<TTextFingerprint> fingerprints;
  TTextsOfWords texts_of_words;
  TTextReadSnapshot reading;                // the settings every text is read with
  TConcSettingsRec32 settings{};
  bool derived_lists = true;                // the fast-minimal choice leaves the collocates uncomputed
  bool randomising = false;
  uint16_t random_range = 0;
  const TUserLineFilter* filter = nullptr;  // none, or the user's filter when it is on
  TCollocateScriptSettingsRec limits{};
  TKollaxaMutualChecks checks{};
  UString requirements;
  const TReferenceWordList* reference = nullptr;
  TAssociationArgs association;
};

bool T_WholeLinzoraHolder::MadeWordListWordConcordance(const TWordListCollocatesRun& run, TSearchWordItems& items,
                                                       const std::vector<int32_t>& texts, int32_t& header_cuts) {
  // As MakeConcordance for one word over the call's texts, on one thread: nothing shared is
  // written (no stop state, failure message, timing or progress), the texts come from `run`.
  fSettings = run.settings;
  fSettings.SetRunningWords(0);
  fSettings.SetMergedTotal(0);
  fSettings.SetMergedLineCount(0);
  items.SetLanguage(LCID());
  CopySearchWordItemsToFSWSEtc(items);
  MainListType = kListConcordance;
  ListKind = kListConcordance;
  StartProcessUsingTextTagHandler();
  const int32_t n = static_cast<int32_t>(texts.size());
  NumberOfTextsToProcess = static_cast<int32_t>(run.texts.size());
  fConcordanceList->fsearch_words_to_seek = items.SearchesPlannedCount();
  fRunTexts.clear();
  for (int32_t t : texts) fRunTexts.push_back(run.texts[static_cast<size_t>(t)]);
  fRunTextOfFile.clear();
  fRunTextHeads.assign(static_cast<size_t>(n), kTextHeadNotSeen);
  static_cast<TBaseSearchItems&>(fRunItems) = items;
  fRunContext.Clear();
  fRunExclusion.Clear();
  fRunSetup = std::make_unique<TTextWorkerSetup>();
  TTextWorkerSetup& setup = *fRunSetup;
  FillLineSetup(setup);
  // The word's own reading (its counts, its zip archives) with the settings of the call.
  TTextReadRun reading(run.reading);
  setup.run = &reading;
  setup.context_stop = fSettings.ContextStop();
  if (run.randomising) {
    setup.sampling_seed = NewSamplingSeed();
    setup.sampling_range = run.random_range;
  }
  setup.keeping_log = global_keeping_log;

  TConcordanceRunSettings settings = RunSettingsOfItems(n, 1);
  fDerivedWorkers = 1;
  settings.text_name = [this](int32_t k) {
    const TChosenFileDetailsFullRec& d = fRunTexts[static_cast<size_t>(k)];
    return IncludeTrailingPathDelimiter(d.folder) + d.rec.filename;
  };
  settings.text_judged = [this](const TTextRunOutcome& judged) {
    TOneTextResult one;
    RecordText(fRunTexts[static_cast<size_t>(judged.text_index)], judged, one);
  };
  TConcordanceListSink sink(*fConcordanceList);
  TJobToken token;
  const TConcordanceRunResult result = RunConcordance(
      settings,
      [&](int32_t k) {
        const size_t t = static_cast<size_t>(texts[static_cast<size_t>(k)]);
        if (!run.held[t]) return ReadTextForConcordance(setup, fRunTexts[static_cast<size_t>(k)], k);
        TTextBytesView bytes(run.bytes[t]);
        TTextOutcome text = ReadTextForConcordance(setup, fRunTexts[static_cast<size_t>(k)], k, &bytes);
        if (text.read_ok && !text.lines.empty()) text.fingerprint = run.fingerprints[t];
        return text;
      },
      sink, token, run.filter);
  header_cuts = reading.HeaderCuts();
  fRunWorkers = result.workers;
  for (const TTextRunOutcome& o : result.texts)
    if (!o.read_ok) AddToLogFile(u"collocates of a word list: " + o.failure);
  fSettings.SetRunningWords(static_cast<int32_t>(std::clamp<int64_t>(result.running_words, 0, INT32_MAX)));
  if (!result.all_read) return false;
  if (run.derived_lists) {
    // Only the collocates are wanted of the derived views, counted as the run's counts them.
    fRunLineWords = FetchWordsForCounts();
    fCollocateList->Compute(false);
    fRunLineWords.reset();
  }
  return true;
}

namespace {

// What a word's step gives the writer: its file lines (none: no file), and whether its
// concordance was made, with the texts whose header its reading cut.
struct TWordLines {
  std::vector<UString> lines;
  bool ran = false;
  int32_t header_cuts = 0;
  bool saved_by_step = false;  // the step wrote the file itself (a name no other word can take)
  bool saved = false;
};

// One word's file lines, in a concordance document of its own.
TWordLines LinesOfWord(const TWordListCollocatesRun& run, const T_WholeLinzoraHolder& caller, UStringView word) {
  TWordLines out;
  if (global_panic_state != kPanicNone) return out;
  // The word's cells read a setting each: as the settings stood when the call began.
  const TSettingsReadHold settings_as_read;
  T_WholeLinzoraHolder doc(kListConcordance, nullptr, nullptr, nullptr, Global_stopLemmaMatchLoaded[2],
                           Global_stopLemmaMatchLoaded[0], caller.TextTagHandler, caller.TagsToTranslate);
  doc.SetUnicode(caller.Unicode());
  TSearchWordItems items(SearchTextOptionsFromTextSettings(doc.TextSettings()));
  items.AddedSearchWords(word);
  out.ran = true;
  if (!doc.MadeWordListWordConcordance(run, items, run.texts_of_words.TextsFor(word), out.header_cuts)) return out;
  auto* list = dynamic_cast<TCollocateList*>(doc.fCollocateList.get());
  if (!list) return out;
  const int32_t count = list->Count();
  if (count > run.limits.Field(TCollocateScriptSettingsRec::kMaxCollocates) ||
      count < run.limits.Field(TCollocateScriptSettingsRec::kMinCollocates))
    return out;
  if (!ComputeAssociationReport(*run.reference, *list, run.association).success) return out;
  list->Set1Sort(0, kCollocateFirstStatColumn + 4);  // log-likelihood
  list->Set1Sort(1, 0);
  list->SetSortAscending(0, false);
  list->SetSortAscending(1, true);
  if (count > 1) list->DoASort(2, 0, count - 1);
  out.lines = WordFileLines(*list, word, run.requirements, run.limits, run.checks);
  if (out.lines.size() <= 2) out.lines.clear();
  return out;
}

}  // namespace

int32_t T_WholeLinzoraHolder::ComputeAndSaveCollocatesForWholeWordList(UStringView output_folder, TVXWordList& words,
                                                                       TVXStatsList& stats, bool script_running,
                                                                       int32_t threads) {
  if (output_folder.empty() || !ForceDirectories(output_folder)) return 0;
  const UString folder = IncludeTrailingPathDelimiter(output_folder);
  if (TextTagHandler && TagsToTranslate) RefreshTagHandlerFromSettings(*TextTagHandler, *TagsToTranslate);
  TWordListCollocatesRun run;
  run.limits = GetCollocateScriptSettings();
  run.checks = GetKollaxaMutualChecks();
  run.requirements = RelationshipRequirements(run.checks);
  TSharedChosenFilesClass chosen(false, nullptr, 1);
  if (!stats.BuildVXFileDetails(&chosen) || chosen.FileCount() == 0) return 0;
  for (int32_t i = 0; i < chosen.FileCount(); ++i) run.texts.push_back(chosen.GetFullFileDetails(i));
  // The settings each word's concordance would read from the store, read once for all of them.
  {
    const T_WholeLinzoraHolder first(kListConcordance, nullptr, nullptr, nullptr, Global_stopLemmaMatchLoaded[2],
                                     Global_stopLemmaMatchLoaded[0], TextTagHandler, TagsToTranslate);
    run.reading = TakeTextReadSnapshot(&first);
    // No word's run asks about converting a text: the question belongs to a concordance a user starts.
    run.reading.conversion_options &= ~uint32_t(8);
  }
  run.settings = GetConcSaveRec();
  run.derived_lists = !GetFastMinimalProcessing(current_tool_var);
  run.randomising = GetRandomising();
  run.random_range = GetRandomRange();
  // Each text is opened once, for every word; a word's run reads only the texts that can hold it.
  ReadTextsOnce(run.texts, run.bytes, run.held);
  for (size_t t = 0; t < run.texts.size(); ++t)
    run.fingerprints.push_back(run.held[t] ? FingerprintOfChosenText(run.texts[t]) : TTextFingerprint{});
  run.texts_of_words.SetAllTexts(static_cast<int32_t>(run.texts.size()));
  if (TTextsOfWords::Applies(run.reading, Global_stopLemmaMatchLoaded[0], run.randomising))
    run.texts_of_words.Build(run.bytes, run.held, run.reading.tags.unwanted_tags);
  TUserLineFilter filter;
  if (filter.LoadFromSettings()) run.filter = &filter;
  run.association.left_words = run.settings.CollocHorizonLeft();
  run.association.right_words = run.settings.CollocHorizonRight();
  // The list is the reference too: sorted once here, so that the walk below sees one order.
  const TWordListReference reference(words, true, &stats);
  run.reference = &reference;
  const TNoEditorWhileRunning quiet;

  // The words within the limits, in the list's order: the files are named in that order.
  struct TWordToDo {
    int index;
    UString word;
    bool own_name = false;  // its file's name is its word's whatever the other words write
  };
  std::vector<TWordToDo> todo;
  const int n = words.Count();
  std::map<UString, int32_t> bases;  // case-folded file names the words would take, and how many take each
  for (int i = 0; i < n; ++i) {
    TWordlistData d;
    if (!words.WordlistData(false, i, d)) continue;
    if (!WordPassesScriptLimits(run.limits, d.word, d.frequency, d.n_texts)) continue;
    todo.push_back({i, d.word});
    ++bases[FoldCaseU(AcceptableFilename(d.word))];
  }
  // A name no other word takes, and not of the numbered form a repeated name is given, is the
  // word's own whichever words before it write: its step may write its file at once, beside the
  // others. The other words' names are given here, in order, as they are written.
  for (TWordToDo& w : todo) {
    const UString base = FoldCaseU(AcceptableFilename(w.word));
    w.own_name = bases[base] == 1 && !NumberedName(base);
  }
  // Words are made side by side on a fixed set of workers, each word on one of them alone, and
  // written here in the list's order. A user's filter keeps state across lines, a tag handler of
  // the document is shared by its words, and a progress display is told of each list's sort on
  // the thread that sorts: with any of them the words go one at a time.
  int32_t workers = JobWorkerThreads(threads);
  if (run.filter || TextTagHandler || GlobalProgress()) workers = 1;

  std::set<UString> names_used;  // case-folded
  int32_t written = 0;
  RunInTextOrder<TWordLines>(
      static_cast<int32_t>(todo.size()), workers,
      [&](int32_t k) {
        const TWordToDo& w = todo[static_cast<size_t>(k)];
        TWordLines made = LinesOfWord(run, *this, w.word);
        if (w.own_name && !made.lines.empty() && global_panic_state == kPanicNone) {
          made.saved_by_step = true;
          made.saved = SaveUtf16Lines(folder + AcceptableFilename(w.word) + u".txt", made.lines);
        }
        return made;
      },
      [&](int32_t k, const TWordLines& made) {
        MyYieldProcess();
        const TWordToDo& w = todo[static_cast<size_t>(k)];
        if (script_running) HandleScriptProgress(w.index, n);
        // Each concordance counts the headers its reading cut afresh, as a run a user starts does.
        if (made.ran) {
          SetTimesEndOfTextHeaderCut(0);
          if (made.header_cuts > 0) AddToTimesEndOfTextHeaderCut(made.header_cuts);
        }
        const std::vector<UString>& lines = made.lines;
        if (lines.empty()) return global_panic_state == kPanicNone;
        UString name = AcceptableFilename(w.word);
        if (!made.saved_by_step)
          for (int j = 2; !names_used.insert(FoldCaseU(name)).second; ++j)
            name = AcceptableFilename(w.word) + u" (" + IntToUStr(j) + u")";
        const UString file = folder + name + u".txt";
        if (made.saved_by_step ? !made.saved : !SaveUtf16Lines(file, lines)) {
          AddToLogFile(u"collocates of a word list: could not write " + file);
          return global_panic_state == kPanicNone;
        }
        ++written;
        if (OnProgressShow) OnProgressShow(static_cast<int32_t>(int64_t{w.index + 1} * 100 / n));
        AddToLogFile(VXResFmt(TVXRes::VXXSavedOK, {w.word}).substr(0, 100));
        return global_panic_state == kPanicNone;
      });
  return written;
}
