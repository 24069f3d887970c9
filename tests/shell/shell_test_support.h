// Shared set-up of the shell-service tests: every test starts from the suite's start-up state.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/window_registry.h"
#include "shell/services/suite_services.h"
#include "shell/services/progress.h"

// A status bar that remembers what each panel shows.
class TRecordingStatusBar : public TProgressStatusSink {
 public:
  int PanelCount() const override { return panels; }
  void SetPanelText(int panel, UStringView text) override {
    text_[panel] = UString(text);
    ++changes;
  }
  void SetPanelBarValue(int panel, int percent) override {
    bar_[panel] = percent;
    ++changes;
  }
  void SetPanelBarStyle(int panel, bool bar) override { style_[panel] = bar; }
  void BringApplicationToFront() override { ++raised; }
  UString Text(int panel) { return text_[panel]; }
  int Bar(int panel) { return bar_.count(panel) ? bar_[panel] : -1; }
  bool BarStyle(int panel) { return style_[panel]; }
  int panels = 11;
  int changes = 0;
  int raised = 0;

 private:
  std::map<int, UString> text_;
  std::map<int, int> bar_;
  std::map<int, bool> style_;
};

// Messages as {target, msg, wparam, lparam}, for comparing whole lists at once.
inline std::vector<std::vector<int64_t>> Msgs(const std::vector<TPostedMessage>& posted) {
  std::vector<std::vector<int64_t>> out;
  for (const auto& m : posted)
    out.push_back({static_cast<int64_t>(m.target), m.msg, static_cast<int64_t>(m.wparam), m.lparam});
  return out;
}

class ShellServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetWindowRegister();
    SetControllerLink(nullptr);
    SetDialogService(&dialogs);
    SetYieldHook(nullptr);
    TakeOwnWindowMessages();
    global_own_HWnd = kNoWindow;
    current_tool_var = kToolConcordancer;
    global_keeping_log = false;
  }
  void TearDown() override {
    SetControllerLink(nullptr);
    SetDialogService(nullptr);
    SetHaltHook(nullptr);
    ResetWindowRegister();
    TakeOwnWindowMessages();
    global_own_HWnd = kNoWindow;
    current_tool_var = kToolConcordancer;
  }
  // The reporter shown at `where` with the recording status bar (none when with_bar is false).
  void Show(uint8_t where, bool with_bar = true) {
    progress.SetProgressStatusBar(with_bar ? &bar : nullptr);
    progress.ClearAllAndShow({}, where);
  }
  // The tool's window 100 registered, the controller's window 200 known, messages queued.
  void ConnectController() {
    SetControllerLink(&link);
    RegisterToolWindow(100);
    SetNewWnd(kToolController, 200);
  }
  // The codes (low word) of the 0x401 messages posted to the controller, in order.
  std::vector<int> PostedCodes() const {
    std::vector<int> codes;
    for (const auto& m : link.Posted())
      if (m.msg == kMsgToolCode) codes.push_back(CodeOfWParam(m.wparam));
    return codes;
  }

  THeadlessDialogService dialogs;
  TQueuedControllerLink link;
  TRecordingStatusBar bar;
  TProgressClass progress;
};
