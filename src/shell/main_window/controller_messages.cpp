#include "shell/main_window/controller_messages.h"

#include <algorithm>

#include <chrono>

#include "platform/rtl/datetime.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/window_registry.h"
#include "shell/services/suite_services.h"

namespace {

int g_jobs = 0;
std::vector<std::function<void()>> g_after_jobs;
bool g_language_changed = false;

constexpr uint16_t kCodeSettingsChanged = 233;
constexpr uint16_t kCodeLanguageConfirmed = 701;
constexpr uint16_t kCodeCloseTool = 1350;
constexpr uint16_t kCodeStopAtEndOfText = 6120;
constexpr uint16_t kCodeStopNow = 6121;
constexpr uint16_t kCodePanicStop = 6122;
constexpr int kDesignPixelsPerInch = 96;

void LogStop(TVXRes what) {
  if (global_keeping_log) AddToLogFile(VXResFmt(what, {TimeToUStr(Now())}));
}

int ScaledForDPI(int value, int ppi) { return value * ppi / kDesignPixelsPerInch; }

}  // namespace

TJobScope::TJobScope() {
  if (g_jobs++ == 0) ClearStopStateForNewJob();
}

TJobScope::~TJobScope() {
  if (--g_jobs > 0) return;
  // Actions may start jobs of their own: take the list first.
  auto pending = std::exchange(g_after_jobs, {});
  for (auto& a : pending) a();
}

bool JobRunning() { return g_jobs > 0; }

void RunWhenNoJob(std::function<void()> action) {
  if (g_jobs == 0) action();
  else g_after_jobs.push_back(std::move(action));
}

void EscapePressed() {
  if (global_panic_state != kPanicNone) {
    if (IsYes(VXDialog(TVXDialog::EscapePressedWantToQuit))) global_panic_state = kPanicStopNow;
    return;
  }
  if (!IsYes(VXDialog(TVXDialog::EscapePressedWantToQuit))) return;
  if (VXDialog(TVXDialog::FinishThisProcessFirst) == mrNo) global_panic_state = kPanicStopNow;
}

bool HandleCallingProgramMessage(uint16_t code, TShellActions& actions) {
  switch (code) {
    case kCodeSettingsChanged:
      // The log is switched on or off, and its file named, as the store now says.
      SetupLoggingFromTextbuf();
      actions.SettingsChanged();
      return true;
    case 234: case 235: case 236: case 237: case 238: case 239: case 240: case 241: {
      const int kind = (code - 234) / 2;
      const bool load = (code - 234) % 2 == 0;
      RunWhenNoJob([&actions, kind, load] { actions.LoadOrClearList(kind, load); });
      return true;
    }
    case kCodeLanguageConfirmed: g_language_changed = true; return true;
    case kCodeCloseTool: actions.CloseMainWindow(); return true;
    case kCodeStopAtEndOfText:
      global_panic_state = kPanicEndOfText;
      LogStop(TVXRes::VXStoppingAtEOF);
      return true;
    case kCodeStopNow:
      global_panic_state = kPanicStopNow;
      LogStop(TVXRes::VXStoppingASAP);
      return true;
    case kCodePanicStop:
      global_panic_state = kPanicStopAndQuit;
      LogStop(TVXRes::VXPanicStopAt);
      actions.TerminateNow();
      return true;
    default: return false;
  }
}

void HandleActivationMessage(uint64_t wparam, int64_t lparam, uint64_t own_window) {
  SetActiveMainToolWindow(current_tool_var, own_window);
  SetActiveChildToolWindow(current_tool_var, static_cast<TWindowId>(lparam));
  PostToController(CodeOfWParam(wparam));
}

void ForwardDocumentState(uint64_t wparam) { PostToController(wparam != 0 ? 4601 : 4600); }

void SetLanguageChangeFlag(bool set) { g_language_changed = set; }
bool LanguageChangeFlag() { return g_language_changed; }

bool ChangeLanguage(const std::function<bool()>& ask, double wait_seconds) {
  if (!ask()) return false;
  g_language_changed = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait_seconds);
  while (!g_language_changed && std::chrono::steady_clock::now() < until) MyYieldProcess();
  return g_language_changed;
}

uint16_t ControllerCodeOfMenuTag(int tag) {
  switch (tag) {
    case 60: return 1260;
    case 61: return 1130;
    case 62: return 1230;
    case 63: return 1600;
    case 64: return 1790;
    case 65: return 1460;
    case 66: return 66;
    case 67: return 67;
    case 69: return 1240;
    case 71: return 4440;
    case 72: return 72;
    case 84: return 84;
    case 110: case 111: return static_cast<uint16_t>(tag);
    case 145: return 951;
    default: return 0;
  }
}

int TagDisplayOfMenuTag(int tag) {
  switch (tag) {
    case 219: return 0;
    case 220: return 1;
    case 221: return 2;
    case 223: return 3;
    default: return -1;
  }
}

int ToolHelpContext(uint8_t tool) {
  static constexpr int kContexts[18] = {2700, 1910, 2190, 5810, 2480, 5170, 1000, 1000, 2570,
                                        5410, 4200, 4150, 1000, 5010, 5150, 1000, 1000, 1000};
  return tool < 18 ? kContexts[tool] : 1000;
}

TWindowRect PlaceNewMainWindow(const TScreenFacts& s, uint8_t tool, int tools_open) {
  const int step = s.caption_height;
  const int max_width = s.full_width / 4 * 3;
  const int max_height = s.full_height / 4 * 3;
  const int offset = ScaledForDPI(s.pixels_per_inch * tools_open / 4, s.pixels_per_inch);
  TWindowRect r;
  const bool on_monitor1 = s.monitors > 1 && s.default_monitor > 0;
  r.left = (on_monitor1 ? s.monitor1_left : 0) + (tool + 1) * step + offset;
  r.top = (on_monitor1 ? s.monitor1_top : 0) + 3 * step + offset;
  r.height = std::max(ScaledForDPI(460, s.pixels_per_inch), max_height);
  r.width = std::max(ScaledForDPI(640, s.pixels_per_inch), max_width);
  return r;
}

// --- a second instance ---------------------------------------------------------------------------

std::optional<std::vector<UString>> SecondInstanceParameters(uint16_t code) {
  switch (code) {
    case 4602: return std::vector<UString>{};
    case 50: return std::vector<UString>{GetShortToolFilename(current_tool_var)};
    case 155: return std::vector<UString>{GetATempString(2).empty() ? UString(u"-F") : UString(u"-Y")};
    default: return std::nullopt;
  }
}

TWindowRect PlaceOnOwnersScreen(const TWindowRect& window, const TWindowRect& screen, const TWindowRect& owner) {
  const bool inside = window.left >= screen.left && window.top >= screen.top &&
                      window.left + window.width <= screen.left + screen.width &&
                      window.top + window.height <= screen.top + screen.height;
  if (inside || screen.width <= 0 || screen.height <= 0) return window;
  TWindowRect r;
  r.width = std::clamp(window.width, 1, screen.width);
  r.height = std::clamp(window.height, 1, screen.height);
  r.left = std::clamp(owner.left + (owner.width - r.width) / 2, screen.left, screen.left + screen.width - r.width);
  r.top = std::clamp(owner.top + (owner.height - r.height) / 2, screen.top, screen.top + screen.height - r.height);
  return r;
}
