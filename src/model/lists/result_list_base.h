// The runtime's roots of every result list, list entry and document.
//
// TVXBaseDataClass owns its entries (TVXBaseListObject children, indexed from 0), keeps their
// marks (deleted, matched, not for saving) and join links, an undo list, three sort levels with a
// comparison per level, the grid contract that the windows and exporters call, and the parent's
// part of a list stream. TVXBaseHolder is the root of a tool document: character width, code page
// and locale, and the export choices.
//
// Entries, marks and joins
//   An entry's marks and join links live in its private object, made on first need
//   (EnsurePrivateObjExists). Join(head, form) puts the form under the head: the form stays in
//   the list marked "joined elsewhere" until Zap takes it out, after which the head owns it.
//   Entries read from a stream as joined instances are owned by their head from the start.
//   Freeing an entry always unlinks it from its head and from its forms.
//
// Sorting
//   Words sort by the locale collation of the holder's language (CollationSortKey); a
//   case-sensitive order refines the case-insensitive one, so a list sorted either way can be
//   searched either way. Each level has a key, a direction, a case flag and a comparer. A
//   comparer compares one entry with the level's pivot, which SetBase(entry, level) loads; the
//   sort is stable. The base installs its own comparers for the keys in TBaseSortKey; derived
//   lists call Set1Sort first and then install their own comparer with SetSortComparer.
//
// Stream (the parent's part): "VXBL", uint16 format (1), uint16 0, then the 32-byte stored-list
//   information. The entry count there is rewritten in place when fewer entries follow.
//
// Busy guard
//   SetListBusy(action) marks the list busy while a long job walks it. Add, Put, Remove, Clear,
//   Zap, sorting, merging, duplicate removal, the lemma, match and stop checks, undo and stream
//   reading and writing refuse to start on a busy list and log why; the refusal is answered as
//   false (Add: -1, the entry stays the caller's; Put and Remove: nothing done). A job changes
//   the list it holds busy through AddOwn and PutOwn only, so that whatever a comparer, a
//   progress display or an entry's own code calls back cannot take an entry out from under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/lists/search_conditions.h"
#include "platform/rtl/ustring.h"
#include "platform/runtime/general_plot_data.h"
#include "platform/runtime/vx_longint_list.h"
#include "platform/runtime/vx_tools.h"
#include "platform/text/text_services.h"

class TStream;
class TVXBaseDataClass;
class TVXBaseListObject;
class TSortAndTagMergedList;
struct TVXEntryPrivate;
struct TUndoRecord;

using grid_alternatives = int32_t;  // kind of grid a list is shown in

inline constexpr uint32_t kNoColourCategory = 0xFFFFFFFF;

// The number a cell shows when a column has no value for a row.
inline constexpr float kMissingValue = -999999.0f;

// --- stored-list information -----------------------------------------------------------------

#pragma pack(push, 1)
// Written by the parent's part of a list stream. Its entry count is the number of entries that
// follow; when fewer are written, TStoredListInfoHolder::ResaveEntries rewrites it in place.
struct TStoredListInfoRec {
  int32_t entry_count;               // 0
  int32_t not_for_saving;            // 4: entries the last write skipped
  uint8_t has_dispersion_data;       // 8
  uint8_t some_data_fields_missing;  // 9
  uint8_t based_on_clusters;         // 10
  uint8_t has_words;                 // 11
  uint8_t has_affixes;               // 12
  uint8_t spare[19];                 // 13..31
};

// The list's stored settings, 104 bytes, written whole by the list body after the parent's part.
struct TStoredListSettingsRec {
  int32_t list_type;                // 0
  int32_t grid_kind;                // 4
  int32_t number;                   // 8
  int32_t version;                  // 12: the list's version number (0 = never set)
  uint8_t spare16;                  // 16
  uint8_t saved;                    // 17: 1 once written by a list body
  uint8_t sort_ascending[3];        // 18..20
  uint8_t sort_case_sensitive[3];   // 21..23
  int32_t sort_keys[3];             // 24..35
  uint32_t lcid;                    // 36
  uint32_t list_flags;              // 40
  uint8_t spare[60];                // 44..103
};
#pragma pack(pop)
static_assert(sizeof(TStoredListInfoRec) == 32, "stored-list information is stored whole");
static_assert(sizeof(TStoredListSettingsRec) == 104, "stored list settings are stored whole");
static_assert(offsetof(TStoredListSettingsRec, version) == 12, "version sits at offset 12");
static_assert(offsetof(TStoredListSettingsRec, saved) == 17, "saved flag sits at offset 17");
static_assert(offsetof(TStoredListSettingsRec, sort_keys) == 24, "sort keys sit at offset 24");

class TStoredListInfoHolder {
 public:
  TStoredListInfoRec info{};
  TStoredListSettingsRec settings{};

  void SetHasDispersionData(bool v) { info.has_dispersion_data = v ? 1 : 0; }
  bool HasDispersionData() const { return info.has_dispersion_data != 0; }

  // Writes the information record at the stream position noted when it was last written, and
  // returns to where the stream was. False when it was never written to this stream.
  bool WriteInfo(TStream& s);
  bool ResaveEntries(TStream& s);
  void ForgetPosition() { info_position_ = -1; }

 private:
  int64_t info_position_ = -1;
};

// --- grid cells ------------------------------------------------------------------------------

// A number to show: kind 0 an integer, 1 a real, 2 a percentage, 3 per million, 4 a ratio.
// For shares the caption, part and total say what the value is a share of.
struct TNumberDisplayAndSinglesRec {
  uint8_t kind = 0;
  float value = kMissingValue;
  bool is_real = false;
  UString caption;
  int64_t part = 0;
  int64_t total = 0;
};

