// The program's start-up routine: units once in table order, torn down in reverse with their
// quit lines; the windows exist before the event loop's first turn.
#include <QScreen>

#include "window/main_road_support.h"
#include "windows/sort_dialog.h"
#include "exception_report/capture/exception_capture.h"
#include "model/documents/work_derived.h"

namespace {

TEST(ProgramUnits, StartOnceAndQuitInReverseOrder) {
  TempFolder dir;
  setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
  ResetSettingsStoreForTests();
  const std::vector<TStartupUnit> units = ProgramUnits();
  ASSERT_EQ(units.size(), 12u);
  EXPECT_STREQ(units.front().name, "settings store");
  EXPECT_STREQ(units.back().name, "grid headings");
  EXPECT_EQ(StartProgramUnits(), 12);
  EXPECT_EQ(StartProgramUnits(), 12);  // a second call does nothing
  EXPECT_EQ(current_tool_var, kToolConcordancer);
  EXPECT_NE(GlobalProgress(), nullptr);
  NoteCurrentFileAndCount(3, u"/c/t.txt");
  const std::vector<UString> quits = StopProgramUnits();
  ASSERT_EQ(quits.size(), 12u);
  // The text noted for diagnostics is forgotten at shut-down.
  EXPECT_EQ(NotedCurrentFile(), u"");
  EXPECT_EQ(NotedCurrentCount(), 0);
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
  SetScreenPixelsPerInch(1);  // anything the screen cannot have
  windows = MakeProgramWindows(&none);
  ASSERT_NE(windows->main, nullptr);
  ASSERT_NE(windows->sort, nullptr);
  ASSERT_NE(windows->wizard, nullptr);
  // Window sizes saved with a document are taken at the main window's resolution.
  EXPECT_EQ(ScreenPixelsPerInch(), windows->main->logicalDpiY());
  // A first window takes three quarters of the screen, at least 640 by 460 at 96 pixels per inch.
  const QScreen* screen = windows->main->screen();
  ASSERT_NE(screen, nullptr);
  const double scale = screen->logicalDotsPerInch() / 96.0;
  const QRect available = screen->availableGeometry();
  EXPECT_EQ(windows->main->width(), std::max(static_cast<int>(640 * scale), available.width() / 4 * 3));
  EXPECT_EQ(windows->main->height(), std::max(static_cast<int>(460 * scale), available.height() / 4 * 3));
  EXPECT_FALSE(windows->main->StartupDone());
  EXPECT_EQ(windows->sort->parent(), windows->main.get());
  EXPECT_EQ(Main().Wizard(), windows->wizard);
  EXPECT_EQ(Wizard().fChosenFiles, &Main().ChosenTexts);
  windows->main->show();
  EXPECT_TRUE(WaitUntil([this] { return Main().StartupDone(); }));
  EXPECT_FALSE(Main().HasData());
}

}  // namespace
