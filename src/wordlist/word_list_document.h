// The word-list document: the main word list, the per-text statistics and the keyword list, the
// word-list settings they were made with, and the ".lst" file.
//
// File layout (after the document header and the extra-stuff block of every tool document):
//   24 bytes   the word-list settings
//   notes      the notes string list
//   3028 bytes the text settings
//   by the document's list kind:
//     0  the word list (version at least 11), the statistics list, the keyword list, the keyword
//        settings block, the 192 colour bytes; a word list of version 0 is followed by nothing
//     1  the keyword list, its statistics list inside it, the keyword settings block, the colours
//     4  the detailed-consistency list with its relations (detailed_consist.h), the statistics
//        list of the lists compared
//     28 the relationships list of a corpus index (relationships_list.h); the index's name is the
//        document's parent file name too. It is read without the index. When the index was open
//        at the save, its type list follows (index_type_table.h); older files end before it.
// Other kinds (corpus indexes) are not kept in this file: saving or reading them answers false
// and says why in the log. A document of kind 23 with a corpus index saves the index's own four
// files instead (wordlist_indexer.h).
//
// A read that fails leaves the document as it was: the file is read into a fresh document that
// starts from this one's state, whose lists, settings, text settings, language, code page and
// text width this one takes only when every block was read. A read while a job works on one of
// the lists is refused. The busy mark that keeps windows from drawing the lists is set while a
// read or save runs and cleared on every path.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "keywords/keyword_list.h"
#include "model/reading/chosen_texts.h"
#include "model/reading/text_reader.h"
#include "model/reading/text_statistics.h"
#include "model/documents/work_derived.h"
#include "wordlist/index_type_table.h"
#include "wordlist/word_list.h"

class TDetailedConsistencyList;
class TIndexHandler;
class TRelationshipsList;
class TRunWordCounter;
struct TNeighbourRec;
struct TWordCountSetup;
struct TTextPlace;
struct TTextWordCounts;
struct TVXComputeResultRec;
enum class TKWHandlingAmount : uint8_t;

// How a word list is made from chosen texts (MakeWordlist).
struct TMakeWordlistOptions {
  // Worker threads; 0: the LINZORA_THREADS variable when set, else one per core.
  int32_t threads = 0;
  // Words left out while counting (any case unless the list is case sensitive).
  std::vector<UString> stop_words;
  // After each text, on the calling thread, in text order: its 0-based number and the rows the
  // list would have so far (distinct words counted).
  std::function<void(int32_t text, int32_t entries)> after_text;
  // Percent of the texts done, on the calling thread.
  std::function<void(int32_t percent)> progress;
  // The run's question about UTF-8 texts (convert them?); none: never converted.
  TAskAboutText ask;
  // Reads and counts one text, on a worker (CountTextWords when none): the seam where a test
  // makes a reading fail.
  std::function<TTextWordCounts(const TWordCountSetup&, const TChosenFileDetailsFullRec&, int32_t text_index,
                                TTextPlace place)>
      count_text;
};

// How the text settings' tag treatment counts words, as the notes say it.
UString WordListTagTreatmentToString(uint8_t treatment);

// The worker threads a run uses when asked for `requested` (0: LINZORA_THREADS, else the cores).
int32_t WordlistWorkerThreads(int32_t requested);

class T_WholeWordlistHolder : public TTessorineholder {
 public:
  T_WholeWordlistHolder(TCentreOfMainFormFunc centre, TEntriesReadEvent entries_read, TFailedReadEvent dud_file,
                        TTessorineList list_type, bool using_stoplist, bool using_lemma_list,
                        TTextTagHandler* tag_handler, TTagsToTranslateList* tags_to_translate);
  ~T_WholeWordlistHolder() override;

  TVXWordList* GetWordlistByListType(TTessorineList list_type) const;
  TVXWordList& Words() const { return *fWLWords; }
  TVXStatsList& Stats() const { return *fStats; }
  TKeyWordList& Keywords() const { return *fKeywordsList; }
  TDetailedConsistencyList& DetailedConsistency() const { return *fDetailedConsistencyList; }
  TRelationshipsList& Relationships() const { return *fRelationshipsList; }
  // Takes a keyword list made elsewhere (the old one is freed); its rows and statistics now
  // belong to this document.
  void TakeKeywordList(std::unique_ptr<TKeyWordList> list);

  void RegisterOwnedLists() override;
  void ListKindsWithData(TListKindSet& kinds) override;
  bool ReadWholeFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  T2_BooleanRec ReadWholeFromOpenFile(TStream& file, UStringView file_name, uint8_t tool_type) override;
  // Merges another word-list document of the same kind: every check is made before anything
  // changes, so that a refused merge changes neither document. Kinds 0, 1 and 4: the statistics
  // rows, the word lists (a word both have is one row), the detailed-consistency lists (the
  // other's lists become further columns) and the keyword rows. Kind 28: the relationship pairs,
  // only of one index.
  bool MergeWith(TTessorineholder& other, UStringView caption) override;
  void WriteSettingsToLog(bool success, UStringView caption) override;
  // After the text settings: the word list's own settings, the stop list's removals, the tag
  // treatment, the index's settings, and for a list of clusters what was computed.
  void AddTextSettingsNotes() override;
  bool adding_cluster_wordlist_notes = false;
  void UpdateSettingsFromTextbuf(int code, TDocumentList* list, int flag) override;
  using TTessorineholder::UpdateSettingsFromTextbuf;

