#include "platform/runtime/shared_library.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include <string>

#include "platform/runtime/vx_runtime.h"

TSharedLibrary::~TSharedLibrary() { Close(); }

bool TSharedLibrary::Open(UStringView file_name, const char* symbol, UStringView what) {
  Close();
  // The loader would search its path for a bare name and take a relative one from the current
  // folder: only the file named is loaded, by its resolved full name.
  const std::string given = Utf16ToUtf8(file_name);
  char resolved[PATH_MAX];
  struct stat st {};
  if (given.empty() || given[0] != '/' || ::realpath(given.c_str(), resolved) == nullptr ||
      ::stat(resolved, &st) != 0 || !S_ISREG(st.st_mode)) {
    AddToLogFile(UString(what) + u" off: " + UString(file_name) + u" is not the full name of a file");
    return false;
  }
  const std::string path(resolved);
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
  if (!wanted || file_name.empty()) return false;
  return Open(file_name, symbol, what);
}

void TSharedLibrary::Close() {
  function_ = nullptr;
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}
