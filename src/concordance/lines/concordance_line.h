// One concordance line: the text window around one hit, where it came from, the words around the
// search word, the tags met in the window and the section it lies in.
//
// In memory a line is compact (152 bytes). It keeps the hit's numbers and its eleven fixed word
// positions (a word's length in a byte), and its unit statistics in two records that the kinds
// agreeing with each other share (a plain text's paragraph, heading and section are the whole
// text); the source file's size and date live in the owner's source-file list. The section text
// and tag positions are made only when a line has them (an on-need block), and the further word
// lists, the highlight, the 240-byte extra block and numbers too wide for the line's own fields
// only within that block when the line has them too. The stream record is the full 224-byte
// base (TLinzoraEntryRecBase) and 240-byte extra block; what the line does not hold is written
// as zeros.
//
// The line's text is reached only through Text()/SetText(). A line its list has taken keeps its
// text in the list's arena (large blocks, no per-line allocation), where a line a run made may
// point into the bytes it shares with its neighbours; a line in no list owns its text. A text set
// again (an edit, a new width) or a line moved to another list gets a copy of its own. Either
// way the text is one block (see line_text.h): a byte a character where the whole line allows
// it, else UTF-16 units, whatever form the document stores texts in; the owner's Unicode flag
// says which form a stream holds.
//
// Stream (one line; v is the owner's stream version):
//   base        224 bytes (from v 24; below it the 104-byte old record in old-records mode, else
//               224 bytes taken as the base when their sentinel is 500)
//   extra       240 bytes (from v 25)
//   texts       the line, then its section text (length-prefixed, -1 = none; UTF-16 or 8-bit)
//   lists       int32 count + 6-byte context-word records (old-records mode: two old blocks)
//               tag positions (minus the count, then the extra record and the positions)
//               int32 count + left words, int32 count + right words
// A read refuses counts below 0 or beyond the bytes left, clips positions into the line and
// answers false at the first failed piece with a log line naming the byte offset.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <vector>

#include "concordance/lines/line_records.h"
#include "concordance/lines/line_text.h"
#include "concordance/lines/line_text_arena.h"
#include "model/lists/result_list_base.h"
#include "platform/rtl/ustring.h"
#include "platform/search/search_records.h"

class TConcordanceEntry;
struct TLineAside;

// The longest line text a stream may hold: beyond it a position cannot reach.
inline constexpr int32_t kMaxStoredLineChars = 32767;
inline constexpr int32_t kLineSentinel = 500;
inline constexpr int64_t kUnknownFileSize = 0x7FFFFFFF;

#pragma pack(push, 1)
struct TLinzoraEntryRecBase {
  int32_t sentinel;                       // 0: 500
  uint32_t byte_position;                 // 4: low half; the high half is at 140
  int32_t hit_characters;                 // 8
  int32_t word_num;                       // 12
  int32_t filename_num_original;          // 16: 1-based
  int32_t sw_number;                      // 20: 0-based search item
  int32_t concordance_line_mean_word_rank;  // 24
  uint8_t spare_percent_of_file;          // 28
  uint8_t has_percent;                    // 29
  uint8_t ExtraLinzoraEntryDatNum;        // 30: 2
  uint8_t tag_context_sort_Ptrpos;        // 31
  int16_t midpoint;                       // 32
  TSortInfoRec fixed_sort_positions[kSpanFixedCount];  // 34
  int32_t tag_context_distance_from_SW;   // 100
  int16_t sw_starts;                      // 104
  int16_t sw_finishes;                    // 106
  uint8_t spare_ColouringTag_at_centre_word;  // 108
  uint8_t spare_showing_empty_tag_by_SW;  // 109
  uint8_t sw_contains_a_tag;              // 110
  uint8_t spareB;                         // 111
  int32_t merge_num;                      // 112
  int32_t conc_line_chars;                // 116
  uint32_t pExtraBase;                    // 120: no meaning when stored
  float percent_of_file;                  // 124
  int64_t byte_size_of_file;              // 128
  int32_t tag_number_1_based;             // 136
  uint32_t byte_position_high;            // 140
  uint8_t spare[8];                       // 144
  double textfile_date;                   // 152
  TSearchStatsRec extras;                 // 160
  uint8_t padding[4];                     // 220
};

