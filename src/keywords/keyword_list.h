// Keyword rows and the keyword list: words whose frequency in a study word list is compared with
// their frequency in a reference word list, with the statistics list of the study texts and the
// keyword settings of the computation.
//
// Row record (44 stored bytes, TKeywordRecord), then by the owning list's version:
//   up to 10   12 bytes (frequency, reference frequency, keyness); word
//   11 to 22   48 bytes (the record and 4 bytes not used); prefix, suffix, word
//   23 on      44 bytes; the details string list; prefix, suffix, word
// Rows of versions 11 to 21 take their negative flag from the sign of their keyness; older rows
// are never negative. Strings are framed as word-list rows' are (never absent when written).
//
// List stream: uint8 0, the result-list stream (version at least 23), the study statistics list.
//
// Columns: 0 row number, 1 word, 2 frequency, 3 study share, 4 texts, 5 reference frequency,
// 6 reference share, 7 BIC, 8 keyness, 9 log ratio, 10 p, 11 lemmas, 12 set, 13 on extra.
// Sort kinds: 0 words, 1 first letter a capital, 2 reversed words, 3 length, 4 frequency,
// 5 reference frequency, 6 keyness, 7 absolute keyness, 8 BIC (negatives below), 9 log ratio,
// 10 prefix, 11 suffix, 12 texts, 13 set, 14 lemmas, 15 relative entropy; each level compares
// by its own kind.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/documents/document_notes.h"
#include "model/reading/text_statistics.h"
#include "model/documents/work_base.h"
#include "platform/settings/settings_records.h"

#pragma pack(push, 1)
struct TKeywordRecord {
  int32_t frequency;     // 0
  int32_t rc_frequency;  // 4
  float keyness;         // 8: below 0 for a negative keyword
  int32_t n_texts;       // 12
  float bic_score;       // 16
  float score20;         // 20: kept as stored
  float log_ratio;       // 24
  uint8_t negative;      // 28
  uint8_t spare29[3];    // 29
  int32_t rc_n_texts;    // 32
  uint8_t engine36[8];   // 36: kept as stored
};
#pragma pack(pop)
static_assert(sizeof(TKeywordRecord) == 44, "a keyword row stores 44 record bytes");

inline constexpr int32_t kKeywordListVersion = 23;

enum : int {
  kKWColWord = 1,
  kKWColFrequency = 2,
  kKWColTexts = 4,
  kKWColRefFrequency = 5,
  kKWColKeyness = 8,
  kKWColCategory = 12,
};

enum TKeywordSortKind : int32_t {
  kKWSortWords = 0,
  kKWSortFirstCapital = 1,
  kKWSortReverse = 2,
  kKWSortLength = 3,
  kKWSortFrequency = 4,
  kKWSortRefFrequency = 5,
  kKWSortKeyness = 6,
  kKWSortAbsKeyness = 7,
  kKWSortBIC = 8,
  kKWSortLogRatio = 9,
  kKWSortPrefix = 10,
  kKWSortSuffix = 11,
  kKWSortTexts = 12,
  kKWSortSet = 13,
  kKWSortLemmas = 14,
  kKWSortRelativeEntropy = 15,
};

class TKeyWordList;

// The headings of a keyword list's columns; the frequency columns name the study and reference
// lists when given ("Freq. in" and the name), else "Freq.".
std::vector<UString> KeywordListHeadings(UStringView study = {}, UStringView reference = {});

class TKeyWordEntry : public TVXBaseListObject {
 public:
  explicit TKeyWordEntry(TVXBaseDataClass* list);
  TKeyWordEntry(TVXBaseDataClass* list, const TKeywordRecord& rec, UString word, UString prefix = UString(),
                UString suffix = UString());

