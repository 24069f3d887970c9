// The collocates of a concordance: per word found near a search word, its count at each span
// position, totals left and right (the search word's own position in neither), the texts it
// occurs in and up to eleven association values against a reference word list.
//
// Contract
//   Rows are TCollocateEntry; a row's frequencies are indexed from the list's left span
//   position, so entry i counts position left + i. The list is filled by ComputeCollocates
//   (compute_collocates.h) and by a document read.
//
// Stream (per row, after the list version):
//   written: float old value, int32 highest, total, left, right, texts, search-word number
//     (28 bytes); the 20-byte lemma block; the 200-byte block (byte 0 lemmatised, bytes 8..51
//     the eleven values as floats); word, prefix, suffix (pointer framing, the holder's width);
//     the search word (runtime string); int32 n + n frequencies; int32 n + n lemma frequencies.
//   read: below 11 the old row layout; from 11 the 28 bytes; from 13 the two blocks; the three
//     texts; from 12 the search word (before 12: the search item by number, empty when the
//     number names none); the frequencies; from 13 the lemma frequencies. Every count is checked
//     against the bytes left.
//   The list writes version 24 or above; reading a list below 24 completes the association
//   headings; an old single value goes to the settings' measure slot (a measure outside 0-10
//   is dropped).
//
// Sort keys: 0 word, 1 capitalised first, 2 search word, 3-13 statistic 0-10 (NaN lowest),
//   14 Set category, 15 texts, 16 total, 17 left, 18 right, 19 frequency at the chosen
//   position, 20 and 21 word then frequency.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "concordance/document/concordance_document.h"
#include "concordance/lines/line_sections.h"
#include "platform/rtl/ustring.h"

inline constexpr int32_t kCollocateListVersion = 24;
inline constexpr int kCollocateStatCount = 11;
inline constexpr int kCollocateSortTotal = 16;
inline constexpr int kCollocateSortPosition = 19;

#pragma pack(push, 1)
struct TCollocateEntryHead {
  float old_value;
  int32_t highest;
  int32_t total;
  int32_t total_left;
  int32_t total_right;
  int32_t texts;
  int32_t sw_number;
};
struct TCollocateLemmaBlock {
  int32_t total;
  int32_t left;
  int32_t right;
  int32_t texts;
  int32_t highest;
};
#pragma pack(pop)
static_assert(sizeof(TCollocateEntryHead) == 28 && sizeof(TCollocateLemmaBlock) == 20);

struct TCollocateEntryRec32 {
  TCollocateEntryHead head{};
  std::vector<int32_t> freqs;
  std::optional<UString> word, prefix, suffix;
  UString search_word;
  TCollocateLemmaBlock lemma{};
  std::vector<int32_t> lemma_freqs;
  std::array<uint8_t, 200> block{};  // byte 0 lemmatised; 8..51 the eleven values

  float Statistic(int k) const;
  void SetStatistic(int k, float v);
};

class TCollocateList;

class TCollocateEntry : public TVXBaseListObject {
 public:
  TCollocateEntry(TVXBaseDataClass* list, TVXBaseHolder* holder) : TVXBaseListObject(list, holder) {}
  TCollocateEntryRec32 rec;

  void ClearLemmaData();
  UString MainWordOnly() const override { return rec.word.value_or(UString()); }
  UString MainWordPrefix() const override { return rec.prefix.value_or(UString()); }
  UString MainWordSuffix() const override { return rec.suffix.value_or(UString()); }
  int32_t MainWordFrequency() const override { return rec.head.total; }
  int32_t MainNTexts() const override { return rec.head.texts; }
  // Column 2 the search word; the Set column the row's category, which it also takes.
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
};

