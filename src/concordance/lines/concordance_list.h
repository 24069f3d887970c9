// The concordance list: the lines of one concordance document, their line limits while a run
// fills the list, their sorts, stop-word removal, merging, duplicates and the re-reading of a
// line's source text with a wider window.
//
// Contract
//   The list owns its lines (TConcordanceEntry) and answers what a line asks of its owner. The
//   texts of the lines it owns lie in its arena; a line merged in moves its text there. What
//   the list needs of its document (settings, search items, locale, stop list, source files) it
//   asks through TConcordanceListDocument, which the document implements and tests fake.
//
// Line limits
//   LimitReached: the list holds at least round(search words x lines wanted per word) lines,
//   worked out in 64-bit integers (half to even), never in floating point.
//
// Sorts
//   Every sort goes through the ranked sort: each level's key is read once per line, the lines
//   are put in one permutation and no comparison calls back into the list. Keys (low 7 bits):
//     0-10  the word at span position 45 + key (key 5 the search word, key 4 L1), collated
//     11    the first context word, code-unit order        12  the Set column, collated
//     13    the source file's name, collated                14  the source file's date
//     15    the tag context, collated                       16  tag context distance
//     17    percentage of the file                          18  word number
//     19, 21, 23, 25  sentence, paragraph, heading, section number
//     20, 22, 24, 26  position within that unit as a percentage (missing, -999999, when the
//                     unit's length is 0 or less)
//     27    mean word rank    28  collocate-highlight count    29  the whole line, collated
//     30    byte position
//   Keys of 31 and above compare nothing. NaN sorts below every number. Word levels (0-10, 12,
//   28) take the document's case setting for their level.
//
// Stream: the result-list body (version raised to at least 25), each line as TConcordanceEntry
//   writes it, then the 192-byte spare block (absent in old-records mode). Every write counts:
//   a failed piece makes SaveToStream false. A damaged stream makes ReadFromStream false with a
//   log line; nothing is allocated beyond the bytes left.
//
// Grid: DrawgridDataRec fills one cell of row r (line r - 1): 0 row number, 1 the line as shown
//   (text, search-word start and hit width, coloured pieces), 2 Set text, 3 tag context and its
//   tag number, 4 word number, 5-12 unit numbers and percentages (empty without structure
//   data), 13 file name, 14 date, 15 percentage of the file. Drawing never changes a line.
//
// Duplicates: after the alphabetical sort, lines are grouped by their midpoint and the window
//   a line compares (IsDuplicateOf); within each group every later line equal to an earlier one
//   is marked deleted, whatever lies between them in the sorted order.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "concordance/lines/concordance_line.h"
#include "concordance/lines/line_sections.h"
#include "model/documents/work_base.h"
#include "platform/rtl/ustring.h"

class TLinzoraFilenamelist;
class TLinzoraFilenameEntry;

inline constexpr grid_alternatives kGridConcordance = 1;
inline constexpr int32_t kConcordanceListNumber = 0;
// The list's stream version: earlier ones are read, this or a later one is written.
inline constexpr int32_t kConcordanceListVersion = 25;
inline constexpr int32_t kSpareColoursBytes = 192;
// Added to the search-item and file numbers of lines merged in (the document renumbers them).
inline constexpr int32_t kMergedLineOffset = 0x1FFFFFFF;
// Sort keys of the list.
inline constexpr int32_t kConcSortFirstWord = 0;   // L5
inline constexpr int32_t kConcSortL1 = 4;
inline constexpr int32_t kConcSortSearchWord = 5;
inline constexpr int32_t kConcSortLastWord = 10;   // R5
inline constexpr int32_t kConcSortContextWord = 11;
inline constexpr int32_t kConcSortSet = 12;
inline constexpr int32_t kConcSortFile = 13;
inline constexpr int32_t kConcSortDate = 14;
inline constexpr int32_t kConcSortTagContext = 15;
inline constexpr int32_t kConcSortTagDistance = 16;
inline constexpr int32_t kConcSortPercentOfFile = 17;
inline constexpr int32_t kConcSortWordNumber = 18;
inline constexpr int32_t kConcSortSentence = 19;  // 19..26: unit number, then its percentage
inline constexpr int32_t kConcSortMeanRank = 27;
inline constexpr int32_t kConcSortHighlight = 28;
inline constexpr int32_t kConcSortWholeLine = 29;
inline constexpr int32_t kConcSortBytePosition = 30;
inline constexpr int32_t kConcSortKeyCount = 31;

