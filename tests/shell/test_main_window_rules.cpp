#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/settings/settings_access.h"
#include "shell/main_window/main_window_rules.h"
#include "support/temp_folder.h"

namespace {

// Each test keeps its settings in a folder of its own.
class MainWindowStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LINZORA_CONFIG_DIR", Utf16ToUtf8(dir.Path() + u"config").c_str(), 1);
    ResetSettingsStoreForTests();
  }
  void TearDown() override {
    unsetenv("LINZORA_CONFIG_DIR");
    ResetSettingsStoreForTests();
  }
  TempFolder dir;
};

}  // namespace

// A failed save after "Yes" must not let the caller go on as if the data were safe.
TEST(MainWindowRules, SaveAnswerAfterYesFollowsTheSave) {
  struct Case {
    int answer;
    bool saved;
    int yes_result;
    int expected;
    int saves;
  } cases[] = {
      {mrYes, true, mrOK, mrOK, 1},     {mrYes, false, mrOK, mrCancel, 1}, {mrYes, true, mrYes, mrYes, 1},
      {mrYes, false, mrYes, mrCancel, 1}, {mrNo, true, mrOK, mrNo, 0},     {mrCancel, true, mrOK, mrCancel, 0},
  };
  for (const Case& c : cases) {
    int saves = 0;
    EXPECT_EQ(ResolveSaveAnswer(c.answer, [&] { ++saves; return c.saved; }, c.yes_result), c.expected);
    EXPECT_EQ(saves, c.saves);
  }
}

// Storing and showing the number display use one mapping, so "per million" shows checked.
TEST(MainWindowRules, NumberDisplayRoundTripsThroughTheStoredValue) {
  for (int tag : {kTagPercent, kTagPerThousand, kTagPerMillion, kTagNumbersDefault})
    EXPECT_EQ(NumberDisplayTagOfValue(static_cast<uint8_t>(NumberDisplayOfTag(tag))), tag) << tag;
  EXPECT_EQ(NumberDisplayOfTag(kTagPerMillion), 4);
  EXPECT_EQ(NumberDisplayTagOfValue(1), kTagPercent);  // an older stored percent
  EXPECT_EQ(NumberDisplayTagOfValue(9), kTagNumbersDefault);
  EXPECT_EQ(NumberDisplayOfTag(55), -1);
}

TEST(MainWindowRules, AutoSaveRunsOnlyForANamedDocumentOutsideJobs) {
  EXPECT_TRUE(AutoSaveMayRun({true, true, false, false}));
  EXPECT_FALSE(AutoSaveMayRun({false, true, false, false}));
  EXPECT_FALSE(AutoSaveMayRun({true, false, false, false}));
  EXPECT_FALSE(AutoSaveMayRun({true, true, true, false}));
  EXPECT_FALSE(AutoSaveMayRun({true, true, false, true}));
  EXPECT_EQ(AutoSaveIntervalMs(5, true), 300000);
  EXPECT_EQ(AutoSaveIntervalMs(0, true), 0);
  EXPECT_EQ(AutoSaveIntervalMs(-3, true), 0);
  EXPECT_EQ(AutoSaveIntervalMs(5, false), 0);
}

TEST(MainWindowRules, CaptionsNameTheFileOrSayUnsaved) {
  EXPECT_EQ(PageCaption(u"Statistics", u"/data/run 1.cnc"), u"Statistics (run 1.cnc)");
  const UString unsaved = PageCaption(u"Statistics", u"");
  EXPECT_EQ(unsaved.substr(0, 12), u"Statistics (");
  EXPECT_GT(unsaved.size(), 14u);
  const UString merged = MergedCaption(u"/d/first.cnc", u"/e/second.cnc");
  EXPECT_EQ(merged.substr(0, 8), u"/d/first");
  EXPECT_EQ(merged.substr(merged.size() - 10), u"second.cnc");
}

TEST(MainWindowRules, SaveQuestionNamesTheFileOrTheUnsavedKind) {
  struct Case {
    UString list_type, file, want;
  } cases[] = {{u"Concordance", u"", u"the unsaved concordance"},
               {u"Concordance", u"  ", u"the unsaved concordance"},
               {u"Word list", u"", u"the unsaved word list"},
               {u"", u"", u"the unsaved results"},
               {u"Concordance", u"/data/government.cnc", u"government.cnc"}};
  for (const Case& c : cases) EXPECT_EQ(SaveQuestionName(c.list_type, c.file), c.want) << Utf16ToUtf8(c.want);
}

TEST(MainWindowRules, SameFileFollowsLinksAndDotDot) {
  TempFolder dir;
  const UString a = dir.Write(u"a.cnc", "x");
  const UString b = dir.Write(u"b.cnc", "x");
  std::filesystem::create_symlink(ToFsPath(a), ToFsPath(dir.Path() + u"link.cnc"));
  std::filesystem::create_directory(ToFsPath(dir.Path() + u"sub"));
  EXPECT_TRUE(SameFile(a, a));
  EXPECT_TRUE(SameFile(a, dir.Path() + u"link.cnc"));
  EXPECT_TRUE(SameFile(a, dir.Path() + u"sub/../a.cnc"));
  EXPECT_FALSE(SameFile(a, b));
  EXPECT_FALSE(SameFile(a, u""));
}

