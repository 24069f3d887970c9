// The program's start-up routine: units once in table order, torn down in reverse with their
// quit lines; the windows exist before the event loop's first turn.
#include "window/main_road_support.h"
#include "windows/sort_dialog.h"
#include "exception_report/capture/exception_capture.h"

namespace {

TEST(ProgramUnits, StartOnceAndQuitInReverseOrder) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  const std::vector<TStartupUnit> units = ProgramUnits();
  ASSERT_EQ(units.size(), 11u);
  EXPECT_STREQ(units.front().name, "settings store");
  EXPECT_STREQ(units.back().name, "grid headings");
  EXPECT_EQ(StartProgramUnits(), 11);
  EXPECT_EQ(StartProgramUnits(), 11);  // a second call does nothing
  EXPECT_EQ(current_tool_var, kToolConcordancer);
  EXPECT_NE(GlobalProgress(), nullptr);
  const std::vector<UString> quits = StopProgramUnits();
  ASSERT_EQ(quits.size(), 11u);
  EXPECT_EQ(quits.front(), u"quit grid headings");
  EXPECT_EQ(quits.back(), u"quit settings store");
  EXPECT_EQ(GlobalProgress(), nullptr);
  // A fatal signal or a terminate in the program leaves its report in the user's folder.
  EXPECT_EQ(CurrentExcTrapOptions().OutputPath(), GetUserReadWriteFolder());
  unsetenv("LINZORA_CONFIG_DIR");
  ResetSettingsStoreForTests();
}

TEST_F(MainRoadTest, WindowsExistBeforeTheFirstIdleStep) {
  std::vector<UString> none{u""};
  windows = MakeProgramWindows(&none);
  ASSERT_NE(windows->main, nullptr);
  ASSERT_NE(windows->sort, nullptr);
  ASSERT_NE(windows->wizard, nullptr);
  EXPECT_FALSE(windows->main->StartupDone());
  EXPECT_EQ(windows->sort->parent(), windows->main.get());
  EXPECT_EQ(Main().Wizard(), windows->wizard);
  EXPECT_EQ(Wizard().fChosenFiles, &Main().ChosenTexts);
  windows->main->show();
  EXPECT_TRUE(WaitUntil([this] { return Main().StartupDone(); }));
  EXPECT_FALSE(Main().HasData());
}

}  // namespace
