// The base of every result list of the suite: the runtime list plus what every tool needs on top
// of it — applying the shared lemma, match and stop lists, finding entries whose words match
// search items, removing duplicates, merging, the list's stream body, progress reporting and
// the description of the current settings.
//
// Stream body (after the parent's part):
//   104 bytes   the stored list settings (version at 12, raised to at least 1; saved flag at 17)
//   uint8       the document's Unicode flag
//   uint8       0
//   entries     each: its own record; uint8 1 + the private record when it has one, else 0;
//               uint8 1 + int32 n + n joined entries when it has joined entries, else 0.
//   Entries marked not for saving are skipped, and so are entries joined under a head that is
//   written (they travel under their head); the announced entry count is then corrected in
//   place.
//
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/lists/result_list_base.h"
#include "platform/rtl/datetime.h"
#include "platform/runtime/vx_longint_list.h"
#include "platform/search/search_records.h"
#include "platform/settings/settings_records.h"
#include "shell/services/progress.h"

class TBaseSearchItems;

// Word-length counts, index = length (1 to 50 used), 204 bytes.
using TStatsWordLengths = std::array<int32_t, 51>;
static_assert(sizeof(TStatsWordLengths) == 204, "word-length counts are 51 Int32");

// Strings, each with a list of integers, in the order they were first added.
class TStringlistWithIntegerList {
 public:
  TStringlistWithIntegerList();
  ~TStringlistWithIntegerList();
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  int IndexOf(UStringView text) const;
  // Adds value to text's integers (making the entry when text is new); answers text's index.
  int AddValue(UStringView text, int32_t value);
  const UString& Text(int i) const { return items_[i].first; }
  const std::vector<int32_t>& Values(int i) const { return items_[i].second; }

 private:
  struct Index;
  std::vector<std::pair<UString, std::vector<int32_t>>> items_;
  std::unique_ptr<Index> index_;
};

// Answers, for one entry's text followed by a space, whether a search item is found in it.
class TListMatchProbe {
 public:
  virtual ~TListMatchProbe() = default;
  virtual bool Found(UStringView buffer) = 0;
};

// The search engine's options for a text language: how words are recognised when typed match
// words and search items are compared with list entries.
TSearchTextOptions SearchTextOptionsFromTextSettings(const TTextsett_rec32& settings);

struct TDuplicatesResult {
  int32_t first_index = -1;  // the first entry found to have duplicates
  int32_t deleted = 0;       // entries newly marked deleted
};
using TDuplicatesProgress = std::function<void(int32_t percent, bool show)>;

// Lists of at least this many entries move the progress display to the controller while read.
int32_t LoadingCaptionThreshold(TTessorineList list_type);

class TVXBaseLemmaMatchCapableList : public TVXBaseDataClass {
 public:
  TVXBaseLemmaMatchCapableList(TVXBaseHolder* holder, TEntryClass entry_class, grid_alternatives grid_kind,
                               TTessorineList list_type, int32_t number);
  ~TVXBaseLemmaMatchCapableList() override;

  // Overridden operations of the runtime list.
  bool DoProgressPercent(int32_t percent) override;
  void DoProgressMessage(UStringView text) override;
  bool DoASort(int levels, int first, int last) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;