// What the list asks of its concordance document. Every answer has a harmless default.
class TConcordanceListDocument {
 public:
  virtual ~TConcordanceListDocument() = default;
  // --- settings copy ---
  virtual int32_t LinesWantedPerWord() const { return 0; }  // 0 or less: no limit
  virtual bool CaseSensitiveSort(int level) const { return false; }
  virtual void RememberSortKey(int level, int32_t key) {}
  virtual int32_t LeftHorizon() const { return 5; }   // collocate horizons in words
  virtual int32_t RightHorizon() const { return 5; }
  // --- display choices ---
  virtual bool ShowFullFilenames() const { return false; }
  virtual int ColumnKind(int column) const { return 0; }  // as TConcordanceLineOwner::ColumnKind
  virtual bool UnitPercentPerMillion() const { return false; }
  virtual void NoteTagColoursChanged() {}
  // --- stream form ---
  virtual bool OldRecordsMode() const { return false; }
  virtual void SetOldRecordsMode() {}
  virtual bool TextsInPlace() const { return false; }
  // --- search items, as typed ---
  virtual std::vector<UString> TypedSearchWords() const { return {}; }
  virtual const std::vector<uint8_t>* SearchWordTagTable() const { return nullptr; }
  // --- locale ---
  virtual TLCID Locale() const { return kLCID_EnglishUS; }
  virtual void SetLocale(TLCID lcid) {}
  // --- stop list ---
  virtual bool IsStopWord(UStringView word) const { return false; }
  // --- source files (nullptr: none) ---
  virtual TLinzoraFilenamelist* SourceFiles() const { return nullptr; }
  // --- reference word list (mean word rank) ---
  virtual bool HasReferenceList() const { return false; }
  virtual int32_t ReferenceListCount() const { return 0; }
  virtual int32_t ReferenceRank(UStringView word) const { return 0; }
  // --- how lines are shown ---
  virtual int32_t ShownLineLength() const { return 0; }  // characters around the midpoint; 0 whole
  virtual bool SearchWordPadding() const { return false; }
  virtual bool HideTags() const { return false; }
  // The View menu's "hide Tag file tags" (tags of the tag file in use) and "hide Undefined ones"
  // (every other tag).
  virtual bool HideTagFileTags() const { return false; }
  virtual bool HideUndefinedTags() const { return false; }
  virtual bool TagsAsSuffixes() const { return false; }
  // The View menu's "words hidden": each word of the tag file's tags leaves the line, its tag
  // standing in its place; the search word stays.
  virtual bool WordsHidden() const { return false; }
  // The visible-tags table: the display string of tag t (from 1); false when t has none.
  virtual bool VisibleTagDisplay(int32_t tag_number_1based, UString& display) const { return false; }
  // Tags further than this (characters) from the search word are not coloured.
  virtual int32_t TagColouringDistance() const { return 32000; }
  virtual bool TextMarkersOn() const { return false; }
  virtual int LineView() const { return 0; }  // kLineViewWhole, kLineViewSentence, kLineViewTags
  virtual UString SentenceEndMarker() const { return UString(); }  // empty: punctuation decides
  virtual bool HideFilenames() const { return false; }
};

inline constexpr int kLineViewWhole = 0;
inline constexpr int kLineViewSentence = 1;
inline constexpr int kLineViewTags = 2;

