// Counting the words of one text: the reader hands each chunk to TWordlistBufferProcessor, which
// splits it into words with the search engine's scanner (so a word list and a concordance agree
// on what a word is) and counts each word in the text's own TWordCounter.
//
// Per word, in this order:
//   1. the counted form: the word's characters without the tag characters and invisible
//      characters inside it, in capitals unless the list is case sensitive (one unit for one, so
//      "ß" stays); a hidden character always ends a word (the scanner's rule);
//   2. a running word of the text;
//   3. a word of the stop list (counted form) is dropped here; it stays a running word;
//   4. the type/token ratio block counts it (blocks of `ratio_basis` words, never across texts);
//   5. a word with a digit becomes "#" unless numbers are kept;
//   6. a word longer than the maximum (code points) is cut to maximum - 1 and "+", unless the
//      exact length is asked for (then it stays whole);
//   7. a word shorter than the minimum is dropped and is no running word;
//   8. its length (1..50) is counted;
//   9. by the tag treatment: 0 the word alone; 1 the word and the kept tag right before it (its
//      text); 2 the tag text alone (a word without tag counts nothing); 3 as 1, but only words
//      right after a tag are counted;
//  10. it is added to the text's counter in the dispersion section of its byte in the list being
//      made (the text's place: its offset + its byte in the text, over the list's bytes).
// Sentences, paragraphs, headings and sections are the scanner's units, measured in scanned
// words, carried from chunk to chunk of a text; a text's units close at its end.
//
// How: a chunk the fast first pass judged, in a plain list (the word alone, no stop list, no
// tokens kept) whose capitals of ASCII letters are one bit away, is counted straight from the
// pass's word masks, with no record per word: each word's counted form is packed from its units
// into 16, 48 or 112 bytes and counted in its cell (TAsciiWordCells), its sentence ends taken
// from the marker masks. Any other chunk is scanned into words; in a plain list without tokens
// they are counted the same way, through the cells where their forms are ones; otherwise each is
// counted alone (CountWord), in the same cells when its counted form is one. The cells hand their counts to the
// text's counter when the dispersion section changes and at the text's end.
//
// Nothing here is shared: any number of texts may be counted at once, each with its own
// processor, tag handler and counter. The settings are read once, before a run (TWordCountSetup).
#pragma once

#include <climits>
#include <cstdint>
#include <map>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "model/reading/chosen_texts.h"
#include "model/reading/tag_handler.h"
#include "model/reading/text_reader.h"
#include "model/reading/text_statistics.h"
#include "platform/search/search_scan.h"
#include "wordlist/ascii_word_table.h"
#include "wordlist/word_counter.h"

class T_WholeWordlistHolder;
struct TTextWordCounts;

// What counting takes from the settings and the document, read before any text.
struct TWordCountSetup {
  TTextReadRun* run = nullptr;  // required
  bool case_sensitive = false;
  bool numbers_kept = true;
  bool exact_word_length = false;
  bool cut_lower_case = false;
  int32_t min_length = 1;
  int32_t max_length = 0;  // 0: no limit
  uint8_t tag_treatment = 0;
  uint16_t ratio_basis = 1000;
  int32_t divisions = 8;
  uint32_t lcid = 0x0409;
  std::unordered_set<UString> stop_words;  // in the counted form (capitals unless case sensitive)
  // Each worker's tag handler; without it one is made from the run's snapshot.
  std::function<std::unique_ptr<TTextTagHandler>()> make_tag_handler;
  // A corpus index: every counted word is kept as a token too (TTextWordCounts::tokens).
  bool keep_tokens = false;
  // Called after each chunk with the text's answer so far, when it holds more than one token:
  // it may take the tokens but the last (whose flags the next words may still change) and the
  // words of the keys they bring. Answering false stops reading the text.
  std::function<bool(TTextWordCounts& text)> hand_over_tokens;
};

// Reads the word-list settings, text settings and the given stop words into a setup.
TWordCountSetup MakeWordCountSetup(TTextReadRun* run, const TTextsett_rec32& text_settings,
                                   const TWordlist_settings_rec& list_settings, const std::vector<UString>& stop_words);

// The word in its counted form (capitals unless case sensitive), as the counter keys it.
UString CountedForm(UStringView word, bool case_sensitive, uint32_t lcid);

// Where a text lies in the list being made, for dispersion: the chosen sizes of the list's texts
// before it, and of all the list's texts together.
struct TTextPlace {
  int64_t offset = 0;
  int64_t list_bytes = 0;
};

// A counted word as a corpus index keeps it: its key in the text's counter (bits 0-27) with the
// word's flags (bits 28-31: 1 punctuation right after it, 2 a sentence boundary, 4 a paragraph,
// heading or section boundary before the next word), and its first byte in the text.
struct TCountedToken {
  uint32_t key_and_marks;
  uint32_t byte;
};

