#include "shell/services/suite_services.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/window_registry.h"

extern char** environ;

namespace {

TNullControllerLink g_null_link;
TControllerLink* g_link = nullptr;
std::deque<TPostedMessage> g_own_queue;
void (*g_own_hook)() = nullptr;

bool g_sibling_started = false;
double g_wait_limit = 30.0;
std::vector<pid_t> g_started;

UString g_bug_where;
UString g_bug_what;
UString g_title;

bool IsExecutableFile(UStringView name) {
  if (!FileExists(name)) return false;
  return ::access(Utf16ToUtf8(name).c_str(), X_OK) == 0;
}

// Collects one started program if it has ended; true when it has.
bool Reaped(pid_t pid) {
  int status = 0;
  const pid_t r = ::waitpid(pid, &status, WNOHANG);
  return r == pid || (r < 0 && errno == ECHILD);
}

UString LockFileName(UStringView name) {
  UString folder;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run && DirectoryExists(Utf8ToUtf16(run)))
    folder = IncludeTrailingPathDelimiter(Utf8ToUtf16(run));
  else
    folder = my_temp_path;
  UString file;
  for (char16_t c : name) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    file.push_back(plain ? c : u'_');
  }
  return folder + file + u".lock";
}

}  // namespace

// --- controller protocol -----------------------------------------------------------------------

TControllerLink& ControllerLink() { return g_link ? *g_link : g_null_link; }
void SetControllerLink(TControllerLink* link) { g_link = link; }

bool ControllerReachable() {
  const TWindowId shell = GetShellWnd();
  return ControllerLink().Connected() && global_own_HWnd != kNoWindow && shell != kNoWindow &&
         shell != global_own_HWnd;
}

void AnnounceToController() {
  const TWindowId shell = GetShellWnd();
  if (shell == kNoWindow || !ControllerLink().Connected()) return;
  ControllerLink().Post({shell, kMsgAnnounce, current_tool_var, static_cast<int64_t>(global_own_HWnd)});
}

bool PostToController(uint16_t code) {
  if (!ControllerReachable()) return false;
  AnnounceToController();
  return ControllerLink().Post(
      {GetShellWnd(), kMsgToolCode, PackToolCode(code, current_tool_var), static_cast<int64_t>(global_own_HWnd)});
}

bool PostToControllerWithParam(uint16_t code, int64_t value) {
  if (!ControllerReachable()) return false;
  AnnounceToController();
  return ControllerLink().Post({GetShellWnd(), kMsgToolCodeWithParam, PackToolCode(code, current_tool_var), value});
}

bool PostToOwnWindow(uint16_t code) {
  g_own_queue.push_back(
      {global_own_HWnd, kMsgToolCode, PackToolCode(code, current_tool_var), static_cast<int64_t>(global_own_HWnd)});
  if (g_own_hook) g_own_hook();
  return true;
}

std::vector<TPostedMessage> TakeOwnWindowMessages() {
  std::vector<TPostedMessage> out(g_own_queue.begin(), g_own_queue.end());
  g_own_queue.clear();
  return out;
}

void SetOwnWindowPostHook(void (*hook)()) { g_own_hook = hook; }

void RegisterToolWindow(TWindowId window) {
  global_own_HWnd = window;
  SetNewWnd(current_tool_var, window);
  SetActiveMainToolWindow(current_tool_var, window);
}

void UnregisterToolWindowAndQuit() {
  if (global_keeping_log)
    AddToLogFile(UFormat(u"unset %s main window and quit tessor_minimal", {GetShortToolFilename(current_tool_var)}));
  if (global_own_HWnd != kNoWindow && current_tool_var != kToolController) UnSetWnd(current_tool_var, global_own_HWnd);
  global_own_HWnd = kNoWindow;
}

// --- starting tools ----------------------------------------------------------------------------

UString StartToolParameters(UStringView parameters, bool append_marker) {
  UString out(parameters);
  if (append_marker) {
    if (!out.empty()) out += u' ';
    out += u"1720";
  }
  return out;
}

