// A concordance line from a text inside a zip archive: a double-click shows the member's text
// on the source-text page with its hit marked, read from a copy taken out of the archive; the
// copy goes when the data close.
#include <filesystem>

#include "shell/qt/vx_grid.h"
#include "window/main_road_support.h"

namespace {

TEST_F(MainRoadTest, ALineFromAZipMemberShowsItsTextOnTheSourcePage) {
  Start();
  const UString samples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";
  ASSERT_EQ(ChooseTextsThroughWizard({}, {{samples + u"winter_walk.zip", u"winter_walk.txt"}}), 1);
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  // The line's cell double-clicked (the grid hands the double-click to the window).
  grid->SelectCell(1, 1);
  Main().DDblClickCell(grid, 1);
  ASSERT_TRUE(WaitUntil([this] { return Main().ShownSourceLine().valid; })) << Utf16ToUtf8(AllQuestionText());
  EXPECT_FALSE(WasAsked(TVXDialog::SourceTextFileNotFound));
  const UString shown = Main().SourceTextPage()->ShownText();
  EXPECT_NE(shown.find(u"Winter Walk to the Source"), UString::npos);
  EXPECT_GT(Main().SourceTextPage()->HighlightCount(), 0);
  const UString copy = Main().ReadableSourceText(Main().ShownSourceLine().full_name);
  EXPECT_NE(copy, Main().ShownSourceLine().full_name);
  EXPECT_TRUE(FileExists(copy));
  // Closing the data (from the lines' page) deletes the copy.
  TurnTo("Concordance");
  dialogs.Script({mrNo});
  Main().HandleMenuCommand(26, u"");
  ASSERT_TRUE(WaitUntil([this] { return !Main().HasData(); }));
  EXPECT_FALSE(FileExists(copy));
}

}  // namespace
