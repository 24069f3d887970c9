#include "concordance/derived_list_support.h"

#include "concordance/concordance_list.h"

#include <string>

#include "model/result_list_base.h"
#include "platform/rtl/streams.h"
#include "platform/text/text_services.h"

bool WriteTextInWidth(TStream& s, const TVXBaseHolder* holder, const std::optional<UString>& text) {
  const bool unicode = holder ? holder->Unicode() : true;
  if (unicode) return WriteUnknownLengthPointer(s, text ? &*text : static_cast<const UString*>(nullptr));
  if (!text) return WriteUnknownLengthPointer(s, static_cast<const std::string*>(nullptr));
  const std::string narrow = EncodeCodePage(*text, holder->CodePage());
  return WriteUnknownLengthPointer(s, &narrow);
}

bool ReadTextInWidth(TStream& s, const TVXBaseHolder* holder, std::optional<UString>& text) {
  const bool unicode = holder ? holder->Unicode() : true;
  if (unicode) return ReadUnknownLengthPointer(s, text);
  std::optional<std::string> narrow;
  if (!ReadUnknownLengthPointer(s, narrow)) return false;
  text.reset();
  if (narrow)
    text = DecodeCodePage(reinterpret_cast<const uint8_t*>(narrow->data()), narrow->size(), holder->CodePage());
  return true;
}

UString CountingWordAt(const TConcordanceEntry& line, int span_position, const TDerivedCountSettings& settings) {
  const auto [start, length] = SpanWordExtent(line, span_position);
  if (length <= 0) return UString();
  const UStringView word = line.Text().substr(static_cast<size_t>(start), static_cast<size_t>(length));
  return settings.keep_case ? UString(word) : UpperCaseU(word, settings.lcid);
}

namespace {

template <class Test>
bool AnyCharacter(UStringView text, Test test) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (test(CharKindOf(c))) return true;
  }
  return false;
}

}  // namespace

bool ContainsAlphanumCharacter(UStringView text) {
  return AnyCharacter(text, [](uint16_t k) { return (k & (C1_ALPHA | C1_DIGIT)) != 0; });
}

bool ContainsDigit(UStringView text) {
  return AnyCharacter(text, [](uint16_t k) { return (k & C1_DIGIT) != 0; });
}

int32_t TCountingWords::Of(UStringView raw) {
  if (auto it = raw_.find(raw); it != raw_.end()) return it->second;
  UString counted = settings_.keep_case ? UString(raw) : UpperCaseU(raw, settings_.lcid);
  if (numbers_as_hash_ && ContainsDigit(counted)) counted = u"#";
  int32_t id;
  if (auto c = counted_.find(counted); c != counted_.end()) {
    id = c->second;
  } else {
    id = static_cast<int32_t>(words_.size());
    counted_.emplace(counted, id);
    words_.push_back(std::move(counted));
  }
  raw_.emplace(UString(raw), id);
  return id;
}

int32_t TCountingWords::At(const TConcordanceEntry& line, int span_position) {
  const auto [start, length] = SpanWordExtent(line, span_position);
  if (length <= 0) return -1;
  return Of(line.Text().substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}