struct TLinzoraEntryRecExtraBase {
  int32_t sentinel;                                 // 0
  uint16_t tag_sort_numbers_1Based[kSpanPositions];  // 4: per span position
  uint8_t spare[24];                                // 208
  uint8_t spareBools[8];                            // 232
};
#pragma pack(pop)

static_assert(sizeof(TLinzoraEntryRecBase) == 224);
static_assert(offsetof(TLinzoraEntryRecBase, byte_position) == 4);
static_assert(offsetof(TLinzoraEntryRecBase, sw_number) == 20);
static_assert(offsetof(TLinzoraEntryRecBase, spare_percent_of_file) == 28);
static_assert(offsetof(TLinzoraEntryRecBase, midpoint) == 32);
static_assert(offsetof(TLinzoraEntryRecBase, fixed_sort_positions) == 34);
static_assert(offsetof(TLinzoraEntryRecBase, tag_context_distance_from_SW) == 100);
static_assert(offsetof(TLinzoraEntryRecBase, sw_starts) == 104);
static_assert(offsetof(TLinzoraEntryRecBase, sw_contains_a_tag) == 110);
static_assert(offsetof(TLinzoraEntryRecBase, merge_num) == 112);
static_assert(offsetof(TLinzoraEntryRecBase, conc_line_chars) == 116);
static_assert(offsetof(TLinzoraEntryRecBase, pExtraBase) == 120);
static_assert(offsetof(TLinzoraEntryRecBase, percent_of_file) == 124);
static_assert(offsetof(TLinzoraEntryRecBase, byte_size_of_file) == 128);
static_assert(offsetof(TLinzoraEntryRecBase, tag_number_1_based) == 136);
static_assert(offsetof(TLinzoraEntryRecBase, byte_position_high) == 140);
static_assert(offsetof(TLinzoraEntryRecBase, textfile_date) == 152);
static_assert(offsetof(TLinzoraEntryRecBase, extras) == 160);
static_assert(sizeof(TLinzoraEntryRecExtraBase) == 240);
static_assert(offsetof(TLinzoraEntryRecExtraBase, tag_sort_numbers_1Based) == 4);
static_assert(offsetof(TLinzoraEntryRecExtraBase, spare) == 208);
static_assert(offsetof(TLinzoraEntryRecExtraBase, spareBools) == 232);

// What a line asks of the list and document that own it. The concordance list implements it;
// tests fake it. Every answer has a harmless default.
class TConcordanceLineOwner {
 public:
  // Each owner alive has a number of its own (1-65535; numbers are handed out in turn, so one
  // given up is reused only after all others were): a line keeps that number instead of the
  // owner's address. Throws std::length_error when all numbers are in use.
  TConcordanceLineOwner();
  TConcordanceLineOwner(const TConcordanceLineOwner&);
  TConcordanceLineOwner& operator=(const TConcordanceLineOwner&) { return *this; }
  virtual ~TConcordanceLineOwner();
  uint16_t LineOwnerNumber() const { return line_owner_number_; }
  // The owner alive with that number; nullptr for 0 or a number not in use.
  static TConcordanceLineOwner* WithLineOwnerNumber(uint16_t number);

  // --- stream ---
  virtual int32_t StreamVersion() const = 0;
  // Where the texts of lines this owner holds are kept; nullptr: each line owns its text.
  virtual TLineTextArena* LineTextArena() { return nullptr; }
  // The form of stored texts: UTF-16 when true, else 8-bit in CodePage().
  virtual bool Unicode() const { return true; }
  virtual void SetUnicode(bool unicode) {}
  virtual int CodePage() const { return 1252; }
  // Set once a stream of old records was recognised; lines then read the old layouts.
  virtual bool OldRecordsMode() const { return false; }
  virtual void SetOldRecordsMode() {}
  // True while the first line of a list is read (old-format notices are shown once).
  virtual bool ReadingFirstLine() const { return false; }
  virtual void NoteDudFilename() {}     // a line's file number lies outside the source files
  // Whether a line read may carry this file number: a list refuses one that names none of its
  // document's source texts, so that no line points nowhere. The default takes every number.
  virtual bool TakesFileNumber(int32_t file_num) const { return true; }
  virtual void NoteHasTagFileData() {}  // a line read tag positions
  // Per search item: whether its search word includes mark-up; nullptr when not in use.
  virtual const std::vector<uint8_t>* SearchWordTagTable() const { return nullptr; }

