// The word list: the rows of TWordlistEntry in list order (alphabetical after a load or a build)
// and a second order over the same rows, by frequency, through the frequency index.
//
// Frequency index
//   fFreqNums[k] is the row number of the k-th most frequent row; a row's frequency for this
//   order is the one the list shows for it (RowFrequency), and rows of equal frequency come in
//   descending row order. The index is made again whenever the rows changed in number or order
//   since it was made (adding, removing, packing, sorting, merging, reading), before anything
//   reads it, so it never points past the rows or at a row twice.
//   A grid of kind of display 7 shows the rows in frequency order: every row number it passes
//   is a position in that order (ConvertedForFrequency).
//
// Stream (after the document's blocks):
//   uint8        0 (ignored on reading)
//   int32 N      the number of rows
//   N x int32    the frequency index
//   the result-list stream (version at least 24), whose rows are TWordlistEntry records
// A reader refuses N < 0 and an N beyond the bytes left. An index that is not a permutation of
// the rows read (another N, a row twice, a row out of range) is made again from the rows, which
// are sorted alphabetically first.
//
// Columns: 0 row number, 1 word, 2 frequency, 3 frequency as a share of the tokens, 4 texts,
// 5 texts as a share of all texts, 6 dispersion, 7 lemmas (the forms joined under the row, each
// with its frequency), 8 set column, 9 on extra columns. Columns 2, 3 and 7 count a row by
// RowFrequency, the number the frequency view ranks it by.
// Sort kinds (Set1Sort): 0 words (then prefixes and suffixes when the list has affixes),
// 1 first letter a capital, 2 reversed words, 3 word length, 4 prefixes, 5 suffixes, 6 texts,
// 7 dispersion, 8 set, 9 lemmas (rows joined), 10 the chosen extra column, 11 relative entropy,
// 12 words in the entry. Each level compares by its own kind.
#pragma once

#include <cstdint>
#include <vector>

#include "model/documents/work_base.h"
#include "wordlist/wordlist_entry.h"

class TVXStatsList;

// List kinds a word-list document holds.
inline constexpr TTessorineList kListWordlist = 0;
inline constexpr TTessorineList kListIndexWordlist = 23;
// The kind of display of the frequency view.
inline constexpr int kDisplayByFrequency = 7;
// The version a word list is written at (at least).
inline constexpr int32_t kWordListVersion = 24;

enum TWordlistSortKind : int32_t {
  kWLSortWords = 0,
  kWLSortFirstCapital = 1,
  kWLSortReverse = 2,
  kWLSortLength = 3,
  kWLSortPrefix = 4,
  kWLSortSuffix = 5,
  kWLSortTexts = 6,
  kWLSortDispersion = 7,
  kWLSortSet = 8,
  kWLSortLemmas = 9,
  kWLSortComputed = 10,
  kWLSortRelativeEntropy = 11,
  kWLSortWordsInEntry = 12,
};
inline constexpr int kWLSortKindCount = 13;
// The name shown for a sort kind ("" outside 0..12).
UString WordlistSortKindName(int32_t kind);
// The headings of a word list's own columns (0 .. 8).
std::vector<UString> WordListHeadings();
// A share column's heading with the unit the shares are shown in: the text before its "%" or
// "per ", then the unit of the settings' share display ("%" for the default).
UString ShareHeadingForDisplay(UStringView heading);

// The entries-edited bit of the list's state word.
inline constexpr uint16_t kStateEntriesEdited = 0x0010;

class TVXWordList : public TVXBaseLemmaMatchCapableList {
 public:
  TVXWordList(TVXBaseHolder* holder, TTessorineList list_type = kListWordlist);
  ~TVXWordList() override;
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  TWordlistEntry* Row(int i) const { return static_cast<TWordlistEntry*>(Get(i)); }
  // Takes a new row made from d; answers its index (-1 when refused).
  int AddRow(const TWordlistData& d);
  int AddRow(TWordlistData&& d);
  // For a maker about to add rows already in word order: the word sorts' comparers as DoASort
  // sets them (true when level 0 then compares the base's collation keys of the words alone);
  // then, once every row is in, TakeWordOrder notes the order DoASort(1, 0, Count() - 1) would give.
  bool PrepareWordOrder();
  void TakeWordOrder();

