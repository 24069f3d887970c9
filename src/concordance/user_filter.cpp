#include "concordance/user_filter.h"

#include <dlfcn.h>

#include <string>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

TUserLineFilter::~TUserLineFilter() { Close(); }

bool TUserLineFilter::Load(UStringView file_name) {
  Close();
  const std::string path = Utf16ToUtf8(file_name);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    AddToLogFile(u"user filter off: " + UString(file_name) + u" does not load (" + Utf8ToUtf16(why ? why : "") + u")");
    return false;
  }
  void* f = dlsym(handle, "HandleConcordanceLine");
  if (!f) {
    AddToLogFile(u"user filter off: " + UString(file_name) + u" has no HandleConcordanceLine");
    dlclose(handle);
    return false;
  }
  handle_ = handle;
  function_ = reinterpret_cast<TFunction>(f);
  return true;
}

bool TUserLineFilter::LoadFromSettings() {
  Close();
  if (!GetUseUserFilter()) return false;
  const UString name = GetUserDLLFileName();
  if (name.empty() || !FileExists(name)) return false;
  return Load(name);
}

void TUserLineFilter::Close() {
  function_ = nullptr;
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

bool TUserLineFilter::Keep(UStringView line, int32_t midpoint, int32_t hit_characters, int64_t byte_position,
                           uint32_t lcid, UStringView file_name) const {
  if (!function_) return true;
  // Both texts zero-terminated, as the library expects.
  const UString text(line), file(file_name);
  try {
    return function_(text.c_str(), static_cast<uint32_t>(midpoint) & 0xFFFFu,
                     static_cast<uint32_t>(hit_characters) & 0xFFFFu, static_cast<uint32_t>(byte_position), lcid,
                     0xFFFFu, file.c_str()) != 0;
  } catch (...) {
    ++failures_;
    return false;
  }
}
