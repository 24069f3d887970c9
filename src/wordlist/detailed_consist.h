// Detailed consistency: several saved word lists compared word by word. A row per word gives its
// frequency in each list, its total, the texts it occurs in and the list that uses it most; a
// relation row per pair of lists gives their shared words and Dice coefficient. The list is the
// word-list document's list of kind 4 (T_WholeWordlistHolder::MakeDetailedConsistencyList makes
// it; the document saves and reads it).
//
// Numbering: the N lists that were read are numbered 0 .. N-1 in the order they were read; a
// file that could not be read has no number. Each row's per-list frequencies and each relation
// row's slot (SingleArrayPosForXYValue over N) use that one numbering.
//
// Row stream (the list's N known before its rows are read), lists of version 11 on:
//   16 bytes   int32 most-used list, lemma frequency, texts, total
//   N x int32  the per-list frequencies
//   word       int32 count (-1: none) and the characters, UTF-16 or 8-bit as the document's text
// Relation row: float32 Dice, int32 shared, words of list 1, words of list 2; the two names
//   (int32 count of UTF-16 units, the units).
// List stream (version raised to at least 22): int32 N; the list base's stream with the rows;
//   from version 11 the 56-byte settings (N first); from version 22 N x int32 running-word
//   totals; from version 10 the relations list (the list base's stream with its rows).
//
// Columns: 0 row number, 1 word, 2 total, 3 texts (-999999: not known), 4 lemma frequency with
// the rows joined, 5 set, 6 .. 5 + N one per list. Relations: 0 row number, 1 first list, 2 its
// words, 3 second list, 4 its words, 5 shared words, 6 Dice, 7 set.
// Sort kinds: 0 words, 1 first letter a capital, 2 reversed words, 3 length, 4 texts, 5 total,
// 6 frequency in a chosen list, 7 set, 8 lemmas. Relations: 0 and 1 the names, 2 and 3 the word
// counts, 4 shared, 5 Dice.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "model/documents/work_base.h"
#include "platform/settings/settings_records.h"

inline constexpr int32_t kDetailedConsistencyListVersion = 22;
inline constexpr int kDCFirstListColumn = 6;
inline constexpr int kDCColCategory = 5;
// Lists more than this are not compared (a list column each).
inline constexpr int32_t kMaxDetailedConsistencyLists = 4096;

// The settings a detailed-consistency list keeps (56 bytes in its stream): the number of lists,
// then the store's settings as they were, then 20 bytes not used.
struct TDetConsistSettings : TByteRecord<56> {
  int32_t NLists() const { return Get<int32_t, 0>(); }
  void SetNLists(int32_t v) { Put<int32_t, 0>(v); }
  static constexpr size_t kStoreAt = 4;
  TDetailedConsistencySettingsRec Store() const {
    TDetailedConsistencySettingsRec r;
    std::memcpy(r.bytes, bytes + kStoreAt, TDetailedConsistencySettingsRec::kSize);
    return r;
  }
  void SetStore(const TDetailedConsistencySettingsRec& r) {
    std::memcpy(bytes + kStoreAt, r.bytes, TDetailedConsistencySettingsRec::kSize);
  }
};
static_assert(sizeof(TDetConsistSettings) == 56 && std::is_trivially_copyable_v<TDetConsistSettings>,
              "the settings of a detailed-consistency list are stored as 56 bytes");

struct TDetailedConsistency_rec {
  int32_t most_used = -1;   // the list with the highest relative frequency (0-based)
  int32_t lemma_freq = 0;   // frequency carried by joined forms
  int32_t texts = 0;        // texts over all lists; -999999 when not known
  int32_t total = 0;        // frequency over all lists
  std::vector<int32_t> per_list;
  UString word;
};

enum TDetailedConsistencySortKind : int32_t {
  kDCSortWords = 0,
  kDCSortFirstCapital = 1,
  kDCSortReverse = 2,
  kDCSortLength = 3,
  kDCSortTexts = 4,
  kDCSortTotal = 5,
  kDCSortListFrequency = 6,
  kDCSortSet = 7,
  kDCSortLemmas = 8,
};

class TDetailedConsistencyList;

class TDetailedConsistencyEntry : public TVXBaseListObject {
 public:
  explicit TDetailedConsistencyEntry(TVXBaseDataClass* list, TDetailedConsistency_rec d = {});
  void ZeroTheDataRec() override { data = TDetailedConsistency_rec(); }
  float GetAValueAsSingle(int column) const override;
  UString MainWordOnly() const override { return data.word; }
  const void* MainWordAsPointer() const override { return &data.word; }
  int32_t MainWordFrequency() const override { return data.total; }
  int32_t MainNTexts() const override { return data.texts; }
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;

