// The search engine: finds search, context and exclusion words in decoded UTF-16 text and calls
// back for every hit and every end of a text unit.
//
// Main road (one text read in chunks):
//   per chunk  SetArrayOfTagsFound, PrepareForConcordancing (the chunk is split into words and
//              its unit ends found, once, whatever items are searched later);
//   per item   ClearChunkTextStats, SearchAndDo (hits of that item in text order; FoundEnough ends
//              the pass right after the call-back);
//   then       CopyAChunkTextStats (the chunk's words added to the text's counts, once).
// Each place where text units end is reported once to the statistics call-back, in text order:
// by the first pass that reaches it (before the first hit after it), or else by
// CopyAChunkTextStats. A hit's own statistics already carry the lengths of its units when they end
// within the chunk, so only units running on into later chunks need the call-back.
// The hits of every item known to the engine are gathered in one pass over the chunk's words
// (an item is known once SearchAndDo has seen it, or at once through SetItems) and then handed
// out item by item, one per place: a shorter alternative inside a longer one's hit is no hit.
//
// Chunk joins. For every chunk after the first, buffer[0, chunk_start) holds the previous chunk's
// last characters (at least its last 64 words, at most 4,096 characters, starting at a word
// boundary) with the kinds they had there; the byte map covers them too, and chunk_file_offset
// stays the file byte of the character at chunk_start. Words wholly before chunk_start are not
// counted again and give no unit end and no single-word hit. A hit whose first word begins
// before chunk_start and whose last word lies at or after it (a phrase, a multi-word
// alternative, "the * man") is reported with this chunk: its words_in_chunk counts back from the
// chunk's first word (-1 the word before it) and its unit numbers and positions are those the
// previous chunk would have given. A hit lying wholly before chunk_start is never reported again,
// nor one reaching across the cut that holds such a hit (a shorter alternative the previous chunk
// already reported at that place).
//
// A window (context and exclusion words of one line, or a cell of a grid): PrepareFirst, then
// optionally HandleAllowables, then SearchAndDo per item.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/ustring.h"
#include "platform/search/chunk_byte_map.h"
#include "platform/search/search_records.h"

class TBaseSearchItems;
class TSearchAndDoEngine;

// Found call-back: true when the caller made something of the hit (a concordance line).
using TSearchFoundEvent = std::function<bool(TSearchAndDoEngine& sender, TSearchFound_Rec& found)>;
// Statistics call-back: one call per place where text units end (each reported once).
using TSearchStatsEvent = std::function<void(TSearchAndDoEngine& sender, TSearchStatsRec& stats)>;

// Where a chunk lies in its buffer and in its file.
struct TChunkPositions {
  int32_t text_start = 0;         // where the text begins in the buffer (after a byte-order mark)
  int32_t chunk_start = 0;        // where this chunk's text begins in the buffer; before it: the overlap
  int32_t length = 0;             // characters of the buffer; kinds holds at least as many words
  int32_t chunk_index = 0;        // 0: the first chunk of a text, whose unit numbers start again at 1
  bool last_chunk = true;         // the text ends with this chunk: every open unit ends here
  int64_t chunk_file_offset = 0;  // file byte of the character at chunk_start
  int64_t file_size = 0;
  // Character index (into the buffer) to file byte; nullptr: two bytes a character from
  // chunk_file_offset at chunk_start.
  const TChunkByteMap* byte_map = nullptr;
  // The reader's first pass over the chunk, when it took one: word and marker masks of the blocks
  // of 64 characters from chunk_start (see TScanGivenMasks); the scan then skips the kinds.
  const uint64_t* word_masks = nullptr;
  const uint64_t* marker_masks = nullptr;
  uint16_t marker_kind = 0;  // not 0: the kind of every marker of those masks
  // Set where the kinds of the chunk are written only when asked for (sentence ends excepted):
  // the engine asks for those of [from, to) before it reads them. Empty: every kind is there.
  std::function<void(int32_t from, int32_t to)> ensure_kinds;
  // Likewise for the text (widened on demand): ensure_kinds makes the text too; this the text alone.
  std::function<void(int32_t from, int32_t to)> ensure_text;
  // With word_masks: the bytes the chunk's characters [chunk_start, length) are widened from, one
  // a character (one of 0x80 or above stands for a unit beyond ASCII). A chunk scanned for a few
  // whole words then hashes and checks those of plain ASCII from these bytes, making neither
  // their text nor their kinds.
  const uint8_t* plain_bytes = nullptr;
  // Told of the next hit's first character before a hit goes to the found call-back, so that
  // what the call-back will read around it can be fetched meanwhile.
  std::function<void(int32_t position)> next_hit;
};

class TSearchAndDoEngine {
 public:
  // unicode and standard are kept for the callers' shape: the engine reads UTF-16 only. A word
  // array is not used.
  TSearchAndDoEngine(bool unicode, bool standard, const TSearchTextOptions& options,
                     const uint16_t* word_array = nullptr);
  virtual ~TSearchAndDoEngine();
  // An engine going leaves its chunk's word list to the thread's next engine (a worker makes one
  // for each text); this frees the list kept on the calling thread.
  static void FreeKeptWordList();
  TSearchAndDoEngine(const TSearchAndDoEngine&) = delete;
  TSearchAndDoEngine& operator=(const TSearchAndDoEngine&) = delete;

