#include "wordlist/row_texts.h"

#include <charconv>
#include <optional>
#include <string>

#include "model/lists/result_list_base.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

namespace {
bool UnicodeHolder(const TVXBaseHolder* h) { return h ? h->Unicode() : true; }
int CodePageOf(const TVXBaseHolder* h) { return h ? h->CodePage() : 1252; }
}  // namespace

bool WriteRowText(TStream& s, const TVXBaseHolder* holder, const UString& text) {
  if (UnicodeHolder(holder)) return WriteAString(s, text);
  return WriteAnsiString(s, EncodeCodePage(text, CodePageOf(holder)));
}

bool ReadRowText(TStream& s, const TVXBaseHolder* holder, UString& text) {
  if (UnicodeHolder(holder)) {
    std::optional<UString> t;
    if (!ReadUnknownLengthPointer(s, t)) return false;
    text = t ? std::move(*t) : UString();
    return true;
  }
  std::optional<std::string> t;
  if (!ReadUnknownLengthPointer(s, t)) return false;
  text = t ? DecodeCodePage(reinterpret_cast<const uint8_t*>(t->data()), t->size(), CodePageOf(holder)) : UString();
  return true;
}

bool ParseRowInt(UStringView text, int32_t& out) {
  const std::string narrow = Utf16ToUtf8(TrimU(text));
  if (narrow.empty()) return false;
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), v);
  if (ec != std::errc() || end != narrow.data() + narrow.size()) return false;
  out = v;
  return true;
}

bool FirstLetterIsCaps(const UString& word) {
  if (word.empty()) return false;
  const UString first(1, word[0]);
  return UpperCaseU(first) == first && LowerCaseU(first) != first;
}