  // --- source files (numbers from 1) ---
  virtual int32_t SourceFileCount() const { return 0; }
  virtual UString SourceFileName(int32_t file_num) const { return UString(); }
  virtual int64_t SourceFileByteSize(int32_t file_num) const { return 0; }
  virtual double SourceFileDate(int32_t file_num) const { return 0.0; }
  // A read line hands over the size and date its stream held for its file.
  virtual void TakeSourceFileDetails(int32_t file_num, int64_t byte_size, double date) {}
  // True when the document reports its texts where they lie (sizes can be asked of the disk).
  virtual bool TextsInPlace() const { return false; }

  // --- display ---
  virtual bool ShowFullFilenames() const { return false; }
  virtual float NumericalData(const TConcordanceEntry& line, int column) const { return kMissingValue; }
  // What a grid column shows of a line: 1 the line, 2 the Set column, 3 the section text,
  // 13 the source file's name; other kinds go to the base entry.
  virtual int ColumnKind(int column) const { return 0; }
  virtual TLCID Locale() const { return kLCID_EnglishUS; }

  // --- reference word list (mean word rank); rank from 1, 0 when absent ---
  virtual bool HasReferenceList() const { return false; }
  virtual int32_t ReferenceListCount() const { return 0; }
  virtual int32_t ReferenceRank(UStringView word) const { return 0; }

 private:
  uint16_t line_owner_number_;
};

// A line's unit statistics: the engine's record without its two spare fields (a stream's
// non-zero spares are kept in the line's on-need block).
struct TLineUnitStats {
  int32_t words_in_chunk = 0;
  int32_t unit_number[kUnitKinds] = {};
  int32_t unit_position[kUnitKinds] = {};
  int32_t unit_length[kUnitKinds] = {};

  TLineUnitStats() = default;
  TLineUnitStats(const TSearchStatsRec& s);  // NOLINT: the engine's record converts freely
  TSearchStatsRec Record(int32_t spare5 = 0, int32_t spare10 = 0) const;
};
static_assert(sizeof(TLineUnitStats) == 52);

// The numbers of a line in memory (no file size or date: the source-file list has them). Only
// what nearly every line sets is here; the section's distance and sort place, the search word's
// start and finish, the section tag's number, the stored mean word rank and the merge number are
// rarely set and live behind the line's on-need block (see the entry's accessors). Widths and
// positions fit 16 bits: a line is at most kMaxLineWidth characters. The fixed words' lengths and
// barriers and the unit statistics are kept narrower by the entry itself (FixedWord, UnitStats).
struct TConcordanceLineData {
  int64_t byte_position = 0;
  int32_t hit_characters = 0;
  int32_t word_num = 0;
  int32_t filename_num_original = 0;
  int32_t sw_number = 0;
  float percent_of_file = 0;
  int16_t conc_line_chars = 0;
  int16_t midpoint = 0;
  bool has_percent = false;
  bool sw_contains_a_tag = false;
  // Where the eleven fixed words (L5 ... search word ... R5) start, from the midpoint.
  int16_t word_start[kSpanFixedCount] = {};
};
static_assert(sizeof(TConcordanceLineData) == 56, "a line's numbers have grown");

// Which words of a line are highlighted as collocates.
struct THighlightNumAndPos {
  int32_t Highlight_number = -1;
  uint64_t span_pos_set[2] = {0, 0};  // bit p: span position p
  bool Has(int p) const { return p >= 0 && p < 128 && ((span_pos_set[p / 64] >> (p % 64)) & 1) != 0; }
  void Include(int p) {
    if (p >= 0 && p < 128) span_pos_set[p / 64] |= uint64_t{1} << (p % 64);
  }
};

