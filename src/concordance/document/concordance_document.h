// The concordance document: the whole result of one concordance run. It is a tool document
// (TTessorineholder) that owns the concordance lines and every view derived from them, the list
// of source texts, the texts read that gave no line, the search items, a copy of the concordance
// settings the lines were made under, and the tags that were visible.
//
// MakeConcordance, in order (make_concordance.cpp):
//   1. clears the stop state (only a job starter does), the failure message and the converted
//      count; takes the batch mode; with no chosen texts it answers false and computes nothing;
//   2. empties the unused texts and the texts without hits, copies the concordance settings from
//      the store and starts the run's running words and merge counts at 0;
//   3. copies the search items in, then runs every text through the concordance road (workers
//      on the settings' cores, one committer in text order) into the concordance list;
//   4. per text: a text with lines gets its source-file row (hits and words), a text read that
//      gave none goes to the unused texts (and, the first five, to the texts without hits); an
//      empty text is a text of no words, never a failure; texts the user chose to convert from
//      UTF-8 are rewritten as UTF-16 beside themselves and renamed over before they are read,
//      so that each is read once and its lines point at its bytes as they stay;
//   5. batch mode 1 saves each text's lines as one result and clears them after the text;
//   6. for a concordance (list type 10): the derived views (ComputeAfterConcordance), the stop
//      list, duplicates, and, interactively, the notes and the sort (whose directions are then
//      inverted, so that the next click on a heading sorts the other way); a batch number above
//      0 saves the result to the batch folder.
//
// Derived lists (collocates 5, plot 12, clusters 13, patterns 14, time-line 20) are the standard
// lists of derived_views.h unless a factory is registered for the type (a test's stand-in).
//
// Reading a ".cnc" is in concordance_file.cpp; the stream layout is in docs/formats.md. A read
// shares state (the collocate format byte, per-item paired-tag flags) only through its own read
// context, so a second document read in the middle of a job cannot change the first. A read goes
// into a fresh document that starts from this one's state; only a whole read is taken over (its
// lists change places with this document's), so a refused file leaves the document as it was,
// and the user's settings change only after a whole read (never on a secondary read).
#pragma once

#include <array>
#include <map>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "concordance/lines/concordance_list.h"
#include "concordance/run/concordance_run.h"
#include "concordance/lines/line_records.h"
#include "concordance/document/source_files.h"
#include "model/reading/tag_lists.h"
#include "model/documents/work_derived.h"
#include "platform/search/search_items.h"
#include "platform/settings/settings_records.h"

class T_WholeLinzoraHolder;
struct TRunLineWords;
class TSharedChosenFilesClass;
class TTextReadRun;
struct TTextWorkerSetup;
class TUserLineFilter;
class TVXDialogService;
struct TAssociationRequest;
struct TAssociationOutcome;
class TVXWordList;
class TVXStatsList;
struct TWordListCollocatesRun;

// Index of the sorting time in the process times.
inline constexpr int kSortingTimeEntry = 42;

// --- derived lists ----------------------------------------------------------------------------

// A view computed from the concordance lines. The base computes nothing and holds no rows; the
// derived-list code of each type overrides it.
class TConcordanceDerivedList : public TVXBaseLemmaMatchCapableList {
 public:
  TConcordanceDerivedList(T_WholeLinzoraHolder* owner, grid_alternatives grid_kind, TTessorineList list_type);
  // A view with its own rows; owner may be nullptr (a list on its own, as in a test), and the
  // holder then gives the character width.
  TConcordanceDerivedList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner, TEntryClass entry_class,
                          grid_alternatives grid_kind, TTessorineList list_type);
  // Computes the view from the owner's lines; false (nothing computed) in the stand-in.
  virtual bool Compute(bool flag) { return false; }
  // Called after a read: clusters of old streams recompute their lengths, a plot rebuilds itself
  // from its rows.
  virtual void AfterRead() {}
  // The view now belongs to another document (a read taken over): it and its rows answer to it.
  virtual void MoveToOwner(T_WholeLinzoraHolder& owner);
  T_WholeLinzoraHolder* Owner() const { return owner_; }

 private:
  T_WholeLinzoraHolder* owner_;
};

using TDerivedListFactory = std::function<std::unique_ptr<TConcordanceDerivedList>(T_WholeLinzoraHolder& owner)>;
// Registers the maker of one derived list type (5, 12, 13, 14 or 20); an empty maker puts the
// standard list back. Documents made afterwards use it.
void SetDerivedListFactory(TTessorineList list_type, TDerivedListFactory factory);
std::unique_ptr<TConcordanceDerivedList> MakeDerivedList(T_WholeLinzoraHolder& owner, TTessorineList list_type);