  // --- the frequency index ---
  // The index, made again first when stale.
  const std::vector<int32_t>& FreqNums();
  void RebuildFrequencyIndex();
  bool FrequencyIndexStale() const;
  // The row shown at position index in a grid of that kind of display; -1 when there is none.
  int RowForDisplay(int index, int kind_of_display);
  // Rank (1 = most frequent) of every row, from a fresh index; rows of equal frequency share
  // the rank of the first of them.
  std::vector<int32_t> ComputedRankOrdersOfWords();
  std::vector<int32_t> fRankOrders;

  // --- data accessors ---
  int32_t ComputedCurrentTokens() const;
  // The row's frequency, plus the rows joined under it with full lemma processing (a phrase
  // frame's, whose joined clusters are occurrences it counts already, is its own); 0 for a row
  // that does not exist.
  int32_t CorrectFreq(int row, bool full_lemma_processing) const;
  // The row's frequency as the list shows and ranks it: a lemma's (the head word's and its
  // forms'), or the head word's alone when the settings ask for the head word's frequency only.
  int32_t RowFrequency(int row) const;
  // Copies the data of row (a frequency position when by_frequency); false (d emptied) for a
  // row that does not exist.
  bool WordlistData(bool by_frequency, int row, TWordlistData& d);
  // Cell texts through the display's order: empty / nothing done when there is no such row.
  UString CellText(int index, int column, int kind_of_display);
  void SetCellText(int index, int column, int kind_of_display, UStringView text);
  void MergeEqualWords(int first, int second);
  void AddASpaceToWordNumber(int index);
  void DeleteAllTaggedWords(bool deleting_marked_words);
  bool HasAffixes() const { return has_affixes_; }
  // The word-list settings of the document the list is in (the store's outside one).
  TWordlist_settings_rec OwnSettings() const;

  // --- lemmas, joins, equal words, imports (word_list_lemmas.cpp) ---
  // The lemma list's joins first; with adjusting, the joined rows then leave the list (not
  // undoable) and belong to their heads. A head keeps its own frequency, as in a list counted
  // from texts: its lemma's (CorrectFreq with full lemma processing) takes its forms in, so that
  // no form is counted twice. Answers the joins made.
  int32_t CheckLemmas(bool adjusting_frequencies_and_zapping = false) override;
  // One line per head with joined rows: "HEAD -> FORM1,FORM2" (texts with their affixes).
  std::vector<UString> LemmaListFromThisList() override;
  // The joined rows' texts (prefix, word, suffix), one line each.
  void AddJoinedWordDataToStringlist(int row, std::vector<UString>& lines) override;
  // The list base's rule (work_base.h); the frequency index is made again afterwards.
  int32_t JoinClusters(bool small_to_large) override;
  // Neighbouring rows whose words compare equal (case as the word-list settings say): the row
  // with the lower frequency first (the earlier one on a tie).
  struct TEqualPair {
    UString first_text, second_text;
    int first_row = -1, second_row = -1;
  };
  std::vector<TEqualPair> CheckForEqualStrings() const;
  // Merges each pair (MergeEqualWords) in order; a row merged away stands for the row it went
  // into, so that three or more equal neighbours become one row and keep their total. Answers
  // the rows merged away (deleted, not yet zapped).
  int32_t MergeEqualWords(const std::vector<TEqualPair>& pairs);
  // Keeps each run of equal neighbours (pairs chained by a shared row) apart: the most frequent
  // row keeps its word (the later one on a tie) and every other gets its own number of
  // zero-width spaces (AddASpaceToWordNumber), so that no two of the run have the same text
  // once case is set aside. Answers the rows changed.
  int32_t KeepEqualWordsApart(const std::vector<TEqualPair>& pairs);
  // The list made from (word, frequency) pairs (lines "word<tab>frequency" for the text form):
  // words shorter than the minimum length are left out, longer ones cut with "+"; lengths of 1 to
  // 50 are counted; the running words are the frequencies added up, or total when above 0; the
  // mean word length is weighted by frequency.
  // Then, in a document that uses them, the stop list's words leave the list and the lemma
  // list's forms are joined under their heads, whose frequencies take theirs in.
  bool ImportWords(const std::vector<std::pair<UString, int32_t>>& rows, int64_t total);
  // Takes the stop list's words out (not undoable) and tells the statistics how many types and
  // tokens went.
  void RemoveStopWords(TVXStatsList& stats);
  bool ImportDataFromStringList(const std::vector<UString>& lines, int64_t total) override;

