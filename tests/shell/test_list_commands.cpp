#include <gtest/gtest.h>

#include <cstdlib>

#include "model/work_test_list.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "shell/grid_tools/list_commands.h"
#include "shell/menus/menu_store.h"
#include "support/temp_folder.h"

namespace {

constexpr uint8_t kTool = 29;  // a tool number the store keeps values for, used by no tool

std::vector<TVXDialog> Asked() {
  std::vector<TVXDialog> ids;
  for (const TVXQuestion& q : HeadlessDialogs().Asked()) ids.push_back(q.id);
  return ids;
}

// Each test keeps its settings in a folder of its own and starts as a tool of its own.
class ListCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
    ResetSettingsStoreForTests();
    HeadlessDialogs().Clear();
    old_tool = current_tool_var;
    current_tool_var = kTool;
    list.Fill({{u"cat", 1}, {u"dog", 1}, {u"tree", 1}, {u"trek", 1}});
    list.SortAlphabeticallyAscending();
  }
  void TearDown() override {
    current_tool_var = old_tool;
    HeadlessDialogs().Clear();
    unsetenv("LINZORA_CONFIG_DIR");
    ResetSettingsStoreForTests();
  }
  static void TypedMatchWords(UStringView words) {
    TMatchListSettingsRec rec = GetMatchListSettings(kTool);
    rec.SetKind(1);
    rec.SetTypedWords(words);
    SetLemmaMatchStopSettings(kTool, 1, rec);
  }
  TempFolder dir;
  TTestWordList list;
  uint8_t old_tool = 0;
};

}  // namespace

// Kind 0 (a list file) counts only when it is switched on and loaded; typed words always do.
TEST_F(ListCommandsTest, MatchListUsableFollowsTheSettings) {
  EXPECT_FALSE(MatchListUsable(kTool));
  TMatchListSettingsRec rec = GetMatchListSettings(kTool);
  rec.SetKind(0);
  SetLemmaMatchStopSettings(kTool, 1, rec);
  Global_stopLemmaMatchLoaded[1] = true;
  EXPECT_EQ(MatchListUsable(kTool), GetLemmaMatchStopWanted(kTool, 1));
  Global_stopLemmaMatchLoaded[1] = false;
  EXPECT_FALSE(MatchListUsable(kTool));
  TypedMatchWords(u"cat");
  EXPECT_TRUE(MatchListUsable(kTool));
}

// Without a usable match list nothing runs: the user is offered to set one up, and Yes unchecks
// the match items.
TEST_F(ListCommandsTest, WithoutAMatchListNothingRuns) {
  SetMenuItemChecked(kTagMarkMatches, true);
  HeadlessDialogs().Script({mrYes});
  const TMatchCommandOutcome out = MatchCommand(list, kTagMarkMatches, kTool);
  EXPECT_FALSE(out.ran);
  EXPECT_EQ(Asked(), std::vector<TVXDialog>{TVXDialog::NoMatchList});
  EXPECT_FALSE(GetMenuItemChecked(kTagMarkMatches));
  EXPECT_EQ(list.Shown(), "cat dog tree trek");
}

TEST_F(ListCommandsTest, EachMatchTagDoesItsActionAndReportsTheCount) {
  TypedMatchWords(u"cat, tr*");
  struct Case {
    int tag;
    int zap_answer;  // mrNone: no zap question
    const char* shown;
    int32_t zapped;
    const char16_t* report_start;
  } cases[] = {
      {kTagMarkMatches, mrNone, "cat+ dog tree+ trek+", 0, u"Match and mark: "},
      {kTagDeleteMatched, mrNo, "cat- dog tree- trek-", 0, u"Delete matches: "},
      {kTagDeleteMatched, mrYes, "dog", 3, u"Delete matches: "},
      {kTagDeleteUnmatched, mrYes, "cat tree trek", 1, u"Delete non-matches: "},
  };
  for (const Case& c : cases) {
    TTestWordList l;
    l.Fill({{u"cat", 1}, {u"dog", 1}, {u"tree", 1}, {u"trek", 1}});
    HeadlessDialogs().Clear();
    if (c.zap_answer != mrNone) HeadlessDialogs().Script({c.zap_answer});
    const TMatchCommandOutcome out = MatchCommand(l, c.tag, kTool);
    EXPECT_TRUE(out.ran);
    EXPECT_EQ(out.found, 3) << c.tag;
    EXPECT_EQ(out.zapped, c.zapped) << c.tag;
    EXPECT_EQ(l.Shown(), c.shown) << c.tag;
    EXPECT_EQ(out.report.rfind(c.report_start, 0), 0u) << Utf16ToUtf8(out.report);
    EXPECT_NE(out.report.find(u"3"), UString::npos) << Utf16ToUtf8(out.report);
    EXPECT_EQ(Asked().size(), c.zap_answer == mrNone ? 0u : 1u) << c.tag;
  }
}

TEST_F(ListCommandsTest, ClearingMatchMarksNeedsNoMatchList) {
  list.MatchARange({0, 2}, false, true);
  const TMatchCommandOutcome out = MatchCommand(list, kTagClearAllMatches, kTool);
  EXPECT_TRUE(out.ran);
  EXPECT_TRUE(Asked().empty());
  EXPECT_EQ(list.Shown(), "cat dog tree trek");
  EXPECT_FALSE(MatchCommand(list, 50, kTool).ran);
}

TEST_F(ListCommandsTest, ReverseDeletionTurnsEveryMarkOverAfterYes) {
  list.DeleteARange({1}, false, true);
  HeadlessDialogs().Script({mrNo});
  EXPECT_FALSE(ReverseDeletion(list));
  EXPECT_EQ(list.Shown(), "cat dog- tree trek");
  HeadlessDialogs().Script({mrYes});
  EXPECT_TRUE(ReverseDeletion(list));
  EXPECT_EQ(list.Shown(), "cat- dog tree- trek-");
  ASSERT_EQ(HeadlessDialogs().Asked().size(), 2u);
  EXPECT_EQ(HeadlessDialogs().Asked()[1].help_context, 5690);
}

// Progress goes out every 256 entries, as whole numbers of done and total.
TEST_F(ListCommandsTest, ReverseDeletionReportsProgress) {
  TTestWordList big;
  for (int i = 0; i < 600; ++i) big.AddWord(u"w" + IntToUStr(i));
  std::vector<std::pair<int64_t, int64_t>> seen;
  HeadlessDialogs().Script({mrYes});
  ASSERT_TRUE(ReverseDeletion(big, [&](int64_t done, int64_t total) { seen.emplace_back(done, total); }));
  EXPECT_EQ(seen, (std::vector<std::pair<int64_t, int64_t>>{{256, 600}, {512, 600}}));
}

TEST_F(ListCommandsTest, ColumnTotalsAskOnlyUntilWanted) {
  bool on = false;
  HeadlessDialogs().Script({mrNo});
  EXPECT_FALSE(ComputeColumnTotalsIfWanted(list, on));
  EXPECT_FALSE(on);
  HeadlessDialogs().Script({mrYes});
  EXPECT_TRUE(ComputeColumnTotalsIfWanted(list, on));
  EXPECT_TRUE(ComputeColumnTotalsIfWanted(list, on));  // not asked again
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 2u);
}