  // Operations added here, in their order.
  virtual void RemoveStopWord(UStringView word, int32_t total, int32_t index, bool case_sensitive, bool whole_word,
                              bool unicode);
  // Joins the forms of the lemma list under their heads; answers the number of joins made.
  virtual int32_t CheckLemmas(bool adjusting_frequencies_and_zapping = false);
  virtual std::vector<UString> DetailsOfCurrentSettings();
  virtual int32_t FilesStillExisting() { return 0; }
  virtual std::vector<UString> LemmaListFromThisList() { return {}; }
  virtual T1LongintList ItemsWhichMatch(const TBaseSearchItems& items, uint32_t engine_setting, int column,
                                        bool include_deleted);
  virtual T1LongintList ItemsWhichMatchBreakdown(const TBaseSearchItems& items, uint32_t engine_setting,
                                                 int search_column, int key_column, UStringView key);
  virtual int32_t ModifySourceTexts(int mode, UStringView text, UStringView initials, bool dated) { return -1; }
  // Moves every entry of other into this list once the pre-merge checks pass; otherwise both
  // lists stay as they were and the answer is false.
  virtual bool MergeWith(TVXBaseLemmaMatchCapableList* other);
  // Joins rows whose words hold one another as whole words (a row's words, followed by a blank,
  // found at the start of another's or after a blank there): with small_to_large the shorter
  // row goes under the longer, otherwise the longer under the shorter. Rows are taken in order,
  // each with every later row, and a join the list refuses (a row already joined, a head made a
  // form) is passed over; joins are not undoable. Stops when the stop state is set. Answers the
  // joins made (list_cluster_joins.cpp).
  virtual int32_t JoinClusters(bool small_to_large);

  // Applies the tool's match list as its match-list settings say; answers the number of entries
  // matched.
  int32_t CheckMatches(int tag);
  // Removes the tool's stop words (undoably); answers the number of entries removed.
  int32_t CheckStops();
  virtual void RemoveDuplicates(TDuplicatesResult& result, const TDuplicatesProgress& progress = nullptr);
  // The matching loops behind ItemsWhichMatch and ItemsWhichMatchBreakdown.
  T1LongintList ItemsWhichMatchProbe(TListMatchProbe& probe, int column, bool include_deleted);
  T1LongintList ItemsWhichMatchBreakdownProbe(TListMatchProbe& probe, int search_column, int key_column,
                                              UStringView key);

  // The main window's centre, for moving the progress display while a big list is read.
  TPoint (*main_form_centre)() = nullptr;

  T1LongintList items_matched;
  TMatchListSettingsRec fmatch_settings{};  // byte 1: the action of the current run
  int32_t fmatch_words_found = 0;
  TStringlistWithIntegerList TempLemmaAddList;
  bool typed_search = false;
  TDateTime base_compare_textDate = 0.0;
  std::vector<int32_t> excel_column_formats;
  int32_t excel_standard_2DecPLaces_format = 0;
  int32_t excel_header_format = 0;
  int32_t excel_header_int_format = 0;
  UString excel_header_format_str;
  int32_t ExcelHeaderRows = 0;
  int32_t grid_number = 0;
  int32_t parse_compute_sort_column = 0;
  int32_t current_entry_loading = -1;
  int32_t current_entry_saving = -1;
  int32_t stoplist_types = 0;
  int32_t stoplist_tokens = 0;
  TStatsWordLengths stoplist_wordlengths{};

 private:
  static void LemmaPairThunk(void* self, UStringView a, UStringView b, bool case_sensitive, int32_t total,
                             int32_t index, bool whole_word, bool unicode);
  static void MatchWordThunk(void* self, UStringView word, bool case_sensitive, int32_t total, int32_t index,
                             bool whole_word, bool unicode);
  static void StopWordThunk(void* self, UStringView word, bool case_sensitive, int32_t total, int32_t index,
                            bool whole_word, bool unicode);
  void LemmaPair(UStringView a, UStringView b, bool case_sensitive, int32_t total, int32_t index, bool whole_word);
  void MatchWord(UStringView word, bool case_sensitive, int32_t total, int32_t index, bool whole_word);
  void TreatMatch(int index);
  bool SaveBody(TStream& s);

  int32_t joined_count_ = 0;
  std::vector<uint8_t> matched_this_run_;  // per index, during a match run
  T1LongintList changed_this_run_;
};

// True when a word of phrase (cut at spaces) is in the current tool's stop list.
bool PhraseHasAWordInList(UStringView phrase);
// The number of entries of a zip archive; 0 when the file is missing or not an archive.
int32_t ZipEntryCount(UStringView file_name);
