// Small records and lists a concordance line and its document keep beside the line text.
//
// Every record that goes to a stream is written as its memory image, so each is laid out
// byte-exact here and its size and offsets are asserted. The formats are described in
// docs/formats.md ("Concordance line records").
//
// Reading contract: every reader takes its counts from the stream, refuses a count below 0 or one
// that would need more bytes than are left (so a damaged stream never makes the reader allocate
// beyond its size), answers false at the first failed piece and keeps what was read before it.
//
//   sort-info records    6 bytes each; the caller writes their count.
//   tag positions        written by TTagPositionsList::SaveToStream with their count: minus the
//                        number of positions, then (only when that is not 0) the 64-byte extra
//                        record and 16 bytes a position. An older positive count has no extra
//                        record before its positions.
//   unused texts         TUnusedFileList::SaveToStream / ReadFromStream (first word, version,
//                        then per text 56 bytes and a zero-terminated UTF-16 name).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/rtl/ustring.h"

class TStream;

// --- span positions --------------------------------------------------------------------------
// The words around a hit are numbered 0 to 101: 50 is the search word, 49 the first word to its
// left, 51 the first to its right. A line keeps 45 to 55 in its fixed sort positions.
inline constexpr int kSpanSearchWord = 50;
inline constexpr int kSpanFixedFirst = 45;
inline constexpr int kSpanFixedLast = 55;
inline constexpr int kSpanFixedCount = 11;
inline constexpr int kSpanPositions = 102;
// Widest line a run makes (positions in a line are 16-bit).
inline constexpr int32_t kMaxLineWidth = 32000;

inline int PatternColToSpan(int n) { return kSpanFixedFirst + n; }
inline int PatternColToSpanRightToLeft(int n) { return kSpanFixedLast - n; }
// left_limit is the left horizon in words: column left_limit is the search word.
inline int CollocateColToSpan(int column, int left_limit) { return kSpanSearchWord + column - left_limit; }

// --- character flags of a line's window ------------------------------------------------------
// Markers (0x8800 + kind, 0x8800 for their further characters) also have bit 0x0800 set, so
// they are tested first; then 0x0801 + i is kept tag i and 0x0400 a tag character kept inside
// the protected window.
inline bool IsLineMarkerFlag(uint16_t flag) { return (flag & 0x8800) == 0x8800; }
inline bool IsTagFlag(uint16_t flag) {
  if (IsLineMarkerFlag(flag)) return false;
  return (flag & 0x8800) == 0x0800 || (flag & 0x0400) != 0;
}
// The 1-based tag number a tag character's flag carries; 0 for markers and other characters.
inline int32_t TagNumberOfFlag(uint16_t flag) {
  if (!IsTagFlag(flag) || (flag & 0x8800) != 0x0800) return 0;
  return flag & 0x03FF;
}

#pragma pack(push, 1)

// Where a word around a hit lies in a line.
struct TSortInfoRec {
  int16_t start_position;     // 0: relative to the line's midpoint
  int16_t coll_length;        // 2: characters; 0 = no word
  uint8_t barrier;            // 4: strength of the boundary after the word (0 none, 1 punctuation, 2-5 markers)
  uint8_t Tag_number_1Based;  // 5
};

// Foreground and background colour (0x00BBGGRR).
struct TForeBackColoursArray {
  int32_t fore;
  int32_t back;
};

// One tag in a line.
struct TTagPositionRec {
  int16_t used_length;          // 0: characters; 0 when hidden
  int16_t tag_position;         // 2: where the tag starts in the line
  TForeBackColoursArray tag_colours;  // 4
  int16_t tagnumber_1Based;     // 12: the document's tag table, from 1; 0 none
  uint16_t tag_kind;            // 14: the tag's first flag word; 0 in documents that did not record it
};

struct TTagPositionsExtraRec {
  int32_t version;                       // 0: 0 = no extra record read (older documents)
  int32_t centre_sw_position;            // 4: where the search word starts in the line
  uint8_t search_word_started_with_Tag;  // 8
  uint8_t padding9;                      // 9
  uint16_t tag_sort_numbers_1Based[kSpanFixedCount];  // 10: per fixed position, the tag ending where its word begins
  uint8_t spare1[28];                    // 32
  uint8_t spare2[4];                     // 60
};