// --- records ------------------------------------------------------------------------------------

// A tag that was visible when the lines were made: its stored record and a flag byte.
struct TVisibleTagRec : TStoredTagRec {
  uint8_t hidden = 0;
};

// Which derived views were computed, in their order in the document.
struct TConcordanceWorkDoneRec {
  bool relationships = false;
  bool clusters = false;
  bool collocates = false;
  bool patterns = false;
  bool plot = false;
  bool timeline = false;
};

// The plot's grouping choices: the groups of texts and of search words (each group the 0-based
// numbers of its texts or search items) and the order byte.
struct TConcplotChoices {
  std::vector<std::vector<int32_t>> text_groups;
  std::vector<std::vector<int32_t>> sw_groups;
  uint8_t order = 0;
};

// One entry of the tag colour table: text and background colour and a no-colour byte (93
// bytes in the form the window layer keeps them).
struct TTagColourTableEntry {
  int32_t text_colour = 0;
  int32_t background_colour = 0;
  uint8_t no_colour = 0;
};

// The argument table of MakeConcordance.
struct TMakeConcordanceArgs {
  TSharedChosenFilesClass* chosen = nullptr;
  TBaseSearchItems* search_items = nullptr;
  TDuplicatesProgress duplicates_progress;                 // may be empty
  std::function<void(int32_t n, UStringView text)> progress;  // may be empty
  // Texts committed and texts in the run, shown on the window's thread (may be empty).
  std::function<void(int64_t done, int64_t total)> texts_progress;
  // After each chunk of a text (see TTextWorkerSetup::chunk_done; text indexes count the run's
  // texts from 0). May be empty.
  std::function<void(int32_t text_index, int64_t bytes_read, int64_t size, int32_t words)> chunk_done;
  TContextWordItems* context_items = nullptr;              // may be nullptr
  TExclusionWordItems* exclusion_items = nullptr;          // may be nullptr
  TTagContextWordItems* tag_context_items = nullptr;       // may be nullptr
  int32_t batch_number = 0;
  int32_t* converted_count = nullptr;                      // may be nullptr
  TTessorineList list_kind = kListConcordance;
  uint8_t batch_mode = 0;
  bool sw_batch_mode = false;  // kept for callers; not read
  bool skip_plot = false;
  // Answers the UTF-8 conversion question; empty: the texts are read as they are.
  std::function<bool(UStringView file_name)> convert_utf8_text;
  // Per chosen text, what a look at its first bytes before the run found (kTextHead...); empty, or
  // of another length: the run looks for itself.
  std::vector<uint8_t> text_heads;
  // Worker threads; 0: one per core, unless the LINZORA_THREADS variable names a number.
  int32_t threads = 0;
};

inline constexpr uint8_t kTextHeadNotSeen = 0;
inline constexpr uint8_t kTextHeadUnsigned = 1;
inline constexpr uint8_t kTextHeadUtf8Signed = 2;

// What one text gave (MadeOneFileConcordance).
struct TOneTextResult {
  bool ok = false;
  int32_t hits = 0;
  int32_t words = 0;
  uint8_t kind = 1;
  uint8_t wanted = 1;
  bool converted = false;
  UString failure;
};

// --- the document -------------------------------------------------------------------------------

class T_WholeLinzoraHolder : public TTessorineholder, public TConcordanceListDocument {
 public:
  T_WholeLinzoraHolder(TTessorineList list_kind, TCentreOfMainFormFunc centre, TEntriesReadEvent entries_read,
                       TFailedReadEvent failed_read, bool stop_list_loaded, bool lemma_list_loaded,
                       TTextTagHandler* tag_handler, TTagsToTranslateList* tags_to_translate);
  ~T_WholeLinzoraHolder() override;