// What the collocate list asks of its concordance document.
struct TCollocateListDocument {
  virtual ~TCollocateListDocument() = default;
  virtual int32_t SourceTextCount() const { return 0; }
  virtual int32_t ConcordanceLineCount() const { return 0; }
  // The search word of search item n (0-based); empty when there is none.
  virtual UString SearchItemWord(int32_t n) const { return UString(); }
  // The association measure the settings name (for old single values).
  virtual int32_t ChosenAssociationMeasure() const { return 1; }
  // Level of old rows (below version 11): 0, 1 with the search-word number, 2 with the texts.
  virtual int OldRowLevel() const { return 2; }
  // A position column where the collocate was never met shows 0 (otherwise it stays empty).
  virtual bool ShowsZeroPositionCounts() const { return false; }
};

struct TCollocateSettings {
  TLineSpanPair setting_of_spans = {45, 55};
  int32_t Current_CollocFreqnum = 0;
  bool current_has_set_column = false;
  bool current_most_frequent = false;
  bool saved_relationships_computed = false;
  bool saved_relations_computed_before21_04_16 = false;
  bool spare_setting_of_showing_percentage = false;
};

class TCollocateList : public TConcordanceDerivedList {
 public:
  TCollocateList(TVXBaseHolder* holder, TCollocateListDocument* document = nullptr,
                 T_WholeLinzoraHolder* owner = nullptr);
  // Counts the owner's lines (derived_views.cpp); false without an owner.
  bool Compute(bool flag) override;
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  TCollocateSettings fsettings;
  TCollocateListDocument* Document() const { return document_; }
  TCollocateEntry* Row(int i) const;
  // The span pair from horizons in words.
  void ComputeLeftAndRightSpan(int32_t left_words, int32_t right_words);
  int32_t SpanLength() const { return fsettings.setting_of_spans.right - fsettings.setting_of_spans.left + 1; }
  // For a position column, the span position; 102 for any other column.
  int ColToSpan(int column) const;
  bool CollocateData(int i, TCollocateEntryRec32& out) const;
  // Lemma blocks of rows with joined rows: own values plus the joined ones.
  void DoPostJoinOrUnjoiningOperation() override;
  // Joins form rows under head rows of the same search word (every row when the search word is
  // ignored); answers the number of joins. pairs: (head, form) words, case ignored. A row's
  // search word is its search-word number with the search word as shown.
  int32_t JoinLemmaPairs(const std::vector<std::pair<UString, UString>>& pairs, bool search_word_ignored);
  // The tool's loaded lemma list, joined within each search word.
  int32_t CheckLemmas(bool adjusting_frequencies_and_zapping = false) override;
  // The lemma file of the joins: one line a head, "HEAD -> form,form", in the list's order.
  std::vector<UString> LemmaListFromThisList() override;
  // A stop word takes out the rows of every search word that hold it.
  void RemoveStopWord(UStringView word, int32_t total, int32_t index, bool case_sensitive, bool whole_word,
                      bool unicode) override;

  // --- the base list's operations ---
  bool CloudDataNeedsSorting() const override;
  bool GetNextCloudDatum(TCloudDatum& datum) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  // With lemma values (the list's own calls leave it clear).
  void NumericalDataOf(int column, int index, bool lemma, TNumberDisplayAndSinglesRec& result);
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  // Texts (15), total, left, right (16-18) and the position columns: counts under the default
  // number display, shares of their whole (texts of all texts, total of all lines, left, right
  // and each position of the row's total) under percent, per thousand and per million, with the
  // unit in the heading ("Total %").
  void TopRowDataRec(int col, TGrid_data_rec& cell) override;
  bool ColumnShowsCounts(int column) const;
  int PredefinedSetColumnNumber() const override { return 14; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  void Set1Sort(int level, int32_t key) override;
  void SetSecondSortAsWordSort() override { Set1Sort(1, 0); }
  void SetSortSettingsToDefault(bool clearing) override;
  // The column whose numbers the word cloud reads (0: the total).
  int cloud_data_column = 0;
  // Shown when a statistic column is asked for before association values exist.
  UString last_message;

 private:
  static int Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  TCollocateListDocument* document_;
  TCollocateListDocument default_document_;
};
