// Per-text statistics: one row per text read and one overall row, with column values for the
// statistics grid, the mean and standard deviation of word length, merging with another
// document's statistics, and a stream and file form of their own.
//
// The statistics record (TOne_text_stats_rec): 360 stored bytes, then the file name.
//     0  five (count int32, mean float, standard deviation float) groups at 0, 12, 24, 36, 48:
//        group 0 the words, groups 1 to 4 sentences, paragraphs, headings and sections
//    60  int32 running words          64  int32 (overall: tokens the stop list removed)
//    68  int32 (overall: types the stop list removed)    72  int32
//    76  int32 types (overall: entries)                   80  int32 basis of the ratio at 104
//    84  int32                        88  float64 Julian date
//    96  uint8 found (set by FilesStillExisting)         100  int32 size count
//   104  (count, mean, standard deviation) of the type/token ratio per basis words
//   116  51 int32 word counts by length 0 to 50 (1 to 50 used)
//   320  int32 number of the text        324  int32 folder index (-1 none)
//   328  two float centrality scores     336  int32 kStatsSentinel, set on every save
//   340  20 bytes kept as they are
// Lists of version 11 to 21 stored an older record of 328 bytes: the same layout up to the
// folder index, without the centrality scores and what follows.
//
// Statistics-list stream (list type 19, version 22): the result-list body (rows: 360 bytes +
// name string each), then the overall record (360 bytes), int32 folder count, the folders (the
// installation folder as its token), the overall row's name. Below version 11 the names are
// 8-bit short strings (a length byte and the bytes).
// Statistics file: the 57-byte file header (current tool, list type 19), then the list stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/documents/work_base.h"
#include "platform/rtl/ustring.h"

class TStream;

#pragma pack(push, 1)
// Count, mean and standard deviation of the lengths of some kind of unit.
struct TText_stats_rec {
  int32_t count;
  float mean;
  float sd;
};

// The 360 stored bytes of a statistics record.
struct TOne_text_stats_data {
  TText_stats_rec groups[5];   // 0
  int32_t running_words;       // 60
  int32_t stop_tokens;         // 64
  int32_t stop_types;          // 68
  int32_t value72;             // 72
  int32_t types;               // 76
  int32_t ratio_basis;         // 80
  int32_t value84;             // 84
  double julian_date;          // 88
  uint8_t found;               // 96
  uint8_t spare97[3];          // 97
  int32_t size_count;          // 100
  TText_stats_rec ratio;       // 104
  int32_t word_lengths[51];    // 116
  int32_t text_number;         // 320
  int32_t folder_index;        // 324
  float centrality[2];         // 328
  int32_t sentinel;            // 336
  uint8_t spare340[20];        // 340
};
#pragma pack(pop)
static_assert(sizeof(TText_stats_rec) == 12, "a statistics group is 12 bytes");
static_assert(sizeof(TOne_text_stats_data) == 360, "the statistics record is stored as 360 bytes");
static_assert(offsetof(TOne_text_stats_data, running_words) == 60);
static_assert(offsetof(TOne_text_stats_data, types) == 76);
static_assert(offsetof(TOne_text_stats_data, ratio_basis) == 80);
static_assert(offsetof(TOne_text_stats_data, julian_date) == 88);
static_assert(offsetof(TOne_text_stats_data, found) == 96);
static_assert(offsetof(TOne_text_stats_data, size_count) == 100);
static_assert(offsetof(TOne_text_stats_data, ratio) == 104);
static_assert(offsetof(TOne_text_stats_data, word_lengths) == 116);
static_assert(offsetof(TOne_text_stats_data, text_number) == 320);
static_assert(offsetof(TOne_text_stats_data, folder_index) == 324);
static_assert(offsetof(TOne_text_stats_data, centrality) == 328);
static_assert(offsetof(TOne_text_stats_data, sentinel) == 336);

// Size of the record in lists before version 22.
inline constexpr size_t kOldStatsRecSize = 328;
// Stored at offset 336 by every save.
inline constexpr int32_t kStatsSentinel = 0x5EA7C0DE;
inline constexpr int32_t sentinel_const = kStatsSentinel;

struct TOne_text_stats_rec {
  TOne_text_stats_data data;
  UString name;  // a row: the file name (its folder is in the list's folders); overall: its caption

  TOne_text_stats_rec() { Zero(); }
  void Zero();
};

// The older 328-byte record as the current one (the rest zero).
TOne_text_stats_rec OneTextStatsRecFromOld(const uint8_t* old328);

// Two groups as one: counts added, the mean weighted by the counts, the standard deviations
// (sample, n - 1) pooled from the two groups' sums of squared deviations and the difference of
// their means. A group with a count of 0 or less adds nothing.
TText_stats_rec MergedTextStats(const TText_stats_rec& a, const TText_stats_rec& b);

// Mean and sample standard deviation of word length from the counts by length 1 to 50. The
// mean is 0 without words; the deviation 0 for fewer than two words.
void MeanAndSDWordLength(const TOne_text_stats_rec& rec, float& mean, float& sd);

// The headings of the statistics grid's columns 0 to 27 (see NumericalData). Columns 5 and 25
// hold counts no run of this system fills: their headings are empty.
std::vector<UString> StatisticsHeadings();

