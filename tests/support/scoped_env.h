// Environment variables set for the life of an object, and a hand-over folder of a test's own.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/rtl/files.h"
#include "platform/rtl/ustring.h"
#include "platform/settings/settings_defaults.h"

// Sets (or, given nothing, removes) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Points the temporary folder, and the runtime folder that stands in for it, into a folder of the
// test's own, so that the files the programs hand each other (chosen texts, requests, tag lists)
// are the test's alone while other tests run beside it.
class ScopedHandOverFolder {
 public:
  explicit ScopedHandOverFolder(const UString& folder)
      : folder_(IncludeTrailingPathDelimiter(folder)),
        tmpdir_("TMPDIR", Utf16ToUtf8(folder_)),
        runtime_("XDG_RUNTIME_DIR", Utf16ToUtf8(folder_ + u"runtime")) {
    ForceDirectories(folder_ + u"runtime");
    ::chmod(Utf16ToUtf8(folder_ + u"runtime").c_str(), 0700);
  }
  // The hand-over folder the checks choose when nothing is wrong, with a trailing delimiter.
  UString Path() const {
    return folder_ + settings_defaults::kTempFolderPrefix + IntToUStr(static_cast<int64_t>(::getuid())) + u"/";
  }

 private:
  UString folder_;
  ScopedEnv tmpdir_, runtime_;
};
