// Text services on ICU: character kinds, case, composition, collation by language identifier,
// and decoding of corpus texts (strict UTF-8, code pages, UTF-16 detection).
//
// Language identifiers are the suite's numeric ones (LCID, e.g. 0x0409 English (United States));
// a table maps them to ICU locale names. An unknown identifier falls back to the root locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/ustring.h"

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
};

// The kind bits of one code point (a surrogate pair is classified as its code point; both units
// get the kind).
uint16_t CharKindOf(char32_t c);
// Fills kinds[0..n) for text[0..n). Fast path for ASCII and Latin-1; the rest through ICU.
void ClassifyChars(const char16_t* text, size_t n, uint16_t* kinds);

// --- language identifiers ----------------------------------------------------------------------
using TLCID = uint32_t;
inline constexpr TLCID kLCID_EnglishUS = 0x0409;
// ICU locale name ("en_US") for an identifier; "" for unknown ones.
std::string LocaleNameFromLCID(TLCID lcid);
// Identifier for an ICU or BCP-47 locale name ("en_US", "en-US", "pt_BR"); 0 when unknown.
TLCID LCIDFromLocaleName(std::string_view name);
// The Windows code page conventionally used for 8-bit texts of that language (1252 by default).
int DefaultCodePageOfLCID(TLCID lcid);

// --- case and composition --------------------------------------------------------------------
UString UpperCaseU(UStringView s, TLCID lcid = kLCID_EnglishUS);
UString LowerCaseU(UStringView s, TLCID lcid = kLCID_EnglishUS);
// Case folding for case-insensitive matching (locale-independent full folding).
UString FoldCaseU(UStringView s);
UString ComposeNFC(UStringView s);

// --- collation -------------------------------------------------------------------------------
// Compares like the platform's locale compare: negative, 0 or positive. Without case
// sensitivity, "a" and "A" compare equal.
int CompareStringsLocale(TLCID lcid, bool case_sensitive, UStringView a, UStringView b);
// A byte key whose memcmp order equals CompareStringsLocale's order.
std::string CollationSortKey(TLCID lcid, bool case_sensitive, UStringView s);

// --- decoding --------------------------------------------------------------------------------
// Strict UTF-8: false at the first ill-formed sequence. An incomplete sequence at the very end is
// not an error when allow_incomplete_tail is set: it is left undecoded and *consumed tells how
// many bytes were used.
bool DecodeUtf8Strict(const uint8_t* data, size_t n, UString& out, bool allow_incomplete_tail = false,
                      size_t* consumed = nullptr);
// 8-bit text in a Windows code page (1250-1258, 874, 932, 936, 949, 950, 437, 850, 28591...).
// Unknown code pages are read as Windows-1252.
UString DecodeCodePage(const uint8_t* data, size_t n, int code_page);
// Encoding for stored 8-bit strings.
std::string EncodeCodePage(UStringView s, int code_page);

enum class TUtf16Guess { NotUtf16, LittleEndian, BigEndian };
// The platform's IsTextUnicode test for a buffer without a byte-order mark: statistical, judged
// on the distribution of zero bytes in even and odd positions. Buffers under 3 bytes are never
// UTF-16.
TUtf16Guess GuessUtf16(const uint8_t* data, size_t n);