  const TSearchTextOptions& TextOptions() const;
  void SetTextOptions(const TSearchTextOptions& options);  // forgets compiled items
  bool Unicode() const;
  void UnicodeChangeTo(bool unicode);  // noted only

  // The reader's eight counters of text markers found in the chunk (kinds 14 to 21). They tell
  // which kinds occur; units are counted from the kind array itself.
  void SetArrayOfTagsFound(const int32_t counts[8]);
  const int32_t* ArrayOfTagsFound() const;

  // Takes a chunk: buffer and kinds stay the caller's and must live until the next Prepare.
  void PrepareForConcordancing(UStringView file_name, const char16_t* buffer, const uint16_t* kinds,
                               const TChunkPositions& positions, TSearchFoundEvent found, TSearchStatsEvent stats);
  // Takes a window of text (copied). search_word_start/length give the search word of a line; the
  // words to either side are numbered -1, -2, ... and 1, 2, ... from it and only those within the
  // horizons are searched. A start below 0 searches the whole text (distances 0). Without kinds the
  // text is classified here and the allowed characters of the text options applied.
  void PrepareFirst(UStringView text, int32_t search_word_start, int32_t search_word_length, TSearchFoundEvent found,
                    TSearchStatsEvent stats = {}, const uint16_t* kinds = nullptr);
  // Applies the allowed characters to the prepared window's kinds (hyphens as the text options say).
  void HandleAllowables(UStringView in_word_symbols, bool at_start, bool at_end);
  // Window horizons in words to the left and right of the search word; negative: no limit.
  void SetHorizons(int32_t left, int32_t right);

  // Optional: makes every item of the list known at once, so that the first chunk too is read in
  // one pass. Item i of the list is item index i.
  void SetItems(const TBaseSearchItems& items);
  void SetCurrentItem(int32_t index);
  int32_t CurrentItem() const;

  // Before each item's pass. The chunk's statistics are counted once in PrepareForConcordancing,
  // so nothing a pass does changes them.
  void ClearChunkTextStats();
  // Runs one item over the prepared chunk or window; answers the number of found call-backs made.
  // Item indices run from 0 to 4,194,303.
  // item.hits counts the hits the call-back accepted; with instances_to_find > 0 the pass stops
  // once hits reaches it.
  int32_t SearchAndDo(TSearch_word_format_rec& item, int32_t item_index);
  // Ends the running SearchAndDo after the current call-back. Cleared by the next SearchAndDo and
  // by PrepareFirst.
  void FoundEnough();
  bool FoundEnoughSet() const;

  // Unit ends are told to the statistics call-back only where they end one of these kinds (bit
  // k: kind k; every kind until this is called). A caller with nothing waiting on a kind's end
  // says so and is spared a call-back per end: the hits' statistics and CopyAChunkTextStats are
  // the same either way. Kept from chunk to chunk.
  void SetUnitEndsWanted(uint32_t kinds);

  // Adds the chunk's words to text_stats.words_in_chunk (once per chunk, however often called),
  // and sets its unit numbers and positions to those at the chunk's end. Unit ends not yet
  // reported (every item skipped, or passes cut short) go to the statistics call-back first.
  void CopyAChunkTextStats(TSearchStatsRec& text_stats);
  // Words of the prepared chunk or window.
  int32_t WordsInChunk() const;

  // Whether the item matches anywhere in buffer (an entry's word followed by a blank); mark-up in
  // the item is ignored.
  bool QuickSearchFoundIgnoringTags(UStringView buffer, const TSearch_word_format_rec& item);
  bool QuickSearchFoundIgnoringTags(UStringView buffer, UStringView item_word, uint32_t options);

  // Jump mode: the source answers the lowest file byte to jump to (0 or less: off; 1 also stands
  // for byte 0). Hits that begin before it are passed over; a FoundEnough given while jumping ends
  // the text: no further hits until a new text starts.
  void SetJumpToSource(std::function<int64_t()> lowest_jump_to);

  // Cancelling (a search dialog): SearchAndDo returns at once and stops after the call-back.
  void Cancel();
  void ClearCancel();
  bool Cancelled() const;
  int32_t current_row = 0;  // kept for the caller (the grid row being searched)

 protected:
  void SetExactGap(int32_t value);
  int32_t ExactGap() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The engine of context and exclusion words.
class TAdditionalSearchAndDoEngine : public TSearchAndDoEngine {
 public:
  using TSearchAndDoEngine::TSearchAndDoEngine;
  // Non-zero: only context hits whose distance is within 1 of this signed position count.
  void SetContext_exact_gap_required(int32_t value) { SetExactGap(value); }
  int32_t Context_exact_gap_required() const { return ExactGap(); }
};