// A line as the grid shows it; the coloured pieces are in the list's SortAndTagPosList.
struct TConcLineDisplay {
  UString raw;    // characters restored and cut to the shown length, nothing else
  UString text;   // as the cell shows it
  int32_t midpoint = 0;
  int32_t sw_start = 0;  // 0-based in text
  int32_t hit_width = 0;
  int32_t sentence_start = -1;  // sentence-only view: 1-based start, -1 none found
  bool found_both_ends = false;  // sentence-only view: both ends of the sentence found
};

// Sentence-only view of a shown line: blanks what lies before the sentence holding the
// midpoint and cuts what follows it. tag_chars marks characters of mark-up (skipped; may be
// empty). Answers the sentence start (1-based) or -1; found_both says both ends were found.
int32_t SentenceOnlyView(UString& text, int32_t midpoint, const std::vector<bool>& tag_chars, UStringView marker,
                         bool& found_both);
// Tags-only view: outside the last `on` before the search word and the next `off` after it,
// every character above the space becomes an ellipsis; nothing changes without both.
void TagsOnlyView(UString& text, int32_t sw_start, int32_t hit_width, UStringView on, UStringView off);

#pragma pack(push, 1)
struct TConcordanceHighlightRecBase {
  uint8_t active;
  uint8_t all;
  uint8_t only_left;
  uint8_t only_right;
  int32_t sw_number;
  int32_t instances;
  uint32_t colloc_w_ref;  // no meaning when stored: the word lives beside the record
  uint8_t span_pos;       // 101: every position within the collocate horizons
  uint8_t padding[3];
};
#pragma pack(pop)
static_assert(sizeof(TConcordanceHighlightRecBase) == 20, "the highlight record is 20 bytes");

// Which collocate a sort on key 28 counts in each line.
struct TConcordanceHighlightRec {
  bool active = false;
  bool all = false;
  bool only_left = false;
  bool only_right = false;
  int32_t sw_number = 0;
  int32_t instances = 0;
  UString colloc_w;
  uint8_t span_pos = 0;
};
inline constexpr uint8_t kHighlightEverySpan = 101;

// Re-reads a line's window from its source text and remakes the line (its text, positions and
// character count) at the width asked (characters), placing the
// window by the text's own characters; at_edge gets whether the remade line reaches the text's
// start and its end. Answers false, the line as it was, when the text could not be read.
using TLineWindowReader = std::function<bool(TConcordanceEntry& line, int32_t width, std::array<bool, 2>& at_edge)>;

