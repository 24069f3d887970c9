// Small text and number helpers of the runtime that the derived views of a concordance share
// (the counting span of collocates, CollocSpan, is in concordance/line_sections.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/rtl/ustring.h"

// The text with every mark-up element ("<" up to the next ">") taken out; a "<" without its ">"
// is kept with what follows it.
UString WithoutMarkup(UStringView text);
// list + separator + item; the item alone when the list is empty; the list when the item is.
UString AddToListWithSeparatorIfNeeded(UStringView list, UStringView item, UStringView separator);
// The numbers plus `offset`, sorted and with repeats dropped, runs of three or more written as
// "first-last": {0, 1, 2, 6} with offset 1 gives "1-3, 7"; a run of two gives "1, 2".
UString HumanAbbreviatedNumberListString(std::span<const int32_t> numbers, int32_t offset);
// The numbers of such a text minus `offset`, sorted and without repeats: "1-3, 7" with offset 1
// gives {0, 1, 2, 6}. Items are separated by commas and/or blanks; an item is a number or
// "first-last" with first <= last. False (out untouched, error saying which item) for an empty
// text, an item that is not a number or range, a reversed range, or more than kMaxNumberListItems
// numbers.
inline constexpr int64_t kMaxNumberListItems = 10000000;
bool HumanAbbreviatedNumberListStringAsIntegers(UStringView text, int32_t offset, std::vector<int32_t>& out,
                                                UString* error = nullptr);
// "case sensitive" or "case insensitive".
UString CaseSensitivityToStr(bool case_sensitive);

// A long text as lines of at most `chunk` characters, joined by CR LF: each break comes after the
// last `break_after` character that keeps the line within the chunk (or at the chunk when there is
// none), and every line after the first begins with `line_start`.
UString StringInNCharacterChunks(UStringView text, size_t chunk, UStringView line_start, char16_t break_after);
// The file name with `insertion` put before its extension: "/a/b.lst" with "_x" gives "/a/b_x.lst".
UString FilenameWithInsertion(UStringView file_name, UStringView insertion);