  // --- operations of the tool document ---
  void AddTextSettingsNotes() override;
  // The notes say what the derived views hold now: each "<view>: n found" line takes the list's
  // count, and once the time-line has rows a line says which date of each text its periods go by.
  // Every other line (the user's own too) stays as it is.
  void UpdateViewNotes();
  void PrepareForMergeWith(TTessorineholder& other) override;
  void ListKindsWithData(TListKindSet& kinds) override;
  void RegisterOwnedLists() override;
  void CheckMenuItemsAfterLoadFromFile() override;
  bool MergeWith(TTessorineholder& other, UStringView caption) override;
  bool ReadWholeFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  using TTessorineholder::UpdateSettingsFromTextbuf;
  void UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag) override;
  void WriteSettingsToLog(bool success, UStringView caption) override;

  // --- making ---
  bool MakeConcordance(const TMakeConcordanceArgs& args);
  // One text of a run (the request run's road): records it, reads it, reports what it found.
  TOneTextResult MadeOneFileConcordance(int32_t file_index, int32_t file_count, int32_t one_search_word,
                                        const TChosenFileDetailsFullRec& details, const TMakeConcordanceArgs& args);
  // The derived views and their timings. Given `sort_lines_alongside`, the lines are to be sorted
  // next with nothing between that touches them: the lists may then count while the document's
  // thread sorts the lines, and it is set true when they did.
  void ComputeAfterConcordance(bool skip_plot, bool* sort_lines_alongside = nullptr);
  // The span positions first..last the collocates, clusters and patterns take between them;
  // false when no count needs the lines' words or there is no line.
  bool WordsForCountsReach(int& first, int& last) const;
  // The lines' words at every position the collocates, clusters and patterns take, for them to
  // share; null when no count needs them, there is no line, or a stop ended the fetch.
  std::shared_ptr<const TRunLineWords> FetchWordsForCounts() const;
  void AddNotesOnSWResults();
  void CopySearchWordItemsToFSWSEtc(const TBaseSearchItems& items);
  void CopySearchWordHitsToSetColumn() { fConcordanceList->CopySearchWordHitsToSetColumn(); }
  // Empties the chosen texts and adds every source text still on disk; true when at least one
  // was added and none was missing.
  bool CopyFilenamesToChosenTexts(TSharedChosenFilesClass& chosen) const;
  // The reference corpus (reference_corpus.cpp): a ".lst" read and kept in fReferenceCorpus;
  // false, logged, with none kept, when the file holds no word list.
  bool LoadedAReferenceCorpusWordlist(UStringView file_name);
  // The collocates' association values against the word list of a ".lst", read for this call.
  // A file that is no word list leaves the collocates as they were (logged, zero result).
  TAssociationOutcome REComputeCollocateAssociation(const TAssociationRequest& request);
  // Collocates of every word of a word list within the script limits, a file per word in
  // output_folder (word_list_collocates.h), the words made on `threads` workers (0: the
  // LINZORA_THREADS variable when set, else one per core); answers the number of files written.
  int32_t ComputeAndSaveCollocatesForWholeWordList(UStringView output_folder, TVXWordList& words, TVXStatsList& stats,
                                                   bool script_running = false, int32_t threads = 0);
  // One word's concordance of a whole word list's collocates (word_list_collocates.cpp), with its
  // collocates: its run reads those of the texts `run` holds that `texts` names, on the calling
  // thread alone, and writes nothing another word's document shares; header_cuts gets the texts
  // whose header it cut. False when a text could not be read.
  bool MadeWordListWordConcordance(const TWordListCollocatesRun& run, TSearchWordItems& items,
                                   const std::vector<int32_t>& texts, int32_t& header_cuts);
  // Rebuild: re-link the source texts from the concordance file first (when it exists), then
  // bring both text lists up to date. Then writes the details file.
  bool CopyFilenameDetailsToNotepad(UStringView file_name, bool rebuild);
  void CheckBothTextFileListsUptoDate();
  // Points the lines at their texts as another saved concordance of the same search names them
  // (relink_sources.cpp). False, with RelinkFailure() naming the file and why, when that file
  // cannot be read; this document is then left as it was.
  bool RebuildSourceTextsFromSavedConcordance(UStringView file_name);
  const UString& RelinkFailure() const { return fRelinkFailure; }

  // --- toggles (menu tags) ---
  void ToggleConcColouringSetting(int tag);
  void ToggleHidetags(int tag);
  void ToggleConcDisplay(int tag);

  // --- tags ---
  bool CopyTagFileTagsToArrayOfSavedTagsDifferent();
  bool TryToUpdateTags();
  void RecomputeTagDerivedFields();

  // --- the list's questions ---
  int32_t LinesWantedPerWord() const override { return fSettings.WantedPerSearchWord(); }
  bool CaseSensitiveSort(int level) const override { return fSettings.SortCaseSensitive(level); }
  int32_t LeftHorizon() const override { return fSettings.CollocHorizonLeft(); }
  int32_t RightHorizon() const override { return fSettings.CollocHorizonRight(); }
  bool OldRecordsMode() const override { return fOldRecordsMode; }
  void SetOldRecordsMode() override { fOldRecordsMode = true; }
  bool TextsInPlace() const override { return AtLeastOneTextFileInPlace(); }
  std::vector<UString> TypedSearchWords() const override { return fSearchWords.TypedInWordsAsStringlist(); }
  const std::vector<uint8_t>* SearchWordTagTable() const override;
  TLCID Locale() const override { return LCID(); }
  void SetLocale(TLCID lcid) override { SetLCID(lcid); }
  TLinzoraFilenamelist* SourceFiles() const override { return fTextFilesWithSearchWord; }
  // The loaded reference corpus (LoadedAReferenceCorpusWordlist): its words' frequency ranks,
  // looked up case ignored; a word it lacks has rank 0.
  bool HasReferenceList() const override { return !fReferenceRanks.empty(); }
  int32_t ReferenceListCount() const override { return static_cast<int32_t>(fReferenceRanks.size()); }
  int32_t ReferenceRank(UStringView word) const override;
  bool SearchWordPadding() const override { return fSettings.SearchWordPadded(); }
  // The View menu's tag display: 0 tags hidden, 1 before their words, 2 after them, 3 words hidden
  // (the tags stand where their words were).
  bool HideTags() const override { return TagDisplay == kTagDisplayHidden; }
  bool TagsAsSuffixes() const override { return TagDisplay == kTagDisplaySuffix; }
  bool WordsHidden() const override { return TagDisplay == kTagDisplayWordsHidden; }
  bool HideTagFileTags() const override;
  bool HideUndefinedTags() const override;
  // The View menu's "Sentence only" (display option 3) cuts each shown line to its search word's
  // sentence; else "Tags only" (option 4) to the stretch between the tags-only strings.
  int LineView() const override;
  // The markers of the settings store go before the search word and the first context word of
  // each line written as plain text (text_output), when the user gave any.
  bool TextMarkersOn() const override;
  // The text settings' sentence-end marker; empty (punctuation decides) when the reader finds
  // sentence ends itself ("auto").
  UString SentenceEndMarker() const override;
  // Column 13 names each line's text in full while the texts of lines are fetched (byte 1768).
  bool ShowFullFilenames() const override { return fSettings.FetchingLineTexts(); }
  // Column 2 holds each line's Set text; without saying so no Set value could be written.
  int ColumnKind(int column) const override { return column == 2 ? 2 : 0; }

  // --- state ---
  const std::vector<int32_t>& SWSFoundCounter() const { return fConcordanceList->sws_found_counter; }
  // The workers the latest run over texts read them with (0 before any run).
  int32_t RunWorkers() const { return fRunWorkers; }
  // The workers the lists made from the lines count with: the latest run's choice, else the
  // settings' one.
  int32_t DerivedWorkers() const;
  // The lines' words the collocates, clusters and patterns of a run share, fetched once just
  // before they are counted and let go once they are; null at any other time.
  const TRunLineWords* RunLineWords() const { return fRunLineWords.get(); }
  TConcordanceWorkDoneRec WorkDone() const;
  void SetWorkDone(const TConcordanceWorkDoneRec& w);
  // Why the last read failed: the block and the byte offset (empty after a good read).
  const UString& ReadFailure() const { return fReadFailure; }
  void SetReadFailure(UString text) { fReadFailure = std::move(text); }

  // --- fields ---
  TTessorineList MainListType = kListConcordance;
  int32_t TagsVersion = 0;
  bool fOldRecordsMode = false;
  std::array<uint8_t, 6> fComputed{};  // relationships, clusters, collocates, patterns, plot, time-line
  TConcSettingsRec32 fSettings{};
  TLinzoraFilenamelist* fTextFilesWithSearchWord = nullptr;  // owned through VXBaseFilenames
  TUnusedFileList fUnusedFiles;
  std::unique_ptr<TConcordanceDerivedList> fCollocateList;
  std::unique_ptr<TConcordanceDerivedList> fConcPlotList;
  std::unique_ptr<TConcordanceDerivedList> fPatternsList;
  std::unique_ptr<TConcordanceDerivedList> fClusterList;
  std::unique_ptr<TConcordanceList> fConcordanceList;
  std::unique_ptr<TConcordanceDerivedList> fTimeLineList;
  std::unique_ptr<TTessorineholder> fReferenceCorpus;
  TSearchWordItems fSearchWords;
  std::vector<TVisibleTagRec> fArrayOfSavedTags;
  std::vector<UString> fTextsWithoutHits;  // at most 5 names
  int32_t fTextsWithoutHitsMore = 0;       // unused-text count when the last name was set
  bool fMarkedTag = false;
  bool fStoredTagColoursDiffer = false;
  TConcplotChoices plot_options;
  int32_t fAssociationParameter = -1;
  UString ReferenceCorpusWordlistFilename;
  // The reference corpus's words, upper-cased, with their frequency ranks (read only while lines
  // are sorted, on any worker).
  std::map<UString, int32_t, std::less<>> fReferenceRanks;
  int32_t fHighestClusterFrequency = 0;
  // Plain members the window reads and writes; never stored.
  uint8_t fSameFilenameOption = 0;
  int32_t fReferenceColumn = -1;
  std::vector<TTagColourTableEntry> fTagColourTable;
  std::vector<UString> fMissingFiles;
  TVXDialogService* Dialogs = nullptr;  // questions; nullptr: the safe answers
  // The search items' paired-tag flags of lines read from old files (per item).
  std::vector<uint8_t> fPairedTagTable;

 private:
  friend class TConcordanceFileReader;
  // The body read into this document itself; ReadWholeFromStream runs it on a fresh document.
  bool ReadBodyInPlace(TStream& s);
  // Takes what a read set from `read`, which gets this document's lists and fields in exchange.
  void TakeReadDocument(T_WholeLinzoraHolder& read);
  // Points every list the document holds at it (after lists changed documents).
  void AdoptOwnLists();
  // Runs the road over texts (indexes into the run's texts) and records each text: source rows,
  // unused texts, conversions. per_text gets one result per text processed.
  bool RunTexts(const std::vector<int32_t>& which, const TMakeConcordanceArgs& args, int32_t one_search_word,
                std::vector<TOneTextResult>& per_text);
  // A run's settings from the document's items and concordance settings, over text_count texts
  // on `threads` workers (the caller adds the names, the recording and the one-item choice).
  TConcordanceRunSettings RunSettingsOfItems(int32_t text_count, int32_t threads) const;
  // Sets up what a run reads with and keeps it for the lines' window reader.
  void PrepareRun(const TMakeConcordanceArgs& args);
  // What a run and the lines' window reader share: items, text options, horizons, line width.
  void FillLineSetup(TTextWorkerSetup& setup);
  // A document read from its file: its lines re-read their texts (found through the source-text
  // list) with its own text settings and search items, as a run's lines do. A run replaces it.
  void SetUpLineRereading();
  void RecordText(const TChosenFileDetailsFullRec& details, const TTextRunOutcome& outcome, TOneTextResult& out);
  // Asks about each plain text of `which` with the UTF-8 signature and rewrites those the user
  // chose as UTF-16, before anything of them is read (the signatures looked at on `threads`).
  void ConvertUtf8TextsBeforeReading(const std::vector<int32_t>& which, int32_t threads);

  UString fReadFailure;
  UString fRelinkFailure;
  // What the run read with; kept while the lines may re-read their texts.
  std::unique_ptr<TTextReadRun> fReadRun;
  std::unique_ptr<TTextWorkerSetup> fRunSetup;
  std::shared_ptr<TUserLineFilter> fRunFilter;  // the user's filter the settings name, for one run
  TSearchWordItems fRunItems;
  TContextWordItems fRunContext;
  TExclusionWordItems fRunExclusion;
  std::vector<TChosenFileDetailsFullRec> fRunTexts;
  std::vector<uint8_t> fRunTextHeads;  // per run text, kTextHead...
  std::map<int32_t, int32_t> fRunTextOfFile;  // source-file number -> run text
  // Asks whether a UTF-8 text is to be rewritten as UTF-16; empty when the run may not ask.
  std::function<bool(UStringView file_name)> fConvertChoice;
  std::set<int32_t> fConverted;  // run texts rewritten as UTF-16 before they were read
  int32_t fBatchCounter = 0;
  int32_t fRunWorkers = 0;
  int32_t fDerivedWorkers = 0;  // the latest run's choice of workers; 0 before any run
  std::shared_ptr<const TRunLineWords> fRunLineWords;
};

// Bit n of an option byte.
inline bool OptionSet(uint8_t set, int n) { return (set >> n) & 1u; }
inline uint8_t ToggledOption(uint8_t set, int n) { return static_cast<uint8_t>(set ^ (1u << n)); }
// Menu tags of the options.
int ConcDisplayOptionToTag(int option);    // 0, 3, 4 -> 100, 101, 112; others 0
int ConcHideOptionToTag(int option);       // 0..4 -> 117..121
int ConcColouringOptionToTag(int option);  // 0, 1 -> 138, 165

// A search word's share of the lines in the notes, in whole percent: its hits over every line the
// run found, the lines left and those the stop list removed; 0 when none was found.
int32_t SearchWordPercentOfLinesFound(int32_t hits, int32_t lines_left, int32_t stop_list_removed);
// What the message of a run stopped by a text it could not read names: the text's full name,
// then why in brackets when the reader said.
UString FailedTextMessageArgument(UStringView full_name, UStringView why);
