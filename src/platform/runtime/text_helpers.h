// Small text and number helpers of the runtime that the derived views of a concordance share
// (the counting span of collocates, CollocSpan, is in concordance/line_sections.h).
#pragma once

#include <cstdint>
#include <span>

#include "platform/rtl/ustring.h"

// The text with every mark-up element ("<" up to the next ">") taken out; a "<" without its ">"
// is kept with what follows it.
UString WithoutMarkup(UStringView text);
// list + separator + item; the item alone when the list is empty; the list when the item is.
UString AddToListWithSeparatorIfNeeded(UStringView list, UStringView item, UStringView separator);
// The numbers plus `offset`, sorted and with repeats dropped, runs of three or more written as
// "first-last": {0, 1, 2, 6} with offset 1 gives "1-3, 7"; a run of two gives "1, 2".
UString HumanAbbreviatedNumberListString(std::span<const int32_t> numbers, int32_t offset);
// "case sensitive" or "case insensitive".
UString CaseSensitivityToStr(bool case_sensitive);
