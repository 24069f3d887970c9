// Character scans: the tight loops that cut a concordance line out of a chunk and find, in that
// line, its words, the boundaries between them and its tag characters.
//
// Every scan works on a chunk's (or a line's) UTF-16 text and its array of 16-bit flag words,
// as the text reader and the tag handler leave them (model/tag_handler.h):
//   0x0001 .. 0x0200   character-kind bits (C1_*); word characters are a flag of exactly
//                      0x0200 (defined only) or any flag with alpha or digit (0x0104)
//   0x0400 alone       a tag character kept inside a protected window (BlankTagOutsideWindow);
//                      with kind bits it is a bracket written as an entity: plain text
//   0x0800             hidden mark-up (a tag of no kept number)
//   0x0801 + i         a character of kept tag i; its 1-based tag number is i + 1
//   0x8800 + k         the first character of a text marker of kind k, 0x8800 its others
//   0                  a character of no kind: not a word character, and not the end of anything
// Markers are told apart first: 0x8800 + k also has bit 11 set, yet a marker is never a tag.
//
// Scans are bounded by the counts they are given; none reads before index 0 or at or beyond its
// count, and none allocates. Positions and lengths are in UTF-16 units. The tag number met by a
// walk is kept in a TScanState the caller owns (one per worker), never in a global.
//
// Protocol for one line (what the text processor does per hit):
//   1. TLineCutter::Cut copies the window around the hit, compacting blanks, into its own
//      buffers (text of width + 3 units: the copy ends with two blanks and a 0) and gives the
//      midpoint (where the hit starts in the line) and the hit's length in the line.
//   2. optionally BlankTagOutsideWindow on the cut line keeps hidden tags near the hit.
//   3. TLineCutter::WordPositions (ComputeLineWordPositions over the line) fills the 102 span
//      positions (50 = the search word).
//   4. TLineCutter::CollectTags (CollectLineTags over the line) lists the tags of the line for
//      its tag-position list.
//   5. TLineCutter::Line is the line's text to store.
// A window that lies wholly among characters the fast first pass judged (plain ASCII, no tag) is
// cut straight into the one-byte form the line is stored in, and its flags are not copied: steps
// 3 and 4 read the chunk's flags where they lie, and the line's UTF-16 text and flags are made
// only when asked for (Text, Flags). Either way every answer is the one the general cut gives.
#pragma once

#include <cstdint>
#include <vector>

#include "concordance/lines/line_records.h"  // span positions, the widest line
#include "concordance/lines/line_text.h"
#include "platform/rtl/ustring.h"

// The copy writes two blanks and a 0 after the text it kept.
inline constexpr int32_t kLineBufferExtra = 3;
inline constexpr int32_t LineBufferCharacters(int32_t width) { return width + kLineBufferExtra; }

inline constexpr uint16_t kScanFlagTagKept = 0x0400;
inline constexpr uint16_t kScanFlagHidden = 0x0800;
// What the blanks the copy adds (left padding, the closing two) carry as flags.
inline constexpr uint16_t kScanFlagBlank = 0x0248;  // space + blank + defined

// --- classifying one flag word (markers first) -------------------------------------------------

inline bool ScanIsMarker(uint16_t f) { return (f & 0x8000) != 0; }
inline bool ScanIsTag(uint16_t f) { return !ScanIsMarker(f) && (f >= kScanFlagHidden || f == kScanFlagTagKept); }
inline bool ScanIsWordChar(uint16_t f) {
  if (f >= kScanFlagHidden || f == kScanFlagTagKept) return false;
  const uint16_t k = static_cast<uint16_t>(f & ~kScanFlagTagKept);
  return k == 0x0200 || (k & 0x0104) != 0;
}
inline bool ScanIsPunct(uint16_t f) { return f < kScanFlagHidden && f != kScanFlagTagKept && (f & 0x0010) != 0; }
// The 1-based kept-tag number of a tag character; 0 for hidden mark-up and kept-in-window tags.
inline uint16_t ScanTagNumber(uint16_t f) {
  return ScanIsTag(f) && f > kScanFlagHidden ? static_cast<uint16_t>(f - kScanFlagHidden) : 0;
}

