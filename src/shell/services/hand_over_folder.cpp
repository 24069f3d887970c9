#include "shell/services/hand_over_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"

UString CheckedHandOverFolder(const UString& folder, UString* why) {
  auto refuse = [&](const char16_t* reason) {
    if (why) *why = folder + u": " + reason;
    AddToLogFile(u"hand-over folder refused: " + folder + u": " + reason);
    return UString();
  };
  const std::string path = Utf16ToUtf8(ExcludeTrailingPathDelimiter(folder));
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (::mkdir(path.c_str(), 0700) != 0 || ::lstat(path.c_str(), &st) != 0) return refuse(u"cannot be made");
  }
  if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode)) return refuse(u"not a plain folder");
  if (st.st_uid != ::geteuid()) return refuse(u"belongs to another user");
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return refuse(u"cannot be made private");
  return IncludeTrailingPathDelimiter(folder);
}

UString UserHandOverFolder(UString* why) { return CheckedHandOverFolder(GetTempFolder(), why); }

UString ToolHandOverFilename(uint8_t tool, UString* why) {
  const UString folder = UserHandOverFolder(why);
  if (folder.empty()) return UString();
  return folder + Tool_Name(tool) + u"_handover" + DefaultExtFromToolType(tool);
}
