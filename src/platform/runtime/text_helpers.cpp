#include "platform/runtime/text_helpers.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/rtl/files.h"


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

namespace {

bool ParseListNumber(UStringView s, int64_t& v) {
  if (s.empty() || s.size() > 10) return false;
  v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
  }
  return v <= INT32_MAX;
}

}  // namespace

bool HumanAbbreviatedNumberListStringAsIntegers(UStringView text, int32_t offset, std::vector<int32_t>& out,
                                                UString* error) {
  auto fail = [&](UString why) {
    if (error) *error = std::move(why);
    return false;
  };
  std::vector<int32_t> got;
  int64_t total = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == u',' || text[i] == u' ' || text[i] == u'\t')) ++i;
    if (i == text.size()) break;
    size_t j = i;
    while (j < text.size() && text[j] != u',' && text[j] != u' ' && text[j] != u'\t') ++j;
    const UStringView item = text.substr(i, j - i);
    const size_t dash = item.find(u'-', 1);
    int64_t first = 0, last = 0;
    const bool ok = dash == UStringView::npos
                        ? ParseListNumber(item, first) && (last = first, true)
                        : ParseListNumber(item.substr(0, dash), first) && ParseListNumber(item.substr(dash + 1), last);
    if (!ok) return fail(u"\"" + UString(item) + u"\" is not a number or a range such as 2-5");
    if (last < first) return fail(u"the range \"" + UString(item) + u"\" runs backwards");
    total += last - first + 1;
    if (total > kMaxNumberListItems) return fail(u"the list \"" + UString(text) + u"\" holds too many numbers");
    for (int64_t n = first; n <= last; ++n) got.push_back(static_cast<int32_t>(n - offset));
    i = j;
  }
  if (got.empty()) return fail(u"no numbers were given");
  std::sort(got.begin(), got.end());
  got.erase(std::unique(got.begin(), got.end()), got.end());
  out = std::move(got);
  return true;
}

UString CaseSensitivityToStr(bool case_sensitive) {
  return case_sensitive ? u"case sensitive" : u"case insensitive";
}

UString StringInNCharacterChunks(UStringView text, size_t chunk, UStringView line_start, char16_t break_after) {
  if (chunk == 0 || text.size() <= chunk) return UString(text);
  UString out;
  out.reserve(text.size() + text.size() / chunk * (2 + line_start.size()));
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    const size_t room = first ? chunk : (chunk > line_start.size() ? chunk - line_start.size() : 1);
    size_t take = std::min(room, text.size() - at);
    if (at + take < text.size()) {
      const UStringView piece = text.substr(at, take);
      const size_t brk = piece.rfind(break_after);
      if (brk != UStringView::npos) take = brk + 1;
    }
    if (!first) {
      out += u"\r\n";
      out += line_start;
    }
    out += text.substr(at, take);
    at += take;
    first = false;
  }
  return out;
}

UString FilenameWithInsertion(UStringView file_name, UStringView insertion) {
  const UString ext = ExtractFileExt(file_name);
  return UString(file_name.substr(0, file_name.size() - ext.size())) + UString(insertion) + ext;
}
