#include "platform/runtime/text_helpers.h"

#include <algorithm>
#include <vector>


UString WithoutMarkup(UStringView text) {
  UString out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u'<') {
      const size_t close = text.find(u'>', i + 1);
      if (close == UStringView::npos) {
        out.append(text.substr(i));
        break;
      }
      i = close + 1;
      continue;
    }
    out.push_back(text[i++]);
  }
  return out;
}

UString AddToListWithSeparatorIfNeeded(UStringView list, UStringView item, UStringView separator) {
  if (item.empty()) return UString(list);
  if (list.empty()) return UString(item);
  UString out(list);
  out.append(separator);
  out.append(item);
  return out;
}

UString HumanAbbreviatedNumberListString(std::span<const int32_t> numbers, int32_t offset) {
  std::vector<int64_t> v;
  v.reserve(numbers.size());
  for (int32_t n : numbers) v.push_back(int64_t{n} + offset);
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  UString out;
  for (size_t i = 0; i < v.size();) {
    size_t j = i;
    while (j + 1 < v.size() && v[j + 1] == v[j] + 1) ++j;
    UString piece = IntToUStr(v[i]);
    if (j >= i + 2) {
      piece += u"-" + IntToUStr(v[j]);
    } else {
      j = i;
    }
    out = AddToListWithSeparatorIfNeeded(out, piece, u", ");
    i = j + 1;
  }
  return out;
}

UString CaseSensitivityToStr(bool case_sensitive) {
  return case_sensitive ? u"case sensitive" : u"case insensitive";
}
