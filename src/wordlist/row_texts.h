// The strings of word-list and keyword rows in a stream, and the small text tests both lists'
// rows and sorts share.
//
// A row string: int32 n, then n UTF-16LE units when the holder is Unicode, else n bytes in the
// holder's code page. A count of -1 (an absent string in old files) reads as empty; n >= 0 is
// always written.
#pragma once

#include <cstdint>

#include "platform/rtl/ustring.h"

class TStream;
class TVXBaseHolder;

bool WriteRowText(TStream& s, const TVXBaseHolder* holder, const UString& text);
bool ReadRowText(TStream& s, const TVXBaseHolder* holder, UString& text);
// Decimal text to an integer; false (out unchanged) when the text is not a whole number.
bool ParseRowInt(UStringView text, int32_t& out);
bool FirstLetterIsCaps(const UString& word);
