// Character kinds as the word scanner reads them, case folding for matching, and the handling of
// characters allowed inside numbers and words (used by the text reader and by the engine).
//
// Kind words: the low bits 0x0001-0x0200 are the character-type bits (upper, lower, digit, space,
// punctuation, control, blank, hex digit, alphabetic, defined); 0x0800 marks a hidden character
// (excluded mark-up, the tail of a replaced entity, a cut header); 0x0801-0x7FFF a character of a
// kept tag; 0x8800 + k the first character of a text marker of kind k (0x8800 its further
// characters). Marks are tested before the type bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

enum : uint16_t {
  kKindAlpha = 0x0100,
  kKindDigit = 0x0004,
  kKindDefined = 0x0200,
  kKindHidden = 0x0800,
  kKindMarkerFlag = 0x8000,
  kKindMarkerBase = 0x8800,
  // An invisible character inside a word (a joiner, a variation selector, a soft hyphen): a word
  // character that matching passes over.
  kKindInvisibleInWord = 0x0380,
};

// Marker kinds of the text units: start and end of sentence, paragraph, heading and section.
enum : int {
  kMarkerSentenceStart = 14,
  kMarkerSentenceEnd = 15,
  kMarkerSectionEnd = 21,
};

// What one kind word is to the scanner.
enum : uint8_t {
  kScanSeparator = 0,  // anything that is not a word character and not a mark (also kind 0)
  kScanWord = 1,       // exactly 0x0200, or any of 0x0104 (alphabetic or digit)
  kScanHidden = 2,     // exactly 0x0800
  kScanTag = 3,        // 0x0801 .. 0x7FFF
  kScanMarker = 4,     // 0x8000 and above
};

// 65,536 entries, one per kind word.
const uint8_t* ScanClassTable();

inline bool IsWordKind(uint16_t k) { return k < kKindHidden && (k == kKindDefined || (k & 0x0104) != 0); }

// Folding table for case-insensitive matching in a language: 65,536 UTF-16 units, each mapped to
// its simple case fold (one unit to one unit; "ß" stays "ß"). Turkish and Azeri fold "I" to
// dotless "ı" and "İ" to "i". Built once per table kind; the pointer stays valid.
// Every low surrogate maps to kFoldLowSurrogate: a letter beyond the basic plane folds by its
// code point, so its low unit's fold depends on the unit before it (FoldedUnit). Word hashes,
// taken from the table alone, are thereby the same for both cases of such a letter.
const char16_t* FoldTableFor(uint32_t lcid);
inline constexpr char16_t kFoldLowSurrogate = 0xDC00;
// The fold of the low surrogate c after prev (itself when prev is no high surrogate).
char16_t FoldLowSurrogate(char16_t prev, char16_t c);
// The case fold of unit c of a string whose unit before it is prev.
inline char16_t FoldedUnit(const char16_t* fold, char16_t prev, char16_t c) {
  const char16_t f = fold[c];
  return f == kFoldLowSurrogate ? FoldLowSurrogate(prev, c) : f;
}

// The word hash of folded characters (the same in the scanner and in compiled items): a sum of
// one product per letter, so that a word's letters hash side by side, then its length.
inline constexpr uint32_t kWordHashMul[32] = {
    0x52E6B439u, 0xF2A74DE5u, 0x269E0D37u, 0x6513270Fu, 0xA6A3A451u, 0x0C5C7FD1u, 0x128B2F33u, 0xD23F0825u,
    0x892F902Bu, 0x1818E811u, 0x5D9DC9F9u, 0x9531985Du, 0x0ED90475u, 0xE8E25D95u, 0x81E74EF5u, 0x36F675CDu,
    0x099950D9u, 0x1600A35Bu, 0x6F03675Bu, 0x6B0D549Bu, 0x11E20B8Fu, 0x3D9C1725u, 0x1738F7D9u, 0x8D116ECFu,
    0x6CAD4A27u, 0x0F21DDB7u, 0xD3AC94AFu, 0x90C192CFu, 0x1FB17C23u, 0xF28C105Du, 0x39263059u, 0xA170B339u};
inline uint32_t WordHashAdd(uint32_t h, char16_t folded, uint32_t letter) {
  return h + (static_cast<uint32_t>(folded) + 0x9E3779B9u) * kWordHashMul[letter & 31];
}
inline uint32_t WordHashFinish(uint32_t h, uint32_t letters) { return h + letters * 0x85EBCA6Bu; }

// Adjusts kinds so that characters allowed inside words and numbers count as word characters
// (kind 0x0200): a "." or "," between two digits; a single hyphen (U+002D, U+2010, U+2011) between
// word characters of which at least one is a letter, unless hyphens separate words (so "1990-2000"
// stays two numbers and "COVID-19" one word); a run of the language's in-word symbols between
// word characters, or before a word when allowed at the start, or after one when allowed at the
// end; an invisible character put in after the text was classified (a replaced entity such as
// "&shy;") right after a word character (it takes kKindInvisibleInWord). Characters with marks
// (hidden, tag, marker) are never changed and never count as word characters on either side.
void HandleAllowables(const char16_t* text, uint16_t* kinds, size_t n, UStringView in_word_symbols,
                      bool symbols_at_start, bool symbols_at_end, bool hyphens_separate_words);

inline bool IsHyphenChar(char16_t c) { return c == u'-' || c == 0x2010 || c == 0x2011; }

// Finds the units of a text that are among a small set, many at a time: the passes that act
// only on a few characters (tag brackets, "." and ",", hyphens) skip the rest of a text with it.
// A unit is in the set when (unit & mask) equals one of the values added. The finder tests 64
// units at once and keeps the answer for the next call: the text must not change between calls.
class TUnitSetFinder {
 public:
  explicit TUnitSetFinder(char16_t mask = 0xFFFF) : mask_(mask) {}
  void Add(char16_t value);
  // The first index in [i, n) whose unit is in the set, or n.
  size_t Next(const char16_t* text, size_t i, size_t n) const;

 private:
  static constexpr size_t kMaxVectorValues = 24;  // beyond these, one unit at a time
  bool InSet(char16_t c) const;
  // Bit j: text[j] is in the set, for j < m <= 64.
  uint64_t Block(const char16_t* text, size_t m) const;
  char16_t mask_;
  std::vector<char16_t> values_;
  bool low_byte_[256] = {};  // by the low byte of a value: a quick first test of a unit
  // low_byte_ as two tables by a byte's low four bits: bit h of nibble_rows_[0][l] says whether
  // byte h*16 + l is there, of nibble_rows_[1][l] byte (h + 8)*16 + l (the wide test of a set
  // by low byte).
  uint8_t nibble_rows_[2][16] = {};
  mutable const char16_t* block_text_ = nullptr;
  mutable size_t block_base_ = 0, block_length_ = 0;
  mutable uint64_t block_bits_ = 0;
};

// Whether this processor's 256-bit vector paths are used (checked once; the environment variable
// LINZORA_NO_WIDE_VECTORS turns them off, so that tests can run the other paths).
bool HasWideVectors();
// Whether the 512-bit paths are used, which compare straight into bit masks (checked once;
// LINZORA_NO_AVX512 turns them off, and so does LINZORA_NO_WIDE_VECTORS).
bool HasMaskVectors();
