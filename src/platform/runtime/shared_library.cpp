#include "platform/runtime/shared_library.h"

#include <dlfcn.h>

#include <string>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"

TSharedLibrary::~TSharedLibrary() { Close(); }

bool TSharedLibrary::Open(UStringView file_name, const char* symbol, UStringView what) {
  Close();
  const std::string path = Utf16ToUtf8(file_name);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    AddToLogFile(UString(what) + u" off: " + UString(file_name) + u" does not load (" + Utf8ToUtf16(why ? why : "") +
                 u")");
    return false;
  }
  void* f = dlsym(handle, symbol);
  if (!f) {
    AddToLogFile(UString(what) + u" off: " + UString(file_name) + u" has no " + Utf8ToUtf16(symbol));
    dlclose(handle);
    return false;
  }
  handle_ = handle;
  function_ = f;
  return true;
}

bool TSharedLibrary::OpenIfWanted(bool wanted, UStringView file_name, const char* symbol, UStringView what) {
  Close();
  if (!wanted || file_name.empty() || !FileExists(file_name)) return false;
  return Open(file_name, symbol, what);
}

void TSharedLibrary::Close() {
  function_ = nullptr;
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}
