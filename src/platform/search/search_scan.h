// Inside the search engine: the chunk scanner (words and unit ends, once per chunk) and compiled
// search items with their matchers. Used by search_engine.cpp and by the engine's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"
#include "platform/search/search_records.h"

// --- scanning --------------------------------------------------------------------------------

enum : uint32_t {
  kWordAfterMarker = 1,   // a text marker lies between the previous word and this one
  kWordCrossesTag = 2,    // one kept tag lies inside the word
  kWordHasInvisible = 4,  // an invisible character lies inside the word
  // Characters inside the word that are not its letters: matching passes over them.
  kWordSkipsChars = kWordCrossesTag | kWordHasInvisible,
};

struct TScanWord {
  int32_t start;  // first character
  int32_t span;   // characters up to the end of the word, tag characters included
  uint32_t hash;  // of the folded letters (tag characters left out)
  uint32_t flags;
};

// Units carried from one chunk of a text to the next.
struct TUnitState {
  int32_t number[kUnitKinds] = {1, 1, 1, 1};
  int32_t open_words[kUnitKinds] = {0, 0, 0, 0};  // words already in each open unit
};

// Units that end between two words (boundary = number of words of the chunk before the end).
struct TUnitEvent {
  int32_t boundary = 0;
  uint32_t ended_mask = 0;  // bit k: unit kind k ended
  bool text_end = false;    // the end of the text: numbers do not move on
  int32_t number[kUnitKinds] = {};
  int32_t length[kUnitKinds] = {};
};

// Splits text[begin..n) into words and unit ends, the words appended to `words` (unit ends count
// only the words appended). `units` comes in as the state at the chunk's start and leaves as the
// state at its end; with text_end every open unit with words closes.
// A scan for a few whole words keeps only the words that may be one of them: those as long as
// one of `lengths`, or with characters inside that are not letters. The others are counted.
// Where the masks say which words may be picked, a block with none that can be one only counts
// its words; a word of a picked length can be one only when its first character folds to one of
// `firsts` (a word is picked as it lies, its characters one for one those of a whole word
// sought). Those are read from `bytes` (the characters from `bytes_from` on, one a character; one
// of 0x80 or above stands for the unit the text holds) or else from the text.
struct TWordPicks {
  int32_t lengths[4] = {-1, -1, -1, -1};
  int32_t next_number = 0;              // the number the scan's next word gets; moves on with each word
  std::vector<int32_t> numbers;         // of the kept words, rising
  std::vector<TScanWord> picked_words;  // the kept words (not hashed)
  bool by_first = false;                // firsts holds every folded first character sought
  char16_t firsts[4] = {};
  bool ascii_first[128] = {};           // the ASCII characters among them, folded or not
  const uint8_t* bytes = nullptr;
  int32_t bytes_from = 0;
};

// Masks of the blocks of 64 characters from `begin` that a first pass already took (bit j of
// block b: character begin + 64 * b + j), for a stretch with no kept tag, hidden character or
// invisible one: the scan then reads them instead of the kinds.
struct TScanGivenMasks {
  const uint64_t* word = nullptr;     // word characters
  const uint64_t* markers = nullptr;  // text markers
  // Not 0: the kind of every marker of the masks (their kinds are then not read).
  uint16_t marker_kind = 0;
};
// Without hash_words the words' hashes are left 0: HashScanWords or ScanWordHash gives them when
// needed. With picks, `words` is left as it is and the words go to picks instead.
void ScanChunk(const char16_t* text, const uint16_t* kinds, int32_t begin, int32_t n, const char16_t* fold,
               std::vector<TScanWord>& words, std::vector<TUnitEvent>& events, TUnitState& units, bool text_end,
               bool hash_words = true, TWordPicks* picks = nullptr, const TScanGivenMasks* given = nullptr);
// The masks the scan takes of 64 kinds at once, bit j for kinds[j]: word characters, text
// markers, and kept-tag kinds or invisible characters in a word (hidden ones in none). Taken the
// vector way this processor has, or one kind at a time; the two agree.
struct TScanBlockMasks {
  uint64_t word = 0, markers = 0, tags = 0;
  bool operator==(const TScanBlockMasks&) const = default;
};
TScanBlockMasks ScanBlockMasks(const uint16_t* kinds, bool one_at_a_time);
// The hash a scan gives a word of text[0..n) (its letters folded, tag characters and invisible
// ones left out).
uint32_t ScanWordHash(const char16_t* text, const uint16_t* kinds, int32_t n, const char16_t* fold,
                      const TScanWord& word);
