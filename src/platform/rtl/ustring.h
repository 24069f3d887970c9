// UTF-16 strings of the program and their plain conversions.
//
// Every string the program keeps is UTF-16 (std::u16string). These helpers convert to and from
// UTF-8 for the file system, the log and the console; they never fail: an ill-formed sequence
// becomes U+FFFD. Strict decoding of corpus texts (which must know when a text is not UTF-8)
// lives with the text services.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using UString = std::u16string;
using UStringView = std::u16string_view;

std::string Utf16ToUtf8(UStringView s);
UString Utf8ToUtf16(std::string_view s);

// Sets s to n units, as s.resize(n) does (new units zero), but fills the new units by block
// copies: the library's resize fills a UTF-16 string one unit at a time, which the reader paid
// for wherever its character buffer grew.
void ResizeZeroFilled(UString& s, size_t n);

// Latin-1 widening, for ASCII literals and 8-bit strings stored in old documents.
UString Latin1ToUtf16(std::string_view s);

// Whole-number text, as the runtime's IntToStr.
UString IntToUStr(int64_t n);

// The thousands separator of a locale named as the environment names it ("de_DE.UTF-8",
// "fr_CA", "C"): a comma for English, the C locale and any language not known here, a full stop,
// a no-break space, a narrow no-break space or an apostrophe where the language writes one.
UString ThousandsSeparatorOf(std::string_view locale);
// The user's: LC_ALL, else LC_NUMERIC, else LANG.
UString UserThousandsSeparator();
// A count as a reader reads it: its digits in threes with the separator ("1,800,420"; "-1,234").
UString GroupedCount(int64_t n, UStringView separator);
UString GroupedCount(int64_t n);

// Replaces each "%s" / "%d" / "%%" in order with the next argument. Formats come from our own
// resource strings, never from users; a format without enough arguments leaves the rest literal.
UString UFormat(UStringView fmt, std::initializer_list<UStringView> args);

// ASCII case changes (for extensions, switches and other program-made strings).
UString AsciiLower(UStringView s);
UString AsciiUpper(UStringView s);

UString TrimU(UStringView s);
bool StartsWithU(UStringView s, UStringView prefix);
bool EndsWithU(UStringView s, UStringView suffix);
