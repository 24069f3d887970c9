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