// A stretch of a cell's text that a grid paints in its own colours.
struct TGridColouredPiece {
  int32_t start = 0;   // 0-based in the cell text
  int32_t length = 0;
  bool is_tag = false;
  bool highlighted = false;       // a highlighted collocate
  uint8_t span_pos = 0;           // a word's span position (50: the search word)
  uint16_t tag_kind = 0;
  int16_t tag_number_1based = 0;  // a tag's, or the tag a word belongs to; 0 none
};

// One grid cell as a list fills it for drawing and export. Rows and columns are logical (row 0
// is the heading row); the spreadsheet row, column and sheet count from 1.
struct TGrid_data_rec {
  int32_t col = 0;
  int32_t row = 0;
  int32_t excel_row = 0;
  int32_t excel_col = 0;
  int32_t sheet = 1;
  uint8_t kind = 0;          // kCellConcordanceLine for a concordance line
  bool visible = true;
  bool final = false;        // filled completely; later layers leave it alone
  bool has_text = false;
  UString text;
  UString prefix;
  UString suffix;
  bool has_number = false;
  TNumberDisplayAndSinglesRec number;
  int32_t decimals = 0;
  bool make_text_from_number = false;
  double date = 0.0;         // Julian date value
  uint8_t export_kind = 0;   // 0 text, 1 number, 2 plot positions, 4 time-line
  int32_t int_value = 0;     // kinds 2 and 4
  UString str_value;
  std::vector<int32_t> ints;
  int32_t start_position = 0;  // concordance line: where the exported left part begins
  int32_t centre_start = 0;    // concordance line: 0-based start and length of the centre
  int32_t centre_length = 0;
  bool deleted = false;
  bool matched = false;
  bool joined_elsewhere = false;
  bool has_joined = false;
  // Concordance line: where the search word starts (1-based) and how wide the hit is in the
  // text shown, and the coloured pieces of that text, non-overlapping and in text order.
  int32_t sw_start = 0;
  int32_t hit_width = 0;
  std::vector<TGridColouredPiece> pieces;
  // Tag-context cell: the tag (1-based in the document's tag table) it is coloured by; 0 none.
  int32_t tag_number_1based = 0;
  // A percentage coloured by its value (0x00BBGGRR), when has_colour.
  bool has_colour = false;
  uint32_t colour = 0;
  // Plot cell (kind 2): the row's hits (positions and contexts; shared with the row, not
  // copied), the row's scale, the list's largest and total words and the divisions. Time-line
  // cell (kind 4): the segments (hits, running words), each segment's date heading, and the
  // record's numbers in ints.
  TGeneralPlotDataList plot_hits;
  int32_t plot_scale = 0;
  int32_t plot_largest_words = 0;
  int64_t plot_total_words = 0;
  int32_t plot_divisions = 0;
  std::vector<std::pair<int32_t, int32_t>> timeline_segments;
  std::vector<UString> timeline_date_headings;
  // The text's own colour (0x00BBGGRR, when has_text_colour) and stretches painted in their own
  // colours, for a list or a grid's tweak that colours more than the line pieces above.
  struct TColouredSpan {
    int32_t start = 0;  // 0-based in the text shown
    int32_t length = 0;
    uint32_t fore = 0;  // 0x00BBGGRR
    uint32_t back = 0xFFFFFFFF;  // 0xFFFFFFFF: the cell's background
    bool bold = false;
  };
  bool has_text_colour = false;
  uint32_t text_colour = 0;
  std::vector<TColouredSpan> spans;
  // Concordance line: how many of the spans its marks (tags and marked words) gave, and how many
  // of those are tags in their own colours.
  int32_t mark_spans = 0;
  int32_t tag_mark_spans = 0;
  // From the column's layout: kAlign* (0xFF: the painter's own choice) and kTypeface* bits.
  uint8_t alignment = 0xFF;
  uint8_t typeface = 0;
  // Concordance line shown cut to its sentence while that sentence runs past the line's edge
  // (either end not found): the grid paints it on a pale background.
  bool sentence_incomplete = false;
  // File-name cell of a text whose presence was not checked (a text on a network mount): the
  // grid shows it in italics.
  bool display_flag = false;
};
inline constexpr uint8_t kCellConcordanceLine = 6;
// The cell as a fresh one, its texts and lists emptied in place (their room kept for refilling).
void ResetGridDataRec(TGrid_data_rec& cell);
// Prefix, text and suffix of a cell.
UString RelevantAffixesOfStringData(const TGrid_data_rec& cell);

