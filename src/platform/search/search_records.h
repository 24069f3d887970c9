// Records shared by the search engine and its callers: the statistics of a hit or of a unit end,
// the found record handed to the found call-back, the search-item record and the engine's own
// text options.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/rtl/ustring.h"

// Text units counted by the engine, in the order of their numbers in TSearchStatsRec.
enum : int {
  kUnitSentence = 0,
  kUnitParagraph = 1,
  kUnitHeading = 2,
  kUnitSection = 3,
  kUnitKinds = 4,
};

// 15 int32 (60 bytes): stored whole in every concordance line (its `extras`).
// At a hit: words_in_chunk is the 0-based index of the hit's first word in the chunk, the unit
// numbers are 1-based per text, the positions 1-based within each unit; a length is the unit's
// length in words when the unit ends within the same chunk, else 0 (it then comes later through
// the statistics call-back).
// At a unit end (statistics call-back): words_in_chunk is the number of words of the chunk
// before the end; for each kind that ended, its number, position and length give the ended unit
// and its length in words; for the other kinds the number and position are the current ones and
// the length is 0.
struct TSearchStatsRec {
  int32_t words_in_chunk = 0;              // 0
  int32_t unit_number[kUnitKinds] = {};    // 1-4 sentence, paragraph, heading, section
  int32_t spare5 = 0;                      // 5
  int32_t unit_position[kUnitKinds] = {};  // 6-9
  int32_t spare10 = 0;                     // 10
  int32_t unit_length[kUnitKinds] = {};    // 11-14
};
static_assert(sizeof(TSearchStatsRec) == 60, "TSearchStatsRec is 15 int32");
static_assert(offsetof(TSearchStatsRec, unit_number) == 4);
static_assert(offsetof(TSearchStatsRec, unit_position) == 24);
static_assert(offsetof(TSearchStatsRec, unit_length) == 44);

// 30 int32 (120 bytes): one hit. Positions are UTF-16 character indices into the buffer the
// engine was given. The chunk's byte offset in the file is 64-bit: its low half is field 5, its
// high half field 6 (0 for files under 4 GiB).
struct TSearchFound_Rec {
  int32_t text_start = 0;             // 0: where the text begins in the buffer
  int32_t chunk_start = 0;            // 1: where this chunk's text begins in the buffer
  int32_t hit_position = 0;           // 2: first character of the hit
  float percent = 0;                  // 3: the hit's file byte as a percentage of the file size
  int32_t char_index = 0;             // 4: first character of the hit (same as field 2)
  uint32_t chunk_file_offset_lo = 0;  // 5
  uint32_t chunk_file_offset_hi = 0;  // 6
  int32_t hit_length = 0;             // 7: characters covered by the whole hit
  int32_t item_index = 0;             // 8: search item that found it
  int32_t context_distance = 0;       // 9: signed distance in words of a context hit (left < 0)
  int32_t spare[5] = {};              // 10-14
  TSearchStatsRec stats;              // 15-29

  int64_t ChunkFileOffset() const {
    return static_cast<int64_t>((static_cast<uint64_t>(chunk_file_offset_hi) << 32) | chunk_file_offset_lo);
  }
  void SetChunkFileOffset(int64_t v) {
    chunk_file_offset_lo = static_cast<uint32_t>(static_cast<uint64_t>(v));
    chunk_file_offset_hi = static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32);
  }
};
static_assert(sizeof(TSearchFound_Rec) == 120, "TSearchFound_Rec is 30 int32");
static_assert(offsetof(TSearchFound_Rec, percent) == 12);
static_assert(offsetof(TSearchFound_Rec, hit_length) == 28);
static_assert(offsetof(TSearchFound_Rec, context_distance) == 36);
static_assert(offsetof(TSearchFound_Rec, stats) == 60);

// Option bits of a search item.
enum : uint32_t {
  kSwCaseSensitive = 0x0001,       // match letter case exactly (also typed as ==word==)
  kSwWantPositionInLine = 0x0002,  // the line keeps where the search word starts and ends
  kSwNoLemmaVariants = 0x0004,     // not expanded with lemma variants
  kSwHasAttachedText = 0x0008,     // the attached text is listed with the word
  kSwKnownOptions = 0x000F,
};

// One search item (a search, context or exclusion word).
struct TSearch_word_format_rec {
  UString sw;                              // as typed: "walk*", "colour/color", "==New==", "old man"
  UString plain_sw;                        // for showing: the typed text without case marks and tags
  int32_t instances_to_find = 0x7FFFFFFF;  // accepted hits wanted per text (<= 0: no limit)
  uint32_t options = 0;                    // kSw... bits
  bool sw_contains_a_tag = false;          // the item holds mark-up ("<...>") that must match
  int32_t hits = 0;                        // hits accepted so far (cleared by ClearHits)
  UString attached_text;
  // The item's own context words: when not empty they replace the context items for its hits.
  UString context_words;
  bool context_require_all = false;
  bool context_exact = false;
  int32_t context_distance = 0;  // required signed position when context_exact

  bool operator==(const TSearch_word_format_rec&) const = default;
};

// How the engine recognises words. Callers fill it from the text settings record.
struct TSearchTextOptions {
  uint32_t lcid = 0x0409;               // the text's language: case folding (Turkic i) follows it
  bool hyphens_separate_words = false;  // else a hyphen between word characters joins them
  UString in_word_symbols;              // the language's extra symbols allowed in words (<= 10)
  bool symbols_at_start = false;        // ... also at the start of a word
  bool symbols_at_end = false;          // ... also at the end of a word
  // The texts are read in composed form (NFC, the text setting of precomposed characters): typed
  // words are composed too.
  bool precomposed = true;

  bool operator==(const TSearchTextOptions&) const = default;
};
