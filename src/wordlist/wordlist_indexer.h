// The corpus index: a corpus's running words in text order, each with its word type, text and
// byte, in four files beside each other (wordlist_indexer_streams.h, docs/formats.md):
// ".tokens", ".types", ".stats" (the texts' statistics) and ".markup" (their section starts).
//
// What a build does, in order
//   1. TIndexHandler(name, mode): mode 0 makes a new index, 1 adds texts to one, 2 or more opens
//      one to read. LoadedTheFiles first makes whole an index whose save was cut short
//      (RecoverIndexCommit, index_commit.h); then it looks at what is there, changing nothing:
//      a new index under the name of files that are there (a good index, or damaged or foreign
//      files) is refused unless replacing was asked for; adding needs a good index or none; an
//      index of a newer program is never touched.
//   2. For adding, the old index is read whole: its types (in number order) become the build's,
//      its records are copied into a temporary sibling of ".tokens", its statistics rows stay.
//   3. The texts are read on worker threads, each through the word list's reader and word rules
//      (TWordlistBufferProcessor, so a token is a word the word list counts, at the byte a
//      concordance hit has), and handed over chunk by chunk, in text order, to one committer on
//      the calling thread: it numbers the types in the order their words first come, appends a
//      record per token, marks each text's last token its end, and takes a text back whole when
//      it could not be read to its end. A stop ends the build after the current text, and the
//      build is dropped: the index that was there stays. One worker or many give the same files.
//   4. Save links each type's records into a forward chain (one pass backwards over the
//      records), writes the count and the settings block after the records, writes ".types" in
//      one pass, ".stats" and ".markup", each to a temporary sibling, and then puts the four in
//      place together (CommitIndexFiles). A failure at any step names the file and the system's
//      reason, removes every temporary file, and leaves the old index (or none) as it was.
//
// What a reader may trust, once LoadedTheFiles answered true
//   - type i's record and word, for every i below TypeCount(), with its first and last places
//     within the records and the frequencies adding up to the running words;
//   - token records 0..TotalTokensInIndex-1 (a rare word's read one by one, a frequent word's
//     through a read-only mapping of them all); nothing past the last record is ever taken for
//     a token;
//   - each chain is followed forwards only and checked as it goes (the type, the places rising,
//     the count): a damaged chain stops the walk with a message, it never loops or reads outside;
//   - texts changed or removed since they were indexed (size or time) are named in LastFailure
//     when the index opens; their contexts are left out.
//   Words typed for a look-up are taken in the word list's counted form (capitals unless the
//   list was case sensitive, numbers as "#" when they were, cut at the longest length): a type
//   is compared unit for unit; the language's collation only orders SortedWords for display.
//
// Clusters (ComputeClusters) spread the base words over the cores; the clusters are reported
// through the cluster event on the calling thread, base word after base word, as one core
// reports them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/documents/document_notes.h"
#include "model/reading/tag_handler.h"
#include "platform/rtl/ustring.h"
#include "wordlist/index_clusters.h"
#include "wordlist/index_type_table.h"
#include "wordlist/wordlist_indexer_streams.h"

class T_WholeWordlistHolder;
class TMovingWindow;
class TRelationshipsList;
class TVXStatsList;
class TLinzoraJumpToList;
class TIndexBuild;
struct TOne_text_stats_rec;

// Index modes.
inline constexpr int32_t kIndexCreate = 0;
inline constexpr int32_t kIndexAdd = 1;
inline constexpr int32_t kIndexReadOnly = 2;

// The contexts of a word: its token records with their places, in text order.
class TTokenRecAndPlaceList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items.size()); }
  const TTokenAndPlaceRec& Item(int32_t i) const { return items[static_cast<size_t>(i)]; }
  std::vector<TTokenAndPlaceRec> items;
};

class TIndexHandler;
// A cluster found for a base word: sender, the base word's type, its share of the running words
// (percent), the cluster, base words visited so far and in all, the neighbour tree it came from
// (a text's, 0-based, when clusters are counted per text) and the number of trees.
using TOnClusterAddToWordlist =
    std::function<void(TIndexHandler& sender, const TIndexTypeRec& base, float percent, const TNeighbourRec& cluster,
                       int32_t number, int32_t out_of, int32_t file_number, int32_t n_files)>;
using TOnClustersDoneFindPhrases = std::function<void(TIndexHandler& sender)>;

class TIndexHandler {
 public:
  // aPai: the owning document (text settings, word-list settings, notes); AStats: the statistics
  // list the index fills (not owned); replacing: a new index (mode 0) may take the place of files
  // that are there.
  TIndexHandler(T_WholeWordlistHolder* aPai, TVXStatsList* AStats, UStringView aFilename, int32_t AnIndexMode,
                bool replacing = false);
  ~TIndexHandler();
  TIndexHandler(const TIndexHandler&) = delete;
  TIndexHandler& operator=(const TIndexHandler&) = delete;