class TConcordanceEntry : public TVXBaseListObject {
 public:
  // list and holder are the base's; owner answers what the line asks of its list.
  TConcordanceEntry(TConcordanceLineOwner* owner, TVXBaseDataClass* list = nullptr,
                    TVXBaseHolder* holder = nullptr);
  ~TConcordanceEntry() override;
  // Lines come from a pool of equal slots shared by every thread: a list holds millions, and a
  // slot costs the line's size with no allocator header or rounding. The slot blocks go back
  // once no line is alive.
  static void* operator new(size_t size);
  static void operator delete(void* p, size_t size);
  // Slots of the pool now counted alive: lines, and slots threads' stocks hold unused.
  static int64_t PoolSlotsAlive();
  // While one of these lives on a thread, the lines it makes take their slots a batch at a time,
  // not one lock each (eight workers making lines queued on that lock); the slots it holds unused
  // go back when it ends. Meant for a worker thread's whole life; a nested one does nothing.
  class TSlotsOfThisThread {
   public:
    TSlotsOfThisThread();
    ~TSlotsOfThisThread();
    TSlotsOfThisThread(const TSlotsOfThisThread&) = delete;
    TSlotsOfThisThread& operator=(const TSlotsOfThisThread&) = delete;

   private:
    bool active_ = false;
  };

  TConcordanceLineOwner* Owner() const {
    return TConcordanceLineOwner::WithLineOwnerNumber(static_cast<uint16_t>(slot_ >> kOwnerShift));
  }
  // A line moved into another list (a merge) answers to that list from then on; a text kept in
  // the old owner's arena is copied into the new one's (or owned by the line).
  void SetOwner(TConcordanceLineOwner* owner);
  TConcordanceLineData& Data() { return data_; }
  const TConcordanceLineData& Data() const { return data_; }
  // The line's text as a 0-based index into the source texts; -1 for a number below 1 (no
  // arithmetic on it, so that no stored number can overflow).
  int32_t SourceTextIndex() const { return data_.filename_num_original >= 1 ? data_.filename_num_original - 1 : -1; }
  // The word at fixed position k (0 L5 ... 5 the search word ... 10 R5) as its stream record.
  TSortInfoRec FixedWord(int k) const;
  void SetFixedWord(int k, const TSortInfoRec& word);
  // The statistics of the line's units (sentence, paragraph, heading, section): their numbers,
  // the hit's position in each and each one's length once known.
  TLineUnitStats UnitStats() const;
  void SetUnitStats(const TLineUnitStats& stats);
  int32_t UnitNumber(int kind) const;
  // Asks for the unit records' memory ahead of their reading.
  void PrefetchUnits() const { __builtin_prefetch(unit_number_, 1, 3); }

  TLineText Text() const;
  // A line its list has taken stores the text in the list's arena; others own it.
  void SetText(UStringView text);
  void SetText(TLineText text);
  // Moves the text into the owner's arena (when it has one); the owner's list calls it on taking
  // the line, on the thread that fills the list. A text stored through a lease is there already.
  void MoveTextToOwner();
  // Sets the text through a lease of the owner's arena (a worker making lines for a list): the
  // text is written once, where the list keeps it. Without the owner's arena, as SetText.
  void SetText(TLineTextArena::TLease& lease, UStringView text);
  void SetText(TLineTextArena::TLease& lease, TLineText text);
  // Sets the text to characters that lie in the shared bytes of the lease's arena (see
  // TSharedLineBytes), one byte each or UTF-16 units: the line keeps only where they are, how
  // many and their form. Without the owner's arena, as SetText.
  void SetTextView(TLineTextArena::TLease& lease, TLineText text);
  bool TextInArena() const { return (flags_ & kTextInArena) != 0; }
  UStringView TagContext() const;
  void SetTagContext(UString text);

