#include "shell/services/hand_over_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"

namespace {

// The folder holding path: someone who may write it could rename the hand-over folder away and
// put their own in its place, unless it is sticky (as /tmp is).
bool ParentIsSafe(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  if (::stat(parent.c_str(), &st) != 0) return false;
  if (st.st_uid != ::geteuid() && st.st_uid != 0) return false;
  return (st.st_mode & 022) == 0 || (st.st_mode & S_ISVTX) != 0;
}

UString FromEnvironment(const char* variable) {
  const char* v = std::getenv(variable);
  return (v && *v == '/') ? IncludeTrailingPathDelimiter(Utf8ToUtf16(v)) : UString();
}

void LogOnce(const UString& line) {
  static std::mutex mutex;
  static std::set<UString> said;
  {
    std::lock_guard<std::mutex> hold(mutex);
    if (!said.insert(line).second) return;
  }
  AddToLogFile(line);
}

}  // namespace

UString CheckedHandOverFolder(const UString& folder, UString* why) {
  auto refuse = [&](const char16_t* reason) {
    if (why) *why = folder + u": " + reason;
    return UString();
  };
  const std::string path = Utf16ToUtf8(ExcludeTrailingPathDelimiter(folder));
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (::mkdir(path.c_str(), 0700) != 0 || ::lstat(path.c_str(), &st) != 0) return refuse(u"cannot be made");
  }
  if (S_ISLNK(st.st_mode)) return refuse(u"a link, not a plain folder");
  if (!S_ISDIR(st.st_mode)) return refuse(u"not a folder");
  if (st.st_uid != ::geteuid()) return refuse(u"belongs to another user");
  if (!ParentIsSafe(path)) return refuse(u"lies in a folder that others may change");
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return refuse(u"cannot be made private");
  return IncludeTrailingPathDelimiter(folder);
}

UString FallbackHandOverFolder() {
  if (UString run = FromEnvironment("XDG_RUNTIME_DIR"); !run.empty()) return run + u"linzora/";
  if (UString cache = FromEnvironment("XDG_CACHE_HOME"); !cache.empty()) return cache + u"linzora/hand-over/";
  if (UString home = FromEnvironment("HOME"); !home.empty()) return home + u".cache/linzora/hand-over/";
  return UString();
}

UString UserHandOverFolder(UString* why) {
  UString refused;
  UString folder = CheckedHandOverFolder(GetTempFolder(), &refused);
  if (!folder.empty()) return folder;
  const UString fallback = FallbackHandOverFolder();
  UString refused_too;
  if (!fallback.empty()) {
    ForceDirectories(ExtractFilePath(ExcludeTrailingPathDelimiter(fallback)));
    folder = CheckedHandOverFolder(fallback, &refused_too);
  }
  if (folder.empty()) {
    const UString all =
        refused + u"; " + (fallback.empty() ? UString(u"no runtime, cache or home folder") : refused_too);
    LogOnce(u"hand-over folder refused: " + all);
    if (why) *why = all;
    return UString();
  }
  LogOnce(u"hand-over folder refused: " + refused + u"; using " + folder);
  return folder;
}

UString ToolHandOverFilename(uint8_t tool, UString* why) {
  const UString folder = UserHandOverFolder(why);
  if (folder.empty()) return UString();
  return folder + Tool_Name(tool) + u"_handover" + DefaultExtFromToolType(tool);
}

std::unique_ptr<TFileStream> OpenHandOverFile(const UString& name, int64_t most_bytes, UString* why) {
  auto refuse = [&](UStringView reason) -> std::unique_ptr<TFileStream> {
    if (why) *why = name + u": " + UString(reason);
    return nullptr;
  };
  if (name.empty()) return refuse(u"there is no hand-over folder of this user's");
  // Not blocking: a pipe planted at the name must not hold the program.
  const int fd = ::open(Utf16ToUtf8(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return refuse(errno == ELOOP ? UString(u"is a link") : LastSystemErrorText());
  struct stat st {};
  UString problem;
  if (::fstat(fd, &st) != 0) problem = LastSystemErrorText();
  else if (!S_ISREG(st.st_mode)) problem = u"not a plain file";
  else if (st.st_uid != ::geteuid()) problem = u"belongs to another user";
  else if (static_cast<int64_t>(st.st_size) > most_bytes)
    problem = u"holds " + IntToUStr(static_cast<int64_t>(st.st_size)) + u" bytes, more than the " +
              IntToUStr(most_bytes) + u" it may hold";
  if (!problem.empty()) {
    ::close(fd);
    return refuse(problem);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  auto stream = TFileStream::FromDescriptor(fd, TFileMode::OpenRead);
  if (!stream) return refuse(LastSystemErrorText());
  return stream;
}