// The line record of documents before the current layout.
struct TOldLinzoraEntryRec {
  int32_t hit_characters;          // 0
  int32_t byte_position;           // 4
  int32_t word_num;                // 8
  uint8_t unused12[4];             // 12
  int32_t filename_num_original;   // 16
  int32_t sw_number;               // 20
  uint8_t percent_of_file;         // 24
  uint8_t has_percent;             // 25
  uint8_t ExtraLinzoraEntryDatNum; // 26
  uint8_t tag_context_sort_Ptrpos; // 27
  int16_t midpoint;                // 28
  uint8_t unused30[6];             // 30
  TSortInfoRec fixed_sort_positions[kSpanFixedCount];  // 36
  uint8_t unused102[2];            // 102
};

// What an unused text's record streams.
struct TUnusedFileRecOLd {
  double Juliandate;   // 0
  int32_t wordcount;   // 8
  uint8_t spare[44];   // 12
};

#pragma pack(pop)

static_assert(sizeof(TSortInfoRec) == 6);
static_assert(offsetof(TSortInfoRec, barrier) == 4 && offsetof(TSortInfoRec, Tag_number_1Based) == 5);
static_assert(sizeof(TForeBackColoursArray) == 8);
static_assert(sizeof(TTagPositionRec) == 16);
static_assert(offsetof(TTagPositionRec, tag_position) == 2 && offsetof(TTagPositionRec, tag_colours) == 4 &&
              offsetof(TTagPositionRec, tagnumber_1Based) == 12 && offsetof(TTagPositionRec, tag_kind) == 14);
static_assert(sizeof(TTagPositionsExtraRec) == 64);
static_assert(offsetof(TTagPositionsExtraRec, centre_sw_position) == 4 &&
              offsetof(TTagPositionsExtraRec, search_word_started_with_Tag) == 8 &&
              offsetof(TTagPositionsExtraRec, tag_sort_numbers_1Based) == 10 &&
              offsetof(TTagPositionsExtraRec, spare1) == 32 && offsetof(TTagPositionsExtraRec, spare2) == 60);
static_assert(sizeof(TOldLinzoraEntryRec) == 104);
static_assert(offsetof(TOldLinzoraEntryRec, filename_num_original) == 16 &&
              offsetof(TOldLinzoraEntryRec, percent_of_file) == 24 && offsetof(TOldLinzoraEntryRec, midpoint) == 28 &&
              offsetof(TOldLinzoraEntryRec, fixed_sort_positions) == 36);
static_assert(sizeof(TUnusedFileRecOLd) == 56);
static_assert(offsetof(TUnusedFileRecOLd, wordcount) == 8 && offsetof(TUnusedFileRecOLd, spare) == 12);

// --- sort-info records -----------------------------------------------------------------------

class TSortInfoRecList {
 public:
  void Clear() { recs_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(recs_.size()); }
  // Zeroed outside the list.
  TSortInfoRec Record(int32_t i) const;
  void Add(const TSortInfoRec& r) { recs_.push_back(r); }
  std::span<const TSortInfoRec> Records() const { return recs_; }
  std::span<TSortInfoRec> Records() { return recs_; }

  // Appends count records of 6 bytes (the layout is the same in every version). False for a
  // negative count, one beyond the bytes left, or a short read.
  bool ReadFromStream(int32_t count, int32_t version, TStream& s);
  // The records only; the caller writes the count.
  bool SaveToStream(TStream& s) const;

 private:
  std::vector<TSortInfoRec> recs_;
};

// Skips old sort-info blocks: kind 1 is 40 bytes, kind 2 60, any other nothing. False when the
// stream has fewer bytes left.
bool SkipOldRecords(int kind, TStream& s);

// --- tag positions ---------------------------------------------------------------------------