  TDetailedConsistency_rec data;
};

struct TInterFileRelation {
  float dice = 0.0f;
  int32_t shared = 0;
  int32_t words1 = 0;
  int32_t words2 = 0;
  UString name1;
  UString name2;
};

class TDetailedConsistencyRelationsEntry : public TVXBaseListObject {
 public:
  explicit TDetailedConsistencyRelationsEntry(TVXBaseDataClass* list, TInterFileRelation d = {});
  void ZeroTheDataRec() override { dcr_data = TInterFileRelation(); }
  float GetAValueAsSingle(int column) const override;
  UString MainWordOnly() const override { return dcr_data.name1; }
  int32_t MainWordFrequency() const override { return dcr_data.shared; }
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;

  TInterFileRelation dcr_data;
};

class TDetailedConsistencyRelationsList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TDetailedConsistencyRelationsList(TVXBaseHolder* holder);
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);
  TDetailedConsistencyRelationsEntry* Row(int i) const { return static_cast<TDetailedConsistencyRelationsEntry*>(Get(i)); }

  void Set1Sort(int level, int32_t kind) override;
  void SetSortSettingsToDefault(bool clearing) override;
  void SetBase(TVXBaseListObject& entry, int level) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  int PredefinedSetColumnNumber() const override { return 7; }

  int32_t square_n = 0;  // the number of lists

 private:
  static int CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int CompareSecondNames(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  struct TPivot {
    double number = 0;
    std::string word;
  };
  TPivot pivot_[3];
};

class TDetailedConsistencyList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TDetailedConsistencyList(TVXBaseHolder* holder);
  ~TDetailedConsistencyList() override;
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);
  TDetailedConsistencyEntry* Row(int i) const { return static_cast<TDetailedConsistencyEntry*>(Get(i)); }

  // The number of lists compared: the per-list columns and frequencies of every row.
  int32_t NLists() const { return fN; }
  // Sets the number of lists (the rows and column totals must agree with it).
  void SetNLists(int32_t n);
  int AddRow(TDetailedConsistency_rec d);
  TDetailedConsistencyRelationsList& Relations() const { return *fDetailedConsistencyRelationsList; }
  // For every row: the total over the lists and the most-used list (the highest frequency as a
  // share of the list's column total, the raw frequency where that total is 0; ties keep the
  // earlier list).
  void FinalUpdate();
  // The column totals (each list's frequencies over the rows), then FinalUpdate.
  void ComputeColumnTotals() override;
  // The headings: the standard ones, then one per list name.
  void SetHeadingsForLists(const std::vector<UString>& list_names);
  UString ListName(int32_t l) const;
  // The words of list l, as its relations give them (the rows it has words in when none does).
  int32_t WordsInList(int32_t l) const;
  // The other's lists become this one's last columns: a word both have is one row, the totals
  // and most-used lists are worked out again, and every pair of lists gets its relation row
  // (shared words counted in the merged rows). The other is left empty.
  bool MergeWith(TVXBaseLemmaMatchCapableList* other) override;

  // --- overrides ---
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void Set1Sort(int level, int32_t kind) override;
  void SetSortSettingsToDefault(bool clearing) override;
  void EnsureAlphabeticalAscendingSort() override;
  void SetBase(TVXBaseListObject& entry, int level) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  bool GetNextCloudDatum(TCloudDatum& datum) override;
  // A list column's heading names the unit its shares are shown in, when shares are shown;
  // every other heading is title-cased.
  void CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) override;
  int LemmaWordColumn() const override { return 4; }
  int PredefinedSetColumnNumber() const override { return 5; }
  // The sort kind of a grid column; a list column also chooses that list for the level.
  int32_t IntegerToDCSort(int column, int level);
  void SetThreeSorts(int32_t alph_type, int32_t main, int32_t second, int32_t third);

  TDetConsistSettings DetConsistSettings{};
  std::vector<int32_t> RunningWordTotals;  // per list
  std::vector<int32_t> Column_totals;      // per list
  int32_t current_dc_freqnum[3] = {0, 0, 0};
  bool has_col_totals = false;
  bool most_frequent = false;  // set by NumericalData: the cell is its row's most-used list
  int32_t fCloudCursor = 0;

 private:
  static int CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  double NumberKey(int level, const TDetailedConsistencyEntry& e) const;
  int32_t fN = 0;
  std::unique_ptr<TDetailedConsistencyRelationsList> fDetailedConsistencyRelationsList;
  double pivot_[3] = {0, 0, 0};
};

// The standard headings of a detailed-consistency list (before the list columns).
std::vector<UString> DetailedConsistencyHeadings();
std::vector<UString> DetailedConsistencyRelationsHeadings();
