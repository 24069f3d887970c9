#include "shell/main_window/main_window_services.h"

#include <chrono>
#include <thread>

#include "exception_report/capture/exception_capture.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/menus/menu_model.h"
#include "shell/services/progress.h"
#include "shell/services/suite_services.h"

void SetUpMainWindowServices(TWindowId own_window, TMenuModel& menus) {
  CurrentExcTrapOptions().SetOutputPath(GetUserReadWriteFolder());
  SetupLoggingFromTextbuf();
  RegisterToolWindow(own_window);
  Global_user_ReadWrite_folder = GetUserReadWriteFolder();
  menus.UpdateAllMenuShortCutsFromStore();
}

bool WaitForControllerWindow(double limit_seconds) {
  if (TProgressClass* p = GlobalProgress()) p->Hide();
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit_seconds);
  while (GetActiveMainToolWindow(kToolController) == kNoWindow) {
    if (std::chrono::steady_clock::now() > until) return false;
    MyYieldProcess();
    // The loop's pump never waits for events: a short pause keeps the wait off the processor.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void BringControllerToFront() {
  const TWindowId controller = GetActiveMainToolWindow(kToolController);
  if (controller != kNoWindow) ControllerLink().BringToFront(controller);
}