// Boundary level of a marker's flag word: kind 15 gives 2, 17 gives 3, 19 gives 4, 21 gives 5,
// any other kind (and a marker's further characters) 0.
uint8_t BoundaryLevelOfMarker(uint16_t flag);

// The tag number last met by a walk, and whether a walk met a second, different tag.
struct TScanState {
  uint16_t current_tag = 0;
  bool second_tag = false;
};

// --- copying ------------------------------------------------------------------------------------

struct TCopyCompactResult {
  int32_t kept = 0;            // units written before the closing blanks
  int32_t range_blanks = 0;    // source units in the counting range with space/blank/control
  int32_t range_first = -1;    // destination offset of the first source unit of the range
  int32_t range_end = -1;      // destination offset reached when the range ended
  int32_t mark_at = -1;        // destination offset of the marked unit (see below)
};

// Copies up to `count` units of src (with their flags, both `src_count` long) to dst and
// dst_flags, each `dst_capacity` units long. A unit above 32 is copied; 1 is dropped; 25 and 24
// become "<" and ">"; any other unit of 32 or below becomes one blank, a run of them collapsing
// to one, except that a unit whose flag is above 0x8800 (a marker's first character) always
// gives its own blank. Units of the counting range [range_from, range_to) whose kind has any of
// 0x68 are counted. With mark 0 or above, mark_at is where the copy of source unit `mark` begins
// (for a dropped unit, the next unit kept; mark = count: the copy's end), -1 where the copy
// stopped before it. After the copy two blanks and a 0 are written: dst_capacity must be at least
// count + 3; a smaller buffer gets a shorter copy, never a write beyond it.
TCopyCompactResult CopyTextCompactingBlanks(const char16_t* src, const uint16_t* src_flags, int32_t src_count,
                                            int32_t count, char16_t* dst, uint16_t* dst_flags,
                                            int32_t dst_capacity, int32_t range_from, int32_t range_to,
                                            int32_t mark = -1);

// How many units of `text`, from its start, a stretch of a line shows as `shown`, read by the
// copy's rule above (no marker): a run of units of 32 and below is one blank (and matches a run
// of blanks in `shown` too), 1 is nothing, 25 and 24 are "<" and ">"; a blank at the end of
// `shown` takes the whole run. -1 when the text reads otherwise or
// ends first. Other units compare exactly, or as `same` says when given.
// A phrase that runs over a line end ("river\r\n  bank") is found as the line shows it.
int32_t TextUnitsShownAs(UStringView text, UStringView shown, bool (*same)(char16_t, char16_t) = nullptr);

// Copies count flags and count characters.
void CopyTextAndFlags(const uint16_t* src_flags, uint16_t* dst_flags, const char16_t* src, char16_t* dst,
                      int32_t count);

// --- walks over words and boundaries ----------------------------------------------------------

struct TWordWalk {
  int32_t length = 0;     // word characters (forward: tag characters included)
  int32_t tag_chars = 0;  // tag characters crossed
  int32_t position = 0;   // where the walk stopped: the first unit it did not take, -1 or count
};

// Walks left from `position` over word characters and the characters of at most one kept tag
// (its number becomes state.current_tag; a different tag stops the walk and sets
// state.second_tag); a marker, hidden mark-up (0x0800) or any other character stops it. Tag
// characters are not in the length.
TWordWalk WordLengthBackward(const uint16_t* flags, int32_t count, int32_t position, TScanState& state);
// The same to the right, crossing any number of kept tags (the first sets state.current_tag)
// and stopping at hidden mark-up and at `count`; tag characters are counted in the length too.
TWordWalk WordLengthForward(const uint16_t* flags, int32_t count, int32_t position, TScanState& state);

struct TBoundaryWalk {
  uint8_t level = 0;      // 0 none, 1 punctuation, 2..5 markers of kind 15, 17, 19, 21
  bool edge = false;      // the walk reached the end (after) or the start (before)
  int32_t position = 0;   // the next word character (after) or the previous one (before), or
                          // count / -1 at the edge
};