std::vector<std::string> SplitParameters(UStringView parameters) {
  std::vector<std::string> args;
  UString cur;
  bool quoted = false, have = false;
  for (char16_t c : parameters) {
    if (c == u'"') {
      quoted = !quoted;
      have = true;
    } else if (!quoted && (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')) {
      if (have) args.push_back(Utf16ToUtf8(cur));
      cur.clear();
      have = false;
    } else {
      cur.push_back(c);
      have = true;
    }
  }
  if (have) args.push_back(Utf16ToUtf8(cur));
  return args;
}

void SetSiblingStarted(bool started) { g_sibling_started = started; }
bool SiblingStarted() { return g_sibling_started; }
void SetStartToolWaitLimit(double seconds) { g_wait_limit = seconds; }

int ReapStartedTools() {
  std::erase_if(g_started, [](pid_t pid) { return Reaped(pid); });
  return static_cast<int>(g_started.size());
}

bool StartATool(uint8_t tool, UStringView parameters, bool append_marker, bool elevated) {
  ReapStartedTools();
  if (tool == kToolController && GetShellWnd() != kNoWindow) return true;
  const UString full = GetFullToolFilename(tool);
  // A suite installed without that program (on Linux usually the controller): nothing to start.
  if (full.empty() || !IsExecutableFile(full)) {
    AddToLogFile(u"not started (no such program): " + full);
    return false;
  }
  if (elevated) {
    AddToLogFile(u"not started: raised rights are not available here: " + full);
    return false;
  }
  const TDateTime started_at = Now();
  const std::string path = Utf16ToUtf8(full);
  std::vector<std::string> args = SplitParameters(StartToolParameters(parameters, append_marker));
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
#ifdef POSIX_SPAWN_SETSID
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);  // its own session: it outlives our terminal
#endif
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, path.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  g_sibling_started = false;
  if (rc != 0) {
    AddToLogFile(u"start failed: " + full + u": " + Utf8ToUtf16(std::strerror(rc)));
    VXMessageBox(u"Fatal Error", u"Can't start \r" + full, kBtnOK, TVXDialogKind::Warning);
    return false;
  }
  g_started.push_back(pid);
  AddToLogFile(u"started " + full);
  if (tool != kToolController) return true;
  // Wait for the controller to report itself ready; the window may already take messages.
  for (;;) {
    const bool done = GetVXShellInitialised() || g_sibling_started;
    MyYieldProcess();
    if (done) break;
    if (Reaped(pid)) {  // it has already ended: nothing to wait for
      std::erase(g_started, pid);
      break;
    }
    if (SecondsBetween(Now(), started_at) > g_wait_limit) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// --- application services ----------------------------------------------------------------------

UString HelpPageForContext(int context) {
  return TessorineHelpURL() + u"index.html" + UFormat(u"?contextid=%d", {IntToUStr(context)});
}

UString MissingHelpFile(UStringView page) {
  constexpr UStringView kFileScheme = u"file://";
  if (page.substr(0, kFileScheme.size()) != kFileScheme) return {};
  UStringView path = page.substr(kFileScheme.size());
  path = path.substr(0, std::min(path.find(u'?'), path.find(u'#')));
  if (path.empty() || FileExists(path)) return {};
  return UString(path);
}

void SetBugReportContext(UStringView where, UStringView what) {
  if (global_keeping_log) AddToLogFile(UFormat(u"%s: %s", {where, what}));
  g_bug_where = UString(where);
  g_bug_what = UString(what);
}

UString BugReportText() { return VXResFmt(TVXRes::VXBugReport, {g_bug_where, g_bug_what}); }

void SetApplicationTitle(UStringView title) { g_title = UString(title); }
UString ApplicationTitle() { return g_title; }

intptr_t OpenSharedMutex(UStringView name) {
  const int fd = ::open(Utf16ToUtf8(LockFileName(name)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  // The holder keeps an exclusive lock; when we can take it ourselves, nobody holds it.
  intptr_t held = 0;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) held = (errno == EWOULDBLOCK) ? 1 : 0;
  else ::flock(fd, LOCK_UN);
  ::close(fd);
  return held;
}

int CreateSharedMutex(UStringView name) {
  const int fd = ::open(Utf16ToUtf8(LockFileName(name)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void ReleaseSharedMutex(int handle) {
  if (handle < 0) return;
  ::flock(handle, LOCK_UN);
  ::close(handle);
}

bool SetupLogging(bool wanted, UStringView log_name) {
  SetLogFilename(log_name);
  global_keeping_log = false;
  if (!wanted || log_name.empty()) return false;
  if (!FileExists(log_name)) {
    ForceDirectories(ExtractFilePath(log_name));
    std::FILE* f = std::fopen(Utf16ToUtf8(log_name).c_str(), "ab");
    if (!f) {
      std::fprintf(stderr, "cannot create the log file %s: %s\n", Utf16ToUtf8(log_name).c_str(),
                   std::strerror(errno));
      return false;
    }
    std::fclose(f);
  }
  global_keeping_log = true;
  return true;
}

// --- special characters ------------------------------------------------------------------------

namespace {

// The distinct special characters, row by row, position by position.
std::u16string DistinctSpecials(const TSpecialCharacterRows& special) {
  std::u16string out;
  for (const auto& row : special.rows)
    for (char16_t c : row) {
      if (c == 0) break;
      if (out.find(c) == std::u16string::npos) out.push_back(c);
    }
  return out;
}

}  // namespace

bool ContainsASpecialCharacter(UStringView text, const TSpecialCharacterRows& special) {
  const std::u16string chars = DistinctSpecials(special);
  return !chars.empty() && text.find_first_of(chars) != UStringView::npos;
}

void PadSpecialCharactersWithSpaces(UString& text, const TSpecialCharacterRows& special) {
  const std::u16string chars = DistinctSpecials(special);
  if (chars.empty() || text.find_first_of(chars) == UString::npos) return;
  UString out;
  out.reserve(text.size() + 16);
  for (char16_t c : text) {
    if (chars.find(c) != std::u16string::npos) {
      out += u' ';
      out += c;
      out += u' ';
    } else {
      out += c;
    }
  }
  text = std::move(out);
}

// --- installation tables -------------------------------------------------------------------------

const char16_t* const kFileTypeExtensions[kFileTypeExtensionCount] = {
    u".exe", u".dll", u".bpl", u".dat", u".zip", u".hlp", u".cnt", u".pdf", u".ini",
    u".txt", u".stp", u".xml", u".tag", u".rtf", u".chm", u".els", u".res",
};

namespace {

TInstallableFile g_installable[] = {
    {u"tessorine7", u"tessorine_programs.zip", kInstallProgram, {-1, 0, 0}},
    {u"linzora", u"tessorine_programs.zip", kInstallProgram, {-1, 0, 0}},
    {u"wordlister", u"tessorine_programs.zip", kInstallProgram, {-1, 0, 0}},
    {u"keyness", u"tessorine_programs.zip", kInstallProgram, {-1, 0, 0}},
    {u"fileutilities", u"tessorine_programs.zip", kInstallProgram, {-1, 0, 0}},
    {u"help/index.html", u"tessorine_help.zip", kInstallHelp, {-1, 0, 0}},
    {u"help/linzora.html", u"tessorine_help.zip", kInstallHelp, {-1, 0, 0}},
    {u"help/tessorine.css", u"tessorine_help.zip", kInstallHelp, {-1, 0, 0}},
    {u"data/html_entities.txt", u"tessorine_data.zip", kInstallData, {-1, 0, 0}},
    {u"data/english_stop_list.stp", u"tessorine_data.zip", kInstallData, {-1, 0, 0}},
    {u"data/english_lemmas.txt", u"tessorine_data.zip", kInstallData, {-1, 0, 0}},
    {u"data/sample_tags.tag", u"tessorine_data.zip", kInstallData, {-1, 0, 0}},
    {u"doc/getting_started.pdf", u"tessorine_docs.zip", kInstallDocument, {-1, 0, 0}},
    {u"doc/licence.txt", u"tessorine_docs.zip", kInstallDocument, {-1, 0, 0}},
};

}  // namespace

std::span<TInstallableFile> InstallableFiles() { return g_installable; }

void ResetInstallableFiles() {
  for (auto& row : g_installable) {
    row.work[0] = -1;
    row.work[1] = 0;
    row.work[2] = 0;
  }
}

// --- wrappers over the settings store ------------------------------------------------------------

#include "platform/settings/settings_access.h"

bool SetupLoggingFromTextbuf() { return SetupLogging(GetLogging(), GetTheLogFilename()); }

bool LemmaMatchStopListActivated(uint8_t kind, uint8_t tool) {
  switch (kind) {
    case 0: return GetLemmaListSettings(tool).Activated();
    case 1: return GetMatchListSettings(tool).Activated();
    case 2: return GetStopListSettings(tool).Activated();
    default: return false;
  }
}

TSpecialCharacterRows SpecialCharactersOfTextSettings() {
  const TTextsett_rec32 ts = GetTextSettings();
  TSpecialCharacterRows rows;
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i < 6; ++i) rows.rows[r][i] = ts.SpecialCharacter(r, i);
  return rows;
}

bool ContainsASpecialCharacter(UStringView text) {
  return ContainsASpecialCharacter(text, SpecialCharactersOfTextSettings());
}

void PadSpecialCharactersWithSpaces(UString& text) {
  PadSpecialCharactersWithSpaces(text, SpecialCharactersOfTextSettings());
}
