// Text services on ICU: character kinds, case, composition, collation by language identifier,
// and decoding of corpus texts (strict UTF-8, code pages, UTF-16 detection).
//
// Language identifiers are the suite's numeric ones (LCID, e.g. 0x0409 English (United States));
// a table maps them to ICU locale names. An unknown identifier falls back to the root locale;
// 0, 0x0400 and 0x0800 (neutral, user and system default) stand for the environment's language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/ustring.h"

class TStream;

// --- character kinds -------------------------------------------------------------------------
// One 16-bit word per character. The low bits are the classic character-type bits; the tag
// handler adds its own marks from 0x0800 up (0x0800 = hidden: excluded mark-up, never part of a
// word), so any value with 0x0800 or above set must be tested for the mark first.
enum : uint16_t {
  C1_UPPER = 0x0001,
  C1_LOWER = 0x0002,
  C1_DIGIT = 0x0004,
  C1_SPACE = 0x0008,
  C1_PUNCT = 0x0010,
  C1_CNTRL = 0x0020,
  C1_BLANK = 0x0040,
  C1_XDIGIT = 0x0080,
  C1_ALPHA = 0x0100,
  C1_DEFINED = 0x0200,
  KIND_HIDDEN = 0x0800,
  // Invisible characters carry the hex-digit bit, which no other kind has without a digit or a
  // letter: alone it is no word character, part of a word it counts as one that matching skips.
  KIND_INVISIBLE = C1_XDIGIT | C1_DEFINED,                     // 0x0280
  KIND_INVISIBLE_IN_WORD = C1_ALPHA | C1_XDIGIT | C1_DEFINED,  // 0x0380
};

// The kind bits of one code point:
//   letters            alpha + upper or lower (+ defined); letters without case: alpha + defined
//   digits             digit + xdigit + defined; 'a'-'f' and 'A'-'F' also get xdigit
//   ' ', NBSP, U+3000  space + blank + defined (every space separator); TAB adds control
//   CR, LF, VT, FF     control + space + defined; other controls: control + defined
//   punctuation, symbols   punct + defined (superscript digits also digit)
//   combining marks    alpha + defined: our rule, so that a word written with combining
//                      accents stays one word
//   invisible characters   KIND_INVISIBLE: joiners (U+200C, U+200D, U+2060), variation selectors,
//                      direction marks, the soft hyphen, U+FEFF and the other default-ignorable
//                      format characters and marks
//   zero-width space U+200B   space + blank + defined: it parts words
//   other format characters (number signs ...)  defined; private use: defined
//   unassigned code points and lone surrogates: 0
uint16_t CharKindOf(char32_t c);
// CharKindOf of the units p[j] (j < 64) whose bit j of `lanes` is set, written to kinds[j]: 16 a
// step where the processor gathers across 512 bits. Surrogates are not written: answers their
// bits (all of `lanes` where the processor has no such step).
uint64_t CharKindsOfUnits(const char16_t* p, uint64_t lanes, uint16_t* kinds);
// Fills kinds[0..n) for text[0..n) from a table of the whole BMP built once; a surrogate pair
// is classified as its code point and both units get the kind. An invisible character right
// after a word character (a letter, digit, defined-only character or another invisible that
// joined) gets KIND_INVISIBLE_IN_WORD: it belongs to that word. Everything else is CharKindOf.
void ClassifyChars(const char16_t* text, size_t n, uint16_t* kinds);

// --- language identifiers ----------------------------------------------------------------------
using TLCID = uint32_t;
inline constexpr TLCID kLCID_EnglishUS = 0x0409;
// ICU locale name ("en_US") for an identifier; "" for unknown ones.
std::string LocaleNameFromLCID(TLCID lcid);
// Identifier for an ICU or BCP-47 locale name ("en_US", "en-US", "pt_BR"); 0 when unknown.
TLCID LCIDFromLocaleName(std::string_view name);
// The Windows code page conventionally used for 8-bit texts of that language (1252 by default,
// also for languages written only in Unicode).
int DefaultCodePageOfLCID(TLCID lcid);
// Languages written right to left (Arabic, Hebrew, Persian, Urdu and the other languages written
// in their scripts), by the identifier's primary language.
bool IsRightToLeftLCID(TLCID lcid);
// Whether two identifiers name the same language, whatever its country or script (the low ten
// bits, 0x0409 English (United States) and 0x0809 English (United Kingdom) alike).
inline bool SamePrimaryLanguage(TLCID a, TLCID b) { return (a & 0x3FF) == (b & 0x3FF); }