// What counting one text gives.
struct TTextWordCounts {
  int32_t text_index = 0;
  bool read_ok = false;
  bool set_up = false;      // the text could be opened
  bool convert_asked = false;  // the run's question about a UTF-8 text was answered Yes
  UString failure;
  TWordCounter counter;
  TOne_text_stats_rec stats;  // running words, units, ratio, lengths, types, size, name
  int32_t running_words = 0;
  TFileHandledRec handled{};
  uint8_t stop_state = 0;
  // With keep_tokens: the tokens not handed over yet, and how many keys of `counter` went with
  // tokens handed over (the words of the others are still to be taken from the counter).
  std::vector<TCountedToken> tokens;
  int32_t keys_handed_over = 0;
  TSectionStartsList sections;  // with keep_tokens: the text's section starts
  // The tags words were counted under: tag text -> its 1-based number in the tag handler.
  std::map<UString, int32_t> tag_numbers;
};

class TWordlistBufferProcessor : public TBufferProcessor {
 public:
  TWordlistBufferProcessor(const TWordCountSetup& setup, TTextTagHandler* tags, const TChosenFileDetailsFullRec& chosen,
                           int32_t text_index, TTextPlace place, TTextWordCounts& out);
  bool SetupTheBuffer() override;
  bool ProcessAChunkOfFile(int32_t chunk_index) override;
  // Closes the text's open units and fills the statistics record.
  void FinishText();
  uint8_t StopStateNow() const { return StopState(); }

 private:
  // Counts w; answers its key, or -1 when the word is not counted.
  int32_t CountWord(const TScanWord& w);
  // Counts the words of a chunk the fast first pass judged straight from its word masks, with its
  // unit ends from the marker masks (a plain list of ASCII case by bit, without tokens); a word
  // with a unit beyond ASCII has the kinds of its own characters made, and is counted alone.
  void CountFastChunk(const TFastPassResult& fast);
  // Counts the words `walk` finds in the chunk (walk(found) calls found(word) for each, in text
  // order) as CountWord would, a word of a cell read from its cell, each cell fetched a few words
  // before its word is counted (a plain list without tokens).
  template <class Walk>
  void CountPlainWords(Walk&& walk);
  // A word CountPlainWords found, waiting for its count: the cells that hold its counted form, or
  // none (the word is counted alone), and the form when a short cell holds it; a longer form
  // waits in a TLongForm beside, so that the words waiting stay in a few cache lines.
  struct TFoundWord {
    enum : uint8_t { kNoCell, kShortCell, kLongCell, kLongerCell };
    TAsciiWordTable::TForm form;
    TScanWord word;
    uint8_t cell;
  };
  union TLongForm {
    TAsciiLongWordTable::TForm long_form;
    TAsciiLongerWordTable::TForm longer_form;
  };
  // Places a found word that no short cell takes whole: in the cells of its longer or cut form
  // (kept in `longer`), fetched ahead, or hashed with its recent slot fetched.
  void PlaceFoundWord(TFoundWord& w, TLongForm& longer);
  // Counts a found word outside the short cells' loop, in dispersion section `division`, or in
  // the section of its place when that is kSectionOfItsPlace.
  static constexpr int32_t kSectionOfItsPlace = INT32_MIN;
  void CountFoundWord(const TFoundWord& w, const TLongForm& longer, int32_t division);
  // The counted form of the `span` units at `start` when the word is counted from a cell of
  // `cells`' size: ASCII, no digit unless numbers are kept, and either within the lengths counted
  // whole and of the units that size holds, or cut to the longest length counted (its first
  // units and "+") when that form is of the units the size holds.
  template <class Cells>
  bool CellForm(const Cells& cells, int32_t start, int32_t span, typename Cells::TForm& form) const;
  // Counts a word of that form in its cell; answers its key.
  template <class Cells>
  int32_t CountCellWord(Cells& cells, const typename Cells::TForm& form, int32_t division);
  // The cell of a form, made (with its key in the counter, whose mark moves into it) when new.
  template <class Cells>
  typename Cells::TCell& CellFor(Cells& cells, const typename Cells::TForm& form);
  template <class Cells>
  void CountInCell(Cells& cells, typename Cells::TCell& cell, int32_t division);
  // One more occurrence in the cell's pending count, which is of section `division`.
  template <class Cells>
  void AddPending(Cells& cells, typename Cells::TCell& cell, int32_t division);
  // Hands the cells' pending counts to the counter.
  void FlushCells();
  // Counts w as the word last seen in its slot when it is that word (key: its key); false otherwise.
  bool CountedFromCache(const TScanWord& w, int32_t& key);
  template <class Slot>
  bool CountedAs(const TScanWord& w, const Slot& recent, int32_t& key);
  // Keeps the word w (its units in form_, counted under key with that length) in its slot.
  void RememberWord(const TScanWord& w, int32_t key, int32_t length);
  // Fetches the slot of w (hashed) ahead of its count.
  void PrefetchRecent(const TScanWord& w) const;
  // Gives w (a word the scan left unhashed) its hash, and fetches its slot.
  void HashAndPrefetch(TScanWord& w);
  // Keeps w as a token (key -1: not counted) and gives the last token the markers before w.
  void NoteToken(size_t w, int32_t key);
  // The marker flags of the text markers in [from, to).
  uint32_t MarkersIn(int32_t from, int32_t to) const;
  uint32_t RecentHash(const TScanWord& w) const { return w.hash + static_cast<uint32_t>(w.span) * 0x9E3779B9u; }
  void CountedAt(int32_t key, int32_t division);
  // The dispersion section of the word that starts at character `start`.
  int32_t DivisionAt(int32_t start);
  void CloseUnit(int kind, int32_t length);
  void CloseRatioBlock();

