// The fast first pass: a chunk is classified, its sentence ends found, its in-word characters
// joined and its mid-word punctuation blanked in one walk over its units, 64 at a time, instead
// of one pass over the whole chunk for each step.
//
// It is an accelerator in front of the reader's full road, never a second set of rules:
//   - it judges a chunk only when no new character or look-ahead character is zero (a space to
//     the full road) or a stop character (anything that could start mark-up, an entity, a text
//     marker or a multi-word unit under the text's settings); it answers false at the first block
//     it cannot judge, and the reader then runs the full road over the whole chunk;
//   - units beyond ASCII that are letters with case (Latin, Greek, Cyrillic, Armenian prose)
//     are classified with the rest of their block, looked up in a table of such letters a page
//     of 256 units at a time (32 units a step where the processor has 512-bit vectors); a block
//     holding any other unit beyond ASCII is classified one unit at a time from the full road's
//     own kinds (a pair of surrogates takes its code point's), its masks made from those kinds;
//     it stops the pass where a unit there is one whose handling the masks cannot give (an
//     invisible character, a hyphen, a full stop other than the ellipsis, one the settings make
//     a stop or an in-word symbol, and a few arrangements BeyondAsciiFits names). Such blocks
//     are read from the units alone, or where the pass reads bytes (`narrow`), from the bytes
//     with the units beyond ASCII that the text holds;
//   - where the settings hide tags in angle brackets and nothing else looks for a bracket
//     (TFastPassRules::hide_tags), "<" and ">" are no stops: it blanks the tags as the tag
//     handler does: a "<" that no ">" closes within the tag span, a "<" followed by another
//     "<", and a ">" outside every tag are text, as they are to the handler (the sentence-end
//     step passes over what the handler's sentence walk takes for a tag); the code 24 is judged
//     unless an open "<" before it could close on it;
//   - settings it cannot honour (parts of texts, control characters or spaces cleared, a marker,
//     entity or unit tag that starts with a letter, digit or blank) leave it off for the whole
//     text (TFastPassRules::usable);
//   - the kinds it writes are the full road's kinds, character for character; the tests compare
//     the two roads' buffers, concordances and word lists.
// Where a step needs judging (a full stop that may end a sentence, a hyphen, a symbol), the same
// rules as the full road's run at that character alone, found through the block's bit masks.
// Besides the kinds it hands the word scan one word mask and one marker mask per block of 64
// characters, so that the scan need not read the kinds again.
//
// Three paths do the block work: 256-bit vectors, 128-bit vectors (SSE2) and one unit at a time;
// the reader takes the best this processor has (HasWideVectors), the tests run each against the
// one-unit path. Where the kinds are left to be made on demand, the vector paths classify runs of
// blocks by lookups of each byte's two halves (the 128-bit path where the processor has SSSE3)
// into one record of masks a block.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

enum class TVectorPath : uint8_t { Scalar, Sse2, Wide };
// The widest path this processor has (256-bit vectors unless LINZORA_NO_WIDE_VECTORS is set; the
// one-unit path where LINZORA_NO_VECTORS is).
TVectorPath BestVectorPath();

// Whether readers use the fast first pass (on unless switched off; the tests switch it off to
// read the same texts down the full road).
bool FastFirstPassOn();
void SetFastFirstPass(bool on);

// What the text's settings ask of the steps the pass does, taken once per text.
struct TFastPassRules {
  bool usable = false;  // false: every chunk of the text goes down the full road
  // Units below 0x80 that the pass may not judge (mark-up brackets, entity and marker starts).
  std::array<bool, 128> stops{};
  std::array<bool, 128> symbols{};  // the language's in-word symbols among ASCII
  bool any_symbols = false;
  bool symbols_at_start = false, symbols_at_end = false;
  bool hyphens_separate_words = false;
  bool sentence_ends = false;          // sentence ends are found from punctuation
  bool blank_mid_word_marks = false;   // punctuation between letters or digits becomes a blank
  // Tags "<...>" are blanked and hidden (kinds 0x0800, characters blanks), at most tag_span
  // characters from "<" to ">"; needs a span of 64 or more. "<" and ">" must not be stops.
  bool hide_tags = false;
  int32_t tag_span = 1000;
  // Whether unit 24 (the code over a marked tag's ">", a stop) may be judged where it is text to
  // every step: the sentence-end walk takes it for the end of a tag opened by a "<" before it.
  bool tag_off_code_text = false;
  // Units beyond ASCII that stop the pass, and those that end sentences as "?" does (judged on
  // the next letter alone, never part of an abbreviation or a number); both in ascending order,
  // as every unit beyond ASCII is looked up in them.
  std::vector<char16_t> wide_stops, wide_sentence_marks;
  // Adds a character that may start mark-up or a marker: an ASCII letter, digit or space
  // leaves the pass off (it could start anywhere), one beyond ASCII stops it where it occurs.
  void AddStop(char16_t c);
};

