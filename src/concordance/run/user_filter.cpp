#include "concordance/run/user_filter.h"

#include "platform/settings/settings_access.h"

bool TUserLineFilter::Load(UStringView file_name) {
  return library_.Open(file_name, "HandleConcordanceLine", u"user filter");
}

bool TUserLineFilter::LoadFromSettings() {
  return library_.OpenIfWanted(GetUseUserFilter(), GetUserDLLFullName(), "HandleConcordanceLine", u"user filter");
}

bool TUserLineFilter::Keep(UStringView line, int32_t midpoint, int32_t hit_characters, int64_t byte_position,
                           uint32_t lcid, UStringView file_name) const {
  const auto function = reinterpret_cast<TFunction>(library_.Function());
  if (!function) return true;
  // Both texts zero-terminated, as the library expects.
  const UString text(line), file(file_name);
  try {
    return function(text.c_str(), static_cast<uint32_t>(midpoint) & 0xFFFFu,
                    static_cast<uint32_t>(hit_characters) & 0xFFFFu, static_cast<uint32_t>(byte_position), lcid,
                    0xFFFFu, file.c_str()) != 0;
  } catch (...) {
    ++failures_;
    return false;
  }
}
