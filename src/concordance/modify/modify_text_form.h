// A source text's own form, as the reader decides it, for writing changes into its bytes and
// taking them out again: UTF-8, UTF-16 little- or big-endian, or an 8-bit code page, and the bytes
// of its byte-order mark or UTF-8 signature.
//
// Modifying and undoing take the form from the chunked reader itself (ReadersTextForm runs it over
// the text), so both count the same characters: a UTF-8 text with a stray byte stays UTF-8 and
// the byte is one character (U+FFFD), UTF-16 without a byte-order mark is UTF-16, and 8-bit text
// that is not UTF-8 is read in the code page of the text settings. Character offsets in the log
// count UTF-16 units of the text after its mark, decoded this way (DecodeIn), without the reader's
// later steps (entities, composition, tags).
#pragma once

#include <cstdint>
#include <string>

#include "model/reading/text_reader.h"
#include "platform/rtl/ustring.h"

struct TTextForm {
  TTextEncoding encoding = TTextEncoding::Utf8;
  int code_page = 1252;
  int64_t signature_bytes = 0;
  bool IsUtf16() const { return encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE; }
  int UnitBytes() const { return IsUtf16() ? 2 : 1; }
};

// The reader's decision for the text in the file (read until the reader has decided); false
// when the file cannot be read. The snapshot's text settings give the code page.
bool ReadersTextForm(UStringView full_name, const TTextReadSnapshot& snapshot, TTextForm& form);

// text in the form's bytes; false when the form cannot carry it (a code page without one of its
// characters, a lone surrogate).
bool EncodeIn(const TTextForm& form, UStringView text, std::string& out);
// Bytes in the form (without a mark) as characters; a byte that is no UTF-8 is one U+FFFD.
UString DecodeIn(const TTextForm& form, const char* data, size_t n);
// The file byte at which character `index` (counted from 0 after the mark, as DecodeIn counts)
// begins; the text's end for index = its length; -1 beyond it.
int64_t ByteOfCharacter(const TTextForm& form, const std::string& bytes, int64_t index);