// Walks right from `position` (just after a word) to the next word character and gives the
// highest boundary level met; tag characters only set state.current_tag.
TBoundaryWalk BoundaryAfterWord(const uint16_t* flags, int32_t count, int32_t position, TScanState& state);
// The same walking left from `position` (just before a word).
TBoundaryWalk BoundaryBeforeWord(const uint16_t* flags, int32_t count, int32_t position, TScanState& state);

// --- tags ---------------------------------------------------------------------------------------

// Keeps the runs of `tag_flag` characters that start inside the window [window_start,
// window_start + window_length) - the window first widened to the left over such characters -
// and marks them 0x0400; every other run of them has its characters overwritten with
// `replacement`. Bounded by count.
void BlankTagOutsideWindow(char16_t* text, uint16_t* flags, int32_t count, int32_t window_start,
                           int32_t window_length, uint16_t tag_flag, char16_t replacement);

// One tag of a line: where it starts, how long it is, its 1-based kept-tag number (0: hidden
// mark-up or a tag kept inside the window, drawn in the default tag colours) and its first flag.
struct TLineTagPlace {
  int32_t position = 0;
  int32_t length = 0;
  uint16_t tag_number_1based = 0;
  uint16_t flag = 0;
};

// The tags of a line: runs of tag characters, a new tag starting where the flag changes or
// after a ">" closed the one before.
std::vector<TLineTagPlace> CollectLineTags(const char16_t* text, const uint16_t* flags, int32_t count);
// The same into a list the caller keeps between lines (cleared first), so that no line allocates.
void CollectLineTags(const char16_t* text, const uint16_t* flags, int32_t count, std::vector<TLineTagPlace>& tags);

// --- word positions -----------------------------------------------------------------------------

// One word around a hit: its start relative to the midpoint, its length (0: no word there), the
// boundary level that follows it and its tag number.
struct TLineWordPosition {
  int32_t start = 0;
  int32_t length = 0;
  uint8_t barrier = 0;
  uint16_t tag_number_1based = 0;
};

// Fills positions lo..hi (within 0..101) of out around the hit at `midpoint` of `hit_length`
// units: 50 is the hit itself, 49, 48, ... the words to its left, 51, 52, ... those to its
// right. Positions left without a word stay at the line's edges with length 0 (left: start
// -midpoint, right: start count - midpoint). Tag characters never belong to a word's ends.
// Without fill_all the positions outside lo..hi are left as they were (a line keeps only those
// its span asks for, and most spans are a tenth of the 102).
void ComputeLineWordPositions(const uint16_t* flags, int32_t count, int32_t midpoint, int32_t hit_length,
                              int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions], bool fill_all = true);
// The two roads ComputeLineWordPositions takes. Near the hit: masks of the stretch around it,
// made a few vector steps at a time, walked a word at a time; false where the units walked hold a
// tag character, the hit is long or the span's words run past the stretch (positions lo..hi of
// out then hold what they may, and the walk unit by unit is to fill them).
// Unit by unit: the walk over the flags themselves, which the other follows exactly.
bool ComputeLineWordPositionsNearHit(const uint16_t* flags, int32_t count, int32_t midpoint, int32_t hit_length,
                                     int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions],
                                     bool fill_all = true);
void ComputeLineWordPositionsUnitByUnit(const uint16_t* flags, int32_t count, int32_t midpoint, int32_t hit_length,
                                        int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions],
                                        bool fill_all = true);

// --- cutting a line -----------------------------------------------------------------------------

// What a first pass over a chunk found of its units [first, ...), one bit a unit in blocks of 64
// (bit j of block b: unit first + 64 * b + j): word characters, markers (each of marker_kind),
// punctuation as classified, and the punctuation it joined into words or made blanks. There is
// no tag among those units. The walks over the words around a hit can read these instead of
// the flags (a marker's flag word being marker_kind).
struct TChunkMasks {
  const uint64_t* word = nullptr;
  const uint64_t* markers = nullptr;
  const uint64_t* punct = nullptr;
  const uint64_t* joined = nullptr;
  const uint64_t* blanked = nullptr;
  int32_t first = 0;
  uint16_t marker_kind = 0;
};

