#include <gtest/gtest.h>

#include <cstring>

#include "platform/settings/window_registry.h"

TEST(WindowRegister, ToolsControllerAndProgressRecord) {
  ResetWindowRegister();
  SetNewWnd(kToolController, 7);
  SetNewWnd(kToolConcordancer, 11);
  SetActiveMainToolWindow(kToolConcordancer, 11);
  SetActiveChildToolWindow(kToolConcordancer, 12);
  // Another window of the tool does not unregister this one.
  UnSetWnd(kToolConcordancer, 99);
  EXPECT_EQ(GetToolWnd(kToolConcordancer), 11u);
  UnSetWnd(kToolConcordancer, 11);
  EXPECT_EQ(GetToolWnd(kToolConcordancer), kNoWindow);
  EXPECT_EQ(GetActiveMainToolWindow(kToolConcordancer), kNoWindow);
  EXPECT_EQ(GetActiveChildToolWindow(kToolConcordancer), 12u);
  // Tool types outside the table are ignored.
  SetNewWnd(200, 5);
  EXPECT_EQ(GetToolWnd(200), kNoWindow);

  SetVXShellInitialised(true);
  EXPECT_EQ(GetShellWnd(), 7u);
  UnSetWnd(kToolController, 7);
  EXPECT_EQ(GetShellWnd(), kNoWindow);
  EXPECT_FALSE(GetVXShellInitialised());  // a controller that went away is not ready

  SetProgressWnd(33);
  TProgressRec rec{};
  rec.this_percent = 42;
  rec.long_message[0] = u'x';
  SetProgressParams(rec);
  TProgressRec back;
  std::memset(&back, 0xAB, sizeof back);
  GetProgressParams(back);
  EXPECT_EQ(std::memcmp(&rec, &back, sizeof rec), 0);
  EXPECT_EQ(ProgressParamsStores(), 1u);
  ResetWindowRegister();
  EXPECT_EQ(GetProgressWnd(), kNoWindow);
  EXPECT_EQ(ProgressParamsStores(), 0u);
}