// One column of a grid's layout: how the column is shown and exported. A grid keeps one record
// per column in display order (grid_headings of its list); column_number names the list column
// behind it, so records can move without the list knowing.
struct TGrid_head32 {
  bool numeric = false;
  uint8_t number_kind = 0;   // as TNumberDisplayAndSinglesRec::kind
  uint8_t column_kind = 0;   // as TGrid_data_rec::export_kind
  int32_t decimals = 0;      // at most 30
  int32_t foreground = -1;   // BGR; outside 0..0xFFFFFF: the style's colour
  int32_t background = -1;
  int32_t width = 64;        // pixels
  bool visible = true;
  uint8_t alignment = 1;     // kAlign*; kAlignFixed: neither alignment nor typeface may be chosen
  uint8_t typeface = 0;      // kTypeface* bits
  float threshold = kMissingValue;  // a number below it is left blank
  uint8_t case_allowed = 0;  // 1: text whose letter case may be chosen
  uint8_t added = 0;         // 1: a column the user added (computed or set column)
  uint8_t letter_case = 3;   // 0 UPPER, 1 Title, 2 lower, 3 as in the source
  int16_t column_number = 0;
  uint8_t heading_edited = 0;
  uint8_t own_colour = 0;    // 1: background is the user's choice
  uint8_t set_column = 0;    // 1: an added column that is not computed
  UString heading;           // for a computed column: its formula
  bool operator==(const TGrid_head32&) const = default;
  bool IsComputed() const { return added != 0 && set_column == 0; }
};
enum : uint8_t { kAlignCentre = 0, kAlignLeft = 1, kAlignRight = 2, kAlignDecimal = 3, kAlignFixed = 4, kAlignLeft2 = 5 };
enum : uint8_t { kTypefaceBold = 1, kTypefaceItalic = 2, kTypefaceUnderline = 4, kTypefaceStrikeOut = 8 };
enum : uint8_t { kCaseUpper = 0, kCaseTitle = 1, kCaseLower = 2, kCaseSource = 3 };
inline constexpr int32_t kMaxColumnDecimals = 30;

// One word of a word cloud.
struct TCloudDatum {
  UString word;
  int32_t value = 0;
  int32_t index = 0;
};

// A joined entry as the head shows it.
struct TJoinedWordDatum {
  int32_t index = -1;
  int32_t frequency = 0;
  int32_t n_texts = 0;
  UString word;
  UString prefix;
  UString suffix;
};

// --- the document root -----------------------------------------------------------------------

class TVXBaseHolder {
 public:
  TVXBaseHolder();
  virtual ~TVXBaseHolder();

  virtual void SetUnicode(bool unicode) { unicode_ = unicode; }
  bool Unicode() const { return unicode_; }

  // The lists of a document hold their text in one width (UTF-16 or 8-bit). A list being read
  // takes the width it was stored in for its entries; only when its whole read succeeded does
  // that width become the document's, nothing converted. The first list of a document read
  // settles the width; a later list stored in the other width fails its read, with a message
  // naming it. StartListsRead begins a document read.
  struct TListWidth {
    bool unicode = true;
    bool settled = false;
  };
  void StartListsRead();
  TListWidth ListWidth() const { return {unicode_, width_settled_}; }
  // For a list read: the width its entries are read in (nothing converted), and, when the read
  // failed, the width put back as it was.
  void SetListWidth(const TListWidth& width);
  // True when a list stored in that width may join this document's read; otherwise false, and
  // the message says which list disagrees.
  bool ListWidthAgrees(bool unicode, UStringView list_name);
  // Why the last list read into this document was refused (empty when none was).
  const UString& ListReadMessage() const { return list_read_message_; }
  void SetLCID(TLCID lcid) { lcid_ = lcid; }
  TLCID LCID() const { return lcid_; }
  void SetCodePage(int code_page) { code_page_ = code_page; }
  int CodePage() const { return code_page_; }
  // Refreshes the export choices at the start of an export; the base keeps them as they are.
  virtual void CheckExportSettings() {}
  // Takes the other holder's text form: its width (and whether a read settled it), the last list
  // refusal, the locale and the code page. Nothing is converted.
  void CopyTextFormFrom(const TVXBaseHolder& other);

  // The document's data changed after it was made or read (source texts modified and its lines
  // moved): it differs from any saved copy. A save clears it.
  void NoteDataChanged() { data_changed_ = true; }
  void ClearDataChanged() { data_changed_ = false; }
  bool DataChanged() const { return data_changed_; }

  bool export_all_rows = true;
  bool export_all_columns = true;
  // Numbers in text and rich-text exports in groups of three ("3,059"), as the Save As window's
  // "separate thousands" asks.
  bool export_thousands_separator = false;
  std::vector<int32_t> selected_rows;
  std::vector<int32_t> selected_columns;
  // Rows are being written out as plain text (a copy as text, a text export), where colours are
  // lost: a concordance's lines then carry the user's text markers.
  bool text_output = false;

 private:
  bool unicode_ = true;
  bool width_settled_ = false;
  UString list_read_message_;
  TLCID lcid_ = kLCID_EnglishUS;
  int code_page_ = 1252;
  bool data_changed_ = false;
};

// Puts a holder's list width back as it was when the guard was made, unless the read it guards
// succeeded (Keep).
class TListWidthGuard {
 public:
  explicit TListWidthGuard(TVXBaseHolder* holder)
      : holder_(holder), before_(holder ? holder->ListWidth() : TVXBaseHolder::TListWidth{}) {}
  ~TListWidthGuard() {
    if (holder_ && !kept_) holder_->SetListWidth(before_);
  }
  TListWidthGuard(const TListWidthGuard&) = delete;
  TListWidthGuard& operator=(const TListWidthGuard&) = delete;
  void Keep() { kept_ = true; }

 private:
  TVXBaseHolder* holder_;
  TVXBaseHolder::TListWidth before_;
  bool kept_ = false;
};

// --- entries ---------------------------------------------------------------------------------

enum : uint8_t {
  kMarkDeleted = 0x01,
  kMarkMatched = 0x02,
  kMarkNotForSaving = 0x04,
};

class TVXBaseListObject {
 public:
  TVXBaseListObject(TVXBaseDataClass* list, TVXBaseHolder* holder);
  virtual ~TVXBaseListObject();
  TVXBaseListObject(const TVXBaseListObject&) = delete;
  TVXBaseListObject& operator=(const TVXBaseListObject&) = delete;