  // --- files
  bool LoadedTheFiles();
  // Saves the index: a build's four files, or (read only) its notes, headings and statistics.
  bool Save(const std::vector<UString>& notes, const std::vector<UString>& headings);
  // The notes of an add, then notes_to_add, then Save with the headings read.
  bool ProcessAfterWordHandling(int32_t n_files, const std::vector<UString>& notes_to_add);
  // Re-forms the four file names from another name (its extension replaced).
  void SetFileNames(UStringView name);
  // Why the last operation failed (names the file), or what the opening found (changed texts).
  const UString& LastFailure() const { return fLastFailure; }
  UString TokenOrderFilename, TypeOrderFilename, StatsFilename, MarkupSectionsFilename;
  UString fFilename;  // without extension

  // --- building
  // True when texts may be added (a build has begun); resets the counters as a run starts.
  bool ReadyToStartComputing();
  TIndexBuild* Build() { return fBuild.get(); }
  // Gives up a build (a stop, a failure): its temporary files go; the index on disk is untouched.
  void DropBuild();
  // The text settings and word-list settings the index's words are read and counted with.
  const TTextsett_rec32& TextSettingsOfIndex() const { return fTextSettings; }
  const TWordlist_settings_rec& WordlistSettingsOfIndex() const { return fWordlistSettings; }
  bool ExactWordLengthOfIndex() const { return fExactWordLength; }
  // Moves the sections of a text just indexed to the index's list (the given list is emptied).
  bool UpdatedMarkupSections(TSectionStartsList& sections);
  // The file's size and modification time kept with a text's statistics row (at 340).
  static void NoteTextFileFigures(TOne_text_stats_rec& row, UStringView full_name, int32_t zip_member);

  // --- types (loaded: every type unless a minimum frequency to load was set)
  int32_t TypeCount() const { return fTypes.Count(); }
  bool TypeLoaded(int32_t n) const;
  // The type's record; nullptr for a number that is not a loaded type.
  const TIndexTypeFileRec* PointerFromWordType(int32_t n) const;
  // The type's word (with its tag); empty for a number that is not a loaded type.
  UString WordFromWordType(int32_t n) const;
  UString WordOfTypeNumber(int32_t n) const { return WordFromWordType(n); }
  // Item i is type i's word, empty where type i is not loaded.
  std::vector<UString> WordsInNumberOrder() const;
  // The type of a typed word (taken in the counted form); -1 when it is none.
  int32_t WordNumberFromWord(UStringView word) const;
  // The words of the types joined by " ", the gap marker as "*"; false at an unknown number.
  bool TypeRecArrayToString(const std::vector<uint32_t>& types, UString& text) const;
  // The loaded types in the order of the index language's collation (for display).
  void SetupSortedWords();
  const std::vector<int32_t>& SortedWords() const { return fSortedWords; }
  // The loaded types in the order of their words (made by SetupSortedWords).
  TIndexTypeList& SortedTypes() { return fSortedTypes; }
  // The position of a word's type in SortedWords; -1 when absent.
  int32_t FindSortedWord(UStringView word);
  void SetGetAllTypes();
  int32_t least_frequent_entry_showing = 0x7FFFFFFF;

  // --- tokens
  int32_t TotalTokensInIndex = 0;
  TTokensFileRec IndexTokenRecFromN(int64_t where_in_index) const;  // raises "Index Seek problem"
  const TTokenFileStream* Tokens() const { return fTokenFileStream.get(); }
  // Texts of the index (its statistics rows), and whether text t (1-based) changed since.
  int32_t TextCount() const;
  bool TextLeftOut(int32_t file_number) const;
  int32_t StaleTextCount() const { return fStaleTexts; }

  // --- contexts, clusters, export
  // Every occurrence of a word; empty when it is not in the index.
  std::unique_ptr<TTokenRecAndPlaceList> ListOfAllContextsToAWord(UStringView word);
  // Appends a jump (text index = file_number - 1, byte) for every occurrence.
  void AddListOfAllContextsTo(UStringView word, TLinzoraJumpToList& list);
  // The places of a phrase (words split as a search splits them): never across the end of a
  // text, nor across a text marker unless the phrase was typed with the punctuation there.
  std::unique_ptr<TLinzoraJumpToList> AllContextsOf(UStringView phrase);
  bool ComputeClusters();
  // Pairs of each base word of the first filter with the words within the relationship span
  // (mutual_info_processing.h) become rows of `into` (cleared first, then sorted by its default
  // keys). Base words are counted on every core and their rows added on the calling thread in
  // type-number order, as one core adds them. False (LastFailure) without an open index, on a
  // damaged chain or a stop (`into` then holds what was found before); RelationshipsComputed
  // tells whether rows were found.
  bool ComputeMIAssociation(TRelationshipsList& into);
  bool RelationshipsComputed = false;
  int32_t stoplist_MI_words_found = 0;
  // The moving window over the running words (moving_window_plot_data.h), the types of
  // GrammarWordList's words left out of every window; nothing (LastFailure says why) without an
  // open index, for a size below 2 or above the running words, or fewer than one run.
  std::unique_ptr<TMovingWindow> ComputeMovingWindow(int32_t window_size, int32_t planned_runs);
  std::vector<UString> GrammarWordList;
  // Writes the word's byte positions (by text) and the texts' (and, stats 1, sentences') lengths.
  bool ExportData(UStringView file_name, int32_t stats, UStringView word);
  // Words the clusters are computed for (process_selection 1).
  void AddToItemsToProcess(UStringView word);
  int32_t AddHeadWordToExtras(UStringView head_word, int32_t total);
  int32_t AddVariantToExtras(UStringView lemma_variant, int32_t head_word_number, int32_t freq);
  std::vector<UString> DetailsOfCurrentSettings(bool clustering) const;
  // Reads the index settings of the store again (clusters, relationships, types to load).
  void ResetTheSettingsFromTextbuf();