// The hash ScanWordHash gives a word with no character to skip (no flag of kWordSkipsChars) whose
// units are plain ASCII, read from their bytes (one a unit): span units from bytes[0], and
// `readable` bytes there may be read (at least span).
uint32_t ScanWordHashOfBytes(const uint8_t* bytes, int32_t span, int32_t readable, const char16_t* fold);
// Gives words[0..count) the hashes a scan with hash_words gives them.
void HashScanWords(const char16_t* text, const uint16_t* kinds, int32_t n, const char16_t* fold, TScanWord* words,
                   size_t count);

// End of the kept tag that starts at i: one past its last character (a run of one kind value,
// ending after a ">" or its replacement code 24).
int32_t TagRunEnd(const char16_t* text, const uint16_t* kinds, int32_t n, int32_t i);

// --- compiled items ----------------------------------------------------------------------------

enum class TSlotKind : uint8_t { Exact, Wild, AnyWord, Tag };

// A word pattern with "*" (any run of word characters) and "#" (a number: digits with "." or ","
// between digits) run as a small state machine: a set of states in one 64-bit word when it has
// at most 64 states, else (a very long pattern) a plain set of states, slower but the same.
struct TWildMachine {
  enum : uint8_t { kLit, kStar, kNumFirst, kNumIn, kNumSep, kAccept };
  std::vector<uint8_t> type;
  std::vector<uint32_t> next;
  std::vector<char16_t> lit_raw, lit_folded;
  std::vector<uint64_t> closure;  // small machines only
  uint64_t start = 0;
  int accept = 0;
  bool large = false;
};

struct TSlot {
  TSlotKind kind = TSlotKind::Exact;
  UString raw;     // Exact: the word as typed; Tag: the tag as typed
  UString folded;  // Exact: folded; Wild: folded literal prefix is prefix_len units of it
  uint32_t hash = 0;
  TWildMachine machine;
  UString prefix;  // Wild: folded literal characters before the first wildcard
  UString suffix;  // Wild: folded literal characters after the last wildcard
  int32_t min_letters = 0;
  // What was typed between the previous word and this one ("." in "St. Louis"): a text marker
  // between the two words of the text does not part them when its characters are typed here.
  UString gap_before;
};

struct TAlternative {
  std::vector<TSlot> slots;
  bool has_tag = false;
  int32_t anchor = 0;  // the slot the index looks up
};

struct TCompiledItem {
  UString source;  // typed text it was made from
  uint32_t source_options = 0;
  bool ignore_tags = false;
  bool case_sensitive = false;
  std::vector<TAlternative> alts;
};

// Compiles typed text; an item that yields no alternative never matches (and is logged).
void CompileItem(UStringView typed, uint32_t options, const TSearchTextOptions& text_options, bool ignore_tags,
                 TCompiledItem& out);

// A scanned stretch of text as the matchers read it.
struct TScanView {
  const char16_t* text = nullptr;
  const uint16_t* kinds = nullptr;
  const TScanWord* words = nullptr;
  int32_t word_count = 0;
  const char16_t* fold = nullptr;
};

bool SlotMatchesWord(const TSlot& slot, bool case_sensitive, const TScanView& v, int32_t w);
// The same for an exact slot and a word of ScanWordHashOfBytes (its hash given), read from its
// bytes.
bool ExactSlotMatchesBytes(const TSlot& slot, bool case_sensitive, const TScanWord& word, const uint8_t* bytes,
                           const char16_t* fold);
// The alternative's word slots against words first.. (gaps may not hold a marker, unless the
// slot's typed gap holds the marker's characters); skip_slot is a slot already known to match.
// For alternatives without tags.
bool AlternativeMatchesAt(const TAlternative& alt, bool case_sensitive, const TScanView& v, int32_t first,
                          int32_t skip_slot = -1);

// Words and kept tags in text order, for items that hold mark-up.
struct TScanToken {
  int32_t start;
  int32_t span;
  int32_t word;  // the word's index; for a tag the index of the next word
  bool is_tag;
  bool after_marker;
};
void BuildTokens(const TScanView& v, int32_t begin, int32_t n, std::vector<TScanToken>& tokens);
bool TagSlotMatches(const TSlot& slot, const char16_t* text, int32_t start, int32_t span, const char16_t* fold);
bool AlternativeMatchesTokensAt(const TAlternative& alt, bool case_sensitive, const TScanView& v,
                                const std::vector<TScanToken>& tokens, int32_t first);