// ComputeLineWordPositions over units [window_start, window_start + count) of a chunk, read from
// its masks: the same positions as over those units' flags.
void ComputeLineWordPositions(const TChunkMasks& masks, int32_t window_start, int32_t count, int32_t midpoint,
                              int32_t hit_length, int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions],
                              bool fill_all = true);

// A chunk's text and flags as the reader leaves them; `count` units of each.
struct TChunkView {
  const char16_t* text = nullptr;
  const uint16_t* flags = nullptr;
  int32_t count = 0;
  // Units [plain_from, plain_to) are known to be below 0x80 and to hold no tag character (the
  // fast first pass judged them): a line cut wholly among them is made in the one-byte form.
  int32_t plain_from = 0;
  int32_t plain_to = 0;
  // Where the flags of the chunk are made only when asked for: the caller has made those the
  // walks over the words around the hit read, and the cutter asks for the others through
  // flags_needed(owner, from, to) before it reads them. In the plain range the flags of units of
  // 32 and below are then those of their class (no marker, no tag), and a one-byte cut does not
  // read them.
  void (*flags_needed)(void* owner, int32_t from, int32_t to) = nullptr;
  void* owner = nullptr;
  // With flags_needed: the bytes units [plain_from, plain_to) were widened from (one a unit), the
  // text there being made only when asked for too (flags_needed makes it): a one-byte cut reads
  // those.
  const uint8_t* plain_bytes = nullptr;
  // With flags_needed: the first pass's masks of the plain range (masks.word null: none). A
  // one-byte cut then walks the words around the hit over them, and the caller need not make
  // the flags there first.
  TChunkMasks masks;
};

// Cuts lines out of chunks into buffers it keeps between lines (one cutter per worker).
class TLineCutter {
 public:
  // width is clipped to 1..kMaxLineWidth.
  explicit TLineCutter(int32_t width);
  int32_t Width() const { return width_; }

  // The window of `width` units around the hit at `hit_position` of `chunk` (hit_length units):
  // it starts width/2 before the hit. `before` (may be empty) is the text just before the chunk,
  // so that a hit near a cut sees its left context; where the window starts before both, the
  // line is padded with blanks. The hit must lie in the chunk (clipped when not). False when the
  // chunk is empty. The chunk's flags must stay as they are while the line is used.
  bool Cut(const TChunkView& chunk, const TChunkView& before, int32_t hit_position, int32_t hit_length);
  // Asks for what a Cut of the hit at `hit_position` will read first in the chunk's plain range
  // (the window's bytes or text, and the masks around the hit) to be fetched into the cache, so
  // that it is there when that hit is cut; reads nothing itself.
  void Prefetch(const TChunkView& chunk, int32_t hit_position) const;

  // The line: Length() units of text and flags (the buffers hold width + 3, closed by two
  // blanks and a 0). A line cut in the one-byte form makes them on first asking.
  const char16_t* Text() const;
  char16_t* MutableText();
  const uint16_t* Flags() const;
  uint16_t* MutableFlags();
  int32_t Length() const { return length_; }
  int32_t BufferCharacters() const { return LineBufferCharacters(width_); }
  UStringView LineText() const { return UStringView(Text(), static_cast<size_t>(length_)); }
  int32_t Midpoint() const { return midpoint_; }
  int32_t HitLength() const { return hit_length_; }
  // Whether the line was cut in the one-byte form (and its text and flags not made yet).
  bool OneByte() const { return one_byte_; }
  // The chunk's units the last cut's window covered: [WindowEnd() - its length, WindowEnd()).
  int32_t WindowEnd() const { return window_start_ + window_count_; }
  // The next Cut also finds where the line's copy of chunk unit `unit` begins (a unit the copy
  // dropped: the next one kept; the window's end: the line's), when the unit lies after the
  // window's first and up to its end: MarkedPosition() after it, else -1. Only the next Cut is
  // told. Marking says too that the next Cut reads the chunk the last one read, with the same
  // units and flags: a window that overlaps the last one then takes the last line's copy of
  // the units they share instead of copying them again (a frequent word's windows overlap most
  // of their width).
  void MarkInNextCut(int32_t unit) { next_mark_ = unit; }
  int32_t MarkedPosition() const { return marked_; }
  // The line's text as it is to be stored, in the shortest form its characters allow: its bytes
  // (a general cut narrows each unit as it is copied, a line going on from the last one only its
  // new units), else a view of the units.
  TLineText Line() const;