  // Counts the chosen texts into the main word list (replacing it) and the statistics list, on
  // every core: texts are counted on worker threads and merged in text order on this one, so the
  // rows, statistics and overall record are those of one thread. A text that cannot be read goes
  // to the dud-file event and the run goes on; a UTF-8 text the run was asked to convert is
  // converted once and read again. No texts (or none read), kind 23 without an index ready, a
  // batch mode above 3 or a batch result that cannot be saved or zipped answer false with a message
  // (LastFailure, the log). converted counts the texts converted to UTF-16.
  // Kind 23 counts the texts into the document's corpus index (StartAnIndexHandler first): every
  // counted word becomes a token of the index, which SaveToFile then writes; a text over 2 GiB is
  // refused before anything is read, and a stop or a failure drops the build (the index that
  // was there stays).
  // Batch modes save one ".lst" per result into the batch folder (Global_BatchProcedures), each
  // with its own statistics and dispersion, and leave the document empty: 1, one per text,
  // zipped at the end; 2, one per text, zipped per folder; 3, one per folder ("these files
  // (folder)"), zipped per folder. Zipping is done when the batch state asks for it.
  bool MakeWordlist(TSharedChosenFilesClass& texts, uint8_t batch_mode, TTessorineList type_of_list,
                    int32_t& converted, const TMakeWordlistOptions& options = {});
  // The same for one text (the extra-details window's count of one text).
  bool MadeOneFileWordlist(const TChosenFileDetailsFullRec& text, const TMakeWordlistOptions& options = {});

  // Compares a study word list file with a reference word list file into this document's keyword
  // list (built with the keywords library): on success the new list, its rows and statistics
  // belong to this document, a note gives the Dice coefficient and the frequency columns name the
  // two files; on failure the keyword list stays as it was. The store's fast-minimal-processing
  // choice is on during the computation and as it was afterwards, on every path.
  TVXComputeResultRec ComparedWordlists(UStringView study_file, UStringView reference_file,
                                        TKWHandlingAmount amount);

  // Compares saved word lists (".lst" files, or zip archives of them, each member a list) word
  // by word into the detailed-consistency list (kind 4) and its relations; the statistics rows of
  // the lists compared become the document's. A file that is missing, not a word list,
  // unreadable or in another language than the first list read is named in FailedTexts, the
  // notes and LastFailure, and the others are compared (one list alone gives its words and no
  // relations). No list read, or a stop: false, the document as it was.
  bool MakeDetailedConsistencyList(const std::vector<UString>& files);
  // The inputs the last computation could not use, each with why.
  const std::vector<UString>& FailedTexts() const { return fFailedTexts; }

  // Rank orders of the main word list (from a fresh frequency index); always true.
  bool ComputedRankOrdersOfWords();
  // Dispersion plots are not made here: false. Consistency relations come with their own list: true.
  bool ComputedDispersion() { return false; }
  bool ComputedDetConsistRelations() { return true; }

  // --- analyses over the corpus index (StartAnIndexHandler or OpenAnIndexAndLoadWords first); each
  // reads the store's index settings as it starts. A failure or a stop is said in LastFailure
  // and the log, and the document keeps the lists it had.
  // The moving window (moving_window_plot_data.h): the index's windows of window_size words in
  // planned_runs runs, the stop list's words left out of every window when the document uses
  // one, written beside the document's file (its name with "_moving_window" before the
  // extension) as ".txt" and ".plotdata". Both names empty when nothing was written: no index, a
  // size or run count refused, fewer than two windows ("too few windows"), or a file that could
  // not be written (the system's reason named).
  struct TMovingWindowFNamesRec {
    UString text_file;
    UString plot_file;
  };
  TMovingWindowFNamesRec MakeAndSaveMovingWindow(int32_t window_size, int32_t planned_runs);
  // The word pairs within the relationship span as the relationships list (kind 28), its
  // source the index; false when none passed the settings.
  bool ComputeMIAssociation();
  // The clusters of the index as rows of the main word list (kind 0), with their phrase frames:
  // a frame row carries the clusters it covers joined under it, the first frame a cluster is
  // in (frames in the order of their word-type sequences). Clusters counted per text go to one
  // list per text: with two texts or more and on_try_to_save_batch given, that is called (to
  // save them, SaveTempClusterWordlists); otherwise the first text's list becomes the main list
  // (its slot among the cluster lists is then empty).
  // Rows and frames are made on every core and come out as one core makes them.
  using TOnTryToSaveBatchWdList = std::function<bool(T_WholeWordlistHolder&)>;
  bool ComputeClusters(const TOnTryToSaveBatchWdList& on_try_to_save_batch = {});
  // Saves each per-text cluster list with rows as "<text>_clusters.lst" into the batch folder
  // (Global_BatchProcedures; `folder` is not used), zipped when the batch state asks; the number
  // of lists saved.
  int32_t SaveTempClusterWordlists(UStringView folder);
  int32_t TempClusterWordlistCount() const { return static_cast<int32_t>(fTempClusterWordlists.size()); }
  TVXWordList* TempClusterWordlist(int32_t i) const;

