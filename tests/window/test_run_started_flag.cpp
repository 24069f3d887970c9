// A concordance run raises the shared run-started flag as it starts; starting the program does not.
#include "shell/main_window/main_window_rules.h"
#include "window/main_road_support.h"

namespace {

TEST_F(MainRoadTest, AConcordanceRunRaisesTheRunStartedFlag) {
  SetRunStartedFlag(true);  // lowered
  Start();
  EXPECT_FALSE(RunStartedFlag());
  HandOverTexts(WriteRiverTexts(dir, 1, 3));
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_TRUE(RunStartedFlag());
  SetRunStartedFlag(true);
}

}  // namespace