class TConcordanceList : public TVXBaseLemmaMatchCapableList, public TConcordanceLineOwner {
 public:
  TConcordanceList(TVXBaseHolder* holder, TConcordanceListDocument* document);
  ~TConcordanceList() override;

  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);
  // A new line owned by nobody yet, to be filled and then Add-ed.
  std::unique_ptr<TConcordanceEntry> NewLine();
  // The line at index; nullptr outside the list or for an entry that is not a line. Callers walk
  // every line of long lists with it, so it is told by the entry's type first.
  TConcordanceEntry* Line(int index) const {
    return index >= 0 && static_cast<size_t>(index) < entries_.size() ? AsConcordanceLine(entries_[static_cast<size_t>(index)])
                                                                        : nullptr;
  }
  TConcordanceListDocument* Document() const { return document_; }
  // The list now answers to another document (nullptr: the list's own defaults).
  void SetDocument(TConcordanceListDocument* document) { document_ = document ? document : &default_document_; }

  // --- fields ---
  UString tag_string_only_on;
  UString tag_string_only_off;
  std::array<uint32_t, 3> fSpecialCmpFlags{};  // bit 0: case ignored
  int32_t fsearch_words_to_seek = 1;
  int32_t fFattest_hit = 0;
  uint8_t fcurrentsort_span = kSpanCentre;
  std::array<bool, 2> fAtFileEdge{};  // start, end
  std::array<uint8_t, kSpareColoursBytes> fSpare_colours{};
  bool fHasTagFileData = false;
  TConcordanceHighlightRec HighlightRec;
  TSortAndTagMergedList SortAndTagPosList;
  bool Dud_CNC_Filenames_found = false;
  bool concordance_textOnly = false;
  bool releia_arquivo = false;
  UString last_filename_to_reread;
  int32_t attempts_to_reread_source_file = 0;
  bool sw_limit_reached = false;
  std::vector<int32_t> sws_found_counter = std::vector<int32_t>(1, 0);
  TLineSpanPair colloc_horizons;
  // Set by the document: re-reads a line's window when it is widened.
  TLineWindowReader window_reader;
  // The record of the line LinzoraData fetched last, and its index (-1 none).
  TLinzoraEntryRecBase last_LinzoraEntryRec{};
  int32_t last_LinzoraEntry = -1;

  // --- the base list's operations ---
  bool CanDeleteRandomly() const override { return true; }
  int Add(TVXBaseListObject* entry) override;
  void Remove(int index) override;
  UString ALineAsTextOnly(UStringView text) override;
  bool ColumnCanSelectForStatusbar(int column) const override { return column != 1; }
  int32_t Cumulative_distinguisher(int = 0) const override { return -1; }
  void EnsureAlphabeticalAscendingSort() override;
  bool DoASort(int levels, int first, int last) override;
  int Find_Word(UStringView word) override;
  using TVXBaseLemmaMatchCapableList::Find_Word;
  TSortAndTagMergedList* SortAndTagList() override { return &SortAndTagPosList; }
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  int PredefinedSetColumnNumber() const override { return 2; }
  // The Set column's text is the only cell of a line that may be written.
  bool CanEdit(int column) const override { return ColumnKind(column) == 2; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  std::vector<UString> SearchWordsAsStringlist() override;
  void Set1Sort(int level, int32_t key) override;
  void SetSecondSortAsWordSort() override { Set1Sort(1, kConcSortL1); }
  bool SortAlphabeticallyAscending() override;
  void SetSortSettingsToDefault(bool clearing) override;
  // Deletes (undoably) every line whose search word is word, case ignored.
  void RemoveStopWord(UStringView word, int32_t total, int32_t index, bool case_sensitive, bool whole_word,
                      bool unicode) override;
  std::vector<UString> DetailsOfCurrentSettings() override;
  bool MergeWith(TVXBaseLemmaMatchCapableList* other) override;
  // Writes Set values (mode 1) or joined search phrases (mode 2, text the joiner) into the
  // source texts (concordance/modify_texts.h); dated: the change is logged. Answers the lines
  // changed, -1 when nothing could be done; the refusals are in last_modify_report.
  int32_t ModifySourceTexts(int mode, UStringView text, UStringView initials, bool dated) override;
  std::vector<UString> last_modify_report;
  void RemoveDuplicates(TDuplicatesResult& result, const TDuplicatesProgress& progress = nullptr) override;

  // --- the list's own operations ---
  // Line `index` into the result (and the last-fetched copies); with widen, the window is made
  // 2000 characters wider and re-read. False for an index that names no line, and for a widen
  // refused (busy list, text gone, reader failed).
  bool LinzoraData(int index, bool widen, TLinzoraEntryRecBase& result);
  bool LimitReached() const;
  // Lines wanted in all for the search words of the run; -1 without a limit.
  int64_t LineLimit() const;
  // Sizes the per-item line counters for a run of `items` search items, all 0.
  void PrepareSearchItemCounters(int32_t items);
  void ClearHighlightRec();
  void ClearHighlightCollocFreqs();
  int32_t HighlightCollocFreqOfLine(int index) const;
  void ChangeTagColours(const std::vector<TForeBackColoursArray>& colours);
  bool CompleteResort();
  bool CompleteResort(TLCID lcid);
  // Threads a sort spreads over (any number gives the same order); 0: every core up to four for
  // a large list, one for a small one. The document sets its run's workers.
  void SetSortWorkers(int workers) { sort_workers_ = std::max(workers, 0); }
  void Set2Sorts(int32_t key1, int32_t key2);
  void SetThreeSorts(int32_t key1, int32_t key2, int32_t key3);
  void SetSortDirections();
  void TryToSetCaseSensitivity(int level);
  void RebuildFilenameFilenumbersFromConcLines(TLinzoraFilenamelist* files);
  bool AnyUnknownAverageWordFrequency() const;
  // The search word of each line as drawn goes into its Set column.
  void CopySearchWordHitsToSetColumn();
  // --- display (grid cells) ---
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  // A search of the lines looks at each whole line as kept, not at the part the column shows.
  void CellTextForSearch(int column, int index, TGrid_data_rec& scratch, UString& out) override;
  void TopRowDataRec(int col, TGrid_data_rec& cell) override;
  // Makes the shown text of a line and its coloured pieces (into SortAndTagPosList); the line
  // itself is left as it was.
  TConcLineDisplay DisplayLine(const TConcordanceEntry& line);
  // The sentence-only view of a shown line; notes on the line whether both ends were found.
  int32_t SentenceOnly(TConcordanceEntry& line, UString& text, int32_t midpoint);
  // The word of a line at a span position (empty when none).
  UString WordAtSpan(const TConcordanceEntry& line, int span_position) const;
  // The collocate-highlight count of a line (computed and stored when not yet known).
  int32_t HighlightCount(TConcordanceEntry& line);

  // --- what a line asks of its owner ---
  int32_t StreamVersion() const override;
  TLineTextArena* LineTextArena() override { return &text_arena_; }
  bool Unicode() const override;
  void SetUnicode(bool unicode) override;
  int CodePage() const override;
  bool OldRecordsMode() const override;
  void SetOldRecordsMode() override;
  bool ReadingFirstLine() const override { return current_entry_loading == 0; }
  void NoteDudFilename() override { Dud_CNC_Filenames_found = true; }
  // From 1, and naming a row of the document's source texts when it has a list of them.
  bool TakesFileNumber(int32_t file_num) const override;
  void NoteHasTagFileData() override { fHasTagFileData = true; }
  const std::vector<uint8_t>* SearchWordTagTable() const override;
  int32_t SourceFileCount() const override;
  UString SourceFileName(int32_t file_num) const override;
  int64_t SourceFileByteSize(int32_t file_num) const override;
  double SourceFileDate(int32_t file_num) const override;
  void TakeSourceFileDetails(int32_t file_num, int64_t byte_size, double date) override;
  bool TextsInPlace() const override;
  bool ShowFullFilenames() const override;
  float NumericalData(const TConcordanceEntry& line, int column) const override;
  int ColumnKind(int column) const override;
  TLCID Locale() const override;
  bool HasReferenceList() const override;
  int32_t ReferenceListCount() const override;
  int32_t ReferenceRank(UStringView word) const override;

 private:
  TLinzoraFilenameEntry* SourceRow(int32_t file_num) const;
  bool CaseSensitiveLevel(int level) const;
  // The value a numeric column or key gives for a line (the missing value when none).
  float LineNumber(const TConcordanceEntry& line, int column) const;
  int SortThreads(size_t lines) const;

  // The texts of the lines this list holds; it outlives them (the destructor clears the list).
  TLineTextArena text_arena_;
  TConcordanceListDocument* document_;
  TConcordanceListDocument default_document_;
  bool old_records_mode_ = false;
  int current_sort_level_ = 0;  // the level a key-28 count compares for
  int sort_workers_ = 0;
};

// --- values the sorts and columns share ---------------------------------------------------------

// Where the word at a span position lies in the line text (start, length), clipped to the text;
// length 0 when the line has no word there.
std::pair<int32_t, int32_t> SpanWordExtent(const TConcordanceEntry& line, int span_position);
// A word's position within its unit as a percentage of the unit's length (both reduced by 1 when
// at least 2); the missing value for a unit of length 0 or less. kind: 0 sentence .. 3 section.
float UnitPercentOfLine(const TConcordanceEntry& line, int kind);
// round(words x wanted) with halves to even, in integers.
int64_t LinesWantedInAll(int32_t search_words, int32_t wanted_per_word);
