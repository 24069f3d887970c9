// The clusters of a concordance: word sequences that recur around the search word, each with
// how often it occurs, how many words it has and the clusters that contain it or that it
// contains ("related": each as "text (frequency)", separated by ",").
//
// Contract
//   Rows are TConcordanceClusterEntry; ComputeClusters (compute_clusters.h) fills the list, a
//   document read refills it (a list below version 11 then recounts its lengths,
//   SetClusterLengths).
//   Columns: 0 N, 1 cluster, 2 frequency, 3 Set, 4 length, 5 related, 6 on set columns.
//   Sort keys: 0 cluster text (the language's order), 1 category, 2 frequency, 3 length,
//   4 related text.
//
// Stream (per row, after the list version):
//   written: int32 frequency; the cluster text in the pointer framing of the holder's width;
//     int32 length; the related text (runtime string).
//   read: frequency and text; from version 11 the length and the related text. The list writes
//     version 11 or above.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "concordance/document/concordance_document.h"
#include "platform/rtl/ustring.h"

inline constexpr int32_t kClusterListVersion = 11;

struct TClusterEntryRec {
  int32_t frequency = 0;
  int32_t cluster_length = 0;
  std::optional<UString> line;
  UString related_line;
};

struct TClusterEntryBlock;

class TConcordanceClusterEntry : public TVXBaseListObject {
 public:
  TConcordanceClusterEntry(TVXBaseDataClass* list, TVXBaseHolder* holder) noexcept
      : TVXBaseListObject(list, holder) {}
  TClusterEntryRec rec;

  // An entry is made alone or in a block of a TClusterEntryStore. Either way a word before it names
  // its block (none: alone), so that whoever deletes it (a purge, an undo record, a list's end, a
  // caller it was detached to) gives it back where it came from; a block goes when its last entry
  // does. The destructor is virtual, so a delete through the base class comes here too.
  static void* operator new(size_t size);
  static void* operator new(size_t size, TClusterEntryBlock* block, size_t slot) noexcept;
  static void operator delete(void* p) noexcept;

  UString MainWordOnly() const override { return rec.line.value_or(UString()); }
  int32_t MainWordFrequency() const override { return rec.frequency; }
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
};

// Room for the entries of one count in one allocation instead of one each. The store holds its
// block until it ends; each entry made in it holds it until deleted.
class TClusterEntryStore {
 public:
  explicit TClusterEntryStore(size_t slots);
  ~TClusterEntryStore();
  TClusterEntryStore(const TClusterEntryStore&) = delete;
  TClusterEntryStore& operator=(const TClusterEntryStore&) = delete;

  // Makes the entries of the slots [from, to) of list into out[0 .. to - from); each slot is made
  // once. Workers may make disjoint ranges at the same time.
  void MakeEntries(size_t from, size_t to, TVXBaseDataClass& list, TConcordanceClusterEntry** out);
  size_t Slots() const { return slots_; }

 private:
  TClusterEntryBlock* block_ = nullptr;
  size_t slots_ = 0;
};

// Words of a cluster text: 1 + the blanks between words once the ends are trimmed; 0 for none.
int32_t ClusterWordCount(UStringView text);

class TConcordanceClusterList : public TConcordanceDerivedList {
 public:
  explicit TConcordanceClusterList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner = nullptr);
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  TConcordanceClusterEntry* Row(int i) const;
  bool ClusterData(int i, TClusterEntryRec& out) const;
  // Every row's length from its text (lists from before lengths were stored).
  void SetClusterLengths();
  // Counts the owner's lines (derived_views.cpp); keep_settings keeps the document's cluster
  // sizes, otherwise they are taken from the settings store. False without an owner.
  bool Compute(bool keep_settings) override;
  // Set when rows were computed (the list's change state holds 8).
  uint16_t change_state = 0;

  // --- the base list's operations ---
  bool GetNextCloudDatum(TCloudDatum& datum) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  // The cluster, Set and Related columns are texts: a row shows its cluster, its category (none
  // set: blank) and its related clusters (none: blank), never the value 1 they stand for in sorts.
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  int PredefinedSetColumnNumber() const override { return 3; }
  // The cluster's text may be written (SetAWordAsString takes column 1 only).
  bool CanEdit(int column) const override { return column == 1; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  void Set1Sort(int level, int32_t key) override;
  void SetSortSettingsToDefault(bool clearing) override;
  void AfterRead() override;

 private:
  static int Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
};
