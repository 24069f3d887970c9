#include "shell/main_window/main_window_services.h"

#include <gtest/gtest.h>

#include "exception_report/capture/exception_capture.h"
#include "model/text_reader_test_support.h"
#include "platform/rtl/files.h"
#include "platform/settings/settings_access.h"
#include "shell/menus/menu_model.h"
#include "shell/menus/menu_store.h"
#include "shell/shell_test_support.h"
#include "support/temp_folder.h"

namespace {

int g_yields = 0;
// The controller's window turns up on the third turn of the loop.
void ControllerAppearsLater() {
  if (++g_yields == 3) SetActiveMainToolWindow(kToolController, 200);
}

class MainWindowServicesTest : public ShellServicesTest {
 protected:
  void SetUp() override {
    ShellServicesTest::SetUp();
    g_yields = 0;
    saved_output_ = CurrentExcTrapOptions().OutputPath();
  }
  void TearDown() override {
    SetYieldHook(nullptr);
    CurrentExcTrapOptions().SetOutputPath(saved_output_);
    Global_user_ReadWrite_folder.clear();
    SetupLogging(false, u"");
    ShellServicesTest::TearDown();
  }
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
  UString saved_output_;
};

}  // namespace

TEST_F(MainWindowServicesTest, SetUpTakesFoldersLoggingWindowAndShortcutsFromTheStore) {
  const UString folder = dir.Path() + u"Ergebnisse \u00fcber \u65e5\u672c/";
  ASSERT_TRUE(ForceDirectories(folder));
  SetUserReadWriteFolder(folder);
  SetLogging(true);
  SetTheLogFilename(dir.Path() + u"tool.log");
  SetMenuShortcut(33, 16384 + 'R');  // Refresh on Ctrl+R instead of F5
  TMenuModel menus;

  SetUpMainWindowServices(321, menus);

  EXPECT_EQ(CurrentExcTrapOptions().OutputPath(), folder);
  EXPECT_TRUE(global_keeping_log);
  EXPECT_EQ(global_own_HWnd, 321u);
  EXPECT_EQ(GetActiveMainToolWindow(current_tool_var), 321u);
  EXPECT_EQ(Global_user_ReadWrite_folder, folder);
  ASSERT_NE(menus.FindByTag(33), nullptr);
  EXPECT_EQ(menus.FindByTag(33)->shortcut, 16384 + 'R');
}

TEST_F(MainWindowServicesTest, WaitForControllerWindowEndsWhenTheControllerIsKnown) {
  SetActiveMainToolWindow(kToolController, 200);
  SetYieldHook(&ControllerAppearsLater);
  EXPECT_TRUE(WaitForControllerWindow(5.0));
  EXPECT_EQ(g_yields, 0) << "a controller already known needs no turn of the loop";

  ResetWindowRegister();
  EXPECT_TRUE(WaitForControllerWindow(5.0));
  EXPECT_EQ(g_yields, 3);
}

TEST_F(MainWindowServicesTest, WaitForControllerWindowGivesUpAfterItsLimit) {
  CreateGlobalProgress();
  GlobalProgress()->SetProgressStatusBar(&bar);
  GlobalProgress()->ClearAllAndShow({}, 1);
  GlobalProgress()->ProgressLongMessage(u"reading texts");
  ASSERT_EQ(bar.Text(kPanelLongMessage), u"reading texts");
  EXPECT_FALSE(WaitForControllerWindow(0.05));
  EXPECT_EQ(bar.Text(kPanelLongMessage), u"") << "the progress display is hidden first";
  FreeGlobalProgress();
}

TEST_F(MainWindowServicesTest, BringControllerToFrontRaisesOnlyAKnownController) {
  SetControllerLink(&link);
  BringControllerToFront();
  EXPECT_TRUE(link.Raised().empty());
  SetActiveMainToolWindow(kToolController, 200);
  BringControllerToFront();
  EXPECT_EQ(link.Raised(), std::vector<TWindowId>{200});
}
