#include "platform/runtime/vx_runtime.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"

std::atomic<uint8_t> global_panic_state{kPanicNone};
bool Global_Busy_Dont_Show_Data = false;
uint8_t current_tool_var = kToolConcordancer;
std::atomic<bool> global_keeping_log{false};
TWindowId global_own_HWnd = kNoWindow;

uint8_t Global_batch_mode = 0;
bool Global_run_without_error_messages = false;
UString Global_FailureMessage;
double Global_process_times[kProcessTimesCount] = {};
bool Global_stopLemmaMatchLoaded[4] = {};
int32_t global_DetailedConsistency_files = 0;
UString Global_user_ReadWrite_folder;
UString my_temp_path = SystemTempFolder();

namespace {
// Workers call MyYieldProcess often (between chunks, inside older loops), so the check that sends
// them away is two atomic loads, no lock. Only the installing thread ever sees a hook.
std::atomic<TYieldHook> g_yield_hook{nullptr};
std::atomic<std::thread::id> g_yield_thread{};
thread_local bool t_in_yield = false;

// The open log: one file for the process, opened on its first line, closed when the name changes.
std::mutex g_log_mutex;
UString g_log_name;
std::FILE* g_log_file = nullptr;

std::atomic<int> g_yikes{0};
std::atomic<THaltHook> g_halt_hook{nullptr};

void CloseLogLocked() {
  if (g_log_file) std::fclose(g_log_file);
  g_log_file = nullptr;
}

}  // namespace

void ClearStopStateForNewJob() { global_panic_state = kPanicNone; }

void SetYieldHook(TYieldHook hook) {
  g_yield_thread.store(std::this_thread::get_id(), std::memory_order_release);
  g_yield_hook.store(hook, std::memory_order_release);
}

bool InsideYield() { return t_in_yield; }

void MyYieldProcess() {
  if (t_in_yield) return;
  if (g_yield_thread.load(std::memory_order_acquire) != std::this_thread::get_id()) return;
  const TYieldHook hook = g_yield_hook.load(std::memory_order_acquire);
  if (!hook) return;
  t_in_yield = true;
  try {
    hook();
  } catch (...) {
    t_in_yield = false;
    throw;
  }
  t_in_yield = false;
}

void SetLogFilename(UStringView name) {
  std::lock_guard<std::mutex> hold(g_log_mutex);
  if (g_log_name == name) return;  // set again by every settings refresh: keep the open file
  CloseLogLocked();
  g_log_name = UString(name);
}

UString GetLogFilename() {
  std::lock_guard<std::mutex> hold(g_log_mutex);
  return g_log_name;
}

UString EscapedForLog(UStringView line) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  UString out;
  out.reserve(line.size());
  for (const char16_t c : line) {
    // A tab stays: some lines use it between their fields, and it cannot start a line.
    if (c == u'\t') out.push_back(c);
    else if (c == u'\n') out += u"\\n";
    else if (c == u'\r') out += u"\\r";
    else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) out += {u'\\', u'x', kHex[c >> 4], kHex[c & 15]};
    else if (c == 0x2028 || c == 0x2029) out += c == 0x2028 ? u"\\u2028" : u"\\u2029";
    else out.push_back(c);
  }
  return out;
}

void AddToLogFile(UStringView line) {
  if (!global_keeping_log) return;
  const std::string text = Utf16ToUtf8(TimeToUStr(Now())) + " " + Utf16ToUtf8(EscapedForLog(line)) + "\n";
  std::lock_guard<std::mutex> hold(g_log_mutex);
  std::FILE* out = stderr;
  if (!g_log_name.empty()) {
    if (!g_log_file) g_log_file = std::fopen(Utf16ToUtf8(g_log_name).c_str(), "ab");
    if (!g_log_file) return;
    out = g_log_file;
  }
  std::fputs(text.c_str(), out);
  std::fflush(out);
}

void AddToLogFile(const char* line) { AddToLogFile(Utf8ToUtf16(line)); }

void LogUnitQuit(const char* unit) {
  if (global_keeping_log) AddToLogFile(UString(u"quit ") + Utf8ToUtf16(unit) + u", ");
}

void Yikes(UStringView what) {
  ++g_yikes;
  const UString line = u"internal consistency failure: " + UString(what);
  if (global_keeping_log) {
    AddToLogFile(line);
  } else {
    std::lock_guard<std::mutex> hold(g_log_mutex);
    std::fprintf(stderr, "%s\n", Utf16ToUtf8(EscapedForLog(line)).c_str());
  }
}

int YikesCount() { return g_yikes; }

void SetHaltHook(THaltHook hook) { g_halt_hook = hook; }

void HaltProgram(int code) {
  AddToLogFile(u"halting (" + IntToUStr(code) + u")");
  if (THaltHook hook = g_halt_hook.load()) hook(code);
  std::fflush(nullptr);
  std::_Exit(code);
}