class TTagPositionsList {
 public:
  TTagPositionsList() { Clear(); }
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(recs_.size()); }
  bool Empty() const { return recs_.empty(); }
  // Outside the list: zeroed, tag number -1.
  TTagPositionRec Record(int32_t i) const;
  std::span<const TTagPositionRec> Records() const { return recs_; }
  int32_t TagNumber(int32_t i) const;
  void Add(const TTagPositionRec& r) { recs_.push_back(r); }
  // Room for n positions in all (a line's tags are counted before they are added).
  void Reserve(size_t n) { recs_.reserve(n); }
  void SetToZeroLength(int32_t i);
  // colours[t - 1] are the colours of tag t; positions whose tag lies beyond keep theirs.
  void ChangeColoursTo(std::span<const TForeBackColoursArray> colours);
  // Where the line's search word starts: read positions there say the word starts with a tag.
  void SetCentre(int32_t centre) { extra_.centre_sw_position = centre; }

  TTagPositionsExtraRec& Extra() { return extra_; }
  const TTagPositionsExtraRec& Extra() const { return extra_; }
  // True once words were linked to tags (an extra record was read, or LinkWordsToTags ran).
  bool WordsLinked() const { return extra_.version != 0; }
  void SetWordsLinked() { if (extra_.version < 2) extra_.version = 2; }

  // Minus the count; then, only when there are positions, the extra record and the positions.
  bool SaveToStream(TStream& s);
  // Reads the count and what follows it. Positions are clipped to a line of line_length
  // characters; a count whose bytes are not there fails. Replaces what the list held.
  bool ReadFromStream(TStream& s, int32_t line_length);

 private:
  std::vector<TTagPositionRec> recs_;
  TTagPositionsExtraRec extra_;
};

// The cell drawing's colour slot for a tag-kind byte: 1 gives 5, 2 gives 6, any other 4.
inline int TagKindColourSlot(uint8_t b) { return b == 1 ? 5 : b == 2 ? 6 : 4; }

// --- old records -----------------------------------------------------------------------------

// Reads the 104-byte line record of older documents; false on a short read.
bool ReadOldLineRecord(TStream& s, TOldLinzoraEntryRec& rec);

// A collocate row of lists before version 11.
struct TOldCollocateRow {
  float old_value = 0;
  int32_t highest_position_count = 0;
  int32_t total = 0;
  int32_t total_left = 0;
  int32_t total_right = 0;
  std::optional<UString> word_wide;
  std::optional<std::string> word_narrow;
  std::vector<int32_t> freqs;
  std::vector<int32_t> lemma_freqs;
  int32_t sw_number = 0;
  int32_t n_texts = 0;
};
// level: 0 nothing after the frequencies, 1 the search-word number too, 2 also the text count.
// False when any piece is missing or damaged (a negative count, or one beyond the bytes left).
bool ReadOldCollocateRow(TStream& s, bool unicode, int level, TOldCollocateRow& row);

// --- unused texts ----------------------------------------------------------------------------

struct TUnusedFileRec {
  TUnusedFileRecOLd old{};
  UString filename;
};

class TUnusedFileList {
 public:
  TUnusedFileList() { Clear(); }
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(recs_.size()); }
  int32_t Version() const { return version_; }
  void Add(const TUnusedFileRec& r) { recs_.push_back(r); }
  // A zeroed record beyond the list.
  TUnusedFileRec Record(int32_t i) const;
  // Ignoring case; -1 when none.
  int32_t IndexOfAFilename(UStringView name) const;
  // By name, case ignored first, then case, then code units: a total, stable order.
  void SortAlphabetically();

  // Stops at the first failed write.
  bool SaveToStream(TStream& s);
  // Stops at the first failed or damaged record and answers false, keeping the records before it.
  bool ReadFromStream(TStream& s);

 private:
  std::vector<TUnusedFileRec> recs_;
  int32_t version_ = 1;
};

// --- other-file details and merge records ----------------------------------------------------

struct TOtherFilename_Details_Rec {
  UString aline;
  UString source_file;
};

class TOtherFileDetailsList {
 public:
  int32_t Count() const { return static_cast<int32_t>(slots_.size()); }
  int32_t AddOne(const TOtherFilename_Details_Rec& r);
  // Frees slot i and leaves it empty.
  void FreeAndNilOne(int32_t i);
  // False, out untouched, outside the list or for a freed slot.
  bool GetOne(int32_t i, TOtherFilename_Details_Rec& out) const;

 private:
  std::vector<std::unique_ptr<TOtherFilename_Details_Rec>> slots_;
};

struct TConcEntryMergeRec {
  int32_t merge_num = 0;
  UString full_filename;
  UString search_word;
};

class TConcEntryMergeRecList {
 public:
  void Clear() { recs_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(recs_.size()); }
  // Records are added in ascending merge numbers (a merge numbers the other list's lines in
  // order), so IndexOfN finds one by halving.
  void Add(const TConcEntryMergeRec& r) { recs_.push_back(r); }
  const TConcEntryMergeRec& operator[](int32_t i) const { return recs_[static_cast<size_t>(i)]; }
  int32_t IndexOfN(int32_t n) const;

 private:
  std::vector<TConcEntryMergeRec> recs_;
};
