// What the result lists' rows share to answer a value or a word comparison: a row's column value
// as its list's NumericalData gives it, and a word compared with a sort level's pivot by the
// list's collation.
#pragma once

#include <string>

#include "model/lists/result_list_base.h"
#include "platform/text/text_services.h"

// The value of a column of a row, as its list's NumericalData gives it (kMissingValue when the
// row is in no list).
inline float ValueOfEntry(const TVXBaseListObject& e, int column) {
  TVXBaseDataClass* list = e.List();
  if (!list) return kMissingValue;
  for (int i = 0; i < list->Count(); ++i)
    if (list->Get(i) == &e) {
      TNumberDisplayAndSinglesRec r;
      list->NumericalData(column, i, r);
      return r.value;
    }
  return kMissingValue;
}

// -1, 0 or 1: a word against a level's pivot, a collation key of the list's language.
inline int CompareWithCollatedPivot(const TVXBaseDataClass& list, int level, UStringView word,
                                    const std::string& pivot) {
  const int r = CollationSortKey(list.SortLCID(), list.SortLevel(level).case_sensitive, word).compare(pivot);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
