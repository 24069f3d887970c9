// The hand-over folder in a folder of the test's own and the controller reachable, every code the
// tool posts kept for the test to read.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/settings/window_registry.h"
#include "platform/runtime/vx_tools.h"
#include "shell/services/suite_services.h"
#include "support/temp_folder.h"

struct TControllerWorld {
  TempFolder tmp;
  std::string old_tmpdir;
  bool had_tmpdir = false;
  TQueuedControllerLink link;
  TControllerWorld() {
    if (const char* old = std::getenv("TMPDIR")) had_tmpdir = true, old_tmpdir = old;
    setenv("TMPDIR", Utf16ToUtf8(tmp.Path()).c_str(), 1);
    SetControllerLink(&link);
    RegisterToolWindow(100);
    SetNewWnd(kToolController, 200);
  }
  ~TControllerWorld() {
    SetControllerLink(nullptr);
    ResetWindowRegister();
    if (had_tmpdir) setenv("TMPDIR", old_tmpdir.c_str(), 1);
    else unsetenv("TMPDIR");
  }
  std::vector<int> Codes() const {
    std::vector<int> out;
    for (const auto& m : link.Posted())
      if (m.msg == kMsgToolCode) out.push_back(CodeOfWParam(m.wparam));
    return out;
  }
};
