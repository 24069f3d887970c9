#include "wordlist/user_word_filter.h"

#include <dlfcn.h>

#include <string>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

TUserWordFilter::~TUserWordFilter() { Close(); }

bool TUserWordFilter::Load(UStringView file_name) {
  Close();
  const std::string path = Utf16ToUtf8(file_name);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    AddToLogFile(u"word filter off: " + UString(file_name) + u" does not load (" + Utf8ToUtf16(why ? why : "") + u")");
    return false;
  }
  void* f = dlsym(handle, "WordlistChangeWord");
  if (!f) {
    AddToLogFile(u"word filter off: " + UString(file_name) + u" has no WordlistChangeWord");
    dlclose(handle);
    return false;
  }
  handle_ = handle;
  function_ = reinterpret_cast<TFunction>(f);
  return true;
}

bool TUserWordFilter::LoadFromSettings() {
  Close();
  if (!GetUseUserFilter()) return false;
  const UString name = GetUserDLLFileName();
  if (name.empty() || !FileExists(name)) return false;
  return Load(name);
}

void TUserWordFilter::Close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
  function_ = nullptr;
}

std::optional<UString> TUserWordFilter::Change(const UString& word, uint32_t lcid, bool unicode) const {
  if (!function_) return word;
  try {
    const char16_t* answer = function_(word.c_str(), lcid, unicode ? -1 : 0);
    if (answer == nullptr) return std::nullopt;
    return UString(answer);
  } catch (...) {
    return std::nullopt;
  }
}