  // Lists made on first need; the const forms answer an empty list when there is none.
  TSortInfoRecList& OtherContextWords();
  TSortInfoRecList& OtherLeftCollocs();
  TSortInfoRecList& OtherRightCollocs();
  TTagPositionsList& TagPositions();
  const TSortInfoRecList& OtherContextWords() const;
  const TSortInfoRecList& OtherLeftCollocs() const;
  const TSortInfoRecList& OtherRightCollocs() const;
  const TTagPositionsList& TagPositions() const;
  bool HasTagPositions() const;

  // The 240-byte extra block: nullptr while the line has none (zeros are written).
  const TLinzoraEntryRecExtraBase* ExtraBase() const;
  TLinzoraEntryRecExtraBase& EnsureExtraBase();

  const THighlightNumAndPos& Highlight() const;
  THighlightNumAndPos& EditHighlight();
  void ZeroHighlight();
  // Whether the sentence-only view found both ends of the line's sentence.
  bool FoundBothEndsOfSentence() const;
  void SetFoundBothEndsOfSentence(bool both);
  // The mean word rank and merge number a stream held (0 when none).
  int32_t StoredMeanWordRank() const;
  void SetStoredMeanWordRank(int32_t rank);
  int32_t MergeNum() const;
  void SetMergeNum(int32_t n);
  // The section or heading the line lies in: its distance from the search word (bytes for a
  // section start, characters for a tag in the line), its sort place, and the tag's number
  // (1-based; 0 none).
  int32_t TagContextDistance() const;
  void SetTagContextDistance(int32_t distance);
  uint8_t TagContextSortPtrpos() const;
  void SetTagContextSortPtrpos(uint8_t ptrpos);
  int32_t TagNumber1Based() const;
  void SetTagNumber1Based(int32_t tag);
  // Where the search word starts and finishes in the line, kept for items that ask for it.
  int16_t SwStarts() const;
  void SetSwStarts(int16_t at);
  int16_t SwFinishes() const;
  void SetSwFinishes(int16_t at);

  // The stream record of this line as it would be written (sentinel 500, sizes from the owner).
  TLinzoraEntryRecBase StreamBase() const;
  // Takes a stream record's numbers (not the file size or date).
  void TakeStreamBase(const TLinzoraEntryRecBase& base);

  // --- the entry's operations ---
  void ConvertEntryToUnicode(int code_page) override;
  bool IsDuplicateOf(const TVXBaseListObject& other) const override;
  float GetAValueAsSingle(int column) const override;
  UString GetAWordAsString(int column) const override;
  void SetAWordAsString(int column, UStringView text) override;
  UString CategoryText() const override { return UString(SetText()); }
  void SetCategoryText(UStringView text) override;
  bool ReadFromStream(TStream& s) override;
  bool SaveToStream(TStream& s) override;
  int32_t ThisListsConcordanceMidpoint() const override { return data_.midpoint; }
  int32_t MainWordLength() const override { return static_cast<int32_t>(Text().size()); }

  // What a column of the given kind shows (1 line, 2 Set column, 3 section text, 13 file name).
  UString WordOfKind(int column, int kind) const;
  // The Set column text this line carries (empty when none).
  UStringView SetText() const;
  // n characters starting n div 2 before the midpoint (fewer at the line's ends).
  UString ConcordanceCharactersAroundMidpoint(int32_t n) const;
  // The rounded mean rank of the line's lower-case words in the owner's reference list; 1
  // without a list or without a word.
  int32_t MeanWordRank() const;
  // For each fixed position, the tag ending where its word begins (1-based; 0 none).
  void LinkWordsToTags();
  // Where the search word starts in the line (the tag positions' anchor).
  int32_t SearchWordStart() const { return data_.midpoint + data_.word_start[5]; }
  // How many characters of the line the hit takes: its word at span position 50, which the
  // line's cut measured after folding runs of blanks (a phrase across a line end with indentation
  // or CR LF is shorter in the line than in its text, hit_characters); hit_characters where the
  // line has no length there (lines made without word positions).
  int32_t HitWidthInLine() const;

