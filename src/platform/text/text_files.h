// Small text files held whole in memory: user lists, language files, plain lists of names,
// search words. One rule decides their encoding everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/ustring.h"

enum class TTextBytesKind : uint8_t { Utf16LE, Utf16BE, Utf8, CodePage };

inline bool IsUtf16Kind(TTextBytesKind k) { return k == TTextBytesKind::Utf16LE || k == TTextBytesKind::Utf16BE; }

// UTF-16 code units from bytes (an odd last byte is dropped).
UString DecodeUtf16Bytes(const uint8_t* data, size_t n, bool big_endian);

// Decodes a whole text: a UTF-16 byte-order mark (either way) or the UTF-8 signature decides and
// is skipped (after the signature, ill-formed bytes become U+FFFD); without one, a text that looks
// like UTF-16 is read as such when guess_utf16 is set; otherwise strict UTF-8, else the code page.
TTextBytesKind DecodeTextBytes(const uint8_t* data, size_t n, UString& out, int code_page = 1252,
                               bool guess_utf16 = false);

// Reads and decodes a whole file as above; false when it cannot be read or is larger than
// max_bytes.
bool ReadTextFile(UStringView name, UString& out, int64_t max_bytes, int code_page = 1252, bool guess_utf16 = false,
                  TTextBytesKind* kind = nullptr);

// Writes UTF-16LE with a byte-order mark through the safe save (the old file survives a failure).
bool SaveTextFileUtf16(UStringView name, UStringView text);

// Lines ended by LF, CR LF or CR; a line end at the very end gives no empty last line.
std::vector<UStringView> SplitLinesU(UStringView text);