class TVXStatsList;
class TSharedChosenFilesClass;

class TStatsEntry : public TVXBaseListObject {
 public:
  // A blank row (for reading).
  explicit TStatsEntry(TVXBaseDataClass* list);
  // A row for a text: the record's name is a full file name, split here into the folder (kept
  // in the list's folders) and the file name. With clear_folders the list's folders are cleared
  // first. A zero date becomes today's.
  TStatsEntry(const TOne_text_stats_rec& record, bool clear_folders, TVXStatsList* list);
  ~TStatsEntry() override;

  TOne_text_stats_rec fdata;

  void ZeroTheDataRec() override;
  float GetAValueAsSingle(int column) const override;
  UString GetAWordAsString(int column) const override;
  // The full file name: rows sort and are found by it.
  UString MainWordOnly() const override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;

  TVXStatsList* StatsList() const;
  static int live_count;  // rows alive (tests watch it for leaks)
};

// The grid kind of the file grid, where the list shows its texts with their status; any other
// kind is the statistics grid, with the overall row first.
inline constexpr grid_alternatives kGridStatistics = 0;
inline constexpr grid_alternatives kGridFiles = 9;
// A text's status in the file grid.
inline constexpr int32_t kStatsFileUnknown = 0;  // not looked at (a network file, checks off)
inline constexpr int32_t kStatsFileFound = 1;
inline constexpr int32_t kStatsFileMissing = 2;
// Sort systems: 0 by full file name (the only one there is).
using stats_sort_system = int32_t;
inline constexpr stats_sort_system kStatsSortByName = 0;

class TVXStatsList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TVXStatsList(TVXBaseHolder* holder, TEntryClass entry_class = &MakeEntry,
                        grid_alternatives grid_kind = kGridStatistics);
  ~TVXStatsList() override;

  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  stats_sort_system sort_system = kStatsSortByName;
  std::vector<UString> folderlist;  // unsorted; rows keep indices into it
  TOne_text_stats_rec Overall_stats;

  // --- overrides ---
  bool OverallCount() const override { return Count() > 1; }
  void ComputeColumnTotals() override {}
  int32_t GetAFileStatus(int index) const override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  int DoAFilenameSearchAndReplace(UStringView find, UStringView replace, bool folders_only) override;
  bool IsEmptyDataColumn(int column) override;
  // index is a data row: with an overall row (more than one text) 0 is the overall row and r
  // the text r - 1; otherwise r is the text r.
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  // A damaged stream answers false and leaves the list as it was.
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  int TotalRowCount() const override;
  int32_t FilesStillExisting() override;

  // --- rows and folders ---
  TStatsEntry* Row(int index) const;
  // The row's folder; empty when it has none (or its index is outside the folders).
  UString FolderOfRow(int index) const;
  UString FolderOf(const TOne_text_stats_rec& rec) const;
  // Folder + delimiter + name; empty when index is out of range.
  UString GetEntryFullFilename(int index) const;
  UString FullFilenameOf(const TOne_text_stats_rec& rec) const;
  // The folder's index, appending it when it is new.
  int32_t FolderIndexAdding(UStringView folder);
  // Empties the folders; rows keep no folder.
  void ClearFolders();
  // The record shown in data row index (see NumericalData); nullptr outside.
  const TOne_text_stats_rec* RecordOfDataRow(int index) const;
  int DataRowOfEntry(int entry_index) const;

  // --- statistics ---
  // Overall group-0 count := the sum of the rows' group-0 counts.
  void ComputeTotalWordStats();
  void SetOverallEntries(int32_t n) { Overall_stats.data.types = n; }
  void SetStopListInfo(int32_t types, int32_t tokens, const TStatsWordLengths& word_lengths);
  void ClearCentralityScores();
  std::array<float, 2> GetCentralityScores(int index) const;
  void SetCentralityScores(int index, const std::array<float, 2>& scores);
  // Column 3 (running words) of entry index, rounded; 0 outside.
  int32_t GetRoundedNumericalData(int index) const;
  // One value of a record for the grid (see NumericalData).
  void ValueOfRecord(const TOne_text_stats_rec& rec, int column, int index, TNumberDisplayAndSinglesRec& result) const;

  // --- sorting ---
  void SetSort(stats_sort_system value);
  void SetSortToFNameSort() { SetSort(kStatsSortByName); }

  // --- other lists, chosen texts, files ---
  // Adds the rows of other whose full names are not rows here yet, and their figures to the
  // overall row. types_value becomes the overall entry count; the ratio groups merge only when
  // both lists used the same basis (a == b).
  bool MergeWith(TVXStatsList& other, int32_t types_value, uint16_t a, uint16_t b);
  // The result-list merge, for a statistics list: as above, keeping the overall entry count and
  // merging the ratio groups when both used the same basis. Other lists are refused.
  bool MergeWith(TVXBaseLemmaMatchCapableList* other) override;
  // Adds every row's text to the chosen texts (when not there already); false without chosen
  // texts or when an addition fails.
  bool BuildVXFileDetails(TSharedChosenFilesClass* chosen) const;
  bool SaveToFile(UStringView name);
  bool ReadFromFile(UStringView name);

 private:
  bool ReadBody(TStream& s);
  bool ReadTail(TStream& s);
};
