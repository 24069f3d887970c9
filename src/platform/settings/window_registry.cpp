#include "platform/settings/window_registry.h"

#include <cstring>

namespace {

constexpr int kTools = 18;  // tool types 0 .. 17

struct TRegister {
  TWindowId main[kTools] = {};
  TWindowId active_main[kTools] = {};
  TWindowId active_child[kTools] = {};
  TWindowId progress = kNoWindow;
  bool shell_initialised = false;
  TProgressRec progress_rec{};
  uint64_t stores = 0;
};

TRegister& Reg() {
  static TRegister reg;
  return reg;
}

bool ValidTool(uint8_t tool) { return tool < kTools; }

}  // namespace

TWindowId GetShellWnd() { return Reg().main[kToolController]; }

void SetNewWnd(uint8_t tool, TWindowId window) {
  if (ValidTool(tool)) Reg().main[tool] = window;
}

void UnSetWnd(uint8_t tool, TWindowId window) {
  if (!ValidTool(tool) || window == kNoWindow) return;
  TRegister& r = Reg();
  if (r.main[tool] == window) r.main[tool] = kNoWindow;
  if (r.active_main[tool] == window) r.active_main[tool] = kNoWindow;
  if (r.active_child[tool] == window) r.active_child[tool] = kNoWindow;
  if (tool == kToolController && r.main[tool] == kNoWindow) r.shell_initialised = false;
}

TWindowId GetToolWnd(uint8_t tool) { return ValidTool(tool) ? Reg().main[tool] : kNoWindow; }

void SetActiveMainToolWindow(uint8_t tool, TWindowId window) {
  if (ValidTool(tool)) Reg().active_main[tool] = window;
}

void SetActiveChildToolWindow(uint8_t tool, TWindowId window) {
  if (ValidTool(tool)) Reg().active_child[tool] = window;
}

TWindowId GetActiveMainToolWindow(uint8_t tool) { return ValidTool(tool) ? Reg().active_main[tool] : kNoWindow; }
TWindowId GetActiveChildToolWindow(uint8_t tool) { return ValidTool(tool) ? Reg().active_child[tool] : kNoWindow; }

bool GetVXShellInitialised() { return Reg().shell_initialised; }
void SetVXShellInitialised(bool initialised) { Reg().shell_initialised = initialised; }

TWindowId GetProgressWnd() { return Reg().progress; }
void SetProgressWnd(TWindowId window) { Reg().progress = window; }

void SetProgressParams(const TProgressRec& rec) {
  std::memcpy(&Reg().progress_rec, &rec, sizeof rec);
  ++Reg().stores;
}

void GetProgressParams(TProgressRec& rec) { std::memcpy(&rec, &Reg().progress_rec, sizeof rec); }

uint64_t ProgressParamsStores() { return Reg().stores; }

void ResetWindowRegister() { Reg() = TRegister{}; }