  // Worker threads for contexts and clusters (0: as many as the word list's runs use).
  int32_t fThreads = 0;
  // The clock ComputeClusters measures its seconds limit by (seconds; tests may set it).
  std::function<double()> fClock;

  // --- fields
  int32_t DudSeeds = 0;
  int32_t fHapaxes = 0;
  int32_t fMost_frequent_cluster = 0;
  int32_t HashNumber = -1;
  int32_t overall_index_types = 0;
  bool ClustersComputed = false;
  int32_t process_selection = 0;
  std::vector<UString> ItemsToProcess;
  TWordlistIndexSettingsRec IndexSettings{};
  int32_t fIndexMode = kIndexCreate;
  bool fOk = false;
  bool fCancel_pressed = false;
  TOnClusterAddToWordlist fOnClusterAddToWordlist;
  TOnClustersDoneFindPhrases fOnClustersDoneFindPhrases;
  TVXStatsList* fStats = nullptr;
  TSectionStartsList fMarkupSectionStarts;
  TTypeFileTail fTail;  // the headings and notes read from ".types"

 private:
  bool Fail(const UString& why);
  // Fail, and nothing more is read from or written to this index.
  bool Refuse(const UString& why);
  // Opening: what is there, and reading it.
  enum class TFound { None, Good, Damaged, Foreign, Newer, OnlyOne };
  TFound Examine(UString& why);
  bool ReadIndex(bool keep_tokens_file);
  bool ReadStatsAndMarkup();
  void CheckTextsStillThere();
  bool BeginBuild();
  bool SaveBuild(const std::vector<UString>& notes, const std::vector<UString>& headings);
  bool SaveNotesOnly(const std::vector<UString>& notes, const std::vector<UString>& headings);
  std::unique_ptr<TIndexFile> WriteStats(UString& why);
  std::unique_ptr<TIndexFile> WriteMarkup(UString& why);
  TIndexSettingsBlock BlockForSave(int32_t running_words) const;
  // The places of type t in text order (and, when asked, their records), the chain checked as it
  // is followed (false: damaged, and why says where). Reads only; threads: how many may read the
  // records of a frequent type. A rare word's records are read one by one, a frequent word's
  // through the mapping of all records.
  bool WalkType(int32_t t, std::vector<int32_t>& places, UString& why, int32_t threads,
                std::vector<TTokensFileRec>* records = nullptr) const;
  // The same on this thread's behalf: a damaged chain becomes LastFailure.
  bool WalkType(int32_t t, std::vector<int32_t>& places, std::vector<TTokensFileRec>* records = nullptr);
  // The counted form of a typed word.
  UString TypedToCounted(UStringView word) const;
  // The base words of clusters and relationships, in type-number order: not in the stop list,
  // not holding "#" when such entries are excluded (the last of them becomes HashNumber), in
  // the selection when there is one, at least as frequent and at most as large a share of the
  // running words as the first filter allows.
  std::vector<int32_t> FirstFilter(const TWordlistIndexSettingsRec& settings);
  // The places of each of `types` in text order, gathered in one pass over the records (the
  // places of types[j] are flat[at[j] .. at[j + 1])), each chain checked as WalkType checks it
  // (false: damaged, and why says where).
  bool PlacesOfTypes(const std::vector<int32_t>& types, std::vector<int32_t>& flat, std::vector<int64_t>& at,
                     UString& why) const;

  T_WholeWordlistHolder* fMae;
  bool fReplacing;
  UString fLastFailure;
  // What opening found that a user should hear of (a save cut short and undone or finished, a
  // missing ".markup"), said in LastFailure when the index opens.
  UString fRecoveryNote;
  void NoteRecovery();
  TTextsett_rec32 fTextSettings{};
  TWordlist_settings_rec fWordlistSettings{};
  // The types of the opened index, by number.
  TIndexTypeView fTypes;
  int32_t fMinTypeFrequency = 1;
  std::vector<int32_t> fSortedWords;  // type numbers in the order of fSortedTypes
  TIndexTypeList fSortedTypes;
  std::unique_ptr<TTokenFileStream> fTokenFileStream;
  std::unique_ptr<TTypeFileStream> fTypeFileStream;
  std::unique_ptr<TIndexBuild> fBuild;
  std::vector<uint8_t> fLeftOut;  // by file_number: 1 changed or removed since indexing
  int32_t fStaleTexts = 0;
  int32_t fOldTexts = 0;
  bool fExactWordLength = false;
};