 private:
  struct TOnNeed;
  TOnNeed& More();
  TOnNeed* more() const {
    return (flags_ & kHasMore) ? reinterpret_cast<TOnNeed*>(slot_ & kAddressBits) : nullptr;
  }
  // What lines seldom have, within the on-need block; nullptr when the line has none.
  const TLineAside* aside() const;
  // Gives up the on-need block; the text stays.
  void DropMore();
  bool ReadTexts(TStream& s, UString& out, bool& was_nil);
  bool WriteText(TStream& s, const UString* text) const;
  void ClipPositions();
  // The text's block, or the first of its bytes for a viewed text (see flags_).
  char* TextBlock() const;
  void SetTextBlock(char* block);
  // Gives up the text (back to the arena, or freed).
  void DropText();
  // A copy of text in place of the line's (T: UStringView or TLineText).
  template <class T>
  void StoreText(T text);

  // Sets the address bits of slot_, keeping the owner's number; p must fit kAddressBits
  // (user-space addresses on 64-bit Linux do; others throw std::bad_alloc).
  void SetSlotAddress(const void* p);
  // The unit records as they are kept (see unit_kinds_).
  void PackUnits(const TLineUnitStats& stats);

  // One word for the owner, the text and the on-need block. Bits 48-63: the owner's number.
  // Below them the address of the text (its block, or the first of its bytes when the line is a
  // view of shared bytes), or once the line has the on-need block, the block's (which then holds
  // the text's address). flags_ says which, and whether the text lies in the owner's arena.
  static constexpr int kOwnerShift = 48;
  static constexpr uintptr_t kAddressBits = (uintptr_t{1} << kOwnerShift) - 1;
  static constexpr uint8_t kTextInArena = 1;
  static constexpr uint8_t kHasMore = 2;
  // Bits 2-3: 0 a text block (or none), else 1 + the form of the text the line views.
  static constexpr int kViewShift = 2;
  static constexpr uint8_t kViewBits = 3 << kViewShift;
  // A fixed word's length that does not fit a byte is kept in the on-need block.
  static constexpr uint8_t kWordLengthAside = 255;
  // unit_kinds_: two bits for each of kinds 1-3 (from bit 0): 0 their record is the sentence's,
  // 1 the second record; kUnitsAside: all four kinds are in the on-need block.
  static constexpr uint8_t kUnitsAside = 0xFF;

  TConcordanceLineData data_;
  uint8_t word_length_[kSpanFixedCount] = {};
  uint8_t word_barrier_[kSpanFixedCount] = {};
  uint8_t unit_kinds_ = 0;
  uint8_t flags_ = 0;
  uint16_t view_chars_ = 0;  // characters of a viewed text
  int32_t words_in_chunk_ = 0;
  // Two unit records: the sentence's, and one that the other kinds share when they agree.
  int32_t unit_number_[2] = {};
  int32_t unit_position_[2] = {};
  int32_t unit_length_[2] = {};
  uintptr_t slot_ = 0;
};

// The entry as a line, or nullptr. A list's entries are nearly always lines of exactly this
// class: comparing the type's identity costs a load where a full cast walks the class tree.
inline TConcordanceEntry* AsConcordanceLine(TVXBaseListObject* entry) {
  if (!entry) return nullptr;
  if (typeid(*entry) == typeid(TConcordanceEntry)) return static_cast<TConcordanceEntry*>(entry);
  return dynamic_cast<TConcordanceEntry*>(entry);
}

// --- span positions of a line ----------------------------------------------------------------

// 45 minus the left words a line keeps (side < 0), or 55 plus its right words (side > 0).
int OutermostSpanPosition(const TConcordanceEntry& line, int side);
// The sort-info record of a span position; zeroed where the line has no word.
TSortInfoRec WordAtSpanPosition(const TConcordanceEntry& line, int position);
// How far a span reaches from the search word towards limit (side < 0 left, > 0 right): stops
// at a position without a word, or at one whose barrier is at least stop_level (0: barriers are
// ignored). To the right the current word is looked at, to the left the next one.
int SpanLimitOfLine(const TConcordanceEntry& line, int side, int limit, uint8_t stop_level);