  virtual void ZeroTheDataRec() {}
  virtual void ConvertEntryToUnicode(int code_page) {}
  // Base: the main words are equal (case counts).
  virtual bool IsDuplicateOf(const TVXBaseListObject& other) const;
  virtual int32_t FrequencyNum() const { return MainWordFrequency(); }
  virtual float GetAValueAsSingle(int column) const { return kMissingValue; }
  virtual float GetDispersion() const { return 0.0f; }
  virtual TJoinedWordDatum JoinedWordDatum() const;
  virtual UString MainWordOnly() const { return UString(); }
  virtual UString MainWordPrefix() const { return UString(); }
  virtual UString MainWordSuffix() const { return UString(); }
  // Base: the main word for the list's main column, nothing for other columns.
  virtual UString GetAWordAsString(int column) const;
  virtual UString GetAWordPlusAffixesAsString(int column) const;
  virtual void SetAWordAsString(int column, UStringView text) {}
  virtual UString GetAPrefixAsString(int column) const { return UString(); }
  virtual void SetAPrefixAsString(int column, UStringView text) {}
  virtual UString GetASuffixAsString(int column) const { return UString(); }
  virtual void SetASuffixAsString(int column, UStringView text) {}
  virtual bool ReadFromStream(TStream& s) { return true; }
  virtual bool SaveToStream(TStream& s) { return true; }
  virtual int32_t ThisListsConcordanceMidpoint() const { return 0; }
  virtual const void* MainWordAsPointer() const { return nullptr; }
  virtual int ThisListsMainWordColumn() const;
  virtual int32_t MainNTexts() const { return 0; }
  virtual int32_t MainWordFrequency() const { return 0; }
  virtual int32_t MainWordLength() const;
  // The entry's own category (the text of its list's Set column); it goes into the stream with
  // the entry's private part. Kept in the private object unless the entry keeps it itself.
  virtual UString CategoryText() const { return GetCategory(); }
  virtual void SetCategoryText(UStringView text) { SetCategoryString(text); }
  // The entry's row in the list's added-column values (-1 none yet).
  int32_t AddedSlot() const;
  void SetAddedSlot(int32_t slot);

  TVXBaseDataClass* List() const { return list_; }
  TVXBaseHolder* Holder() const { return holder_; }

  // A private object that belongs to the entry's stream (one made only to hold the added-column
  // slot does not); an entry with a category always writes one.
  bool PrivateObjExists() const;
  TVXEntryPrivate& EnsurePrivateObjExists();
  // The private object's own record: its format (1: marks; 2: marks, then the category as a
  // string, its colour and its tag number), the marks. The joined entries are written by the list body.
  bool SavePrivateToStream(TVXBaseDataClass& list, TStream& s, const TStoredListInfoHolder& info) const;
  bool ReadPrivateFromStream(TVXBaseDataClass& list, TStream& s, const TStoredListInfoHolder& info);
  // Takes ownership of a joined entry that is in no list (one read from a stream).
  void AddPrivateJoinInstance(TVXBaseListObject* joined);
  // Moves the entry (and the joined entries it owns) to another list.
  void SetParentAs(TVXBaseDataClass* list);
  // An entry kept outside every list (a list's overall row) now belongs to another document.
  void SetHolderOutsideLists(TVXBaseHolder* holder) { holder_ = holder; }

  // The category the list's own set column shows (PredefinedSetColumnNumber), kept in the
  // private object and saved with it; a tag's category also carries its colour and number.
  UString GetCategory() const;
  uint32_t CategoryColour() const;
  int32_t CategoryTagNumber() const;
  bool HasCategory() const;
  void SetCategoryString(UStringView text);
  void SetACategoryAndColourAndTagnumber(UStringView text, uint32_t colour, int32_t tag_number);
  void CopyCategoryFrom(const TVXBaseListObject& other);

  uint8_t Marks() const;
  void SetMark(uint8_t mark, bool value);
  bool HasMark(uint8_t mark) const { return (Marks() & mark) != 0; }
  TVXBaseListObject* JoinedTo() const;
  // The entries joined under this one, in joining order.
  std::vector<TVXBaseListObject*> JoinedEntries() const;
  int32_t JoinedCount() const;

 private:
  friend class TVXBaseDataClass;
  void UnlinkJoins();

  TVXBaseDataClass* list_;
  TVXBaseHolder* holder_;
  std::unique_ptr<TVXEntryPrivate> priv_;
};

// How evenly the frequency of a lemma is spread over its forms (the entry and those joined under
// it): the entropy of their shares over the largest it could be for that many forms with a
// frequency, from 0 (one form has it all, or no joins) to 1 (equal shares).
double RelativeEntropyOfForms(const TVXBaseListObject& head);

// Makes a blank entry of a list's entry class.
using TEntryClass = TVXBaseListObject* (*)(TVXBaseDataClass& list);
// Compares an entry with the pivot of a sort level: negative, 0 or positive.
using TLevelComparer = int (*)(TVXBaseDataClass& list, int level, TVXBaseListObject& entry);

// Sort keys the base knows how to compare.
enum TBaseSortKey : int32_t {
  kSortNone = -1,
  kSortAlphabetical = 0,
  kSortFrequency = 1,
  kSortReverseAlphabetical = 2,
  kSortWordLength = 3,
  kSortPrefix = 4,
  kSortSuffix = 5,
  kSortTexts = 6,
  kSortDispersion = 7,
};

// Flags of Find_PosWordStr.
enum : uint32_t {
  kPosLeadingWildcard = 0x01,  // the word may end an entry ("*ing")
  kPosTrailingWildcard = 0x02, // the word may begin an entry ("un*")
  kPosNumber = 0x04,           // "#" in the word stands for a number ("#", "#th")
};

