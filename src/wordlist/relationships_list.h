// Word pairs of a corpus index and their association: for each pair the two words, their
// frequencies, the texts it occurs in, its most frequent distance, its joint frequency and the
// eleven association measures (docs/association_measures.md), as a list of the document's (kind
// 28) that a word-list document saves and reads on its own (rows carry their words; the list
// names the index it came from).
//
// Row stream (after the list base's per-entry framing), lists of version 16 on:
//   84 bytes   slots 0-20: texts, freq1, freq2, joint, gap (int32), the eleven measures (float32),
//              five int32 kept as they are
//   word 1, word 2   zero-terminated, UTF-16 in a Unicode document, else 8-bit in its code page
//   int32 x 2  the two words' type numbers in the index
// Rows of lists below version 16 are of older layouts that are not read: such a list is refused.
//
// List stream: the version raised to at least 16; int32 magic 0xABCDFEDC; the index's file name
// (int32 count of UTF-16 units, the units); the list base's stream with its rows. A reader looks
// at the first four bytes: bytes 2 and 3 ':' or '\' then '\' is the oldest layout (the name as a
// length byte and 8-bit characters), bytes 2 and 3 both 0 a layout without magic (the name as
// written here), otherwise the magic must be there.
//
// Columns: 0 row number, 1 word 1, 2 freq1, 3 word 2, 4 freq2, 5 texts, 6 gap, 7 joint, 8 MI,
// 9 Z score, 10 MI3, 11 log-likelihood, 12 T score, 13 Dice, 14 log ratio, 15-16 conditional
// probabilities A and B, 17-18 delta P A and B, 19 set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/documents/work_base.h"
#include "platform/runtime/vx_maths.h"
#include "platform/settings/settings_records.h"

#pragma pack(push, 1)
struct TMutualInfoRec {
  int32_t texts;   // slot 0: texts the pair occurs in
  int32_t freq1;   // 1
  int32_t freq2;   // 2
  int32_t joint;   // 3
  int32_t gap;     // 4: the most frequent distance of word 2 from word 1
  float stats[kRelationshipStatsCount];  // 5-15, in the measures' stored order
  int32_t further[5];  // 16-20, kept as they are
  int32_t type1;   // 21
  int32_t type2;   // 22
};
#pragma pack(pop)
static_assert(sizeof(TMutualInfoRec) == 92 && offsetof(TMutualInfoRec, stats) == 20 &&
              offsetof(TMutualInfoRec, type1) == 84, "relationship slots are stored in this order");
inline constexpr int64_t kMutualInfoStoredSlots = 84;  // slots 0-20, before the words

inline constexpr int32_t kRelationshipsListVersion = 16;
inline constexpr uint32_t kRelationshipsListMagic = 0xABCDFEDC;

// Sort keys.
enum TRelationshipSort_system : int32_t {
  RelatSort_by_word1 = 0,
  RelatSort_by_freq1 = 1,
  RelatSort_by_word2 = 2,
  RelatSort_by_freq2 = 3,
  RelatSort_by_n_files = 4,
  RelatSort_by_gap = 5,
  RelatSort_by_joint = 6,
  RelatSort_by_MI_score = 7,
  RelatSort_by_Z_score = 8,
  RelatSort_by_MI3_score = 9,
  RelatSort_by_LogL_score = 10,
  RelatSort_by_T_score = 11,
  RelatSort_by_Dice = 12,
  RelatSort_by_LogRatio = 13,
  RelatSort_by_category = 14,
  RelatSort_by_CondProbA = 15,
  RelatSort_by_CondProbB = 16,
  RelatSort_by_DeltaPA = 17,
  RelatSort_by_DEltaPB = 18,
};
inline constexpr int kRelationshipSortKinds = 19;
inline constexpr int kRelColCategory = 19;
inline constexpr int kRelationshipColumns = 20;  // 0 .. 19

// The sort key of a grid column.
int32_t TrueColumnToMISort(int column);

class TRelationshipEntry : public TVXBaseListObject {
 public:
  explicit TRelationshipEntry(TVXBaseDataClass* list);
  TRelationshipEntry(TVXBaseDataClass* list, const TMutualInfoRec& rec, UString word1, UString word2);

  void ZeroTheDataRec() override;
  float GetAValueAsSingle(int column) const override;
  UString MainWordOnly() const override { return word1; }
  const void* MainWordAsPointer() const override { return &word1; }
  int32_t MainWordFrequency() const override { return data.freq1; }
  int32_t MainNTexts() const override { return data.texts; }
  // Column 1 word 1, column 3 word 2.
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  // True only when every byte was written (or read).
  bool SaveToStream(TStream& s) override;
  bool ReadFromStream(TStream& s) override;

  TMutualInfoRec data{};
  UString word1;
  UString word2;
};

class TRelationshipsList : public TVXBaseLemmaMatchCapableList {
 public:
  TRelationshipsList(TVXBaseHolder* holder, UStringView source_index_filename = {},
                     const TRelationshipSettingsRec* settings = nullptr);
  ~TRelationshipsList() override;
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  TRelationshipEntry* Row(int i) const { return static_cast<TRelationshipEntry*>(Get(i)); }
  int AddRow(const TMutualInfoRec& rec, UStringView word1, UStringView word2);
  // A copy of a row's record (zeroed for a row that does not exist).
  TMutualInfoRec MIData(int row) const;
  const UString& SourceIndexFilename() const { return fSourceIndexFilename; }
  void SetSourceIndexFilename(UStringView name) { fSourceIndexFilename = UString(name); }
  // Why the last read was refused when the list named it (rows of an older layout).
  const UString& ReadRefusal() const { return fReadRefusal; }
  // The three default sort keys (word 1, MI, texts), then all rows sorted.
  void SortAll();

  // --- overrides ---
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void Set1Sort(int level, int32_t kind) override;
  void SetSortSettingsToDefault(bool clearing) override;
  void SetBase(TVXBaseListObject& entry, int level) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  UString GetStatusbarDataAsString(int col, int row) override;
  std::vector<UString> DetailsOfCurrentSettings() override;
  int PredefinedSetColumnNumber() const override { return 19; }
  // Sets the three levels' keys (the first argument, the alphabet style, is not used).
  void SetThreeSorts(int32_t alph_type, int32_t main, int32_t second, int32_t third);

  TRelationshipSettingsRec fSettings{};
  bool incompatible_with_reference_index = false;

 private:
  static int CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int CompareWords(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  double NumberKey(int level, const TRelationshipEntry& e) const;
  UString fSourceIndexFilename;
  UString fReadRefusal;
  struct TPivot {
    double number = 0;
    std::string word;
  };
  TPivot pivot_[3];
};

// The column headings of a relationships list.
std::vector<UString> RelationshipsListHeadings();