  // --- overrides ---
  void AdjustEntryCount() override;
  int ConvertedForFrequency(int index, int kind_of_display) const override;
  // 2 in the frequency view, 1 in list order.
  int32_t Cumulative_distinguisher(int kind_of_display = 0) const override {
    return kind_of_display == kDisplayByFrequency ? 2 : 1;
  }
  bool DataHasAssociatedIndexData() const override { return fHasIndex; }
  bool BasedOnOneTextFile() const override;
  void RecomputeTokens() override;
  void AdjustStopListWordLengths(TVXBaseListObject& entry) override;
  void Remove(int index) override;
  bool DoASort(int levels, int first, int last) override;
  void DoAnyFreqSorting() override { RebuildFrequencyIndex(); }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  bool MergeWith(TVXBaseLemmaMatchCapableList* other) override;

  // Sorting and columns.
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void Set1Sort(int level, int32_t kind) override;
  void SetSecondSortAsWordSort() override { Set1Sort(1, kWLSortWords); }
  void SetSortSettingsToDefault(bool clearing) override;
  void EnsureAlphabeticalAscendingSort() override;
  void SetBase(TVXBaseListObject& entry, int level) override;
  int Find_Word(UStringView word, UStringView prefix, UStringView suffix, bool case_sensitive) override;
  using TVXBaseDataClass::Find_Word;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  bool GetNextCloudDatum(TCloudDatum& datum) override;
  std::vector<UString> DetailsOfCurrentSettings() override;
  int LemmaWordColumn() const override { return 7; }
  int PredefinedSetColumnNumber() const override { return 8; }
  // The share column (3) is headed by the unit the shares are shown in.
  void CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) override;
  // Adds the extra column of the lemmas' relative entropy after the own columns (once): it shows
  // each row's relative entropy (RelativeEntropyOfForms) and sorts as kind 11. Its number.
  int ShowRelativeEntropyColumn();

  // --- links the document sets ---
  TVXStatsList* fStatsList = nullptr;  // the document's per-text statistics
  bool fHasIndex = false;              // the document has a corpus index
  uint8_t fTagDisplay = 0;             // how tags show in column 1 (0 prefix and word as they are)
  int fChosenExtraColumn = -1;         // the column sort kind 10 compares
  int fWordSortStyle = 0;              // what clicking column 1 at level 0 sorts by
  bool fMultiWordUnits = false;
  // The stop list's words also leave the word-length counts (the stop-list settings, read when
  // the list is made).
  bool subtract_stoplist_wordlengths = false;
  uint16_t fState = 0;

  std::vector<int32_t> fFreqNums;

 private:
  static int CompareWords(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  double NumberKey(int level, TWordlistEntry& e);
  // The row's frequency, with its lemma's forms when lemmas (CorrectFreq, without its limits).
  int64_t CountOf(int row, bool lemmas) const;
  void NoteAffixesAndWords();
  void SetWordSortComparers();
  void ShowSortProgress();
  bool IndexIsPermutation() const;

  bool freq_stale_ = true;
  bool freq_head_word_only_ = false;  // the head-word-only setting the index was made with
  bool has_affixes_ = false;
  int fRelativeEntropyColumn = -1;  // the extra column, -1 while not shown
  struct TPivot {
    std::string word, prefix, suffix;
    double number = 0;
  };
  TPivot pivot_[3];
};