// Undo actions.
enum TUndoAction : uint8_t {
  kUndoDelete = 1,    // entries were marked deleted
  kUndoUndelete = 2,  // entries lost their deleted mark
  kUndoMatch = 3,
  kUndoUnmatch = 4,
  kUndoJoin = 5,
  kUndoZap = 6,
};

// Busy actions (0 clears the mark).
enum : uint8_t {
  kBusyNone = 0,
  kBusyReading = 1,
  kBusySaving = 2,
  kBusyFrequencyIndex = 3,
  kBusySorting = 4,
  kBusyMerging = 5,
  kBusyLemmas = 6,
  kBusyMatches = 7,
  kBusyStops = 8,
  kBusyDuplicates = 15,
};

struct TSortLevel {
  int32_t key = kSortNone;
  bool ascending = true;
  bool case_sensitive = false;
  TLevelComparer comparer = nullptr;
};

// --- the list root ---------------------------------------------------------------------------

class TVXBaseDataClass {
 public:
  TVXBaseDataClass(TVXBaseHolder* holder, TEntryClass entry_class, grid_alternatives grid_kind,
                   TTessorineList list_type, int32_t number);
  virtual ~TVXBaseDataClass();
  TVXBaseDataClass(const TVXBaseDataClass&) = delete;
  TVXBaseDataClass& operator=(const TVXBaseDataClass&) = delete;

