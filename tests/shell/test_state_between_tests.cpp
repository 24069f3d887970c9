// Each test starts from the program's state as the test program began, whatever the test before
// it left (tests/support/program_state_guard.cpp and user_folders_guard.cpp). The tests of a
// suite run in the order written: the second sees what the first left.
#include <gtest/gtest.h>

#include "concordance/lines/line_text_arena.h"
#include "model/documents/batch_procedures.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

TEST(StateBetweenTests, ATestLeavesTheBatchStateTheStopASettingAndKeptRegions) {
  Global_BatchProcedures.Zip_Too = true;
  Global_BatchProcedures.delete_saved_files = true;
  Global_batch_mode = 1;
  current_tool_var = kToolController;
  global_panic_state = kPanicStopNow;
  SetShouldColourPercentages(true);
  // Over 32 MiB of lines: the arena cuts them from regions, which it keeps for the next run.
  {
    TLineTextArena arena;
    const UString line(1000, u'a');
    for (int i = 0; i < 40000; ++i) arena.Store(line);
    for (int i = 0; i < 40000; ++i) arena.Release();
  }
  ASSERT_GT(TLineTextArena::BytesKeptForReuse(), 0u);
}

TEST(StateBetweenTests, TheNextTestFindsThemAsTheProgramBegan) {
  EXPECT_FALSE(Global_BatchProcedures.Zip_Too);
  EXPECT_FALSE(Global_BatchProcedures.delete_saved_files);
  EXPECT_EQ(Global_batch_mode, 0);
  EXPECT_EQ(current_tool_var, kToolConcordancer);
  EXPECT_EQ(global_panic_state.load(), kPanicNone);
  EXPECT_FALSE(GetShouldColourPercentages());
  EXPECT_EQ(TLineTextArena::BytesKeptForReuse(), 0u);
}