  void ZeroTheDataRec() override;
  float GetAValueAsSingle(int column) const override;
  UString MainWordOnly() const override { return word; }
  UString MainWordPrefix() const override { return prefix; }
  UString MainWordSuffix() const override { return suffix; }
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  UString GetAPrefixAsString(int column) const override { return column == 1 ? prefix : UString(); }
  void SetAPrefixAsString(int column, UStringView text) override;
  UString GetASuffixAsString(int column) const override { return column == 1 ? suffix : UString(); }
  void SetASuffixAsString(int column, UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  const void* MainWordAsPointer() const override { return &word; }
  int32_t MainNTexts() const override { return data.n_texts; }
  int32_t MainWordFrequency() const override { return data.frequency; }
  int32_t MainWordLength() const override { return static_cast<int32_t>((prefix + word + suffix).size()); }
  TJoinedWordDatum JoinedWordDatum() const override;

  TKeywordRecord data{};
  TMyStreamableStringlist details;
  UString word;
  UString prefix;
  UString suffix;

 private:
  bool WriteText(TStream& s, const UString& text) const;
  bool ReadText(TStream& s, UString& text) const;
};

class TKeyWordList : public TVXBaseLemmaMatchCapableList {
 public:
  explicit TKeyWordList(TVXBaseHolder* holder);
  ~TKeyWordList() override;
  static TVXBaseListObject* MakeEntry(TVXBaseDataClass& list);

  TKeyWordEntry* Row(int i) const { return static_cast<TKeyWordEntry*>(Get(i)); }
  int AddRow(const TKeywordRecord& rec, UStringView word);
  // False (rec zeroed) for a row that does not exist.
  bool KeywordData(int row, TKeywordRecord& rec) const;
  bool LimitReached() const;
  UString WordTextOfRow(int row) const;
  std::vector<UString> AllWordsAsStringList() const;
  // The smallest BIC score; 2147483648.0 for an empty list.
  double LowestBICScore() const;

  // The column's value as NumericalData gives it, and whether the row is a negative keyword.
  void NumericalDataAndNegative(int column, int index, TNumberDisplayAndSinglesRec& result, bool& negative);
  // The files compared: the settings summary names them and the two frequency columns are headed
  // "Freq. in" and each one's name without folder and extension.
  void SetSourceNames(UStringView study, UStringView reference);

  // --- overrides ---
  bool BasedOnOneTextFile() const override { return fOneTextStudy ? *fOneTextStudy : fKWStats->Count() == 1; }
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  int32_t HeaderColumnToSortNeeded(int level, int column) override;
  void Set1Sort(int level, int32_t kind) override;
  void SetSecondSortAsWordSort() override { Set1Sort(1, kKWSortWords); }
  void SetSortSettingsToDefault(bool clearing) override;
  void EnsureAlphabeticalAscendingSort() override;
  void SetBase(TVXBaseListObject& entry, int level) override;
  void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) override;
  void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) override;
  // The two share columns (3 and 6) are headed by the unit the shares are shown in.
  void CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) override;
  bool GetNextCloudDatum(TCloudDatum& datum) override;
  std::vector<UString> DetailsOfCurrentSettings() override;
  std::vector<UString> LemmaListFromThisList() override;
  int LemmaWordColumn() const override { return 11; }
  int PredefinedSetColumnNumber() const override { return 12; }

  bool has_BIC_Scores = true;
  bool has_LOGR_scores = true;
  std::unique_ptr<TVXStatsList> fKWStats;
  int32_t n_actually_obtained = 0;
  float DiceCoefficient = 0.0f;
  // The share of the study's words found in the reference list, in percent, as the computation
  // found it; negative when not known (a list read from a file keeps only its notes' line).
  double fPercentFoundInReference = -1.0;
  TKeywordsSettingsRec32 KWSettings{};
  int fWordSortStyle = 0;
  // Set by a word-list document: whether its study statistics hold one text.
  const bool* fOneTextStudy = nullptr;
  UString fStudyName;      // the study word list(s), for the settings summary
  UString fReferenceName;  // the reference word list

 private:
  static int CompareByNumber(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int CompareWords(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  double NumberKey(int level, TKeyWordEntry& e) const;
  bool HasAffixes() const;
  struct TPivot {
    double number = 0;
    std::string word, prefix, suffix;
  };
  TPivot pivot_[3];
};