TEST(MainWindowRules, RowsAndEntropyBasesOutsideTheirRangeAreRefused) {
  EXPECT_FALSE(RowIndexInRange(-1, 5));
  EXPECT_TRUE(RowIndexInRange(0, 5));
  EXPECT_TRUE(RowIndexInRange(4, 5));
  EXPECT_FALSE(RowIndexInRange(5, 5));
  EXPECT_FALSE(RowIndexInRange(0, 0));
  struct Case {
    const char16_t* text;
    std::optional<int32_t> basis;
  } cases[] = {{u"2", 2}, {u" 10 ", 10}, {u"1", std::nullopt}, {u"0", std::nullopt}, {u"-2", std::nullopt},
               {u"e", std::nullopt}, {u"", std::nullopt}, {u"99999999999", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(RelativeEntropyBasisFromText(c.text), c.basis) << Utf16ToUtf8(c.text);
}

TEST(MainWindowRules, GoToRowKeepsTheTopForNearRowsAndStopsAtTheLast) {
  EXPECT_FALSE(GoToRowPlan(11, 100).top.has_value());
  EXPECT_EQ(GoToRowPlan(11, 100).current, 12);
  EXPECT_EQ(GoToRowPlan(12, 100).top, 2);
  EXPECT_EQ(GoToRowPlan(500, 100).current, 99);
}

// Hand-worked: images 16 high make a panel of 29 (28.8 rounded); 96 dpi give a gap of 8.
TEST(MainWindowRules, ToolbarControlsAreLaidOutLeftToRight) {
  int height = 0, right = 0;
  const auto placed = ArrangeToolbarControls(
      {{TToolbarControl::Button, 72, 0}, {TToolbarControl::KeepsHeight, 100, 21}, {TToolbarControl::Other, 50, 0}},
      16, 96, height, right);
  EXPECT_EQ(height, 29);
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_EQ(placed[0], (TToolbarPlacement{0, 0, 72, 29}));
  EXPECT_EQ(placed[1], (TToolbarPlacement{80, 4, 100, 21}));   // (29 - 21) / 2
  EXPECT_EQ(placed[2], (TToolbarPlacement{188, 2, 50, 26}));   // 0.9 * 29 = 26.1 → 26; (29 - 26) / 2 = 1.5 → 2
  EXPECT_EQ(right, 246);
}

TEST(MainWindowRules, RunStartedFlagIsTheNegation) {
  SetRunStartedFlag(false);
  EXPECT_TRUE(RunStartedFlag());
  SetRunStartedFlag(true);
  EXPECT_FALSE(RunStartedFlag());
}

TEST_F(MainWindowStoreTest, ValuesHaveTheirDefaultsAndKeepWhatIsSet) {
  EXPECT_TRUE(GetAskWhetherToSaveModifiedData());
  EXPECT_EQ(GetAutoSaveMinutes(), 0);
  EXPECT_EQ(GetKeyPressMode(1), 0);
  EXPECT_FALSE(GetFormGeometry(u"TMainToolsForm").has_value());
  SetAskWhetherToSaveModifiedData(false);
  SetAutoSaveMinutes(7);
  SetStartupOptions(2);
  SetKeyPressMode(1, 2);
  SetKeyPressMode(3, 1);
  SetKeyPressMode(1, 9);  // no such mode: ignored
  SetTagVisibility(1);
  SetOpenAndSaveDialogOption(1);
  SetFormGeometry(u"Main form é", {10, 20, 800, 600});
  ResetSettingsStoreForTests();  // read back from the file
  EXPECT_FALSE(GetAskWhetherToSaveModifiedData());
  EXPECT_EQ(GetAutoSaveMinutes(), 7);
  EXPECT_EQ(GetStartupOptions(), 2);
  EXPECT_EQ(GetKeyPressMode(1), 2);
  EXPECT_EQ(GetKeyPressMode(3), 1);
  EXPECT_EQ(GetKeyPressMode(2), 0);
  EXPECT_EQ(GetTagVisibility(), 1);
  EXPECT_EQ(GetTagPreferences().TagDisplay(), 1);  // where the documents read it
  EXPECT_EQ(GetOpenAndSaveDialogOption(), 1);
  EXPECT_EQ(GetFormGeometry(u"Main form é"), (std::array<int32_t, 4>{10, 20, 800, 600}));
}

// Up to ten pages the print dialog's title counts them; from eleven on it warns.
TEST(MainWindowRules, PrintDialogTitleWarnsFromElevenPages) {
  EXPECT_EQ(PrintDialogTitle(10), u"10 pages");
  EXPECT_EQ(PrintDialogTitle(1), u"1 pages");
  EXPECT_EQ(PrintDialogTitle(11), u"Careful: all pages means 11 pages to print");
}