  // --- virtual operations, in their order ---
  virtual void Grow();
  virtual int AddABlankEntryWithMainWord(UStringView word);
  virtual void AdjustEntryCount() {}
  virtual void AdjustStopListWordLengths(TVXBaseListObject& entry) {}
  virtual bool CanDeleteRandomly() const { return false; }
  virtual void CheckedPPMFormatHeading(TGrid_data_rec& cell, int column_kind) {}
  virtual int CompareDispersions(TVXBaseListObject& entry);
  virtual int CompareWordsReverse(TVXBaseListObject& entry);
  virtual int CompareWordsByLength(TVXBaseListObject& entry);
  virtual void DoAnyFreqSorting() {}
  virtual int32_t GetAFileStatus(int index) const { return 0; }
  virtual void SetAFileStatus(int index, int32_t status) {}
  virtual bool OverallCount() const { return false; }
  virtual bool DoProgressPercent(int32_t percent) { return true; }
  virtual void DoProgressMessage(UStringView text) {}
  // Takes the entry (answers its index); refused while busy (answers -1, the entry stays the
  // caller's).
  virtual int Add(TVXBaseListObject* entry);
  virtual void AddJoinedWordDataToStringlist(int row, std::vector<UString>& lines) {}
  virtual UString ALineAsTextOnly(UStringView text) { return UString(text); }
  virtual bool BasedOnOneTextFile() const { return false; }
  virtual bool CanEdit(int column) const { return false; }
  virtual void ChangeListType(TTessorineList list_type);
  virtual bool CloudDataNeedsSorting() const { return false; }
  virtual bool ColumnCanSelectForStatusbar(int column) const { return true; }
  // Column Totals: one row below the data with the sum of every column's numbers over the rows
  // not deleted (a column without numbers stays empty); kept until computed again.
  virtual void ComputeColumnTotals();
  virtual int ConvertedForFrequency(int index, int kind_of_display) const { return index; }
  virtual void ConvertEntriesToUnicode(int code_page);
  // Which order a cumulative column runs in for a kind of display (0: the list has none).
  virtual int32_t Cumulative_distinguisher(int kind_of_display = 0) const { return 0; }
  virtual bool DataHasAssociatedIndexData() const { return false; }
  virtual void DoPostJoinOrUnjoiningOperation() {}
  // Row 0 is the heading row, row r > 0 shows entry r - 1; column 0 the row number.
  virtual void DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display);
  virtual void EnsureAlphabeticalAscendingSort();
  virtual int DoAFilenameSearchAndReplace(UStringView find, UStringView replace, bool folders_only) { return 0; }
  virtual bool DoASort(int levels, int first, int last);
  virtual bool DonePreMergeChecks(TVXBaseDataClass& other);
  virtual UString EntryDetailsAsString(int index);
  virtual int Find_PosWord(UStringView word, bool case_sensitive, bool leading_wildcard,
                           bool trailing_wildcard, bool is_number, int from_row);
  virtual int Find_Word(UStringView word);
  // whole_word is for lists that keep more than whole words; the base compares whole main words.
  virtual int Find_Word(UStringView word, bool case_sensitive, bool whole_word);
  virtual int Find_Word(UStringView word, UStringView prefix, UStringView suffix, bool case_sensitive);
  virtual bool GetOneCloudDatum(int index, TCloudDatum& datum) { datum = TCloudDatum(); return false; }
  virtual bool GetNextCloudDatum(TCloudDatum& datum) { datum = TCloudDatum(); return false; }
  virtual UString GetStatusbarDataAsString(int col, int row);
  virtual TSortAndTagMergedList* SortAndTagList() { return nullptr; }
  virtual int32_t HeaderColumnToSortNeeded(int level, int column);
  virtual bool IsEmptyDataColumn(int column) { return false; }
  virtual bool ImportDataFromStringList(const std::vector<UString>& lines, int64_t total) { return false; }
  // Base: the row number for column 0, the missing value for every other column.
  virtual void NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result);
  virtual int PredefinedSetColumnNumber() const { return -1; }
  virtual void RecomputeTokens() {}
  virtual int LemmaWordColumn() const { return -1; }
  virtual int MainWordColumn() const { return 1; }
  // The parent's part of a list stream.
  virtual bool ReadFromStream(TStream& s);
  // Frees the entry at index and takes its slot out; refused while busy.
  virtual void Remove(int index);
  virtual std::vector<UString> SearchWordsAsStringlist() { return {}; }
  // Keys also come from streams: any value must be taken (an unknown one compares nothing).
  virtual void Set1Sort(int level, int32_t key);
  virtual bool SaveToStream(TStream& s);
  // Makes entry the pivot of a sort level.
  virtual void SetBase(TVXBaseListObject& entry, int level);
  virtual void SetSecondSortAsWordSort();
  virtual void Set3Sorts(int32_t key1, int32_t key2, int32_t key3);
  virtual bool SortOnCategory(int column) { return false; }
  virtual bool SortAlphabeticallyAscending();
  virtual void SetSortSettingsToDefault(bool clearing);
  virtual std::vector<UString> SelectedStatsFilenames() { return {}; }
  virtual void TellLemmasNoLongerJoined(int index) {}
  virtual std::vector<UString> TimeLineDataDateHeaders() { return {}; }
  virtual void TopRowDataRec(int col, TGrid_data_rec& cell);

  // --- entries ---
  int Count() const { return static_cast<int>(entries_.size()); }
  // Room for n entries more, made at once when they would not fit: a list taking the lines of
  // one large text then grows once to what it needs instead of doubling (and copying) its way
  // there. Room is still at least doubled, so that many small additions stay cheap.
  void ReserveEntries(int64_t n);
  TVXBaseListObject* Get(int i) const;
  // Puts entry in slot i. Putting nullptr detaches the entry there: the caller owns it then.
  // Refused while busy.
  void Put(int i, TVXBaseListObject* entry);
  // Closes the gaps left by Put(i, nullptr).
  void Pack();
  // Frees every entry; refused while busy.
  bool Clear();
  // Purges entries marked deleted and entries joined under another entry (which then belong
  // to their head). Undoable: the purged entries are kept for Undo. Answers the number purged.
  int Zap(bool undoable);
  TVXBaseHolder* Holder() const { return holder_; }
  // The list and every entry (joined ones too) now belong to holder (a list handed to another
  // document).
  void SetHolder(TVXBaseHolder* holder);
  TEntryClass EntryClass() const { return entry_class_; }
  TVXBaseListObject* NewEntry();

  // --- marks ---
  bool GetDeleted(int i) const;
  bool SetDeleted(int i, bool value);  // true when the mark changed
  bool GetMatched(int i) const;
  bool SetMatched(int i, bool value);
  bool GetNotForSaving(int i) const;
  bool SetNotForSaving(int i, bool value);
  bool GetJoinedElsewhere(int i) const;
  bool GetHasJoined(int i) const;
  std::vector<TVXBaseListObject*> GetJoinListAndDetails(int i) const;
  int32_t GetTotalJoinedFreq(int i) const;

  // Joins the entry at form under the entry at head. Refused (false) for the same entry, an
  // index out of range, a form already joined or itself a head, and a head that is a form.
  bool Join(int head, int form, bool undoable);
  // Takes the entry out of its head, or (a head) takes its forms out of it. Only forms still in
  // the list come back: one a Zap handed to its head stays there. True when a join was undone.
  bool Unjoin(int i);
  // Decides whether a form being handed to a head is folded into one the head has (kept), and
  // if so takes its counts there.
  using TJoinFold = std::function<bool(TVXBaseListObject& kept, TVXBaseListObject& form)>;
  // Hands the forms joined under the entry at from to the entry at to, after its own and each
  // owned as it was (a form still in the list stays there until Zap hands it to its new head).
  // A form the head owns that fold takes into one of to's forms is freed instead. Not undoable:
  // the undo list is emptied, as its records name the heads the forms had. False when an index
  // is out of range, both are the same, or either is itself a form.
  bool MoveJoins(int from, int to, const TJoinFold& fold = nullptr);
  // Marks (value true) or unmarks the entry deleted; true when the mark changed.
  bool DeleteOne(int i, bool value);
  // Each answers the number of marks changed; undoable records only those.
  int DeleteARange(const std::vector<int32_t>& indices, bool undoable, bool value);
  int MatchARange(const std::vector<int32_t>& indices, bool undoable, bool value);
  int UnmatchAll();
  // Records that the entries at indices had action done to them (undo reverses it).
  void AddItemsToUndoList(TUndoAction action, const std::vector<int32_t>& indices);
  size_t UndoDepth() const { return undo_.size(); }
  // Undo moves its record to the redo list; Redo does the change again and moves it back. Any
  // new undoable change empties the redo list.
  bool Undo();
  size_t RedoDepth() const { return redo_.size(); }
  bool Redo();
  void ClearUndoList();

  // --- sorting ---
  const TSortLevel& SortLevel(int level) const { return sorts_[ClampLevel(level)]; }
  void SetSortAscending(int level, bool ascending);
  void ToggleSortDirection(int level);
  void SetSortCaseSensitive(int level, bool case_sensitive);
  void SetSortComparer(int level, TLevelComparer comparer);
  TVXBaseListObject* SortPivot(int level) const { return pivots_[ClampLevel(level)]; }
  bool SortsChanged() const { return sorts_changed_; }
  void SetSortsChanged(bool v) { sorts_changed_ = v; }
  bool DoAlphabeticalAscendingSort();
  // True when the list is in base alphabetical ascending order at level 0 since its last sort.
  bool SortedAlphabetically() const { return alpha_sorted_; }
  // For a maker that added the whole list already in the order DoASort(1, 0, Count() - 1) gives
  // (keys made once, sorted once): the list notes what that sort would have, without sorting.
  void NoteSortedWhole();
  // Whether the level compares the collation keys of the main words alone (alphabetical order).
  // Compares the entries' categories (the list's set column) in the language's order; a list
  // binds it for its "set" sort kind.
  static int CompareCategories(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  bool SortsByWordKeys(int level) const { return sorts_[ClampLevel(level)].comparer == &BaseCompareAlphabetical; }
  int DataMainColumn() const { return MainWordColumn(); }

  // --- finding ---
  // Index of an entry whose main word is word, or -1. Binary search when the list is sorted
  // alphabetically ascending, otherwise a walk.
  int Find_WordStr(UStringView word, bool case_sensitive);
  // The next index at or after start whose main word matches word by position, or -1.
  int Find_PosWordStr(UStringView word, bool case_sensitive, int start, uint32_t flags);

  // --- busy guard ---
  void SetListBusy(uint8_t action) { busy_ = action; }
  uint8_t ListBusy() const { return busy_; }
  // Logs that what cannot be done because the list is busy; answers false.
  bool RefuseWhileBusy(const char* what) const;

  // --- grid contract ---
  void SetHeadings(std::vector<UString> headings) { headings_ = std::move(headings); }
  const std::vector<UString>& Headings() const { return headings_; }
  // Column settings by heading; a column without its own takes the defaults. A column of the
  // grid layout (grid_headings) answers its layout record.
  std::vector<TGrid_head32> heading_settings;
  TGrid_head32 HeadingSettings(int column) const;

  // --- grid layout and added columns ---
  // The grid's columns in display order, column 0 (the row numbers) first, hidden ones included
  // (model/grid_headings.h makes and reads them). Empty until a grid or the layout asks.
  std::vector<TGrid_head32> grid_headings;
  // Added columns are numbered from here, never reused while the list lives.
  static constexpr int kFirstAddedColumn = 1000;
  struct TAddedColumn {
    int32_t column_number = 0;
    bool set_column = false;
    UString formula;                 // computed column: its formula as typed
    bool cumulative = false;         // computed column: worked out again after a sort
    std::vector<UString> texts;      // set column: category text per value slot
    std::vector<double> values;      // computed column: number per value slot (NaN: none)
  };
  static bool IsAddedColumnNumber(int column) { return column >= kFirstAddedColumn; }
  // Adds an empty set column or a computed column holding values (one per entry, in index
  // order); answers its column number.
  int AddSetColumn();
  int AddComputedColumn(UStringView formula, const std::vector<double>& values, bool cumulative);
  // Puts new values (index order) into a computed column; false when it is no computed column.
  bool SetComputedValues(int column, const std::vector<double>& values);
  bool DeleteAddedColumn(int column);
  const TAddedColumn* AddedColumn(int column) const;
  const std::vector<TAddedColumn>& AddedColumns() const { return added_; }
  // Whether any added column holds a value (a document save loses them).
  bool AddedColumnsHoldValues() const;
  UString AddedCellText(int column, int index) const;
  double AddedCellValue(int column, int index) const;  // NaN when none
  void SetAddedCellText(int column, int index, UStringView text);
  void AddedColumnDataRec(int column, int row, TGrid_data_rec& cell);
  // The cell of any column, own or added (row 0 the headings).
  void AnyColumnDataRec(int column, int row, TGrid_data_rec& cell, int kind_of_display);
  // The text a search of a column looks at in an entry (conditions, breakdown): base, the cell's
  // prefix, text and suffix; a list whose cells are costly to draw may answer more cheaply.
  virtual void CellTextForSearch(int column, int index, TGrid_data_rec& scratch, UString& out);
  // Set columns: the list's own (PredefinedSetColumnNumber) and the added ones, and which is
  // active. RecomputeColumnSetnums refreshes the numbers, keeping the active one while it exists.
  TVXActiveLongintList& ColumnSetnums() { return setnums_; }
  void RecomputeColumnSetnums();
  // Sorts the entries by an added column (numbers, or texts case ignored), stable; the
  // cumulative computed columns are worked out again by the caller.
  bool SortOnAddedColumn(int column, bool ascending);

  // --- conditions (model/search_conditions.h) ---
  bool RowMeetsCondition(int index, const TDoubleSearchCategoryRec& rec);
  // Tests the rows against the search records and acts by action tag: 170 find, 85 delete the
  // rows found (undoable), 194 colour them (each row the colour of the first record it meets).
  // find_next: from start_row down (or up), stopping at the first row found by the first record.
  // A record naming a column the list no longer has does nothing and says so.
  TConditionOutcome CheckAllForCondition(std::vector<TDoubleSearchCategoryRec>& records, int start_row,
                                         int action_tag, bool find_next, bool search_up,
                                         const std::function<bool()>& stop = {});
  // The row the conditions window searches on from.
  int32_t search_position = 0;
  // Colour categories: a colour per row (kNoColourCategory: none).
  uint32_t ColourCategoryOf(int index) const;
  void SetColourCategory(int index, uint32_t colour);
  int ClearColourCategoryColours();
  bool HasColourCategories() const { return !colour_categories_.empty(); }
  // Rows with a colour first, in the order of colours given (others after them), stable.
  bool SortOnColourCategory(const std::vector<uint32_t>& colour_order);
  int HeadingCount() const { return static_cast<int>(headings_.size()); }
  // Data rows (the heading row not counted).
  virtual int TotalRowCount() const { return Count(); }
  virtual int ColumnTotalRowCount() const { return column_totals_.empty() ? 0 : 1; }
  // Cells of grid row r (0 = headings), one per heading; empty for a row that does not exist.
  // The refill form reuses the caller's cells and the room their texts and lists already have,
  // so that an export walking a million rows allocates almost nothing per row; a list that
  // makes its cells its own way overrides it (the other form calls it).
  virtual void EntryDetailsAsGridDataRecs(int row, std::vector<TGrid_data_rec>& cells);
  std::vector<TGrid_data_rec> EntryDetailsAsGridDataRecs(int row);
  virtual void GetColumnTotalDataForGrid(int col, int total_row, TGrid_data_rec& cell);
  virtual void LeftmostColumnDataRec(int row, TGrid_data_rec& cell);
  // Sets the spreadsheet row, column and sheet of a cell from its logical column; excel_row
  // is kept when set, otherwise made from the row.
  virtual void ExcelFileCell(TGrid_data_rec& cell);

  // --- list state ---
  TTessorineList ListType() const { return list_type_; }
  grid_alternatives GridKind() const { return grid_kind_; }
  int32_t Number() const { return number_; }
  int32_t GetVersionNumber() const { return stored_.settings.version; }
  void SetVersionNumber(int32_t v) { stored_.settings.version = v; }
  TStoredListInfoHolder& StoredListInfo() { return stored_; }
  int32_t ChangedEntries() const { return changed_entries_; }
  void ClearChangedEntries() { changed_entries_ = 0; }
  // Puts back a count noted before a write that, as a whole, did not reach its file.
  void SetChangedEntries(int32_t n) { changed_entries_ = n; }
  void NoteChange() {
    ++changed_entries_;
    ++entries_generation_;
  }
  // Moves on with every change of which entries the list holds, their marks and joins (never
  // back, unlike ChangedEntries, which a save clears): a list keeping a figure worked out from its
  // entries knows when it no longer holds. Not with a change of their order (a sort), nor of an
  // entry's own fields written in place: whoever keeps a figure of those tracks them itself.
  uint64_t EntriesGeneration() const { return entries_generation_; }
  // Where the next GetNextCloudDatum reads (0 the first row); a cloud resets it before every
  // layout, so each layout starts at the list's first row.
  int32_t fCloudCursor = 0;
  void ResetCloudCursor() { fCloudCursor = 0; }
  int32_t MinFrequency() const { return min_frequency_; }
  int32_t MaxFrequency() const { return max_frequency_; }
  void WidenFrequencyRange(int32_t f);
  uint32_t ListFlags() const { return stored_.settings.list_flags; }
  void SetListFlags(uint32_t flags) { stored_.settings.list_flags = flags; }
  TLCID SortLCID() const;

 protected:
  // Add and Put for the job that holds the list busy: no busy check.
  int AddOwn(TVXBaseListObject* entry);
  void PutOwn(int i, TVXBaseListObject* entry);
  static int ClampLevel(int level) { return level < 0 ? 0 : (level > 2 ? 2 : level); }
  // Compares entry with the level's pivot through the level's comparer (0 without one).
  int CompareWithPivot(int level, TVXBaseListObject& entry);
  void PushUndo(std::unique_ptr<TUndoRecord> rec);
  // Reverses the record's change (Undo) or makes it again (Redo).
  void UndoRecord(TUndoRecord& rec);
  void RedoRecord(TUndoRecord& rec);
  // Applies the sort settings of the stored settings record to the levels.
  void ApplyStoredSortSettings();
  void StoreSortSettings();

  std::vector<TVXBaseListObject*> entries_;
  int32_t nil_slots_ = 0;

 private:
  struct TPivotCache {
    std::string key;
    int64_t number = 0;
    float real = 0.0f;
  };
  static int BaseCompareAlphabetical(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseCompareFrequency(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseCompareReverse(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseCompareLength(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseComparePrefix(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseCompareSuffix(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseCompareTexts(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  static int BaseCompareDispersion(TVXBaseDataClass& list, int level, TVXBaseListObject& e);
  std::string StringKeyFor(int level, TVXBaseListObject& e);
  void FreeEntry(TVXBaseListObject* e);
  bool ValidIndex(int i) const { return i >= 0 && i < Count() && entries_[i] != nullptr; }

  TVXBaseHolder* holder_;
  TEntryClass entry_class_;
  grid_alternatives grid_kind_;
  TTessorineList list_type_;
  int32_t number_;
  TStoredListInfoHolder stored_;
  std::vector<UString> headings_;
  TSortLevel sorts_[3];
  TVXBaseListObject* pivots_[3] = {nullptr, nullptr, nullptr};
  TPivotCache pivot_cache_[3];
  int current_level_ = 0;  // the level a comparer is working for
  bool sorts_changed_ = false;
  bool alpha_sorted_ = false;
  uint8_t busy_ = 0;
  int32_t changed_entries_ = 0;
  uint64_t entries_generation_ = 0;
  int32_t min_frequency_ = INT32_MAX;
  int32_t max_frequency_ = 0;
  std::vector<std::unique_ptr<TUndoRecord>> undo_;
  std::vector<std::unique_ptr<TUndoRecord>> redo_;
  std::vector<TAddedColumn> added_;
  int32_t next_added_column_ = kFirstAddedColumn;
  int32_t added_slots_ = 0;
  TVXActiveLongintList setnums_;
  std::vector<uint32_t> colour_categories_;  // by value slot
  std::vector<TGrid_data_rec> column_totals_;  // one cell per column once computed
  // The value slot of an entry (made on first need when create).
  int32_t AddedSlotOf(int index, bool create);
  // Entry order[i] goes to place i (a sort of the tools' own).
  void ReorderEntries(const std::vector<int>& order);
};
