#include "wordlist/user_word_filter.h"

#include "platform/settings/settings_access.h"

bool TUserWordFilter::Load(UStringView file_name) {
  return library_.Open(file_name, "WordlistChangeWord", u"word filter");
}

bool TUserWordFilter::LoadFromSettings() {
  return library_.OpenIfWanted(GetUseUserFilter(), GetUserDLLFullName(), "WordlistChangeWord", u"word filter");
}

std::optional<UString> TUserWordFilter::Change(const UString& word, uint32_t lcid, bool unicode) const {
  const auto function = reinterpret_cast<TFunction>(library_.Function());
  if (!function) return word;
  try {
    const char16_t* answer = function(word.c_str(), lcid, unicode ? -1 : 0);
    if (answer == nullptr) return std::nullopt;
    return UString(answer);
  } catch (...) {
    return std::nullopt;
  }
}