  const TWordCountSetup& setup_;
  TTextWordCounts& out_;
  TTextPlace place_;
  const char16_t* upper_;
  const char16_t* fold_;
  // The word alone is counted, unchanged, with no stop list: a word's key then follows from its
  // counted form alone, so repeats may be found by their form (the cells, the recent words).
  bool plain_ = false;
  // Capitals of ASCII letters are one bit away under the list's case (not so in Turkish): words
  // of ASCII units then take their counted form straight from the units.
  bool ascii_case_by_bit_ = false;
  // Counted forms of ASCII units, at most 112 of them, unchanged (plain lists only): counted in
  // the cells of their size (cells_ up to 16 units, long_cells_ up to 48, longer_cells_ up to
  // 112), which hold their marks and their counts until FlushCells. A key counted there has
  // kKeyInCell for its mark in the counter.
  static constexpr int32_t kKeyInCell = INT32_MIN;
  TAsciiWordTable cells_;
  TAsciiLongWordTable long_cells_;
  TAsciiLongerWordTable longer_cells_;
  int32_t cells_division_ = -1;  // the section of the cells' pending counts
  // Per size of cell (SizeOfCells): the lengths of forms counted whole there.
  int32_t cell_min_[3] = {}, cell_max_[3] = {};
  // Words longer than cut_from_ units are cut to it; their forms are counted in the cells of size
  // cut_into_ (-1: none, as when a cut word is too short to count).
  int32_t cut_from_ = INT32_MAX, cut_into_ = -1;
  template <class Cells>
  static constexpr int SizeOfCells() {
    return Cells::kMostUnits == TAsciiWordTable::kMostUnits       ? 0
           : Cells::kMostUnits == TAsciiLongWordTable::kMostUnits ? 1
                                                                   : 2;
  }
  // Answers f(the cells that hold forms of `units` units), for 1 to 112 units.
  template <class F>
  decltype(auto) WithCellsFor(size_t units, F&& f) {
    if (units <= TAsciiWordTable::kMostUnits) return f(cells_);
    if (units <= TAsciiLongWordTable::kMostUnits) return f(long_cells_);
    return f(longer_cells_);
  }
  TUnitState units_;
  std::vector<TScanWord> words_;
  std::vector<TUnitEvent> events_;
  UString form_;
  UString cut_;  // a form cut to the longest length counted
  UString tag_;
  // Per unit kind (and the ratio at index 4): count, mean, sum of squared deviations.
  struct TRunning {
    int64_t n = 0;
    double mean = 0, ssd = 0;
  } unit_[5];
  int32_t block_words_ = 0, block_types_ = 0, block_ = 0;
  bool finished_ = false;
  // Words seen lately that no cell counts, by the scanner's hash: the units kept here, so that a
  // repeat is recognised without making its form or reading the counter's arena. Words of up to
  // kRecentUnits units in one table; longer ones (cut to the longest length counted, many of
  // them: rules of underscores, encoded lines in mail) in a smaller one of longer slots.
  // A short text gets fewer slots (one per 32 bytes, one long one per 2 KB), so that a run of
  // many small texts does not clear large tables for each.
  static constexpr uint32_t kRecentWords = 16384, kLongRecentWords = 1024;
  static constexpr size_t kRecentUnits = 28, kLongRecentUnits = 92;
  template <size_t Units>
  struct alignas(64) TRecent {
    int32_t key = -1;
    uint16_t length = 0;          // units of the word (a cut word's whole units)
    uint16_t counted_length = 0;  // the length it is counted with
    char16_t form[Units];         // in capitals unless case sensitive
  };
  static_assert(sizeof(TRecent<kRecentUnits>) == 64 && sizeof(TRecent<kLongRecentUnits>) == 192);
  std::vector<TRecent<kRecentUnits>> recent_;
  std::vector<TRecent<kLongRecentUnits>> long_recent_;
  uint32_t recent_mask_ = 0, long_recent_mask_ = 0;
  int32_t division_ = -1;
  int32_t gap_from_ = 0;  // with tokens: where the characters after the last word scanned begin
  bool chunk_in_division_ = false;
  int64_t division_end_ = 0;
};

// Reads and counts one text (never throws: a failure is in the answer).
TTextWordCounts CountTextWords(const TWordCountSetup& setup, const TChosenFileDetailsFullRec& chosen, int32_t text_index,
                               TTextPlace place);