// The kind the pass gives a sentence end it marks (the tag handler's).
inline constexpr uint16_t kFastPassMarkerKind = 0x880F;

// What the pass found in a chunk.
struct TFastPassResult {
  int32_t sentence_ends = 0;  // sentence ends before read_ahead_from
  // For each block of 64 characters from `first`: bit j is character first + 64 * b + j.
  std::vector<uint64_t> word_masks;    // word characters (the scan's rule) after the pass
  std::vector<uint64_t> marker_masks;  // sentence ends marked (each of the kind kFastPassMarkerKind)
  // What the pass changed beyond the characters' own kinds: characters joined into words,
  // punctuation blanked, characters of hidden tags (only with hide_tags).
  std::vector<uint64_t> joined_masks, blanked_masks, tag_masks;
  bool any_tags = false;  // a tag_masks bit is set
  // Punctuation as classified (hidden tags left out): what is still punctuation after the pass
  // is that less the characters joined, blanked or marked.
  std::vector<uint64_t> punct_masks;
  int32_t first = 0, n = 0;  // the stretch judged
  // Kinds left to be written on demand (MakeFastPassKinds); kinds_made: one bit a block written.
  bool kinds_pending = false;
  std::vector<uint64_t> kinds_made;
  // Whether every unit judged is below 0x80; where not, wide_blocks has one bit a block for the
  // blocks holding units beyond ASCII.
  bool all_ascii = true;
  std::vector<uint64_t> wide_blocks;
  // For the benchmarks' tally of the road: the blocks classified one at a time (not by the run
  // classifiers), and where the pass could not judge a block of units, the block's first
  // character (-1: it judged every block, or stopped for another reason).
  int32_t blocks_alone = 0;
  int32_t stopped_in_block = -1;
};

// Classifies text[first, n) into kinds[first, n) as the full road would, with the characters
// before `first` (carried from the last chunk) already classified. Sentence ends at or after
// read_ahead_from are marked but not counted. With hide_tags, the tags' characters become blanks
// in `text` once the chunk is judged. False when some character cannot be judged here:
// kinds[first, n) are then undefined, the text is as it was, and the full road must run.
// With kinds_on_demand the kinds of text[first, n) are not written: MakeFastPassKinds writes
// those of a stretch when something reads them.
// narrow, when given, holds the bytes text[first, n) is widened from, one a unit: a byte below
// 0x80 is its unit (a UTF-8 or 8-bit text's ASCII). A byte of 0x80 or above stops the pass, or
// with units_in_text stands for a unit beyond ASCII, which text holds already at its place. The
// blocks are classified from the bytes, and the units beyond ASCII read from the text. With text_on_demand too (and
// kinds on demand), text[first, n) need not be widened yet, and hidden tags are not blanked in it:
// MakeFastPassKinds and MakeFastPassText (given narrow) make the text of what they are asked for.
bool FastFirstPass(char16_t* text, uint16_t* kinds, int32_t first, int32_t n, int32_t read_ahead_from,
                   const TFastPassRules& rules, TVectorPath path, TFastPassResult& out, bool kinds_on_demand = false,
                   const uint8_t* narrow = nullptr, bool text_on_demand = false, bool units_in_text = false);
// Writes the kinds of text[from, to) of a chunk the pass judged with kinds on demand, as the pass
// would have written them (whole blocks of 64 from `first`, each once; nothing when the kinds
// were written with the pass). The text and rules must be those the pass was given.
// narrow: the bytes of the new characters (as given to the pass) where the text is widened only
// on demand too; each block's units are then widened (hidden tags blanked) before its kinds.
void MakeFastPassKinds(char16_t* text, uint16_t* kinds, int32_t from, int32_t to, const TFastPassRules& rules,
                       TVectorPath path, TFastPassResult& found, const uint8_t* narrow = nullptr);
// Widens text[from, to) from those bytes alone (hidden tags blanked), as often as asked.
void MakeFastPassText(char16_t* text, int32_t from, int32_t to, const TFastPassRules& rules,
                      const TFastPassResult& found, const uint8_t* narrow);

// Widens n bytes handed to the pass as `narrow` to units: a byte below 0x80 is its unit; one of
// 0x80 or above leaves out's unit as it stands (units_in_text: a unit beyond ASCII put there when
// the bytes were made).
void WidenNarrowUnits(const uint8_t* bytes, int32_t n, char16_t* out);

// Whether characters [from, to) hold a character of a hidden tag.
bool AnyHiddenTag(const TFastPassResult& found, int32_t from, int32_t to);
// Whether characters [from, to) of a judged chunk are all below 0x80.
bool AllAsciiBetween(const TFastPassResult& found, int32_t from, int32_t to);