  // ComputeLineWordPositions over the line, into out (without fill_all, positions lo..hi alone).
  void WordPositions(int32_t lo, int32_t hi, TLineWordPosition (&out)[kSpanPositions], bool fill_all = true) const;
  // CollectLineTags over the line, into tags (cleared first).
  void CollectTags(std::vector<TLineTagPlace>& tags) const;

 private:
  // Which line a cut may go on from: the last cut's, in the form it had (the same chunk, marked).
  enum class TFollow : uint8_t { kNone, kOneByte, kGeneral };
  // The one-byte cut of window[0, n) (chunk units from window_start_ on) after `pad` blanks;
  // false (nothing kept) where a unit is not below 0x80 or a dropped unit could change a word
  // walk. window_masks_read: the walks will read the chunk's masks, not window_flags.
  bool CutOneByte(const char16_t* window, const uint16_t* window_flags, int32_t n, int32_t pad, int32_t hit_in_window,
                  int32_t hit_length, bool blanks_plain, bool window_masks_read, TFollow follow);
  bool CutOneByte(const uint8_t* window, const uint16_t* window_flags, int32_t n, int32_t pad, int32_t hit_in_window,
                  int32_t hit_length, bool blanks_plain, bool window_masks_read, TFollow follow);
  template <typename U>
  bool CutOneByteFrom(const U* window, const uint16_t* window_flags, int32_t n, int32_t pad, int32_t hit_in_window,
                      int32_t hit_length, bool blanks_plain, bool window_masks_read, TFollow follow);
  // A one-byte cut going on from the last: the window units and the bytes of the last line's
  // copy it takes, and the state of that copy after them.
  struct TByteFollow {
    int32_t units = 0;
    int32_t bytes = 0;
    bool in_blank_run = false;
    size_t drops = 0;  // the drops taken over with the shared units (judged by the last cut)
  };
  // Where a one-byte cut of `window` may take the last one-byte line's copy of the units their
  // windows share: places the line's bytes so that the copy is their start and keeps the drops
  // among those units (units 0: it starts afresh).
  template <typename U>
  TByteFollow FollowLastByteCut(const U* window, const uint16_t* window_flags, int32_t n, bool blanks_plain);
  // The same from the last general cut's line: its first unit is copied afresh, and the bytes of
  // the units after it up to the last window's end are the last line's, where those are ASCII.
  template <typename U>
  TByteFollow FollowLastGeneralCut(const U* window, const uint16_t* window_flags, int32_t n, bool blanks_plain);
  // The line position of window unit s (or of the end, s = n) in a one-byte cut.
  int32_t LinePositionOf(int32_t s) const;
  // The general cut of window src[0, n) (chunk units from ws on, no blanks before it), going on
  // from the last cut's line as `follow` says; mark: a window unit for MarkedPosition, or -1.
  void CutGeneral(const char16_t* src, const uint16_t* src_flags, int32_t n, int32_t ws, int32_t hit_in_window,
                  int32_t hit_length, TFollow follow, int32_t mark);
  // Whether a general cut of window src[0, n) (chunk units from ws on) may take the last
  // one-byte line's copy of chunk units [resume, that window's end).
  bool MayTakeLastByteCut(const char16_t* src, const uint16_t* src_flags, int32_t n, int32_t ws,
                          int32_t resume) const;
  // Writes that copy's units, bytes and flags at buffer place `at` and notes the drops among them
  // in general_drops_ (which it starts afresh); the units written.
  int32_t TakeLastByteCut(const uint16_t* src_flags, int32_t ws, int32_t resume, int32_t at);
  void MakeWide() const;
  void MakeFlags() const;
  // Narrows the line's units [from, to) into its bytes, noting where they need more than ASCII.
  void NarrowPiece(int32_t from, int32_t to) const;