  // --- the corpus index
  // Starts the document's index under a name (its extension becomes the index files'): mode 0 a
  // new index (taking the place of files of that name only with `replacing`), 1 texts added to
  // one (or a new one), 2 reading one. True when the files were found as the mode needs; then a
  // build (MakeWordlist with kind 23, then SaveToFile) may follow, and for modes 1 and 2 the
  // document takes the index's text and word-list settings. Otherwise the document keeps what it
  // had and LastFailure says why.
  bool StartAnIndexHandler(UStringView index_name, int32_t mode, bool replacing = false);
  // Opens an index to read and loads its word list (kind 23): the index's words, notes,
  // headings and statistics become the document's. The first answer tells success; on failure
  // nothing changes. LastFailure names texts changed since indexing even when it opens.
  T2_BooleanRec OpenAnIndexAndLoadWords(UStringView index_name);
  // The index word list made from the index's types (stop-list words left out when the document
  // uses a stop list); false without an index.
  bool LoadedIndexData();
  // Looks the index word list's heads and their joined forms up in the index (an index keeps no
  // lemma joins); false without an index.
  bool CopyLemmasToIndex();
  // Opens the named index and gives each head row of the main word list with joined rows the
  // number of texts its lemma (head and forms) occurs in there.
  bool CheckLemmasForConsistency(UStringView index_name);
  TIndexHandler* IndexHandler() const { return fIndexHandler.get(); }
  // The index's types in the order of their words, as a relationships document (kind 28) saved
  // them with its pairs when the index was open; each type's word comes back from a pair that
  // names it (empty for the others).
  const TIndexTypeList& IndexTypes() const { return fIndexTypes; }
  // Kind 23 with an index: the index's files; every other case as the base saves.
  bool SaveToFile(UStringView file_name, int32_t client_height, int32_t client_width, int32_t saved_dpi) override;

  // Why the last read or save failed (names the file when there was one).
  const UString& LastFailure() const { return fLastFailure; }

  TWordlist_settings_rec WordlistSettings{};
  struct TWordlistCounts {
    int32_t a = 0, b = 0, rows = 0;
  } WordlistCounts;

 private:
  void LinkLists();
  bool MakeFromTexts(const std::vector<TChosenFileDetailsFullRec>& texts, TSharedChosenFilesClass* chosen,
                     uint8_t batch_mode, int32_t& converted, const TMakeWordlistOptions& options);
  bool MakeIndexFromTexts(const std::vector<TChosenFileDetailsFullRec>& texts, TSharedChosenFilesClass* chosen,
                          int32_t& converted, const TMakeWordlistOptions& options);
  bool FillIndexWords(TIndexHandler& index, TVXWordList& words);
  // The list's rows from the run's counts, put in order on `threads` workers when many.
  // Rows counted under a tag (tag_numbers: the tags' texts and numbers) get that tag's category.
  void FillWordList(const TRunWordCounter& overall, const TWordCountSetup& setup, TVXStatsList& stats, int32_t threads,
                    const std::map<UString, int32_t>& tag_numbers = {});
  // A cluster run: the clusters the index reports, then the lists made of them.
  struct TClusterRun;
  void ClusterAddToWordlist(TClusterRun& run, const TNeighbourRec& cluster, int32_t file_number, int32_t n_files);
  bool ClustersDoneFindPhrases(TClusterRun& run);
  // The body read into this document itself; ReadWholeFromStream runs it on a fresh document.
  bool ReadBodyInPlace(TStream& s);
  // Points the lists the document holds at it (after lists changed documents).
  void AdoptOwnLists();
  // The index types' words from the relationship pairs that name them.
  void WordsOfIndexTypesFromPairs();
  void MergeIndexTypes(const TIndexTypeList& other);

  std::unique_ptr<TVXStatsList> fStats;
  std::unique_ptr<TKeyWordList> fKeywordsList;
  std::unique_ptr<TVXWordList> fIndexWords;
  std::unique_ptr<TVXWordList> fWLWords;
  std::unique_ptr<TDetailedConsistencyList> fDetailedConsistencyList;
  std::unique_ptr<TRelationshipsList> fRelationshipsList;
  std::vector<UString> fFailedTexts;
  std::unique_ptr<TIndexHandler> fIndexHandler;
  // The cluster lists of the last cluster run, per text when counted per text (the main word
  // list is not among them).
  std::vector<std::unique_ptr<TVXWordList>> fTempClusterWordlists;
  bool fOneTextStudy = false;
  UString fLastFailure;
  TIndexTypeList fIndexTypes;
  UString fReadRefusal;  // what a list of the last read named as its reason for refusing it
};