// One row of the language table.
struct TLanguageIdInfo {
  TLCID lcid;
  const char* locale_name;   // ICU locale name, e.g. "pt_BR", "sr_Latn_RS"
  const char* english_name;  // UTF-8, e.g. "Portuguese (Brazil)"
  int ansi_code_page;        // 0: the language has no 8-bit code page of its own
};
// Every language the table knows, in increasing identifier order.
std::span<const TLanguageIdInfo> KnownLanguageIds();
// The row of an identifier (alternative sort bits ignored); nullptr when unknown.
const TLanguageIdInfo* LanguageIdInfoOf(TLCID lcid);
// English name of the language ("German (Austria)"); "" when unknown.
std::string EnglishNameOfLCID(TLCID lcid);

// --- case and composition --------------------------------------------------------------------
// Simple (one code point for one) mappings, so the result has the length of the input and
// stays aligned with kind arrays and positions taken from it: "\u00DF" stays as it is in upper
// case. Turkish and Azerbaijani map dotted and dotless i by their own rules.
UString UpperCaseU(UStringView s, TLCID lcid = kLCID_EnglishUS);
UString LowerCaseU(UStringView s, TLCID lcid = kLCID_EnglishUS);
// Case folding for case-insensitive matching (locale-independent full folding: "\u00DF" -> "ss").
UString FoldCaseU(UStringView s);
// Whether two code units are one under simple case folding (a unit of a surrogate pair only
// equals itself).
bool SameUnitFolded(char16_t a, char16_t b);
// The code points that case mapping or case folding may change, as [first, last] ranges in
// order: each other one is its own upper, lower and title case and its own fold, so that tables
// of folds need look only at these.
const std::vector<std::pair<char32_t, char32_t>>& CaseChangingRanges();
// Canonical composition (NFC): a letter followed by combining accents becomes the precomposed
// letter where one exists.
UString ComposeNFC(UStringView s);
// The same into out, whose memory is used again.
void ComposeNFCInto(UStringView s, UString& out);
// Whether s is composed already (as ComposeNFC would leave it); a quick check, no copy made.
bool IsComposedNFC(UStringView s);
// Whether composition keeps character c as it is in text made only of characters it keeps so:
// every one below U+0300, and from it on one of combining class 0 that composed text may hold
// (NFC quick check yes; a surrogate: false). Such text is composed already.
bool KeptByComposition(char32_t c);

// --- collation -------------------------------------------------------------------------------
// Compares like the platform's locale compare: negative, 0 or positive. Without case
// sensitivity, "a" and "A" compare equal (accents still count: "resume" < "r\u00E9sum\u00E9");
// with it, lower case sorts before upper case of the same word. Punctuation inside a word counts
// ("co-op" < "coop"). Different strings may compare
// equal (case, ignorable characters): a caller that needs a total, stable order breaks such
// ties itself, for instance by code unit order.
// One collator per (language, case flag) is made on first use and kept; any thread may call.
int CompareStringsLocale(TLCID lcid, bool case_sensitive, UStringView a, UStringView b);
// A byte key whose memcmp order equals CompareStringsLocale's order.
std::string CollationSortKey(TLCID lcid, bool case_sensitive, UStringView s);

// Length of the well-formed UTF-8 sequence at b[i] (1 to 4); 0 when b[i] starts none; -1 when the
// bytes end inside a sequence that is well-formed so far.
inline int Utf8SequenceAt(const uint8_t* b, size_t i, size_t n) {
  const uint8_t c = b[i];
  if (c < 0x80) return 1;
  int len = 0;
  uint8_t lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (int k = 1; k < len; ++k) {
    if (i + static_cast<size_t>(k) >= n) return -1;
    const uint8_t d = b[i + static_cast<size_t>(k)];
    if (d < (k == 1 ? lo : 0x80) || d > (k == 1 ? hi : 0xBF)) return 0;
  }
  return len;
}

