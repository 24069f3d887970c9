#include "platform/runtime/vx_runtime.h"

#include <cstdio>
#include <cstdlib>

#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"

uint8_t global_panic_state = kPanicNone;
bool Global_Busy_Dont_Show_Data = false;
uint8_t current_tool_var = kToolConcordancer;
bool global_keeping_log = false;
TWindowId global_own_HWnd = kNoWindow;

uint8_t Global_batch_mode = 0;
bool Global_run_without_error_messages = false;
UString Global_FailureMessage;
double Global_process_times[kProcessTimesCount] = {};
bool Global_stopLemmaMatchLoaded[4] = {};
int32_t Global_LowestJumpTo = 0;
int32_t global_DetailedConsistency_files = 0;
UString Global_user_ReadWrite_folder;
UString my_temp_path = SystemTempFolder();

namespace {
TYieldHook g_yield_hook = nullptr;
bool g_in_yield = false;
UString g_log_name;
int g_yikes = 0;
THaltHook g_halt_hook = nullptr;
}  // namespace

void ClearStopStateForNewJob() { global_panic_state = kPanicNone; }

void SetYieldHook(TYieldHook hook) { g_yield_hook = hook; }

bool InsideYield() { return g_in_yield; }

void MyYieldProcess() {
  if (!g_yield_hook || g_in_yield) return;
  g_in_yield = true;
  try {
    g_yield_hook();
  } catch (...) {
    g_in_yield = false;
    throw;
  }
  g_in_yield = false;
}

void SetLogFilename(UStringView name) { g_log_name = UString(name); }
UString GetLogFilename() { return g_log_name; }

void AddToLogFile(UStringView line) {
  if (!global_keeping_log) return;
  const std::string text = Utf16ToUtf8(TimeToUStr(Now())) + " " + Utf16ToUtf8(line) + "\n";
  if (g_log_name.empty()) {
    std::fputs(text.c_str(), stderr);
    return;
  }
  if (std::FILE* f = std::fopen(Utf16ToUtf8(g_log_name).c_str(), "ab")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
}

void AddToLogFile(const char* line) { AddToLogFile(Utf8ToUtf16(line)); }

void LogUnitQuit(const char* unit) {
  if (global_keeping_log) AddToLogFile(UString(u"quit ") + Utf8ToUtf16(unit) + u", ");
}

void Yikes(UStringView what) {
  ++g_yikes;
  const UString line = u"internal consistency failure: " + UString(what);
  if (global_keeping_log) AddToLogFile(line);
  else std::fprintf(stderr, "%s\n", Utf16ToUtf8(line).c_str());
}

int YikesCount() { return g_yikes; }

void SetHaltHook(THaltHook hook) { g_halt_hook = hook; }

void HaltProgram(int code) {
  AddToLogFile(u"halting (" + IntToUStr(code) + u")");
  if (g_halt_hook) g_halt_hook(code);
  std::fflush(nullptr);
  std::_Exit(code);
}