  // A general cut's line lies at line_at_ in buffers of several lines' room: a line going on from
  // the last one is written where the units they share already are, and only when the buffers'
  // end is reached are those moved back to the start.
  int32_t BufferRoom() const { return static_cast<int32_t>(text_.size()); }

  int32_t width_;
  // Made on asking where the cut was in one byte: mutable so that readers of a const cutter
  // see them.
  mutable std::vector<char16_t> text_;
  mutable std::vector<uint16_t> flags_;
  int32_t line_at_ = 0;
  // The general cut's bytes (narrow_, where narrow_made_) beside its units, and the last buffer
  // places of a unit with no byte and of one at or above 0x80 (-1: none), places before the line
  // being of no account.
  mutable std::vector<uint8_t> narrow_;
  mutable bool narrow_made_ = false;
  mutable int32_t last_wide_ = -1, last_high_ = -1;
  // The last buffer place of a tag character, where tags_known_ (a general cut's).
  bool tags_known_ = false;
  int32_t last_tag_ = -1;
  std::vector<char16_t> join_text_;  // the window when it runs over the text before the chunk
  std::vector<uint16_t> join_flags_;
  int32_t length_ = 0;
  int32_t midpoint_ = 0;
  int32_t hit_length_ = 0;
  // The one-byte cut: its bytes (width + 3, closed like the text), the chunk's flags of its
  // window, the window units the copy dropped (in order), the blanks before the window and the
  // hit in window units.
  bool one_byte_ = false;
  mutable bool wide_made_ = false, flags_made_ = false;
  // The one-byte lines are written one after another into bytes_ (several lines' room), so that
  // a line going on from the last one finds the bytes they share where they are.
  std::vector<uint8_t> bytes_;
  uint8_t* line_bytes_ = nullptr;  // where the one-byte cut's bytes are
  // The last one-byte cut, which a marked cut of an overlapping window may go on from: its
  // window (units or bytes, and flags), the blanks rule it copied by, the state of its copy at
  // the end and where its bytes lie in bytes_.
  struct TLastByteCut {
    bool held = false;
    int32_t start = 0;  // the window's first chunk unit
    const void* window = nullptr;
    bool from_bytes = false;
    const uint16_t* flags = nullptr;
    int32_t count = 0;
    bool blanks_plain = false;
    bool ends_in_blank_run = false;
    int32_t at = 0, length = 0;
  } last_byte_;
  const uint16_t* window_flags_ = nullptr;
  TChunkMasks window_masks_;  // the chunk's masks, where the walks read those (word not null)
  int32_t window_count_ = 0;
  // Asked for the window's flags before they are copied (TChunkView::flags_needed).
  void (*flags_needed_)(void* owner, int32_t from, int32_t to) = nullptr;
  void* flags_owner_ = nullptr;
  int32_t window_start_ = 0;
  std::vector<int32_t> drops_;
  int32_t pad_ = 0;
  int32_t window_hit_ = 0;
  int32_t window_hit_length_ = 0;
  int32_t next_mark_ = -1;
  int32_t marked_ = -1;
  // The last general cut of a window inside the chunk, which a cut of an overlapping window may go
  // on from: its window [start, end), its line's length and buffer place, the state of its copy
  // at the end, and the chunk units it dropped: the `front` place-holders its window starts with,
  // then general_drops_[drops_from_, end), in order. A line going on from the last one drops
  // what the last one dropped after their shared units begin: the list is cut at its front
  // rather than copied, and made short again now and then.
  struct TLastGeneralCut {
    bool held = false;
    int32_t start = 0, end = 0, length = 0, at = 0, front = 0;
    bool ends_in_blank_run = false;
  } last_;
  std::vector<int32_t> general_drops_;
  size_t drops_from_ = 0;
};