// --- decoding --------------------------------------------------------------------------------
// Strict UTF-8: false at the first ill-formed sequence (stray continuation byte, overlong form,
// encoded surrogate, value above U+10FFFF, sequence broken off by another byte). An incomplete
// sequence at the very end is not an error when allow_incomplete_tail is set: it is left
// undecoded and *consumed tells how many bytes were used. out is replaced by the decoded text;
// after a failure it holds the text before the fault and *consumed the fault's byte offset.
bool DecodeUtf8Strict(const uint8_t* data, size_t n, UString& out, bool allow_incomplete_tail = false,
                      size_t* consumed = nullptr);
// Where the runs of one unit a byte break in well-formed UTF-8, noted as it is decoded: after each
// sequence of several bytes, the unit and byte (from base) just after it; for a sequence of two
// units, its second unit at the sequence's first byte as well. Appended to units and bytes, for
// at most `most` sequences (complete is cleared once `most` are noted). Whether a zero byte was decoded is
// noted too.
struct TUtf8RunBreaks {
  std::vector<uint32_t>* units = nullptr;
  std::vector<uint32_t>* bytes = nullptr;
  uint32_t base = 0;
  size_t most = 0;
  bool complete = true;
  bool zero = false;
};
// The same, written to out[0, n) (room for n units, some of it written past what is kept);
// units tells how many were made. With breaks, the runs' breaks are noted too.
bool DecodeUtf8StrictTo(const uint8_t* data, size_t n, char16_t* out, size_t& units, bool allow_incomplete_tail,
                        size_t* consumed, TUtf8RunBreaks* breaks = nullptr);
// The same read as one byte a UTF-16 unit: narrow[0, units) gets an ASCII character's byte, and
// 0x80 for each unit beyond ASCII, whose unit goes to wide at the same place (wide's other units
// are left as they were). Room for n in each.
bool DecodeUtf8NarrowTo(const uint8_t* data, size_t n, uint8_t* narrow, char16_t* wide, size_t& units,
                        bool allow_incomplete_tail, size_t* consumed, TUtf8RunBreaks* breaks = nullptr);
// 8-bit text in a Windows code page (1250-1258, 874, 932, 936, 949, 950, 437, 850, 28591...).
// Unknown code pages are read as Windows-1252. Bytes a single-byte code page leaves undefined
// become U+FFFD (in 0x80-0x9F: the C1 control of that value, as the platform does).
UString DecodeCodePage(const uint8_t* data, size_t n, int code_page);
// The unit of each byte of a code page of one byte a character, as DecodeCodePageInto reads it
// (where no converter opens: the byte's own value); nullptr for a code page of several bytes a
// character.
const char16_t* SingleByteCodePageUnits(int code_page);
// A name as older lists stored it: a length byte, then that many characters in the code page.
bool ReadShortStringInCodePage(TStream& s, UString& out, int code_page);
// The same with the byte offset of every character: offsets gets one entry per UTF-16 unit (both
// units of a pair share their character's offset) and one more, the bytes consumed. With
// allow_incomplete_tail, a multi-byte character broken off at the very end is left undecoded
// (not counted in the bytes consumed), so that a reader can take it up with the next piece.
UString DecodeCodePageWithOffsets(const uint8_t* data, size_t n, int code_page, std::vector<uint32_t>& offsets,
                                  bool allow_incomplete_tail = false);
// The same into out and offsets, whose memory is used again. For a single-byte code page (or an
// unknown one) every character is one byte: the answer is true and offsets is left empty.
bool DecodeCodePageInto(const uint8_t* data, size_t n, int code_page, UString& out, std::vector<uint32_t>& offsets,
                        bool allow_incomplete_tail = false);
// Encoding for stored 8-bit strings; characters the code page lacks become '?'.
std::string EncodeCodePage(UStringView s, int code_page);

enum class TUtf16Guess { NotUtf16, LittleEndian, BigEndian };
// The platform's IsTextUnicode test for a buffer without a byte-order mark: statistical, judged
// on the distribution of zero bytes in even and odd positions. Buffers under 3 bytes are never
// UTF-16; the rule is spelled out where it is implemented.
TUtf16Guess GuessUtf16(const uint8_t* data, size_t n);
